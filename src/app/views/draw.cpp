// The whole window, in drawing order: screen, navigation, notice, dialog, tooltip.
#include "app/views/views.hpp"
#include "platform/ui/theme.hpp"

namespace app {

using namespace vexa_ui;

void RemoteApp::draw(DrawContext& ctx) {
  scale = ctx.scale;
  hit_regions.clear();
  ctx.scene.fill_rect({0, 0, ctx.window.width, ctx.window.height}, Colors::background);
  switch (screen) {
    case Screen::List: views::draw_list_screen(*this, ctx); break;
    case Screen::FormNew:
    case Screen::FormEdit: views::draw_form_screen(*this, ctx); break;
    case Screen::Session: views::draw_session_screen(*this, ctx); break;
  }
  if (!(fullscreen && screen == Screen::Session)) views::draw_navigation(*this, ctx);
  views::draw_notice(*this, ctx);
  views::draw_confirmation(*this, ctx);
  tooltips.draw_hover_tooltip(ctx.scene, ctx.text, ctx.window);
}

AccessNode RemoteApp::accessibility_tree() {
  std::vector<AccessNode> children;
  if (!(fullscreen && screen == Screen::Session)) children.push_back(views::navigation_nodes(*this));
  switch (screen) {
    case Screen::List: children.push_back(views::list_nodes(*this)); break;
    case Screen::FormNew:
    case Screen::FormEdit: children.push_back(views::form_nodes(*this)); break;
    case Screen::Session: children.push_back(views::session_nodes(*this)); break;
  }
  if (notice) children.push_back(AccessNode::with_children(Role::Alert, "remote.action.notice", *notice));
  if (pending_confirmation) children.push_back(views::confirmation_nodes(*this));
  return AccessNode::with_children(Role::Window, "remote", "Remote", std::move(children));
}

}  // namespace app

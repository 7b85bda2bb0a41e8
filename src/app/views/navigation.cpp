// The navigation panel and its toggle.
#include "app/views/views.hpp"
#include "platform/ui/surface.hpp"
#include "platform/ui/theme.hpp"

namespace app::views {

using namespace vexa_ui;

namespace {

void draw_bars(Scene& scene, Rect r) {
  double x = r.center().x - 9, y = r.center().y - 7;
  for (int i = 0; i < 3; ++i) scene.fill_rect({x, y + 6.0 * i, 18, 2}, Colors::text, 1);
}

// A small list glyph and a plus glyph for the panel's entries.
void draw_list_glyph(Scene& scene, Rect r, Color c) {
  for (int i = 0; i < 3; ++i) {
    scene.fill_circle({r.center().x - 7, r.center().y - 6 + 6.0 * i}, 1.5, c);
    scene.fill_rect({r.center().x - 3, r.center().y - 7 + 6.0 * i, 11, 2}, c, 1);
  }
}
void draw_plus_glyph(Scene& scene, Rect r, Color c) {
  scene.fill_rect({r.center().x - 8, r.center().y - 1, 16, 2}, c, 1);
  scene.fill_rect({r.center().x - 1, r.center().y - 8, 2, 16}, c, 1);
}

}  // namespace

void draw_navigation(RemoteApp& app, DrawContext& ctx) {
  Rect c = app.content_rect();
  double reveal = app.flap.reveal();
  if (reveal > 0.001) {
    double left = c.x - (1 - app.flap.slide()) * 64;
    Rect panel{left, c.y, 64, c.height};
    chrome::shell::panel_ground(ctx.scene, panel);
    chrome::shell::chrome_hairline(ctx.scene, {panel.right() - 1, panel.y, 1, panel.height});
    Rect list_entry{left + 12, c.y + 68, 40, 40};
    Rect add_entry{left + 12, c.y + 116, 40, 40};
    bool on_list = app.screen == Screen::List;
    if (on_list) ctx.scene.fill_rect(list_entry, Colors::accent.with_alpha(0.16f), 10);
    else if (list_entry.contains(app.pointer)) ctx.scene.fill_rect(list_entry, Colors::lift_hover, 10);
    if (add_entry.contains(app.pointer)) ctx.scene.fill_rect(add_entry, Colors::lift_hover, 10);
    draw_list_glyph(ctx.scene, list_entry, on_list ? Colors::accent : Colors::text_muted);
    draw_plus_glyph(ctx.scene, add_entry, Colors::text_muted);
    app.hit_regions.push_back({list_entry, cmd::OpenList{}, "Connections"});
    app.hit_regions.push_back({add_entry, cmd::OpenNewForm{}, "Add connection (Ctrl+N)"});
  }
  Rect toggle{c.x + 12, c.y + 12, 40, 40};
  if (toggle.contains(app.pointer)) ctx.scene.fill_rect(toggle, Colors::lift_hover, 10);
  bool open = app.nav_open();
  if (open) {
    auto m = ctx.text.layout_metrics("\u2039", 22, FontWeight::Regular, 0);
    ctx.text.draw_text(ctx.scene, "\u2039", Colors::text,
                       Transform::translate(toggle.center().x - m.width / 2, toggle.center().y - m.height / 2), 0, 22);
  } else {
    draw_bars(ctx.scene, toggle);
  }
  app.hit_regions.push_back({toggle, cmd::ToggleNavigation{}, open ? "Close navigation" : "Open navigation"});
}

AccessNode navigation_nodes(const RemoteApp& app) {
  auto toggle = AccessNode::with_children(Role::Button, "remote.nav.toggle",
                                          app.nav_open() ? "Close navigation" : "Open navigation");
  toggle.describe("Show Connections and Add connection");
  return AccessNode::with_children(
      Role::Group, "remote.nav", "Remote navigation",
      {toggle, AccessNode::with_children(Role::Button, "remote.nav.list", "Connections"),
       AccessNode::with_children(Role::Button, "remote.connection.new", "Add connection")});
}

}  // namespace app::views

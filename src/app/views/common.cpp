#include <fmt/format.h>

#include "app/views/views.hpp"
#include "platform/ui/surface.hpp"
#include "platform/ui/theme.hpp"

namespace app::views {

using namespace vexa_ui;

double content_left(const RemoteApp& app) {
  Rect c = app.content_rect();
  if (app.fullscreen && app.screen == Screen::Session) return c.x;
  if (app.narrow()) return c.x + 64;
  return c.x + 64 * app.flap.reveal();
}

void field_card(RemoteApp& app, DrawContext& ctx, std::size_t index, Rect r) {
  bool focused = app.focused_input == index;
  surface::card(ctx.scene, r, 8, Colors::field);
  if (focused) {
    surface::edge_on(ctx.scene, r, 8);
  } else {
    surface::edge_outline(ctx.scene, r, 8);
  }
  app.inputs[index].apply_layout_external(r);
  app.inputs[index].draw(ctx.scene, ctx.text, focused, 14);
  app.hit_regions.push_back({r, cmd::FocusField{index}, std::nullopt});
}

void button(RemoteApp& app, DrawContext& ctx, Rect r, std::string_view label, ButtonStyle style,
            ViewCommand command, std::optional<std::string> tooltip) {
  bool hovered = r.contains(app.pointer) && !app.pending_confirmation;
  Button::paint(ctx.scene, ctx.text, r, label, style, hovered);
  app.hit_regions.push_back({r, std::move(command), std::move(tooltip)});
}

Color kind_color(profiles::ConnectionKind kind) {
  switch (kind) {
    case profiles::ConnectionKind::Ssh: return Colors::kind_ssh;
    case profiles::ConnectionKind::Vnc: return Colors::kind_vnc;
    case profiles::ConnectionKind::Rdp: return Colors::kind_rdp;
    case profiles::ConnectionKind::Vexa: return Colors::kind_vexa;
  }
  return Colors::kind_ssh;
}

std::string counts_line(const RemoteApp& app) {
  std::size_t online = 0, ready = 0;
  for (const auto& p : app.profiles) {
    if (p.presence == profiles::Presence::Online) ++online;
    if (profiles::availability_of(p) == profiles::Availability::Ready) ++ready;
  }
  if (ready == app.profiles.size()) return fmt::format("{} saved \u00b7 {} online", app.profiles.size(), online);
  return fmt::format("{} saved \u00b7 {} online \u00b7 {} connectable here", app.profiles.size(), online, ready);
}

std::string connection_id(const Uuid& id, std::string_view verb) {
  if (verb.empty()) return fmt::format("remote.connection:{}", id.to_string());
  return fmt::format("remote.connection:{}:{}", id.to_string(), verb);
}

}  // namespace app::views

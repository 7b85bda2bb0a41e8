// The confirmation dialog and the notice card.
#include <fmt/format.h>

#include "app/views/views.hpp"
#include "platform/ui/surface.hpp"
#include "platform/ui/theme.hpp"

namespace app::views {

using namespace vexa_ui;
using Kind = PendingConfirmation::Kind;

namespace {

struct DialogTexts {
  std::string title, body, confirm, description;
};

DialogTexts texts_for(const RemoteApp& app, const PendingConfirmation& pending) {
  const auto* p = app.find_profile(pending.id);
  std::string name = p ? p->name : "this saved connection";
  std::string algorithm = pending.observed ? pending.observed->algorithm : "";
  std::string fingerprint = pending.observed ? pending.observed->fingerprint : "";
  switch (pending.kind) {
    case Kind::Connect:
      return {fmt::format("Connect to {}?", name),
              "This opens a live remote session. Remote will recheck the saved target and access before anything is sent.",
              "Connect", "The target and access are rechecked before a remote session opens."};
    case Kind::Delete:
      return {fmt::format("Delete {}?", name),
              "This removes the shared saved profile from Remote. It does not modify the remote machine.", "Delete",
              "This removes the shared saved profile, not the remote machine."};
    case Kind::TrustHostKey:
      return {fmt::format("Trust SSH key for {}?", name),
              fmt::format("Verify this out of band before trusting: {} {}. This pin is private to this device.", algorithm, fingerprint),
              "Trust key",
              fmt::format("Verify {} {} out of band. This device-private trust is checked again before connecting.", algorithm, fingerprint)};
    case Kind::ForgetHostKey:
      return {fmt::format("Forget SSH key for {}?", name),
              "This removes only this device's saved host-key pin. Reconnect to inspect and explicitly trust a replacement key.",
              "Forget key",
              "Remove this device-private pin, then reconnect to inspect a replacement key before trusting it."};
  }
  return {};
}

}  // namespace

Rect dialog_rect(const RemoteApp& app) {
  Rect c = app.content_rect();
  double left = content_left(app);
  double area = c.right() - left;
  double width = std::clamp(area - 32, 280.0, 460.0);
  double cx = left + area / 2, cy = c.y + c.height / 2;
  return {cx - width / 2, cy - 112, width, 224};
}

void draw_confirmation(RemoteApp& app, DrawContext& ctx) {
  if (!app.pending_confirmation) return;
  const auto& pending = *app.pending_confirmation;
  auto t = texts_for(app, pending);
  Scene& s = ctx.scene;
  const TextRenderer& tr = ctx.text;
  s.fill_rect({0, 0, ctx.window.width, ctx.window.height}, Colors::scrim.with_alpha(0.62f));
  Rect d = dialog_rect(app);
  chrome::shell::panel_ground(s, d, 14);
  chrome::shell::panel_border(s, d, 14);
  surface::edge_outline(s, d.inset(1, 1), 13, Colors::hairline);
  double wrap = d.width - 48;
  tr.draw_text_weighted(s, t.title, Colors::text, Transform::translate(d.x + 24, d.y + 28), wrap, 18, FontWeight::Bold);
  if (const auto* p = app.find_profile(pending.id)) {
    tr.draw_text(s, profiles::target_label(*p), Colors::text_muted, Transform::translate(d.x + 24, d.y + 58), wrap, 12.5);
  }
  tr.draw_text(s, t.body, Colors::text, Transform::translate(d.x + 24, d.y + 92), wrap, 13);
  double by = d.bottom() - 18 - 40;
  button(app, ctx, {d.right() - 244, by, 112, 40}, "Cancel", ButtonStyle::Secondary, cmd::CancelConfirmation{});
  Rect confirm{d.right() - 120, by, 102, 40};
  bool hovered = confirm.contains(app.pointer);
  Button::paint(s, tr, confirm, t.confirm, pending.kind == Kind::Delete ? ButtonStyle::Destructive : ButtonStyle::Primary,
                pending.kind == Kind::Delete && hovered);
  app.hit_regions.push_back({confirm, cmd::Confirm{}, std::nullopt});
}

AccessNode confirmation_nodes(const RemoteApp& app) {
  const auto& pending = *app.pending_confirmation;
  auto t = texts_for(app, pending);
  auto dialog = AccessNode::with_children(
      Role::Dialog, "remote.confirmation", t.title,
      {AccessNode::with_children(Role::Button, "remote.confirmation.cancel", "Cancel"),
       AccessNode::with_children(Role::Button, "remote.confirmation.confirm", t.confirm)});
  dialog.describe(t.description);
  return dialog;
}

void draw_notice(RemoteApp& app, DrawContext& ctx) {
  if (!app.notice) return;
  Rect c = app.content_rect();
  double left = content_left(app);
  double width = std::min(c.right() - left - 32, 520.0);
  Rect card{c.right() - 16 - width, c.bottom() - 16 - 54, width, 54};
  surface::card(ctx.scene, card, 10, Colors::lift);
  surface::edge_outline(ctx.scene, card, 10, Colors::warning.with_alpha(0.6f));
  ctx.text.draw_text_weighted(ctx.scene, "Action needs review", Colors::warning, Transform::translate(card.x + 12, card.y + 9), 0, 12.5,
                              FontWeight::Semibold);
  ctx.scene.push_clip({card.x + 12, card.y + 27, card.width - 24, 20});
  ctx.text.draw_text(ctx.scene, *app.notice, Colors::text, Transform::translate(card.x + 12, card.y + 27), 0, 12);
  ctx.scene.pop_clip();
}

}  // namespace app::views

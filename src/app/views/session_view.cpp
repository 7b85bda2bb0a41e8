// The session screen: header bar, and the status card while the session is not live.
#include <fmt/format.h>

#include "app/views/views.hpp"
#include "platform/ui/surface.hpp"
#include "platform/ui/theme.hpp"

namespace app::views {

using namespace vexa_ui;
using profiles::ConnectionKind;
using SK = vexa::sys::SessionStatus::Kind;

namespace {

struct CardTexts {
  std::string title;
  std::vector<std::string> body;
  Color tone;
};

CardTexts card_texts(const std::optional<vexa::sys::SessionStatus>& status, ConnectionKind kind) {
  if (!status) {
    return {"Not connected", {"This transport is unavailable in this build.", "Your saved connection is unchanged."}, Colors::neutral};
  }
  switch (status->kind) {
    case SK::Connecting:
      if (kind == ConnectionKind::Vexa) {
        return {"Waiting for consent\u2026",
                {"Opening an authenticated route to the exact target, then waiting for it to share a workspace surface\u2026"},
                Colors::progress};
      }
      return {"Connecting\u2026", {"Negotiating the transport and authenticating\u2026"}, Colors::progress};
    case SK::Connected: return {"Connected", {}, Colors::success};
    case SK::Ended: return {"Session ended", {"The remote closed the session."}, Colors::neutral};
    case SK::Unavailable: {
      std::string advice = kind == ConnectionKind::Rdp    ? "Edit this saved profile to use SSH, VNC, or Vexa device control."
                           : kind == ConnectionKind::Vexa ? "No connection was attempted."
                                                          : "Use Vexa device control now, or install Remote with live network and host-key trust access.";
      return {"Connection not available", {status->text, advice}, Colors::neutral};
    }
    case SK::Failed:
      return {"Connection failed", {status->text, "This is the real error \u2014 nothing is simulated."}, Colors::error};
  }
  return {};
}

std::string status_label(const std::optional<vexa::sys::SessionStatus>& status) {
  if (!status) return "Not connected";
  switch (status->kind) {
    case SK::Connecting: return "Connecting";
    case SK::Connected: return "Connected";
    case SK::Ended: return "Session ended";
    case SK::Unavailable: return fmt::format("Not available: {}", status->text);
    case SK::Failed: return fmt::format("Connection failed: {}", status->text);
  }
  return "Not connected";
}

Color status_dot(const std::optional<vexa::sys::SessionStatus>& status) {
  if (!status) return Colors::muted;
  switch (status->kind) {
    case SK::Connecting: return Colors::progress;
    case SK::Connected: return Colors::success;
    case SK::Failed: return Colors::error;
    default: return Colors::muted;
  }
}

bool connected(const RemoteApp& app) {
  auto s = app.sessions.status();
  return s && s->kind == SK::Connected;
}

struct CardButton {
  std::string label;
  ViewCommand command;
};

std::vector<CardButton> leading_buttons(const RemoteApp& app, const profiles::ConnectionProfile& p,
                                        const std::optional<vexa::sys::SessionStatus>& status) {
  if (auto waiting = app.waiting_host_key(p.id)) {
    if (waiting->kind == WaitingHostKey::Kind::NeedsTrust) return {{"Trust key", cmd::AskTrustKey{p.id}}};
    return {{"Forget key", cmd::AskForgetKey{p.id}}};
  }
  if (status && status->kind == SK::Failed) return {{"Retry", cmd::AskConnect{p.id}}};
  if (status && status->kind == SK::Unavailable) return {{"Edit profile", cmd::OpenEditForm{p.id}}};
  return {};
}

void centered(DrawContext& ctx, std::string_view text, double cx, double y, double size, FontWeight weight, Color color,
              double max_width = 0) {
  auto m = ctx.text.layout_metrics(text, size, weight, 0);
  if (max_width > 0 && m.width > max_width) {
    // Long texts (a peer's error) wrap inside the card instead of spilling out.
    ctx.text.draw_text_weighted(ctx.scene, text, color, Transform::translate(cx - max_width / 2, y), max_width, size, weight);
    return;
  }
  ctx.text.draw_text_weighted(ctx.scene, text, color, Transform::translate(cx - m.width / 2, y), 0, size, weight);
}

bool image_kind(ConnectionKind k) { return k == ConnectionKind::Vnc || k == ConnectionKind::Vexa; }

}  // namespace

Rect session_surface(const RemoteApp& app) {
  Rect c = app.content_rect();
  double left = content_left(app);
  if (app.fullscreen) return {left, c.y, c.right() - left, c.height};
  return {left, c.y + 48, c.right() - left, std::max(0.0, c.height - 48)};
}

void draw_status_card(RemoteApp& app, DrawContext& ctx, Rect surface) {
  Scene& s = ctx.scene;
  s.fill_rect(surface, Colors::backdrop);
  const auto* p = app.find_profile(app.session_target.id);
  if (!p) return;
  auto status = app.sessions.status();
  auto t = card_texts(status, p->kind);
  double width = std::min(surface.width - 40, 460.0);
  // Lines are 22 apart; a long line (a peer's error text) wraps and takes the room it needs.
  std::vector<double> advances;
  double body = 0;
  for (const auto& line : t.body) {
    auto m = ctx.text.layout_metrics(line, 13, FontWeight::Regular, width - 32);
    advances.push_back(std::max(22.0, m.height + 6));
    body += advances.back();
  }
  double height = 336 + body;
  double cx = surface.center().x;
  double top = surface.y + std::max((surface.height - height) / 2, 16.0);
  Rect card{cx - width / 2, top, width, height};
  surface::card(s, card, 16, Colors::lift);
  surface::edge_outline(s, card, 16);
  Point badge{cx, top + 34 + 24};
  s.fill_circle(badge, 34, t.tone.with_alpha(0.14f));
  s.stroke_circle(badge, 34, t.tone.with_alpha(0.9f), 1.5);
  auto token = profiles::kind_token(p->kind);
  auto tm = ctx.text.layout_metrics(token, 15, FontWeight::Semibold, 0);
  ctx.text.draw_text_weighted(s, token, Colors::text, Transform::translate(cx - tm.width / 2, badge.y - tm.height / 2), 0, 15, FontWeight::Semibold);
  double y = badge.y + 90 - 24;
  centered(ctx, p->name, cx, y, 20, FontWeight::Bold, Colors::text, width - 32);
  y += 30;
  centered(ctx, fmt::format("{} \u00b7 {}", profiles::kind_label(p->kind), profiles::target_label(*p)), cx, y, 13,
           FontWeight::Regular, Colors::text_muted, width - 32);
  y += 30;
  double pill_w = ctx.text.measure_weighted(t.title, 13, FontWeight::Semibold) + 44;
  Rect pill{cx - pill_w / 2, y, pill_w, 30};
  surface::pill(s, pill, t.tone.with_alpha(0.16f));
  s.fill_circle({pill.x + 16, pill.center().y}, 4, t.tone.with_alpha(0.55f));
  auto pm = ctx.text.layout_metrics(t.title, 13, FontWeight::Semibold, 0);
  ctx.text.draw_text_weighted(s, t.title, Colors::text, Transform::translate(pill.x + 28, pill.center().y - pm.height / 2), 0, 13,
                              FontWeight::Semibold);
  double line_y = pill.y + 46;
  for (std::size_t i = 0; i < t.body.size(); ++i) {
    centered(ctx, t.body[i], cx, line_y, 13, FontWeight::Regular, Colors::text_muted, width - 32);
    line_y += advances[i];
  }
  auto leading = leading_buttons(app, *p, status);
  double bx = leading.empty() ? cx - 66 : cx - 124;
  double by = line_y + 14;
  for (auto& b : leading) {
    button(app, ctx, {bx, by, 104, 38}, b.label, ButtonStyle::Primary, b.command);
    bx += 104 + 12;
  }
  button(app, ctx, {bx, by, 132, 38}, "Back to list", ButtonStyle::Secondary, cmd::CloseSession{});
}

void draw_session_header(RemoteApp& app, DrawContext& ctx, const profiles::ConnectionProfile& p) {
  Scene& s = ctx.scene;
  Rect c = app.content_rect();
  double x = content_left(app);
  Rect bar{x, c.y, c.right() - x, 48};
  chrome::shell::panel_ground(s, bar);
  chrome::shell::chrome_hairline(s, {bar.x, bar.bottom() - 1, bar.width, 1});
  auto status = app.sessions.status();
  s.fill_circle({x + 18, bar.center().y}, 5, status_dot(status));
  auto nm = ctx.text.layout_metrics(p.name, 14, FontWeight::Semibold, 0);
  ctx.text.draw_text_weighted(s, p.name, Colors::text, Transform::translate(x + 32, bar.center().y - nm.height / 2), 0, 14,
                              FontWeight::Semibold);
  std::string_view what = p.kind == ConnectionKind::Ssh ? "shell" : p.kind == ConnectionKind::Vexa ? "workspace stream" : "framebuffer";
  std::string line = fmt::format("\u00b7 {} \u00b7 {}", profiles::target_label(p), what);
  auto lm = ctx.text.layout_metrics(line, 12, FontWeight::Regular, 0);
  ctx.text.draw_text(s, line, Colors::text_muted, Transform::translate(x + 40 + nm.width, bar.center().y - lm.height / 2), 0, 12);
  double right = bar.right() - 12;
  double by = bar.center().y - 16;
  Rect disconnect{right - 110, by, 110, 32};
  button(app, ctx, disconnect, connected(app) ? "Disconnect" : "Back to list", ButtonStyle::Secondary, cmd::CloseSession{});
  if (image_kind(p.kind)) {
    double fw = ctx.text.measure_weighted("Fullscreen", 13, FontWeight::Semibold) + 24;
    Rect full{disconnect.x - 12 - fw, by, fw, 32};
    button(app, ctx, full, "Fullscreen", ButtonStyle::Secondary, cmd::ToggleFullscreen{});
    std::string scale_label = app.scale_fit ? "Scale: Fit" : "Scale: 1:1";
    double sw = ctx.text.measure_weighted(scale_label, 13, FontWeight::Semibold) + 24;
    button(app, ctx, {full.x - 8 - sw, by, sw, 32}, scale_label, ButtonStyle::Secondary, cmd::ToggleScale{});
  }
}

void draw_session_screen(RemoteApp& app, DrawContext& ctx) {
  const auto* p = app.find_profile(app.session_target.id);
  Rect surface = session_surface(app);
  if (!p) {
    ctx.scene.fill_rect(surface, Colors::backdrop);
    ctx.text.draw_text(ctx.scene, "Connection no longer exists.", Colors::text, Transform::translate(surface.x + 24, surface.y + 24), 0, 14);
    return;
  }
  if (!app.fullscreen) draw_session_header(app, ctx, *p);
  if (connected(app) && draw_live_surface(app, ctx, *p, surface)) return;
  draw_status_card(app, ctx, surface);
}

AccessNode session_nodes(const RemoteApp& app) {
  const auto* p = app.find_profile(app.session_target.id);
  auto status = app.sessions.status();
  std::vector<AccessNode> nodes;
  nodes.push_back(AccessNode::with_children(Role::Text, "remote.session.status", status_label(status)));
  if (p) {
    bool image = image_kind(p->kind);
    auto surface = AccessNode::with_children(image ? Role::Image : Role::Terminal, "remote.session.surface",
                                             image ? "Interactive remote desktop" : "Interactive SSH terminal");
    surface.describe("Keyboard and pointer input are sent to the remote machine");
    surface.with_value(live_surface_text(app));
    nodes.push_back(std::move(surface));
    if (image) {
      nodes.push_back(AccessNode::with_children(Role::Toggle, "remote.session.scale", "Scale remote desktop to fit"));
      nodes.back().selected = app.scale_fit;
      nodes.push_back(AccessNode::with_children(Role::Button, "remote.session.fullscreen", app.fullscreen ? "Exit fullscreen" : "Enter fullscreen"));
    }
    if (auto waiting = app.waiting_host_key(p->id)) {
      if (waiting->kind == WaitingHostKey::Kind::NeedsTrust) {
        nodes.push_back(AccessNode::with_children(Role::Button, connection_id(p->id, "trust-key"), "Trust SSH host key"));
      } else {
        nodes.push_back(AccessNode::with_children(Role::Button, connection_id(p->id, "forget-key"), "Forget SSH host key"));
      }
    }
    nodes.push_back(AccessNode::with_children(Role::Button, connection_id(p->id, "connect"), "Retry connection"));
    nodes.push_back(AccessNode::with_children(Role::Button, connection_id(p->id, "edit"), "Edit connection"));
  }
  nodes.push_back(AccessNode::with_children(Role::Button, "remote.session.disconnect", connected(app) ? "Disconnect" : "Back to list"));
  return AccessNode::with_children(Role::Group, "remote.session.heading", "Remote session", std::move(nodes));
}

}  // namespace app::views

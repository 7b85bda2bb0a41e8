// The connection form: protocol, fields per kind, authentication, problems and actions.
#include <fmt/format.h>

#include "app/views/views.hpp"
#include "platform/ui/surface.hpp"
#include "platform/ui/theme.hpp"

namespace app::views {

using namespace vexa_ui;
using profiles::ConnectionKind;

namespace {

constexpr ConnectionKind kOffered[] = {ConnectionKind::Ssh, ConnectionKind::Vnc, ConnectionKind::Vexa};

std::string short_id(const std::string& id) {
  // 12 characters, then an ellipsis when the id is longer.
  std::size_t chars = 0, i = 0;
  while (i < id.size() && chars < 12) {
    unsigned char c = static_cast<unsigned char>(id[i]);
    i += c < 0x80 ? 1 : c >> 5 == 6 ? 2 : c >> 4 == 14 ? 3 : 4;
    ++chars;
  }
  i = std::min(i, id.size());
  return i < id.size() ? id.substr(0, i) + "\u2026" : id;
}

double heading(DrawContext& ctx, std::string_view text, double x, double y) {
  auto m = ctx.text.layout_metrics(text, 12.5, FontWeight::Semibold, 0);
  ctx.text.draw_text_weighted(ctx.scene, text, Colors::text_muted, Transform::translate(x, y), 0, 12.5, FontWeight::Semibold);
  return y + m.height + 6;
}

}  // namespace

Rect form_column(const RemoteApp& app) {
  Rect c = app.content_rect();
  double left = content_left(app);
  double width = std::min(c.right() - left - 48, 560.0);
  return {left + (c.right() - left - width) / 2, c.y + 72, std::max(0.0, width), 0};
}

void draw_form_screen(RemoteApp& app, DrawContext& ctx) {
  Scene& s = ctx.scene;
  const TextRenderer& tr = ctx.text;
  const auto& f = app.form;
  bool editing = app.screen == Screen::FormEdit;
  Rect c = app.content_rect();
  double left = content_left(app);
  tr.draw_text_weighted(s, editing ? "Edit connection" : "New connection", Colors::text,
                        Transform::translate(left + 24, c.y + 18), 0, 22, FontWeight::Bold);
  Rect col = form_column(app);
  double x = col.x, w = col.width;

  // Protocol.
  auto hm = tr.layout_metrics("Protocol", 12.5, FontWeight::Semibold, 0);
  heading(ctx, "Protocol", x, col.y);
  Rect toggle{x, col.y + hm.height + 6, w, 40};
  std::vector<std::string> labels;
  std::optional<std::size_t> chosen, hovered;
  for (std::size_t i = 0; i < std::size(kOffered); ++i) labels.emplace_back(profiles::kind_token(kOffered[i]));
  for (std::size_t i = 0; i < std::size(kOffered); ++i) {
    if (kOffered[i] == f.kind) chosen = i;
  }
  auto segments = ToggleGroup::paint(s, tr, toggle, labels, chosen);
  for (std::size_t i = 0; i < segments.size(); ++i) app.hit_regions.push_back({segments[i], cmd::ChooseKind{kOffered[i]}, std::nullopt});
  (void)hovered;
  double y = col.y + hm.height + 56;

  if (f.kind == ConnectionKind::Rdp) {
    Rect note{x, y, w, 54};
    s.fill_rect(note, Colors::warning.with_alpha(0.12f), 8);
    s.stroke_rect(note, Colors::warning.with_alpha(0.75f), 1, 8);
    tr.draw_text_weighted(s, "Legacy RDP profile", Colors::warning, Transform::translate(x + 12, y + 9), 0, 12, FontWeight::Semibold);
    tr.draw_text(s, "RDP has no client backend here. Select SSH, VNC, or Vexa to migrate this profile.", Colors::text,
                 Transform::translate(x + 12, y + 29), w - 24, 11.5);
    y += 54 + 12;
  }
  if (f.kind == ConnectionKind::Vexa) {
    y = heading(ctx, "Discovered Vexa devices", x, y);
    for (std::size_t i = 0; i < app.nearby_devices.size(); ++i) {
      const auto& d = app.nearby_devices[i];
      Rect row{x, y + 44.0 * static_cast<double>(i), w, 36};
      bool chosen_row = d.endpoint_id == f.host;
      if (chosen_row) {
        s.fill_rect(row, Colors::accent.with_alpha(0.14f), 8);
        surface::edge_on_with(s, row, 8, Colors::accent, 1.5);
      } else if (row.contains(app.pointer)) {
        s.fill_rect(row, Colors::lift_hover, 8);
      } else {
        s.fill_rect(row, Colors::lift, 8);
      }
      s.fill_circle({row.x + 16, row.center().y}, 4, d.online ? Colors::success : Colors::muted);
      auto nm = tr.layout_metrics(d.name, 13, FontWeight::Regular, 0);
      tr.draw_text(s, d.name, Colors::text, Transform::translate(row.x + 30, row.center().y - nm.height / 2), 0, 13);
      auto idm = tr.layout_metrics(short_id(d.endpoint_id), 12, FontWeight::Regular, 0);
      tr.draw_text(s, short_id(d.endpoint_id), Colors::text_muted, Transform::translate(row.right() - 160, row.center().y - idm.height / 2), 0, 12);
      app.hit_regions.push_back({row, cmd::ChooseDevice{i}, std::nullopt});
    }
    y += 44.0 * static_cast<double>(app.nearby_devices.size()) + 8;
  }

  y = heading(ctx, "Name", x, y);
  field_card(app, ctx, kName, {x, y, w, 40});
  y += 40 + 16;
  y = heading(ctx, f.kind == ConnectionKind::Vexa ? "Device node" : "Host", x, y);
  if (f.kind == ConnectionKind::Vexa) {
    field_card(app, ctx, kHost, {x, y, w, 40});
  } else {
    field_card(app, ctx, kHost, {x, y, w - 130, 40});
    field_card(app, ctx, kPort, {x + w - 130 + 12, y, 130 - 12, 40});
  }
  y += 40 + 16;
  if (f.kind == ConnectionKind::Vnc) {
    y = heading(ctx, "Group", x, y);
    field_card(app, ctx, kGroup, {x, y, w, 40});
    y += 40 + 16;
  } else if (f.kind == ConnectionKind::Ssh || f.kind == ConnectionKind::Rdp) {
    y = heading(ctx, "User", x, y);
    double half = (w - 12) / 2;
    field_card(app, ctx, kUser, {x, y, half, 40});
    field_card(app, ctx, kGroup, {x + half + 12, y, half, 40});
    y += 40 + 16;
  }

  double auth_top = heading(ctx, "Authentication", x, y);
  if (f.kind == ConnectionKind::Vexa) {
    Rect note{x, auth_top, w, 40};
    s.fill_rect(note, Colors::accent.with_alpha(0.1f), 8);
    std::string text = "Authenticated by Vexa device identity over the P2P fabric \u2014 no password needed.";
    auto m = tr.layout_metrics(text, 12.5, FontWeight::Regular, w - 24);
    tr.draw_text(s, text, Colors::text, Transform::translate(x + 12, note.center().y - m.height / 2), w - 24, 12.5);
  } else {
    auto allowed = profiles::allowed_auth(f.kind);
    std::vector<std::string> names;
    std::optional<std::size_t> current;
    for (std::size_t i = 0; i < allowed.size(); ++i) {
      names.emplace_back(profiles::auth_label(allowed[i]));
      if (allowed[i] == f.auth) current = i;
    }
    auto segs = ToggleGroup::paint(s, tr, {x, auth_top, w, 40}, names, current);
    for (std::size_t i = 0; i < segs.size(); ++i) app.hit_regions.push_back({segs[i], cmd::ChooseAuth{allowed[i]}, std::nullopt});
  }

  double problems_y = auth_top + 56;
  auto messages = visible_form_messages(app.form, app.form_flags);
  std::string joined;
  for (const auto& m : messages) joined += (joined.empty() ? "" : " \u00b7 ") + m;
  std::string line = joined.empty() ? "Enter a name and target to save this connection." : joined;
  auto lm = tr.layout_metrics(line, 12.5, FontWeight::Regular, w);
  tr.draw_text(s, line, joined.empty() ? Colors::text_muted : Colors::error, Transform::translate(x, problems_y), w, 12.5);

  double by = problems_y + lm.height + 28;
  Rect save{x + w - 120, by, 120, 40};
  button(app, ctx, save, "Save", ButtonStyle::Primary, cmd::SaveForm{});
  button(app, ctx, {save.x - 12 - 98, by, 98, 40}, "Cancel", ButtonStyle::Secondary, cmd::CancelForm{});
  if (editing) button(app, ctx, {x, by, 120, 40}, "Delete", ButtonStyle::Destructive, cmd::AskDelete{app.editing_id});
}

AccessNode form_nodes(const RemoteApp& app) {
  const auto& f = app.form;
  bool editing = app.screen == Screen::FormEdit;
  std::vector<AccessNode> nodes;
  nodes.push_back(AccessNode::with_children(Role::Heading, "remote.form.heading", editing ? "Edit connection" : "New connection"));
  std::vector<AccessNode> kinds;
  for (auto k : kOffered) {
    auto node = AccessNode::with_children(Role::Toggle, fmt::format("remote.kind:{}", profiles::kind_token(k)), std::string(profiles::kind_token(k)));
    node.selected = k == f.kind;
    kinds.push_back(std::move(node));
  }
  nodes.push_back(AccessNode::with_children(Role::Group, "remote.form.protocol", "Protocol", std::move(kinds)));
  if (f.kind == ConnectionKind::Rdp) {
    nodes.push_back(AccessNode::with_children(
        Role::Alert, "remote.form.legacy-rdp",
        "Legacy RDP profile. RDP has no client backend in this build; select SSH, VNC, or Vexa to migrate this profile."));
  }
  if (f.kind == ConnectionKind::Vexa) {
    std::vector<AccessNode> devices;
    for (std::size_t i = 0; i < app.nearby_devices.size(); ++i) {
      const auto& d = app.nearby_devices[i];
      auto node = AccessNode::with_children(Role::Button, fmt::format("remote.device:{}", i),
                                            fmt::format("{}, {}", d.name, d.online ? "online" : "offline"));
      node.selected = d.endpoint_id == f.host;
      devices.push_back(std::move(node));
    }
    nodes.push_back(AccessNode::with_children(Role::Group, "remote.form.devices", "Discovered Vexa devices", std::move(devices)));
    nodes.push_back(AccessNode::with_children(Role::Text, "remote.form.vexa-authentication",
                                              "Authentication: Vexa device identity. No password is stored or requested."));
  }
  static constexpr const char* keys[] = {"search", "name", "host", "port", "user", "group"};
  for (auto field : fields_for_kind(f.kind)) {
    std::string label = field == kName   ? "Connection name"
                        : field == kHost ? (f.kind == ConnectionKind::Vexa ? "Device node" : "Host name or IP address")
                        : field == kPort ? "Port"
                        : field == kUser ? "User name"
                                         : "Group";
    auto node = AccessNode::with_children(Role::TextField, fmt::format("remote.field:{}", keys[field]), label);
    node.with_value(app.inputs[field].text());
    node.focused = app.focused_input == field;
    nodes.push_back(std::move(node));
  }
  if (f.kind != ConnectionKind::Vexa) {
    std::vector<AccessNode> methods;
    for (auto m : profiles::allowed_auth(f.kind)) {
      auto node = AccessNode::with_children(Role::Toggle, fmt::format("remote.auth:{}", profiles::auth_token(m)), std::string(profiles::auth_label(m)));
      node.selected = m == f.auth;
      methods.push_back(std::move(node));
    }
    nodes.push_back(AccessNode::with_children(Role::Group, "remote.form.authentication", "Authentication", std::move(methods)));
  }
  auto messages = visible_form_messages(app.form, app.form_flags);
  std::string problems;
  for (const auto& m : messages) problems += (problems.empty() ? "" : ". ") + m;
  nodes.push_back(AccessNode::with_children(Role::Text, "remote.form.problems", problems));
  std::vector<AccessNode> actions = {AccessNode::with_children(Role::Button, "remote.form.cancel", "Cancel"),
                                     AccessNode::with_children(Role::Button, "remote.form.save", "Save connection")};
  if (editing) actions.push_back(AccessNode::with_children(Role::Button, connection_id(app.editing_id, "delete"), "Delete connection"));
  nodes.push_back(AccessNode::with_children(Role::Group, "remote.form.actions", "Form actions", std::move(actions)));
  return AccessNode::with_children(Role::Group, "remote.form", editing ? "Edit connection" : "New connection", std::move(nodes));
}

}  // namespace app::views

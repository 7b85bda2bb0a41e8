// The list screen: header with counts, search field, and the saved connections.
#include <cmath>
#include <fmt/format.h>
#include <numbers>

#include "app/views/views.hpp"
#include "platform/ui/surface.hpp"
#include "platform/ui/theme.hpp"

namespace app::views {

using namespace vexa_ui;
using profiles::Availability;

namespace {

std::string_view title_for(bool compact) { return compact ? "Remote" : "Remote machines"; }
std::string_view new_label(bool compact) { return compact ? "+ New" : "+ New connection"; }

std::optional<std::string_view> status_chip(Availability a) {
  switch (a) {
    case Availability::Ready: return std::nullopt;
    case Availability::NeedsAccess: return "Needs access";
    case Availability::NotSupported: return "Not supported";
    case Availability::Invalid: return "Fix profile";
  }
  return std::nullopt;
}

Color chip_color(Availability a) {
  return a == Availability::Invalid ? Colors::error : a == Availability::NeedsAccess ? Colors::warning : Colors::neutral;
}

std::vector<Point> star_points(Point center) {
  std::vector<Point> points;
  for (int i = 0; i < 10; ++i) {
    double angle = i * std::numbers::pi / 5 - std::numbers::pi / 2;
    double radius = i % 2 == 0 ? 7 : 2.94;
    points.push_back({center.x + radius * std::cos(angle), center.y + radius * std::sin(angle)});
  }
  return points;
}

double header_bottom(const ListGeometry& g, const TextRenderer& text) {
  auto title = text.layout_metrics(title_for(g.compact), 22, FontWeight::Bold, 0);
  auto counts = text.layout_metrics("0", 13, FontWeight::Regular, 0);
  double block = std::max(64.0, title.height + 4 + counts.height);
  return g.top + 16 + block;
}

void draw_presence(Scene& scene, Point center, profiles::Presence presence) {
  switch (presence) {
    case profiles::Presence::Online:
      scene.fill_circle(center, 9, Colors::success.with_alpha(0.25f));
      scene.fill_circle(center, 5, Colors::success);
      break;
    case profiles::Presence::Offline: scene.fill_circle(center, 5, Colors::error); break;
    case profiles::Presence::Unknown: scene.fill_circle(center, 5, Colors::muted); break;
  }
}

void draw_row(RemoteApp& app, DrawContext& ctx, const ListGeometry& g, const profiles::ConnectionProfile& p, Rect row) {
  Scene& s = ctx.scene;
  const TextRenderer& tr = ctx.text;
  bool hovered = row.contains(app.pointer) && !app.pending_confirmation;
  bool is_selected = app.selected && *app.selected == p.id;
  surface::card(s, row, 12, hovered ? Colors::lift_hover : Colors::lift);
  if (is_selected) surface::edge_on(s, row, 12);
  app.hit_regions.push_back({row, cmd::Select{p.id}, std::nullopt});

  double single_center = row.y + row.height / 2;
  draw_presence(s, {row.x + 22, g.stacked ? row.y + 36 : single_center}, p.presence);

  // Name and favourite star.
  double name_x = row.x + 44;
  double name_w = tr.measure_weighted(p.name, 16, FontWeight::Semibold);
  tr.draw_text_weighted(s, p.name, Colors::text, Transform::translate(name_x, row.y + 13), 0, 16, FontWeight::Semibold);
  Point star{name_x + name_w + 16, row.y + 21};
  PathShape shape{star_points(star), true, p.favorite, 1.2, p.favorite ? Colors::accent : Colors::muted};
  s.add(std::move(shape));
  app.hit_regions.push_back({{star.x - 11, star.y - 11, 22, 22}, cmd::ToggleFavorite{p.id},
                             std::string(p.favorite ? "Remove from favourites" : "Add to favourites")});

  // Kind pill, target, last used.
  double line_y = row.y + 42;
  auto token = profiles::kind_token(p.kind);
  double pill_w = tr.measure_weighted(token, 11, FontWeight::Semibold) + 16;
  Rect pill{name_x, line_y, pill_w, 18};
  surface::pill(s, pill, kind_color(p.kind).with_alpha(0.18f));
  auto tm = tr.layout_metrics(token, 11, FontWeight::Semibold, 0);
  tr.draw_text_weighted(s, token, kind_color(p.kind), Transform::translate(pill.x + 8, pill.y + (18 - tm.height) / 2), 0, 11, FontWeight::Semibold);
  std::string target = profiles::target_label(p);
  double target_x = pill.right() + 12;
  auto target_m = tr.layout_metrics(target, 13, FontWeight::Regular, 0);
  tr.draw_text(s, target, Colors::text_muted, Transform::translate(target_x, pill.y + (18 - target_m.height) / 2), 0, 13);
  if (!g.stacked && !p.last_used.empty()) {
    std::string used = fmt::format("\u00b7 {}", p.last_used);
    auto um = tr.layout_metrics(used, 12, FontWeight::Regular, 0);
    tr.draw_text(s, used, Colors::text_muted, Transform::translate(target_x + target_m.width + 14, pill.y + (18 - um.height) / 2), 0, 12);
  }

  // The slot: Connect for a ready profile, otherwise the status chip; Edit left of it.
  auto availability = profiles::availability_of(p);
  double slot_right = row.right() - (g.stacked ? 12 : 16);
  double buttons_y = g.stacked ? row.bottom() - 12 - 32 : single_center - 16;
  Rect slot;
  if (auto chip = status_chip(availability)) {
    auto cm = tr.layout_metrics(*chip, 11.5, FontWeight::Semibold, 0);
    slot = {slot_right - (cm.width + 20), buttons_y + 4, cm.width + 20, 24};
    Color c = chip_color(availability);
    s.fill_rect(slot, c.with_alpha(0.12f), 8);
    s.stroke_rect(slot, c.with_alpha(0.75f), 1, 8);
    tr.draw_text_weighted(s, *chip, c, Transform::translate(slot.x + 10, slot.y + (24 - cm.height) / 2), 0, 11.5, FontWeight::Semibold);
  } else {
    double w = std::max(tr.measure_weighted("Connect", 13, FontWeight::Semibold) + 28, 90.0);
    slot = {slot_right - w, buttons_y, w, 32};
    button(app, ctx, slot, "Connect", ButtonStyle::Primary, cmd::AskConnect{p.id});
  }
  double edit_w = std::max(tr.measure_weighted("Edit", 13, FontWeight::Semibold) + 28, 76.0);
  Rect edit{slot.x - 12 - edit_w, buttons_y, edit_w, 32};
  button(app, ctx, edit, "Edit", ButtonStyle::Secondary, cmd::OpenEditForm{p.id});

  if (!p.group.empty()) {
    auto gm = tr.layout_metrics(p.group, 12, FontWeight::Regular, 0);
    if (g.stacked) {
      if (name_x + gm.width <= edit.x - 12) {
        tr.draw_text(s, p.group, Colors::text_muted, Transform::translate(name_x, buttons_y + (32 - gm.height) / 2), 0, 12);
      }
    } else {
      tr.draw_text(s, p.group, Colors::text_muted, Transform::translate(edit.x - 16 - gm.width, single_center - gm.height / 2), 0, 12);
    }
  }
}

void draw_empty(RemoteApp& app, DrawContext& ctx, const ListGeometry& g) {
  const TextRenderer& tr = ctx.text;
  double cx = (g.left + g.right) / 2;
  double y = g.viewport.y + 48;
  if (app.profiles.empty()) {
    auto t = tr.layout_metrics("No machines yet", 18, FontWeight::Bold, 0);
    tr.draw_text_weighted(ctx.scene, "No machines yet", Colors::text, Transform::translate(cx - t.width / 2, y), 0, 18, FontWeight::Bold);
    std::string body = "Add one to reach it over SSH, VNC, or the Vexa relay.";
    auto b = tr.layout_metrics(body, 13, FontWeight::Regular, 0);
    tr.draw_text(ctx.scene, body, Colors::text_muted, Transform::translate(cx - b.width / 2, y + t.height + 8), 0, 13);
    double w = tr.measure_weighted("+ New connection", 13, FontWeight::Semibold) + 28;
    button(app, ctx, {cx - w / 2, y + t.height + b.height + 24, w, 36}, "+ New connection", ButtonStyle::Primary, cmd::OpenNewForm{});
  } else {
    std::string text = "No machines match your search.";
    auto m = tr.layout_metrics(text, 14, FontWeight::Regular, 0);
    tr.draw_text(ctx.scene, text, Colors::text_muted, Transform::translate(cx - m.width / 2, y), 0, 14);
  }
}

}  // namespace

ListGeometry list_geometry(const RemoteApp& app, const TextRenderer& text) {
  ListGeometry g;
  Rect c = app.content_rect();
  g.left = content_left(app);
  g.right = c.right();
  g.top = c.y;
  g.compact = g.right - g.left < 520;
  double search_y = header_bottom(g, text) + 8;
  g.search = {g.left + 24, search_y, std::max(0.0, g.right - g.left - 48), 36};
  double list_top = g.search.bottom() + 16;
  g.viewport = {g.left + 24, list_top, g.search.width, std::max(0.0, c.bottom() - 16 - list_top)};
  g.stacked = g.viewport.width < 620 * text.scale_factor();
  g.row_height = g.stacked ? 116 : 72;
  return g;
}

void draw_list_screen(RemoteApp& app, DrawContext& ctx) {
  auto g = list_geometry(app, ctx.text);
  Scene& s = ctx.scene;
  const TextRenderer& tr = ctx.text;
  auto title = title_for(g.compact);
  auto tm = tr.layout_metrics(title, 22, FontWeight::Bold, 0);
  tr.draw_text_weighted(s, title, Colors::text, Transform::translate(g.left + 24, g.top + 16), 0, 22, FontWeight::Bold);
  tr.draw_text(s, counts_line(app), Colors::text_muted, Transform::translate(g.left + 24, g.top + 16 + tm.height + 4), 0, 13);
  auto label = new_label(g.compact);
  double bw = std::max(tr.measure_weighted(label, 13, FontWeight::Semibold) + 28, g.compact ? 88.0 : 150.0);
  button(app, ctx, {g.right - 24 - bw, g.top + 16, bw, 32}, label, ButtonStyle::Primary, cmd::OpenNewForm{});

  field_card(app, ctx, kSearch, g.search);

  auto list = app.visible();
  double pitch = g.pitch();
  app.list_scroll_max = std::max(0.0, static_cast<double>(list.size()) * pitch - 8 - g.viewport.height);
  app.list_scroll = std::clamp(app.list_scroll, 0.0, app.list_scroll_max);
  app.remember_list_metrics(pitch, g.viewport.height);
  if (list.empty()) {
    draw_empty(app, ctx, g);
    return;
  }
  s.push_clip({g.viewport.x - 4, g.viewport.y - 4, g.viewport.width + 8, g.viewport.height + 8});
  std::size_t first = static_cast<std::size_t>(std::max(0.0, std::floor(app.list_scroll / pitch)));
  for (std::size_t i = first; i < list.size(); ++i) {
    double y = g.viewport.y + static_cast<double>(i) * pitch - app.list_scroll;
    if (y >= g.viewport.bottom()) break;
    draw_row(app, ctx, g, *list[i], {g.viewport.x, y, g.viewport.width, g.row_height});
  }
  s.pop_clip();
}

AccessNode list_nodes(const RemoteApp& app) {
  std::vector<AccessNode> children;
  auto search = AccessNode::with_children(Role::TextField, "remote.field:search", "Search saved connections");
  search.describe("Shortcut: slash or Control F").with_value(app.search_query);
  search.focused = app.focused_input == kSearch;
  children.push_back(AccessNode::with_children(Role::Heading, "remote.list.heading", app.content_rect().width - (content_left(app) - app.content_rect().x) < 520 ? "Remote" : "Remote machines"));
  auto visible = app.visible();
  if (app.profiles.empty()) {
    children.push_back(AccessNode::with_children(Role::Text, "remote.list.empty",
                                                 "No machines yet. Add a connection to reach it over SSH, VNC, or the Vexa relay."));
  } else if (visible.empty()) {
    children.push_back(AccessNode::with_children(Role::Text, "remote.list.empty", "No machines match your search."));
  }
  for (const auto* p : visible) {
    auto availability = profiles::availability_of(*p);
    std::string state = availability == Availability::Ready ? "ready to connect"
                                                            : std::string(profiles::availability_text(availability, p->kind));
    auto row = AccessNode::with_children(
        Role::ListItem, connection_id(p->id, "select"),
        fmt::format("{}, {}, {}, {}, last used {}", p->name, profiles::kind_label(p->kind), profiles::target_label(*p), state, p->last_used),
        {AccessNode::with_children(Role::Button, connection_id(p->id, "connect"), "Connect"),
         AccessNode::with_children(Role::Button, connection_id(p->id, "edit"), "Edit connection"),
         AccessNode::with_children(Role::Toggle, connection_id(p->id, "favorite"),
                                   p->favorite ? "Remove from favourites" : "Add to favourites"),
         AccessNode::with_children(Role::Button, connection_id(p->id, "delete"), "Delete connection")});
    row.selected = app.selected && *app.selected == p->id;
    children.push_back(std::move(row));
  }
  auto list = AccessNode::with_children(Role::List, "remote.list", "Saved connections", std::move(children));
  return AccessNode::with_children(Role::Group, "remote.list-screen", "Connections", {search, list});
}

}  // namespace app::views

namespace app {

void RemoteApp::scroll_to_selected() {
  // Uses the last frame's geometry: the list is laid out from the same state every frame.
  if (!selected || last_list_pitch_ <= 0) return;
  auto list = visible();
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i]->id != *selected) continue;
    double top = static_cast<double>(i) * last_list_pitch_;
    double bottom = top + last_list_pitch_ - 8;
    if (top < list_scroll) list_scroll = top;
    if (bottom > list_scroll + last_viewport_height_) list_scroll = bottom - last_viewport_height_;
    list_scroll = std::clamp(list_scroll, 0.0, std::max(0.0, list_scroll_max));
  }
}

}  // namespace app

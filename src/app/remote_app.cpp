#include "app/remote_app.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace app {

using profiles::ConnectionProfile;

RemoteApp::RemoteApp()
    : inputs{vexa_ui::TextInput::with_placeholder("Search machines\u2026  ( / )"),
             vexa_ui::TextInput::with_placeholder("My machine"),
             vexa_ui::TextInput::with_placeholder("hostname or IP"),
             vexa_ui::TextInput::with_placeholder("Port"),
             vexa_ui::TextInput::with_placeholder("username"),
             vexa_ui::TextInput::with_placeholder("group (optional)")} {}

const ConnectionProfile* RemoteApp::find_profile(const Uuid& id) const {
  auto it = std::find_if(profiles.begin(), profiles.end(), [&](const auto& p) { return p.id == id; });
  return it == profiles.end() ? nullptr : &*it;
}

ConnectionProfile* RemoteApp::find_profile(const Uuid& id) {
  return const_cast<ConnectionProfile*>(std::as_const(*this).find_profile(id));
}

std::vector<const ConnectionProfile*> RemoteApp::visible() const {
  return profiles::visible_profiles(profiles, search_query);
}

std::optional<Uuid> RemoteApp::first_visible() const {
  auto list = visible();
  if (list.empty()) return std::nullopt;
  return list.front()->id;
}

void RemoteApp::repair_selection() {
  if (!selected || !find_profile(*selected)) selected = first_visible();
}

void RemoteApp::focus_input(std::optional<std::size_t> index) {
  if (focused_input == index) return;
  // Leaving a form field marks it touched, so its message may show.
  if (focused_input && (screen == Screen::FormNew || screen == Screen::FormEdit)) {
    if (*focused_input == kName) form_flags.name_touched = true;
    if (*focused_input == kHost) form_flags.host_touched = true;
    if (*focused_input == kPort) form_flags.port_touched = true;
  }
  focused_input = index;
  needs_repaint_ = true;
}

void RemoteApp::refill_inputs() {
  const std::string* values[] = {&search_query, &form.name, &form.host, &form.port, &form.user, &form.group};
  for (std::size_t i = 0; i < inputs.size(); ++i) inputs[i].set_text(*values[i]);
  inputs[kHost].set_placeholder(form.kind == ConnectionKind::Vexa ? "certified Vexa endpoint id" : "hostname or IP");
}

void RemoteApp::on_form_text_changed(std::size_t index) {
  auto& input = inputs[index];
  switch (index) {
    case kSearch: set_search(input.text()); return;
    case kName: form.name = input.text(); break;
    case kHost: form.host = input.text(); break;
    case kPort: {
      std::string clean = digits_only(input.text());
      if (clean != input.text()) input.set_text(clean);
      form.port = clean;
      break;
    }
    case kUser: form.user = input.text(); break;
    case kGroup: form.group = input.text(); break;
    default: break;
  }
}

void RemoteApp::set_search(std::string text) {
  search_query = std::move(text);
  if (inputs[kSearch].text() != search_query) inputs[kSearch].set_text(search_query);
  selected = first_visible();
  list_scroll = 0;
  needs_repaint_ = true;
}

bool RemoteApp::narrow() const { return nav_forced != NavForced::None || content_.width < 720; }

bool RemoteApp::nav_open() const {
  if (nav_forced == NavForced::NarrowClosed) return nav_choice.value_or(false);
  if (nav_forced == NavForced::NarrowOpen) return nav_choice.value_or(true);
  return nav_choice.value_or(!narrow());
}

void RemoteApp::layout(vexa_ui::Rect content) {
  bool was_narrow = narrow();
  bool first = content_.width == 0;
  content_ = content;
  // A switch between narrow and wide drops the explicit choice.
  if (!first && was_narrow != narrow()) nav_choice.reset();
  needs_repaint_ = true;
}

void RemoteApp::set_reduced_motion(bool reduced) {
  reduced_motion = reduced;
  if (reduced) flap.set_reveal(nav_open() ? 1.0 : 0.0);
  needs_repaint_ = true;
}

bool RemoteApp::wants_frame() const {
  double target = nav_open() ? 1.0 : 0.0;
  if (!reduced_motion && std::abs(flap.reveal() - target) >= 0.001) return true;
  if (tooltips.unsettled()) return true;
  return sessions.live();
}

void RemoteApp::frame_start() {
  auto now = std::chrono::steady_clock::now();
  double dt = last_frame_ == std::chrono::steady_clock::time_point{}
                  ? 0.0
                  : std::chrono::duration<double>(now - last_frame_).count();
  last_frame_ = now;
  double target = nav_open() ? 1.0 : 0.0;
  if (reduced_motion) {
    if (flap.reveal() != target) {
      flap.set_reveal(target);
      needs_repaint_ = true;
    }
  } else if (flap.step(target, std::min(dt, 0.05))) {
    needs_repaint_ = true;
  }
  if (tooltips.tick()) needs_repaint_ = true;
  frame_start_session();
}

}  // namespace app

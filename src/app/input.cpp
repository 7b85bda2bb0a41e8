// Keyboard and pointer input: shortcuts, list navigation, form typing and hit testing.
#include <cmath>

#include "app/remote_app.hpp"
#include "device/input.hpp"

namespace app {

namespace {
bool is_form(Screen s) { return s == Screen::FormNew || s == Screen::FormEdit; }
}  // namespace

void RemoteApp::handle_event(const vexa_ui::Event& event) {
  if (!std::holds_alternative<vexa_ui::PointerMove>(event) && tooltips.dismiss()) needs_repaint_ = true;
  if (auto* key = std::get_if<vexa_ui::Key>(&event)) {
    handle_key(*key);
    return;
  }
  if (std::holds_alternative<vexa_ui::TextCommit>(event)) {
    if (pending_confirmation || !focused_input) return;
    if (inputs[*focused_input].handle_event(event)) on_form_text_changed(*focused_input);
    needs_repaint_ = true;
    return;
  }
  if (std::holds_alternative<vexa_ui::FocusLost>(event)) {
    // Releases typed or clicked after this go to another window; the device must not keep
    // holding what was down.
    if (auto* d = sessions.device_session()) device::release_held_input(sessions.streams, *d);
    return;
  }
  handle_pointer(event);
}

bool RemoteApp::handle_key(const vexa_ui::Key& key) {
  if (!key.pressed) {
    // Only device streams take releases; a key the device holds is released even under a dialog.
    const auto* d = sessions.device_session();
    bool held = d && device::key_held(*d, key.code);
    if (screen == Screen::Session && (!pending_confirmation || held)) device_key(key);
    return false;
  }
  if (pending_confirmation) {
    if (key.key == "Enter") execute(cmd::Confirm{});
    if (key.key == "Escape") execute(cmd::CancelConfirmation{});
    return true;
  }
  const auto& m = key.modifiers;
  if (m.shortcut() && !m.alt && !m.shift) {
    std::string letter = key.text.empty() ? key.key : key.text;
    if (letter == "n" || letter == "N") return execute(cmd::OpenNewForm{}), true;
    if (letter == "f" || letter == "F") {
      if (screen != Screen::List) execute(cmd::OpenList{});
      execute(cmd::FocusField{kSearch});
      return true;
    }
    if ((letter == "w" || letter == "W") && screen == Screen::Session) return execute(cmd::CloseSession{}), true;
  }
  if (screen == Screen::Session) {
    if (fullscreen && key.key == "Escape") return execute(cmd::ToggleFullscreen{}), true;
    if (session_key(key) || device_key(key)) return true;
  }
  if (key.key == "Escape") {
    if (narrow() && nav_open() && screen != Screen::Session) {
      nav_choice = false;
      needs_repaint_ = true;
      return true;
    }
    if (screen == Screen::List && focused_input == kSearch) {
      set_search("");
      focus_input(std::nullopt);
      return true;
    }
    if (is_form(screen) || (screen == Screen::Session && !sessions.live() && !fullscreen)) {
      execute(cmd::CancelForm{});
      return true;
    }
  }
  if (is_form(screen)) {
    if (key.key == "Tab") {
      auto order = fields_for_kind(form.kind);
      std::size_t next = order.front();
      if (focused_input) {
        auto it = std::find(order.begin(), order.end(), static_cast<Field>(*focused_input));
        if (it != order.end() && ++it != order.end()) next = *it;
      }
      execute(cmd::FocusField{next});
      return true;
    }
    if (key.key == "Enter") return execute(cmd::SaveForm{}), true;
  }
  if (focused_input) {
    if (inputs[*focused_input].handle_event(key)) on_form_text_changed(*focused_input);
    needs_repaint_ = true;
    return true;
  }
  if (screen == Screen::List) {
    if (key.text == "/") return execute(cmd::FocusField{kSearch}), true;
    if (key.key == "ArrowDown") return move_selection(1), true;
    if (key.key == "ArrowUp") return move_selection(-1), true;
    if (key.key == "Enter" && selected) return execute(cmd::AskConnect{*selected}), true;
  }
  return false;
}

void RemoteApp::move_selection(int delta) {
  auto list = visible();
  if (list.empty()) return;
  std::size_t position = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (selected && list[i]->id == *selected) position = i;
  }
  long next = std::clamp<long>(static_cast<long>(position) + delta, 0, static_cast<long>(list.size()) - 1);
  selected = list[static_cast<std::size_t>(next)]->id;
  scroll_to_selected();
  needs_repaint_ = true;
}

void RemoteApp::handle_pointer(const vexa_ui::Event& event) {
  if (auto* move = std::get_if<vexa_ui::PointerMove>(&event)) {
    vexa_ui::Point p{move->position.x / scale, move->position.y / scale};
    if (p != pointer) needs_repaint_ = true;  // hover tints follow the pointer
    pointer = p;
    std::optional<std::string> tip;
    vexa_ui::Rect anchor;
    for (auto it = hit_regions.rbegin(); it != hit_regions.rend(); ++it) {
      if (it->rect.contains(p)) {
        tip = it->tooltip;
        anchor = it->rect;
        break;
      }
    }
    if (tooltips.on_pointer(tip, anchor)) needs_repaint_ = true;
    session_pointer(event);
    return;
  }
  if (auto* wheel = std::get_if<vexa_ui::Wheel>(&event)) {
    if (screen != Screen::List || pending_confirmation) return;
    double delta = wheel->in_lines ? -48 * wheel->dy : -wheel->dy;
    double next = std::clamp(list_scroll + delta, 0.0, list_scroll_max);
    if (std::abs(next - list_scroll) > 2.2e-16) {
      list_scroll = next;
      needs_repaint_ = true;
    }
    return;
  }
  auto* button = std::get_if<vexa_ui::PointerButton>(&event);
  if (!button) return;
  vexa_ui::Point p{button->position.x / scale, button->position.y / scale};
  pointer = p;
  if (screen == Screen::Session && !pending_confirmation && session_pointer(event)) return;
  if (!button->pressed || button->button != 0) return;
  if (!pending_confirmation && narrow() && nav_open() && screen != Screen::Session) {
    vexa_ui::Rect panel{content_.x, content_.y, 64, content_.height};
    vexa_ui::Rect toggle{content_.x + 12, content_.y + 12, 40, 40};
    if (!panel.contains(p) && !toggle.contains(p)) {
      nav_choice = false;
      needs_repaint_ = true;
      return;
    }
  }
  for (auto it = hit_regions.rbegin(); it != hit_regions.rend(); ++it) {
    if (!it->rect.contains(p)) continue;
    bool dialog_command = std::holds_alternative<cmd::Confirm>(it->command) ||
                          std::holds_alternative<cmd::CancelConfirmation>(it->command);
    if (pending_confirmation && !dialog_command) continue;
    // A click elsewhere takes the focus out of the text fields.
    if (!std::holds_alternative<cmd::FocusField>(it->command)) focus_input(std::nullopt);
    execute(it->command);
    return;
  }
  if (!pending_confirmation) focus_input(std::nullopt);
}

}  // namespace app

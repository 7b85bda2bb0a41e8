#include "device/input.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace device {

namespace {

struct KeyCode {
  std::string_view physical;
  std::uint32_t code;
};

// Letters follow the rows of the keyboard, as the Linux codes do.
constexpr std::array<KeyCode, 51> kKeys{{
    {"Digit1", 2},      {"Digit2", 3},       {"Digit3", 4},      {"Digit4", 5},
    {"Digit5", 6},      {"Digit6", 7},       {"Digit7", 8},      {"Digit8", 9},
    {"Digit9", 10},     {"Digit0", 11},      {"KeyQ", 16},       {"KeyW", 17},
    {"KeyE", 18},       {"KeyR", 19},        {"KeyT", 20},       {"KeyY", 21},
    {"KeyU", 22},       {"KeyI", 23},        {"KeyO", 24},       {"KeyP", 25},
    {"KeyA", 30},       {"KeyS", 31},        {"KeyD", 32},       {"KeyF", 33},
    {"KeyG", 34},       {"KeyH", 35},        {"KeyJ", 36},       {"KeyK", 37},
    {"KeyL", 38},       {"KeyZ", 44},        {"KeyX", 45},       {"KeyC", 46},
    {"KeyV", 47},       {"KeyB", 48},        {"KeyN", 49},       {"KeyM", 50},
    {"Escape", 1},      {"Backspace", 14},   {"Tab", 15},        {"Enter", 28},
    {"ControlLeft", 29}, {"ControlRight", 97}, {"ShiftLeft", 42}, {"ShiftRight", 54},
    {"AltLeft", 56},    {"AltRight", 100},   {"Space", 57},      {"ArrowUp", 103},
    {"ArrowLeft", 105}, {"ArrowRight", 106}, {"ArrowDown", 108},
}};

double map_axis(double p, double lo, double hi, std::uint32_t extent) {
  if (extent == 0) return 0;
  double v = (p - lo) / (hi - lo) * extent;
  return std::clamp(v, 0.0, static_cast<double>(extent - 1));
}

std::optional<std::uint32_t> button_code(int button) {
  switch (button) {
    case 0: return ds::kButtonLeft;
    case 1: return ds::kButtonRight;
    case 2: return ds::kButtonMiddle;
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<std::uint32_t> linux_key_code(std::string_view physical) {
  for (const auto& k : kKeys) {
    if (k.physical == physical) return k.code;
  }
  return std::nullopt;
}

std::optional<ds::PointerMove> map_device_point(vexa_ui::Rect drawn, FrameSize size, double px,
                                                double py) {
  if (!(drawn.width > 0) || !(drawn.height > 0)) return std::nullopt;
  if (!(px >= drawn.left() && px < drawn.right() && py >= drawn.top() && py < drawn.bottom())) {
    return std::nullopt;
  }
  return ds::PointerMove{map_axis(px, drawn.left(), drawn.right(), size.width),
                         map_axis(py, drawn.top(), drawn.bottom(), size.height)};
}

std::vector<ds::DeviceInput> button_inputs(int button, bool pressed) {
  auto code = button_code(button);
  if (!code) return {};
  std::vector<ds::DeviceInput> out;
  if (pressed && *code == ds::kButtonLeft) out.emplace_back(ds::PressMarker{1});
  out.emplace_back(ds::PointerButton{pressed, *code});
  return out;
}

std::optional<ds::DeviceInput> key_input(std::string_view physical, bool pressed) {
  auto code = linux_key_code(physical);
  if (!code) return std::nullopt;
  return ds::Key{pressed, *code};
}

std::optional<ds::PointerMove> map_session_point(const DeviceStreamSession& session,
                                                 const std::optional<vexa_ui::Rect>& drawn,
                                                 double px, double py) {
  if (session.status.kind != SessionStatus::Kind::Connected || !session.frame_size || !drawn) {
    return std::nullopt;
  }
  return map_device_point(*drawn, *session.frame_size, px, py);
}

bool send_pointer_move(DeviceStreams& streams, const DeviceStreamSession& session,
                       const std::optional<vexa_ui::Rect>& drawn, double px, double py) {
  auto point = map_session_point(session, drawn, px, py);
  return point && streams.send_input(session, *point);
}

bool send_pointer_button(DeviceStreams& streams, DeviceStreamSession& session,
                         const std::optional<vexa_ui::Rect>& drawn, int button, bool pressed,
                         double px, double py) {
  if (!button_code(button)) return false;
  const auto bit = static_cast<std::uint8_t>(1u << button);
  const bool mapped = map_session_point(session, drawn, px, py).has_value();
  if (!mapped && (pressed || !(session.buttons_down & bit))) return false;
  bool sent = false;
  for (auto& input : button_inputs(button, pressed)) sent = streams.send_input(session, input) || sent;
  if (sent) session.buttons_down = pressed ? (session.buttons_down | bit) : (session.buttons_down & ~bit);
  return sent;
}

bool send_key(DeviceStreams& streams, DeviceStreamSession& session, std::string_view physical,
              bool pressed) {
  auto code = linux_key_code(physical);
  if (!code || !streams.send_input(session, ds::Key{pressed, *code})) return false;
  auto& held = session.keys_down;
  auto at = std::find(held.begin(), held.end(), *code);
  if (pressed && at == held.end()) held.push_back(*code);
  if (!pressed && at != held.end()) held.erase(at);
  return true;
}

bool key_held(const DeviceStreamSession& session, std::string_view physical) {
  auto code = linux_key_code(physical);
  return code && std::find(session.keys_down.begin(), session.keys_down.end(), *code) != session.keys_down.end();
}

bool release_held_input(DeviceStreams& streams, DeviceStreamSession& session) {
  bool sent = false;
  for (std::uint32_t code : session.keys_down) sent = streams.send_input(session, ds::Key{false, code}) || sent;
  session.keys_down.clear();
  for (int button = 0; button < 3; ++button) {
    if (!(session.buttons_down & (1u << button))) continue;
    sent = streams.send_input(session, ds::PointerButton{false, *button_code(button)}) || sent;
  }
  session.buttons_down = 0;
  return sent;
}

}  // namespace device

#include "rfb/input.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "rfb/utf8.hpp"

namespace rfb {

std::array<std::uint8_t, 8> key_event_message(bool down, std::uint32_t keysym) {
  return {4,
          static_cast<std::uint8_t>(down ? 1 : 0),
          0,
          0,
          static_cast<std::uint8_t>(keysym >> 24),
          static_cast<std::uint8_t>(keysym >> 16),
          static_cast<std::uint8_t>(keysym >> 8),
          static_cast<std::uint8_t>(keysym)};
}

std::array<std::uint8_t, 6> pointer_event_message(std::uint8_t mask, std::uint16_t x,
                                                  std::uint16_t y) {
  return {5, mask, static_cast<std::uint8_t>(x >> 8), static_cast<std::uint8_t>(x),
          static_cast<std::uint8_t>(y >> 8), static_cast<std::uint8_t>(y)};
}

std::array<std::uint8_t, 10> update_request_message(bool incremental, std::uint16_t width,
                                                    std::uint16_t height) {
  return {3, static_cast<std::uint8_t>(incremental ? 1 : 0), 0, 0, 0, 0,
          static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width),
          static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height)};
}

std::optional<std::uint32_t> vnc_keysym(std::string_view key, std::string_view text) {
  static constexpr std::pair<std::string_view, std::uint32_t> kNamed[] = {
      {"Enter", 0xff0d},     {"Tab", 0xff09},        {"Space", 0x0020},     {" ", 0x0020},
      {"ArrowDown", 0xff54}, {"ArrowLeft", 0xff51},  {"ArrowRight", 0xff53}, {"ArrowUp", 0xff52},
      {"Backspace", 0xff08}, {"Delete", 0xffff},     {"Escape", 0xff1b},
  };
  for (const auto& [name, keysym] : kNamed) {
    if (key == name) return keysym;
  }
  if (text.empty()) return std::nullopt;
  std::size_t at = 0;
  auto cp = next_code_point(text, at);
  if (!cp) return std::nullopt;
  return static_cast<std::uint32_t>(*cp);
}

std::optional<std::uint8_t> vnc_button_bit(int button) {
  switch (button) {
    case 0: return 0x01;  // button 1, left
    case 1: return 0x04;  // button 3, right
    case 2: return 0x02;  // button 2, middle
    default: return std::nullopt;
  }
}

std::uint8_t vnc_button_mask(std::uint8_t mask, int button, bool pressed) {
  auto bit = vnc_button_bit(button);
  if (!bit) return mask;
  return static_cast<std::uint8_t>(pressed ? (mask | *bit) : (mask & ~*bit));
}

namespace {

std::optional<std::uint16_t> map_axis(double p, double lo, double hi, std::uint16_t size) {
  if (!(p >= lo && p < hi) || !(hi - lo > 0) || size == 0) return std::nullopt;
  double v = (p - lo) / (hi - lo) * size;
  v = std::clamp(v, 0.0, static_cast<double>(size - 1));
  return static_cast<std::uint16_t>(std::min(std::trunc(v), 65535.0));
}

}  // namespace

std::optional<FramePoint> map_image_point(const ImageRect& drawn, std::uint16_t width,
                                          std::uint16_t height, double px, double py) {
  auto x = map_axis(px, drawn.x0, drawn.x1, width);
  auto y = map_axis(py, drawn.y0, drawn.y1, height);
  if (!x || !y) return std::nullopt;
  return FramePoint{*x, *y};
}

}  // namespace rfb

#pragma once
// The demonstration device's picture: a moving gradient, the pointer as a cross (filled square
// while a button is down) and the last key code in large digits (green while held).
#include <cstdint>
#include <vector>

namespace vexa_ui {

struct DemoInputState {
  double pointer_x = -1;  // device pixels; negative until the first move
  double pointer_y = -1;
  std::uint32_t buttons_down = 0;
  std::uint32_t last_key = 0;  // 0 until the first key
  bool key_down = false;
};

// Fills `rgba` (width × height × 4 bytes) with frame number `frame`.
void draw_demo_picture(std::vector<std::uint8_t>& rgba, std::uint32_t width, std::uint32_t height,
                       std::uint64_t frame, const DemoInputState& input);

}  // namespace vexa_ui

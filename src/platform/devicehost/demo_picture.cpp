#include "platform/devicehost/demo_picture.hpp"

#include <algorithm>
#include <array>
#include <string>

namespace vexa_ui {

namespace {

struct Canvas {
  std::vector<std::uint8_t>& rgba;
  std::uint32_t width;
  std::uint32_t height;

  void fill(std::int64_t x0, std::int64_t y0, std::int64_t w, std::int64_t h, std::uint32_t rgb) {
    const auto xa = static_cast<std::uint32_t>(std::clamp<std::int64_t>(x0, 0, width));
    const auto xb = static_cast<std::uint32_t>(std::clamp<std::int64_t>(x0 + w, 0, width));
    const auto ya = static_cast<std::uint32_t>(std::clamp<std::int64_t>(y0, 0, height));
    const auto yb = static_cast<std::uint32_t>(std::clamp<std::int64_t>(y0 + h, 0, height));
    for (std::uint32_t y = ya; y < yb; ++y) {
      std::uint8_t* p = rgba.data() + (std::size_t{y} * width + xa) * 4;
      for (std::uint32_t x = xa; x < xb; ++x, p += 4) {
        p[0] = rgb >> 16, p[1] = (rgb >> 8) & 0xFF, p[2] = rgb & 0xFF, p[3] = 255;
      }
    }
  }
};

// 3 × 5 digit glyphs, one row per 3 bits, top row first.
constexpr std::array<std::array<std::uint8_t, 5>, 10> kDigits{{
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
}};

void draw_number(Canvas& c, std::uint32_t value, std::int64_t x, std::int64_t y, int cell, std::uint32_t rgb) {
  for (char ch : std::to_string(value)) {
    const auto& glyph = kDigits[static_cast<std::size_t>(ch - '0')];
    for (int row = 0; row < 5; ++row) {
      for (int col = 0; col < 3; ++col) {
        if (glyph[row] & (4 >> col)) c.fill(x + col * cell, y + row * cell, cell, cell, rgb);
      }
    }
    x += 4 * cell;
  }
}

void draw_background(Canvas& c, std::uint64_t frame) {
  const auto shift = static_cast<std::uint32_t>(frame * 4);
  for (std::uint32_t y = 0; y < c.height; ++y) {
    std::uint8_t* p = c.rgba.data() + std::size_t{y} * c.width * 4;
    const auto g = static_cast<std::uint8_t>(40 + y * 120 / std::max<std::uint32_t>(c.height, 1));
    for (std::uint32_t x = 0; x < c.width; ++x, p += 4) {
      p[0] = static_cast<std::uint8_t>(((x + shift) & 0xFF) / 2 + 20);
      p[1] = g;
      p[2] = 140;
      p[3] = 255;
    }
  }
  // A bar sweeping across, so motion is obvious even without input.
  const std::uint32_t bar = static_cast<std::uint32_t>((frame * 8) % std::max<std::uint32_t>(c.width, 1));
  c.fill(bar, 0, 16, c.height, 0xF0F0F0);
}

void draw_pointer(Canvas& c, const DemoInputState& in) {
  if (in.pointer_x < 0 || in.pointer_y < 0) return;
  const auto x = static_cast<std::int64_t>(in.pointer_x);
  const auto y = static_cast<std::int64_t>(in.pointer_y);
  const std::uint32_t colour = in.buttons_down ? 0xFF3030 : 0xFFE000;
  c.fill(x - 20, y - 1, 41, 3, colour);
  c.fill(x - 1, y - 20, 3, 41, colour);
  if (in.buttons_down) c.fill(x - 6, y - 6, 13, 13, colour);
}

}  // namespace

void draw_demo_picture(std::vector<std::uint8_t>& rgba, std::uint32_t width, std::uint32_t height,
                       std::uint64_t frame, const DemoInputState& input) {
  rgba.resize(std::size_t{width} * height * 4);
  Canvas canvas{rgba, width, height};
  draw_background(canvas, frame);
  if (input.last_key != 0) {
    draw_number(canvas, input.last_key, 24, 24, 12, input.key_down ? 0x30FF60 : 0xFFFFFF);
  }
  draw_pointer(canvas, input);
}

}  // namespace vexa_ui

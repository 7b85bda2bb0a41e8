#pragma once
// Plain geometry and colour values shared by the scene, the widgets and the application.
#include <algorithm>
#include <cstdint>

namespace vexa_ui {

struct Point {
  double x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  double x = 0, y = 0, width = 0, height = 0;

  double left() const { return x; }
  double top() const { return y; }
  double right() const { return x + width; }
  double bottom() const { return y + height; }
  Point center() const { return {x + width / 2, y + height / 2}; }
  bool contains(Point p) const { return p.x >= x && p.x < x + width && p.y >= y && p.y < y + height; }
  Rect inset(double dx, double dy) const { return {x + dx, y + dy, width - 2 * dx, height - 2 * dy}; }
  bool operator==(const Rect&) const = default;
};

struct Color {
  float r = 0, g = 0, b = 0, a = 1;

  static constexpr Color rgb(std::uint32_t hex, float alpha = 1) {
    return {((hex >> 16) & 0xFF) / 255.0f, ((hex >> 8) & 0xFF) / 255.0f, (hex & 0xFF) / 255.0f, alpha};
  }
  constexpr Color with_alpha(float alpha) const { return {r, g, b, alpha}; }
  bool operator==(const Color&) const = default;
};

// Scale, then translation.
struct Transform {
  double scale = 1, dx = 0, dy = 0;
  static Transform translate(double x, double y) { return {1, x, y}; }
  Point apply(Point p) const { return {p.x * scale + dx, p.y * scale + dy}; }
};

}  // namespace vexa_ui

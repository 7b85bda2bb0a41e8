#pragma once
// A recorded frame: a display list of shapes, text runs, images and clip/opacity layers, in
// logical pixels. Views record into it; the Cairo rasterizer turns it into pixels; tests read it.
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/ui/geometry.hpp"

namespace vexa_ui {

enum class FontWeight : std::uint8_t { Regular, Semibold, Bold };
enum class FontFamily : std::uint8_t { Ui, Mono };

// Immutable RGBA pixels (8 bits per channel, rows top to bottom, no padding), shared so that a
// new frame wraps an image instead of copying it.
struct ImagePixels {
  int width = 0;
  int height = 0;
  std::uint64_t generation = 0;
  // width × height × 4 bytes; may alias a larger owner (a published frame) without copying.
  std::shared_ptr<const std::uint8_t> rgba;
};

struct FillRect {
  Rect rect;
  double radius = 0;
  Color color;
};
struct StrokeRect {
  Rect rect;
  double radius = 0;
  double width = 1;
  Color color;
};
struct FillCircle {
  Point center;
  double radius = 0;
  Color color;
};
struct StrokeCircle {
  Point center;
  double radius = 0;
  double width = 1;
  Color color;
};
struct PathShape {
  std::vector<Point> points;
  bool closed = true;
  bool fill = true;
  double stroke_width = 1;
  Color color;
};
struct TextRun {
  std::string text;
  Point origin;  // top-left of the laid-out text
  double size = 13;
  FontWeight weight = FontWeight::Regular;
  FontFamily family = FontFamily::Ui;
  double wrap_width = 0;  // 0: no wrapping
  Color color;
};
struct ImageDraw {
  ImagePixels image;
  Rect dest;
};
struct PushClip {
  Rect rect;
};
struct PopClip {};
struct PushOpacity {
  double opacity = 1;
};
struct PopOpacity {};

using SceneItem = std::variant<FillRect, StrokeRect, FillCircle, StrokeCircle, PathShape, TextRun,
                               ImageDraw, PushClip, PopClip, PushOpacity, PopOpacity>;

class Scene {
 public:
  void clear() { items_.clear(); }
  void reserve(std::size_t n) { items_.reserve(n); }
  template <typename T>
  void add(T item) {
    items_.emplace_back(std::move(item));
  }
  const std::vector<SceneItem>& items() const { return items_; }

  void fill_rect(Rect r, Color c, double radius = 0) { add(FillRect{r, radius, c}); }
  void stroke_rect(Rect r, Color c, double width = 1, double radius = 0) {
    add(StrokeRect{r, radius, width, c});
  }
  void fill_circle(Point center, double radius, Color c) { add(FillCircle{center, radius, c}); }
  void stroke_circle(Point center, double radius, Color c, double width = 1) {
    add(StrokeCircle{center, radius, width, c});
  }
  void push_clip(Rect r) { add(PushClip{r}); }
  void pop_clip() { add(PopClip{}); }
  void push_opacity(double o) { add(PushOpacity{o}); }
  void pop_opacity() { add(PopOpacity{}); }
  void image(const ImagePixels& img, Rect dest) { add(ImageDraw{img, dest}); }

  // Text runs in recording order, for tests and checks.
  std::vector<const TextRun*> texts() const;
  bool has_text(std::string_view text) const;

 private:
  std::vector<SceneItem> items_;
};

}  // namespace vexa_ui

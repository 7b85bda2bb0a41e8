#pragma once
// Text measurement and drawing over Pango. Drawing records a TextRun into the scene; the
// rasterizer lays it out the same way, so measured and drawn widths agree.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/ui/geometry.hpp"
#include "platform/ui/scene.hpp"

namespace vexa_ui {

struct TextMetrics {
  double width = 0;   // advance width in logical pixels
  double height = 0;  // height of the laid-out block
};

class TextRenderer {
 public:
  TextRenderer();
  ~TextRenderer();
  TextRenderer(const TextRenderer&) = delete;
  TextRenderer& operator=(const TextRenderer&) = delete;

  // The HiDPI factor of the window; layouts are in logical pixels whatever its value.
  double scale_factor() const { return scale_factor_; }
  void set_scale_factor(double s) { scale_factor_ = s; }

  void draw_text(Scene& scene, std::string_view text, Color color, Transform at, double wrap_width,
                 double size) const;
  void draw_text_weighted(Scene& scene, std::string_view text, Color color, Transform at,
                          double wrap_width, double size, FontWeight weight) const;
  void draw_mono(Scene& scene, std::string_view text, Color color, Point at, double size,
                 FontWeight weight) const;

  double measure(std::string_view text, double size) const;
  double measure_weighted(std::string_view text, double size, FontWeight weight) const;
  TextMetrics layout_metrics(std::string_view text, double size, FontWeight weight,
                             double wrap_width, FontFamily family = FontFamily::Ui) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  double scale_factor_ = 1;
};

}  // namespace vexa_ui

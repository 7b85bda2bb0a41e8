#pragma once
// The image part of a frame's raster, measured apart: the rasterizer's conversion of the RGBA
// image into Cairo's layout and Cairo's scaled paint of it, as the rasterizer does them and
// with the candidates that could replace them.
#include <cairo.h>

#include <cstdint>
#include <vector>

#include "bench/session/raster_anatomy.hpp"

namespace session_bench {

struct Costs {
  double now = 0;   // as the rasterizer does it now, ms
  double kept = 0;  // with the object kept from frame to frame, ms
};

// The conversion into a fresh, zeroed buffer per frame (as now) and into a kept buffer.
Costs image_convert_costs(const vexa_ui::ImagePixels& image);

// Cairo's paint of the converted image into its rectangle alone, set up as the rasterizer does
// it, with a given filter and source format (the converted pixels are opaque, so they are valid
// ARGB32 as well as RGB24).
class ImagePaint {
 public:
  ImagePaint(const vexa_ui::ImageDraw& draw, RasterTarget target);

  double median_ms(cairo_filter_t filter, cairo_format_t format);
  // The largest difference of any channel of any pixel between the two source formats.
  int max_format_difference(cairo_filter_t filter);

 private:
  struct Surfaces {
    cairo_surface_t* source;
    cairo_surface_t* target;
    Surfaces(ImagePaint& paint, cairo_format_t format);
    ~Surfaces();
  };
  void paint(Surfaces& s, cairo_filter_t filter);

  const vexa_ui::ImageDraw& draw_;
  RasterTarget target_;
  std::vector<std::uint8_t> bgra_;
};

}  // namespace session_bench

#include "bench/session/image_paint.hpp"

#include <algorithm>
#include <cstdlib>

#include "bench/session/cpu_clock.hpp"
#include "platform/sys/pixels.hpp"

namespace session_bench {

namespace {

int stride(int width) { return cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width); }

std::size_t image_bytes(const vexa_ui::ImagePixels& img) { return static_cast<std::size_t>(stride(img.width)) * img.height; }

// The rasterizer's conversion of an RGBA image into Cairo's layout, into `bgra`.
void swizzle(const vexa_ui::ImagePixels& img, std::vector<std::uint8_t>& bgra) {
  const std::uint8_t* src = img.rgba.get();
  const auto width = static_cast<std::size_t>(img.width);
  for (int y = 0; y < img.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(bgra.data() + static_cast<std::size_t>(y) * stride(img.width));
    vexa::sys::swap_red_blue_opaque(src + static_cast<std::size_t>(y) * width * 4, row, width);
  }
}

}  // namespace

Costs image_convert_costs(const vexa_ui::ImagePixels& image) {
  Costs costs;
  costs.now = median_ms([&] {
    std::vector<std::uint8_t> bgra(image_bytes(image));
    swizzle(image, bgra);
    asm volatile("" : : "r"(bgra.data()) : "memory");
  });
  std::vector<std::uint8_t> kept(image_bytes(image));
  costs.kept = median_ms([&] {
    swizzle(image, kept);
    asm volatile("" : : "r"(kept.data()) : "memory");
  });
  return costs;
}

ImagePaint::ImagePaint(const vexa_ui::ImageDraw& draw, RasterTarget target)
    : draw_(draw), target_(target), bgra_(image_bytes(draw.image)) {
  swizzle(draw.image, bgra_);
}

ImagePaint::Surfaces::Surfaces(ImagePaint& p, cairo_format_t format)
    : source(cairo_image_surface_create_for_data(p.bgra_.data(), format, p.draw_.image.width, p.draw_.image.height,
                                                 stride(p.draw_.image.width))),
      target(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.target_.width, p.target_.height)) {}

ImagePaint::Surfaces::~Surfaces() {
  cairo_surface_destroy(target);
  cairo_surface_destroy(source);
}

void ImagePaint::paint(Surfaces& s, cairo_filter_t filter) {
  const auto& d = draw_.dest;
  cairo_t* cr = cairo_create(s.target);
  cairo_scale(cr, target_.scale, target_.scale);
  cairo_rectangle(cr, d.x, d.y, d.width, d.height);
  cairo_clip(cr);
  cairo_translate(cr, d.x, d.y);
  cairo_scale(cr, d.width / draw_.image.width, d.height / draw_.image.height);
  cairo_set_source_surface(cr, s.source, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), filter);
  cairo_paint(cr);
  cairo_destroy(cr);
}

double ImagePaint::median_ms(cairo_filter_t filter, cairo_format_t format) {
  Surfaces s(*this, format);
  return session_bench::median_ms([&] { paint(s, filter); });
}

int ImagePaint::max_format_difference(cairo_filter_t filter) {
  Surfaces rgb(*this, CAIRO_FORMAT_RGB24), argb(*this, CAIRO_FORMAT_ARGB32);
  paint(rgb, filter);
  paint(argb, filter);
  cairo_surface_flush(rgb.target);
  cairo_surface_flush(argb.target);
  const auto* a = cairo_image_surface_get_data(rgb.target);
  const auto* b = cairo_image_surface_get_data(argb.target);
  auto bytes = static_cast<std::size_t>(cairo_image_surface_get_stride(rgb.target)) * target_.height;
  int worst = 0;
  for (std::size_t i = 0; i < bytes; ++i) worst = std::max(worst, std::abs(int{a[i]} - int{b[i]}));
  return worst;
}

}  // namespace session_bench

#include "platform/ui/raster.hpp"

#include <cairo.h>

#include <png.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/sys/pixels.hpp"
#include "platform/ui/pango_layout.hpp"

namespace vexa_ui {

namespace {

void set_color(cairo_t* cr, Color c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void rounded_rect(cairo_t* cr, Rect r, double radius) {
  radius = std::min({radius, r.width / 2, r.height / 2});
  if (radius <= 0) {
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    return;
  }
  cairo_new_sub_path(cr);
  cairo_arc(cr, r.right() - radius, r.y + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, r.right() - radius, r.bottom() - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, r.x + radius, r.bottom() - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, r.x + radius, r.y + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

struct Painter {
  cairo_t* cr;
  PangoLayout* layout;
  ConvertedImage& cache;
  bool drew_image = false;

  void operator()(const FillRect& f) {
    set_color(cr, f.color);
    rounded_rect(cr, f.rect, f.radius);
    cairo_fill(cr);
  }
  void operator()(const StrokeRect& s) {
    set_color(cr, s.color);
    cairo_set_line_width(cr, s.width);
    rounded_rect(cr, s.rect.inset(s.width / 2, s.width / 2), s.radius);
    cairo_stroke(cr);
  }
  void operator()(const FillCircle& c) {
    set_color(cr, c.color);
    cairo_arc(cr, c.center.x, c.center.y, c.radius, 0, 2 * M_PI);
    cairo_fill(cr);
  }
  void operator()(const StrokeCircle& c) {
    set_color(cr, c.color);
    cairo_set_line_width(cr, c.width);
    cairo_arc(cr, c.center.x, c.center.y, c.radius, 0, 2 * M_PI);
    cairo_stroke(cr);
  }
  void operator()(const PathShape& p) {
    if (p.points.empty()) return;
    cairo_new_path(cr);
    cairo_move_to(cr, p.points[0].x, p.points[0].y);
    for (std::size_t i = 1; i < p.points.size(); ++i) cairo_line_to(cr, p.points[i].x, p.points[i].y);
    if (p.closed) cairo_close_path(cr);
    set_color(cr, p.color);
    if (p.fill) {
      cairo_fill(cr);
    } else {
      cairo_set_line_width(cr, p.stroke_width);
      cairo_stroke(cr);
    }
  }
  void operator()(const TextRun& t) {
    detail::configure_layout(layout, t.text, t.size, t.weight, t.family, t.wrap_width);
    set_color(cr, t.color);
    cairo_move_to(cr, t.origin.x, t.origin.y);
    pango_cairo_show_layout(cr, layout);
  }
  void operator()(const ImageDraw& d) {
    const auto& img = d.image;
    if (!img.rgba || img.width <= 0 || img.height <= 0 || d.dest.width <= 0 || d.dest.height <= 0) return;
    const ConvertedImage& converted = convert(img);
    // The converted pixels are opaque, so they are valid premultiplied ARGB32; Cairo scales
    // ARGB32 sources several times faster than RGB24 ones, with the same result.
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        const_cast<std::uint8_t*>(converted.bgra.data()), CAIRO_FORMAT_ARGB32, img.width,
        img.height, converted.stride);
    cairo_save(cr);
    cairo_rectangle(cr, d.dest.x, d.dest.y, d.dest.width, d.dest.height);
    cairo_clip(cr);
    cairo_translate(cr, d.dest.x, d.dest.y);
    cairo_scale(cr, d.dest.width / img.width, d.dest.height / img.height);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(surface);
    drew_image = true;
  }
  // Cairo wants premultiplied BGRA; the frame is opaque RGBA, so a swizzle with full alpha
  // suffices.
  const ConvertedImage& convert(const ImagePixels& img) {
    ConvertedImage& c = cache;
    if (img.generation != 0 && c.source == img.rgba && c.generation == img.generation &&
        c.width == img.width && c.height == img.height) {
      return c;
    }
    c.width = img.width;
    c.height = img.height;
    c.stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, img.width);
    c.bgra.resize(static_cast<std::size_t>(c.stride) * img.height);
    const std::uint8_t* src = img.rgba.get();
    const auto width = static_cast<std::size_t>(img.width);
    for (int y = 0; y < img.height; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(c.bgra.data() + static_cast<std::size_t>(y) * c.stride);
      vexa::sys::swap_red_blue_opaque(src + static_cast<std::size_t>(y) * width * 4, row, width);
    }
    c.source = img.generation != 0 ? img.rgba : nullptr;
    c.generation = img.generation;
    return c;
  }
  void operator()(const PushClip& c) {
    cairo_save(cr);
    cairo_rectangle(cr, c.rect.x, c.rect.y, c.rect.width, c.rect.height);
    cairo_clip(cr);
  }
  void operator()(const PopClip&) { cairo_restore(cr); }
  void operator()(const PushOpacity&) { cairo_push_group(cr); }
  void operator()(const PopOpacity&) {}
};

}  // namespace

void rasterize(const Scene& scene, Raster& target, int width, int height, double scale,
               Color background) {
  target.width = width;
  target.height = height;
  target.stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  // No clearing first: the background replaces every pixel.
  target.pixels.resize(static_cast<std::size_t>(target.stride) * height);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      target.pixels.data(), CAIRO_FORMAT_ARGB32, width, height, target.stride);
  cairo_t* cr = cairo_create(surface);
  set_color(cr, background);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_scale(cr, scale, scale);
  PangoLayout* layout = detail::create_drawing_layout(cr);
  Painter painter{cr, layout, target.image};
  std::vector<double> opacities;
  for (const auto& item : scene.items()) {
    if (auto* push = std::get_if<PushOpacity>(&item)) opacities.push_back(push->opacity);
    if (std::holds_alternative<PopOpacity>(item)) {
      if (opacities.empty()) continue;
      cairo_pop_group_to_source(cr);
      cairo_paint_with_alpha(cr, opacities.back());
      opacities.pop_back();
      continue;
    }
    std::visit(painter, item);
  }
  // A scene without an image lets go of the last one (a session's frame outlives it otherwise).
  if (!painter.drew_image) target.image = ConvertedImage{};
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}

// Frames are opaque and mostly long runs of one colour: unfiltered rows at zlib level 1 encode
// several times faster than libpng's defaults and come out no larger.
std::expected<void, std::string> write_png(const Raster& raster, const std::string& path) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return std::unexpected("cannot write " + path + ": " + std::strerror(errno));
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png))) ok = false;
  if (ok) {
    png_init_io(png, out);
    png_set_IHDR(png, info, static_cast<png_uint_32>(raster.width), static_cast<png_uint_32>(raster.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    png_set_bgr(png);                          // Cairo ARGB32 is B, G, R, A in memory (little-endian)
    png_set_filler(png, 0, PNG_FILLER_AFTER);  // drop the opaque alpha byte
    for (int y = 0; y < raster.height; ++y) {
      png_write_row(png, const_cast<png_bytep>(raster.pixels.data() + static_cast<std::size_t>(y) * raster.stride));
    }
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  if (std::fclose(out) != 0 || !ok) return std::unexpected("cannot write " + path);
  return {};
}

}  // namespace vexa_ui

#include "bench/session/raster_anatomy.hpp"

#include <cairo.h>
#include <fmt/format.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "bench/session/cpu_clock.hpp"
#include "bench/session/image_paint.hpp"
#include "bench/session/report.hpp"
#include "platform/ui/pango_layout.hpp"
#include "platform/ui/raster.hpp"
#include "platform/ui/theme.hpp"

namespace session_bench {

namespace {

template <typename T>
bool is(const vexa_ui::SceneItem& item) {
  return std::holds_alternative<T>(item);
}

bool is_layer(const vexa_ui::SceneItem& item) {
  return is<vexa_ui::PushClip>(item) || is<vexa_ui::PopClip>(item) || is<vexa_ui::PushOpacity>(item) ||
         is<vexa_ui::PopOpacity>(item);
}

// The scene's clips and opacity layers with only the drawing items `keep` picks.
template <typename Keep>
vexa_ui::Scene only(const vexa_ui::Scene& scene, Keep keep) {
  vexa_ui::Scene out;
  for (const auto& item : scene.items()) {
    if (is_layer(item) || keep(item)) std::visit([&](const auto& x) { out.add(x); }, item);
  }
  return out;
}

// Laying out every text run of the scene without painting any glyph: the shaping part of the
// text cost. With `kept` null a fresh layout is made, as the rasterizer does for each frame;
// otherwise `kept` is moved onto this frame's context and reused.
void layout_texts(const vexa_ui::Scene& scene, RasterTarget t, PangoLayout* kept) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, t.scale, t.scale);
  PangoLayout* layout = kept;
  if (layout) {
    pango_cairo_update_layout(cr, layout);
  } else {
    layout = vexa_ui::detail::create_drawing_layout(cr);
  }
  for (const auto& item : scene.items()) {
    if (const auto* run = std::get_if<vexa_ui::TextRun>(&item)) {
      vexa_ui::detail::configure_layout(layout, run->text, run->size, run->weight, run->family, run->wrap_width);
      PangoRectangle ink{}, logical{};
      pango_layout_get_pixel_extents(layout, &ink, &logical);
    }
  }
  if (!kept) g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

Costs text_layout_costs(const vexa_ui::Scene& scene, RasterTarget t) {
  Costs costs;
  costs.now = median_ms([&] { layout_texts(scene, t, nullptr); });
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(scratch);
  PangoLayout* kept = vexa_ui::detail::create_drawing_layout(cr);
  costs.kept = median_ms([&] { layout_texts(scene, t, kept); });
  g_object_unref(kept);
  cairo_destroy(cr);
  cairo_surface_destroy(scratch);
  return costs;
}

// The target's zero fill before Cairo paints the background over every pixel.
double zero_fill_ms(RasterTarget t) {
  auto bytes = static_cast<std::size_t>(cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, t.width)) * t.height;
  std::vector<std::uint8_t> target(bytes);
  return median_ms([&] { target.assign(bytes, 0); });
}

const vexa_ui::ImageDraw* last_image(const vexa_ui::Scene& scene) {
  const vexa_ui::ImageDraw* image = nullptr;
  for (const auto& item : scene.items()) {
    if (const auto* draw = std::get_if<vexa_ui::ImageDraw>(&item)) image = draw;
  }
  return image && image->image.rgba ? image : nullptr;
}

// The image's two pieces: its conversion and its scaled paint, with their candidates.
void report_image(std::string_view prefix, const vexa_ui::ImageDraw& draw, RasterTarget t,
                  const std::function<void(std::string_view, double)>& part) {
  const Costs convert = image_convert_costs(draw.image);
  part("image_convert", convert.now);
  bench(fmt::format("{}_raster_image_convert_kept_buffer", prefix), convert.kept, "ms", convert.now, "image_convert");
  // The scaled paint as the rasterizer does it (GOOD filter, RGB24 source); the same filter on
  // the same bytes declared ARGB32; and the nearest-pixel filter.
  ImagePaint paint(draw, t);
  const double good = paint.median_ms(CAIRO_FILTER_GOOD, CAIRO_FORMAT_RGB24);
  part("image_paint", good);
  bench(fmt::format("{}_raster_image_paint_argb32_source", prefix), paint.median_ms(CAIRO_FILTER_GOOD, CAIRO_FORMAT_ARGB32),
        "ms", good, "image_paint");
  bench(fmt::format("{}_raster_image_paint_argb32_source_max_difference", prefix),
        paint.max_format_difference(CAIRO_FILTER_GOOD), "levels");
  bench(fmt::format("{}_raster_image_paint_nearest", prefix), paint.median_ms(CAIRO_FILTER_FAST, CAIRO_FORMAT_RGB24), "ms",
        good, "image_paint");
}

}  // namespace

void report_raster_anatomy(std::string_view prefix, const vexa_ui::Scene& scene, RasterTarget t) {
  vexa_ui::Raster raster;
  auto raster_ms = [&](const vexa_ui::Scene& s) {
    return median_ms([&] { vexa_ui::rasterize(s, raster, t.width, t.height, t.scale, vexa_ui::Colors::background); });
  };
  // Each kind of item is measured alone on top of the floor: differences of whole-scene times
  // drown small parts in the image's variance.
  const double full = raster_ms(scene);
  const double floor = raster_ms(vexa_ui::Scene{});
  const double text = raster_ms(only(scene, is<vexa_ui::TextRun>)) - floor;
  const double shapes =
      raster_ms(only(scene, [](const auto& i) { return !is<vexa_ui::TextRun>(i) && !is<vexa_ui::ImageDraw>(i); })) - floor;
  const Costs layout = text_layout_costs(scene, t);
  auto texts = std::count_if(scene.items().begin(), scene.items().end(), is<vexa_ui::TextRun>);
  fmt::print("{}: raster of the last frame's scene ({} items, {} text runs) at {}x{}, median of {} with cold caches\n", prefix,
             scene.items().size(), texts, t.width, t.height, kMedianRepeats);
  auto part = [&](std::string_view name, double ms) {
    bench(fmt::format("{}_raster_{}", prefix, name), std::max(0.0, ms), "ms", full, "raster_scene");
  };
  bench(fmt::format("{}_raster_scene", prefix), full, "ms");
  part("floor_empty_scene", floor);
  part("zero_fill", zero_fill_ms(t));
  part("shapes", shapes);
  part("text", text);
  part("text_layout_only", layout.now);
  bench(fmt::format("{}_raster_text_layout_only_kept_layout", prefix), layout.kept, "ms", layout.now,
        "text_layout_only");
  if (const auto* draw = last_image(scene)) {
    part("image", raster_ms(only(scene, is<vexa_ui::ImageDraw>)) - floor);
    report_image(prefix, *draw, t, part);
  }
}

}  // namespace session_bench

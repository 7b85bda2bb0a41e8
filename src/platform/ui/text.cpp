#include "platform/ui/text.hpp"

#include <fmt/format.h>

#include "platform/ui/pango_layout.hpp"

namespace vexa_ui {

namespace detail {

namespace {
PangoFontDescription* font_for(double size, FontWeight weight, FontFamily family) {
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family_static(desc, family == FontFamily::Mono ? "DejaVu Sans Mono"
                                                                              : "Inter, DejaVu Sans");
  pango_font_description_set_weight(desc, weight == FontWeight::Bold       ? PANGO_WEIGHT_BOLD
                                          : weight == FontWeight::Semibold ? PANGO_WEIGHT_SEMIBOLD
                                                                           : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_absolute_size(desc, size * PANGO_SCALE);
  return desc;
}
}  // namespace

PangoLayout* create_drawing_layout(cairo_t* cr) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(layout);
  return layout;
}

void configure_layout(PangoLayout* layout, std::string_view text, double size, FontWeight weight,
                      FontFamily family, double wrap_width) {
  PangoFontDescription* desc = font_for(size, weight, family);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  if (wrap_width > 0) {
    pango_layout_set_width(layout, static_cast<int>(wrap_width * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  } else {
    pango_layout_set_width(layout, -1);
  }
}

}  // namespace detail

struct TextRenderer::Impl {
  PangoFontMap* font_map = nullptr;
  PangoContext* context = nullptr;
  PangoLayout* layout = nullptr;
  mutable std::unordered_map<std::string, TextMetrics> cache;

  Impl() {
    font_map = pango_cairo_font_map_new();
    context = pango_font_map_create_context(font_map);
    // Whole-pixel metrics would make measured widths drift from drawn ones at other scales.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    layout = pango_layout_new(context);
  }
  ~Impl() {
    g_object_unref(layout);
    g_object_unref(context);
    g_object_unref(font_map);
  }
};

TextRenderer::TextRenderer() : impl_(std::make_unique<Impl>()) {}
TextRenderer::~TextRenderer() = default;

TextMetrics TextRenderer::layout_metrics(std::string_view text, double size, FontWeight weight,
                                         double wrap_width, FontFamily family) const {
  std::string key = fmt::format("{}\x1f{}\x1f{}\x1f{}\x1f{}", text, size, static_cast<int>(weight),
                                wrap_width, static_cast<int>(family));
  if (auto it = impl_->cache.find(key); it != impl_->cache.end()) return it->second;
  detail::configure_layout(impl_->layout, text, size, weight, family, wrap_width);
  PangoRectangle logical{};
  pango_layout_get_extents(impl_->layout, nullptr, &logical);
  TextMetrics metrics{static_cast<double>(logical.width) / PANGO_SCALE,
                      static_cast<double>(logical.height) / PANGO_SCALE};
  if (impl_->cache.size() > 20000) impl_->cache.clear();  // bound memory on endless new texts
  impl_->cache.emplace(std::move(key), metrics);
  return metrics;
}

double TextRenderer::measure(std::string_view text, double size) const {
  return layout_metrics(text, size, FontWeight::Regular, 0).width;
}

double TextRenderer::measure_weighted(std::string_view text, double size, FontWeight weight) const {
  return layout_metrics(text, size, weight, 0).width;
}

void TextRenderer::draw_text(Scene& scene, std::string_view text, Color color, Transform at,
                             double wrap_width, double size) const {
  draw_text_weighted(scene, text, color, at, wrap_width, size, FontWeight::Regular);
}

void TextRenderer::draw_text_weighted(Scene& scene, std::string_view text, Color color,
                                      Transform at, double wrap_width, double size,
                                      FontWeight weight) const {
  if (text.empty()) return;
  scene.add(TextRun{std::string(text), {at.dx, at.dy}, size * at.scale, weight, FontFamily::Ui,
                    wrap_width * at.scale, color});
}

void TextRenderer::draw_mono(Scene& scene, std::string_view text, Color color, Point at,
                             double size, FontWeight weight) const {
  if (text.empty()) return;
  scene.add(TextRun{std::string(text), at, size, weight, FontFamily::Mono, 0, color});
}

}  // namespace vexa_ui

#pragma once
// One place that turns a text request into a Pango layout, for measuring and for drawing.
#include <pango/pangocairo.h>

#include <string_view>

#include "platform/ui/scene.hpp"

namespace vexa_ui::detail {

// A layout on `cr` as the rasterizer draws text with it: metrics unhinted, so drawn widths
// match measured ones at every scale. The caller unrefs it.
PangoLayout* create_drawing_layout(cairo_t* cr);

// Configures `layout` for the text with the app's fonts. Sizes are absolute pixels.
void configure_layout(PangoLayout* layout, std::string_view text, double size, FontWeight weight,
                      FontFamily family, double wrap_width);

}  // namespace vexa_ui::detail

#pragma once
// One place that turns a text request into a Pango layout, for measuring and for drawing.
#include <pango/pangocairo.h>

#include <string_view>

#include "platform/ui/scene.hpp"

namespace vexa_ui::detail {

// Configures `layout` for the text with the app's fonts. Sizes are absolute pixels.
void configure_layout(PangoLayout* layout, std::string_view text, double size, FontWeight weight,
                      FontFamily family, double wrap_width);

}  // namespace vexa_ui::detail

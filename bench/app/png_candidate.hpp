#pragma once
// The baseline for vexa_ui::write_png: Cairo's own PNG writer (libpng defaults: every row
// tried with all five filters, zlib level 6).
#include <cairo.h>

#include <string>

#include "platform/ui/raster.hpp"

namespace app_bench {

inline bool write_png_cairo(const vexa_ui::Raster& raster, const std::string& path) {
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      const_cast<unsigned char*>(raster.pixels.data()), CAIRO_FORMAT_ARGB32, raster.width, raster.height, raster.stride);
  bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

}  // namespace app_bench

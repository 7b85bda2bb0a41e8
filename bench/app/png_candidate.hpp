#pragma once
// A candidate for vexa_ui::write_png, measured beside it. Cairo's PNG writer uses libpng's
// defaults: every row tried with all five filters and zlib level 6, which is most of a headless
// start. Here: no filter, zlib level 1, and RGB without alpha, since rasterize() paints an opaque
// background under every frame. UI frames are long runs of one colour, which deflate finds
// unfiltered; at 1280x800 this came out smaller than the default as well as faster (None beat
// Sub and Up, and the run-length strategy was far larger).
#include <png.h>

#include <cstdio>
#include <string>

#include "platform/ui/raster.hpp"

namespace app_bench {

inline bool write_png_fast(const vexa_ui::Raster& raster, const std::string& path) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
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
  return std::fclose(out) == 0 && ok;
}

}  // namespace app_bench

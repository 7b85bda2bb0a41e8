#pragma once
// Turns a recorded scene into pixels with Cairo: into a window's buffer or a PNG file.
#include <cstdint>
#include <expected>
#include <string>
#include <vector>

#include "platform/ui/scene.hpp"

namespace vexa_ui {

struct Raster {
  int width = 0;
  int height = 0;
  int stride = 0;
  std::vector<std::uint8_t> pixels;  // Cairo ARGB32 (premultiplied, native-endian)
};

// Renders at `scale` physical pixels per logical pixel onto the background colour.
void rasterize(const Scene& scene, Raster& target, int width, int height, double scale,
               Color background);
std::expected<void, std::string> write_png(const Raster& raster, const std::string& path);

}  // namespace vexa_ui

#pragma once
// Turns a recorded scene into pixels with Cairo: into a window's buffer or a PNG file.
#include <cstdint>
#include <expected>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/scene.hpp"

namespace vexa_ui {

// A scene image in Cairo's layout, kept while the same published picture is drawn again (a
// repaint for another reason converts nothing). Only images with a generation are kept: their
// pixels never change once published, and holding `source` keeps its address from being reused.
struct ConvertedImage {
  std::shared_ptr<const std::uint8_t> source;
  std::uint64_t generation = 0;
  int width = 0;
  int height = 0;
  int stride = 0;
  std::vector<std::uint8_t> bgra;
};

struct Raster {
  int width = 0;
  int height = 0;
  int stride = 0;
  std::vector<std::uint8_t> pixels;  // Cairo ARGB32 (premultiplied, native-endian)
  ConvertedImage image;
};

// Renders at `scale` physical pixels per logical pixel onto the background colour.
void rasterize(const Scene& scene, Raster& target, int width, int height, double scale,
               Color background);
std::expected<void, std::string> write_png(const Raster& raster, const std::string& path);

}  // namespace vexa_ui

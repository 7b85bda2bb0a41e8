// The rasterizer reuses its target and the last converted image between frames; what it draws
// must not depend on what the previous frame left behind.
#include "platform/ui/raster.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace vexa_ui;

// A published picture: a flat colour, never changed once made.
ImagePixels picture(int w, int h, std::uint32_t rgb, std::uint64_t generation) {
  auto bytes = std::shared_ptr<std::uint8_t[]>(new std::uint8_t[std::size_t(w) * h * 4]);
  for (int i = 0; i < w * h; ++i) {
    bytes[i * 4] = rgb >> 16, bytes[i * 4 + 1] = (rgb >> 8) & 0xFF, bytes[i * 4 + 2] = rgb & 0xFF, bytes[i * 4 + 3] = 255;
  }
  return ImagePixels{w, h, generation, std::shared_ptr<const std::uint8_t>(bytes, bytes.get())};
}

std::uint32_t pixel(const Raster& r, int x, int y) {
  std::uint32_t v;
  std::memcpy(&v, r.pixels.data() + std::size_t(y) * r.stride + std::size_t(x) * 4, 4);
  return v;
}

Scene image_scene(const ImagePixels& img) {
  Scene s;
  s.add(ImageDraw{img, Rect{10, 10, 40, 20}});
  return s;
}

TEST(Raster, ImageIsDrawnScaledAndOpaque) {
  Raster r;
  rasterize(image_scene(picture(4, 2, 0x3366CC, 1)), r, 64, 48, 1.0, Color::rgb(0x000000));
  EXPECT_EQ(pixel(r, 30, 20), 0xFF3366CCu);
  EXPECT_EQ(pixel(r, 5, 5), 0xFF000000u);
  EXPECT_EQ(pixel(r, 55, 40), 0xFF000000u);
}

TEST(Raster, EachNewPictureIsShownAndTheLastOneIsReleased) {
  Raster r;
  auto first = picture(8, 8, 0xFF0000, 1);
  rasterize(image_scene(first), r, 64, 48, 1.0, Color::rgb(0));
  rasterize(image_scene(first), r, 64, 48, 1.0, Color::rgb(0));  // a repaint of the same frame
  EXPECT_EQ(pixel(r, 30, 20), 0xFFFF0000u);
  // A newer generation is a new picture, even at the same size.
  rasterize(image_scene(picture(8, 8, 0x00FF00, 2)), r, 64, 48, 1.0, Color::rgb(0));
  EXPECT_EQ(pixel(r, 30, 20), 0xFF00FF00u);
  // Pictures without a generation are converted every time.
  rasterize(image_scene(picture(8, 8, 0x0000FF, 0)), r, 64, 48, 1.0, Color::rgb(0));
  rasterize(image_scene(picture(8, 8, 0xFFFFFF, 0)), r, 64, 48, 1.0, Color::rgb(0));
  EXPECT_EQ(pixel(r, 30, 20), 0xFFFFFFFFu);
  // Once no scene draws it, the target does not keep a session's frame alive.
  auto last = picture(8, 8, 0x123456, 3);
  rasterize(image_scene(last), r, 64, 48, 1.0, Color::rgb(0));
  EXPECT_GT(last.rgba.use_count(), 1);
  rasterize(Scene{}, r, 64, 48, 1.0, Color::rgb(0));
  EXPECT_EQ(last.rgba.use_count(), 1);
}

// The target is reused without clearing; a translucent background must still come out the
// same as on a fresh target, not blended over the previous frame.
TEST(Raster, ReusedTargetMatchesAFreshOne) {
  Raster reused;
  Scene busy;
  busy.fill_rect(Rect{0, 0, 64, 48}, Color::rgb(0xFFFFFF));
  rasterize(busy, reused, 64, 48, 1.0, Color::rgb(0x000000));
  Scene plain;
  plain.fill_rect(Rect{4, 4, 8, 8}, Color::rgb(0x00FF00, 0.5f));
  const Color translucent = Color::rgb(0x204080, 0.5f);
  rasterize(plain, reused, 64, 48, 1.0, translucent);
  Raster fresh;
  rasterize(plain, fresh, 64, 48, 1.0, translucent);
  EXPECT_EQ(reused.pixels, fresh.pixels);
}

}  // namespace

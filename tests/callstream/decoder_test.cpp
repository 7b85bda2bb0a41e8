#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/callstream/decoder.hpp"
#include "platform/callstream/encoder.hpp"

namespace {

using vexa_callstream::decoder::DecodedPicture;
using vexa_callstream::decoder::H264Decoder;
using vexa_callstream::encoder::EncoderOptions;
using vexa_callstream::encoder::H264Encoder;

using Rgb = std::array<std::uint8_t, 3>;

// A picture in four flat quadrants: top left, top right, bottom left, bottom right.
std::vector<std::uint8_t> quadrants(std::uint32_t w, std::uint32_t h, const std::array<Rgb, 4>& c) {
  std::vector<std::uint8_t> rgba(std::size_t{w} * h * 4);
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      const Rgb& rgb = c[(y >= h / 2 ? 2 : 0) + (x >= w / 2 ? 1 : 0)];
      std::uint8_t* p = &rgba[(std::size_t{y} * w + x) * 4];
      p[0] = rgb[0], p[1] = rgb[1], p[2] = rgb[2], p[3] = 255;
    }
  }
  return rgba;
}

void expect_near(const DecodedPicture& pic, std::uint32_t x, std::uint32_t y, Rgb want) {
  const std::uint8_t* p = pic.pixels->data() + (std::size_t{y} * pic.width + x) * 4;
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], want[i], 8) << "channel " << i << " at " << x << "," << y;
  EXPECT_EQ(p[3], 255);
}

void expect_quadrants(const DecodedPicture& pic, const std::array<Rgb, 4>& c) {
  const std::uint32_t w = pic.width, h = pic.height;
  expect_near(pic, w / 4, h / 4, c[0]);
  expect_near(pic, 3 * w / 4, h / 4, c[1]);
  expect_near(pic, w / 4, 3 * h / 4, c[2]);
  expect_near(pic, 3 * w / 4, 3 * h / 4, c[3]);
}

std::array<Rgb, 4> palette(int i) {
  auto v = [&](int k) { return static_cast<std::uint8_t>((i * 53 + k * 97) % 256); };
  return {Rgb{v(0), v(1), v(2)}, Rgb{255, 0, 0}, Rgb{0, 200, 0}, Rgb{v(3), 40, v(5)}};
}

H264Encoder encoder(std::uint32_t w, std::uint32_t h, int key_interval) {
  auto enc = H264Encoder::create(EncoderOptions{w, h, 30, key_interval, 10});
  EXPECT_TRUE(enc) << enc.error();
  return std::move(*enc);
}

std::vector<std::uint8_t> encode(H264Encoder& enc, std::uint32_t w, std::uint32_t h, int i) {
  auto frame = enc.encode(quadrants(w, h, palette(i)));
  EXPECT_TRUE(frame) << frame.error();
  EXPECT_FALSE(frame->empty()) << "encoder held a frame back";
  return *frame;
}

TEST(H264Decoder, StreamDecodesToPicturesOfTheRightSizeAndColours) {
  constexpr std::uint32_t w = 320, h = 192;
  auto enc = encoder(w, h, 4);
  auto dec = H264Decoder::create();
  ASSERT_TRUE(dec) << dec.error();
  for (int i = 0; i < 10; ++i) {
    auto pic = dec->decode(encode(enc, w, h, i));
    ASSERT_TRUE(pic) << "frame " << i;
    ASSERT_EQ(pic->width, w);
    ASSERT_EQ(pic->height, h);
    ASSERT_EQ(pic->pixels->size(), std::size_t{w} * h * 4);
    expect_quadrants(*pic, palette(i));
  }
}

TEST(H264Decoder, SkippedFramesGarbageAndSizeChangesLeaveTheStreamDecodable) {
  auto enc = encoder(160, 96, 3);
  auto dec = H264Decoder::create();
  ASSERT_TRUE(dec);
  std::vector<std::vector<std::uint8_t>> frames;
  for (int i = 0; i < 7; ++i) frames.push_back(encode(enc, 160, 96, i));
  ASSERT_TRUE(dec->decode(frames[0]));
  // Frames 1 and 2 never arrive; 3 is the next key frame.
  auto after_gap = dec->decode(frames[3]);
  ASSERT_TRUE(after_gap);
  expect_quadrants(*after_gap, palette(3));

  std::vector<std::uint8_t> garbage(4000);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 7 + 1);
  garbage[0] = 0, garbage[1] = 0, garbage[2] = 0, garbage[3] = 1;
  EXPECT_FALSE(dec->decode(garbage));
  EXPECT_FALSE(dec->decode({}));
  auto resumed = dec->decode(frames[6]);
  ASSERT_TRUE(resumed);
  expect_quadrants(*resumed, palette(6));

  // The device's surface changes size: new parameter sets, new picture size.
  auto wide = encoder(256, 64, 3);
  auto resized = dec->decode(encode(wide, 256, 64, 9));
  ASSERT_TRUE(resized);
  EXPECT_EQ(resized->width, 256u);
  EXPECT_EQ(resized->height, 64u);
  expect_quadrants(*resized, palette(9));
}

TEST(H264Decoder, APictureStillHeldIsNeverOverwrittenByLaterDecodes) {
  auto enc = encoder(160, 96, 30);
  auto dec = H264Decoder::create();
  ASSERT_TRUE(dec);
  auto held = dec->decode(encode(enc, 160, 96, 0));
  ASSERT_TRUE(held);
  const std::vector<std::uint8_t> before = *held->pixels;
  DecodedPicture latest;
  for (int i = 1; i < 12; ++i) {
    auto pic = dec->decode(encode(enc, 160, 96, i));
    ASSERT_TRUE(pic);
    EXPECT_NE(pic->pixels.get(), held->pixels.get());
    latest = *pic;  // the newest is held too, the rest are let go
  }
  EXPECT_EQ(*held->pixels, before);
  expect_quadrants(latest, palette(11));
}

}  // namespace

namespace {

// Rows that are not a multiple of the converter's vector width must still come out packed and
// exact, with nothing written past the last row.
TEST(H264Decoder, SizesThatAreNoMultipleOfTheBlockSizeDecodeExactly) {
  for (auto [w, h] : {std::pair<std::uint32_t, std::uint32_t>{18, 10}, {250, 98}, {642, 362}}) {
    auto enc = encoder(w, h, 30);
    auto dec = H264Decoder::create();
    ASSERT_TRUE(dec);
    for (int i = 0; i < 3; ++i) {
      auto pic = dec->decode(encode(enc, w, h, i));
      ASSERT_TRUE(pic) << w << "x" << h;
      ASSERT_EQ(pic->width, w);
      ASSERT_EQ(pic->height, h);
      ASSERT_EQ(pic->pixels->size(), std::size_t{w} * h * 4);
      const auto c = palette(i);
      for (std::uint32_t y = 0; y < h; ++y) {
        if (y + 4 > h / 2 && y < h / 2 + 4) continue;  // the boundary row blends
        expect_near(*pic, 1, y, c[y < h / 2 ? 0 : 2]);
        expect_near(*pic, w - 2, y, c[y < h / 2 ? 1 : 3]);
      }
    }
  }
}

}  // namespace

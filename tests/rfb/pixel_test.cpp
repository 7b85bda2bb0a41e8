#include <gtest/gtest.h>

#include <random>

#include "platform/sys/pixels.hpp"
#include "rfb/pixel_format.hpp"

namespace rfb {
namespace {

TEST(RfbPixel, ClientFormatSwapsRedAndBlue) {
  std::uint8_t wire[] = {0x10, 0x20, 0x30, 0x00};
  PixelDecoder decoder(kClientFormat);
  EXPECT_EQ(decoder.decode(wire), rgba(0x30, 0x20, 0x10, 255));
  std::uint32_t out;
  decoder.decode_row(wire, &out, 1);
  EXPECT_EQ(out, rgba(0x30, 0x20, 0x10, 255));
}

TEST(RfbPixel, FastRowMatchesGenericDecodeForEveryLength) {
  std::mt19937 random(3);
  std::vector<std::uint8_t> wire(4 * 37);
  for (auto& b : wire) b = static_cast<std::uint8_t>(random());
  PixelFormat same_as_client_but_generic = kClientFormat;
  same_as_client_but_generic.depth = 32;  // not the client format: takes the generic path
  PixelDecoder generic(same_as_client_but_generic);
  PixelDecoder client(kClientFormat);
  for (std::size_t n = 0; n <= 37; ++n) {
    std::vector<std::uint32_t> fast(n), portable(n), slow(n);
    client.decode_row(wire.data(), fast.data(), n);
    vexa::sys::swap_red_blue_opaque_portable(wire.data(), portable.data(), n);
    generic.decode_row(wire.data(), slow.data(), n);
    ASSERT_EQ(fast, slow) << n;
    ASSERT_EQ(portable, slow) << n;
  }
}

TEST(RfbPixel, OtherMaximaScaleWithRounding) {
  // 16-bit 5-6-5, big-endian: red max 31 at shift 11, green max 63 at 5, blue max 31 at 0.
  PixelFormat rgb565{16, 16, true, true, 31, 63, 31, 11, 5, 0};
  PixelDecoder d565(rgb565);
  std::uint8_t full[] = {0xff, 0xff};
  EXPECT_EQ(d565.decode(full), rgba(255, 255, 255));
  std::uint16_t v = 15 << 11 | 32 << 5 | 1;
  std::uint8_t mid[] = {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
  EXPECT_EQ(d565.decode(mid), rgba(123, 130, 8));  // (c*255 + m/2) / m

  // 8-bit 3-3-2 and a missing channel (max 0).
  PixelFormat bgr233{8, 8, false, true, 7, 7, 0, 0, 3, 6};
  std::uint8_t b = 0b11'101'011;
  EXPECT_EQ(PixelDecoder(bgr233).decode(&b), rgba(109, 182, 0));

  // 24-bit little-endian: three bytes assemble low to high.
  PixelFormat rgb24{24, 24, false, true, 255, 255, 255, 0, 8, 16};
  std::uint8_t three[] = {1, 2, 3};
  EXPECT_EQ(PixelDecoder(rgb24).decode(three), rgba(1, 2, 3));

  // Shifts past the word select nothing rather than wrapping.
  PixelFormat wide{32, 24, false, true, 255, 255, 255, 40, 8, 0};
  std::uint8_t four[] = {9, 8, 7, 6};
  EXPECT_EQ(PixelDecoder(wide).decode(four), rgba(0, 8, 9));
}

TEST(RfbPixel, FormatWireRoundTrip) {
  PixelFormat f{16, 15, true, false, 31, 31, 31, 10, 5, 0};
  auto wire = encode_pixel_format(f);
  EXPECT_EQ(decode_pixel_format(wire), f);
  auto client = encode_pixel_format(kClientFormat);
  std::array<std::uint8_t, 16> expected = {32, 24, 0, 1, 0, 255, 0, 255, 0, 255, 16, 8, 0, 0, 0, 0};
  EXPECT_EQ(client, expected);
}

}  // namespace
}  // namespace rfb

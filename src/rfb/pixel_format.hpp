#pragma once
// RFB pixel formats and the conversion of wire pixels into the framebuffer's RGBA layout.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rfb {

struct PixelFormat {
  std::uint8_t bits_per_pixel = 32;
  std::uint8_t depth = 24;
  bool big_endian = false;
  bool true_colour = true;
  std::uint16_t red_max = 255;
  std::uint16_t green_max = 255;
  std::uint16_t blue_max = 255;
  std::uint8_t red_shift = 16;
  std::uint8_t green_shift = 8;
  std::uint8_t blue_shift = 0;

  bool operator==(const PixelFormat&) const = default;
  std::size_t bytes_per_pixel() const { return (bits_per_pixel + 7u) / 8u; }
};

// The format this client imposes on every server, and decodes with.
inline constexpr PixelFormat kClientFormat{};

std::array<std::uint8_t, 16> encode_pixel_format(const PixelFormat& format);
PixelFormat decode_pixel_format(std::span<const std::uint8_t, 16> bytes);

// A framebuffer pixel: bytes red, green, blue, alpha in memory order.
inline constexpr std::uint32_t rgba(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                    std::uint8_t a = 255) {
  return std::uint32_t{r} | std::uint32_t{g} << 8 | std::uint32_t{b} << 16 | std::uint32_t{a} << 24;
}

// Converts wire pixels of one format. The format must have 1 to 4 bytes per pixel.
class PixelDecoder {
 public:
  explicit PixelDecoder(const PixelFormat& format);

  std::size_t bytes_per_pixel() const { return bpp_; }
  std::uint32_t decode(const std::uint8_t* wire) const;
  // Converts `count` consecutive wire pixels into `out`.
  void decode_row(const std::uint8_t* wire, std::uint32_t* out, std::size_t count) const;

 private:
  struct Channel {
    std::uint32_t max;
    std::uint8_t shift;
    std::uint8_t scale(std::uint32_t value) const;
  };
  std::uint32_t assemble(const std::uint8_t* wire) const;

  PixelFormat format_;
  std::size_t bpp_;
  bool client_fast_;
  Channel red_, green_, blue_;
};

}  // namespace rfb

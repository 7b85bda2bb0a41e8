#include "rfb/pixel_format.hpp"

#include "platform/sys/pixels.hpp"

#include <bit>
#include <cstring>

namespace rfb {

static_assert(std::endian::native == std::endian::little,
              "framebuffer words are assembled for a little-endian host");

std::array<std::uint8_t, 16> encode_pixel_format(const PixelFormat& f) {
  return {f.bits_per_pixel,
          f.depth,
          static_cast<std::uint8_t>(f.big_endian),
          static_cast<std::uint8_t>(f.true_colour),
          static_cast<std::uint8_t>(f.red_max >> 8),
          static_cast<std::uint8_t>(f.red_max),
          static_cast<std::uint8_t>(f.green_max >> 8),
          static_cast<std::uint8_t>(f.green_max),
          static_cast<std::uint8_t>(f.blue_max >> 8),
          static_cast<std::uint8_t>(f.blue_max),
          f.red_shift,
          f.green_shift,
          f.blue_shift,
          0,
          0,
          0};
}

PixelFormat decode_pixel_format(std::span<const std::uint8_t, 16> b) {
  auto u16 = [&](int i) { return static_cast<std::uint16_t>(b[i] << 8 | b[i + 1]); };
  return PixelFormat{b[0], b[1], b[2] != 0, b[3] != 0, u16(4), u16(6), u16(8), b[10], b[11], b[12]};
}


std::uint8_t PixelDecoder::Channel::scale(std::uint32_t value) const {
  if (max == 0) return 0;
  // A shift of 32 or more selects nothing (and would be undefined on a 32-bit value).
  std::uint64_t c = shift >= 32 ? 0 : (value >> shift) & max;
  return static_cast<std::uint8_t>((c * 255 + max / 2) / max);
}

PixelDecoder::PixelDecoder(const PixelFormat& format)
    : format_(format),
      bpp_(format.bytes_per_pixel()),
      client_fast_(format == kClientFormat),
      red_{format.red_max, format.red_shift},
      green_{format.green_max, format.green_shift},
      blue_{format.blue_max, format.blue_shift} {}

std::uint32_t PixelDecoder::assemble(const std::uint8_t* wire) const {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < bpp_; ++i) {
    if (format_.big_endian) {
      value = value << 8 | wire[i];
    } else {
      value |= std::uint32_t{wire[i]} << (8 * i);
    }
  }
  return value;
}

std::uint32_t PixelDecoder::decode(const std::uint8_t* wire) const {
  if (client_fast_) {
    std::uint32_t v;
    std::memcpy(&v, wire, 4);
    return vexa::sys::swap_red_blue_opaque(v);
  }
  std::uint32_t v = assemble(wire);
  return rgba(red_.scale(v), green_.scale(v), blue_.scale(v));
}

void PixelDecoder::decode_row(const std::uint8_t* wire, std::uint32_t* out,
                              std::size_t count) const {
  if (client_fast_) return vexa::sys::swap_red_blue_opaque(wire, out, count);
  for (std::size_t i = 0; i < count; ++i) out[i] = decode(wire + i * bpp_);
}

}  // namespace rfb

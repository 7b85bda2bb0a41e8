#include "rfb/pixel_format.hpp"

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

namespace {
inline std::uint32_t convert_one(std::uint32_t v) {
  return ((v >> 16) & 0xffu) | (v & 0xff00u) | ((v & 0xffu) << 16) | 0xff000000u;
}
}  // namespace

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
    return convert_one(v);
  }
  std::uint32_t v = assemble(wire);
  return rgba(red_.scale(v), green_.scale(v), blue_.scale(v));
}

void PixelDecoder::decode_row(const std::uint8_t* wire, std::uint32_t* out,
                              std::size_t count) const {
  if (client_fast_) return convert_client_row(wire, out, count);
  for (std::size_t i = 0; i < count; ++i) out[i] = decode(wire + i * bpp_);
}

namespace {
using U32x4 = std::uint32_t __attribute__((vector_size(16)));
}  // namespace

namespace {

using U8x32 = std::uint8_t __attribute__((vector_size(32)));

// Eight pixels per byte shuffle on processors with AVX2.
__attribute__((target("avx2"))) void convert_client_row_avx2(const std::uint8_t* wire,
                                                              std::uint32_t* out,
                                                              std::size_t count) {
#define RFB_BGRX_TO_RGBX 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 18, 17, 16, 19, \
                         22, 21, 20, 23, 26, 25, 24, 27, 30, 29, 28, 31
#if defined(__clang__)
#define RFB_SHUFFLE(v) __builtin_shufflevector(v, v, RFB_BGRX_TO_RGBX)
#else
  const U8x32 order = {RFB_BGRX_TO_RGBX};
#define RFB_SHUFFLE(v) __builtin_shuffle(v, order)
#endif
  U8x32 alpha{};
  for (int i = 3; i < 32; i += 4) alpha[i] = 0xff;
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    U8x32 v;
    std::memcpy(&v, wire + 4 * i, sizeof v);
    v = RFB_SHUFFLE(v) | alpha;
    std::memcpy(out + i, &v, sizeof v);
  }
  for (; i < count; ++i) {
    std::uint32_t v;
    std::memcpy(&v, wire + 4 * i, sizeof v);
    out[i] = convert_one(v);
  }
#undef RFB_SHUFFLE
#undef RFB_BGRX_TO_RGBX
}

const bool kHaveAvx2 = __builtin_cpu_supports("avx2");

}  // namespace

void convert_client_row(const std::uint8_t* wire, std::uint32_t* out, std::size_t count) {
  if (kHaveAvx2) return convert_client_row_avx2(wire, out, count);
  convert_client_row_portable(wire, out, count);
}

void convert_client_row_portable(const std::uint8_t* wire, std::uint32_t* out,
                                 std::size_t count) {
  // Four pixels per step in vector registers, whatever the optimisation level.
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    U32x4 v;
    std::memcpy(&v, wire + 4 * i, sizeof v);
    U32x4 r = ((v >> 16) & 0xffu) | (v & 0xff00u) | ((v & 0xffu) << 16) | 0xff000000u;
    std::memcpy(out + i, &r, sizeof r);
  }
  for (; i < count; ++i) {
    std::uint32_t v;
    std::memcpy(&v, wire + 4 * i, sizeof v);
    out[i] = convert_one(v);
  }
}

}  // namespace rfb

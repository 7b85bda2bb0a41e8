#pragma once
// One pixel swizzle shared by the desktop decoder and the rasterizer: the first and third byte
// of each 4-byte pixel trade places and the fourth becomes 0xFF. It turns an RFB client-format
// row (blue, green, red, unused) into RGBA bytes, and an opaque RGBA image into Cairo's
// native-endian ARGB32 (blue, green, red, alpha).
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vexa::sys {

// One pixel as a little-endian word.
inline std::uint32_t swap_red_blue_opaque(std::uint32_t v) {
  return ((v >> 16) & 0xffu) | (v & 0xff00u) | ((v & 0xffu) << 16) | 0xff000000u;
}

// `count` pixels from `in` (any alignment) to `out`. Uses AVX2 where the processor has it,
// otherwise the portable version below.
void swap_red_blue_opaque(const std::uint8_t* in, std::uint32_t* out, std::size_t count);
void swap_red_blue_opaque_portable(const std::uint8_t* in, std::uint32_t* out, std::size_t count);

}  // namespace vexa::sys

#include "platform/sys/pixels.hpp"

#include <bit>

namespace vexa::sys {

static_assert(std::endian::native == std::endian::little, "pixel words are little-endian here");

namespace {

using U8x32 = std::uint8_t __attribute__((vector_size(32)));
using U32x4 = std::uint32_t __attribute__((vector_size(16)));

// Eight pixels per byte shuffle on processors with AVX2.
__attribute__((target("avx2"))) void swap_avx2(const std::uint8_t* in, std::uint32_t* out,
                                               std::size_t count) {
#define VEXA_SWAP_0_2 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 18, 17, 16, 19, \
                      22, 21, 20, 23, 26, 25, 24, 27, 30, 29, 28, 31
#if defined(__clang__)
#define VEXA_SHUFFLE(v) __builtin_shufflevector(v, v, VEXA_SWAP_0_2)
#else
  const U8x32 order = {VEXA_SWAP_0_2};
#define VEXA_SHUFFLE(v) __builtin_shuffle(v, order)
#endif
  U8x32 alpha{};
  for (int i = 3; i < 32; i += 4) alpha[i] = 0xff;
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    U8x32 v;
    std::memcpy(&v, in + 4 * i, sizeof v);
    v = VEXA_SHUFFLE(v) | alpha;
    std::memcpy(out + i, &v, sizeof v);
  }
  for (; i < count; ++i) {
    std::uint32_t v;
    std::memcpy(&v, in + 4 * i, sizeof v);
    out[i] = swap_red_blue_opaque(v);
  }
#undef VEXA_SHUFFLE
#undef VEXA_SWAP_0_2
}

const bool kHaveAvx2 = __builtin_cpu_supports("avx2");

}  // namespace

void swap_red_blue_opaque(const std::uint8_t* in, std::uint32_t* out, std::size_t count) {
  if (kHaveAvx2) return swap_avx2(in, out, count);
  swap_red_blue_opaque_portable(in, out, count);
}

void swap_red_blue_opaque_portable(const std::uint8_t* in, std::uint32_t* out, std::size_t count) {
  // Four pixels per step in vector registers, whatever the optimisation level.
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    U32x4 v;
    std::memcpy(&v, in + 4 * i, sizeof v);
    U32x4 r = ((v >> 16) & 0xffu) | (v & 0xff00u) | ((v & 0xffu) << 16) | 0xff000000u;
    std::memcpy(out + i, &r, sizeof r);
  }
  for (; i < count; ++i) {
    std::uint32_t v;
    std::memcpy(&v, in + 4 * i, sizeof v);
    out[i] = swap_red_blue_opaque(v);
  }
}

}  // namespace vexa::sys

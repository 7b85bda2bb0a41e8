#pragma once
// Writing a run of ASCII characters into cells that share one pen (colour and weight).
#include "vt/terminal_cell.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vt {

// A cell is the 32-bit character followed by 32 bits of attributes, so whole cells can be
// written as 64-bit words: the character in the low half, the pen's attributes in the high.
static_assert(sizeof(TerminalCell) == 8 && offsetof(TerminalCell, character) == 0);

inline std::uint64_t cell_bits(const TerminalCell& cell) {
  std::uint64_t bits;
  std::memcpy(&bits, &cell, sizeof bits);
  return bits;
}

inline void store_cell_bits(TerminalCell* dst, std::uint64_t bits) {
  std::memcpy(static_cast<void*>(dst), &bits, sizeof bits);
}

// dst[i] = value, for i < n.
inline void fill_cells(TerminalCell* dst, std::size_t n, const TerminalCell& value) {
  const std::uint64_t bits = cell_bits(value);
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i pair = _mm_set1_epi64x(static_cast<long long>(bits));
  for (; i + 2 <= n; i += 2) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), pair);
#endif
  for (; i < n; ++i) store_cell_bits(dst + i, bits);
}

// dst[i] = pen with character src[i], for i < n.
inline void write_ascii_cells(TerminalCell* dst, const std::uint8_t* src, std::size_t n,
                              TerminalCell pen) {
  pen.character = 0;
  const std::uint64_t bits = cell_bits(pen);
  std::size_t i = 0;
#if defined(__SSE2__)
  // Widen 16 bytes to 16 characters and interleave them with the attribute word.
  const __m128i attr = _mm_set1_epi32(static_cast<int>(bits >> 32));
  const __m128i zero = _mm_setzero_si128();
  auto out = reinterpret_cast<__m128i*>(dst);
  for (; i + 16 <= n; i += 16, out += 8) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    __m128i lo = _mm_unpacklo_epi8(bytes, zero);
    __m128i hi = _mm_unpackhi_epi8(bytes, zero);
    __m128i c0 = _mm_unpacklo_epi16(lo, zero);
    __m128i c1 = _mm_unpackhi_epi16(lo, zero);
    __m128i c2 = _mm_unpacklo_epi16(hi, zero);
    __m128i c3 = _mm_unpackhi_epi16(hi, zero);
    _mm_storeu_si128(out + 0, _mm_unpacklo_epi32(c0, attr));
    _mm_storeu_si128(out + 1, _mm_unpackhi_epi32(c0, attr));
    _mm_storeu_si128(out + 2, _mm_unpacklo_epi32(c1, attr));
    _mm_storeu_si128(out + 3, _mm_unpackhi_epi32(c1, attr));
    _mm_storeu_si128(out + 4, _mm_unpacklo_epi32(c2, attr));
    _mm_storeu_si128(out + 5, _mm_unpackhi_epi32(c2, attr));
    _mm_storeu_si128(out + 6, _mm_unpacklo_epi32(c3, attr));
    _mm_storeu_si128(out + 7, _mm_unpackhi_epi32(c3, attr));
  }
#endif
  for (; i < n; ++i) store_cell_bits(dst + i, bits | src[i]);
}

}  // namespace vt

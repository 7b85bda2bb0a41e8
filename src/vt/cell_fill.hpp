#pragma once
// Writing a run of ASCII characters into cells that share one pen (colour and weight).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "vt/terminal_cell.hpp"

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
  auto out = reinterpret_cast<__m128i*>(dst);
  for (; i + 8 <= n; i += 8, out += 4) {
    _mm_storeu_si128(out + 0, pair);
    _mm_storeu_si128(out + 1, pair);
    _mm_storeu_si128(out + 2, pair);
    _mm_storeu_si128(out + 3, pair);
  }
#endif
  for (; i < n; ++i) store_cell_bits(dst + i, bits);
}

// The attribute half of a cell's bits: `cell` with its character cleared.
inline std::uint64_t attribute_bits(TerminalCell cell) {
  cell.character = 0;
  return cell_bits(cell);
}

#if defined(__SSE2__)
namespace detail {

// Four characters (the low four bytes of `bytes`, widened) with their attributes: two stores.
inline void store_4_cells(TerminalCell* dst, __m128i bytes, __m128i attr) {
  const __m128i zero = _mm_setzero_si128();
  __m128i chars = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
  auto out = reinterpret_cast<__m128i*>(dst);
  _mm_storeu_si128(out, _mm_unpacklo_epi32(chars, attr));
  _mm_storeu_si128(out + 1, _mm_unpackhi_epi32(chars, attr));
}

inline void write_4(TerminalCell* dst, const std::uint8_t* src, __m128i attr) {
  std::int32_t word;
  std::memcpy(&word, src, sizeof word);
  store_4_cells(dst, _mm_cvtsi32_si128(word), attr);
}

inline void write_8(TerminalCell* dst, const std::uint8_t* src, __m128i attr) {
  __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src));
  store_4_cells(dst, bytes, attr);
  store_4_cells(dst + 4, _mm_srli_si128(bytes, 4), attr);
}

inline void write_16(TerminalCell* dst, const std::uint8_t* src, __m128i attr) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  store_4_cells(dst, bytes, attr);
  store_4_cells(dst + 4, _mm_srli_si128(bytes, 4), attr);
  store_4_cells(dst + 8, _mm_srli_si128(bytes, 8), attr);
  store_4_cells(dst + 12, _mm_srli_si128(bytes, 12), attr);
}

}  // namespace detail
#endif

// dst[i] = a cell with character src[i] and attributes `bits` (see attribute_bits), i < n.
inline void write_ascii_cells(TerminalCell* dst, const std::uint8_t* src, std::size_t n,
                              std::uint64_t bits) {
  if (n < 4) {
    // Branch-free for 1 to 3 cells: the three stores overlap when n is smaller.
    if (n == 0) return;
    store_cell_bits(dst, bits | src[0]);
    store_cell_bits(dst + n / 2, bits | src[n / 2]);
    store_cell_bits(dst + n - 1, bits | src[n - 1]);
    return;
  }
#if defined(__SSE2__)
  // Blocks of 4, 8 or 16 cells; the last block may overlap the one before it, which writes
  // the same cells twice instead of looping over a remainder.
  const __m128i attr = _mm_set1_epi32(static_cast<int>(bits >> 32));
  if (n < 8) {
    detail::write_4(dst, src, attr);
    detail::write_4(dst + n - 4, src + n - 4, attr);
  } else if (n < 16) {
    detail::write_8(dst, src, attr);
    detail::write_8(dst + n - 8, src + n - 8, attr);
  } else {
    for (std::size_t i = 0; i + 16 <= n; i += 16) detail::write_16(dst + i, src + i, attr);
    detail::write_16(dst + n - 16, src + n - 16, attr);
  }
#else
  for (std::size_t i = 0; i < n; ++i) store_cell_bits(dst + i, bits | src[i]);
#endif
}

}  // namespace vt

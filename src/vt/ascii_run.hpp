#pragma once
// Finding runs of printable ASCII (0x20..0x7F) quickly: most shell output is plain text.
#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vt {

inline bool is_printable_ascii(std::uint8_t b) {
  return b >= 0x20 && b < 0x80;
}

// The first position in [p, end) that does not hold a printable ASCII byte.
inline const std::uint8_t* printable_ascii_run_end(const std::uint8_t* p, const std::uint8_t* end) {
#if defined(__SSE2__)
  // As signed bytes, exactly 0x20..0x7F are greater than 0x1F.
  const __m128i limit = _mm_set1_epi8(0x1F);
  while (end - p >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(v, limit)));
    if (mask != 0xFFFFu) return p + std::countr_one(mask);
    p += 16;
  }
#endif
  while (p != end && is_printable_ascii(*p)) ++p;
  return p;
}

}  // namespace vt

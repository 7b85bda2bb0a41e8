#pragma once
// Finding runs of printable ASCII (0x20..0x7F) quickly.
#include <cstdint>

namespace vt {

inline bool is_printable_ascii(std::uint8_t b) { return b >= 0x20 && b < 0x80; }

// The first position in [p, end) that does not hold a printable ASCII byte.
inline const std::uint8_t* printable_ascii_run_end(const std::uint8_t* p,
                                                   const std::uint8_t* end) {
  while (p != end && is_printable_ascii(*p)) ++p;
  return p;
}

}  // namespace vt

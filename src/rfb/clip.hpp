#pragma once
// Clipping a rectangle at (x, y) of w × h pixels to a framebuffer. Origins plus offsets are
// saturating 16-bit sums on the wire; since no framebuffer is 65,536 pixels wide, computing
// them in 32 bits and dropping what lies outside gives the same pixels.
#include <algorithm>
#include <cstdint>

namespace rfb {

struct Span1D {
  std::uint32_t start = 0;
  std::uint32_t length = 0;  // 0: nothing visible
};

inline Span1D visible(std::uint32_t origin, std::uint32_t length, std::uint32_t limit) {
  if (origin >= limit) return {origin, 0};
  return {origin, std::min(length, limit - origin)};
}

}  // namespace rfb

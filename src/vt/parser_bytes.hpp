#pragma once
// Byte classes of the DEC/ECMA-48 parser.
#include <cstdint>

namespace vt::detail {

inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kCan = 0x18;
inline constexpr std::uint8_t kSub = 0x1A;
inline constexpr std::uint8_t kBel = 0x07;
inline constexpr std::uint8_t kDel = 0x7F;

inline bool is_intermediate(std::uint8_t b) {
  return b >= 0x20 && b <= 0x2F;
}
inline bool is_param(std::uint8_t b) {
  return b >= 0x30 && b <= 0x3B;
}  // digits, ':' and ';'
inline bool is_marker(std::uint8_t b) {
  return b >= 0x3C && b <= 0x3F;
}
inline bool is_final(std::uint8_t b) {
  return b >= 0x40 && b <= 0x7E;
}

}  // namespace vt::detail

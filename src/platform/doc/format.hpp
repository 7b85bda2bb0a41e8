#pragma once
// The saved form of a document (all integers are LEB128 varints unless said otherwise):
//   magic "VEXADOC\0", format version, compression (0 none, 1 deflate), body length before
//   compression, payload length, payload, then the SHA-256 of everything before it.
// The body is a snapshot of the state, not a change log:
//   actors (16 bytes each, ascending), a clock per actor (last change seq, highest op counter),
//   heads (hash, actor, seq), then every object ascending by id, the root first:
//   a map lists its keys in byte order with the op ids and values that are visible there;
//   a text lists its characters in order as runs of consecutive insertions.
// Op counters are written as differences from the previous counter written (zigzag), which
// keeps the deflated form small.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vexa::doc::detail {

inline constexpr std::string_view kMagic{"VEXADOC\0", 8};
inline constexpr std::uint64_t kFormatVersion = 1;
inline constexpr std::uint8_t kRaw = 0;
inline constexpr std::uint8_t kDeflate = 1;
// Far beyond any real profile list; it bounds what a hostile length can make load allocate.
inline constexpr std::uint64_t kMaxCounter = std::uint64_t{1} << 62;
inline constexpr std::size_t kMaxBody = std::size_t{256} << 20;

enum ValueTag : std::uint8_t {
  kString = 0,
  kUnsigned = 1,
  kFalse = 2,
  kTrue = 3,
  kMapRef = 4,
  kTextRef = 5,
};

// Key codes: a literal, a lower-case hyphenated UUID as 16 bytes, or an earlier key by number.
enum KeyCode : std::uint8_t { kKeyLiteral = 0, kKeyUuid = 1, kKeyTableBase = 2 };

inline std::uint64_t zigzag(std::int64_t v) {
  return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
}
inline std::int64_t unzigzag(std::uint64_t v) {
  return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1);
}

}  // namespace vexa::doc::detail

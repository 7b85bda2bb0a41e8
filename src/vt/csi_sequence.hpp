#pragma once
// A complete control sequence as the parser delivers it (also the header of a DCS string).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vt {

inline constexpr std::size_t kMaxCsiValues = 32;
inline constexpr std::size_t kMaxIntermediates = 2;
inline constexpr std::uint16_t kMaxCsiValue = 65535;

// Parameters are separated by ';', the subparameters of one parameter by ':'. An empty
// parameter or subparameter reads as 0. Values saturate at 65535; at most kMaxCsiValues values
// are kept in all, and dropping one (or a third intermediate byte) sets `overflow`.
struct CsiSequence {
  std::array<std::uint16_t, kMaxCsiValues> values{};
  // Index into `values` of each parameter's first subparameter.
  std::array<std::uint8_t, kMaxCsiValues> param_starts{};
  std::uint8_t value_count = 0;
  std::uint8_t param_count = 0;
  std::array<std::uint8_t, kMaxIntermediates> intermediates{};
  std::uint8_t intermediate_count = 0;
  // '<', '=', '>' or '?' right after the introducer; 0 when there is none.
  std::uint8_t private_marker = 0;
  bool overflow = false;
  std::uint8_t final_byte = 0;

  std::size_t size() const { return param_count; }

  // The subparameters of parameter `i`; empty when there is no such parameter.
  std::span<const std::uint16_t> param(std::size_t i) const {
    if (i >= param_count) return {};
    std::size_t begin = param_starts[i];
    std::size_t end = i + 1 < param_count ? param_starts[i + 1] : value_count;
    return {values.data() + begin, end - begin};
  }

  // The first subparameter of parameter `i`, or `absent` when there is no such parameter.
  std::uint16_t first(std::size_t i, std::uint16_t absent = 0) const {
    return i < param_count ? values[param_starts[i]] : absent;
  }

  std::span<const std::uint8_t> intermediate_bytes() const {
    return {intermediates.data(), intermediate_count};
  }
};

}  // namespace vt

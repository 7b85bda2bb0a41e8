#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa::doc::detail {

// Strict decoding, one scalar value at a time into `sink` (returning false stops); false when
// the text is not valid UTF-8 or the sink stopped.
template <typename Sink>
bool decode_utf8_each(std::string_view text, Sink&& sink);

// Strict decoding: overlong forms, surrogates and values past U+10FFFF are refused.
std::optional<std::vector<char32_t>> decode_utf8(std::string_view text);
void append_utf8(std::string& out, char32_t ch);
bool valid_scalar(std::uint64_t ch);
// Length of the sequence starting with this byte, or 0 for a continuation or invalid byte.
std::size_t utf8_sequence_length(unsigned char lead);

template <typename Sink>
bool decode_utf8_each(std::string_view text, Sink&& sink) {
  static constexpr char32_t min_for_length[] = {0, 0, 0x80, 0x800, 0x10000};
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t n = utf8_sequence_length(lead);
    if (n == 0 || i + n > text.size()) return false;
    char32_t ch = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
      auto b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      ch = (ch << 6) | (b & 0x3F);
    }
    if (ch < min_for_length[n] || !valid_scalar(ch) || !sink(ch)) return false;
    i += n;
  }
  return true;
}

}  // namespace vexa::doc::detail

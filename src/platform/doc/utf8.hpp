#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa::doc::detail {

// Strict decoding: overlong forms, surrogates and values past U+10FFFF are refused.
std::optional<std::vector<char32_t>> decode_utf8(std::string_view text);
void append_utf8(std::string& out, char32_t ch);
bool valid_scalar(std::uint64_t ch);
// Length of the sequence starting with this byte, or 0 for a continuation or invalid byte.
std::size_t utf8_sequence_length(unsigned char lead);

}  // namespace vexa::doc::detail

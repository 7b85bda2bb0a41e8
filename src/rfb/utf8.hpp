#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rfb {

// Decodes the code point at `text[at]`, advancing `at`; nullopt (and `at` past the bad
// sequence's first byte) on malformed input.
std::optional<char32_t> next_code_point(std::string_view text, std::size_t& at);
bool valid_utf8(std::string_view text);
// Invalid sequences become U+FFFD.
std::string utf8_lossy(std::string_view bytes);

}  // namespace rfb

#include "platform/doc/utf8.hpp"

#include "platform/sys/text.hpp"

namespace vexa::doc::detail {

bool valid_scalar(std::uint64_t ch) { return ch <= 0x10FFFF && (ch < 0xD800 || ch > 0xDFFF); }

std::size_t utf8_sequence_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

std::optional<std::vector<char32_t>> decode_utf8(std::string_view text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  if (!decode_utf8_each(text, [&](char32_t ch) {
        out.push_back(ch);
        return true;
      })) {
    return std::nullopt;
  }
  return out;
}

void append_utf8(std::string& out, char32_t ch) { vexa::sys::append_utf8(out, ch); }

}  // namespace vexa::doc::detail

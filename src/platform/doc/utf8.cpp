#include "platform/doc/utf8.hpp"

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
  static constexpr char32_t min_for_length[] = {0, 0, 0x80, 0x800, 0x10000};
  std::vector<char32_t> out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t n = utf8_sequence_length(lead);
    if (n == 0 || i + n > text.size()) return std::nullopt;
    char32_t ch = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
      auto b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) return std::nullopt;
      ch = (ch << 6) | (b & 0x3F);
    }
    if (ch < min_for_length[n] || !valid_scalar(ch)) return std::nullopt;
    out.push_back(ch);
    i += n;
  }
  return out;
}

void append_utf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out.push_back(static_cast<char>(ch));
  } else if (ch < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else if (ch < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  }
}

}  // namespace vexa::doc::detail

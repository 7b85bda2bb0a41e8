#include "rfb/utf8.hpp"

namespace rfb {

std::optional<char32_t> next_code_point(std::string_view text, std::size_t& at) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at++);
  if (lead < 0x80) return lead;
  int extra;
  char32_t cp;
  char32_t min;
  if (lead >= 0xc2 && lead <= 0xdf) {
    extra = 1, cp = lead & 0x1f, min = 0x80;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    extra = 2, cp = lead & 0x0f, min = 0x800;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    extra = 3, cp = lead & 0x07, min = 0x10000;
  } else {
    return std::nullopt;
  }
  std::size_t start = at;
  for (int i = 0; i < extra; ++i) {
    if (start + i >= text.size() || (byte(start + i) & 0xc0) != 0x80) return std::nullopt;
    cp = cp << 6 | (byte(start + i) & 0x3f);
  }
  if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return std::nullopt;
  at = start + extra;
  return cp;
}

bool valid_utf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    if (!next_code_point(text, at)) return false;
  }
  return true;
}

std::string utf8_lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t start = at;
    if (next_code_point(bytes, at)) {
      out.append(bytes.substr(start, at - start));
    } else {
      out.append("\xef\xbf\xbd");
    }
  }
  return out;
}

}  // namespace rfb

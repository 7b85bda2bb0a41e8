#pragma once
// Helpers shared by the terminal tests: feeding text and reading rows back as text.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "vt/terminal_screen.hpp"

namespace vt::testing {

inline std::span<const std::uint8_t> bytes_of(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline void feed(TerminalScreen& screen, std::string_view text) {
  screen.feed(bytes_of(text));
}

inline std::string utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// Row `r` as UTF-8 text, trailing blanks kept.
inline std::string row_text(const TerminalScreen& screen, std::size_t r) {
  std::string out;
  for (const TerminalCell& cell : screen.row(r)) out += utf8(cell.character);
  return out;
}

// Row `r` with trailing spaces removed.
inline std::string row_trimmed(const TerminalScreen& screen, std::size_t r) {
  std::string text = row_text(screen, r);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// Everything a view can see, plus where the parser stands.
inline bool same_screen(const TerminalScreen& a, const TerminalScreen& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  if (a.cursor_row() != b.cursor_row() || a.cursor_column() != b.cursor_column()) return false;
  if (a.current_foreground() != b.current_foreground() || a.current_bold() != b.current_bold())
    return false;
  if (a.parser().state() != b.parser().state() ||
      a.parser().utf8_pending() != b.parser().utf8_pending())
    return false;
  for (std::size_t r = 0; r < a.height(); ++r) {
    auto ra = a.row(r);
    auto rb = b.row(r);
    if (!std::equal(ra.begin(), ra.end(), rb.begin())) return false;
  }
  return true;
}

}  // namespace vt::testing

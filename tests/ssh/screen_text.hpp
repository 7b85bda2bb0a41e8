#pragma once
// The text on a terminal screen, rows joined by newlines, trailing blanks dropped.
#include <string>

#include "vt/terminal_screen.hpp"

namespace ssh_test {

inline std::string screen_text(const vt::TerminalScreen& screen) {
  std::string text;
  for (std::size_t r = 0; r < screen.height(); ++r) {
    std::string line;
    for (const vt::TerminalCell& cell : screen.row(r)) {
      line += cell.character < 0x80 ? static_cast<char>(cell.character) : '?';
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text += line + "\n";
  }
  return text;
}

}  // namespace ssh_test

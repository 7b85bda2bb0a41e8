#include "engines.hpp"

#include <vterm.h>

#include <algorithm>
#include <chrono>

namespace vt_bench {
namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

double time_ours(std::span<const std::uint8_t> bytes, vt::TerminalScreen& out) {
  vt::TerminalScreen screen(kColumns, kRows);
  auto start = Clock::now();
  for (std::size_t at = 0; at < bytes.size(); at += kChunkBytes) {
    screen.feed(bytes.subspan(at, std::min(kChunkBytes, bytes.size() - at)));
  }
  double elapsed = seconds_since(start);
  out = screen;
  return elapsed;
}

double time_libvterm(std::span<const std::uint8_t> bytes, std::vector<std::u32string>& rows) {
  VTerm* term = vterm_new(kRows, kColumns);
  vterm_set_utf8(term, 1);
  VTermScreen* screen = vterm_obtain_screen(term);
  vterm_screen_reset(screen, 1);
  auto start = Clock::now();
  for (std::size_t at = 0; at < bytes.size(); at += kChunkBytes) {
    std::size_t n = std::min(kChunkBytes, bytes.size() - at);
    vterm_input_write(term, reinterpret_cast<const char*>(bytes.data() + at), n);
  }
  double elapsed = seconds_since(start);
  rows.assign(kRows, std::u32string());
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      VTermScreenCell cell{};
      vterm_screen_get_cell(screen, VTermPos{r, c}, &cell);
      rows[r] += cell.chars[0] ? static_cast<char32_t>(cell.chars[0]) : U' ';
    }
  }
  vterm_free(term);
  return elapsed;
}

}  // namespace vt_bench

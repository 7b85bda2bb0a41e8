// Arbitrary bytes in arbitrary chunks: the screen keeps its shape and its cursor in range, and
// the chunking never changes the result.
#include <cstdlib>

#include "vt/terminal_screen.hpp"
#include "vt/vt_test_support.hpp"

namespace {

void check_cursor(const vt::TerminalScreen& s) {
  if (s.cursor_row() >= s.height() || s.cursor_column() > s.width()) std::abort();
}

void check_shape(const vt::TerminalScreen& s) {
  check_cursor(s);
  auto rows = s.rows();
  if (rows.size() != s.height()) std::abort();
  for (const auto& row : rows) {
    if (row.size() != s.width()) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // Header: screen size and the seed of the chunking; mostly the real 80x24 screen, sometimes
  // a tiny one where wrapping and scrolling happen all the time.
  bool tiny = data[0] & 1;
  std::size_t width = tiny ? data[0] % 9 : 80;
  std::size_t height = tiny ? data[1] % 5 : 24;
  std::uint32_t seed = data[2] | 1u;
  std::span<const std::uint8_t> stream(data + 3, size - 3);

  vt::TerminalScreen whole(width, height);
  whole.feed(stream);
  check_shape(whole);

  vt::TerminalScreen chunked(width, height);
  std::size_t at = 0;
  while (at < stream.size()) {
    seed = seed * 1103515245u + 12345u;
    std::size_t n = std::min<std::size_t>((seed >> 16) % 24, stream.size() - at);
    chunked.feed(stream.subspan(at, n));
    check_cursor(chunked);
    at += n;
  }
  check_shape(chunked);
  if (!vt::testing::same_screen(whole, chunked)) std::abort();
  return 0;
}

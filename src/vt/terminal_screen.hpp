#pragma once
// The emulated display of a shell: a fixed grid of cells, a cursor, the current foreground
// colour and bold flag, and the parser state carried from one chunk of output to the next.
// No scrollback, no alternate screen, no scroll region, never resized.
//
// Thread: only the UI thread touches a screen; output reaches it as byte chunks (drain.hpp).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "vt/cell_fill.hpp"
#include "vt/parser.hpp"
#include "vt/terminal_cell.hpp"

namespace vt {

// A copy of what a view draws, made once per frame. Reusing one copy keeps its buffer.
struct ScreenCopy {
  std::size_t width = 0;
  std::size_t height = 0;
  std::size_t cursor_row = 0;
  std::size_t cursor_column = 0;
  std::vector<TerminalCell> cells;  // row-major, `height` rows of `width` cells

  std::span<const TerminalCell> row(std::size_t r) const {
    return {cells.data() + r * width, width};
  }
};

// Larger dimensions are clamped, so that width * height can neither overflow nor ask for an
// absurd allocation.
inline constexpr std::size_t kMaxScreenDimension = 4096;

class TerminalScreen {
 public:
  // Each dimension below 1 is taken as 1, each above kMaxScreenDimension as that.
  TerminalScreen(std::size_t columns, std::size_t rows);

  // Interprets a chunk of shell output; a chunk may end anywhere.
  void feed(std::span<const std::uint8_t> bytes);

  // Grid operations.
  void print(char32_t character);
  void line_feed();
  void erase_to_line_end();
  void clear_row();
  void clear_all();
  // Clamped to the last column / row; setting the column ends a pending wrap.
  void set_cursor_column(std::size_t column);
  void set_cursor_row(std::size_t row);

  // Interpreter: what the parser calls.
  void execute(std::uint32_t control);
  void dispatch_csi(const CsiSequence& seq);
  void select_graphic_rendition(const CsiSequence& seq);
  void print_ascii(std::span<const std::uint8_t> run);

  // Reading.
  std::size_t width() const { return width_; }
  std::size_t height() const { return height_; }
  // 0..width; `width` means a wrap is pending.
  std::size_t cursor_column() const { return cursor_column_; }
  std::size_t cursor_row() const { return cursor_row_; }
  std::optional<std::uint8_t> current_foreground() const { return current_foreground_; }
  bool current_bold() const { return current_bold_; }
  const Parser& parser() const { return parser_; }

  // Row `r` (0 is the top) in place; valid until the screen next changes.
  std::span<const TerminalCell> row(std::size_t r) const;
  std::vector<std::vector<TerminalCell>> rows() const;
  void copy_to(ScreenCopy& out) const;

 private:
  TerminalCell* row_cells(std::size_t r);
  TerminalCell pen() const;
  void apply_graphic_rendition(const CsiSequence& seq);
  void wrap_if_pending();

  std::optional<std::uint8_t> current_foreground_;
  // Rows live in a ring: logical row r is physical row (top_ + r) % height_, so scrolling
  // blanks one row instead of moving all the others.
  std::vector<TerminalCell> cells_;
  std::size_t top_ = 0;
  std::size_t width_;
  std::size_t height_;
  std::size_t cursor_column_ = 0;
  std::size_t cursor_row_ = 0;
  bool current_bold_ = false;
  // The pen as cell bits (see attribute_bits), kept in step with the two fields above.
  std::uint64_t pen_attributes_ = attribute_bits(kBlankCell);
  Parser parser_;
};

// The hot grid operations are inline: the interpreter calls them for every character.

inline TerminalCell* TerminalScreen::row_cells(std::size_t r) {
  std::size_t physical = top_ + r;
  if (physical >= height_) physical -= height_;
  return cells_.data() + physical * width_;
}

inline TerminalCell TerminalScreen::pen() const {
  return TerminalCell{U' ', current_foreground_, current_bold_};
}

inline void TerminalScreen::wrap_if_pending() {
  if (cursor_column_ >= width_) {
    cursor_column_ = 0;
    line_feed();
  }
}

inline void TerminalScreen::print(char32_t character) {
  wrap_if_pending();
  store_cell_bits(row_cells(cursor_row_) + cursor_column_, pen_attributes_ | character);
  ++cursor_column_;
}

inline void TerminalScreen::set_cursor_column(std::size_t column) {
  cursor_column_ = std::min(column, width_ - 1);
}

inline void TerminalScreen::set_cursor_row(std::size_t row) {
  cursor_row_ = std::min(row, height_ - 1);
}

inline void TerminalScreen::print_ascii(std::span<const std::uint8_t> run) {
  const std::uint8_t* p = run.data();
  std::size_t left = run.size();
  while (left != 0) {
    wrap_if_pending();
    std::size_t n = std::min(left, width_ - cursor_column_);
    write_ascii_cells(row_cells(cursor_row_) + cursor_column_, p, n, pen_attributes_);
    cursor_column_ += n;
    p += n;
    left -= n;
  }
}

inline void TerminalScreen::line_feed() {
  if (cursor_row_ + 1 < height_) {
    ++cursor_row_;
    return;
  }
  // Scroll: the top row becomes the new, blank bottom row.
  fill_cells(row_cells(0), width_, kBlankCell);
  top_ = top_ + 1 == height_ ? 0 : top_ + 1;
}

}  // namespace vt

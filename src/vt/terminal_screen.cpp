#include "vt/terminal_screen.hpp"

#include <algorithm>

namespace vt {

TerminalScreen::TerminalScreen(std::size_t columns, std::size_t rows)
    : width_(std::max<std::size_t>(columns, 1)), height_(std::max<std::size_t>(rows, 1)) {
  cells_.assign(width_ * height_, kBlankCell);
}

TerminalCell* TerminalScreen::row_cells(std::size_t r) {
  std::size_t physical = top_ + r;
  if (physical >= height_) physical -= height_;
  return cells_.data() + physical * width_;
}

std::span<const TerminalCell> TerminalScreen::row(std::size_t r) const {
  return {const_cast<TerminalScreen*>(this)->row_cells(r), width_};
}

TerminalCell TerminalScreen::pen() const {
  return TerminalCell{U' ', current_foreground_, current_bold_};
}

void TerminalScreen::wrap_if_pending() {
  if (cursor_column_ >= width_) {
    cursor_column_ = 0;
    line_feed();
  }
}

void TerminalScreen::print(char32_t character) {
  wrap_if_pending();
  TerminalCell cell = pen();
  cell.character = character;
  row_cells(cursor_row_)[cursor_column_] = cell;
  ++cursor_column_;
}

void TerminalScreen::line_feed() {
  if (cursor_row_ + 1 < height_) {
    ++cursor_row_;
    return;
  }
  // Scroll: the top row becomes the new, blank bottom row.
  std::fill_n(row_cells(0), width_, kBlankCell);
  top_ = top_ + 1 == height_ ? 0 : top_ + 1;
}

void TerminalScreen::erase_to_line_end() {
  if (cursor_column_ >= width_) return;
  TerminalCell* cells = row_cells(cursor_row_);
  std::fill(cells + cursor_column_, cells + width_, kBlankCell);
}

void TerminalScreen::clear_row() { std::fill_n(row_cells(cursor_row_), width_, kBlankCell); }

void TerminalScreen::clear_all() { std::fill(cells_.begin(), cells_.end(), kBlankCell); }

void TerminalScreen::set_cursor_column(std::size_t column) {
  cursor_column_ = std::min(column, width_ - 1);
}

void TerminalScreen::set_cursor_row(std::size_t row) { cursor_row_ = std::min(row, height_ - 1); }

std::vector<std::vector<TerminalCell>> TerminalScreen::rows() const {
  std::vector<std::vector<TerminalCell>> out;
  out.reserve(height_);
  for (std::size_t r = 0; r < height_; ++r) {
    auto cells = row(r);
    out.emplace_back(cells.begin(), cells.end());
  }
  return out;
}

void TerminalScreen::copy_to(ScreenCopy& out) const {
  out.width = width_;
  out.height = height_;
  out.cursor_row = cursor_row_;
  out.cursor_column = cursor_column_;
  out.cells.resize(cells_.size());
  // Two block copies: from the ring's top to its end, then its start.
  auto split = cells_.begin() + static_cast<std::ptrdiff_t>(top_ * width_);
  auto next = std::copy(split, cells_.end(), out.cells.begin());
  std::copy(cells_.begin(), split, next);
}

}  // namespace vt

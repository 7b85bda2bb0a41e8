#include "vt/terminal_screen.hpp"

#include <algorithm>

#include "vt/cell_fill.hpp"

namespace vt {

TerminalScreen::TerminalScreen(std::size_t columns, std::size_t rows)
    : width_(std::clamp<std::size_t>(columns, 1, kMaxScreenDimension)),
      height_(std::clamp<std::size_t>(rows, 1, kMaxScreenDimension)) {
  cells_.assign(width_ * height_, kBlankCell);
}

std::span<const TerminalCell> TerminalScreen::row(std::size_t r) const {
  return {const_cast<TerminalScreen*>(this)->row_cells(r), width_};
}

void TerminalScreen::erase_to_line_end() {
  if (cursor_column_ >= width_) return;
  TerminalCell* cells = row_cells(cursor_row_);
  fill_cells(cells + cursor_column_, width_ - cursor_column_, kBlankCell);
}

void TerminalScreen::clear_row() {
  fill_cells(row_cells(cursor_row_), width_, kBlankCell);
}

void TerminalScreen::clear_all() {
  fill_cells(cells_.data(), cells_.size(), kBlankCell);
}

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

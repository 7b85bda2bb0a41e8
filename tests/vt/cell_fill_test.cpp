// The block writers must touch exactly the cells asked for, whatever the length.
#include "vt/cell_fill.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace vt {
namespace {

const TerminalCell kSentinel{U'#', 9, true};

TEST(CellFill, WriteAsciiCellsWritesExactlyNCells) {
  std::vector<std::uint8_t> src;
  for (int i = 0; i < 100; ++i) src.push_back(static_cast<std::uint8_t>(0x20 + (i * 7) % 0x60));
  const TerminalCell pen{U' ', 3, true};
  for (std::size_t offset : {0u, 1u, 5u}) {
    for (std::size_t n = 0; n <= 70; ++n) {
      std::vector<TerminalCell> cells(80, kSentinel);
      write_ascii_cells(cells.data() + offset, src.data() + offset, n, attribute_bits(pen));
      for (std::size_t i = 0; i < cells.size(); ++i) {
        bool inside = i >= offset && i < offset + n;
        TerminalCell expected = inside ? TerminalCell{src[i], 3, true} : kSentinel;
        ASSERT_EQ(cells[i], expected) << "n " << n << " offset " << offset << " cell " << i;
      }
    }
  }
}

TEST(CellFill, FillCellsWritesExactlyNCells) {
  for (std::size_t n = 0; n <= 20; ++n) {
    std::vector<TerminalCell> cells(24, kSentinel);
    fill_cells(cells.data() + 1, n, kBlankCell);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      ASSERT_EQ(cells[i], (i >= 1 && i <= n) ? kBlankCell : kSentinel) << n << " " << i;
    }
  }
}

}  // namespace
}  // namespace vt

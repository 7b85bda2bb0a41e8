// The grid model on its own: printing, wrapping, scrolling, erasing, reading.
#include <gtest/gtest.h>

#include <string>

#include "vt_test_support.hpp"

namespace vt {
namespace {

using testing::row_trimmed;

void print_text(TerminalScreen& s, std::u32string_view text) {
  for (char32_t c : text) s.print(c);
}

TEST(TerminalScreen, NewScreenIsBlankWithCursorHome) {
  TerminalScreen s(80, 24);
  EXPECT_EQ(s.width(), 80u);
  EXPECT_EQ(s.height(), 24u);
  EXPECT_EQ(s.cursor_row(), 0u);
  EXPECT_EQ(s.cursor_column(), 0u);
  EXPECT_FALSE(s.current_foreground());
  EXPECT_FALSE(s.current_bold());
  EXPECT_EQ(s.parser().state(), ParserState::Ground);
  auto rows = s.rows();
  ASSERT_EQ(rows.size(), 24u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 80u);
    for (const TerminalCell& c : row) EXPECT_EQ(c, (TerminalCell{U' ', std::nullopt, false}));
  }
}

TEST(TerminalScreen, PrintingTheLastColumnDefersTheWrap) {
  TerminalScreen s(80, 24);
  print_text(s, std::u32string(80, U'a'));
  EXPECT_EQ(s.cursor_row(), 0u);
  EXPECT_EQ(s.cursor_column(), 80u);
  s.print(U'b');
  EXPECT_EQ(s.cursor_row(), 1u);
  EXPECT_EQ(s.cursor_column(), 1u);
  EXPECT_EQ(s.row(1)[0].character, U'b');
}

TEST(TerminalScreen, PrintingPastTheBottomRightScrolls) {
  TerminalScreen s(80, 24);
  s.print(U'T');  // lost with the top row
  s.set_cursor_row(1);
  s.set_cursor_column(0);
  s.print(U'S');  // becomes row 0
  s.set_cursor_row(23);
  s.set_cursor_column(79);
  s.print(U'y');
  s.print(U'z');
  EXPECT_EQ(row_trimmed(s, 0), "S");
  EXPECT_EQ(row_trimmed(s, 22), std::string(79, ' ') + "y");
  EXPECT_EQ(row_trimmed(s, 23), "z");
  EXPECT_EQ(s.cursor_row(), 23u);
  EXPECT_EQ(s.cursor_column(), 1u);
}

TEST(TerminalScreen, LineFeedOnLastRowScrollsAndKeepsColumn) {
  TerminalScreen s(10, 3);
  print_text(s, U"top");
  s.set_cursor_row(2);
  s.set_cursor_column(4);
  s.line_feed();
  EXPECT_EQ(s.cursor_row(), 2u);
  EXPECT_EQ(s.cursor_column(), 4u);
  for (std::size_t r = 0; r < 3; ++r) EXPECT_EQ(row_trimmed(s, r), "") << r;
}

TEST(TerminalScreen, ScrolledInRowIsBlankNotCurrentPen) {
  TerminalScreen s(4, 2);
  testing::feed(s, "\x1b[1;31m");
  s.set_cursor_row(1);
  s.line_feed();
  for (const TerminalCell& c : s.row(1)) EXPECT_EQ(c, kBlankCell);
}

TEST(TerminalScreen, ZeroSizeBecomesOneByOne) {
  TerminalScreen s(0, 0);
  EXPECT_EQ(s.width(), 1u);
  EXPECT_EQ(s.height(), 1u);
  s.print(U'a');
  EXPECT_EQ(s.cursor_column(), 1u);
  s.print(U'b');  // wraps, scrolling the only row
  EXPECT_EQ(row_trimmed(s, 0), "b");
  EXPECT_EQ(s.cursor_row(), 0u);
  EXPECT_EQ(s.cursor_column(), 1u);
}

TEST(TerminalScreen, HugeSizesAreClampedNotOverflowed) {
  // 2^33 x 2^31 cells would wrap the cell count to 0 if multiplied unchecked.
  TerminalScreen s(std::size_t{1} << 33, std::size_t{1} << 31);
  EXPECT_EQ(s.width(), kMaxScreenDimension);
  EXPECT_EQ(s.height(), kMaxScreenDimension);
  testing::feed(s, "\x1b[99999;99999Hx");
  EXPECT_EQ(s.row(kMaxScreenDimension - 1).back().character, U'x');
}

TEST(TerminalScreen, PrintedCellsTakeThePen) {
  TerminalScreen s(10, 2);
  testing::feed(s, "\x1b[1;94m");
  s.print(U'\u4E2D');  // wide characters still take one cell
  EXPECT_EQ(s.row(0)[0], (TerminalCell{U'\u4E2D', 12, true}));
  EXPECT_EQ(s.cursor_column(), 1u);
}

struct EraseCase {
  std::size_t column;
  std::string expected;
};

TEST(TerminalScreen, EraseToLineEnd) {
  const EraseCase cases[] = {{0, ""}, {3, "abc"}, {9, "abcdefghi"}, {10, "abcdefghij"}};
  for (const auto& c : cases) {
    TerminalScreen s(10, 2);
    print_text(s, U"abcdefghij");
    if (c.column < 10) s.set_cursor_column(c.column);
    s.erase_to_line_end();
    EXPECT_EQ(row_trimmed(s, 0), c.expected) << c.column;
    EXPECT_EQ(s.cursor_column(), c.column);
  }
}

TEST(TerminalScreen, ClearRowAndClearAllBlankWithoutMovingCursor) {
  TerminalScreen s(5, 3);
  testing::feed(s, "\x1b[31maaaaa\r\nbbbbb\r\ncc");
  s.set_cursor_row(1);
  s.clear_row();
  EXPECT_EQ(row_trimmed(s, 0), "aaaaa");
  EXPECT_EQ(row_trimmed(s, 1), "");
  EXPECT_EQ(row_trimmed(s, 2), "cc");
  s.clear_all();
  EXPECT_EQ(s.cursor_row(), 1u);
  EXPECT_EQ(s.cursor_column(), 2u);
  for (const auto& row : s.rows())
    for (const TerminalCell& c : row) EXPECT_EQ(c, kBlankCell);
}

TEST(TerminalScreen, CopyToFollowsRowsAfterScrolling) {
  TerminalScreen s(3, 3);
  testing::feed(s, "a\r\nb\r\nc\r\nd\r\ne");
  ScreenCopy copy;
  s.copy_to(copy);
  ASSERT_EQ(copy.cells.size(), 9u);
  auto rows = s.rows();
  for (std::size_t r = 0; r < 3; ++r) {
    EXPECT_TRUE(std::equal(rows[r].begin(), rows[r].end(), copy.row(r).begin())) << r;
  }
  EXPECT_EQ(copy.row(0)[0].character, U'c');
  EXPECT_EQ(copy.row(2)[0].character, U'e');
  EXPECT_EQ(copy.cursor_row, 2u);
  EXPECT_EQ(copy.cursor_column, 1u);
  EXPECT_EQ(copy.width, 3u);
  EXPECT_EQ(copy.height, 3u);
}

}  // namespace
}  // namespace vt

// What the shell's bytes do to an 80x24 screen: controls, cursor functions, erasing,
// graphic rendition, deferred wrap, and sequences that must change nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vt_test_support.hpp"

namespace vt {
namespace {

using testing::feed;
using testing::row_trimmed;

struct CursorCase {
  std::string setup;  // brings the cursor to its start position
  std::string input;
  std::size_t row;
  std::size_t column;
};

void expect_cursor(const std::vector<CursorCase>& cases) {
  for (const auto& c : cases) {
    TerminalScreen s(80, 24);
    feed(s, c.setup);
    feed(s, c.input);
    EXPECT_EQ(s.cursor_row(), c.row) << "input " << ::testing::PrintToString(c.input);
    EXPECT_EQ(s.cursor_column(), c.column) << "input " << ::testing::PrintToString(c.input);
  }
}

const std::string kAt3x5 = "\x1b[4;6H";      // row 3, column 5
const std::string kPending = "\x1b[2;80Hx";  // row 1, column 80: wrap pending
const std::string kLastRow = "\x1b[24;6H";   // row 23, column 5

TEST(Interpreter, ControlBytes) {
  expect_cursor({
      {kAt3x5, "\b", 3, 4},
      {"", "\b", 0, 0},
      {kPending, "\b", 1, 79},
      {"", "\t", 0, 8},
      {"\x1b[1;8H", "\t", 0, 8},
      {"\x1b[1;9H", "\t", 0, 16},
      {"\x1b[1;76H", "\t", 0, 79},
      {"\x1b[1;76H", "\t\t", 0, 79},
      {kPending, "\t", 1, 79},
      {kAt3x5, "\n", 4, 5},
      {kAt3x5, "\v", 4, 5},
      {kAt3x5, "\f", 4, 5},
      {kLastRow, "\n", 23, 5},
      {kAt3x5, "\r", 3, 0},
      {kPending, "\r", 1, 0},
      {kAt3x5, std::string("\x00\x07\x0e\x0f\x1c\x1f", 6), 3, 5},
      {kAt3x5, "\xc2\x85\xc2\x8d\xc2\x9f", 3, 5},  // C1 controls (NEL, RI, APC) do nothing
      {kAt3x5, "\x7f", 3, 6},                      // DEL is printed
  });
}

TEST(Interpreter, CursorFunctions) {
  const std::string at10 = "\x1b[11;11H";  // row 10, column 10
  expect_cursor({
      {at10, "\x1b[A", 9, 10},
      {at10, "\x1b[0A", 9, 10},
      {at10, "\x1b[4A", 6, 10},
      {at10, "\x1b[99A", 0, 10},
      {at10, "\x1b[B", 11, 10},
      {at10, "\x1b[99B", 23, 10},
      {at10, "\x1b[5C", 10, 15},
      {"\x1b[1;79H", "\x1b[5C", 0, 79},
      {at10, "\x1b[3D", 10, 7},
      {at10, "\x1b[99D", 10, 0},
      {at10, "\x1b[G", 10, 0},
      {at10, "\x1b[5G", 10, 4},
      {at10, "\x1b[999G", 10, 79},
      {at10, "\x1b[H", 0, 0},
      {at10, "\x1b[0;0H", 0, 0},
      {at10, "\x1b[999;999H", 23, 79},
      {at10, "\x1b[5H", 4, 0},
      {at10, "\x1b[;7H", 0, 6},
      {at10, "\x1b[3;4f", 2, 3},
      {at10, "\x1b[65535;65535H", 23, 79},
      {at10, "\x1b[2:9;3:9H", 1, 2},  // only the first subparameter counts
      {at10, "\x1b[?4A", 6, 10},      // a private marker does not change the function
      {at10, "\x1b[4 A", 6, 10},      // nor do intermediates
      {kPending, "\x1b[A", 0, 80},    // A and B keep a pending wrap
      {kPending, "\x1b[B", 2, 80},
      {kPending, "\x1b[C", 1, 79},  // column functions end it
      {kPending, "\x1b[D", 1, 79},
      {at10, "\x1b[5S\x1b[s\x1b[2;5r\x1b[3L\x1b[2M\x1b[d\x1b[6n", 10, 10},
  });
}

std::vector<std::string> screen_text(const TerminalScreen& s) {
  std::vector<std::string> rows;
  for (std::size_t r = 0; r < s.height(); ++r) rows.push_back(row_trimmed(s, r));
  return rows;
}

TEST(Interpreter, EraseFunctions) {
  struct Case {
    std::string input;
    std::vector<std::string> expected;
  };
  const std::vector<std::string> full = {"aaaaaa", "bbbbbb", "cccccc", "dddddd"};
  const std::vector<std::string> rest_of_row = {"aaaaaa", "bbbbbb", "ccc", "dddddd"};
  const std::vector<std::string> row_gone = {"aaaaaa", "bbbbbb", "", "dddddd"};
  const std::vector<std::string> all_gone = {"", "", "", ""};
  const Case cases[] = {
      {"\x1b[J", rest_of_row},
      {"\x1b[0J", rest_of_row},
      {"\x1b[1J", rest_of_row},
      {"\x1b[7J", rest_of_row},
      {"\x1b[2J", all_gone},
      {"\x1b[3J", all_gone},
      {"\x1b[?2J", all_gone},
      {"\x1b[K", rest_of_row},
      {"\x1b[0K", rest_of_row},
      {"\x1b[1K", rest_of_row},
      {"\x1b[2K", row_gone},
      {"\x1b[2;5K", row_gone},
      {"\x1b[H\x1b[J", {"", "bbbbbb", "cccccc", "dddddd"}},
      {"\x1b[1;7Hx\x1b[K", {"aaaaaa", "bbbbbb", "cccccc", "dddddd"}},  // pending wrap: no-op
  };
  for (const auto& c : cases) {
    TerminalScreen s(6, 4);
    feed(s, "aaaaaa\r\nbbbbbb\r\ncccccc\r\ndddddd\x1b[3;4H");
    ASSERT_EQ(screen_text(s), full);
    std::size_t row = s.cursor_row();
    feed(s, c.input);
    std::vector<std::string> expected = c.expected;
    if (c.input.find('x') != std::string::npos) expected[0] = "aaaaax";
    EXPECT_EQ(screen_text(s), expected) << ::testing::PrintToString(c.input);
    if (c.input.find('H') == std::string::npos) {
      EXPECT_EQ(s.cursor_row(), row);
    }
  }
}

TEST(Interpreter, ErasedCellsAreBlankNotCurrentColour) {
  TerminalScreen s(4, 2);
  feed(s, "\x1b[1;32mabcd\x1b[1;2H\x1b[K\x1b[2;1H\x1b[2K");
  EXPECT_EQ(s.row(0)[0], (TerminalCell{U'a', 2, true}));
  for (std::size_t c = 1; c < 4; ++c) EXPECT_EQ(s.row(0)[c], kBlankCell);
  for (const TerminalCell& cell : s.row(1)) EXPECT_EQ(cell, kBlankCell);
}

TEST(Interpreter, GraphicRendition) {
  struct Case {
    std::string input;
    std::optional<std::uint8_t> foreground;
    bool bold;
  };
  const Case cases[] = {
      {"\x1b[1;31m", 1, true},
      {"\x1b[1;31m\x1b[m", std::nullopt, false},
      {"\x1b[1;31m\x1b[0m", std::nullopt, false},
      {"\x1b[1;31m\x1b[;m", std::nullopt, false},
      {"\x1b[1;31m\x1b[?m", std::nullopt, false},
      {"\x1b[1;31;0;32m", 2, false},
      {"\x1b[31;1;22m", 1, false},
      {"\x1b[1;31;39m", std::nullopt, true},
      {"\x1b[30m", 0, false},
      {"\x1b[37m", 7, false},
      {"\x1b[90m", 8, false},
      {"\x1b[97m", 15, false},
      {"\x1b[1m\x1b[33m", 3, true},
      {"\x1b[38;5;31m", 1, false},  // extended forms read as plain values
      {"\x1b[31m\x1b[38;2;0;0;0m", std::nullopt, false},
      {"\x1b[31m\x1b[38:5:196m", 1, false},  // colon form: only 38 is read
      {"\x1b[32m\x1b[2;3;4;5;7;8;9;21;24;27;40;47;49;100;107m", 2, false},
      {"\x1b[32m\x1b[38;5;255m", 2, false},
      {"\x1b[32m\x1b[65566m", 2, false},  // saturated to 65535, not 30
  };
  for (const auto& c : cases) {
    TerminalScreen s(10, 2);
    feed(s, c.input + "x");
    EXPECT_EQ(s.row(0)[0], (TerminalCell{U'x', c.foreground, c.bold}))
        << ::testing::PrintToString(c.input);
    EXPECT_EQ(s.current_foreground(), c.foreground) << ::testing::PrintToString(c.input);
  }
}

TEST(Interpreter, DeferredWrap) {
  TerminalScreen s(80, 24);
  feed(s, std::string(80, 'a') + "\r\nb");
  EXPECT_EQ(row_trimmed(s, 0), std::string(80, 'a'));
  EXPECT_EQ(row_trimmed(s, 1), "b");  // CR LF after a full row is one line, not two
  feed(s, "\x1b[3;1H" + std::string(80, 'c') + "\bX");
  EXPECT_EQ(row_trimmed(s, 2), std::string(79, 'c') + "X");  // BS cancels the wrap
  EXPECT_EQ(s.cursor_column(), 80u);
  feed(s, "Y");
  EXPECT_EQ(row_trimmed(s, 3), "Y");
}

TEST(Interpreter, ScrollingKeepsLastLines) {
  TerminalScreen s(80, 24);
  std::string out;
  for (int i = 0; i < 100; ++i) out += "line " + std::to_string(i) + "\r\n";
  feed(s, out + "\x1b[1;33mtail");
  for (std::size_t r = 0; r < 23; ++r)
    EXPECT_EQ(row_trimmed(s, r), "line " + std::to_string(77 + r));
  EXPECT_EQ(row_trimmed(s, 23), "tail");
  EXPECT_EQ(s.row(23)[0], (TerminalCell{U't', 3, true}));
  EXPECT_EQ(s.cursor_row(), 23u);
  EXPECT_EQ(s.cursor_column(), 4u);
}

TEST(Interpreter, Utf8CharactersTakeOneCellEach) {
  TerminalScreen s(10, 2);
  feed(s, "\xc3\xa9\xe4\xb8\xad\xf0\x9f\x9a\x80\xff!");
  EXPECT_EQ(row_trimmed(s, 0), "\xc3\xa9\xe4\xb8\xad\xf0\x9f\x9a\x80\xef\xbf\xbd!");
  EXPECT_EQ(s.cursor_column(), 5u);
}

TEST(Interpreter, IgnoredSequencesChangeNothing) {
  const std::string ignored[] = {
      "\x1b[?1049h",
      "\x1b[?25l",
      "\x1b]0;window title\x07",
      "\x1b]2;title\x1b\\",
      "\x1b"
      "7",
      "\x1b"
      "8",
      "\x1b(B",
      "\x1b=",
      "\x1b"
      "c",
      "\x1bM",
      "\x1b"
      "D",
      "\x1b"
      "E",
      "\x1bP1$r\x1b\\",
      "\x1b_apc\x1b\\",
      "\x1b[s\x1b[u",
      "\x1b[2;10r",
      "\x1b[3L",
      "\x1b[2M",
      "\x1b[5P",
      "\x1b[4@",
      "\x1b[6n",
      "\x1b[>c",
      "\x1b[3S",
      "\x1b[3T",
      "\x1b[4h",
      "\x1b[?7l",
      "\x1b[5X",
      "\x07",
      "\x1b]8;;http://example.com\x1b\\",
  };
  const std::string setup = "\x1b[1;34mhello\r\nworld\x1b[2;3H";
  TerminalScreen reference(80, 24);
  feed(reference, setup);
  for (const auto& seq : ignored) {
    TerminalScreen s(80, 24);
    feed(s, setup);
    feed(s, seq);
    EXPECT_TRUE(testing::same_screen(s, reference)) << ::testing::PrintToString(seq);
  }
}

}  // namespace
}  // namespace vt

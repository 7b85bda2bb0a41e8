// A chunk may end anywhere: any split of a stream must leave the same screen as one chunk.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "vt_test_support.hpp"

namespace vt {
namespace {

using testing::bytes_of;
using testing::same_screen;

// A little of everything the parser knows: text, UTF-8 of every length, malformed UTF-8,
// CSI with subparameters and markers, ESC, OSC, DCS, controls inside sequences, wrapping.
const std::string kMixed =
    "plain \xc3\xa9\xe4\xb8\xad\xf0\x9f\x9a\x80 \xe4\xb8x\xff\x80"
    "\x1b[1;31mred\x1b[m\x1b[38:5:196m\x1b[?1049h\x1b[2;3H\x1b[K"
    "\x1b]0;title \xc3\xa9\x07\x1b]2;t\x1b\\\x1bP1$qm\x1b\\\x1b(B\x1b"
    "7"
    "\x1b[1\r\n;5H\x1b[4\x18"
    "A\tb\bc\x7f\xc2\x9b" +
    std::string(90, 'w') +
    "\r\n\x1b[2J\x1b[J"
    "\x1b[24;70Hend of screen wraps\x1b[31m\xc3";

TerminalScreen whole(const std::string& input) {
  TerminalScreen s(80, 24);
  s.feed(bytes_of(input));
  return s;
}

TEST(Split, EveryTwoWaySplitMatchesOneChunk) {
  const TerminalScreen reference = whole(kMixed);
  for (std::size_t cut = 0; cut <= kMixed.size(); ++cut) {
    TerminalScreen s(80, 24);
    s.feed(bytes_of(std::string_view(kMixed).substr(0, cut)));
    s.feed(bytes_of(std::string_view(kMixed).substr(cut)));
    ASSERT_TRUE(same_screen(s, reference)) << "cut at " << cut;
  }
}

TEST(Split, ByteByByteAndRandomChunksMatchOneChunk) {
  const TerminalScreen reference = whole(kMixed);
  TerminalScreen bytewise(80, 24);
  for (char c : kMixed) bytewise.feed(bytes_of(std::string_view(&c, 1)));
  EXPECT_TRUE(same_screen(bytewise, reference));

  std::mt19937 rng(7);
  for (int trial = 0; trial < 200; ++trial) {
    TerminalScreen s(80, 24);
    std::size_t at = 0;
    while (at < kMixed.size()) {
      std::size_t n = std::uniform_int_distribution<std::size_t>(0, 12)(rng);
      n = std::min(n, kMixed.size() - at);
      s.feed(bytes_of(std::string_view(kMixed).substr(at, n)));
      at += n;
    }
    ASSERT_TRUE(same_screen(s, reference)) << "trial " << trial;
  }
}

TEST(Split, SplitCharacterIsPrintedOnce) {
  const std::string chars[] = {"\xc3\xa9", "\xe4\xb8\xad", "\xf0\x9f\x9a\x80"};
  for (const auto& ch : chars) {
    for (std::size_t cut = 1; cut < ch.size(); ++cut) {
      TerminalScreen s(80, 24);
      s.feed(bytes_of(ch.substr(0, cut)));
      EXPECT_EQ(s.cursor_column(), 0u);
      s.feed(bytes_of(ch.substr(cut)));
      EXPECT_EQ(testing::row_trimmed(s, 0), ch);
      EXPECT_EQ(s.cursor_column(), 1u);
    }
  }
}

}  // namespace
}  // namespace vt

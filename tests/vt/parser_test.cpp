// The parser alone: which events a byte stream yields, whatever the chunking.
#include "vt/parser.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "vt_test_support.hpp"

namespace vt {
namespace {

// Records every event as a short text: printable ASCII as itself, other characters as U+XXXX,
// controls as ^XX, sequences with their parts.
struct Recorder {
  std::vector<std::string> events;

  void print(char32_t c) {
    events.push_back(c >= 0x20 && c < 0x7F
                         ? std::string(1, static_cast<char>(c))
                         : fmt::format("U+{:04X}", static_cast<std::uint32_t>(c)));
  }
  void execute(std::uint32_t code) { events.push_back(fmt::format("^{:02X}", code)); }
  void dispatch_csi(const CsiSequence& seq) { events.push_back("CSI" + describe(seq)); }
  void dispatch_esc(std::span<const std::uint8_t> intermediates, std::uint8_t final_byte) {
    events.push_back("ESC" + std::string(intermediates.begin(), intermediates.end()) +
                     static_cast<char>(final_byte));
  }
  void dispatch_osc(std::span<const std::uint8_t> payload, bool truncated) {
    events.push_back(fmt::format("OSC {}{}",
                                 payload.size() > 40 ? fmt::format("<{} bytes>", payload.size())
                                                     : std::string(payload.begin(), payload.end()),
                                 truncated ? " (truncated)" : ""));
  }
  void dispatch_dcs(const CsiSequence& seq, std::span<const std::uint8_t> payload, bool truncated) {
    events.push_back(fmt::format("DCS{} {}{}", describe(seq),
                                 payload.size() > 40 ? fmt::format("<{} bytes>", payload.size())
                                                     : std::string(payload.begin(), payload.end()),
                                 truncated ? " (truncated)" : ""));
  }

  static std::string describe(const CsiSequence& seq) {
    std::string out;
    if (seq.private_marker) out += static_cast<char>(seq.private_marker);
    for (std::size_t i = 0; i < seq.size(); ++i) {
      if (i) out += ';';
      auto sub = seq.param(i);
      for (std::size_t j = 0; j < sub.size(); ++j) out += (j ? ":" : "") + std::to_string(sub[j]);
    }
    for (auto b : seq.intermediate_bytes()) out += fmt::format("[{}]", static_cast<char>(b));
    out += static_cast<char>(seq.final_byte);
    if (seq.overflow) out += " overflow";
    return out;
  }
};

std::vector<std::string> parse(std::string_view input) {
  Parser parser;
  Recorder recorder;
  parser.feed(recorder, testing::bytes_of(input));
  return recorder.events;
}

using Events = std::vector<std::string>;

struct Case {
  const char* name;
  std::string input;
  Events expected;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  for (const char* p = info.param.name; *p; ++p)
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

class ParserCases : public ::testing::TestWithParam<Case> {};

TEST_P(ParserCases, YieldsEvents) {
  const Case& c = GetParam();
  EXPECT_EQ(parse(c.input), c.expected) << c.name;
}

// Every case must also come out the same when fed one byte at a time.
TEST_P(ParserCases, YieldsSameEventsByteByByte) {
  const Case& c = GetParam();
  Parser parser;
  Recorder recorder;
  for (char ch : c.input) parser.feed(recorder, testing::bytes_of(std::string_view(&ch, 1)));
  EXPECT_EQ(recorder.events, c.expected) << c.name;
}

std::string repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

Events csi_32_values() {
  std::string p;
  for (int i = 1; i <= 32; ++i) p += (i > 1 ? ";" : "") + std::to_string(i);
  return {"CSI" + p + "m overflow"};
}

const Case kCases[] = {
    {"ascii", "ab~", {"a", "b", "~"}},
    {"delete is printable", "\x7f", {"U+007F"}},
    {"c0 controls",
     std::string("\x00\x07\x08\x09\x0a\x0d\x1f", 7),
     {"^00", "^07", "^08", "^09", "^0A", "^0D", "^1F"}},
    {"two-byte utf8", "\xc3\xa9", {"U+00E9"}},
    {"three-byte utf8", "\xe4\xb8\xad", {"U+4E2D"}},
    {"four-byte utf8", "\xf0\x9f\x9a\x80", {"U+1F680"}},
    {"lone continuation",
     "\x80"
     "a",
     {"U+FFFD", "a"}},
    {"invalid lead bytes", "\xc0\xc1\xf5\xff", {"U+FFFD", "U+FFFD", "U+FFFD", "U+FFFD"}},
    {"overlong three-byte", "\xe0\x80\x80", {"U+FFFD", "U+FFFD", "U+FFFD"}},
    {"surrogate", "\xed\xa0\x80", {"U+FFFD", "U+FFFD", "U+FFFD"}},
    {"above U+10FFFF", "\xf4\x90\x80\x80", {"U+FFFD", "U+FFFD", "U+FFFD", "U+FFFD"}},
    {"truncated then ascii",
     "\xe4\xb8"
     "a",
     {"U+FFFD", "a"}},
    {"truncated then escape", "\xe4\xb8\x1b[m", {"U+FFFD", "CSIm"}},
    {"truncated then control", "\xc3\x0a", {"U+FFFD", "^0A"}},
    {"truncated then new lead", "\xc3\xc3\xa9", {"U+FFFD", "U+00E9"}},
    {"c1 encoded in utf8",
     "\xc2\x9b"
     "1m",
     {"^9B", "1", "m"}},
    {"raw c1 byte is malformed",
     "\x9b"
     "1m",
     {"U+FFFD", "1", "m"}},
    {"csi no params", "\x1b[m", {"CSIm"}},
    {"csi params", "\x1b[1;31m", {"CSI1;31m"}},
    {"csi empty params", "\x1b[;5;H", {"CSI0;5;0H"}},
    {"csi subparams", "\x1b[38:2::1:2:3;1m", {"CSI38:2:0:1:2:3;1m"}},
    {"csi saturates", "\x1b[99999;65535;65536H", {"CSI65535;65535;65535H"}},
    {"csi private marker", "\x1b[?1049h", {"CSI?1049h"}},
    {"csi intermediates", "\x1b[1 q\x1b[!p", {"CSI1[ ]q", "CSI[!]p"}},
    {"csi three intermediates", "\x1b[1 !\"p", {"CSI1[ ][!]p overflow"}},
    {"csi 32 values overflow",
     "\x1b[" +
         [] {
           std::string p;
           for (int i = 1; i <= 33; ++i) p += (i > 1 ? ";" : "") + std::to_string(i);
           return p;
         }() +
         "m",
     csi_32_values()},
    {"csi marker after param is ignored", "\x1b[1?hX", {"X"}},
    {"csi param after intermediate is ignored", "\x1b[ 1hX", {"X"}},
    {"csi non-ascii byte is ignored", "\x1b[1\xc3\xa9hX", {"X"}},
    {"c0 inside csi executes", "\x1b[1\r\n;2H", {"^0D", "^0A", "CSI1;2H"}},
    {"delete inside csi ignored", "\x1b[1\x7f;2H", {"CSI1;2H"}},
    {"can aborts csi",
     "\x1b[1\x18"
     "A",
     {"^18", "A"}},
    {"sub aborts csi",
     "\x1b[1\x1a"
     "A",
     {"^1A", "A"}},
    {"esc restarts sequence", "\x1b[1\x1b[2A", {"CSI2A"}},
    {"esc final",
     "\x1b"
     "7\x1b"
     "8\x1b"
     "c",
     {"ESC7", "ESC8", "ESCc"}},
    {"esc intermediate", "\x1b(B\x1b#8", {"ESC(B", "ESC#8"}},
    {"esc then utf8", "\x1b\xc3\xa9", {"U+00E9"}},
    {"osc bel",
     "\x1b]0;title\x07"
     "a",
     {"OSC 0;title", "a"}},
    {"osc st", "\x1b]2;t\xc3\xa9\x1b\\a", {"OSC 2;t\xc3\xa9", "ESC\\", "a"}},
    {"osc controls ignored", "\x1b]0;a\rb\x07", {"OSC 0;ab"}},
    {"osc cancelled",
     "\x1b]0;a\x18"
     "b",
     {"^18", "b"}},
    {"osc bounded", "\x1b]" + repeat("x", 5000) + "\x07", {"OSC <1024 bytes> (truncated)"}},
    {"dcs",
     "\x1b"
     "P1$qm\x1b\\",
     {"DCS1[$]q m", "ESC\\"}},
    {"dcs controls pass through", "\x1bPq#0\r\n\x1b\\", {"DCSq #0\r\n", "ESC\\"}},
    {"dcs bounded",
     "\x1bPq" + repeat("y", 3000) + "\x1b\\",
     {"DCSq <1024 bytes> (truncated)", "ESC\\"}},
    {"dcs bad header ignored", "\x1bP1 2q data\x1b\\a", {"ESC\\", "a"}},
    {"sos pm apc consumed",
     "\x1bX1\x1b\\\x1b^2\x1b\\\x1b_3\x07x\x1b\\",
     {"ESC\\", "ESC\\", "ESC\\"}},
};

INSTANTIATE_TEST_SUITE_P(Table, ParserCases, ::testing::ValuesIn(kCases), case_name);

TEST(Parser, StateSurvivesChunkBoundaries) {
  Parser parser;
  Recorder recorder;
  parser.feed(recorder, testing::bytes_of("\x1b[3"));
  EXPECT_EQ(parser.state(), ParserState::CsiParam);
  parser.feed(recorder, testing::bytes_of("8;5;1m\xe2"));
  EXPECT_TRUE(parser.utf8_pending());
  parser.feed(recorder, testing::bytes_of("\x9c\x93"));
  EXPECT_EQ(recorder.events, (Events{"CSI38;5;1m", "U+2713"}));
  EXPECT_EQ(parser.state(), ParserState::Ground);
}

}  // namespace
}  // namespace vt

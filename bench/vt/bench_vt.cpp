// Throughput of our terminal screen against libvterm on the same corpora, in the same run,
// both fed 4 KiB chunks into an 80x24 screen. Best of several runs per engine and corpus.
#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "corpus.hpp"
#include "engines.hpp"

namespace {

using vt_bench::Corpus;

int repeats() {
  const char* v = std::getenv("VT_BENCH_REPEAT");
  return v ? std::max(1, std::atoi(v)) : 3;
}

std::u32string our_row(const vt::TerminalScreen& s, std::size_t r) {
  std::u32string text;
  for (const vt::TerminalCell& c : s.row(r)) text += c.character;
  return text;
}

// The last `n` CR LF separated lines of `text`, oldest first; the last one is unterminated.
std::vector<std::string_view> last_lines(std::string_view text, std::size_t n) {
  std::vector<std::string_view> lines;
  std::size_t end = text.size();
  while (lines.size() < n) {
    std::size_t crlf = end >= 2 ? text.rfind("\r\n", end - 2) : std::string_view::npos;
    std::size_t begin = crlf == std::string_view::npos ? 0 : crlf + 2;
    lines.push_back(text.substr(begin, end - begin));
    if (crlf == std::string_view::npos) break;
    end = crlf;
  }
  std::reverse(lines.begin(), lines.end());
  return lines;
}

// The plain corpus is lines of printable ASCII ended by CR LF, so its final screen must hold
// its last lines, each padded with blanks, with the cursor after the unterminated last one.
bool plain_screen_matches_input(const Corpus& corpus, const vt::TerminalScreen& s) {
  std::string_view text(reinterpret_cast<const char*>(corpus.bytes.data()), corpus.bytes.size());
  auto lines = last_lines(text, s.height());
  if (lines.size() != s.height()) return false;
  for (std::size_t r = 0; r < s.height(); ++r) {
    std::u32string expected(lines[r].begin(), lines[r].end());
    expected.resize(s.width(), U' ');
    if (our_row(s, r) != expected) {
      fmt::print("plain: row {} differs from the input\n", r);
      return false;
    }
  }
  if (s.cursor_row() != s.height() - 1 || s.cursor_column() != lines.back().size()) {
    fmt::print("plain: cursor at {},{} after a last line of {}\n", s.cursor_row(),
               s.cursor_column(), lines.back().size());
    return false;
  }
  return true;
}

bool same_text(const vt::TerminalScreen& ours, const std::vector<std::u32string>& theirs) {
  for (std::size_t r = 0; r < ours.height(); ++r) {
    if (our_row(ours, r) != theirs[r]) return false;
  }
  return true;
}

// The fast paths only run on whole sequences inside one chunk; small odd-sized chunks send
// much of the stream through the byte-by-byte state machine, which must end the same.
bool chunking_is_invisible(const Corpus& corpus, const vt::TerminalScreen& reference) {
  constexpr std::size_t kSmallChunk = 61;
  vt::TerminalScreen s(vt_bench::kColumns, vt_bench::kRows);
  std::span<const std::uint8_t> bytes(corpus.bytes);
  for (std::size_t at = 0; at < bytes.size(); at += kSmallChunk) {
    s.feed(bytes.subspan(at, std::min(kSmallChunk, bytes.size() - at)));
  }
  bool same =
      s.cursor_row() == reference.cursor_row() && s.cursor_column() == reference.cursor_column();
  for (std::size_t r = 0; same && r < s.height(); ++r) {
    auto a = s.row(r);
    auto b = reference.row(r);
    same = std::equal(a.begin(), a.end(), b.begin());
  }
  if (!same) fmt::print("{}: {}-byte chunks give another screen\n", corpus.name, kSmallChunk);
  return same;
}

bool run(const Corpus& corpus) {
  double best_ours = 1e30;
  double best_theirs = 1e30;
  vt::TerminalScreen ours(vt_bench::kColumns, vt_bench::kRows);
  std::vector<std::u32string> theirs;
  for (int i = 0; i < repeats(); ++i) {
    best_ours = std::min(best_ours, vt_bench::time_ours(corpus.bytes, ours));
    best_theirs = std::min(best_theirs, vt_bench::time_libvterm(corpus.bytes, theirs));
  }
  double mb = static_cast<double>(corpus.bytes.size()) / 1e6;
  double ours_rate = mb / best_ours;
  double theirs_rate = mb / best_theirs;
  fmt::print("BENCH vt_{} {:.1f} MB/s ratio {:.2f} vs libvterm\n", corpus.name, ours_rate,
             ours_rate / theirs_rate);
  fmt::print("BENCH libvterm_{} {:.1f} MB/s\n", corpus.name, theirs_rate);
  if (!chunking_is_invisible(corpus, ours)) return false;
  if (corpus.name != "plain") return true;
  bool ok = plain_screen_matches_input(corpus, ours);
  if (ok && !same_text(ours, theirs)) fmt::print("note: libvterm's final plain screen differs\n");
  fmt::print("plain final screen {}\n", ok ? "matches the input" : "is WRONG");
  return ok;
}

}  // namespace

int main() {
  auto corpora = vt_bench::load_corpora();
  if (!corpora) {
    fmt::print(stderr, "bench_vt: {}\n", corpora.error());
    return 2;
  }
  bool ok = true;
  for (const Corpus& corpus : *corpora) ok = run(corpus) && ok;
  return ok ? 0 : 1;
}

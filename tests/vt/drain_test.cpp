// Moving queued output into the screen without waiting.
#include "vt/drain.hpp"

#include <gtest/gtest.h>

#include <deque>

#include "platform/sys/channel.hpp"
#include "vt_test_support.hpp"

namespace vt {
namespace {

OutputChunk chunk(std::string_view text) {
  return OutputChunk(text.begin(), text.end());
}

TEST(Drain, FeedsEveryWaitingChunkInOrderFromAChannel) {
  auto [tx, rx] = vexa::sys::bounded<OutputChunk>(128);
  TerminalScreen s(80, 24);
  EXPECT_FALSE(drain_output(rx, s));
  ASSERT_FALSE(tx.try_send(chunk("ab\xe4")));
  ASSERT_FALSE(tx.try_send(chunk("\xb8\xad\x1b[")));
  ASSERT_FALSE(tx.try_send(chunk("31mc")));
  EXPECT_TRUE(drain_output(rx, s));
  EXPECT_EQ(testing::row_trimmed(s, 0),
            "ab\xe4\xb8\xad"
            "c");
  EXPECT_EQ(s.row(0)[3].foreground, 1);
  EXPECT_FALSE(drain_output(rx, s));
  ASSERT_FALSE(tx.try_send(chunk("d")));
  tx.reset();  // output queued before the worker ended still arrives
  EXPECT_TRUE(drain_output(rx, s));
  EXPECT_EQ(testing::row_trimmed(s, 0),
            "ab\xe4\xb8\xad"
            "cd");
  EXPECT_FALSE(drain_output(rx, s));  // closed and empty: nothing, and no error
}

TEST(Drain, TakesCallableSourcesAndStopsAtTheLimit) {
  std::size_t calls = 0;
  auto endless = [&]() -> std::optional<OutputChunk> {
    ++calls;
    return chunk("x");
  };
  TerminalScreen s(80, 24);
  EXPECT_TRUE(drain_output(endless, s, 5));
  EXPECT_EQ(calls, 5u);
  EXPECT_EQ(s.cursor_column(), 5u);

  std::deque<OutputChunk> queue{chunk("1"), chunk("2")};
  auto from_queue = [&]() -> std::optional<OutputChunk> {
    if (queue.empty()) return std::nullopt;
    OutputChunk c = std::move(queue.front());
    queue.pop_front();
    return c;
  };
  EXPECT_TRUE(drain_output(from_queue, s));
  EXPECT_EQ(testing::row_trimmed(s, 0), "xxxxx12");
}

}  // namespace
}  // namespace vt

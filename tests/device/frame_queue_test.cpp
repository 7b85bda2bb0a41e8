#include "device/frame_queue.hpp"

#include <gtest/gtest.h>

#include "device/support.hpp"

namespace {

using device::FrameQueue;
using Bytes = std::vector<std::uint8_t>;

// Minimal Annex B frames: a start code and a NAL header byte.
const Bytes kKey{0, 0, 0, 1, 0x67, 0x42, 0, 0, 1, 0x65, 0x88};  // SPS, then an IDR slice
const Bytes kDelta{0, 0, 1, 0x41, 0x9a, 0x01};                   // a non-IDR slice

TEST(FrameQueue, KeyFramesAreTheOnesWithAnIdrSlice) {
  struct Case {
    Bytes frame;
    bool key;
  };
  const Case cases[] = {
      {kKey, true},
      {kDelta, false},
      {{0, 0, 1, 0x25}, true},                  // IDR with another nal_ref_idc
      {{0, 0, 0, 1, 0x67, 0x42}, false},        // parameter sets only
      {{0x65, 0x65, 0, 0, 1}, false},           // the byte after no start code, and a cut-off one
      {{}, false},
      {{0, 0, 1, 0x41, 0, 0, 1, 0x65}, true},   // IDR after another NAL unit
  };
  for (const auto& c : cases) EXPECT_EQ(device::is_key_frame(c.frame), c.key) << testing::PrintToString(c.frame);
  auto real = device_test::flat_frames({{10, 20, 30}, {40, 50, 60}}, 32, 32, 30);
  EXPECT_TRUE(device::is_key_frame(real[0]));
  EXPECT_FALSE(device::is_key_frame(real[1]));
}

TEST(FrameQueue, KeepsEveryFrameInOrderUntilTaken) {
  FrameQueue q;
  for (std::uint8_t i = 0; i < 5; ++i) EXPECT_TRUE(q.put(Bytes{0, 0, 1, 0x41, i}));
  auto taken = q.take_all();
  ASSERT_EQ(taken.size(), 5u);
  for (std::uint8_t i = 0; i < 5; ++i) EXPECT_EQ(taken[i].back(), i);
  EXPECT_TRUE(q.take_all().empty());
  EXPECT_EQ(q.puts(), 5u);
  EXPECT_EQ(q.discarded(), 0u);
}

// A decoder this far behind loses the backlog; showing frames coded against lost ones would
// smear, so the queue waits for the next key frame.
TEST(FrameQueue, FullBacklogIsDroppedAndDecodingRestartsAtAKeyFrame) {
  FrameQueue q;
  for (std::size_t i = 0; i < FrameQueue::kMaxPending; ++i) ASSERT_TRUE(q.put(kDelta));
  EXPECT_FALSE(q.put(kDelta));
  EXPECT_TRUE(q.take_all().empty());
  EXPECT_FALSE(q.put(kDelta));
  EXPECT_TRUE(q.put(kKey));
  EXPECT_TRUE(q.put(kDelta));
  auto taken = q.take_all();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0], kKey);
  EXPECT_EQ(q.discarded(), FrameQueue::kMaxPending + 2);
}

// A stream that never sends another key frame is picked up again rather than frozen for good.
TEST(FrameQueue, StreamWithoutKeyFramesResumesAfterAnotherBacklogsWorth) {
  FrameQueue q;
  for (std::size_t i = 0; i <= FrameQueue::kMaxPending; ++i) q.put(kDelta);
  for (std::size_t i = 1; i < FrameQueue::kMaxPending; ++i) ASSERT_FALSE(q.put(kDelta)) << i;
  EXPECT_TRUE(q.put(kDelta));
  EXPECT_EQ(q.take_all().size(), 1u);
}

}  // namespace

#include "platform/sys/channel.hpp"
#include "platform/sys/oneshot.hpp"
#include "platform/sys/paths.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

using namespace vexa::sys;

TEST(Channel, TrySendTellsFullFromClosed) {
  auto [tx, rx] = bounded<int>(2);
  EXPECT_FALSE(tx.try_send(1));
  EXPECT_FALSE(tx.try_send(2));
  EXPECT_EQ(tx.try_send(3), SendError::Full);
  EXPECT_EQ(rx.try_recv(), 1);
  rx.close();
  EXPECT_EQ(tx.try_send(4), SendError::Closed);
}

TEST(Channel, DroppingSendersClosesButQueuedValuesStillArrive) {
  auto channel = bounded<int>(4);
  auto rx = std::move(channel.receiver);
  {
    auto tx = std::move(channel.sender);
    auto copy = tx;
    EXPECT_FALSE(copy.try_send(7));
  }
  RecvError error{};
  EXPECT_EQ(rx.try_recv(&error), 7);
  EXPECT_FALSE(rx.try_recv(&error));
  EXPECT_EQ(error, RecvError::Closed);
}

TEST(Channel, EmptyIsNotClosed) {
  auto [tx, rx] = bounded<int>(1);
  RecvError error{};
  EXPECT_FALSE(rx.try_recv(&error));
  EXPECT_EQ(error, RecvError::Empty);
}

TEST(Channel, SendWaitsForRoomAndLosesNothing) {
  auto [tx, rx] = bounded<int>(3);
  std::thread producer([tx = std::move(tx)]() mutable {
    for (int i = 0; i < 10000; ++i) ASSERT_TRUE(tx.send(i));
  });
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(rx.recv(), i);
  producer.join();
  RecvError error{};
  EXPECT_FALSE(rx.recv(&error));
  EXPECT_EQ(error, RecvError::Closed);
}

TEST(Channel, BlockedSendEndsWhenReceiverCloses) {
  auto [tx, rx] = bounded<int>(1);
  ASSERT_FALSE(tx.try_send(0));
  std::thread producer([&tx] { EXPECT_FALSE(tx.send(1)); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  rx.close();
  producer.join();
}

TEST(Oneshot, TellsEmptyReadyAndClosed) {
  auto [tx, rx] = oneshot<int>();
  std::optional<int> out;
  EXPECT_EQ(rx.try_recv(out), OneshotState::Empty);
  tx.send(5);
  EXPECT_EQ(rx.try_recv(out), OneshotState::Ready);
  EXPECT_EQ(out, 5);
  EXPECT_EQ(rx.try_recv(out), OneshotState::Closed);

  auto [tx2, rx2] = oneshot<int>();
  { auto dropped = std::move(tx2); }
  EXPECT_EQ(rx2.try_recv(out), OneshotState::Closed);
}

TEST(Paths, AtomicWriteReplacesWholeWithMode) {
  auto dir = std::filesystem::temp_directory_path() / ("vexa-sys-" + std::to_string(getpid()));
  ASSERT_TRUE(create_dirs(dir / "a" / "b", 0700));
  auto file = dir / "a" / "b" / "f";
  ASSERT_TRUE(write_atomic(file, "first", 0600));
  ASSERT_TRUE(write_atomic(file, "second", 0600));
  EXPECT_EQ(read_file(file).value(), "second");
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "a" / "b"), {}), 1);
  EXPECT_FALSE(read_file(dir / "missing"));
  std::filesystem::remove_all(dir);
}

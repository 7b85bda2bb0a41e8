#include "platform/actions/bound_dispatch.hpp"

#include <gtest/gtest.h>

#include <thread>

using namespace vexa_ui::bound_dispatch;
using vexa_actions::ActionContext;
using vexa_actions::EncodedAction;
using vexa_actions::Json;

namespace {

struct Collect : Observer {
  std::vector<TypedActionRecord> seen;
  void typed_action(const TypedActionRecord& r) override { seen.push_back(r); }
};

const EncodedAction kAction{"demo.action", Json("Touch"), std::nullopt};

}  // namespace

TEST(BoundDispatch, NoFrameOpensWithoutAnObserver) {
  int reads = 0;
  EXPECT_FALSE(typed_action_before(kAction, [&] { ++reads; return Heads{"h0"}; }));
  EXPECT_EQ(reads, 0);
}

TEST(BoundDispatch, FrameRecordsHeadsAndReportReachesObserverAndJournal) {
  Collect observer;
  Binding binding(observer);
  auto frame = typed_action_before(kAction, [] { return Heads{"h0"}; });
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->before(), Heads{"h0"});
  // A dispatch nested inside this one belongs to the open frame.
  EXPECT_FALSE(typed_action_before(kAction, [] { return Heads{"h0"}; }));

  report_typed_action(kAction, ActionContext{"src", "Demo", "Touch"}, frame->before(), Heads{"h1"});
  ASSERT_EQ(observer.seen.size(), 1u);
  EXPECT_EQ(observer.seen[0].before, Heads{"h0"});
  EXPECT_EQ(observer.seen[0].after, Heads{"h1"});
  EXPECT_TRUE(observer.seen[0].changed());
  EXPECT_EQ(recent_typed_actions().back().serial, observer.seen[0].serial);
  EXPECT_EQ(observer.seen[0].to_json()["context"]["summary"], "Touch");
}

TEST(BoundDispatch, DroppingAFrameClosesItEvenWhenDispatchFailed) {
  Collect observer;
  Binding binding(observer);
  { auto failed = typed_action_before(kAction, [] { return Heads{}; }); ASSERT_TRUE(failed); }
  auto next = typed_action_before(kAction, [] { return Heads{"h2"}; });
  ASSERT_TRUE(next);
  auto moved = std::move(next);  // a moved-from frame must not close the live one
  next.reset();
  EXPECT_FALSE(typed_action_before(kAction, [] { return Heads{}; }));
}

TEST(BoundDispatch, JournalIsBoundedAndPerThread) {
  for (std::size_t i = 0; i < kJournalSize + 3; ++i) {
    report_typed_action(kAction, {}, Heads{"a"}, Heads{"a"});
  }
  EXPECT_EQ(recent_typed_actions().size(), kJournalSize);
  EXPECT_FALSE(recent_typed_actions().back().changed());
  std::size_t other_thread = 1;
  std::thread([&] { other_thread = recent_typed_actions().size(); }).join();
  EXPECT_EQ(other_thread, 0u);
}

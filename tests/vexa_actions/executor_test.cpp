#include "platform/actions/executor.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace vexa_actions;

namespace {

// A stand-in document: the executor only needs something the handler can change.
struct Notes {
  std::map<std::string, std::string> entries;
};

ActionRegistry<Notes> notes_handler() {
  ActionRegistry<Notes> registry;
  registry.register_kind("notes.action", [](Notes& doc, const Json& payload, const ActionContext&,
                                            std::vector<ActionOutput>& out) -> std::expected<void, std::string> {
    if (!payload.is_object() || !payload.contains("Set")) return std::unexpected("not a Set");
    doc.entries[payload["Set"]["key"]] = payload["Set"]["value"];
    if (payload["Set"].contains("fail_after")) return std::unexpected("failed after writing");
    out.push_back({"set", payload["Set"]["key"]});
    return {};
  });
  return registry;
}

EncodedAction set(std::string key, std::string value) {
  return {"notes.action", Json{{"Set", {{"key", key}, {"value", value}}}}, std::nullopt};
}

class FailingTransport : public Transport {
 public:
  std::expected<void, ActionError> replicate(const Replication&) override {
    return std::unexpected(ActionError{"offline", "no peers"});
  }
};

const std::uint8_t kActor[] = {0x00, 0xab, 0x10, 0xff};

}  // namespace

TEST(DispatchBy, AppliesThroughTheHandlerAndReplicatesWithActorAndContext) {
  Notes doc;
  auto handler = notes_handler();
  LocalTransport transport;
  std::vector<ActionOutput> outputs;
  ActionContext base{"org.example.notes", "Notes", ""};
  auto action = set("a", "1");
  ASSERT_TRUE(executor::dispatch_by_with_context(doc, handler, transport, action, outputs, kActor,
                                                 base.enriched_by(action)));
  EXPECT_EQ(doc.entries.at("a"), "1");
  ASSERT_EQ(outputs.size(), 1u);
  EXPECT_EQ(outputs[0].value, "a");
  ASSERT_EQ(transport.recent().size(), 1u);
  const Replication& sent = transport.recent().front();
  EXPECT_EQ(sent.sequence, 1u);
  EXPECT_EQ(sent.actor, "00ab10ff");
  EXPECT_EQ(sent.action, action);
  EXPECT_EQ(sent.context, (ActionContext{"org.example.notes", "Notes", "Set"}));

  ASSERT_TRUE(executor::dispatch_by(doc, handler, transport, set("b", "2"), outputs, kActor));
  EXPECT_EQ(transport.recent().back().sequence, 2u);
  EXPECT_EQ(transport.recent().back().context.summary, "Set");
  EXPECT_EQ(transport.recent().back().context.source, "");
}

TEST(DispatchBy, UnknownKindTouchesNothing) {
  Notes doc;
  LocalTransport transport;
  std::vector<ActionOutput> outputs;
  EncodedAction other = set("a", "1");
  other.kind = "other.action";
  auto result = executor::dispatch_by(doc, notes_handler(), transport, other, outputs, kActor);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().code, "unknown_action_kind");
  EXPECT_TRUE(doc.entries.empty());
  EXPECT_EQ(transport.replicated_count(), 0u);
}

TEST(DispatchBy, FailuresKeepTheChangeAlreadyMadeButAreNotReplicated) {
  Notes doc;
  LocalTransport transport;
  std::vector<ActionOutput> outputs;
  EncodedAction failing = set("a", "1");
  failing.payload["Set"]["fail_after"] = true;
  auto result = executor::dispatch_by(doc, notes_handler(), transport, failing, outputs, kActor);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), (ActionError{"handler_failed", "failed after writing"}));
  EXPECT_EQ(doc.entries.at("a"), "1");
  EXPECT_EQ(transport.replicated_count(), 0u);

  FailingTransport offline;
  auto unsent = executor::dispatch_by(doc, notes_handler(), offline, set("b", "2"), outputs, kActor);
  ASSERT_FALSE(unsent);
  EXPECT_EQ(unsent.error().code, "offline");
  EXPECT_EQ(doc.entries.at("b"), "2");
}

TEST(LocalTransport, KeepsOnlyTheMostRecentAndNotifiesTheListener) {
  LocalTransport transport(2);
  std::vector<std::uint64_t> heard;
  transport.set_listener([&](const Replication& r) { heard.push_back(r.sequence); });
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(transport.replicate(Replication{0, "aa", set("k", "v"), {}}));
  EXPECT_EQ(transport.replicated_count(), 5u);
  ASSERT_EQ(transport.recent().size(), 2u);
  EXPECT_EQ(transport.recent().front().sequence, 4u);
  EXPECT_EQ(heard, (std::vector<std::uint64_t>{1, 2, 3, 4, 5}));
}

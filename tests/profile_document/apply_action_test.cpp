#include "actions/apply_action.hpp"

#include <gtest/gtest.h>

#include "platform/actions/document_heads.hpp"
#include "platform/actions/executor.hpp"
#include "profiles/profile_document.hpp"

using namespace actions;
using profiles::AuthMethod;
using profiles::ConnectionKind;
using profiles::Presence;
using profiles::Uuid;
using vexa::doc::Document;

namespace {

const Uuid kId = *Uuid::parse("6f1c2a3e-8b4d-4e5f-9a0b-1c2d3e4f5a6b");

UpsertConnection upsert(std::string name, std::string host = "vnc.lan") {
  return UpsertConnection{kId, std::move(name), std::move(host), 5900, "", ConnectionKind::Vnc,
                          AuthMethod::Password, "Office"};
}

}  // namespace

TEST(ApplyAction, UpsertOfANewIdStartsUnknownNotFavouriteNeverUsed) {
  Document doc;
  apply_action(doc, upsert("Desk"));
  auto p = profiles::load_profiles(doc).at(0);
  EXPECT_EQ(p.name, "Desk");
  EXPECT_EQ(p.port, 5900);
  EXPECT_EQ(p.group, "Office");
  EXPECT_EQ(p.presence, Presence::Unknown);
  EXPECT_FALSE(p.favorite);
  EXPECT_EQ(p.last_used, "Never");
}

TEST(ApplyAction, UpsertOfAKnownIdKeepsFavouritePresenceAndLastUsed) {
  Document doc;
  profiles::ConnectionProfile stored;
  stored.id = kId;
  stored.name = "Desk";
  stored.favorite = true;
  stored.presence = Presence::Offline;
  stored.last_used = "3 days ago";
  profiles::upsert_profile(doc, stored);

  // The payload's extra favourite member is ignored by the decoder, and upsert never sets it.
  auto decoded = decode_action(*vexa_actions::parse_json(
      R"({"UpsertConnection":{"id":"6f1c2a3e-8b4d-4e5f-9a0b-1c2d3e4f5a6b","name":"Desk 2","host":"h",)"
      R"("port":5901,"user":"","kind":"Vnc","auth":"Password","group":"","favorite":false}})"));
  ASSERT_TRUE(decoded) << decoded.error();
  apply_action(doc, *decoded);
  auto p = profiles::load_profiles(doc).at(0);
  EXPECT_EQ(p.name, "Desk 2");
  EXPECT_EQ(p.port, 5901);
  EXPECT_TRUE(p.favorite);
  EXPECT_EQ(p.presence, Presence::Offline);
  EXPECT_EQ(p.last_used, "3 days ago");

  doc.commit();
  apply_action(doc, *decoded);
  EXPECT_FALSE(doc.has_pending());
}

TEST(ApplyAction, RenameFavouriteAndDeleteReachTheDocument) {
  Document doc;
  apply_action(doc, upsert("Desk"));
  apply_action(doc, RenameConnection{kId, "Front desk"});
  apply_action(doc, SetFavorite{kId, true});
  auto p = profiles::load_profiles(doc).at(0);
  EXPECT_EQ(p.name, "Front desk");
  EXPECT_TRUE(p.favorite);
  apply_action(doc, DeleteConnection{kId});
  EXPECT_TRUE(profiles::load_profiles(doc).empty());
  apply_action(doc, SetFavorite{kId, true});  // aimed at a deleted id: nothing comes back
  EXPECT_TRUE(profiles::load_profiles(doc).empty());
}

TEST(ApplyAction, DispatchThroughTheFrameworkAppliesReplicatesAndFrames) {
  Document doc;
  vexa_actions::ActionRegistry<Document> registry;
  register_remote_action(registry);
  vexa_actions::LocalTransport transport;
  std::vector<vexa_actions::ActionOutput> outputs;
  auto action = to_encoded(RemoteAction{upsert("Desk")});
  vexa_actions::ActionContext context = vexa_actions::ActionContext{"org.example.remote", "Remote", ""}.enriched_by(action);
  EXPECT_EQ(context.summary, "Upsert connection");

  struct Collect : vexa_ui::bound_dispatch::Observer {
    std::vector<vexa_ui::bound_dispatch::TypedActionRecord> seen;
    void typed_action(const vexa_ui::bound_dispatch::TypedActionRecord& r) override { seen.push_back(r); }
  } observer;
  vexa_ui::bound_dispatch::Binding binding(observer);
  auto frame = vexa_ui::bound_dispatch::typed_action_before(doc, action);
  ASSERT_TRUE(frame);
  ASSERT_TRUE(vexa_actions::executor::dispatch_by_with_context(doc, registry, transport, action, outputs,
                                                               doc.actor_id(), context));
  vexa_ui::bound_dispatch::report_typed_action(action, context, frame->before(),
                                               vexa_ui::bound_dispatch::document_heads(doc));
  EXPECT_EQ(profiles::load_profiles(doc).at(0).name, "Desk");
  ASSERT_EQ(observer.seen.size(), 1u);
  EXPECT_TRUE(observer.seen[0].before.empty());
  ASSERT_EQ(observer.seen[0].after.size(), 1u);
  EXPECT_EQ(observer.seen[0].after[0].size(), 64u);
  EXPECT_EQ(transport.recent().back().actor, vexa_actions::hex_text(doc.actor_id()));

  vexa_actions::EncodedAction broken{"remote.action", vexa_actions::Json("DeleteConnection"), std::nullopt};
  auto failed = vexa_actions::executor::dispatch_by(doc, registry, transport, broken, outputs, doc.actor_id());
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error().code, "handler_failed");
  EXPECT_EQ(failed.error().message, "invalid type: unit variant, expected struct variant");
  EXPECT_EQ(transport.replicated_count(), 1u);
}

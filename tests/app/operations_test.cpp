#include <gtest/gtest.h>

#include "app_fixture.hpp"

using namespace app;
using app_test::Harness;
using app_test::ScopedEnv;
namespace va = vexa_actions;

namespace {

va::EncodedAction op(const actions::RemoteOperation& o, std::optional<va::OperationType> declared) {
  auto e = actions::to_encoded(o);
  e.operation_type = declared;
  return e;
}
va::EncodedAction stamped(const actions::RemoteOperation& o) { return op(o, actions::contract_kind(o)); }

std::string error_of(const va::RunResult& r) {
  auto* e = std::get_if<va::run::Error>(&r);
  return e ? e->message : "";
}
std::string error_of(const va::StartResult& r) {
  auto* e = std::get_if<va::start::Error>(&r);
  return e ? e->message : "";
}

}  // namespace

TEST(Operations, RunChecksKindContractAndProfile) {
  auto h = Harness::sample();
  auto& a = *h.app;
  auto nas = h.named("Office NAS").id;
  va::EncodedAction foreign{"other.kind", "ShowConnections", va::OperationType::View};
  EXPECT_TRUE(std::holds_alternative<va::run::NotMine>(a.run_operation(foreign)));
  EXPECT_TRUE(std::holds_alternative<va::run::NotMine>(a.run_operation(op(actions::ShowConnections{}, std::nullopt))));
  // The contract is checked before the profile is looked up.
  EXPECT_EQ(error_of(a.run_operation(op(actions::Connect{profiles::Uuid::new_v4()}, va::OperationType::View))),
            "remote operation kind does not match its declared contract");
  va::EncodedAction bad{std::string(actions::kOperationKind), "Bogus", va::OperationType::View};
  EXPECT_NE(error_of(a.run_operation(bad)).find("unknown variant `Bogus`"), std::string::npos);
  EXPECT_TRUE(std::holds_alternative<va::run::Done>(a.run_operation(stamped(actions::EditConnection{nas}))));
  EXPECT_EQ(a.screen, Screen::FormEdit);
  EXPECT_EQ(error_of(a.run_operation(stamped(actions::EditConnection{profiles::Uuid::new_v4()}))),
            "saved connection no longer exists");
  EXPECT_EQ(error_of(a.run_operation(stamped(actions::Disconnect{nas}))), "that remote session is no longer active");
  EXPECT_EQ(error_of(a.run_operation(stamped(actions::SendText{nas, "ls\n"}))), "text input requires a connected SSH terminal");
  EXPECT_EQ(error_of(a.run_operation(stamped(actions::TrustSshHostKey{nas, {"ssh-ed25519", "SHA256:x"}}))),
            "the observed SSH host key is stale; reconnect to inspect the current key");
  EXPECT_EQ(error_of(a.run_operation(stamped(actions::ForgetSshHostKey{nas}))),
            "only the currently observed changed SSH host key can be forgotten");
  EXPECT_TRUE(std::holds_alternative<va::run::Done>(a.run_operation(stamped(actions::ShowConnections{}))));
  EXPECT_EQ(a.screen, Screen::List);
}

TEST(Operations, StartRefusesViewsUnavailableProfilesAndSecondStarts) {
  ScopedEnv live("REMOTE_LIVE_SESSIONS", nullptr);
  auto h = Harness::sample();
  auto& a = *h.app;
  EXPECT_EQ(error_of(a.start_operation(stamped(actions::ShowConnections{}), 1)), "view operations do not start background work");
  EXPECT_EQ(error_of(a.start_operation(stamped(actions::Connect{h.named("Build Box").id}), 1)),
            "SSH is installed, but this build has not been granted live network access.");
  EXPECT_EQ(error_of(a.start_operation(stamped(actions::Connect{h.named("Win Workstation").id}), 1)),
            "RDP profiles are preserved, but this Vexa build has no RDP client backend.");
  EXPECT_EQ(error_of(a.start_operation(stamped(actions::Connect{profiles::Uuid::new_v4()}), 1)), "saved connection no longer exists");
  EXPECT_FALSE(a.pending_operation);

  // A staged connecting session stands in for a worker that is still connecting.
  a.execute(cmd::Connect{h.named("Studio Node").id});
  a.pending_operation = PendingOperation{7, h.named("Studio Node").id, a.sessions.identity(), false};
  a.sessions.stage(vexa::sys::SessionStatus::connecting());
  EXPECT_EQ(error_of(a.start_operation(stamped(actions::Connect{h.named("Office NAS").id}), 8)),
            "another remote operation is still running");
  EXPECT_TRUE(std::holds_alternative<va::poll::Nothing>(a.poll_operation(99, false)));
  EXPECT_TRUE(std::holds_alternative<va::poll::Nothing>(a.poll_operation(7, false)));
  a.sessions.stage(vexa::sys::SessionStatus::failed("Connection refused"));
  auto failed = a.poll_operation(7, false);
  ASSERT_TRUE(std::holds_alternative<va::poll::Failed>(failed));
  EXPECT_EQ(std::get<va::poll::Failed>(failed).code, "remote.connect_failed");
  EXPECT_EQ(std::get<va::poll::Failed>(failed).message, "Connection refused");
  EXPECT_FALSE(a.pending_operation);
}

TEST(Operations, PollReportsReplacedSessionsAndCancels) {
  auto h = Harness::sample();
  auto& a = *h.app;
  auto id = h.named("Studio Node").id;
  a.execute(cmd::Connect{id});
  a.pending_operation = PendingOperation{3, id, a.sessions.identity(), false};
  a.execute(cmd::Connect{id});  // a newer session replaces the recorded one
  auto replaced = a.poll_operation(3, false);
  ASSERT_TRUE(std::holds_alternative<va::poll::Failed>(replaced));
  EXPECT_EQ(std::get<va::poll::Failed>(replaced).code, "remote.session_replaced");

  a.pending_operation = PendingOperation{4, id, a.sessions.identity(), false};
  a.sessions.stage(vexa::sys::SessionStatus::connecting());
  auto cancelled = a.poll_operation(4, true);
  ASSERT_TRUE(std::holds_alternative<va::poll::Cancelled>(cancelled));
  EXPECT_EQ(std::get<va::poll::Cancelled>(cancelled).message, "remote connection attempt cancelled");
  EXPECT_EQ(a.screen, Screen::List);

  a.execute(cmd::Connect{id});
  a.pending_operation = PendingOperation{5, id, a.sessions.identity(), false};
  a.sessions.stage(vexa::sys::SessionStatus::ended());
  auto closed = a.poll_operation(5, false);
  EXPECT_EQ(std::get<va::poll::Failed>(closed).code, "remote.connection_closed");
}

TEST(Resources, TreeMirrorsProfilesAndAvailability) {
  ScopedEnv live("REMOTE_LIVE_SESSIONS", nullptr);
  auto h = Harness::sample();
  auto& a = *h.app;
  a.profiles[0].name = "   ";
  auto root = a.register_resources();
  ASSERT_TRUE(root);
  EXPECT_EQ(root->kind(), "remote.connections");
  EXPECT_EQ(root->instance_id(), "remote.connection-list");
  EXPECT_EQ(root->children().size(), a.profiles.size());
  const auto& first = root->children()[0];
  EXPECT_EQ(first.title(), a.profiles[0].host);  // a blank name is titled by the host
  std::vector<std::string> ids;
  for (const auto& s : first.actions()) ids.push_back(s.id());
  EXPECT_EQ(ids, (std::vector<std::string>{"open", "connect", "rename", "favorite", "delete"}));
  EXPECT_EQ(first.find_action("connect")->unavailability()->code, "live_session_capability_required");
  EXPECT_TRUE(first.find_action("delete")->is_destructive());
  EXPECT_EQ(first.find_action("favorite")->title(), "Remove from favourites");
  auto rdp = va::resource::find(*root, "remote.connection:" + h.named("Win Workstation").id.to_string());
  ASSERT_TRUE(rdp);
  EXPECT_EQ(rdp->find_action("connect")->unavailability()->code, "transport_backend_unavailable");
  auto rename = rdp->find_action("rename")->encode(va::ActionArgs{});
  EXPECT_EQ(rename.payload["RenameConnection"]["name"], "");

  a.execute(cmd::Connect{h.named("Studio Node").id});
  root = a.register_resources();
  auto session = va::resource::find(*root, "remote.session:" + h.named("Studio Node").id.to_string());
  ASSERT_TRUE(session);
  EXPECT_EQ(session->title(), "Studio Node session");
  EXPECT_EQ(session->find_action("send-text")->unavailability()->code, "terminal_not_connected");
}

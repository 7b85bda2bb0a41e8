#include <gtest/gtest.h>

#include "app/sample.hpp"
#include "app_fixture.hpp"

using namespace app;
using app_test::Harness;
using app_test::ScopedEnv;

TEST(Workspace, OnlyExactlyOneSelectsTheSample) {
  for (const char* value : {"true", " 1", "", "1 ", "0"}) {
    ScopedEnv env("VEXA_REMOTE_SAMPLE", value);
    auto a = create_app(std::nullopt);
    EXPECT_TRUE(a->profiles.empty()) << '"' << value << '"';
    EXPECT_TRUE(a->nearby_devices.empty());
  }
  ScopedEnv env("VEXA_REMOTE_SAMPLE", "1");
  auto a = create_app(std::nullopt);
  EXPECT_EQ(a->profiles.size(), 8u);
  EXPECT_EQ(a->nearby_devices.size(), 4u);
}

TEST(Workspace, RealWorkspaceHonoursOnlyTheNarrowScenes) {
  ScopedEnv env("VEXA_REMOTE_SAMPLE", nullptr);
  EXPECT_EQ(create_app("narrow-open")->nav_forced, NavForced::NarrowOpen);
  EXPECT_EQ(create_app("narrow")->nav_forced, NavForced::NarrowClosed);
  auto form = create_app("form");
  EXPECT_EQ(form->screen, Screen::List);
  EXPECT_EQ(form->nav_forced, NavForced::None);
}

TEST(Workspace, SampleOrderAndDevicesAreStable) {
  auto h = Harness::sample();
  std::vector<std::string> names;
  for (auto* p : h.app->visible()) names.push_back(p->name);
  EXPECT_EQ(names, (std::vector<std::string>{"Build Box", "Studio Node", "Backup Vault", "Edge Gateway", "Office NAS",
                                             "Pi Cluster Head", "Win Workstation", "Workshop Laptop"}));
  EXPECT_EQ(h.app->selected, h.named("Build Box").id);
  EXPECT_EQ(h.named("Studio Node").host, sample_device_endpoint(1));
  EXPECT_EQ(sample_device_endpoint(1), sample_device_endpoint(1));
  std::set<std::string> ids;
  for (int i = 1; i <= 4; ++i) ids.insert(sample_device_endpoint(i));
  EXPECT_EQ(ids.size(), 4u);
  h.app->set_search("lab");
  names.clear();
  for (auto* p : h.app->visible()) names.push_back(p->name);
  EXPECT_EQ(names, (std::vector<std::string>{"Build Box", "Pi Cluster Head"}));
}

TEST(Workspace, ReviewScenesStageTheirStates) {
  ScopedEnv live("REMOTE_LIVE_SESSIONS", nullptr);
  struct Case {
    const char* scene;
    Screen screen;
    std::optional<vexa::sys::SessionStatus> status;
    std::optional<PendingConfirmation::Kind> confirmation;
  };
  using S = vexa::sys::SessionStatus;
  const Case cases[] = {
      {"form", Screen::FormNew, std::nullopt, std::nullopt},
      {"session-ssh", Screen::Session, S::unavailable("SSH is installed, but this build has not been granted live network access."), std::nullopt},
      {"session-rdp", Screen::Session, S::unavailable("RDP profiles are preserved, but this Vexa build has no RDP client backend."), std::nullopt},
      {"session-vexa", Screen::Session, S::connecting(), std::nullopt},
      {"session-failed", Screen::Session, S::failed("Connection refused"), std::nullopt},
      {"confirm-connect", Screen::List, std::nullopt, PendingConfirmation::Kind::Connect},
      {"confirm-delete", Screen::List, std::nullopt, PendingConfirmation::Kind::Delete},
      {"confirm-ssh-trust", Screen::List, std::nullopt, PendingConfirmation::Kind::TrustHostKey},
  };
  for (const auto& c : cases) {
    auto h = Harness::sample(c.scene);
    EXPECT_EQ(h.app->screen, c.screen) << c.scene;
    EXPECT_EQ(h.app->sessions.status(), c.status) << c.scene;
    if (c.confirmation) {
      ASSERT_TRUE(h.app->pending_confirmation) << c.scene;
      EXPECT_EQ(h.app->pending_confirmation->kind, *c.confirmation) << c.scene;
    } else {
      EXPECT_FALSE(h.app->pending_confirmation) << c.scene;
    }
  }
  auto h = Harness::sample("confirm-connect");
  EXPECT_EQ(h.app->pending_confirmation->id, h.named("Studio Node").id);
  auto vexa = Harness::sample("form-vexa");
  EXPECT_EQ(vexa.app->form.kind, profiles::ConnectionKind::Vexa);
  EXPECT_EQ(vexa.app->inputs[kHost].placeholder(), "certified Vexa endpoint id");
}

TEST(Workspace, EveryReviewSceneExposesItsIdentifiers) {
  struct Case {
    const char* scene;
    std::vector<std::string> ids;
  };
  const Case cases[] = {
      {"narrow", {"remote.nav.toggle", "remote.list", "remote.field:search"}},
      {"narrow-open", {"remote.nav.toggle", "remote.nav.list", "remote.connection.new"}},
      {"form", {"remote.form.heading", "remote.form.protocol", "remote.field:name", "remote.field:port", "remote.form.save"}},
      {"form-vexa", {"remote.form.devices", "remote.device:0", "remote.form.vexa-authentication", "remote.field:host"}},
      {"session-ssh", {"remote.session.heading", "remote.session.status", "remote.session.surface", "remote.session.disconnect"}},
      {"session-vnc", {"remote.session.scale", "remote.session.fullscreen"}},
      {"session-rdp", {"remote.session.status"}},
      {"session-vexa", {"remote.session.surface"}},
      {"session-connecting", {"remote.session.status"}},
      {"session-failed", {"remote.session.status"}},
      {"confirm-connect", {"remote.confirmation.confirm", "remote.confirmation.cancel"}},
      {"confirm-delete", {"remote.confirmation.confirm"}},
      {"confirm-ssh-trust", {"remote.confirmation.confirm"}},
  };
  for (const auto& c : cases) {
    auto h = Harness::sample(c.scene);
    auto tree = h.tree();
    for (const auto& id : c.ids) EXPECT_TRUE(tree.find(id)) << c.scene << " lacks " << id;
  }
  auto failed = Harness::sample("session-failed");
  EXPECT_EQ(failed.tree().find("remote.session.status")->label, "Connection failed: Connection refused");
}

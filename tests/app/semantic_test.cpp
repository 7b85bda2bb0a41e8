#include <gtest/gtest.h>

#include "app_fixture.hpp"

using namespace app;
using app_test::Harness;
using vexa_ui::SemanticKind;

TEST(Semantic, IdentifiersMapToCommands) {
  auto h = Harness::sample();
  auto& a = *h.app;
  auto nas = h.named("Office NAS").id.to_string();
  struct Case {
    std::string id;
    SemanticKind kind;
    bool accepted;
  };
  const Case cases[] = {
      {"remote.connection:" + nas + ":select", SemanticKind::Activate, true},
      {"remote.connection:" + nas + ":select", SemanticKind::Focus, true},
      {"remote.connection:" + nas + ":select", SemanticKind::Toggle, false},
      {"remote.connection:" + nas + ":favorite", SemanticKind::Toggle, true},
      {"remote.connection:" + nas + ":favorite", SemanticKind::Focus, false},
      {"remote.connection:" + nas, SemanticKind::Reveal, true},
      {"remote.connection:" + nas, SemanticKind::Activate, false},
      {"remote.connection:" + nas + ":select", SemanticKind::Reveal, false},
      {"remote.connection:not-a-uuid:select", SemanticKind::Activate, false},
      {"remote.connection:" + nas + ":bogus", SemanticKind::Activate, false},
      {"remote.session.scale", SemanticKind::Toggle, true},
      {"remote.nav.toggle", SemanticKind::Toggle, false},
      {"remote.field:nope", SemanticKind::Activate, false},
      {"remote.unknown", SemanticKind::Activate, false},
  };
  for (const auto& c : cases) EXPECT_EQ(a.perform_semantic_action(c.id, {c.kind, {}}), c.accepted) << c.id;
  EXPECT_EQ(a.selected, h.named("Office NAS").id);
  EXPECT_TRUE(h.named("Office NAS").favorite);
  EXPECT_FALSE(a.scale_fit);
}

TEST(Semantic, SettingFieldsFiltersAndCleansPort) {
  auto h = Harness::sample();
  auto& a = *h.app;
  a.list_scroll = 40;
  EXPECT_TRUE(h.perform("remote.field:search", SemanticKind::SetValue, "prod"));
  EXPECT_EQ(a.search_query, "prod");
  EXPECT_EQ(a.selected, h.named("Backup Vault").id);
  EXPECT_EQ(a.list_scroll, 0);
  EXPECT_EQ(a.focused_input, kSearch);
  EXPECT_TRUE(h.perform("remote.field:search", SemanticKind::SetValue, "zzz"));
  EXPECT_FALSE(a.selected);
  EXPECT_FALSE(h.perform("remote.connection.new", SemanticKind::SetValue, "x"));
  EXPECT_TRUE(h.perform("remote.connection.new"));
  EXPECT_TRUE(h.perform("remote.field:port", SemanticKind::SetValue, "8a0b8"));
  EXPECT_EQ(a.form.port, "808");
  EXPECT_TRUE(h.perform("remote.kind:VNC", SemanticKind::Toggle));
  EXPECT_EQ(a.form.kind, profiles::ConnectionKind::Vnc);
  EXPECT_FALSE(h.perform("remote.auth:public-key"));  // not allowed for VNC
  EXPECT_TRUE(h.perform("remote.auth:whatever"));     // counts as password
  EXPECT_TRUE(h.perform("remote.device:1", SemanticKind::Focus));
  EXPECT_EQ(a.form.name, "Workshop Laptop");
  EXPECT_TRUE(h.perform("remote.form.cancel"));
  EXPECT_EQ(a.screen, Screen::List);
}

TEST(Semantic, OnlyDialogIdentifiersWhileConfirming) {
  auto h = Harness::sample("confirm-delete");
  auto& a = *h.app;
  auto victim = a.pending_confirmation->id;
  EXPECT_FALSE(h.perform("remote.nav.toggle"));
  EXPECT_FALSE(h.perform("remote.field:search", SemanticKind::SetValue, "x"));
  EXPECT_TRUE(h.perform("remote.confirmation.confirm"));
  EXPECT_FALSE(a.find_profile(victim));
}

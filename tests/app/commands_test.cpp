#include <gtest/gtest.h>

#include "app_fixture.hpp"

using namespace app;
using app_test::Harness;
using app_test::ScopedEnv;
using profiles::AuthMethod;
using profiles::ConnectionKind;

namespace {
Harness empty_app() {
  ScopedEnv env("VEXA_REMOTE_SAMPLE", nullptr);
  return Harness(create_app(std::nullopt));
}
}  // namespace

TEST(Form, KindSwitchAdjustsPortAndAuth) {
  auto h = empty_app();
  auto& a = *h.app;
  a.execute(cmd::OpenNewForm{});
  EXPECT_EQ(a.focused_input, kName);
  a.execute(cmd::ChooseKind{ConnectionKind::Vnc});
  EXPECT_EQ(a.form.port, "22");  // only an empty port or "0" takes the new default
  a.execute(cmd::ChooseKind{ConnectionKind::Vexa});
  EXPECT_EQ(a.form.port, "");
  EXPECT_EQ(a.form.auth, AuthMethod::DeviceIdentity);
  a.execute(cmd::ChooseKind{ConnectionKind::Ssh});
  EXPECT_EQ(a.form.port, "22");
  EXPECT_EQ(a.form.auth, AuthMethod::Password);
  a.execute(cmd::ChooseAuth{AuthMethod::PublicKey});
  a.execute(cmd::ChooseKind{ConnectionKind::Vnc});
  EXPECT_EQ(a.form.auth, AuthMethod::Password);
  EXPECT_EQ(a.inputs[kPort].text(), "22");
}

TEST(Form, PortFieldKeepsDigitsWithCaretAtEnd) {
  auto h = empty_app();
  h.app->execute(cmd::OpenNewForm{});
  h.app->execute(cmd::FocusField{kPort});
  h.key("End");
  h.key("Backspace");
  h.key("Backspace");
  h.type("22a3");
  EXPECT_EQ(h.app->form.port, "223");
  EXPECT_EQ(h.app->inputs[kPort].text(), "223");
  EXPECT_EQ(h.app->inputs[kPort].cursor(), 3u);
}

TEST(Form, ValidationShowsWhenTouchedOrAfterSaveAndFocusMoves) {
  auto h = empty_app();
  auto& a = *h.app;
  a.execute(cmd::OpenNewForm{});
  EXPECT_TRUE(visible_form_messages(a.form, a.form_flags).empty());
  h.key("Tab");  // leaving the name field marks it touched
  EXPECT_EQ(a.focused_input, kHost);
  EXPECT_EQ(visible_form_messages(a.form, a.form_flags), std::vector<std::string>{"Name is required"});
  a.execute(cmd::SaveForm{});
  EXPECT_EQ(a.focused_input, kName);
  EXPECT_EQ(visible_form_messages(a.form, a.form_flags),
            (std::vector<std::string>{"Name is required", "Host is required"}));
  EXPECT_TRUE(a.profiles.empty());

  struct Case {
    FormFields form;
    std::optional<std::size_t> focus_before;
    std::optional<std::size_t> focus_after;
  };
  FormFields no_host{"n", "", "22", "", "", AuthMethod::Password, ConnectionKind::Ssh};
  FormFields bad_port{"n", "h", "0", "", "", AuthMethod::Password, ConnectionKind::Ssh};
  FormFields empty_port{"n", "h", "", "", "", AuthMethod::Password, ConnectionKind::Ssh};
  FormFields bad_device{"n", "nope", "", "", "", AuthMethod::DeviceIdentity, ConnectionKind::Vexa};
  FormFields bad_auth{"n", "h", "5900", "", "", AuthMethod::PublicKey, ConnectionKind::Vnc};
  const Case cases[] = {{no_host, kGroup, kHost}, {bad_port, kGroup, kGroup}, {empty_port, kGroup, kPort},
                        {bad_device, kName, kHost}, {bad_auth, kName, kName}};
  for (const auto& c : cases) {
    a.execute(cmd::OpenNewForm{});
    a.form = c.form;
    a.focused_input = c.focus_before;
    a.execute(cmd::SaveForm{});
    EXPECT_EQ(a.focused_input, c.focus_after) << c.form.host << "/" << c.form.port;
    EXPECT_EQ(a.screen, Screen::FormNew);
  }
}

TEST(Form, VisibilityRulesPerMessage) {
  FormFields vexa{"", "", "", "", "", AuthMethod::DeviceIdentity, ConnectionKind::Vexa};
  EXPECT_EQ(validate_form(vexa), (std::vector<std::string>{"Name is required", "Host is required"}));
  FormFields ports{"n", "h", "+22", "", "", AuthMethod::Password, ConnectionKind::Ssh};
  EXPECT_TRUE(validate_form(ports).empty());
  for (const char* port : {"0", "65536", "-1", "2 2", "99999999999"}) {
    ports.port = port;
    EXPECT_EQ(validate_form(ports), std::vector<std::string>{"Port must be 1\u201365535"}) << port;
    EXPECT_TRUE(visible_form_messages(ports, {}).empty());
    EXPECT_EQ(visible_form_messages(ports, {false, false, false, true}).size(), 1u);
  }
  FormFields mismatch{"n", "h", "5900", "", "", AuthMethod::PublicKey, ConnectionKind::Vnc};
  EXPECT_TRUE(visible_form_messages(mismatch, {false, true, true, true}).empty());
  EXPECT_EQ(visible_form_messages(mismatch, {true, false, false, false}),
            std::vector<std::string>{"VNC profiles support password authentication only."});
  FormFields device{"n", "zz", "", "", "", AuthMethod::DeviceIdentity, ConnectionKind::Vexa};
  EXPECT_EQ(visible_form_messages(device, {false, false, true, false}).size(), 1u);
}

TEST(Form, SaveBuildsTrimmedProfileAndKeepsEditedFlags) {
  auto h = empty_app();
  auto& a = *h.app;
  a.execute(cmd::OpenNewForm{});
  a.form = {"  Box  ", " host ", "+2222", " root ", " g ", AuthMethod::Password, ConnectionKind::Vnc};
  a.execute(cmd::SaveForm{});
  ASSERT_EQ(a.profiles.size(), 1u);
  auto p = a.profiles[0];
  EXPECT_EQ(p.name, "Box");
  EXPECT_EQ(p.host, "host");
  EXPECT_EQ(p.port, 2222);
  EXPECT_EQ(p.user, "");  // VNC profiles carry no user
  EXPECT_EQ(p.group, "g");
  EXPECT_EQ(p.last_used, "Never");
  EXPECT_EQ(a.selected, p.id);
  EXPECT_EQ(a.screen, Screen::List);
  EXPECT_FALSE(a.focused_input);

  a.profiles[0].favorite = true;
  a.profiles[0].last_used = "2h ago";
  a.execute(cmd::OpenEditForm{p.id});
  EXPECT_EQ(a.form.port, "2222");
  a.form.name = "Renamed";
  a.execute(cmd::SaveForm{});
  ASSERT_EQ(a.profiles.size(), 1u);
  EXPECT_EQ(a.profiles[0].id, p.id);
  EXPECT_EQ(a.profiles[0].name, "Renamed");
  EXPECT_TRUE(a.profiles[0].favorite);
  EXPECT_EQ(a.profiles[0].last_used, "2h ago");
}

TEST(Form, ChoosingADeviceFillsTheForm) {
  auto h = Harness::sample();
  auto& a = *h.app;
  a.execute(cmd::OpenNewForm{});
  a.form.user = "kept";
  a.execute(cmd::ChooseDevice{2});
  EXPECT_EQ(a.form.kind, ConnectionKind::Vexa);
  EXPECT_EQ(a.form.name, "Living Room TV");
  EXPECT_EQ(a.form.host, a.nearby_devices[2].endpoint_id);
  EXPECT_EQ(a.form.port, "");
  EXPECT_EQ(a.form.user, "kept");
  EXPECT_EQ(a.focused_input, kName);
  a.execute(cmd::ChooseDevice{9});
  EXPECT_EQ(a.form.name, "Living Room TV");
}

TEST(Confirmations, SignatureRecheckAndNotices) {
  ScopedEnv live("REMOTE_LIVE_SESSIONS", "1");
  auto h = Harness::sample();
  auto& a = *h.app;
  auto id = h.named("Office NAS").id;
  a.execute(cmd::AskConnect{id});
  ASSERT_TRUE(a.pending_confirmation);
  a.find_profile(id)->name = "Renamed NAS";  // a rename does not block
  a.find_profile(id)->favorite = true;
  a.execute(cmd::Confirm{});
  EXPECT_EQ(a.screen, Screen::Session);
  EXPECT_EQ(a.session_target.id, id);
  EXPECT_FALSE(a.notice);

  a.execute(cmd::CloseSession{});
  a.execute(cmd::AskConnect{id});
  a.find_profile(id)->port = 5901;  // a port change does
  a.execute(cmd::Confirm{});
  EXPECT_EQ(a.notice, "This connection changed while confirmation was open. Review the current profile, then try again.");
  EXPECT_EQ(a.screen, Screen::List);

  a.execute(cmd::AskDelete{id});
  std::erase_if(a.profiles, [&](auto& p) { return p.id == id; });
  a.execute(cmd::Confirm{});
  EXPECT_EQ(a.notice, "The saved connection was removed before confirmation.");

  a.execute(cmd::AskConnect{id});
  EXPECT_EQ(a.notice, "That saved connection no longer exists.");
  EXPECT_FALSE(a.pending_confirmation);
  a.execute(cmd::CancelConfirmation{});
  EXPECT_EQ(a.notice, "Action cancelled. No connection or profile was changed.");
  a.execute(cmd::AskTrustKey{h.named("Build Box").id});
  EXPECT_EQ(a.notice,
            "No new SSH host key is waiting for trust. Changed keys must be forgotten before they can be reviewed again.");
  a.execute(cmd::AskForgetKey{h.named("Build Box").id});
  EXPECT_EQ(a.notice, "Only a currently changed SSH host key can be forgotten. Reconnect to revalidate this target first.");
}

TEST(Confirmations, DeleteMovesSelectionAndRdpConnectsWithoutDialog) {
  auto h = Harness::sample();
  auto& a = *h.app;
  auto first = h.named("Build Box").id;
  ASSERT_EQ(a.selected, first);
  a.execute(cmd::AskDelete{first});
  a.execute(cmd::Confirm{});
  EXPECT_FALSE(a.find_profile(first));
  EXPECT_EQ(a.selected, h.named("Studio Node").id);

  auto rdp = h.named("Win Workstation").id;
  a.execute(cmd::AskConnect{rdp});
  EXPECT_FALSE(a.pending_confirmation);
  EXPECT_EQ(a.screen, Screen::Session);
  EXPECT_EQ(a.sessions.status()->text, "RDP profiles are preserved, but this Vexa build has no RDP client backend.");
  EXPECT_EQ(h.named("Win Workstation").last_used, "yesterday");  // a start that was refused is no use
}

TEST(Confirmations, OpenDialogSwallowsOtherInput) {
  auto h = Harness::sample("confirm-delete");
  auto& a = *h.app;
  auto selected = a.selected;
  h.key("ctrl+n");
  h.key("ArrowDown");
  EXPECT_EQ(a.screen, Screen::List);
  EXPECT_EQ(a.selected, selected);
  // A row behind the dialog does not take the click.
  const auto* row = h.region_for([&](const ViewCommand& c) {
    auto* s = std::get_if<cmd::Select>(&c);
    return s && s->id == h.named("Workshop Laptop").id;
  });
  ASSERT_TRUE(row);
  h.click(row->rect.center());
  EXPECT_EQ(a.selected, selected);
  EXPECT_TRUE(a.pending_confirmation);
  EXPECT_FALSE(h.perform("remote.connection.new"));
  h.key("Escape");
  EXPECT_FALSE(a.pending_confirmation);
  EXPECT_EQ(a.notice, "Action cancelled. No connection or profile was changed.");
}

TEST(Sessions, CloseAdvancesIdentityAndExhaustionIsReported) {
  auto h = Harness::sample();
  auto& a = *h.app;
  auto id = h.named("Win Workstation").id;
  a.execute(cmd::Connect{id});
  auto first = a.sessions.identity();
  a.execute(cmd::Connect{id});
  EXPECT_EQ(a.sessions.identity(), first + 1);
  a.execute(cmd::CloseSession{});
  EXPECT_EQ(a.sessions.identity(), first + 2);
  EXPECT_EQ(a.screen, Screen::List);
  a.sessions.set_identity_for_test(std::numeric_limits<session::SessionId>::max());
  a.execute(cmd::Connect{id});
  EXPECT_EQ(a.screen, Screen::Session);
  EXPECT_EQ(a.sessions.status()->text, "remote session identity exhausted; restart the application");
  a.execute(cmd::CloseSession{});
  EXPECT_EQ(a.sessions.identity(), std::numeric_limits<session::SessionId>::max());
}

TEST(Keyboard, ListShortcuts) {
  ScopedEnv live("REMOTE_LIVE_SESSIONS", "1");
  auto h = Harness::sample();
  auto& a = *h.app;
  a.selected.reset();
  h.key("ArrowDown");  // no selection counts as the first row
  EXPECT_EQ(a.selected, h.named("Studio Node").id);
  for (int i = 0; i < 20; ++i) h.key("ArrowDown");
  EXPECT_EQ(a.selected, h.named("Workshop Laptop").id);
  h.key("/");
  EXPECT_EQ(a.focused_input, kSearch);
  h.type("vexa");
  EXPECT_EQ(a.visible().size(), 2u);
  EXPECT_EQ(a.selected, h.named("Studio Node").id);
  h.key("Escape");
  EXPECT_EQ(a.search_query, "");
  EXPECT_FALSE(a.focused_input);
  h.key("ctrl+n");
  EXPECT_EQ(a.screen, Screen::FormNew);
  h.key("ctrl+f");
  EXPECT_EQ(a.screen, Screen::List);
  EXPECT_EQ(a.focused_input, kSearch);
  h.key("Escape");
  h.key("Enter");
  ASSERT_TRUE(a.pending_confirmation);
  EXPECT_EQ(a.pending_confirmation->kind, PendingConfirmation::Kind::Connect);
}

TEST(Keyboard, FormTabOrderFollowsKind) {
  auto h = empty_app();
  auto& a = *h.app;
  a.execute(cmd::OpenNewForm{});
  a.execute(cmd::ChooseKind{ConnectionKind::Vnc});
  std::vector<std::size_t> order;
  for (int i = 0; i < 5; ++i) {
    h.key("Tab");
    order.push_back(*a.focused_input);
  }
  EXPECT_EQ(order, (std::vector<std::size_t>{kHost, kPort, kGroup, kName, kHost}));
  h.key("Escape");
  EXPECT_EQ(a.screen, Screen::List);
}

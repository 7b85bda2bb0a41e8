#include <gtest/gtest.h>

#include "app/views/views.hpp"
#include "platform/ui/theme.hpp"
#include "app_fixture.hpp"

using namespace app;
using app_test::Harness;
using vexa_ui::Rect;

TEST(SessionView, ImageRectFitsOrShowsOneToOneCentred) {
  struct Case {
    double w, h;
    bool fit;
    Rect expected;
  };
  const Case cases[] = {
      {800, 600, true, {0, 50, 400, 300}},
      {800, 600, false, {0, 0, 400, 400}},   // each axis capped at the surface
      {300, 200, false, {50, 100, 300, 200}},
      {0, 0, false, {199.5, 199.5, 1, 1}},   // a zero dimension draws as one pixel
  };
  for (const auto& c : cases) {
    EXPECT_EQ(views::fitted_image_rect({0, 0, 400, 400}, c.w, c.h, c.fit), c.expected) << c.w << "x" << c.h << " fit " << c.fit;
  }
}

namespace {

// A connected SSH session whose input queue the test reads.
struct FakeSsh {
  vexa::sys::Receiver<ssh::SshInput> typed;
  vexa::sys::Sender<ssh::OutputChunk> output;

  explicit FakeSsh(Harness& h, const Uuid& id) {
    auto session = std::make_unique<ssh::SshSession>();
    session->terminal = std::make_unique<vt::TerminalScreen>(80, 24);
    session->wake = std::make_shared<ssh::Wakeup>();
    session->status->set(vexa::sys::SessionStatus::connected());
    auto in = vexa::sys::bounded<ssh::SshInput>(256);
    auto out = vexa::sys::bounded<ssh::OutputChunk>(128);
    session->input = std::move(in.sender);
    session->output = std::move(out.receiver);
    typed = std::move(in.receiver);
    output = std::move(out.sender);
    h.app->execute(cmd::Connect{id});  // opens the surface for the profile
    h.app->sessions.set_slot_for_test(session::SshLive{std::move(session)});
    h.frame();
  }
  std::string sent() {
    std::string all;
    while (auto m = typed.try_recv()) all.append(m->bytes.begin(), m->bytes.end());
    return all;
  }
};

}  // namespace

TEST(SessionView, TerminalDrawsRunsByColourAndTakesKeys) {
  auto h = Harness::sample();
  FakeSsh ssh(h, h.named("Build Box").id);
  std::string shell = "ab\x1b[31mcd";
  ASSERT_FALSE(ssh.output.try_send(ssh::OutputChunk(shell.begin(), shell.end())));
  h.frame();
  std::vector<const vexa_ui::TextRun*> mono;
  for (auto* t : h.scene.texts()) {
    if (t->family == vexa_ui::FontFamily::Mono) mono.push_back(t);
  }
  ASSERT_GE(mono.size(), 2u);
  EXPECT_EQ(mono[0]->text, "ab");
  EXPECT_EQ(mono[1]->text, "cd");
  EXPECT_NEAR(mono[1]->origin.x - mono[0]->origin.x, 16.8, 1e-9);
  EXPECT_EQ(mono[1]->color, vexa_ui::TerminalPalette::dark().indexed[1]);
  EXPECT_EQ(h.tree().find("remote.session.surface")->value.substr(0, 4), "abcd");

  h.type("ls");
  h.key("Enter");
  h.key("ctrl+c");
  h.key("ArrowUp");
  h.key("Escape");
  EXPECT_EQ(ssh.sent(), "ls\r\x03\x1b[A\x1b");
  h.key("ctrl+w");  // closes instead of sending 0x17
  EXPECT_EQ(ssh.sent(), "");
  EXPECT_EQ(h.app->screen, Screen::List);
}

TEST(SessionView, FullscreenEscapeIsNotSent) {
  auto h = Harness::sample();
  FakeSsh ssh(h, h.named("Build Box").id);
  h.app->execute(cmd::ToggleFullscreen{});
  h.key("Escape");
  EXPECT_FALSE(h.app->fullscreen);
  EXPECT_EQ(ssh.sent(), "");
  h.app->pending_confirmation = PendingConfirmation{PendingConfirmation::Kind::Connect, h.named("Build Box").id, "", std::nullopt};
  h.type("x");  // nothing reaches the shell while a dialog is open
  EXPECT_EQ(ssh.sent(), "");
}

namespace {

std::vector<vexa_ui::device_stream::DeviceInput> device_inputs(RemoteApp& a) {
  std::vector<vexa_ui::device_stream::DeviceInput> out;
  for (auto& r : a.take_device_requests()) {
    if (auto* send = std::get_if<vexa_ui::device_stream::SendInput>(&r)) out.push_back(send->input);
  }
  return out;
}

vexa_ui::Key physical(std::string code, bool pressed) {
  vexa_ui::Key k;
  k.key = code;
  k.code = std::move(code);
  k.pressed = pressed;
  return k;
}

}  // namespace

// A device keeps a key down until it hears the release; releases that the window will never
// see (focus moved away) or that arrive under a dialog must still reach it.
TEST(SessionView, DeviceKeysHeldWhenFocusGoesOrADialogOpensAreReleased) {
  namespace ds = vexa_ui::device_stream;
  auto h = Harness::sample();
  RemoteApp& a = *h.app;
  const auto& node = h.named("Studio Node");
  a.execute(cmd::Connect{node.id});
  ds::StreamId stream = 0;
  for (auto& r : a.take_device_requests()) {
    if (auto* open = std::get_if<ds::OpenStream>(&r)) stream = open->stream;
  }
  ASSERT_NE(stream, 0u);
  a.on_device_event({stream, ds::SurfaceReady{640, 480}});

  a.handle_event(physical("KeyA", true));
  a.handle_event(vexa_ui::FocusLost{});
  EXPECT_EQ(device_inputs(a), (std::vector<ds::DeviceInput>{ds::Key{true, 30}, ds::Key{false, 30}}));

  a.handle_event(physical("KeyS", true));
  a.execute(cmd::AskDelete{node.id});
  ASSERT_TRUE(a.pending_confirmation);
  a.handle_event(physical("KeyD", false));  // never pressed on the device: stays with the dialog
  a.handle_event(physical("KeyS", false));
  EXPECT_EQ(device_inputs(a), (std::vector<ds::DeviceInput>{ds::Key{true, 31}, ds::Key{false, 31}}));
}

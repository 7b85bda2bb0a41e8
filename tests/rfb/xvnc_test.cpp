// Against a real TigerVNC Xvnc on loopback: what the server shows reaches our framebuffer, and
// what we send reaches the server (observed through its own X display).
#include <gtest/gtest.h>

#include <thread>

#include "rfb/session.hpp"
#include "support/vnc_x11_observer.hpp"
#include "support/vnc_xvnc_fixture.hpp"

namespace rfb {
namespace {

using namespace std::chrono_literals;
using test::X11Observer;
using test::XvncServer;
using vexa::sys::SessionStatus;
using Clock = std::chrono::steady_clock;

SessionStatus wait_status_change(const VncSession& s, SessionStatus::Kind from) {
  auto deadline = Clock::now() + 15s;
  while (s.status->get().kind == from && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
  return s.status->get();
}

// Waits until the latest snapshot shows `colour` at (x, y).
bool wait_pixel(const VncSession& s, std::uint32_t x, std::uint32_t y, std::uint32_t colour) {
  auto deadline = Clock::now() + 10s;
  while (Clock::now() < deadline) {
    auto snap = s.frames->current();
    if (snap && x < snap->width && y < snap->height &&
        snap->pixels[std::size_t{y} * snap->width + x] == colour) {
      return true;
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

TEST(RfbXvnc, NoneSecurityShowsTheScreenTakesInputAndEnds) {
  auto server = XvncServer::start({.width = 320, .height = 240, .password = {}});
  ASSERT_TRUE(server) << server.error();
  auto s = start_vnc_session("127.0.0.1", (*server)->port(), std::nullopt);
  ASSERT_TRUE(s);
  ASSERT_EQ(wait_status_change(*s, SessionStatus::Kind::Connecting), SessionStatus::connected());
  auto first = s->frames->current();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->width, 320);
  EXPECT_EQ(first->height, 240);

  ASSERT_EQ((*server)->run("xsetroot -solid '#ff8000'"), 0);
  EXPECT_TRUE(wait_pixel(*s, 5, 5, rgba(0xff, 0x80, 0x00)));
  EXPECT_TRUE(wait_pixel(*s, 319, 239, rgba(0xff, 0x80, 0x00)));
  ASSERT_EQ((*server)->run("xsetroot -solid '#1040c0'"), 0);
  EXPECT_TRUE(wait_pixel(*s, 160, 120, rgba(0x10, 0x40, 0xc0)));

  {
  // Closed before the server goes away: Xlib ends the process when its display dies.
  X11Observer observer((*server)->display());
  ASSERT_TRUE(observer.ok());
  ASSERT_TRUE(send_vnc_input(*s, VncInput::pointer(0, 123, 45)));
  EXPECT_TRUE(observer.wait_pointer(123, 45, 0));
  ASSERT_TRUE(send_vnc_input(*s, VncInput::pointer(0x04, 124, 46)));
  EXPECT_TRUE(observer.wait_pointer(124, 46, 0x04));
  ASSERT_TRUE(send_vnc_input(*s, VncInput::pointer(0, 124, 46)));
  EXPECT_TRUE(observer.wait_pointer(124, 46, 0));

  send_vnc_key(*s, "a", "a");
  send_vnc_key(*s, "Enter", "\r");
  auto keys = observer.keys(4);
  std::vector<X11Observer::Key> expected = {
      {true, 0x61}, {false, 0x61}, {true, 0xff0d}, {false, 0xff0d}};
  EXPECT_EQ(keys, expected);
  }

  (*server)->stop();
  EXPECT_EQ(wait_status_change(*s, SessionStatus::Kind::Connected), SessionStatus::ended());
}

TEST(RfbXvnc, VncAuthenticationWithRightAndWrongPassword) {
  auto server = XvncServer::start({.width = 200, .height = 100, .password = "s3cret!x"});
  ASSERT_TRUE(server) << server.error();
  ASSERT_EQ((*server)->run("xsetroot -solid '#00ff00'"), 0);

  auto right = start_vnc_session("127.0.0.1", (*server)->port(), "s3cret!x");
  ASSERT_TRUE(right);
  ASSERT_EQ(wait_status_change(*right, SessionStatus::Kind::Connecting),
            SessionStatus::connected());
  EXPECT_TRUE(wait_pixel(*right, 199, 99, rgba(0, 0xff, 0)));

  auto wrong = start_vnc_session("127.0.0.1", (*server)->port(), "s3cret!y");
  ASSERT_TRUE(wrong);
  auto status = wait_status_change(*wrong, SessionStatus::Kind::Connecting);
  EXPECT_EQ(status.kind, SessionStatus::Kind::Failed);
  EXPECT_FALSE(status.text.empty());
  EXPECT_FALSE(wrong->frames->current());
  // The good session is unaffected by the failed one.
  EXPECT_EQ(right->status->get(), SessionStatus::connected());
}

}  // namespace
}  // namespace rfb

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "rfb/session.hpp"
#include "support/rfb_fake_server.hpp"

namespace rfb {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::FakeConn;
using test::FakeServer;
using vexa::sys::SessionStatus;
using Clock = std::chrono::steady_clock;

// Waits until the status leaves `from` (or 10 s pass) and returns it.
SessionStatus wait_status_change(const VncSession& s, SessionStatus::Kind from) {
  auto deadline = Clock::now() + 10s;
  while (s.status->get().kind == from && Clock::now() < deadline) std::this_thread::sleep_for(2ms);
  return s.status->get();
}

// Waits until the worker has finished (status no longer live) and returns the status.
SessionStatus wait_final(const VncSession& s) {
  auto deadline = Clock::now() + 10s;
  while (s.status->get().live() && Clock::now() < deadline) std::this_thread::sleep_for(2ms);
  return s.status->get();
}

std::shared_ptr<const FrameSnapshot> wait_generation(const VncSession& s, std::uint64_t gen) {
  auto deadline = Clock::now() + 10s;
  for (;;) {
    auto snap = s.frames->current();
    if ((snap && snap->generation >= gen) || Clock::now() > deadline) return snap;
    std::this_thread::sleep_for(2ms);
  }
}

VncSession start(const FakeServer& server, std::optional<std::string> password = {}) {
  auto s = start_vnc_session("127.0.0.1", server.port(), std::move(password));
  EXPECT_TRUE(s);
  return std::move(*s);
}

TEST(RfbSession, ServerClosingAnEstablishedSessionEndsIt) {
  std::atomic<bool> seen_connected{false};
  FakeServer server([&](FakeConn& c) {
    test::serve_handshake(c, {.width = 20, .height = 10});
    while (!seen_connected) std::this_thread::sleep_for(1ms);
  });
  auto s = start(server);
  EXPECT_EQ(wait_status_change(s, SessionStatus::Kind::Connecting).kind,
            SessionStatus::Kind::Connected);
  seen_connected = true;
  server.join();
  EXPECT_EQ(wait_status_change(s, SessionStatus::Kind::Connected), SessionStatus::ended());
  auto snap = s.frames->current();
  ASSERT_TRUE(snap);
  EXPECT_EQ(snap->generation, 0u);
  EXPECT_EQ(snap->width, 20);
  EXPECT_EQ(snap->height, 10);
  EXPECT_EQ(snap->bytes().size(), 800u);
}

TEST(RfbSession, HandshakeFailuresBecomeFailedWithTheirText) {
  struct Case {
    const char* name;
    std::function<void(FakeConn&)> script;
    const char* text;
  } cases[] = {
      {"closed after version", [](FakeConn& c) { c.send("RFB 003.008\n"); c.recv(12); },
       "failed to fill whole buffer"},
      {"bad version", [](FakeConn& c) { c.send("RFB 003.889\n"); }, "bad ProtocolVersion"},
      {"refused by server",
       [](FakeConn& c) {
         c.send("RFB 003.008\n");
         c.recv(12);
         c.send(Bytes().u8(0).u32(11).text("too many ?!"));
       },
       "too many ?!"},
  };
  for (auto& c : cases) {
    FakeServer server(c.script);
    auto s = start(server);
    EXPECT_EQ(wait_status_change(s, SessionStatus::Kind::Connecting), SessionStatus::failed(c.text))
        << c.name;
    EXPECT_FALSE(s.frames->current()) << c.name;
  }
}

TEST(RfbSession, RefusedConnectionIsNamed) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  ::close(fd);  // bound once, now nobody listens there
  auto s = start_vnc_session("127.0.0.1", ntohs(addr.sin_port), std::nullopt);
  ASSERT_TRUE(s);
  EXPECT_EQ(wait_status_change(*s, SessionStatus::Kind::Connecting),
            SessionStatus::failed("Connection refused"));
}

TEST(RfbSession, UnresolvableHostFails) {
  auto s = start_vnc_session("no-such-host.invalid", 5900, std::nullopt);
  ASSERT_TRUE(s);
  auto status = wait_status_change(*s, SessionStatus::Kind::Connecting);
  EXPECT_EQ(status.kind, SessionStatus::Kind::Failed);
  EXPECT_FALSE(status.text.empty());
}

TEST(RfbSession, ByteByByteHandshakeAndUpdate) {
  std::vector<std::uint8_t> after_update;
  FakeServer server([&](FakeConn& c) {
    c.byte_by_byte = true;
    test::serve_handshake(c, {.width = 4, .height = 4});
    // A Bell, a colour map, a cut text, then the update: each is consumed whole.
    c.send(Bytes().u8(2));
    c.send(Bytes().u8(1).u8(0).u16(0).u16(2).fill(12, 0xee));
    c.send(Bytes().u8(3).fill(3, 0).u32(10).text("clipboard!"));
    c.send(Bytes().u8(0).u8(0).u16(1).rect(1, 2, 1, 1, 0).pixel(9, 8, 7));
    after_update = c.recv(10, 5s);
    c.wait_closed(10s);
  });
  auto s = start(server);
  auto snap = wait_generation(s, 1);
  ASSERT_TRUE(snap);
  ASSERT_EQ(snap->generation, 1u);
  EXPECT_EQ(snap->pixels[2 * 4 + 1], rgba(9, 8, 7));
  s.input.reset();  // dropping the handle's sender ends the worker
  server.join();
  std::vector<std::uint8_t> incremental = Bytes().u8(3).u8(1).u16(0).u16(0).u16(4).u16(4);
  EXPECT_EQ(after_update, incremental);
}

TEST(RfbSession, IdleServerGetsRequestsEvery500msAndInputWithin100ms) {
  std::vector<double> request_times;
  double key_delay = -1;
  std::vector<std::uint8_t> key_bytes;
  Clock::time_point typed_at;
  FakeServer server([&](FakeConn& c) {
    test::serve_handshake(c, {.width = 8, .height = 8});
    auto start = Clock::now();
    while (Clock::now() - start < 1800ms) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(start + 1800ms - Clock::now());
      auto type = c.recv(1, left);
      if (type.empty()) break;
      if (type[0] == 3) {
        c.recv(9);
        request_times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
      } else if (type[0] == 4) {
        key_delay = std::chrono::duration<double>(Clock::now() - typed_at).count();
        key_bytes = type;
        auto rest = c.recv(7);
        key_bytes.insert(key_bytes.end(), rest.begin(), rest.end());
      }
    }
  });
  auto s = start(server);
  ASSERT_EQ(wait_status_change(s, SessionStatus::Kind::Connecting).kind,
            SessionStatus::Kind::Connected);
  std::this_thread::sleep_for(750ms);
  typed_at = Clock::now();
  ASSERT_TRUE(send_vnc_input(s, VncInput::key(true, 0x61)));
  server.join();
  // Requests near 0.5 s, 1.0 s, 1.5 s after the handshake, none in between.
  ASSERT_EQ(request_times.size(), 3u);
  for (std::size_t i = 0; i < request_times.size(); ++i) {
    EXPECT_NEAR(request_times[i], 0.5 * (i + 1), 0.15) << i;
  }
  EXPECT_GE(key_delay, 0);
  EXPECT_LT(key_delay, 0.2);
  EXPECT_EQ(key_bytes, (std::vector<std::uint8_t>{4, 1, 0, 0, 0, 0, 0, 0x61}));
}

TEST(RfbSession, QueuedInputIsWrittenInOrder) {
  std::vector<std::uint8_t> got;
  FakeServer server([&](FakeConn& c) {
    test::serve_handshake(c, {.width = 100, .height = 100});
    got = c.recv(8 + 8 + 6 + 6, 5s);
  });
  auto s = start(server);
  ASSERT_EQ(wait_status_change(s, SessionStatus::Kind::Connecting).kind,
            SessionStatus::Kind::Connected);
  send_vnc_key(s, "Enter", "\r");
  ImageRect drawn{0, 0, 50, 50};
  VncPointer pointer;
  EXPECT_TRUE(pointer.move(s, drawn, 10, 20, false));
  pointer.button(s, drawn, 1, true, false);
  pointer.button(s, std::nullopt, 1, false, false);  // nothing drawn: no mapping, mask kept
  EXPECT_EQ(pointer.mask, 0x04);
  server.join();
  std::vector<std::uint8_t> expected = Bytes()
                                           .u8(4).u8(1).u16(0).u32(0xff0d)
                                           .u8(4).u8(0).u16(0).u32(0xff0d)
                                           .u8(5).u8(0).u16(20).u16(40)
                                           .u8(5).u8(4).u16(20).u16(40);
  EXPECT_EQ(got, expected);
}

TEST(RfbSession, UnknownMessageAndBadUpdateFail) {
  struct Case {
    std::vector<std::uint8_t> message;
    const char* text;
  } cases[] = {
      {Bytes().u8(4), "unknown server message 4"},
      {Bytes().u8(255), "unknown server message 255"},
      {Bytes().u8(0).u8(0).u16(1).rect(0, 0, 1, 1, 16), "unsupported RFB encoding 16"},
  };
  for (const auto& c : cases) {
    FakeServer server([&](FakeConn& conn) {
      test::serve_handshake(conn);
      conn.send(c.message);
      conn.wait_closed(5s);
    });
    auto s = start(server);
    EXPECT_EQ(wait_final(s), SessionStatus::failed(c.text));
    // Connected first (the first snapshot is published after it); the failed update was not.
    auto snap = s.frames->current();
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->generation, 0u);
  }
}

TEST(RfbSession, EndOfStreamInsideAnUpdateEndsTheSession) {
  FakeServer server([](FakeConn& c) {
    test::serve_handshake(c);
    c.send(Bytes().u8(0).u8(0).u16(1).rect(0, 0, 10, 10, 0).fill(100, 1));
  });
  auto s = start(server);
  EXPECT_EQ(wait_final(s), SessionStatus::ended());
  EXPECT_TRUE(s.frames->current());
}

TEST(RfbSession, DroppingTheHandleEndsAnIdleWorkerQuickly) {
  double close_delay = -1;
  std::atomic<bool> dropped{false};
  Clock::time_point dropped_at;
  FakeServer server([&](FakeConn& c) {
    test::serve_handshake(c);
    while (!dropped) std::this_thread::sleep_for(1ms);
    if (c.wait_closed(5s)) {
      close_delay = std::chrono::duration<double>(Clock::now() - dropped_at).count();
    }
  });
  vexa::sys::StatusCell status;
  {
    auto s = start(server);
    status = s.status;
    ASSERT_EQ(wait_status_change(s, SessionStatus::Kind::Connecting).kind,
              SessionStatus::Kind::Connected);
    dropped_at = Clock::now();
  }
  dropped = true;
  server.join();
  EXPECT_GE(close_delay, 0);
  EXPECT_LT(close_delay, 0.3);
  EXPECT_EQ(status->get(), SessionStatus::connected());
}

TEST(RfbSession, SendReportsBusyAndClosedQueues) {
  // A server that never speaks keeps the worker in the handshake, so nothing is drained.
  FakeServer server([](FakeConn& c) { c.wait_closed(1s); });
  auto s = start(server);
  for (std::size_t i = 0; i < kInputCapacity; ++i) {
    ASSERT_TRUE(send_vnc_input(s, VncInput::pointer(0, 1, 1))) << i;
  }
  auto busy = send_vnc_input(s, VncInput::key(true, 1));
  ASSERT_FALSE(busy);
  EXPECT_EQ(busy.error(), "VNC input is busy; wait for the remote desktop to catch up");

  auto channel = vexa::sys::bounded<VncInput>(kInputCapacity);
  VncSession gone{std::move(channel.sender), vexa::sys::make_status_cell(),
                  std::make_shared<FrameSlot>(), nullptr};
  channel.receiver.close();
  auto closed = send_vnc_input(gone, VncInput::key(true, 1));
  ASSERT_FALSE(closed);
  EXPECT_EQ(closed.error(), "VNC session input channel is closed");
}

TEST(RfbSession, ViewMappingNeedsConnectedStatusAndAnImage) {
  auto channel = vexa::sys::bounded<VncInput>(4);
  VncSession s{std::move(channel.sender), vexa::sys::make_status_cell(),
               std::make_shared<FrameSlot>(), nullptr};
  ImageRect drawn{0, 0, 100, 100};
  EXPECT_EQ(map_view_point(s, drawn, 50, 50), std::nullopt);  // Connecting
  s.status->set(SessionStatus::connected());
  EXPECT_EQ(map_view_point(s, drawn, 50, 50), std::nullopt);  // no image yet
  Framebuffer frame(10, 20);
  s.frames->publish(frame.snapshot());
  EXPECT_EQ(map_view_point(s, drawn, 50, 50), (FramePoint{5, 10}));
  EXPECT_EQ(map_view_point(s, std::nullopt, 50, 50), std::nullopt);
  s.status->set(SessionStatus::ended());
  EXPECT_EQ(map_view_point(s, drawn, 50, 50), std::nullopt);
}

TEST(RfbSession, PasswordFromEnvironment) {
  ::unsetenv("REMOTE_VNC_PASSWORD");
  EXPECT_EQ(vnc_password_from_environment(), std::nullopt);
  ::setenv("REMOTE_VNC_PASSWORD", "pässwörd", 1);
  EXPECT_EQ(vnc_password_from_environment(), "pässwörd");
  ::setenv("REMOTE_VNC_PASSWORD", "bad\xff", 1);
  EXPECT_EQ(vnc_password_from_environment(), std::nullopt);
  ::unsetenv("REMOTE_VNC_PASSWORD");
}

TEST(RfbFrameSlot, TakeNewFrameOnlyWhenNewer) {
  FrameSlot slot;
  std::optional<std::uint64_t> seen;
  EXPECT_FALSE(take_new_frame(slot, seen));
  Framebuffer frame(2, 2);
  slot.publish(frame.snapshot());
  auto first = take_new_frame(slot, seen);
  ASSERT_TRUE(first);
  EXPECT_EQ(seen, 0u);
  EXPECT_FALSE(take_new_frame(slot, seen));
  frame.set_generation(1);
  slot.publish(frame.snapshot());
  frame.set_generation(2);
  slot.publish(frame.snapshot());
  auto latest = take_new_frame(slot, seen);
  ASSERT_TRUE(latest);
  EXPECT_EQ(latest->generation, 2u);
  EXPECT_FALSE(take_new_frame(slot, seen));
}

}  // namespace
}  // namespace rfb

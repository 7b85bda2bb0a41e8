#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <limits>
#include <system_error>

#include "device/stream_session.hpp"
#include "device/support.hpp"
#include "platform/endpoint/endpoint_key.hpp"

namespace {

using namespace device;
using device_test::kEndpoint;
using Kind = SessionStatus::Kind;

// Keeps the decode thread's body instead of running it, so a test decides when it runs.
struct HeldThread {
  std::function<void()> body;
  Spawner spawner() {
    return [this](const std::string& name, std::function<void()> b) {
      EXPECT_EQ(name, "remote-vexa-decode");
      body = std::move(b);
    };
  }
};

ds::DeviceEvent event(ds::StreamId stream, decltype(ds::DeviceEvent::kind) kind) {
  return ds::DeviceEvent{stream, std::move(kind)};
}

TEST(DeviceStreams, HostThatIsNoEndpointKeyFailsBeforeAnythingIsQueued) {
  for (std::string host : {std::string(), " " + kEndpoint, kEndpoint + "\n", kEndpoint.substr(1),
                           kEndpoint + "0", std::string(63, 'a') + "g"}) {
    DeviceStreams streams;
    auto session = streams.start(host);
    ASSERT_FALSE(session) << host;
    EXPECT_EQ(session.error(), "Vexa host must be an exact certified device endpoint id");
    EXPECT_TRUE(streams.take_requests().empty());
    EXPECT_EQ(streams.next_stream_id(), 1u);
  }
}

TEST(DeviceStreams, StreamIdsCountFromOneAndOlderStreamsAreIgnored) {
  DeviceStreams streams;
  HeldThread first_thread, second_thread;
  auto first = streams.start(kEndpoint, first_thread.spawner());
  auto second = streams.start(kEndpoint, second_thread.spawner());
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->stream, 1u);
  EXPECT_EQ(second->stream, 2u);
  auto key = *vexa::endpoint::parse_public_key(kEndpoint);
  EXPECT_EQ(streams.take_requests(), (std::vector<ds::DeviceRequest>{ds::OpenStream{key, 1},
                                                                     ds::OpenStream{key, 2}}));
  EXPECT_EQ(second->status, SessionStatus::connecting());
  EXPECT_FALSE(second->frame_size);

  // The first session is gone; its stream's events reach the second one and are dropped.
  EXPECT_FALSE(on_device_event(&*second, event(1, ds::SurfaceReady{640, 480})));
  EXPECT_FALSE(on_device_event(&*second, event(1, ds::Frame{{0, 0, 0, 1, 0x65}})));
  EXPECT_FALSE(on_device_event(nullptr, event(2, ds::Waiting{})));
  EXPECT_EQ(second->status, SessionStatus::connecting());
  EXPECT_FALSE(second->frame_size);
  EXPECT_EQ(second->shared->encoded.puts(), 0u);

  streams.end(*second);
  EXPECT_EQ(streams.take_requests(), (std::vector<ds::DeviceRequest>{ds::CloseStream{2}}));
}

TEST(DeviceStreams, StreamIdSaturatesAtTheLargestValue) {
  DeviceStreams streams;
  constexpr auto max = std::numeric_limits<ds::StreamId>::max();
  streams.set_next_stream_id_for_test(max - 1);
  HeldThread a, b, c;
  EXPECT_EQ(streams.start(kEndpoint, a.spawner())->stream, max - 1);
  EXPECT_EQ(streams.start(kEndpoint, b.spawner())->stream, max);
  EXPECT_EQ(streams.start(kEndpoint, c.spawner())->stream, max);
}

TEST(DeviceStreams, DecoderThreadThatCannotStartFailsTheSessionAndClosesItsStream) {
  DeviceStreams streams;
  auto session = streams.start(kEndpoint, [](const std::string&, std::function<void()>) {
    throw std::system_error(EAGAIN, std::generic_category());
  });
  ASSERT_FALSE(session);
  EXPECT_EQ(session.error(), "could not start Vexa frame decoder: Resource temporarily unavailable");
  auto requests = streams.take_requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(std::holds_alternative<ds::OpenStream>(requests[0]));
  EXPECT_EQ(requests[1], ds::DeviceRequest(ds::CloseStream{1}));
}

TEST(DeviceStreamSession, EventsDriveTheStatusAndEveryCloseReasonHasItsText) {
  DeviceStreams streams;
  HeldThread thread;
  auto session = streams.start(kEndpoint, thread.spawner());
  ASSERT_TRUE(session);
  EXPECT_TRUE(on_device_event(&*session, event(1, ds::SurfaceReady{1920, 1080})));
  EXPECT_EQ(session->status, SessionStatus::connected());
  EXPECT_EQ(session->frame_size, (FrameSize{1920, 1080}));
  EXPECT_TRUE(on_device_event(&*session, event(1, ds::Waiting{})));
  EXPECT_EQ(session->status, SessionStatus::connecting());

  using R = ds::CloseReason::Kind;
  const std::vector<std::pair<ds::CloseReason, std::string>> reasons{
      {{R::Other, "relay quota exceeded"}, "relay quota exceeded"},
      {{R::TargetRevoked, {}}, "Target revoked workspace control"},
      {{R::TargetDisconnected, {}}, "Target disconnected"},
      {{R::RelayDisconnected, {}}, "Encrypted relay disconnected"},
      {{R::ControlClosed, {}}, "Workspace control closed"},
  };
  for (const auto& [reason, text] : reasons) {
    EXPECT_EQ(close_reason_text(reason), text);
    EXPECT_TRUE(on_device_event(&*session, event(1, ds::Closed{reason})));
    EXPECT_EQ(session->status, SessionStatus::failed(text));
  }
  // A later surface of the same stream makes it live again.
  on_device_event(&*session, event(1, ds::SurfaceReady{800, 600}));
  EXPECT_EQ(session->status, SessionStatus::connected());
}

TEST(DeviceStreamSession, InputIsQueuedOnlyWhileConnected) {
  DeviceStreams streams;
  HeldThread thread;
  auto session = streams.start(kEndpoint, thread.spawner());
  streams.take_requests();
  const ds::DeviceInput key = ds::Key{true, 30};
  EXPECT_FALSE(streams.send_input(*session, key));
  on_device_event(&*session, event(1, ds::Waiting{}));
  EXPECT_FALSE(streams.send_input(*session, key));
  EXPECT_TRUE(streams.take_requests().empty());

  on_device_event(&*session, event(1, ds::SurfaceReady{10, 10}));
  for (int i = 0; i < 300; ++i) EXPECT_TRUE(streams.send_input(*session, key));
  auto requests = streams.take_requests();
  ASSERT_EQ(requests.size(), 300u);  // no limit of its own
  EXPECT_EQ(requests[0], ds::DeviceRequest(ds::SendInput{key, 1}));

  on_device_event(&*session, event(1, ds::Closed{{ds::CloseReason::Kind::ControlClosed, {}}}));
  EXPECT_FALSE(streams.send_input(*session, key));
  EXPECT_TRUE(streams.take_requests().empty());
}

// A key frame and two frames coded against their predecessors: leaving any out would leave the
// third without its reference.
TEST(DeviceStreamSession, ThreeFramesBeforeTheDecoderWakesAreAllDecodedAndOnlyTheThirdShown) {
  auto frames = device_test::flat_frames({{200, 30, 30}, {30, 200, 30}, {30, 30, 200}}, 64, 48, 30);
  ASSERT_TRUE(is_key_frame(frames[0]));
  ASSERT_FALSE(is_key_frame(frames[2]));
  DeviceStreams streams;
  HeldThread thread;
  auto session = streams.start(kEndpoint, thread.spawner());
  ASSERT_TRUE(session && thread.body);
  on_device_event(&*session, event(1, ds::SurfaceReady{64, 48}));
  for (auto& f : frames) on_device_event(&*session, event(1, ds::Frame{f}));
  EXPECT_EQ(session->status, SessionStatus::connected());

  auto shared = session->shared;
  session->wake.reset();  // the loop drains the pending wake-up, then sees the queue closed
  thread.body();
  EXPECT_FALSE(shared->alive.load());
  EXPECT_EQ(shared->decoded.puts(), 1u);
  auto image = take_picture(*session);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 64);
  EXPECT_EQ(image->height, 48);
  device_test::expect_pixel_near(image->rgba.get(), 64, 32, 24, {30, 30, 200});
  EXPECT_FALSE(take_picture(*session));
}

TEST(DeviceStreamSession, DecodeThreadTurnsEachFrameIntoTheNewestPicture) {
  auto frames = device_test::flat_frames({{250, 250, 250}, {10, 10, 10}}, 96, 64);
  DeviceStreams streams;
  auto session = streams.start(kEndpoint);
  ASSERT_TRUE(session);
  on_device_event(&*session, event(1, ds::SurfaceReady{48, 32}));
  std::uint64_t last_generation = 0;
  for (int i = 0; i < 4; ++i) {
    on_device_event(&*session, event(1, ds::Frame{frames[i % 2]}));
    std::optional<vexa_ui::ImagePixels> image;
    ASSERT_TRUE(device_test::eventually([&] { return (image = take_picture(*session)).has_value(); }));
    EXPECT_GT(image->generation, last_generation);
    last_generation = image->generation;
    device_test::expect_pixel_near(image->rgba.get(), 96, 50, 30, i % 2 ? device_test::Rgb{10, 10, 10}
                                                                 : device_test::Rgb{250, 250, 250});
  }
  EXPECT_EQ(session->frame_size, (FrameSize{96, 64}));  // the picture's size wins
  auto shared = session->shared;
  { auto dropped = std::move(*session); }
  EXPECT_TRUE(device_test::eventually([&] { return !shared->alive.load(); }));
}

TEST(DeviceStreamSession, FramesForAGoneDecoderFailTheSession) {
  DeviceStreams streams;
  auto session = streams.start(kEndpoint, [](const std::string&, std::function<void()>) {});
  ASSERT_TRUE(session);
  on_device_event(&*session, event(1, ds::SurfaceReady{4, 4}));
  // The thread's queue end is gone while the flag still says alive.
  on_device_event(&*session, event(1, ds::Frame{{1, 2, 3}}));
  EXPECT_EQ(session->status, SessionStatus::failed("Vexa frame decoder stopped"));
  EXPECT_FALSE(session->shared->alive.load());

  on_device_event(&*session, event(1, ds::SurfaceReady{4, 4}));
  on_device_event(&*session, event(1, ds::Frame{{4, 5, 6}}));
  EXPECT_EQ(session->status, SessionStatus::failed("Vexa frame decoder is unavailable"));
  EXPECT_EQ(session->shared->encoded.puts(), 1u);  // the second frame was dropped
}

}  // namespace

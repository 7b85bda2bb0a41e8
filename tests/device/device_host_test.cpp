#include <gtest/gtest.h>

#include <cstdlib>

#include "device/input.hpp"
#include "device/stream_session.hpp"
#include "device/support.hpp"
#include "platform/devicehost/demo_device.hpp"
#include "platform/devicehost/device_host.hpp"

namespace {

using namespace device;
using device_test::eventually;

// The application's side, as the session manager and the view will wire it.
struct TestApp final : vexa_ui::DeviceSink {
  DeviceStreams streams;
  std::optional<DeviceStreamSession> session;
  std::optional<vexa_ui::ImagePixels> image;

  std::vector<ds::DeviceRequest> take_device_requests() override { return streams.take_requests(); }
  void on_device_event(ds::DeviceEvent event) override {
    device::on_device_event(session ? &*session : nullptr, std::move(event));
  }
  void connect() {
    auto s = streams.start(device_test::kEndpoint);
    ASSERT_TRUE(s);
    session = std::move(*s);
  }
  // One loop iteration: pump the host, then take a new picture as the view would.
  void tick(vexa_ui::DeviceHost& host) {
    host.pump(*this);
    if (session) {
      if (auto next = take_picture(*session)) image = std::move(next);
    }
  }
};

TEST(DeviceHost, WithoutAFabricEveryStreamClosesAtOnceWithItsReason) {
  for (const char* choice : {static_cast<const char*>(nullptr), "", "fabric"}) {
    if (choice) ::setenv("VEXA_DEVICE_HOST", choice, 1); else ::unsetenv("VEXA_DEVICE_HOST");
    auto host = vexa_ui::DeviceHost::from_environment();
    TestApp app;
    app.connect();
    EXPECT_FALSE(host.active());
    EXPECT_EQ(host.pump(app), 1u);
    EXPECT_EQ(app.session->status,
              SessionStatus::failed("no peer-to-peer device fabric is reachable from this build"));
    EXPECT_FALSE(host.active());
    EXPECT_EQ(host.pump(app), 0u);
  }
}

TEST(DeviceHost, EnvironmentSelectsTheDemonstrationDevice) {
  ::setenv("VEXA_DEVICE_HOST", "demo", 1);
  auto host = vexa_ui::DeviceHost::from_environment();
  ::unsetenv("VEXA_DEVICE_HOST");
  TestApp app;
  app.connect();
  ASSERT_TRUE(eventually([&] { return host.pump(app) > 0; }));  // Waiting comes first
  EXPECT_EQ(app.session->status, SessionStatus::connecting());
  EXPECT_TRUE(host.active());
  app.streams.end(*app.session);
  host.pump(app);
  EXPECT_FALSE(host.active());
}

TEST(DeviceHost, DemoDeviceStreamsPicturesThatShowTheInputItReceived) {
  vexa_ui::DeviceHost host(vexa_ui::demo_backend({320, 192, 60, std::chrono::milliseconds(30), 0}));
  TestApp app;
  app.connect();
  host.pump(app);
  EXPECT_TRUE(host.active());
  EXPECT_EQ(app.session->status, SessionStatus::connecting());

  ASSERT_TRUE(eventually([&] {
    app.tick(host);
    return app.image.has_value();
  }));
  EXPECT_EQ(app.session->status, SessionStatus::connected());
  EXPECT_EQ(app.image->width, 320);
  EXPECT_EQ(app.image->height, 192);
  EXPECT_EQ(app.session->frame_size, (FrameSize{320, 192}));

  // Press the primary button at device point (200, 120) and hold KeyA (code 30).
  const std::optional<vexa_ui::Rect> drawn = vexa_ui::Rect{0, 0, 160, 96};
  ASSERT_TRUE(send_pointer_move(app.streams, *app.session, drawn, 100, 60));
  ASSERT_TRUE(send_pointer_button(app.streams, *app.session, drawn, 0, true, 100, 60));
  ASSERT_TRUE(send_key(app.streams, *app.session, "KeyA", true));
  auto near = [&](std::uint32_t x, std::uint32_t y, int r, int g, int b) {
    const std::uint8_t* p = app.image->rgba.get() + (std::size_t{y} * 320 + x) * 4;
    return std::abs(p[0] - r) < 40 && std::abs(p[1] - g) < 40 && std::abs(p[2] - b) < 40;
  };
  EXPECT_TRUE(eventually([&] {
    app.tick(host);
    return near(200, 120, 0xFF, 0x30, 0x30) && near(30, 30, 0x30, 0xFF, 0x60);
  })) << "the pressed pointer and the held key never showed";

  app.streams.end(*app.session);
  app.session.reset();
  host.pump(app);
  EXPECT_FALSE(host.active());
}

TEST(DeviceHost, DemoDeviceThatStopsClosesTheStream) {
  vexa_ui::DeviceHost host(vexa_ui::demo_backend({64, 64, 200, std::chrono::milliseconds(1), 3}));
  TestApp app;
  app.connect();
  ASSERT_TRUE(eventually([&] {
    app.tick(host);
    return app.session->status.kind == SessionStatus::Kind::Failed;
  }));
  EXPECT_EQ(app.session->status, SessionStatus::failed("Target disconnected"));
  EXPECT_TRUE(app.image.has_value());
  EXPECT_TRUE(eventually([&] {
    host.pump(app);
    return !host.active();
  }));
}

}  // namespace

// The session view against a real Xvnc: the desktop image is drawn, and a click on it reaches
// the server at the framebuffer point the view maps it to.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/remote_app.hpp"
#include "platform/ui/text.hpp"
#include "support/vnc_x11_observer.hpp"
#include "support/vnc_xvnc_fixture.hpp"

TEST(LiveVncView, ClickOnTheDesktopReachesTheServerAtTheMappedPoint) {
  auto server = rfb::test::XvncServer::start({640, 480, std::nullopt});
  ASSERT_TRUE(server) << server.error();
  rfb::test::X11Observer observer((*server)->display());
  ASSERT_TRUE(observer.ok());
  setenv("REMOTE_LIVE_SESSIONS", "1", 1);
  app::RemoteApp a;
  profiles::ConnectionProfile p;
  p.id = profiles::Uuid::new_v4();
  p.name = "Desk";
  p.kind = profiles::ConnectionKind::Vnc;
  p.host = "127.0.0.1";
  p.port = (*server)->port();
  a.profiles.push_back(p);
  a.layout({0, 0, 1000, 800});
  vexa_ui::TextRenderer text;
  vexa_ui::Scene scene;
  auto frame = [&] {
    scene.clear();
    vexa_ui::DrawContext ctx{scene, text, {1000, 800}, 1.0};
    a.frame_start();
    a.draw(ctx);
  };
  a.execute(app::cmd::Connect{p.id});
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (!a.sessions.surface.drawn && std::chrono::steady_clock::now() < deadline) {
    frame();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  unsetenv("REMOTE_LIVE_SESSIONS");
  ASSERT_TRUE(a.sessions.surface.drawn) << "no desktop image was drawn";
  bool image_drawn = false;
  for (const auto& item : scene.items()) image_drawn |= std::holds_alternative<vexa_ui::ImageDraw>(item);
  EXPECT_TRUE(image_drawn);
  // Fitted: the drawn rectangle keeps 4:3; a click at its centre is framebuffer (320, 240).
  auto r = *a.sessions.surface.drawn;
  EXPECT_NEAR((r.x1 - r.x0) / (r.y1 - r.y0), 640.0 / 480.0, 1e-6);
  vexa_ui::Point centre{(r.x0 + r.x1) / 2, (r.y0 + r.y1) / 2};
  a.handle_event(vexa_ui::PointerMove{centre});
  a.handle_event(vexa_ui::PointerButton{centre, 0, true});
  EXPECT_TRUE(observer.wait_pointer(320, 240, 1));
  a.handle_event(vexa_ui::PointerButton{centre, 0, false});
  EXPECT_TRUE(observer.wait_pointer(320, 240, 0));
}

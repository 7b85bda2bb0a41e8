// A VNC session in the real window under Xvfb, driven with xdotool as a user would: TigerVNC's
// Xvnc desktop, in a colour set with xsetroot, is drawn where the views' own layout puts the
// image; a press and release on it reach the server at the point the views' own mapping gives,
// and typed keys arrive as key symbols. Xvnc, the window and its X server belong to objects that
// end them, whichever assertion stops the test.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "e2e/app_geometry.hpp"
#include "e2e/live_window.hpp"
#include "rfb/input.hpp"
#include "support/vnc_x11_observer.hpp"
#include "support/vnc_xvnc_fixture.hpp"

using namespace test_support;
using namespace e2e;
using nlohmann::json;

namespace {

constexpr std::uint32_t kRoot = 0x2a6fb0;  // the desktop's colour, set with xsetroot

// The share of pixels in `r` (window coordinates, shifted to the capture by `origin`) that
// have `colour`.
double share_of(const Screenshot& shot, vexa_ui::Rect r, std::pair<int, int> origin, std::uint32_t colour) {
  std::size_t hits = 0, all = 0;
  for (int y = static_cast<int>(r.y); y < static_cast<int>(r.bottom()); ++y) {
    for (int x = static_cast<int>(r.x); x < static_cast<int>(r.right()); ++x) {
      int sx = x + origin.first, sy = y + origin.second;
      if (sx < 0 || sy < 0 || sx >= shot.width || sy >= shot.height) continue;
      ++all;
      hits += shot.pixels[static_cast<std::size_t>(sy) * shot.width + sx] == colour;
    }
  }
  return all ? static_cast<double>(hits) / all : 0;
}

// Captures until nearly all of `inside` shows `colour`; the last capture.
std::optional<Screenshot> wait_colour(const E2eWindow& w, vexa_ui::Rect inside, std::uint32_t colour) {
  auto origin = w.origin();
  std::optional<Screenshot> shot;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSessionWaitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    shot = w.capture();
    if (shot && share_of(*shot, inside, origin, colour) > 0.995) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return shot;
}

}  // namespace

TEST(LiveWindow, VncDesktopIsDrawnWhereTheViewPlacesItAndClicksAndKeysReachTheServer) {
  auto server = rfb::test::XvncServer::start({640, 480, std::nullopt});
  ASSERT_TRUE(server) << server.error();
  ASSERT_EQ((*server)->run("xsetroot -solid '#2a6fb0'"), 0);
  rfb::test::X11Observer observer((*server)->display());
  ASSERT_TRUE(observer.ok());
  E2eDocument doc;
  auto id = add_profile(doc, "Desk",
                        "--perform remote.kind:VNC --perform remote.field:host=127.0.0.1 --perform remote.field:port=" +
                            std::to_string((*server)->port()));
  ASSERT_EQ(id.size(), 36u);
  auto placed = e2e::desktop_for(doc.file(), id, {1280, 800}, 640, 480);
  ASSERT_TRUE(placed);

  E2eWindow w(doc, WindowOptions{.env = {{"REMOTE_LIVE_SESSIONS", "1"}}, .mirror_a11y = true});
  ASSERT_EQ(w.problem(), "");
  ASSERT_TRUE(w.wait_drawn());
  ASSERT_EQ(w.size(), (std::pair{1280, 800}));
  // Keyboard only: Down selects the first row, Enter connects, Enter confirms.
  ASSERT_EQ(w.key("Down"), "");
  const std::string row = "remote.connection:" + id + ":select";
  auto tree = w.wait_a11y([&](const json& t) { return is_selected(t, row); });
  ASSERT_TRUE(tree && is_selected(*tree, row)) << "Down selected nothing";
  ASSERT_NO_FATAL_FAILURE(connect_selected(w, "Desk"));
  tree = w.wait_a11y([](const json& t) { return status_of(t) == "Connected"; }, kSessionWaitMs);
  ASSERT_TRUE(tree);
  ASSERT_EQ(status_of(*tree), "Connected");

  // The desktop fills the image rectangle; the rest of the surface is black. Edges are left
  // out: scaling blends them. The server may draw its cursor into the image, hence a share.
  const auto& s = placed->surface;
  const auto& img = placed->image;
  auto shot = wait_colour(w, img.inset(2, 2), kRoot);
  ASSERT_TRUE(shot);
  auto origin = w.origin();
  EXPECT_GT(share_of(*shot, img.inset(2, 2), origin, kRoot), 0.995) << "the desktop's colour is not where the view draws it";
  ASSERT_GT(img.x - s.x, 4) << "the test needs a margin beside the image";
  vexa_ui::Rect left{s.x, s.y, img.x - s.x - 2, s.height}, right{img.right() + 2, s.y, s.right() - img.right() - 2, s.height};
  EXPECT_EQ(share_of(*shot, left, origin, 0x000000), 1.0);
  EXPECT_EQ(share_of(*shot, right, origin, 0x000000), 1.0);

  // Press and release off-centre on the image; the server sees both at the mapped point.
  double px = std::round(img.x + img.width * 0.3), py = std::round(img.y + img.height * 0.65);
  auto expected = rfb::map_image_point({img.x, img.y, img.right(), img.bottom()}, 640, 480, px, py);
  ASSERT_TRUE(expected);
  ASSERT_EQ(w.press(px, py), "");
  EXPECT_TRUE(observer.wait_pointer(expected->x, expected->y, 1)) << "press at " << expected->x << "," << expected->y;
  ASSERT_EQ(w.release(), "");
  EXPECT_TRUE(observer.wait_pointer(expected->x, expected->y, 0)) << "release at " << expected->x << "," << expected->y;

  // Keys typed in the window reach the desktop as presses and releases of their key symbols.
  ASSERT_EQ(w.type("ok"), "");
  ASSERT_EQ(w.key("Return"), "");
  std::vector<rfb::test::X11Observer::Key> typed = {{true, 'o'}, {false, 'o'}, {true, 'k'},
                                                    {false, 'k'}, {true, 0xff0d}, {false, 0xff0d}};
  EXPECT_EQ(observer.keys(typed.size()), typed);

  ASSERT_EQ(w.key("ctrl+w"), "");
  tree = w.wait_a11y([](const json& t) { return !a11y_node(t, "remote.session.status"); });
  ASSERT_TRUE(tree);
  EXPECT_FALSE(a11y_node(*tree, "remote.session.status"));
  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);
}

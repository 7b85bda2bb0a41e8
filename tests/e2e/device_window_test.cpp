// The demonstration device in the real window: the sample device is selected and connected
// with the keyboard, its H.264 stream is recognised on screen, and a pointer and a key sent
// through the X server come back drawn in the device's next pictures at the points the app's
// own layout and mapping predict. The stream is lossy, so colours are compared with a
// tolerance and marks are looked for over a small neighbourhood.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "e2e/device_geometry.hpp"
#include "platform/devicehost/demo_picture.hpp"
#include "support/e2e_window.hpp"

using namespace test_support;

namespace {

constexpr int kStreamWaitMs = 45000;  // consent delay, encoder start and decoding under load
constexpr int kFrameWaitMs = 30000;  // a skipped frame smears the picture until the next key frame

struct Rgb {
  int r, g, b;
};

Rgb at(const Screenshot& s, int x, int y) {
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return {0, 0, 0};
  auto p = s.pixels[static_cast<std::size_t>(y) * s.width + x];
  return {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF)};
}

Rgb at(const Screenshot& s, vexa_ui::Point p) {
  return at(s, static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)));
}

// The device's pointer colours: a yellow cross, red with a filled square while a button is down.
bool yellow(Rgb c) { return c.r > 170 && c.g > 140 && c.b < 110; }
bool red(Rgb c) { return c.r > 170 && c.g < 120 && c.b < 120; }
bool white(Rgb c) { return c.r > 200 && c.g > 200 && c.b > 200; }
bool green(Rgb c) { return c.g > 200 && c.r < 150 && c.b < 170; }

// The demonstration picture's background: blue fixed at 140, green growing from 40 at the top
// to 160 at the bottom, red below 150 whatever the animation does.
bool background(Rgb c, double device_y, double height) {
  double g = 40 + device_y * 120 / height;
  return std::abs(c.b - 140) <= 28 && std::abs(c.g - g) <= 28 && c.r >= 8 && c.r <= 165;
}

// Most of a grid over the image shows the background (the bar or a pointer mark may cover a
// few), and so do rows along its top and bottom edges, which tell one drawn size from another.
bool shows_demo_picture(const Screenshot& s, const e2e::DeviceScreen& d) {
  auto share = [&](std::initializer_list<double> rows) {
    int hits = 0, total = 0;
    for (double fy : rows) {
      for (int i = 1; i < 16; ++i) {
        double dx = d.surface.width * i / 16.0, dy = d.surface.height * fy;
        hits += background(at(s, d.to_window(dx, dy)), dy, d.surface.height);
        ++total;
      }
    }
    return static_cast<double>(hits) / total;
  };
  return share({1 / 9.0, 2 / 9.0, 3 / 9.0, 4 / 9.0, 5 / 9.0, 6 / 9.0, 7 / 9.0, 8 / 9.0}) >= 0.8 &&
         share({0.01, 0.99}) >= 0.8;
}

bool differs_in(const Screenshot& a, const Screenshot& b, vexa_ui::Rect r) {
  for (int y = static_cast<int>(r.y); y < static_cast<int>(r.bottom()); ++y) {
    for (int x = static_cast<int>(r.x); x < static_cast<int>(r.right()); ++x) {
      auto i = static_cast<std::size_t>(y) * a.width + x;
      if (a.pixels[i] != b.pixels[i]) return true;
    }
  }
  return false;
}

// A cross found near a window point: the row and the column with the most pixels of its colour.
struct CrossSearch {
  int row = -1, row_count = 0;
  int column = -1, column_count = 0;
};

CrossSearch search_cross(const Screenshot& s, vexa_ui::Point centre, bool (*colour)(Rgb), int radius) {
  CrossSearch found;
  int cx = static_cast<int>(std::floor(centre.x)), cy = static_cast<int>(std::floor(centre.y));
  for (int y = cy - radius; y <= cy + radius; ++y) {
    int n = 0;
    for (int x = cx - radius; x <= cx + radius; ++x) n += colour(at(s, x, y));
    if (n > found.row_count) found.row = y, found.row_count = n;
  }
  for (int x = cx - radius; x <= cx + radius; ++x) {
    int n = 0;
    for (int y = cy - radius; y <= cy + radius; ++y) n += colour(at(s, x, y));
    if (n > found.column_count) found.column = x, found.column_count = n;
  }
  return found;
}

int count_near(const Screenshot& s, vexa_ui::Point centre, bool (*colour)(Rgb), int radius) {
  int n = 0, cx = static_cast<int>(std::floor(centre.x)), cy = static_cast<int>(std::floor(centre.y));
  for (int y = cy - radius; y <= cy + radius; ++y) {
    for (int x = cx - radius; x <= cx + radius; ++x) n += colour(at(s, x, y));
  }
  return n;
}

// The arms are 41 device pixels long and 3 thick; on screen each axis has its own scale (the
// one-to-one mode compresses an axis the surface is too small for).
struct CrossCheck {
  double sx, sy;  // window pixels per device pixel
  explicit CrossCheck(const e2e::DeviceScreen& d)
      : sx(d.image.width / d.surface.width), sy(d.image.height / d.surface.height) {}
  int radius() const { return static_cast<int>(std::ceil(14 * std::min(sx, sy))); }
  int min_arm() const { return static_cast<int>((2 * radius() + 1) * 0.7); }
  bool crossed_at(const Screenshot& s, vexa_ui::Point p, bool (*colour)(Rgb)) const {
    auto c = search_cross(s, p, colour, radius());
    return c.row_count >= min_arm() && c.column_count >= min_arm() && std::abs(c.row + 0.5 - p.y) <= 2.5 &&
           std::abs(c.column + 0.5 - p.x) <= 2.5;
  }
  bool clear_at(const Screenshot& s, vexa_ui::Point p) const {
    return count_near(s, p, yellow, radius()) + count_near(s, p, red, radius()) < 4;
  }
  // The filled square (13 device pixels) under a held button.
  bool pressed_at(const Screenshot& s, vexa_ui::Point p) const {
    int half = static_cast<int>(std::floor(5 * std::min(sx, sy)));
    int side = 2 * half + 1;
    return count_near(s, p, red, half) * 10 >= side * side * 8;
  }
  std::string describe(const std::optional<Screenshot>& s, vexa_ui::Point p, bool (*colour)(Rgb)) const {
    if (!s) return "the screen could not be captured";
    auto c = search_cross(*s, p, colour, radius());
    std::ostringstream out;
    out << "expected a cross at (" << p.x << ", " << p.y << "); best row " << c.row << " with " << c.row_count
        << ", best column " << c.column << " with " << c.column_count << ", need " << min_arm();
    return out.str();
  }
};

vexa_ui::Point on_image(const e2e::DeviceScreen& d, double fx, double fy) {
  return {std::round(d.image.x + fx * d.image.width), std::round(d.image.y + fy * d.image.height)};
}

// Where the pointer cross of a pointer at window point (x, y) is drawn: the device takes the
// mapped point, truncates it to its pixel and draws the cross centred on that pixel.
std::optional<vexa_ui::Point> cross_for(const e2e::DeviceScreen& d, double x, double y) {
  auto mapped = d.map(x, y);
  if (!mapped) return std::nullopt;
  return d.to_window(std::floor(mapped->x) + 0.5, std::floor(mapped->y) + 0.5);
}

// The key code as the device draws it: its cells rendered by the device's own drawing, compared
// cell by cell with the window. `lit` is the colour of the digits.
class KeyDigits {
 public:
  KeyDigits(const e2e::DeviceScreen& d, std::uint32_t code, bool held) : d_(d) {
    vexa_ui::DemoInputState state;
    state.last_key = code;
    state.key_down = held;
    // A frame whose sweeping bar is far from the digits.
    vexa_ui::draw_demo_picture(expected_, d.surface.width, d.surface.height, 60, state);
    colour_ = held ? 0x30FF60 : 0xFFFFFF;
    columns_ = 4 * static_cast<int>(std::to_string(code).size());
  }

  bool shown(const Screenshot& s, bool (*lit)(Rgb)) const {
    for (int row = 0; row < 5; ++row) {
      for (int col = 0; col < columns_; ++col) {
        double dx = kOrigin + col * kCell + kCell / 2.0, dy = kOrigin + row * kCell + kCell / 2.0;
        if (lit(at(s, d_.to_window(dx, dy))) != expected_lit(dx, dy)) return false;
      }
    }
    return true;
  }

 private:
  static constexpr int kOrigin = 24, kCell = 12;

  bool expected_lit(double dx, double dy) const {
    auto i = (static_cast<std::size_t>(dy) * d_.surface.width + static_cast<std::size_t>(dx)) * 4;
    std::uint32_t rgb = std::uint32_t{expected_[i]} << 16 | std::uint32_t{expected_[i + 1]} << 8 | expected_[i + 2];
    return rgb == colour_;
  }

  const e2e::DeviceScreen& d_;
  std::vector<std::uint8_t> expected_;
  std::uint32_t colour_ = 0;
  int columns_ = 0;
};

std::map<std::string, std::string> demo_env() { return {{"VEXA_REMOTE_SAMPLE", "1"}, {"VEXA_DEVICE_HOST", "demo"}}; }

}  // namespace

TEST(DeviceWindow, DemoStreamShowsPointerAndKeysAtTheMappedPoints) {
  E2eDocument doc;
  E2eWindow w(doc, WindowOptions{.env = demo_env()});
  ASSERT_EQ(w.problem(), "");
  auto shot = w.wait_drawn();
  ASSERT_TRUE(shot) << "the window never showed a settled first frame";
  auto [width, height] = w.size();
  ASSERT_EQ(width, shot->width) << "the window does not cover the screen, so window and screen points differ";
  ASSERT_EQ(height, shot->height);
  auto screen = e2e::sample_device_screen({static_cast<double>(width), static_cast<double>(height)});
  ASSERT_TRUE(screen) << "no list row or drawn image for the sample device";

  // Select "Studio Node" by its row's left margin, ask to connect with Enter, confirm with Enter.
  ASSERT_EQ(w.click(screen->row.x + 8, screen->row.center().y), "");
  shot = w.wait_changed(*shot);
  ASSERT_TRUE(shot) << "selecting the row changed nothing on screen";
  ASSERT_EQ(w.key("Return"), "");
  shot = w.wait_changed(*shot);
  ASSERT_TRUE(shot) << "Enter on the selected row opened no confirmation";
  ASSERT_EQ(w.key("Return"), "");

  auto streaming = w.wait_until([&](const Screenshot& s) { return shows_demo_picture(s, *screen); }, kStreamWaitMs);
  ASSERT_TRUE(streaming) << "the demonstration picture never showed in the drawn image rectangle";
  // A live stream: later pictures differ (the gradient and the bar move every frame).
  auto moved = w.wait_until(
      [&](const Screenshot& s) { return shows_demo_picture(s, *screen) && differs_in(s, *streaming, screen->image); },
      kFrameWaitMs);
  ASSERT_TRUE(moved) << "the stream showed one picture and then stood still";

  CrossCheck cross(*screen);
  // Two points on different sides of the centre, so an offset or a scale error shows.
  auto a = on_image(*screen, 0.3, 0.7), b = on_image(*screen, 0.72, 0.4);
  auto cross_a = cross_for(*screen, a.x, a.y), cross_b = cross_for(*screen, b.x, b.y);
  ASSERT_TRUE(cross_a && cross_b) << "the chosen points are not on the drawn image";

  ASSERT_EQ(w.move_pointer(a.x, a.y), "");
  auto seen = w.wait_until([&](const Screenshot& s) { return cross.crossed_at(s, *cross_a, yellow); }, kFrameWaitMs);
  ASSERT_TRUE(seen) << "moving the pointer: " << cross.describe(w.capture(), *cross_a, yellow);

  ASSERT_EQ(w.press(b.x, b.y), "");
  seen = w.wait_until([&](const Screenshot& s) { return cross.pressed_at(s, *cross_b); }, kFrameWaitMs);
  ASSERT_TRUE(seen) << "pressing the button: no red square at (" << cross_b->x << ", " << cross_b->y << "); "
                    << cross.describe(w.capture(), *cross_b, red);
  ASSERT_EQ(w.release(), "");
  seen = w.wait_until(
      [&](const Screenshot& s) {
        return cross.crossed_at(s, *cross_b, yellow) && !cross.pressed_at(s, *cross_b) && cross.clear_at(s, *cross_a);
      },
      kFrameWaitMs);
  ASSERT_TRUE(seen) << "releasing the button: " << cross.describe(w.capture(), *cross_b, yellow);

  // "a" is KeyA, Linux code 30: green digits while held, white once released.
  KeyDigits held(*screen, 30, true), released(*screen, 30, false);
  ASSERT_EQ(w.key_down("a"), "");
  seen = w.wait_until([&](const Screenshot& s) { return held.shown(s, green); }, kFrameWaitMs);
  EXPECT_TRUE(seen) << "holding A: the picture never showed 30 in green";
  ASSERT_EQ(w.key_up("a"), "");
  seen = w.wait_until([&](const Screenshot& s) { return released.shown(s, white); }, kFrameWaitMs);
  EXPECT_TRUE(seen) << "releasing A: the picture never showed 30 in white";

  // One to one: the header's scale button redraws the picture at another size, and the
  // pointer maps through the new rectangle.
  auto one_to_one = e2e::sample_device_screen({static_cast<double>(width), static_cast<double>(height)}, false);
  ASSERT_TRUE(one_to_one);
  ASSERT_NE(one_to_one->image, screen->image) << "this window size cannot tell the two modes apart";
  ASSERT_EQ(w.click(screen->scale.center().x, screen->scale.center().y), "");
  seen = w.wait_until([&](const Screenshot& s) { return shows_demo_picture(s, *one_to_one); }, kFrameWaitMs);
  ASSERT_TRUE(seen) << "the scale button never showed the picture one to one";
  CrossCheck cross_1(*one_to_one);
  auto c = on_image(*one_to_one, 0.15, 0.2);
  auto cross_c = cross_for(*one_to_one, c.x, c.y);
  ASSERT_TRUE(cross_c);
  ASSERT_EQ(w.move_pointer(c.x, c.y), "");
  seen = w.wait_until([&](const Screenshot& s) { return cross_1.crossed_at(s, *cross_c, yellow); }, kFrameWaitMs);
  ASSERT_TRUE(seen) << "one to one: " << cross_1.describe(w.capture(), *cross_c, yellow);

  // Control+W closes the session: the list comes back and holds still, the stream is gone.
  ASSERT_EQ(w.key("ctrl+w"), "");
  auto closed = w.wait_until([&](const Screenshot& s) { return !shows_demo_picture(s, *one_to_one); }, kFrameWaitMs);
  ASSERT_TRUE(closed) << "Control+W left the stream on screen";
  EXPECT_TRUE(w.wait_still(10000)) << "the window kept changing after the session was closed";

  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);
}

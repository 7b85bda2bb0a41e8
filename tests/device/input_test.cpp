#include <gtest/gtest.h>

#include <set>

#include "device/input.hpp"
#include "device/support.hpp"

namespace {

using namespace device;

TEST(DeviceInput, PhysicalKeyTable) {
  const std::vector<std::pair<std::string_view, std::optional<std::uint32_t>>> cases{
      {"Digit1", 2},      {"Digit9", 10},     {"Digit0", 11},      {"KeyQ", 16},
      {"KeyP", 25},       {"KeyA", 30},       {"KeyL", 38},        {"KeyZ", 44},
      {"KeyM", 50},       {"Escape", 1},      {"Backspace", 14},   {"Tab", 15},
      {"Enter", 28},      {"ControlLeft", 29}, {"ControlRight", 97}, {"ShiftLeft", 42},
      {"ShiftRight", 54}, {"AltLeft", 56},    {"AltRight", 100},   {"Space", 57},
      {"ArrowUp", 103},   {"ArrowLeft", 105}, {"ArrowRight", 106}, {"ArrowDown", 108},
      {"", std::nullopt}, {"keyq", std::nullopt}, {"F1", std::nullopt}, {"Numpad1", std::nullopt},
      {"Semicolon", std::nullopt}, {"MetaLeft", std::nullopt},
  };
  for (const auto& [code, want] : cases) EXPECT_EQ(linux_key_code(code), want) << code;
  // Every letter and digit is mapped, each to its own code.
  std::set<std::uint32_t> seen;
  for (char c = 'A'; c <= 'Z'; ++c) seen.insert(linux_key_code(std::string("Key") + c).value());
  for (char c = '0'; c <= '9'; ++c) seen.insert(linux_key_code(std::string("Digit") + c).value());
  EXPECT_EQ(seen.size(), 36u);
  EXPECT_EQ(key_input("KeyW", false), ds::DeviceInput(ds::Key{false, 17}));
  EXPECT_FALSE(key_input("F5", true));
}

TEST(DeviceInput, PointerMapsIntoTheSurfaceClampedAndFractional) {
  const vexa_ui::Rect drawn{100, 50, 200, 100};  // x0 100, x1 300, y0 50, y1 150
  struct Case {
    FrameSize size;
    double px, py;
    std::optional<ds::PointerMove> want;
  };
  const std::vector<Case> cases{
      {{1000, 500}, 100, 50, ds::PointerMove{0, 0}},
      {{1000, 500}, 150.5, 75, ds::PointerMove{252.5, 125}},
      {{1000, 500}, 299.99, 149.99, ds::PointerMove{999, 499}},  // last column clamps to W − 1
      {{1000, 500}, 300, 100, std::nullopt},                      // right edge is outside
      {{1000, 500}, 99.9, 100, std::nullopt},
      {{1000, 500}, 200, 150, std::nullopt},
      {{0, 500}, 200, 100, ds::PointerMove{0, 250}},
      {{1, 1}, 299, 149, ds::PointerMove{0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(map_device_point(drawn, c.size, c.px, c.py), c.want) << c.px << "," << c.py;
  }
  EXPECT_FALSE(map_device_point({10, 10, 0, 50}, {100, 100}, 10, 20));
  EXPECT_FALSE(map_device_point({10, 10, 50, -5}, {100, 100}, 20, 8));
}

TEST(DeviceInput, ButtonRecords) {
  using V = std::vector<ds::DeviceInput>;
  EXPECT_EQ(button_inputs(0, true), (V{ds::PressMarker{1}, ds::PointerButton{true, 272}}));
  EXPECT_EQ(button_inputs(0, false), (V{ds::PointerButton{false, 272}}));
  EXPECT_EQ(button_inputs(1, true), (V{ds::PointerButton{true, 273}}));
  EXPECT_EQ(button_inputs(1, false), (V{ds::PointerButton{false, 273}}));
  EXPECT_EQ(button_inputs(2, true), (V{ds::PointerButton{true, 274}}));
  EXPECT_TRUE(button_inputs(3, true).empty());
  EXPECT_TRUE(button_inputs(-1, false).empty());
}

class LiveSessionInput : public ::testing::Test {
 protected:
  void SetUp() override {
    auto s = streams.start(device_test::kEndpoint, [](const std::string&, std::function<void()>) {});
    ASSERT_TRUE(s);
    session = std::move(*s);
    streams.take_requests();
  }
  void connect() {
    on_device_event(&session, ds::DeviceEvent{session.stream, ds::SurfaceReady{800, 600}});
  }
  std::vector<ds::DeviceInput> sent() {
    std::vector<ds::DeviceInput> out;
    for (auto& r : streams.take_requests()) out.push_back(std::get<ds::SendInput>(r).input);
    return out;
  }
  DeviceStreams streams;
  DeviceStreamSession session;
  std::optional<vexa_ui::Rect> drawn = vexa_ui::Rect{0, 0, 400, 300};
};

TEST_F(LiveSessionInput, ClicksMovesAndKeysOnlyOnceConnectedAndMapped) {
  EXPECT_FALSE(send_pointer_move(streams, session, drawn, 10, 10));
  EXPECT_FALSE(send_pointer_button(streams, session, drawn, 0, true, 10, 10));
  EXPECT_FALSE(send_key(streams, session, "KeyA", true));
  EXPECT_TRUE(sent().empty());

  connect();
  EXPECT_FALSE(send_pointer_move(streams, session, std::nullopt, 10, 10));  // nothing drawn yet
  EXPECT_TRUE(send_pointer_move(streams, session, drawn, 200, 150));
  EXPECT_TRUE(send_pointer_button(streams, session, drawn, 0, true, 200, 150));
  EXPECT_TRUE(send_pointer_button(streams, session, drawn, 0, false, 200, 150));
  EXPECT_TRUE(send_pointer_button(streams, session, drawn, 1, true, 200, 150));
  EXPECT_TRUE(send_pointer_button(streams, session, drawn, 1, false, 200, 150));
  EXPECT_FALSE(send_pointer_button(streams, session, drawn, 4, true, 200, 150));
  EXPECT_TRUE(send_key(streams, session, "KeyA", true));
  EXPECT_TRUE(send_key(streams, session, "KeyA", false));
  EXPECT_FALSE(send_key(streams, session, "F1", true));
  EXPECT_EQ(sent(), (std::vector<ds::DeviceInput>{
                        ds::PointerMove{400, 300}, ds::PressMarker{1}, ds::PointerButton{true, 272},
                        ds::PointerButton{false, 272}, ds::PointerButton{true, 273},
                        ds::PointerButton{false, 273}, ds::Key{true, 30}, ds::Key{false, 30}}));
}

TEST_F(LiveSessionInput, AReleaseOutsideTheImageStillReachesTheDevice) {
  connect();
  EXPECT_FALSE(send_pointer_button(streams, session, drawn, 2, true, 500, 150));  // outside
  EXPECT_FALSE(send_pointer_button(streams, session, drawn, 2, false, 500, 150));
  EXPECT_TRUE(sent().empty());
  EXPECT_TRUE(send_pointer_button(streams, session, drawn, 0, true, 10, 10));
  EXPECT_FALSE(send_pointer_move(streams, session, drawn, 500, 10));
  EXPECT_TRUE(send_pointer_button(streams, session, drawn, 0, false, 500, 10));
  EXPECT_EQ(sent(), (std::vector<ds::DeviceInput>{ds::PressMarker{1}, ds::PointerButton{true, 272},
                                                  ds::PointerButton{false, 272}}));
  // Once released, a stray release outside sends nothing.
  EXPECT_FALSE(send_pointer_button(streams, session, drawn, 0, false, 500, 10));
}

// The window lost the keyboard: what the device still holds is released once, whatever
// order it was pressed in, and nothing is released twice.
TEST_F(LiveSessionInput, HeldKeysAndButtonsAreReleasedWhenTheWindowLosesTheKeyboard) {
  connect();
  EXPECT_TRUE(send_key(streams, session, "ShiftLeft", true));
  EXPECT_TRUE(send_key(streams, session, "KeyA", true));
  EXPECT_TRUE(send_key(streams, session, "KeyA", true));  // auto-repeat
  EXPECT_TRUE(send_key(streams, session, "KeyB", true));
  EXPECT_TRUE(send_key(streams, session, "KeyB", false));
  EXPECT_TRUE(send_pointer_button(streams, session, drawn, 1, true, 20, 20));
  EXPECT_TRUE(key_held(session, "KeyA"));
  EXPECT_FALSE(key_held(session, "KeyB"));
  EXPECT_FALSE(key_held(session, "Unmapped"));
  sent();
  EXPECT_TRUE(release_held_input(streams, session));
  EXPECT_EQ(sent(), (std::vector<ds::DeviceInput>{ds::Key{false, 42}, ds::Key{false, 30},
                                                  ds::PointerButton{false, 273}}));
  EXPECT_FALSE(key_held(session, "KeyA"));
  EXPECT_FALSE(release_held_input(streams, session));
  EXPECT_TRUE(sent().empty());
}

}  // namespace

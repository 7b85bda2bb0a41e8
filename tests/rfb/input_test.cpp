#include <gtest/gtest.h>

#include <cmath>

#include "rfb/input.hpp"

namespace rfb {
namespace {

TEST(RfbKeys, NamedKeysAndText) {
  struct Case {
    const char* key;
    const char* text;
    std::optional<std::uint32_t> keysym;
  } cases[] = {
      {"Enter", "\r", 0xff0d},     {"Tab", "\t", 0xff09},      {"Space", " ", 0x20},
      {" ", " ", 0x20},            {"ArrowDown", "", 0xff54},  {"ArrowLeft", "", 0xff51},
      {"ArrowRight", "", 0xff53},  {"ArrowUp", "", 0xff52},    {"Backspace", "", 0xff08},
      {"Delete", "", 0xffff},      {"Escape", "", 0xff1b},     {"a", "a", 0x61},
      {"é", "é", 0xe9},            {"中", "中", 0x4e2d},       {"Home", "", std::nullopt},
      {"F5", "", std::nullopt},    {"Shift", "", std::nullopt}, {"Unidentified", "xy", 0x78},
      {"😀", "😀", 0x1f600},      {"bad", "\xff", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(vnc_keysym(c.key, c.text), c.keysym) << c.key;
}

TEST(RfbButtons, MaskBits) {
  EXPECT_EQ(vnc_button_mask(0, 0, true), 0x01);
  EXPECT_EQ(vnc_button_mask(0, 1, true), 0x04);
  EXPECT_EQ(vnc_button_mask(0, 2, true), 0x02);
  EXPECT_EQ(vnc_button_mask(0x07, 1, false), 0x03);
  EXPECT_EQ(vnc_button_mask(0x05, 3, true), 0x05);
  EXPECT_EQ(vnc_button_mask(0x05, -1, false), 0x05);
}

TEST(RfbMessages, InputAndRequestFraming) {
  EXPECT_EQ(key_event_message(true, 0xff0d),
            (std::array<std::uint8_t, 8>{4, 1, 0, 0, 0, 0, 0xff, 0x0d}));
  EXPECT_EQ(key_event_message(false, 0x01020304),
            (std::array<std::uint8_t, 8>{4, 0, 0, 0, 1, 2, 3, 4}));
  EXPECT_EQ(pointer_event_message(0x04, 0x0102, 0xfffe),
            (std::array<std::uint8_t, 6>{5, 4, 1, 2, 0xff, 0xfe}));
  EXPECT_EQ(update_request_message(true, 1920, 1080),
            (std::array<std::uint8_t, 10>{3, 1, 0, 0, 0, 0, 0x07, 0x80, 0x04, 0x38}));
}

TEST(RfbPointMapping, FitAndOneToOne) {
  // 800x600 on a 400x400 surface at (0, 48). Fit: 400x300 drawn with 50 above and below.
  ImageRect fit{0, 98, 400, 398};
  EXPECT_EQ(map_image_point(fit, 800, 600, 0, 98), (FramePoint{0, 0}));
  EXPECT_EQ(map_image_point(fit, 800, 600, 200, 248), (FramePoint{400, 300}));
  EXPECT_EQ(map_image_point(fit, 800, 600, 399.999, 397.999), (FramePoint{799, 599}));
  EXPECT_EQ(map_image_point(fit, 800, 600, 200, 97.5), std::nullopt);  // letterbox
  EXPECT_EQ(map_image_point(fit, 800, 600, 400, 200), std::nullopt);   // right edge excluded
  // One to one, compressed to the surface on both axes: 400x400 for 800x600.
  ImageRect one{0, 48, 400, 448};
  EXPECT_EQ(map_image_point(one, 800, 600, 100, 148), (FramePoint{200, 150}));
  // One to one, smaller image centred: 300x200 on 400x400.
  ImageRect small{50, 148, 350, 348};
  EXPECT_EQ(map_image_point(small, 300, 200, 50, 148), (FramePoint{0, 0}));
  EXPECT_EQ(map_image_point(small, 300, 200, 349.5, 347.5), (FramePoint{299, 199}));
}

TEST(RfbPointMapping, DegenerateCasesMapNothing) {
  EXPECT_EQ(map_image_point({0, 0, 0, 10}, 10, 10, 0, 5), std::nullopt);
  EXPECT_EQ(map_image_point({0, 0, 10, 10}, 0, 10, 5, 5), std::nullopt);
  EXPECT_EQ(map_image_point({0, 0, 10, 10}, 10, 0, 5, 5), std::nullopt);
  EXPECT_EQ(map_image_point({0, 0, 10, 10}, 10, 10, std::nan(""), 5), std::nullopt);
  EXPECT_EQ(map_image_point({10, 0, 0, 10}, 10, 10, 5, 5), std::nullopt);
  // The largest image: the cap keeps every coordinate in 16 bits.
  EXPECT_EQ(map_image_point({0, 0, 1, 1}, 65535, 256, 0.9999999, 0.5), (FramePoint{65534, 128}));
}

}  // namespace
}  // namespace rfb

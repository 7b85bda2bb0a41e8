#pragma once
// Encoded test frames and small helpers shared by the device tests.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/callstream/encoder.hpp"

namespace device_test {

inline const std::string kEndpoint(64, 'a');

using Rgb = std::array<std::uint8_t, 3>;

// Frames of a flat colour each; with `key_interval` 1 every one is a key frame and decodes on
// its own, otherwise each is coded against the one before.
inline std::vector<std::vector<std::uint8_t>> flat_frames(const std::vector<Rgb>& colours,
                                                          std::uint32_t w = 64, std::uint32_t h = 48,
                                                          int key_interval = 1) {
  auto enc = vexa_callstream::encoder::H264Encoder::create({w, h, 30, key_interval, 10});
  EXPECT_TRUE(enc) << enc.error();
  std::vector<std::vector<std::uint8_t>> out;
  for (const Rgb& c : colours) {
    std::vector<std::uint8_t> rgba(std::size_t{w} * h * 4);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
      rgba[i] = c[0], rgba[i + 1] = c[1], rgba[i + 2] = c[2], rgba[i + 3] = 255;
    }
    auto frame = enc->encode(rgba);
    EXPECT_TRUE(frame && !frame->empty());
    out.push_back(*frame);
  }
  return out;
}

inline void expect_pixel_near(const std::uint8_t* rgba, std::uint32_t width,
                              std::uint32_t x, std::uint32_t y, Rgb want, int tolerance = 10) {
  const std::uint8_t* p = rgba + (std::size_t{y} * width + x) * 4;
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], want[i], tolerance) << "channel " << i << " at " << x << "," << y;
}

inline void expect_pixel_near(const std::vector<std::uint8_t>& rgba, std::uint32_t width,
                              std::uint32_t x, std::uint32_t y, Rgb want, int tolerance = 10) {
  const std::uint8_t* p = rgba.data() + (std::size_t{y} * width + x) * 4;
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], want[i], tolerance) << "channel " << i << " at " << x << "," << y;
}

// Polls `done` until it holds or five seconds pass.
template <typename F>
bool eventually(F done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace device_test

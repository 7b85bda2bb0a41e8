#pragma once
// A demonstration device for tests and demos. For every opened stream a "vexa-demo-dev" thread
// reports Waiting, and after a short wait (standing in for consent on the device) its surface
// size, then streams an animated picture encoded to H.264 on the fly. The picture shows the last
// pointer position and key the device received, so the whole input path can be seen.
//
// The thread hands events to the UI thread through a bounded channel and waits for room, so a
// UI that stops pumping pauses the device instead of growing memory. Closing the stream drops
// the channels and the thread ends on its own.
#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/devicehost/device_host.hpp"

namespace vexa_ui {

struct DemoOptions {
  std::uint32_t width = 1280;
  std::uint32_t height = 720;
  int fps = 30;
  std::chrono::milliseconds consent_delay{600};
  // Stop after this many frames and close the stream as the device would (0: never).
  std::uint32_t frame_limit = 0;
};

std::unique_ptr<DeviceBackend> demo_backend(DemoOptions options);

}  // namespace vexa_ui

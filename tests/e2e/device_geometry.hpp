#pragma once
// Where the window shows the sample device and its stream: the real views laid out and drawn at
// the window's size over the sample workspace, with a device session brought to Connected and
// given a picture of the demonstration device's surface size, fitted or one to one. The drawn image rectangle and the
// pointer mapping come from the app's own code, so a test checks the window against them.
#include <optional>

#include "device/stream_session.hpp"
#include "platform/ui/geometry.hpp"

namespace e2e {

struct DeviceScreen {
  vexa_ui::Rect row;          // the list row of the sample device "Studio Node"
  vexa_ui::Rect image;        // where the connected stream's picture is drawn
  vexa_ui::Rect scale;        // the header button that switches between fit and one to one
  device::FrameSize surface;  // the demonstration device's surface, device pixels

  // The device point a pointer at window point (x, y) sends; nothing off the image.
  std::optional<vexa_ui::device_stream::PointerMove> map(double x, double y) const;
  // Where a device point appears in the window: the picture is stretched onto `image`.
  vexa_ui::Point to_window(double x, double y) const;
};

// `fit`: the picture scaled to fit (the app's initial mode) or drawn one to one.
std::optional<DeviceScreen> sample_device_screen(vexa_ui::Size window, bool fit = true);

}  // namespace e2e

#pragma once
// What the session view turns into device input: physical keys as Linux input event codes,
// pointer positions mapped into the device's surface, and button presses and releases.
// Pure functions first; the last two helpers queue the records for a live session.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "device/stream_session.hpp"
#include "platform/ui/geometry.hpp"

namespace device {

// The Linux input event code of a physical key named by its UI Events code ("KeyQ",
// "Digit1", "ShiftLeft", …); nothing for keys the device does not take.
std::optional<std::uint32_t> linux_key_code(std::string_view physical);

// Maps a logical point inside the drawn image rectangle to fractional device coordinates,
// clamped to [0, W − 1] × [0, H − 1]. Nothing outside the rectangle or for an empty rectangle.
std::optional<ds::PointerMove> map_device_point(vexa_ui::Rect drawn, FrameSize size, double px,
                                                double py);

// The records a button change sends: button 0 is primary, 1 secondary, 2 middle (the framework's
// numbering). A primary press is preceded by a PressMarker; other buttons send nothing.
std::vector<ds::DeviceInput> button_inputs(int button, bool pressed);

// The Key record for a physical key change, or nothing for an unmapped key.
std::optional<ds::DeviceInput> key_input(std::string_view physical, bool pressed);

// `map_device_point` for the session, only while it is Connected with a known frame size and a
// drawn rectangle.
std::optional<ds::PointerMove> map_session_point(const DeviceStreamSession& session,
                                                 const std::optional<vexa_ui::Rect>& drawn,
                                                 double px, double py);

// View helpers: queue what a pointer motion, a button change or a physical key change sends.
// A button change is sent at a mapped point; the release of a button whose press was sent goes
// out wherever the pointer is, so the device never keeps a button down. Return whether anything was queued.
bool send_pointer_move(DeviceStreams& streams, const DeviceStreamSession& session,
                       const std::optional<vexa_ui::Rect>& drawn, double px, double py);
bool send_pointer_button(DeviceStreams& streams, DeviceStreamSession& session,
                         const std::optional<vexa_ui::Rect>& drawn, int button, bool pressed,
                         double px, double py);
bool send_key(DeviceStreams& streams, DeviceStreamSession& session, std::string_view physical,
              bool pressed);
// Whether the press of that physical key reached the device and its release has not.
bool key_held(const DeviceStreamSession& session, std::string_view physical);
// Releases every key and button the device still holds down: the window lost the keyboard, so
// their releases will go to another window. Returns whether anything was queued.
bool release_held_input(DeviceStreams& streams, DeviceStreamSession& session);

}  // namespace device

#pragma once
// The records an application and the framework's device-stream host exchange. The application
// queues requests, the host collects them; the host delivers events, each tagged with the stream
// it belongs to. Both sides use these definitions.
#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace vexa_ui::device_stream {

using StreamId = std::uint64_t;
using EndpointKey = std::array<std::uint8_t, 32>;

// Linux input event codes of the pointer buttons.
inline constexpr std::uint32_t kButtonLeft = 272;
inline constexpr std::uint32_t kButtonRight = 273;
inline constexpr std::uint32_t kButtonMiddle = 274;

// Position in device surface pixels, fractional.
struct PointerMove {
  double x = 0;
  double y = 0;
  bool operator==(const PointerMove&) const = default;
};
struct PointerButton {
  bool pressed = false;
  std::uint32_t code = 0;
  bool operator==(const PointerButton&) const = default;
};
// A Linux input event key code.
struct Key {
  bool pressed = false;
  std::uint32_t code = 0;
  bool operator==(const Key&) const = default;
};
// Precedes a primary press so the device can tell a deliberate click from a drag it continues.
struct PressMarker {
  std::uint8_t flag = 1;
  bool operator==(const PressMarker&) const = default;
};
using DeviceInput = std::variant<PointerMove, PointerButton, Key, PressMarker>;

struct OpenStream {
  EndpointKey endpoint{};
  StreamId stream = 0;
  bool operator==(const OpenStream&) const = default;
};
struct SendInput {
  DeviceInput input;
  StreamId stream = 0;
  bool operator==(const SendInput&) const = default;
};
struct CloseStream {
  StreamId stream = 0;
  bool operator==(const CloseStream&) const = default;
};
using DeviceRequest = std::variant<OpenStream, SendInput, CloseStream>;

struct CloseReason {
  enum class Kind { Other, TargetRevoked, TargetDisconnected, RelayDisconnected, ControlClosed };
  Kind kind = Kind::Other;
  std::string text;  // Other only
  bool operator==(const CloseReason&) const = default;
};

struct Waiting {};
struct SurfaceReady {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};
struct Frame {
  std::vector<std::uint8_t> data;  // one encoded H.264 frame
};
struct Closed {
  CloseReason reason;
};

struct DeviceEvent {
  StreamId stream = 0;
  std::variant<Waiting, SurfaceReady, Frame, Closed> kind;
};

}  // namespace vexa_ui::device_stream

namespace vexa_ui {

// What an application offers the host; both calls come on the UI thread.
class DeviceSink {
 public:
  virtual ~DeviceSink() = default;
  // Everything queued since the last call, in queue order; the queue is left empty.
  virtual std::vector<device_stream::DeviceRequest> take_device_requests() = 0;
  virtual void on_device_event(device_stream::DeviceEvent event) = 0;
};

}  // namespace vexa_ui

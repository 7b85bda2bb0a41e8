#pragma once
// A live device stream: the session record the session manager keeps, the requests it queues
// for the framework's device-stream host, the events it takes from the host, and the
// "remote-vexa-decode" thread that decodes the encoded frames and keeps the newest picture.
//
// Threads: everything here runs on the UI thread except the decode loop. The two share only
// `DecoderShared`: the encoded frame queue (UI → decoder), the decoded slot (decoder → view),
// the alive flag and the wake-up queue. Only the newest unshown picture is held, and only the
// last frame of each batch the decoder takes is converted to one; a slow decoder converts fewer
// pictures instead of delaying the UI.
#include <atomic>
#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/frame_queue.hpp"
#include "device/slot.hpp"
#include "platform/callstream/decoder.hpp"
#include "platform/devicehost/device_types.hpp"
#include "platform/sys/channel.hpp"
#include "platform/sys/session_status.hpp"
#include "platform/ui/scene.hpp"

namespace device {

namespace ds = vexa_ui::device_stream;
using vexa::sys::SessionStatus;
using vexa_callstream::decoder::DecodedPicture;

inline constexpr const char* kBadEndpoint = "Vexa host must be an exact certified device endpoint id";
inline constexpr const char* kDecoderUnavailable = "Vexa frame decoder is unavailable";
inline constexpr const char* kDecoderStopped = "Vexa frame decoder stopped";

struct Wake {};

struct DecoderShared {
  FrameQueue encoded;
  Slot<DecodedPicture> decoded;
  // True while the decode thread runs; cleared with release ordering as it ends.
  std::atomic<bool> alive{true};
};

struct FrameSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool operator==(const FrameSize&) const = default;
};

// Move-only: dropping the record drops the wake sender, which ends the decode thread.
struct DeviceStreamSession {
  vexa::sys::Sender<Wake> wake;
  SessionStatus status = SessionStatus::connecting();  // UI thread only
  std::shared_ptr<DecoderShared> shared;
  ds::StreamId stream = 0;
  std::optional<FrameSize> frame_size;
  // Pointer buttons and keys whose press reached the device, so their release is never lost.
  std::uint8_t buttons_down = 0;
  std::vector<std::uint32_t> keys_down;

  DeviceStreamSession() = default;
  DeviceStreamSession(DeviceStreamSession&&) noexcept = default;
  DeviceStreamSession& operator=(DeviceStreamSession&&) noexcept = default;
  DeviceStreamSession(const DeviceStreamSession&) = delete;
  DeviceStreamSession& operator=(const DeviceStreamSession&) = delete;
};

// Starts a named detached thread; throws std::system_error when it cannot.
using Spawner = std::function<void(const std::string& name, std::function<void()> body)>;

// The application-wide side of device streams: the stream id counter and the request queue
// the host collects. Owned by the application next to its session slot; UI thread only.
class DeviceStreams {
 public:
  // Parses `host` unchanged as an endpoint key, queues OpenStream and starts the decoder.
  // Errors: kBadEndpoint (nothing queued) or "could not start Vexa frame decoder: {}".
  std::expected<DeviceStreamSession, std::string> start(std::string_view host);
  std::expected<DeviceStreamSession, std::string> start(std::string_view host, const Spawner& spawn);
  // Queues CloseStream; the caller then drops the record.
  void end(const DeviceStreamSession& session);
  // Queues SendInput only while the session is Connected; returns whether it did.
  bool send_input(const DeviceStreamSession& session, ds::DeviceInput input);

  std::vector<ds::DeviceRequest> take_requests();
  ds::StreamId next_stream_id() const { return next_id_; }
  void set_next_stream_id_for_test(ds::StreamId id) { next_id_ = id; }

 private:
  ds::StreamId take_stream_id();
  std::unexpected<std::string> decoder_not_started(ds::StreamId stream, std::string_view why);
  ds::StreamId next_id_ = 1;
  std::vector<ds::DeviceRequest> queue_;
};

// Applies a host event to the current session (`session` is null when the slot holds no device
// stream). Returns true when the event belonged to it, so the caller requests a repaint.
bool on_device_event(DeviceStreamSession* session, ds::DeviceEvent event);

// The newest decoded picture not yet shown, as an image for the view; records its size as the
// session's frame size. Generations grow across all sessions of the process.
std::optional<vexa_ui::ImagePixels> take_picture(DeviceStreamSession& session);

// The status text a closed stream leaves.
std::string close_reason_text(const ds::CloseReason& reason);

// The decode thread's body: runs until every wake sender is gone.
void run_decode_loop(vexa::sys::Receiver<Wake> wake, std::shared_ptr<DecoderShared> shared);

}  // namespace device

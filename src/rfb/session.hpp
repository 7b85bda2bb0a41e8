#pragma once
// A live VNC session: the handle the session manager keeps, and the "remote-vnc" worker behind
// it. The worker alone owns the socket; it reports only through the status cell and the frame
// slot. Dropping the handle closes the input queue, and the worker ends on its own.
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>

#include "platform/sys/channel.hpp"
#include "platform/sys/session_status.hpp"
#include "rfb/framebuffer.hpp"
#include "rfb/input.hpp"
#include "rfb/session_loop.hpp"
#include "rfb/transport.hpp"

namespace rfb {

inline constexpr std::size_t kInputCapacity = 256;

struct VncSession {
  // UI thread → worker; the UI never waits on it.
  vexa::sys::Sender<VncInput> input;
  vexa::sys::StatusCell status;
  std::shared_ptr<FrameSlot> frames;
  std::shared_ptr<SessionCounters> counters;
};

// Starts the worker and returns at once; the status starts as Connecting. Fails only when the
// thread cannot be created, with the system's text.
std::expected<VncSession, std::string> start_vnc_session(std::string host, std::uint16_t port,
                                                         std::optional<std::string> password);

// The password for a new session: REMOTE_VNC_PASSWORD as it is at this moment; unset or not
// valid UTF-8 means no password.
std::optional<std::string> vnc_password_from_environment();

// Queues one input without blocking.
std::expected<void, std::string> send_vnc_input(VncSession& session, VncInput input);

// A key press as the view sends it: press and release of the mapped keysym; results dropped.
void send_vnc_key(VncSession& session, std::string_view key, std::string_view text);

// `map_image_point` for the session's current image, only while it is Connected.
std::optional<FramePoint> map_view_point(const VncSession& session,
                                         const std::optional<ImageRect>& drawn, double px,
                                         double py);

// The UI-side pointer state of the active session and its two handlers. Positions are logical
// pixels. Input that does not fit the queue is dropped.
struct VncPointer {
  double x = 0;
  double y = 0;
  std::uint8_t mask = 0;

  // Returns whether the position changed (the caller then requests a redraw).
  bool move(VncSession& session, const std::optional<ImageRect>& drawn, double lx, double ly,
            bool dialog_open);
  void button(VncSession& session, const std::optional<ImageRect>& drawn, int button,
              bool pressed, bool dialog_open);
};

// The worker's body after connecting, on any transport: handshake, first request, Connected,
// first snapshot, loop. Returns when the session ends; the caller maps the result to a status.
Result<void> run_vnc_session(Transport& transport, const std::optional<std::string>& password,
                             const vexa::sys::StatusCell& status, FrameSlot& slot,
                             vexa::sys::Receiver<VncInput>& input,
                             SessionCounters* counters = nullptr);

// How the end of a worker shows in its status.
void report_worker_end(const vexa::sys::StatusCell& status, const Result<void>& result);

}  // namespace rfb

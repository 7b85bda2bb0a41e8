#pragma once
// The one live-session slot: starting a session replaces the old one and advances the session
// identity, so work recorded for an older session can tell it was superseded.
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "device/stream_session.hpp"
#include "platform/sys/session_status.hpp"
#include "profiles/connection_profile.hpp"
#include "rfb/input.hpp"
#include "rfb/session.hpp"
#include "ssh/session.hpp"

namespace session {

using SessionId = std::uint64_t;
using vexa::sys::SessionStatus;

struct StartFailed {
  std::string text;
};
struct NotAvailable {
  profiles::ConnectionKind kind;
  profiles::Availability availability;
};
// Display-only: a review scene puts a session card on screen without any transport.
struct Staged {
  SessionStatus status;
};
struct SshLive {
  std::unique_ptr<ssh::SshSession> handle;  // behind a pointer: it embeds the terminal screen
};
struct VncLive {
  rfb::VncSession handle;
};
struct DeviceLive {
  device::DeviceStreamSession record;  // its status lives here, owned by the UI thread
};

using LiveSession = std::variant<std::monostate, StartFailed, NotAvailable, Staged, SshLive, VncLive, DeviceLive>;

inline constexpr const char* kIdentityExhausted =
    "remote session identity exhausted; restart the application";

// What the session view remembers between frames; cleared whenever a session starts or ends.
struct SurfaceMemory {
  std::optional<std::uint64_t> last_generation;
  std::shared_ptr<const rfb::FrameSnapshot> frame;
  std::optional<rfb::ImageRect> drawn;
  rfb::VncPointer pointer;
  std::optional<vexa_ui::ImagePixels> picture;  // the device stream's newest picture
};

class SessionManager {
 public:
  enum class Started { Exhausted, NotReady, Started };

  // Replaces whatever session was live with a new one for `profile`.
  Started start(const profiles::ConnectionProfile& profile);
  // Drops the session; the identity advances unless it is already at the maximum.
  void end();
  void stage(SessionStatus status);

  std::optional<SessionStatus> status() const;
  SessionId identity() const { return identity_; }
  const LiveSession& slot() const { return slot_; }
  bool empty() const { return std::holds_alternative<std::monostate>(slot_); }
  // True while a session is connecting or connected (frames keep coming).
  bool live() const;
  ssh::SshSession* ssh_session();
  const ssh::SshSession* ssh_session() const;
  rfb::VncSession* vnc_session();
  device::DeviceStreamSession* device_session();
  // Stream numbers and the requests queued for the framework's device-stream host.
  device::DeviceStreams streams;

  SurfaceMemory surface;

  // For tests of the exhaustion path.
  void set_identity_for_test(SessionId id) { identity_ = id; }

 private:
  LiveSession start_ssh(const profiles::ConnectionProfile& profile);
  LiveSession start_vnc(const profiles::ConnectionProfile& profile);
  // Drops the slot's session; a device stream is asked to close first.
  void drop_slot();

  LiveSession slot_;
  SessionId identity_ = 0;
};

}  // namespace session

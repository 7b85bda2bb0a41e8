#pragma once
// The one live-session slot: starting a session replaces the old one and advances the session
// identity, so work recorded for an older session can tell it was superseded.
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <variant>

#include "platform/sys/session_status.hpp"
#include "profiles/connection_profile.hpp"

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

using LiveSession = std::variant<std::monostate, StartFailed, NotAvailable, Staged>;

inline constexpr const char* kIdentityExhausted =
    "remote session identity exhausted; restart the application";

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

  // For tests of the exhaustion path.
  void set_identity_for_test(SessionId id) { identity_ = id; }

 private:
  LiveSession slot_;
  SessionId identity_ = 0;
};

}  // namespace session

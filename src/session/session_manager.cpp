#include "session/session_manager.hpp"

namespace session {

using profiles::Availability;
using profiles::ConnectionKind;

SessionManager::Started SessionManager::start(const profiles::ConnectionProfile& profile) {
  if (identity_ == std::numeric_limits<SessionId>::max()) {
    slot_ = StartFailed{kIdentityExhausted};
    return Started::Exhausted;
  }
  ++identity_;
  slot_ = std::monostate{};
  auto availability = profiles::availability_of(profile);
  if (availability != Availability::Ready) {
    slot_ = NotAvailable{profile.kind, availability};
    return Started::NotReady;
  }
  switch (profile.kind) {
    case ConnectionKind::Rdp:
      slot_ = NotAvailable{ConnectionKind::Rdp, Availability::NotSupported};
      break;
    default:
      slot_ = StartFailed{"this transport is not available in this build yet"};
      break;
  }
  return Started::Started;
}

void SessionManager::end() {
  slot_ = std::monostate{};
  if (identity_ != std::numeric_limits<SessionId>::max()) ++identity_;
}

void SessionManager::stage(SessionStatus status) { slot_ = Staged{std::move(status)}; }

std::optional<SessionStatus> SessionManager::status() const {
  struct Visitor {
    std::optional<SessionStatus> operator()(const std::monostate&) const { return std::nullopt; }
    std::optional<SessionStatus> operator()(const StartFailed& f) const { return SessionStatus::failed(f.text); }
    std::optional<SessionStatus> operator()(const NotAvailable& n) const {
      return SessionStatus::unavailable(std::string(profiles::availability_text(n.availability, n.kind)));
    }
    std::optional<SessionStatus> operator()(const Staged& s) const { return s.status; }
  };
  return std::visit(Visitor{}, slot_);
}

bool SessionManager::live() const {
  if (std::holds_alternative<Staged>(slot_)) return false;  // nothing behind it to wait for
  auto s = status();
  return s && s->live();
}

}  // namespace session

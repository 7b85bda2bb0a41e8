#pragma once
// The status a background session worker reports to the UI thread through a status cell.
// Only Unavailable and Failed carry text; the worker is the only writer of its cell.
#include <string>

#include "platform/sys/cell.hpp"

namespace vexa::sys {

struct SessionStatus {
  enum class Kind { Connecting, Connected, Ended, Unavailable, Failed };
  Kind kind = Kind::Connecting;
  std::string text;

  static SessionStatus connecting() { return {Kind::Connecting, {}}; }
  static SessionStatus connected() { return {Kind::Connected, {}}; }
  static SessionStatus ended() { return {Kind::Ended, {}}; }
  static SessionStatus unavailable(std::string t) { return {Kind::Unavailable, std::move(t)}; }
  static SessionStatus failed(std::string t) { return {Kind::Failed, std::move(t)}; }

  bool live() const { return kind == Kind::Connecting || kind == Kind::Connected; }
  bool operator==(const SessionStatus&) const = default;
};

using StatusCell = SharedCell<SessionStatus>;

inline StatusCell make_status_cell() { return make_cell(SessionStatus::connecting()); }

// A failure keeps the first text: a later error is a consequence of the first.
inline void report_failure(const StatusCell& cell, std::string text) {
  cell->set_if([](const SessionStatus& s) { return s.kind != SessionStatus::Kind::Failed; },
               SessionStatus::failed(std::move(text)));
}

}  // namespace vexa::sys

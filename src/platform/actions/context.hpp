#pragma once
// Who dispatched an action and a short human summary of it, carried with the action so history
// and replication can say "Remote: Rename connection" rather than show raw JSON.
#include <string>
#include <string_view>

#include "platform/actions/encoded_action.hpp"

namespace vexa_actions {

struct ActionContext {
  std::string source;        // reverse-domain id of the dispatching application
  std::string display_name;  // the application's name as people see it
  std::string summary;

  // This context with the summary taken from the action's payload (context::summarize).
  ActionContext enriched_by(const EncodedAction& action) const;
  Json to_json() const;
  bool operator==(const ActionContext&) const = default;
};

namespace context {

// "UpsertConnection" -> "Upsert connection", "send_text" -> "Send text", "HTTPProxy" -> "HTTP proxy".
// Words split at case changes, '_', '-', '.', and spaces; acronyms keep their capitals.
std::string humanize_identifier(std::string_view identifier);

// A tagged payload's variant name, humanized: the single key of a one-member object, or the
// string itself; anything else is "Update".
std::string summarize(const Json& payload);

}  // namespace context
}  // namespace vexa_actions

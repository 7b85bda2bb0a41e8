#pragma once
// Applies one encoded action to the document through the application's handler, then hands it
// to the transport. Runs on the thread that owns the document.
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "platform/actions/action_error.hpp"
#include "platform/actions/context.hpp"
#include "platform/actions/registry.hpp"
#include "platform/actions/transport.hpp"

namespace vexa_actions {

// Lower-case hex, two digits a byte (actor ids, change hashes).
std::string hex_text(std::span<const std::uint8_t> bytes);

}  // namespace vexa_actions

namespace vexa_actions::executor {

// Errors: "unknown_action_kind" (nothing touched), "handler_failed" (the handler's text; what it
// changed stays), or the transport's error (the document change stays).
template <class Doc>
std::expected<void, ActionError> dispatch_by_with_context(
    Doc& doc, const ActionRegistry<Doc>& handler, Transport& transport, const EncodedAction& action,
    std::vector<ActionOutput>& outputs, std::span<const std::uint8_t> actor, const ActionContext& context) {
  const auto* apply = handler.find(action.kind);
  if (!apply) {
    return std::unexpected(ActionError{"unknown_action_kind",
                                       fmt::format("no handler for action kind `{}`", action.kind)});
  }
  if (auto applied = (*apply)(doc, action.payload, context, outputs); !applied) {
    return std::unexpected(ActionError{"handler_failed", applied.error()});
  }
  return transport.replicate(Replication{0, hex_text(actor), action, context});
}

// As above, with a context that carries only the summary of the payload.
template <class Doc>
std::expected<void, ActionError> dispatch_by(Doc& doc, const ActionRegistry<Doc>& handler,
                                             Transport& transport, const EncodedAction& action,
                                             std::vector<ActionOutput>& outputs,
                                             std::span<const std::uint8_t> actor) {
  return dispatch_by_with_context(doc, handler, transport, action, outputs, actor,
                                  ActionContext{}.enriched_by(action));
}

}  // namespace vexa_actions::executor

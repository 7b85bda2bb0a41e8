#pragma once
// Applying profile changes to the shared document, and the "remote.action" handler that does it
// for the action framework.
#include "actions/remote_action.hpp"
#include "platform/actions/registry.hpp"
#include "platform/doc/document.hpp"

namespace actions {

// Every action applies (a change aimed at a missing profile does nothing). An upsert of a known
// id keeps its stored favourite flag, presence and last-used text; a new profile starts
// Unknown, not a favourite, last used "Never".
void apply_action(vexa::doc::Document& doc, const RemoteAction& action);

// Registers kActionKind: decodes the payload (a decode failure is the handler's error text)
// and applies it.
void register_remote_action(vexa_actions::ActionRegistry<vexa::doc::Document>& registry);

}  // namespace actions

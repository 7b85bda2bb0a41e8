#pragma once
// Framing for the shared document: its heads as text, and the frame opener that reads them.
#include <optional>

#include "platform/actions/bound_dispatch.hpp"
#include "platform/doc/document.hpp"

namespace vexa_ui::bound_dispatch {

// The change hashes in lower-case hex. Reading heads commits the open transaction, so the
// heads after a dispatch close exactly that dispatch's change.
Heads document_heads(vexa::doc::Document& doc);

std::optional<Frame> typed_action_before(vexa::doc::Document& doc, const vexa_actions::EncodedAction& action);

}  // namespace vexa_ui::bound_dispatch

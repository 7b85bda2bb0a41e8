#include "platform/actions/document_heads.hpp"

#include "platform/actions/executor.hpp"

namespace vexa_ui::bound_dispatch {

Heads document_heads(vexa::doc::Document& doc) {
  Heads out;
  for (const auto& hash : doc.heads()) out.push_back(vexa_actions::hex_text(hash));
  return out;
}

std::optional<Frame> typed_action_before(vexa::doc::Document& doc, const vexa_actions::EncodedAction& action) {
  return typed_action_before(action, [&doc] { return document_heads(doc); });
}

}  // namespace vexa_ui::bound_dispatch

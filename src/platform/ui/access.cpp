#include "platform/ui/access.hpp"

#include <nlohmann/json.hpp>

namespace vexa_ui {

const char* role_name(Role role) {
  switch (role) {
    case Role::Window: return "window";
    case Role::Group: return "group";
    case Role::Button: return "button";
    case Role::TextField: return "text-field";
    case Role::List: return "list";
    case Role::ListItem: return "list-item";
    case Role::Heading: return "heading";
    case Role::Text: return "text";
    case Role::Toggle: return "toggle";
    case Role::Image: return "image";
    case Role::Alert: return "alert";
    case Role::Dialog: return "dialog";
    case Role::Terminal: return "terminal";
  }
  return "group";
}

const AccessNode* AccessNode::find(std::string_view identifier) const {
  if (id == identifier) return this;
  for (const auto& child : children) {
    if (auto* hit = child.find(identifier)) return hit;
  }
  return nullptr;
}

namespace {
nlohmann::ordered_json to_value(const AccessNode& node) {
  nlohmann::ordered_json j;
  j["role"] = role_name(node.role);
  j["id"] = node.id;
  j["label"] = node.label;
  if (!node.description.empty()) j["description"] = node.description;
  if (!node.value.empty()) j["value"] = node.value;
  if (node.focused) j["focused"] = true;
  if (node.selected) j["selected"] = true;
  if (!node.children.empty()) {
    auto& children = j["children"] = nlohmann::ordered_json::array();
    for (const auto& child : node.children) children.push_back(to_value(child));
  }
  return j;
}
}  // namespace

std::string AccessNode::to_json(bool pretty) const {
  // Replace invalid UTF-8 rather than fail: labels may carry text from a remote peer.
  return to_value(*this).dump(pretty ? 2 : -1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace vexa_ui

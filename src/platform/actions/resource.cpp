#include "platform/actions/resource.hpp"

#include <fmt/format.h>

namespace vexa_actions {

Resource::Resource(std::string kind, std::string instance_id, std::string title)
    : kind_(std::move(kind)), instance_id_(std::move(instance_id)), title_(std::move(title)) {}

Resource& Resource::with_action(ActionSpec spec) {
  actions_.push_back(std::move(spec));
  return *this;
}

Resource& Resource::with_child(Resource child) {
  children_.push_back(std::move(child));
  return *this;
}

const ActionSpec* Resource::find_action(std::string_view id) const {
  for (const auto& spec : actions_) {
    if (spec.id() == id) return &spec;
  }
  return nullptr;
}

Json Resource::to_json() const {
  Json out = Json::object();
  out["kind"] = kind_;
  out["id"] = instance_id_;
  out["title"] = title_;
  Json actions = Json::array();
  for (const auto& spec : actions_) actions.push_back(spec.to_json());
  out["actions"] = std::move(actions);
  Json children = Json::array();
  for (const auto& child : children_) children.push_back(child.to_json());
  out["children"] = std::move(children);
  return out;
}

namespace resource {

EncodedAction enforce_operation_type(EncodedAction action, const ActionSpec& spec) {
  if (spec.operation_type()) action.operation_type = spec.operation_type();
  return action;
}

Json derive_input(const ActionSpec& spec) {
  Json properties = Json::object();
  Json required = Json::array();
  for (const auto& arg : spec.arguments()) {
    Json property = {{"type", "string"}};
    if (!arg.label.empty()) property["title"] = arg.label;
    if (!arg.description.empty()) property["description"] = arg.description;
    properties[arg.name] = std::move(property);
    if (arg.required) required.push_back(arg.name);
  }
  return Json{{"type", "object"}, {"properties", std::move(properties)}, {"required", std::move(required)}};
}

const Resource* find(const Resource& root, std::string_view instance_id) {
  if (root.instance_id() == instance_id) return &root;
  for (const auto& child : root.children()) {
    if (const Resource* hit = find(child, instance_id)) return hit;
  }
  return nullptr;
}

std::expected<EncodedAction, ActionError> invoke(const Resource& root, std::string_view instance_id,
                                                 std::string_view action_id, const ActionArgs& args) {
  const Resource* target = find(root, instance_id);
  if (!target) {
    return std::unexpected(ActionError{"unknown_resource", fmt::format("no resource `{}`", instance_id)});
  }
  const ActionSpec* spec = target->find_action(action_id);
  if (!spec) {
    return std::unexpected(ActionError{
        "unknown_action", fmt::format("resource `{}` has no action `{}`", instance_id, action_id)});
  }
  if (const auto& off = spec->unavailability()) return std::unexpected(ActionError{off->code, off->message});
  for (const auto& arg : spec->arguments()) {
    if (arg.required && !args.text(arg.name)) {
      return std::unexpected(
          ActionError{"missing_argument", fmt::format("missing argument `{}`", arg.name)});
    }
  }
  return enforce_operation_type(spec->encode(args), *spec);
}

}  // namespace resource
}  // namespace vexa_actions

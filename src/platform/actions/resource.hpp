#pragma once
// The tree of things an application exposes for automation: each resource has a kind, an
// instance id, a title, its actions and its children. It is rebuilt on demand and holds no state.
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/actions/action_error.hpp"
#include "platform/actions/action_spec.hpp"

namespace vexa_actions {

class Resource {
 public:
  Resource(std::string kind, std::string instance_id, std::string title);

  Resource& with_action(ActionSpec spec);
  Resource& with_child(Resource child);

  const std::string& kind() const { return kind_; }
  const std::string& instance_id() const { return instance_id_; }
  const std::string& title() const { return title_; }
  const std::vector<ActionSpec>& actions() const { return actions_; }
  const std::vector<Resource>& children() const { return children_; }

  const ActionSpec* find_action(std::string_view id) const;
  Json to_json() const;

 private:
  std::string kind_;
  std::string instance_id_;
  std::string title_;
  std::vector<ActionSpec> actions_;
  std::vector<Resource> children_;
};

namespace resource {

// Stamps an encoded operation with the type its spec declares; a spec that declares none leaves
// the action as it is.
EncodedAction enforce_operation_type(EncodedAction action, const ActionSpec& spec);

// The spec's arguments as a JSON object schema of strings.
Json derive_input(const ActionSpec& spec);

// Depth-first search by instance id.
const Resource* find(const Resource& root, std::string_view instance_id);

// Encodes the named action of the named resource, stamped with its operation type. Fails with
// "unknown_resource", "unknown_action", "missing_argument", or the action's unavailability code.
std::expected<EncodedAction, ActionError> invoke(const Resource& root, std::string_view instance_id,
                                                 std::string_view action_id, const ActionArgs& args);

}  // namespace resource
}  // namespace vexa_actions

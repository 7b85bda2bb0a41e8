#pragma once
// One invocable action on a resource: what it is called, how its arguments become an encoded
// action, what it promises (contract), whether it destroys data, and whether it can run now.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/actions/args.hpp"
#include "platform/actions/encoded_action.hpp"
#include "platform/actions/json.hpp"

namespace vexa_actions {

// How far an action's effects reach, from nothing beyond the view to other machines.
enum class SideEffectScope { None, View, Document, Device, Network };
std::string_view side_effect_scope_name(SideEffectScope scope);

struct ContractError {
  std::string code;
  std::string message;
  bool operator==(const ContractError&) const = default;
};

struct ActionContract {
  std::vector<std::string> capabilities;
  SideEffectScope side_effects = SideEffectScope::None;
  bool idempotent = false;
  std::vector<ContractError> errors;

  ActionContract& with_capability(std::string capability);
  ActionContract& with_side_effects(SideEffectScope scope);
  ActionContract& with_idempotent(bool value);
  ActionContract& with_error(std::string code, std::string message);
  Json to_json() const;
};

struct ArgumentSpec {
  std::string name;
  std::string label;
  std::string description;
  bool required = false;
};

// Why an action cannot run right now.
struct Unavailable {
  std::string code;
  std::string message;
};

using Encoder = std::function<EncodedAction(const ActionArgs&)>;

class ActionSpec {
 public:
  ActionSpec(std::string id, std::string title, Encoder encoder);

  ActionSpec& with_description(std::string description);
  ActionSpec& with_contract(ActionContract contract);
  ActionSpec& with_argument(ArgumentSpec argument);
  ActionSpec& with_operation_type(OperationType type);
  ActionSpec& destructive();
  ActionSpec& unavailable(std::string code, std::string message);

  const std::string& id() const { return id_; }
  const std::string& title() const { return title_; }
  const std::string& description() const { return description_; }
  const std::optional<ActionContract>& contract() const { return contract_; }
  const std::vector<ArgumentSpec>& arguments() const { return arguments_; }
  std::optional<OperationType> operation_type() const { return operation_type_; }
  bool is_destructive() const { return destructive_; }
  const std::optional<Unavailable>& unavailability() const { return unavailable_; }

  // Runs the encoder; the result is not yet stamped with the declared operation type.
  EncodedAction encode(const ActionArgs& args) const { return encoder_(args); }
  Json to_json() const;

 private:
  std::string id_;
  std::string title_;
  std::string description_;
  Encoder encoder_;
  std::optional<ActionContract> contract_;
  std::vector<ArgumentSpec> arguments_;
  std::optional<OperationType> operation_type_;
  bool destructive_ = false;
  std::optional<Unavailable> unavailable_;
};

}  // namespace vexa_actions

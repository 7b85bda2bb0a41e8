#include "platform/actions/action_spec.hpp"

#include "platform/actions/resource.hpp"

namespace vexa_actions {

std::string_view side_effect_scope_name(SideEffectScope scope) {
  switch (scope) {
    case SideEffectScope::None: return "none";
    case SideEffectScope::View: return "view";
    case SideEffectScope::Document: return "document";
    case SideEffectScope::Device: return "device";
    case SideEffectScope::Network: return "network";
  }
  return "none";
}

ActionContract& ActionContract::with_capability(std::string capability) {
  capabilities.push_back(std::move(capability));
  return *this;
}

ActionContract& ActionContract::with_side_effects(SideEffectScope scope) {
  side_effects = scope;
  return *this;
}

ActionContract& ActionContract::with_idempotent(bool value) {
  idempotent = value;
  return *this;
}

ActionContract& ActionContract::with_error(std::string code, std::string message) {
  errors.push_back({std::move(code), std::move(message)});
  return *this;
}

Json ActionContract::to_json() const {
  Json out = Json::object();
  out["capabilities"] = capabilities;
  out["side_effects"] = side_effect_scope_name(side_effects);
  out["idempotent"] = idempotent;
  Json errs = Json::array();
  for (const auto& e : errors) errs.push_back(Json{{"code", e.code}, {"message", e.message}});
  out["errors"] = std::move(errs);
  return out;
}

ActionSpec::ActionSpec(std::string id, std::string title, Encoder encoder)
    : id_(std::move(id)), title_(std::move(title)), encoder_(std::move(encoder)) {}

ActionSpec& ActionSpec::with_description(std::string description) {
  description_ = std::move(description);
  return *this;
}

ActionSpec& ActionSpec::with_contract(ActionContract contract) {
  contract_ = std::move(contract);
  return *this;
}

ActionSpec& ActionSpec::with_argument(ArgumentSpec argument) {
  arguments_.push_back(std::move(argument));
  return *this;
}

ActionSpec& ActionSpec::with_operation_type(OperationType type) {
  operation_type_ = type;
  return *this;
}

ActionSpec& ActionSpec::destructive() {
  destructive_ = true;
  return *this;
}

ActionSpec& ActionSpec::unavailable(std::string code, std::string message) {
  unavailable_ = Unavailable{std::move(code), std::move(message)};
  return *this;
}

Json ActionSpec::to_json() const {
  Json out = Json::object();
  out["id"] = id_;
  out["title"] = title_;
  if (!description_.empty()) out["description"] = description_;
  if (operation_type_) out["operation_type"] = operation_type_name(*operation_type_);
  out["destructive"] = destructive_;
  out["available"] = !unavailable_.has_value();
  if (unavailable_) out["unavailable"] = {{"code", unavailable_->code}, {"message", unavailable_->message}};
  if (contract_) out["contract"] = contract_->to_json();
  out["input"] = resource::derive_input(*this);
  return out;
}

}  // namespace vexa_actions

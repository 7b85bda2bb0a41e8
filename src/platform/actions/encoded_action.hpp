#pragma once
// An action as it travels between applications: a kind naming its vocabulary, and a JSON payload
// only the owner of that kind interprets. Operations also carry the contract type the invoking
// spec declared, so the owner can refuse a payload that claims to be something it is not.
#include <optional>
#include <string>
#include <string_view>

#include "platform/actions/json.hpp"

namespace vexa_actions {

// View operations only change what is shown; background operations may start work.
enum class OperationType { View, Background };

std::string_view operation_type_name(OperationType type);  // "view", "background"
std::optional<OperationType> parse_operation_type(std::string_view text);

struct EncodedAction {
  std::string kind;
  Json payload;
  std::optional<OperationType> operation_type;

  bool operator==(const EncodedAction&) const = default;
  Json to_json() const;
};

// Reads an encoded action from text: {"kind": ..., "payload": ..., "operation_type"?: ...}.
std::expected<EncodedAction, std::string> parse_encoded_action(std::string_view text);

}  // namespace vexa_actions

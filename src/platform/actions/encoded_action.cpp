#include "platform/actions/encoded_action.hpp"

namespace vexa_actions {

std::string_view operation_type_name(OperationType type) {
  return type == OperationType::View ? "view" : "background";
}

std::optional<OperationType> parse_operation_type(std::string_view text) {
  if (text == "view") return OperationType::View;
  if (text == "background") return OperationType::Background;
  return std::nullopt;
}

Json EncodedAction::to_json() const {
  Json out = Json::object();
  out["kind"] = kind;
  out["payload"] = payload;
  if (operation_type) out["operation_type"] = operation_type_name(*operation_type);
  return out;
}

std::expected<EncodedAction, std::string> parse_encoded_action(std::string_view text) {
  auto json = parse_json(text);
  if (!json) return std::unexpected(json.error());
  if (!json->is_object()) return std::unexpected("an encoded action is a JSON object");
  auto kind = json->find("kind");
  if (kind == json->end() || !kind->is_string()) return std::unexpected("missing field `kind`");
  auto payload = json->find("payload");
  if (payload == json->end()) return std::unexpected("missing field `payload`");
  EncodedAction action{kind->get<std::string>(), std::move(*payload), std::nullopt};
  if (auto type = json->find("operation_type"); type != json->end() && !type->is_null()) {
    auto parsed = type->is_string() ? parse_operation_type(type->get_ref<const std::string&>())
                                    : std::nullopt;
    if (!parsed) return std::unexpected("operation_type must be \"view\" or \"background\"");
    action.operation_type = parsed;
  }
  return action;
}

}  // namespace vexa_actions

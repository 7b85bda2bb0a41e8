#include "platform/actions/args.hpp"

namespace vexa_actions {

ActionArgs ActionArgs::from_json(const Json& object) {
  ActionArgs args;
  if (!object.is_object()) return args;
  for (const auto& [name, value] : object.items()) {
    if (value.is_string()) {
      args.set(name, value.get<std::string>());
    } else if (value.is_boolean() || value.is_number()) {
      args.set(name, dump_json(value));
    }
  }
  return args;
}

ActionArgs& ActionArgs::set(std::string name, std::string value) {
  values_.insert_or_assign(std::move(name), std::move(value));
  return *this;
}

std::optional<std::string> ActionArgs::text(std::string_view name) const {
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

}  // namespace vexa_actions

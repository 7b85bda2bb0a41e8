#pragma once
// Named text arguments handed to an action spec's encoder.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/actions/json.hpp"

namespace vexa_actions {

class ActionArgs {
 public:
  ActionArgs() = default;

  // Strings are taken as they are; other scalars as their JSON text; null, arrays, objects and
  // non-object input are left out.
  static ActionArgs from_json(const Json& object);

  ActionArgs& set(std::string name, std::string value);
  // The argument's text, if it was given; callers read a missing one as "".
  std::optional<std::string> text(std::string_view name) const;
  bool empty() const { return values_.empty(); }

 private:
  std::map<std::string, std::string, std::less<>> values_;
};

}  // namespace vexa_actions

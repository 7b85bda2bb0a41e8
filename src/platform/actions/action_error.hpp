#pragma once
// Why a dispatch did not complete: a stable snake_case code for programs, a message for people.
#include <string>

namespace vexa_actions {

struct ActionError {
  std::string code;
  std::string message;
  bool operator==(const ActionError&) const = default;
};

}  // namespace vexa_actions

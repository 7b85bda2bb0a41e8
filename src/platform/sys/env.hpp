#pragma once
#include <optional>
#include <string>

namespace vexa::sys {
// The variable's value, or nothing when unset. Read fresh on every call.
std::optional<std::string> env(const char* name);
}  // namespace vexa::sys

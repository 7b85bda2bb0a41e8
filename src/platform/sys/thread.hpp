#pragma once
#include <functional>
#include <string>

namespace vexa::sys {
// Starts a detached thread with a name visible to debuggers and `ps -L` (at most 15 bytes).
// Workers are never joined: they end on their own when their channels close.
void spawn_detached(const std::string& name, std::function<void()> body);
}  // namespace vexa::sys

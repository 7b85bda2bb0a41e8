#include "platform/actions/executor.hpp"

namespace vexa_actions::executor {

std::string actor_hex(std::span<const std::uint8_t> actor) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(actor.size() * 2);
  for (std::uint8_t b : actor) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

}  // namespace vexa_actions::executor

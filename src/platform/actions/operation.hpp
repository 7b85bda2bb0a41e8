#pragma once
// The results of the operation protocol: an application runs an operation at once, or starts
// it and is polled for the outcome under a handle the framework chose.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/actions/registry.hpp"

namespace vexa_actions {

using OperationHandle = std::uint64_t;

namespace run {
struct NotMine {};
struct Done {};
struct Error {
  std::string message;
};
}  // namespace run
using RunResult = std::variant<run::NotMine, run::Done, run::Error>;

namespace start {
struct NotMine {};
struct DoneNow {};
struct Started {};
struct Error {
  std::string message;
};
}  // namespace start
using StartResult = std::variant<start::NotMine, start::DoneNow, start::Started, start::Error>;

namespace poll {
struct Nothing {};
struct Succeeded {
  std::vector<ActionOutput> outputs;
};
struct Cancelled {
  std::string message;
};
struct Failed {
  std::string code;
  std::string message;
};
}  // namespace poll
using PollResult = std::variant<poll::Nothing, poll::Succeeded, poll::Cancelled, poll::Failed>;

}  // namespace vexa_actions

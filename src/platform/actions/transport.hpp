#pragma once
// Where a dispatched action goes after it changed the local document: to the other members of
// the suite. The local transport keeps them in process (the document itself is persisted and
// merged by the UI framework); other transports may forward them.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <expected>
#include <functional>
#include <string>

#include "platform/actions/action_error.hpp"
#include "platform/actions/context.hpp"
#include "platform/actions/encoded_action.hpp"

namespace vexa_actions {

struct Replication {
  std::uint64_t sequence = 0;  // per transport, from 1
  std::string actor;           // the document's actor id, lower-case hex
  EncodedAction action;
  ActionContext context;
  Json to_json() const;
};

class Transport {
 public:
  virtual ~Transport() = default;
  virtual std::expected<void, ActionError> replicate(const Replication& replication) = 0;
};

// Keeps the most recent replications (older ones are dropped, so a long session stays bounded)
// and hands each to an optional listener. Sequence numbers are assigned here.
class LocalTransport final : public Transport {
 public:
  using Listener = std::function<void(const Replication&)>;
  explicit LocalTransport(std::size_t keep = 256) : keep_(keep) {}

  std::expected<void, ActionError> replicate(const Replication& replication) override;
  void set_listener(Listener listener) { listener_ = std::move(listener); }
  const std::deque<Replication>& recent() const { return recent_; }
  std::uint64_t replicated_count() const { return next_sequence_ - 1; }

 private:
  std::size_t keep_;
  std::uint64_t next_sequence_ = 1;
  std::deque<Replication> recent_;
  Listener listener_;
};

}  // namespace vexa_actions

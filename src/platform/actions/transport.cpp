#include "platform/actions/transport.hpp"

namespace vexa_actions {

Json Replication::to_json() const {
  return Json{{"sequence", sequence}, {"actor", actor}, {"action", action.to_json()}, {"context", context.to_json()}};
}

std::expected<void, ActionError> LocalTransport::replicate(const Replication& replication) {
  Replication stored = replication;
  stored.sequence = next_sequence_++;
  if (keep_ == 0) return {};
  if (recent_.size() == keep_) recent_.pop_front();
  recent_.push_back(std::move(stored));
  if (listener_) listener_(recent_.back());
  return {};
}

}  // namespace vexa_actions

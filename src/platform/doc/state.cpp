#include "platform/doc/state.hpp"

#include <openssl/rand.h>
#include <openssl/sha.h>

#include <algorithm>

namespace vexa::doc::detail {

State::State() { objects.push_back(Object{}); }

std::uint32_t State::intern_actor(const ActorId& actor) {
  auto [it, added] = actor_index.try_emplace(actor, static_cast<std::uint32_t>(actors.size()));
  if (added) {
    actors.push_back(actor);
    clocks.push_back(Clock{});
  }
  return it->second;
}

std::uint32_t State::add_object(OpId id, ObjType type) {
  auto index = static_cast<std::uint32_t>(objects.size());
  Object& obj = objects.emplace_back();
  obj.id = id;
  obj.type = type;
  object_index.emplace(id, index);
  return index;
}

OpId State::next_op() {
  OpId id{++max_counter, self};
  clocks[self].max_op = id.counter;
  if (pending_ops == 0) pending_start = id.counter;
  return id;
}

void State::write_op_id(Writer& w, OpId id) const {
  w.varint(id.counter);
  if (id.counter != 0) w.raw({reinterpret_cast<const char*>(actors[id.actor].data()), 16});
}

void State::record(std::uint8_t kind, const Object& obj) {
  ++pending_ops;
  pending.u8(kind);
  write_op_id(pending, obj.id);
}

ActorId random_actor() {
  ActorId actor{};
  if (RAND_bytes(actor.data(), static_cast<int>(actor.size())) != 1) {
    // Without the system's randomness two replicas could share an actor and corrupt merges.
    std::abort();
  }
  return actor;
}

bool commit_pending(State& s) {
  if (s.pending_ops == 0) return false;
  Clock& clock = s.clocks[s.self];
  ++clock.seq;
  Writer w;
  w.raw("vexa.change.1");
  w.raw({reinterpret_cast<const char*>(s.actors[s.self].data()), 16});
  w.varint(clock.seq);
  w.varint(s.pending_start);
  w.varint(s.heads.size());
  for (const Head& h : s.heads) w.raw({reinterpret_cast<const char*>(h.hash.data()), 32});
  w.varint(s.pending_ops);
  w.raw(s.pending.bytes());
  Head head;
  SHA256(reinterpret_cast<const unsigned char*>(w.bytes().data()), w.bytes().size(),
         head.hash.data());
  head.actor = s.self;
  head.seq = clock.seq;
  s.heads.assign(1, head);
  s.pending_ops = 0;
  s.pending.bytes().clear();
  return true;
}

}  // namespace vexa::doc::detail

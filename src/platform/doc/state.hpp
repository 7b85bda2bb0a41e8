#pragma once
// The document's in-memory state, shared by the local operations, merge, save and load.
#include "platform/doc/codec.hpp"
#include "platform/doc/types.hpp"

#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace vexa::doc::detail {

// One visible operation at a map key. An entry holding an object is that object's creating op.
struct Entry {
  OpId id;
  Value value;
};

// The operations at a key that nothing has overwritten yet, ascending by op order: more than one
// only after concurrent writes; the last one wins.
struct Slot {
  std::vector<Entry> entries;
};

// One character of a text sequence. Deleted characters stay as tombstones so concurrent inserts
// next to them still find their place.
struct Elem {
  OpId id;
  OpId origin;  // the element this one was inserted after; counter 0 means the start
  char32_t ch = 0;
  bool deleted = false;
};

struct Object {
  OpId id;  // the creating op; counter 0 for the root
  ObjType type = ObjType::Map;
  std::map<std::string, Slot, std::less<>> keys;
  std::vector<Elem> elems;
  std::size_t visible = 0;  // characters not deleted
};

// What a replica has seen of one actor: changes arrive per actor in order, so the last change's
// sequence number and the highest op counter describe everything seen.
struct Clock {
  std::uint64_t seq = 0;
  std::uint64_t max_op = 0;
};

struct Head {
  ChangeHash hash{};
  std::uint32_t actor = 0;
  std::uint64_t seq = 0;
};

struct OpIdHash {
  std::size_t operator()(const OpId& id) const {
    return std::hash<std::uint64_t>()(id.counter * 0x9E3779B97F4A7C15ull ^ id.actor);
  }
};

struct ActorHash {
  std::size_t operator()(const ActorId& a) const {
    std::size_t h = 0;
    for (auto b : a) h = h * 131 + b;
    return h;
  }
};

struct State {
  std::vector<ActorId> actors;
  std::unordered_map<ActorId, std::uint32_t, ActorHash> actor_index;
  std::vector<Clock> clocks;
  std::uint32_t self = 0;
  std::uint64_t max_counter = 0;
  std::vector<Object> objects;
  std::unordered_map<OpId, std::uint32_t, OpIdHash> object_index;
  std::vector<Head> heads;  // sorted by hash
  // The open transaction: its first op counter, how many ops, and their encoding for the hash.
  std::uint64_t pending_start = 0;
  std::uint32_t pending_ops = 0;
  Writer pending;

  State();
  std::uint32_t intern_actor(const ActorId& actor);
  bool before(OpId a, OpId b) const {
    if (a.counter != b.counter) return a.counter < b.counter;
    return actors[a.actor] < actors[b.actor];
  }
  bool seen(OpId id) const { return id.counter <= clocks[id.actor].max_op; }
  std::uint32_t add_object(OpId id, ObjType type);
  OpId next_op();
  void record(std::uint8_t kind, const Object& obj);
  void write_op_id(Writer& w, OpId id) const;
};

}  // namespace vexa::doc::detail

namespace vexa::doc::detail {
ActorId random_actor();
// Closes the open transaction into a change: the new change depends on every current head and
// becomes the only head. False when nothing is pending.
bool commit_pending(State& state);
}  // namespace vexa::doc::detail

#pragma once
// The document's in-memory state, shared by the local operations, merge, save and load.
#include "platform/doc/codec.hpp"
#include "platform/doc/types.hpp"

#include <functional>
#include <map>
#include <memory_resource>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace vexa::doc::detail {

// One visible operation at a map key. An entry holding an object is that object's creating op.
struct Entry {
  OpId id;
  Value value;
};

// A list of entries that keeps a single one inline: nearly every key holds exactly one, and one
// allocation less per key is a good part of what loading costs. Always contiguous.
class EntryList {
 public:
  Entry* begin() { return many_.empty() ? &one_ : many_.data(); }
  Entry* end() { return begin() + size(); }
  const Entry* begin() const { return many_.empty() ? &one_ : many_.data(); }
  const Entry* end() const { return begin() + size(); }
  std::size_t size() const { return many_.empty() ? (has_one_ ? 1 : 0) : many_.size(); }
  bool empty() const { return size() == 0; }
  const Entry& back() const { return *(end() - 1); }
  const Entry& operator[](std::size_t i) const { return begin()[i]; }
  void assign_one(Entry e) {
    many_.clear();
    one_ = std::move(e);
    has_one_ = true;
  }
  void assign(std::vector<Entry> all) {
    if (all.size() == 1) return assign_one(std::move(all[0]));
    has_one_ = false;
    many_ = std::move(all);
  }

 private:
  Entry one_;
  std::vector<Entry> many_;  // used only for two entries or more
  bool has_one_ = false;
};

// The operations at a key that nothing has overwritten yet, ascending by op order: more than one
// only after concurrent writes; the last one wins.
struct Slot {
  EntryList entries;
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
  explicit Object(std::pmr::memory_resource* memory) : keys(memory) {}
  OpId id;  // the creating op; counter 0 for the root
  ObjType type = ObjType::Map;
  // Nodes come from the document's pool: a profile list is mostly small map nodes, and
  // carving them from a few large blocks makes loading and freeing a document much cheaper.
  std::pmr::map<std::string, Slot, std::less<>> keys;
  std::vector<Elem> elems;
  std::size_t visible = 0;  // characters not deleted
};

// What a replica has seen of one actor: changes arrive per actor in order, so the last change's
// sequence number and the highest op counter describe everything seen.
static_assert(std::is_nothrow_move_constructible_v<Object>,
              "growing the object table must move maps, keeping their pool");

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
  std::pmr::unsynchronized_pool_resource pool;  // first: it outlives every object using it
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
ChangeHash sha256(std::string_view bytes);
// Closes the open transaction into a change: the new change depends on every current head and
// becomes the only head. False when nothing is pending.
bool commit_pending(State& state);
}  // namespace vexa::doc::detail

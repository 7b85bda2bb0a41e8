#include "platform/doc/state.hpp"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace vexa::doc::detail {

State::State() { objects.emplace_back(&pool); }

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
  Object& obj = objects.emplace_back(&pool);
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

ChangeHash sha256(std::string_view bytes) {
  // Fetching the algorithm is most of the cost for small inputs such as one change: do it once.
  static EVP_MD* const md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
  thread_local std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                          &EVP_MD_CTX_free);
  ChangeHash out{};
  if (!md || !ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1 ||
      EVP_DigestUpdate(ctx.get(), bytes.data(), bytes.size()) != 1 ||
      EVP_DigestFinal_ex(ctx.get(), out.data(), nullptr) != 1) {
    std::abort();  // SHA-256 is always there; without it no change could be named
  }
  return out;
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
  head.hash = sha256(w.bytes());
  head.actor = s.self;
  head.seq = clock.seq;
  s.heads.assign(1, head);
  s.pending_ops = 0;
  s.pending.bytes().clear();
  return true;
}

}  // namespace vexa::doc::detail

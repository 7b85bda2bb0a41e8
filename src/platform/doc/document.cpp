#include "platform/doc/document.hpp"

#include "platform/doc/state.hpp"
#include "platform/doc/text_seq.hpp"
#include "platform/doc/utf8.hpp"

namespace vexa::doc {

using detail::Entry;
using detail::Object;
using detail::State;

namespace {

enum OpKind : std::uint8_t { kPut = 1, kPutObject = 2, kRemove = 3, kInsert = 4, kDelete = 5 };

std::unexpected<DocError> fail(const char* message) { return std::unexpected(DocError{message}); }

void record_value(detail::Writer& w, const Scalar& value) {
  w.u8(static_cast<std::uint8_t>(value.index()));
  if (auto* s = std::get_if<std::string>(&value)) w.str(*s);
  if (auto* u = std::get_if<std::uint64_t>(&value)) w.varint(*u);
  if (auto* b = std::get_if<bool>(&value)) w.u8(*b);
}

Value to_value(const Scalar& s) {
  return std::visit([](const auto& v) -> Value { return v; }, s);
}

}  // namespace

Document::Document() : Document(detail::random_actor()) {}

Document::Document(const ActorId& actor) : state_(std::make_unique<State>()) {
  state_->self = state_->intern_actor(actor);
  state_->object_index.emplace(OpId{}, 0);
}

Document::Document(std::unique_ptr<State> state) : state_(std::move(state)) {}
Document::~Document() = default;
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;

const ActorId& Document::actor_id() const { return state_->actors[state_->self]; }

namespace {

const Object* object_at(const State& s, ObjId obj) {
  return obj.index < s.objects.size() ? &s.objects[obj.index] : nullptr;
}

const Object* map_at(const State& s, ObjId obj) {
  const Object* o = object_at(s, obj);
  return o && o->type == ObjType::Map ? o : nullptr;
}

}  // namespace

std::optional<Value> Document::get(ObjId obj, std::string_view key) const {
  const Object* o = map_at(*state_, obj);
  if (!o) return std::nullopt;
  auto it = o->keys.find(key);
  if (it == o->keys.end() || it->second.entries.empty()) return std::nullopt;
  return it->second.entries.back().value;
}

std::vector<Value> Document::get_all(ObjId obj, std::string_view key) const {
  std::vector<Value> out;
  const Object* o = map_at(*state_, obj);
  if (!o) return out;
  auto it = o->keys.find(key);
  if (it == o->keys.end()) return out;
  for (const Entry& e : it->second.entries) out.push_back(e.value);
  return out;
}

std::vector<std::string> Document::keys(ObjId obj) const {
  std::vector<std::string> out;
  const Object* o = map_at(*state_, obj);
  if (!o) return out;
  out.reserve(o->keys.size());
  for (const auto& [key, slot] : o->keys) {
    if (!slot.entries.empty()) out.push_back(key);
  }
  return out;
}

std::size_t Document::size(ObjId obj) const {
  const Object* o = object_at(*state_, obj);
  if (!o) return 0;
  return o->type == ObjType::Map ? o->keys.size() : o->visible;
}

std::optional<ObjType> Document::type(ObjId obj) const {
  const Object* o = object_at(*state_, obj);
  if (!o) return std::nullopt;
  return o->type;
}

std::optional<std::string> Document::text(ObjId obj) const {
  const Object* o = object_at(*state_, obj);
  if (!o || o->type != ObjType::Text) return std::nullopt;
  return detail::read_text(*o);
}

std::expected<void, DocError> Document::put(ObjId obj, std::string_view key, Scalar value) {
  State& s = *state_;
  if (!map_at(s, obj)) return fail("put needs a map object");
  OpId id = s.next_op();
  Object& o = s.objects[obj.index];
  s.record(kPut, o);
  s.pending.str(key);
  record_value(s.pending, value);
  auto it = o.keys.try_emplace(std::string(key)).first;
  it->second.entries.assign_one(Entry{id, to_value(value)});
  return {};
}

std::expected<ObjId, DocError> Document::put_object(ObjId obj, std::string_view key,
                                                    ObjType type) {
  State& s = *state_;
  if (!map_at(s, obj)) return fail("put_object needs a map object");
  OpId id = s.next_op();
  s.record(kPutObject, s.objects[obj.index]);
  s.pending.str(key);
  s.pending.u8(static_cast<std::uint8_t>(type));
  ObjId child{s.add_object(id, type)};
  Object& o = s.objects[obj.index];  // add_object may have moved it
  auto it = o.keys.try_emplace(std::string(key)).first;
  it->second.entries.assign_one(Entry{id, ObjectRef{child, type}});
  return child;
}

std::expected<void, DocError> Document::remove(ObjId obj, std::string_view key) {
  State& s = *state_;
  if (!map_at(s, obj)) return fail("delete needs a map object");
  Object& o = s.objects[obj.index];
  auto it = o.keys.find(key);
  if (it == o.keys.end()) return {};
  s.next_op();
  s.record(kRemove, o);
  s.pending.str(key);
  o.keys.erase(it);
  return {};
}

std::expected<void, DocError> Document::splice_text(ObjId obj, std::size_t pos, std::size_t remove,
                                                    std::string_view insert) {
  State& s = *state_;
  const Object* target = object_at(s, obj);
  if (!target || target->type != ObjType::Text) return fail("splice needs a text object");
  if (pos > target->visible || remove > target->visible - pos) {
    return fail("splice range is past the end of the text");
  }
  auto chars = detail::decode_utf8(insert);
  if (!chars) return fail("inserted text is not valid UTF-8");
  Object& o = s.objects[obj.index];
  std::size_t at = detail::visible_to_index(o, pos);
  if (remove > 0) {
    s.next_op();
    s.record(kDelete, o);
    s.pending.varint(remove);
    for (std::size_t i = at, left = remove; left > 0; ++i) {
      if (o.elems[i].deleted) continue;
      o.elems[i].deleted = true;
      s.write_op_id(s.pending, o.elems[i].id);
      --o.visible;
      --left;
    }
  }
  if (chars->empty()) return {};
  OpId origin{};
  if (pos > 0) origin = o.elems[detail::visible_to_index(o, pos - 1)].id;
  OpId first = s.next_op();
  s.record(kInsert, o);
  s.write_op_id(s.pending, origin);
  s.pending.varint(first.counter);
  s.pending.str(insert);
  std::size_t index = detail::integrate(s, o, detail::Elem{first, origin, (*chars)[0], false});
  // Each following character sits right after the previous one: its id is the greatest yet.
  std::vector<detail::Elem> rest;
  rest.reserve(chars->size() - 1);
  OpId prev = first;
  for (std::size_t i = 1; i < chars->size(); ++i) {
    OpId id = s.next_op();
    rest.push_back(detail::Elem{id, prev, (*chars)[i], false});
    prev = id;
  }
  o.elems.insert(o.elems.begin() + static_cast<std::ptrdiff_t>(index + 1), rest.begin(), rest.end());
  o.visible += rest.size();
  return {};
}

bool Document::commit() { return detail::commit_pending(*state_); }
bool Document::has_pending() const { return state_->pending_ops > 0; }

std::vector<ChangeHash> Document::heads() {
  commit();
  std::vector<ChangeHash> out;
  for (const auto& h : state_->heads) out.push_back(h.hash);
  return out;
}

}  // namespace vexa::doc

// Merging replica B into replica A. Each replica's clock tells which operations it has seen
// (per actor, every op up to max_op), so for any op one replica holds and the other does not,
// it is known whether the other never saw it (keep it) or saw it and overwrote it (drop it).
// This gives the same result as replaying B's missing changes in causal order, without keeping
// the change log.
#include "platform/doc/document.hpp"
#include "platform/doc/state.hpp"
#include "platform/doc/text_seq.hpp"

#include <algorithm>

namespace vexa::doc {

namespace {

using namespace detail;

struct Merger {
  State& a;
  const State& b;
  std::vector<std::uint32_t> actor_map;   // B actor index -> A actor index
  std::vector<std::uint32_t> object_map;  // B object index -> A object index
  std::vector<Clock> clock_a;
  std::vector<Clock> clock_b;  // indexed by A actor index

  bool seen_a(OpId id) const { return id.counter <= clock_a[id.actor].max_op; }
  bool seen_b(OpId id) const { return id.counter <= clock_b[id.actor].max_op; }

  OpId map_id(OpId id) const {
    return id.counter == 0 ? OpId{} : OpId{id.counter, actor_map[id.actor]};
  }

  Entry map_entry(const Entry& e) const {
    Entry out{map_id(e.id), e.value};
    if (auto* ref = std::get_if<ObjectRef>(&out.value)) ref->id.index = object_map[ref->id.index];
    return out;
  }

  void map_actors() {
    for (const ActorId& actor : b.actors) actor_map.push_back(a.intern_actor(actor));
    clock_a = a.clocks;
    clock_b.assign(a.actors.size(), Clock{});
    for (std::size_t i = 0; i < b.clocks.size(); ++i) clock_b[actor_map[i]] = b.clocks[i];
  }

  void map_objects() {
    object_map.resize(b.objects.size());
    for (std::size_t i = 0; i < b.objects.size(); ++i) {
      OpId id = map_id(b.objects[i].id);
      auto it = a.object_index.find(id);
      object_map[i] = it != a.object_index.end() ? it->second
                                                 : a.add_object(id, b.objects[i].type);
    }
  }

  // The entries that survive at one key: A's that B kept or never saw, and B's that A never saw.
  void merge_slot(Slot& slot, const Slot* theirs) {
    std::vector<Entry> out;
    for (const Entry& e : slot.entries) {
      bool in_b = theirs && std::any_of(theirs->entries.begin(), theirs->entries.end(),
                                        [&](const Entry& t) { return map_id(t.id) == e.id; });
      if (in_b || !seen_b(e.id)) out.push_back(e);
    }
    if (theirs) {
      for (const Entry& t : theirs->entries) {
        Entry mine = map_entry(t);
        if (!seen_a(mine.id)) out.push_back(std::move(mine));
      }
    }
    std::sort(out.begin(), out.end(),
              [&](const Entry& x, const Entry& y) { return a.before(x.id, y.id); });
    slot.entries.assign(std::move(out));
  }

  bool same_slot(const Slot& mine, const Slot& theirs) const {
    if (mine.entries.size() != theirs.entries.size()) return false;
    for (std::size_t i = 0; i < mine.entries.size(); ++i) {
      if (!(mine.entries[i].id == map_id(theirs.entries[i].id))) return false;
    }
    return true;
  }

  void merge_map(Object& mine, const Object& theirs) {
    auto ia = mine.keys.begin();
    auto ib = theirs.keys.begin();
    while (ia != mine.keys.end() || ib != theirs.keys.end()) {
      int order = ia == mine.keys.end()     ? 1
                  : ib == theirs.keys.end() ? -1
                                            : ia->first.compare(ib->first);
      if (order == 0 && same_slot(ia->second, ib->second)) {
        ++ia, ++ib;
        continue;
      }
      if (order > 0) {
        Slot fresh;
        merge_slot(fresh, &ib->second);
        if (!fresh.entries.empty()) mine.keys.emplace_hint(ia, ib->first, std::move(fresh));
        ++ib;
        continue;
      }
      merge_slot(ia->second, order == 0 ? &ib->second : nullptr);
      if (order == 0) ++ib;
      ia = ia->second.entries.empty() ? mine.keys.erase(ia) : std::next(ia);
    }
  }

  void merge_text(Object& mine, const Object& theirs) {
    std::vector<Elem> unseen;
    for (const Elem& e : theirs.elems) {
      OpId id = map_id(e.id);
      if (!seen_a(id)) {
        unseen.push_back(Elem{id, map_id(e.origin), e.ch, e.deleted});
      } else if (e.deleted) {
        std::size_t i = find_elem(mine, id);
        if (i != npos && !mine.elems[i].deleted) {
          mine.elems[i].deleted = true;
          --mine.visible;
        }
      }
    }
    std::sort(unseen.begin(), unseen.end(),
              [&](const Elem& x, const Elem& y) { return a.before(x.id, y.id); });
    for (const Elem& e : unseen) integrate(a, mine, e);
  }

  void merge_objects() {
    for (std::size_t i = 0; i < b.objects.size(); ++i) {
      Object& mine = a.objects[object_map[i]];
      const Object& theirs = b.objects[i];
      if (mine.type != theirs.type) continue;  // only a damaged file can get here
      if (mine.type == ObjType::Map) {
        merge_map(mine, theirs);
      } else {
        merge_text(mine, theirs);
      }
    }
  }

  // A head stays a head unless the other side saw it and built on it.
  void merge_heads() {
    auto seen_change = [](const std::vector<Clock>& clock, const Head& h) {
      return clock[h.actor].seq >= h.seq;
    };
    auto has = [](const std::vector<Head>& heads, const Head& h) {
      return std::any_of(heads.begin(), heads.end(),
                         [&](const Head& x) { return x.hash == h.hash; });
    };
    std::vector<Head> theirs;
    for (Head h : b.heads) {
      h.actor = actor_map[h.actor];
      theirs.push_back(h);
    }
    std::vector<Head> out;
    for (const Head& h : a.heads) {
      if (!seen_change(clock_b, h) || has(theirs, h)) out.push_back(h);
    }
    for (const Head& h : theirs) {
      if (!seen_change(clock_a, h) && !has(out, h)) out.push_back(h);
    }
    std::sort(out.begin(), out.end(), [](const Head& x, const Head& y) { return x.hash < y.hash; });
    a.heads = std::move(out);
  }

  void merge_clocks() {
    for (std::size_t i = 0; i < a.clocks.size(); ++i) {
      a.clocks[i].seq = std::max(clock_a[i].seq, clock_b[i].seq);
      a.clocks[i].max_op = std::max(clock_a[i].max_op, clock_b[i].max_op);
    }
    a.max_counter = std::max(a.max_counter, b.max_counter);
  }
};

}  // namespace

void Document::merge(Document& other) {
  if (this == &other) return;
  commit();
  other.commit();
  Merger m{*state_, *other.state_, {}, {}, {}, {}};
  m.map_actors();
  m.map_objects();
  m.merge_objects();
  m.merge_heads();
  m.merge_clocks();
}

}  // namespace vexa::doc

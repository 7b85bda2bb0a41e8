// Three replicas make random concurrent edits (puts, deletes, new objects, text splices), trade
// state in random orders, some of it through saved files, and must end identical.
#include "doc/profiles.hpp"
#include "platform/doc/document.hpp"

#include <gtest/gtest.h>

#include <random>

using namespace vexa::doc;
using namespace vexa::doc::fixture;

namespace {

struct World {
  std::mt19937_64 rng;
  std::vector<Document> replicas;

  explicit World(std::uint64_t seed) : rng(seed) {
    Document base;
    for (int i = 0; i < 4; ++i) upsert(base, sample_profile(i));
    std::string saved = base.save();
    for (int i = 0; i < 3; ++i) replicas.push_back(std::move(*Document::load(saved)));
  }

  std::size_t pick(std::size_t n) { return static_cast<std::size_t>(rng() % n); }

  std::string some_id() { return uuid_for(pick(8)); }

  std::string some_text() {
    static const char* pieces[] = {"a", "b", "Z", " ", "é", "日", "🙂", "-", "42"};
    std::string out;
    for (std::size_t n = pick(4); n > 0; --n) out += pieces[pick(std::size(pieces))];
    return out;
  }

  std::optional<ObjId> some_profile(Document& d) {
    auto conns = child(d, ObjId::root(), "connections", ObjType::Map);
    if (!conns) return std::nullopt;
    return child(d, *conns, some_id(), ObjType::Map);
  }

  void splice_somewhere(Document& d, ObjId map) {
    auto name = child(d, map, "name", ObjType::Text);
    if (!name) return;
    std::size_t len = d.size(*name);
    std::size_t pos = pick(len + 1);
    std::size_t remove = pick(len - pos + 1);
    ASSERT_TRUE(d.splice_text(*name, pos, remove, some_text()));
  }

  void edit(Document& d) {
    static const char* fields[] = {"host", "user", "group", "presence", "kind"};
    auto map = some_profile(d);
    switch (pick(8)) {
      case 0: upsert(d, sample_profile(pick(8))); break;
      case 1: rename(d, some_id(), "Server " + some_text()); break;
      case 2:
        if (map) {
          ASSERT_TRUE(d.put(*map, fields[pick(5)], some_text()));
        }
        break;
      case 3:
        if (map) {
          ASSERT_TRUE(d.put(*map, "port", std::uint64_t{pick(70000)}));
        }
        break;
      case 4: {
        auto conns = child(d, ObjId::root(), "connections", ObjType::Map);
        if (conns) {
          ASSERT_TRUE(d.remove(*conns, some_id()));
        }
        break;
      }
      case 5:
        if (map) {
          ASSERT_TRUE(d.put_object(*map, pick(2) ? "name" : "extra",
                                   pick(2) ? ObjType::Text : ObjType::Map));
        }
        break;
      default:
        if (map) splice_somewhere(d, *map);
    }
  }

  void exchange() {
    std::size_t a = pick(3), b = pick(3);
    if (a == b) return;
    switch (pick(4)) {
      case 0: {  // through a file
        auto copy = Document::load(replicas[b].save());
        ASSERT_TRUE(copy);
        replicas[a].merge(*copy);
        break;
      }
      case 1: {  // a restart: the replica comes back from its own file as a new actor
        auto copy = Document::load(replicas[a].save());
        ASSERT_TRUE(copy);
        replicas[a] = std::move(*copy);
        break;
      }
      default: replicas[a].merge(replicas[b]);
    }
  }

  void settle() {
    for (int round = 0; round < 2; ++round) {
      for (std::size_t a = 0; a < 3; ++a) {
        for (std::size_t b = 0; b < 3; ++b) {
          if (a != b) replicas[a].merge(replicas[b]);
        }
      }
    }
  }
};

}  // namespace

TEST(Convergence, RandomConcurrentEditsEndIdentical) {
  for (std::uint64_t seed = 1; seed <= 150; ++seed) {
    SCOPED_TRACE(seed);
    World w(seed);
    for (int step = 0; step < 80; ++step) {
      Document& d = w.replicas[w.pick(3)];
      w.edit(d);
      if (w.pick(3) == 0) d.commit();
      if (w.pick(4) == 0) w.exchange();
      if (HasFatalFailure()) return;
    }
    w.settle();
    std::string saved = w.replicas[0].save();
    auto heads = w.replicas[0].heads();
    auto profiles = load_all(w.replicas[0]);
    for (Document& d : w.replicas) {
      EXPECT_EQ(d.save(), saved);
      EXPECT_EQ(d.heads(), heads);
      EXPECT_EQ(load_all(d), profiles);
    }
    auto loaded = Document::load(saved);
    ASSERT_TRUE(loaded) << loaded.error().message;
    EXPECT_EQ(loaded->save(), saved);
    EXPECT_EQ(loaded->heads(), heads);
    EXPECT_EQ(load_all(*loaded), profiles);
  }
}

TEST(Convergence, MergeOrderDoesNotMatter) {
  for (std::uint64_t seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    World w(seed);
    for (int step = 0; step < 40; ++step) {
      w.edit(w.replicas[w.pick(3)]);
      if (w.pick(5) == 0) w.replicas[w.pick(3)].commit();
    }
    std::vector<std::string> files;
    for (Document& d : w.replicas) files.push_back(d.save());
    auto merged_in = [&](std::vector<int> order) {
      Document out = std::move(*Document::load(files[order[0]]));
      for (std::size_t i = 1; i < order.size(); ++i) {
        Document other = std::move(*Document::load(files[order[i]]));
        out.merge(other);
      }
      return out.save();
    };
    std::string first = merged_in({0, 1, 2});
    EXPECT_EQ(merged_in({2, 1, 0}), first);
    EXPECT_EQ(merged_in({1, 0, 2, 1}), first);
  }
}

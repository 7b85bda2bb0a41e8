#include "doc/profiles.hpp"
#include "platform/doc/document.hpp"

#include <gtest/gtest.h>

using namespace vexa::doc;

namespace {

ActorId actor(std::uint8_t n) {
  ActorId a{};
  a.fill(n);
  return a;
}

std::string str(const std::optional<Value>& v) {
  return v && std::holds_alternative<std::string>(*v) ? std::get<std::string>(*v) : "<none>";
}

Document reload(Document& d) { return std::move(*Document::load(d.save())); }

}  // namespace

TEST(Document, MapPutGetOverwriteRemoveAndKeyOrder) {
  Document d;
  ObjId root = ObjId::root();
  ASSERT_TRUE(d.put(root, "b", std::string("one")));
  ASSERT_TRUE(d.put(root, "a", std::uint64_t{7}));
  ASSERT_TRUE(d.put(root, "c", true));
  ASSERT_TRUE(d.put(root, "b", std::string("two")));
  EXPECT_EQ(str(d.get(root, "b")), "two");
  EXPECT_EQ(d.get(root, "a"), Value(std::uint64_t{7}));
  EXPECT_EQ(d.get(root, "c"), Value(true));
  EXPECT_EQ(d.keys(root), (std::vector<std::string>{"a", "b", "c"}));
  ASSERT_TRUE(d.remove(root, "a"));
  ASSERT_TRUE(d.remove(root, "missing"));
  EXPECT_FALSE(d.get(root, "a"));
  EXPECT_EQ(d.keys(root), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(d.get_all(root, "b").size(), 1u);
}

TEST(Document, CallsThatDoNotFitAreErrors) {
  Document d;
  ObjId text = *d.put_object(ObjId::root(), "t", ObjType::Text);
  EXPECT_EQ(d.put(text, "k", true).error().message, "put needs a map object");
  EXPECT_FALSE(d.put_object(ObjId{99}, "k", ObjType::Map));
  EXPECT_EQ(d.splice_text(ObjId::root(), 0, 0, "x").error().message, "splice needs a text object");
  EXPECT_EQ(d.splice_text(text, 1, 0, "x").error().message,
            "splice range is past the end of the text");
  EXPECT_EQ(d.splice_text(text, 0, 0, "\xC3").error().message, "inserted text is not valid UTF-8");
  EXPECT_EQ(d.text(text), "");
}

TEST(Document, TextSpliceCountsCharacters) {
  Document d;
  ObjId t = *d.put_object(ObjId::root(), "t", ObjType::Text);
  ASSERT_TRUE(d.splice_text(t, 0, 0, "héllo wörld"));
  ASSERT_TRUE(d.splice_text(t, 1, 4, "ey"));
  EXPECT_EQ(d.text(t), "hey wörld");
  ASSERT_TRUE(d.splice_text(t, 5, 1, "o"));
  ASSERT_TRUE(d.splice_text(t, 9, 0, "!🙂"));
  EXPECT_EQ(d.text(t), "hey world!🙂");
  EXPECT_EQ(d.size(t), 11u);
  EXPECT_EQ(reload(d).text(t), "hey world!🙂");
}

TEST(Document, SmallestSpliceKeepsPrefixAndSuffixWholeCharacters) {
  struct Case {
    const char* old_text;
    const char* new_text;
    TextSplice want;
  };
  const Case cases[] = {
      {"", "", {0, 0, ""}},
      {"abc", "abc", {3, 0, ""}},
      {"", "new", {0, 0, "new"}},
      {"Server A", "Server B", {7, 1, "B"}},
      {"Server", "My Server", {0, 0, "My "}},
      {"aaa", "aa", {2, 1, ""}},  // the prefix is taken first
      {"é", "è", {0, 1, "è"}},    // same lead byte: never split the sequence
      {"xé", "xè!", {1, 1, "è!"}},
      {"🙂a", "🙃a", {0, 1, "🙃"}},
      {"日本語", "日本", {2, 1, ""}},
      {"aé", "a", {1, 1, ""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(smallest_splice(c.old_text, c.new_text), c.want) << c.old_text << " -> " << c.new_text;
    Document d;
    ObjId t = *d.put_object(ObjId::root(), "t", ObjType::Text);
    ASSERT_TRUE(d.splice_text(t, 0, 0, c.old_text));
    ASSERT_TRUE(splice_text_diffed(d, t, c.new_text));
    EXPECT_EQ(d.text(t), c.new_text);
  }
}

TEST(Document, UnchangedTextRecordsNoChange) {
  Document d;
  ObjId t = *d.put_object(ObjId::root(), "t", ObjType::Text);
  ASSERT_TRUE(d.splice_text(t, 0, 0, "same"));
  d.commit();
  auto heads = d.heads();
  ASSERT_TRUE(splice_text_diffed(d, t, "same"));
  EXPECT_FALSE(d.has_pending());
  EXPECT_EQ(d.heads(), heads);
}

TEST(Document, ConcurrentPutsResolveTheSameWayEverywhere) {
  Document a(actor(1)), b(actor(2));
  ASSERT_TRUE(a.put(ObjId::root(), "k", std::string("base")));
  b.merge(a);
  ASSERT_TRUE(a.put(ObjId::root(), "k", std::string("from a")));
  ASSERT_TRUE(b.put(ObjId::root(), "k", std::string("from b")));
  Document a2 = reload(a), b2 = reload(b);
  a.merge(b);
  b2.merge(a2);
  // Same counter, so the greater actor wins, on both sides.
  EXPECT_EQ(str(a.get(ObjId::root(), "k")), "from b");
  EXPECT_EQ(str(b2.get(ObjId::root(), "k")), "from b");
  EXPECT_EQ(a.get_all(ObjId::root(), "k").size(), 2u);
  EXPECT_EQ(a.heads(), b2.heads());
  EXPECT_EQ(a.heads().size(), 2u);
  // A later write that has seen both replaces both.
  ASSERT_TRUE(a.put(ObjId::root(), "k", std::string("settled")));
  b2.merge(a);
  EXPECT_EQ(b2.get_all(ObjId::root(), "k").size(), 1u);
  EXPECT_EQ(str(b2.get(ObjId::root(), "k")), "settled");
  EXPECT_EQ(b2.heads().size(), 1u);
}

TEST(Document, DeleteRemovesOnlyWhatItSaw) {
  Document a(actor(1)), b(actor(2));
  ASSERT_TRUE(a.put(ObjId::root(), "gone", true));
  ASSERT_TRUE(a.put(ObjId::root(), "kept", true));
  b.merge(a);
  ASSERT_TRUE(a.remove(ObjId::root(), "gone"));
  ASSERT_TRUE(a.remove(ObjId::root(), "kept"));
  ASSERT_TRUE(b.put(ObjId::root(), "kept", false));  // concurrent with the delete
  a.merge(b);
  b.merge(a);
  for (Document* d : {&a, &b}) {
    EXPECT_FALSE(d->get(ObjId::root(), "gone"));
    EXPECT_EQ(d->get(ObjId::root(), "kept"), Value(false));
  }
}

TEST(Document, ConcurrentRenamesMergePerCharacter) {
  using namespace vexa::doc::fixture;
  Document a(actor(1));
  upsert(a, sample_profile(1));
  Document b = reload(a);
  std::string id = sample_profile(1).id;
  rename(a, id, "Server 1 (old)");
  rename(b, id, "Main Server 1");
  a.merge(b);
  b.merge(a);
  EXPECT_EQ(load_all(a)[0].name, "Main Server 1 (old)");
  EXPECT_EQ(load_all(b), load_all(a));
}

TEST(Document, ConcurrentInsertsAtOnePlaceStayTogether) {
  Document a(actor(1));
  ObjId t = *a.put_object(ObjId::root(), "t", ObjType::Text);
  ASSERT_TRUE(a.splice_text(t, 0, 0, "ac"));
  Document b = reload(a);
  Document c = reload(a);
  ASSERT_TRUE(a.splice_text(t, 1, 0, "XX"));
  ASSERT_TRUE(b.splice_text(t, 1, 0, "yy"));
  ASSERT_TRUE(c.splice_text(t, 0, 2, "Z"));  // deletes both neighbours
  a.merge(b);
  a.merge(c);
  c.merge(b);
  c.merge(a);
  EXPECT_EQ(a.text(t), c.text(t));
  std::string merged = *a.text(t);
  EXPECT_TRUE(merged == "ZXXyy" || merged == "ZyyXX") << merged;
  EXPECT_EQ(a.save(), c.save());
}

TEST(Document, MergeIsIdempotentAndCommutative) {
  using namespace vexa::doc::fixture;
  Document a(actor(1));
  upsert(a, sample_profile(99));
  Document b = reload(a);  // both start from one "connections" map
  for (int i = 0; i < 5; ++i) upsert(a, sample_profile(i));
  for (int i = 3; i < 8; ++i) upsert(b, sample_profile(100 + i));
  Document a2 = reload(a), b2 = reload(b);
  a.merge(b);
  b2.merge(a2);
  EXPECT_EQ(a.save(), b2.save());
  auto before = a.save();
  a.merge(b2);
  a.merge(b2);
  EXPECT_EQ(a.save(), before);
  EXPECT_EQ(a.heads(), b2.heads());
  EXPECT_EQ(load_all(a).size(), 11u);
}

TEST(Document, EveryWriteIsOneChangeAtCommit) {
  Document d;
  EXPECT_TRUE(d.heads().empty());
  ASSERT_TRUE(d.put(ObjId::root(), "a", true));
  ASSERT_TRUE(d.put(ObjId::root(), "b", true));
  EXPECT_TRUE(d.has_pending());
  auto first = d.heads();  // commits
  EXPECT_FALSE(d.has_pending());
  ASSERT_EQ(first.size(), 1u);
  EXPECT_FALSE(d.commit());
  ASSERT_TRUE(d.put(ObjId::root(), "a", false));
  d.commit();
  EXPECT_NE(d.heads(), first);
  EXPECT_EQ(d.heads().size(), 1u);
}

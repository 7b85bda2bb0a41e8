#include "profiles/profile_document.hpp"

#include <gtest/gtest.h>

using namespace profiles;
using vexa::doc::Document;
using vexa::doc::ObjectRef;
using vexa::doc::ObjId;
using vexa::doc::ObjType;

namespace {

ConnectionProfile sample(std::string name = "Build box") {
  ConnectionProfile p;
  p.id = *Uuid::parse("6f1c2a3e-8b4d-4e5f-9a0b-1c2d3e4f5a6b");
  p.name = std::move(name);
  p.host = "10.0.0.7";
  p.user = "ci";
  p.last_used = "Yesterday";
  p.group = "Lab";
  p.port = 2222;
  p.favorite = true;
  p.auth = AuthMethod::PublicKey;
  p.presence = Presence::Online;
  p.kind = ConnectionKind::Ssh;
  return p;
}

ObjId object(const Document& doc, ObjId parent, const std::string& key) {
  auto value = doc.get(parent, key);
  EXPECT_TRUE(value && std::holds_alternative<ObjectRef>(*value)) << key;
  return std::get<ObjectRef>(*value).id;
}

ObjId connections(const Document& doc) { return object(doc, ObjId::root(), "connections"); }

ObjId entry(Document& doc, const std::string& id) {
  if (!doc.get(ObjId::root(), "connections")) (void)doc.put_object(ObjId::root(), "connections", ObjType::Map);
  return *doc.put_object(connections(doc), id, ObjType::Map);
}

}  // namespace

TEST(ProfileDocument, UpsertWritesTheSchemaAndLoadReadsItBack) {
  Document doc;
  ConnectionProfile p = sample();
  upsert_profile(doc, p);
  ObjId map = object(doc, connections(doc), p.id.to_string());
  auto name = doc.get(map, "name");
  ASSERT_TRUE(name && std::holds_alternative<ObjectRef>(*name));
  EXPECT_EQ(std::get<ObjectRef>(*name).type, ObjType::Text);
  EXPECT_EQ(doc.text(std::get<ObjectRef>(*name).id), "Build box");
  using S = vexa::doc::Value;
  EXPECT_EQ(doc.get(map, "host"), S(std::string("10.0.0.7")));
  EXPECT_EQ(doc.get(map, "port"), S(std::uint64_t{2222}));
  EXPECT_EQ(doc.get(map, "kind"), S(std::string("SSH")));
  EXPECT_EQ(doc.get(map, "auth"), S(std::string("Public key")));
  EXPECT_EQ(doc.get(map, "presence"), S(std::string("online")));
  EXPECT_EQ(doc.get(map, "favorite"), S(true));
  EXPECT_FALSE(doc.get(map, "id"));  // the key is the id

  auto loaded = load_profiles(doc);
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded[0], p);
}

TEST(ProfileDocument, UpsertOfIdenticalValuesRecordsNoChange) {
  Document doc;
  upsert_profile(doc, sample());
  ASSERT_TRUE(doc.commit());
  auto heads = doc.heads();

  upsert_profile(doc, sample());
  EXPECT_FALSE(doc.has_pending());
  EXPECT_FALSE(doc.commit());
  EXPECT_EQ(doc.heads(), heads);

  // Changing one field writes only that field.
  ConnectionProfile moved = sample();
  moved.host = "10.0.0.8";
  upsert_profile(doc, moved);
  EXPECT_TRUE(doc.has_pending());
  EXPECT_EQ(load_profiles(doc).at(0), moved);
}

TEST(ProfileDocument, NameChangesBySmallestSpliceSoConcurrentRenamesMerge) {
  Document a;
  upsert_profile(a, sample("Build box"));
  Document b = *Document::load(a.save());
  const Uuid id = sample().id;
  rename_profile(a, id, "Main build box");   // edits the front
  rename_profile(b, id, "Build box (old)");  // edits the end
  a.merge(b);
  b.merge(a);
  EXPECT_EQ(load_profiles(a).at(0).name, "Main build box (old)");
  EXPECT_EQ(load_profiles(b).at(0).name, "Main build box (old)");
}

TEST(ProfileDocument, ConcurrentScalarWritesKeepOneWinnerPerKey) {
  Document a;
  upsert_profile(a, sample());
  Document b = *Document::load(a.save());
  const Uuid id = sample().id;
  set_favorite(a, id, false);
  ConnectionProfile elsewhere = sample();
  elsewhere.host = "10.9.9.9";
  upsert_profile(b, elsewhere);
  a.merge(b);
  auto merged = load_profiles(a).at(0);
  EXPECT_FALSE(merged.favorite);           // only a touched it
  EXPECT_EQ(merged.host, "10.9.9.9");      // only b touched it
}

TEST(ProfileDocument, LoadSkipsMalformedEntriesAndDefaultsMalformedFields) {
  Document doc;
  ObjId ok = entry(doc, "6f1c2a3e-8b4d-4e5f-9a0b-1c2d3e4f5a6b");
  (void)doc.put(ok, "name", std::string("not a text object"));
  (void)doc.put(ok, "kind", std::string("ssh"));
  (void)doc.put(ok, "auth", std::string("PublicKey"));
  (void)doc.put(ok, "port", std::uint64_t{70000});
  (void)doc.put(ok, "favorite", std::string("true"));
  (void)doc.put(ok, "host", std::uint64_t{5});
  (void)doc.put(ok, "presence", std::string("Online"));
  ObjId other = entry(doc, "0a1b2c3d-0000-4000-8000-000000000001");
  (void)doc.put(other, "kind", std::string("Vexa"));
  (void)doc.put_object(other, "port", ObjType::Map);
  entry(doc, "not-a-uuid");
  (void)doc.put_object(connections(doc), "1d2c3b4a-0000-4000-8000-000000000002", ObjType::Text);
  (void)doc.put(connections(doc), "2d2c3b4a-0000-4000-8000-000000000003", true);

  auto loaded = load_profiles(doc);
  ASSERT_EQ(loaded.size(), 2u);
  const ConnectionProfile& first = loaded[0];  // key order
  EXPECT_EQ(first.id.to_string(), "0a1b2c3d-0000-4000-8000-000000000001");
  EXPECT_EQ(first.kind, ConnectionKind::Vexa);
  EXPECT_EQ(first.port, 0);
  EXPECT_EQ(first.presence, Presence::Unknown);
  const ConnectionProfile& second = loaded[1];
  EXPECT_EQ(second.name, "");
  EXPECT_EQ(second.kind, ConnectionKind::Ssh);
  EXPECT_EQ(second.auth, AuthMethod::Password);
  EXPECT_EQ(second.port, 4464);
  EXPECT_FALSE(second.favorite);
  EXPECT_EQ(second.host, "");
  EXPECT_EQ(second.presence, Presence::Unknown);
  EXPECT_EQ(second.last_used, "");
}

TEST(ProfileDocument, LoadOfMissingOrNonMapConnectionsIsEmptyAndWritesNothing) {
  Document empty;
  EXPECT_TRUE(load_profiles(empty).empty());
  EXPECT_FALSE(empty.has_pending());
  Document scalar;
  (void)scalar.put(ObjId::root(), "connections", std::string("oops"));
  scalar.commit();
  EXPECT_TRUE(load_profiles(scalar).empty());
  EXPECT_FALSE(scalar.has_pending());
}

TEST(ProfileDocument, WritesReplaceANonMapConnectionsEntry) {
  Document doc;
  (void)doc.put_object(ObjId::root(), "connections", ObjType::Text);
  upsert_profile(doc, sample());
  EXPECT_EQ(load_profiles(doc).size(), 1u);
}

TEST(ProfileDocument, WritesToAMissingConnectionDoNothing) {
  Document doc;
  upsert_profile(doc, sample());
  const Uuid id = sample().id;
  delete_profile(doc, id);
  EXPECT_TRUE(load_profiles(doc).empty());
  doc.commit();
  rename_profile(doc, id, "Ghost");
  set_favorite(doc, id, true);
  delete_profile(doc, id);
  EXPECT_FALSE(doc.has_pending());
  EXPECT_TRUE(load_profiles(doc).empty());
}

TEST(ProfileDocument, RenameAndFavoriteTouchOnlyTheirKey) {
  Document doc;
  ConnectionProfile p = sample();
  upsert_profile(doc, p);
  rename_profile(doc, p.id, "Renamed");
  set_favorite(doc, p.id, false);
  p.name = "Renamed";
  p.favorite = false;
  EXPECT_EQ(load_profiles(doc).at(0), p);
  doc.commit();
  set_favorite(doc, p.id, false);
  rename_profile(doc, p.id, "Renamed");
  EXPECT_FALSE(doc.has_pending());
}

TEST(ProfileDocument, NameThatIsNotUtf8IsStoredWithReplacements) {
  Document doc;
  upsert_profile(doc, sample("Box \xff\xc0\xaf end"));
  EXPECT_EQ(load_profiles(doc).at(0).name, "Box \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD end");
}

#pragma once
// The application's profile schema written with plain document calls: a root map
// "connections" of maps keyed by profile id, each with a text "name" and scalars.
#include "platform/doc/document.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace vexa::doc::fixture {

struct Profile {
  std::string id, name, host;
  std::uint64_t port = 22;
  std::string user, kind, auth, last_used, presence, group;
  bool favorite = false;
  friend bool operator==(const Profile&, const Profile&) = default;
};

inline std::optional<ObjId> child(const Document& d, ObjId obj, std::string_view key,
                                  ObjType type) {
  auto v = d.get(obj, key);
  auto* ref = v ? std::get_if<ObjectRef>(&*v) : nullptr;
  if (!ref || ref->type != type) return std::nullopt;
  return ref->id;
}

inline ObjId ensure(Document& d, ObjId obj, std::string_view key, ObjType type) {
  if (auto existing = child(d, obj, key, type)) return *existing;
  return *d.put_object(obj, key, type);
}

inline void put_if_changed(Document& d, ObjId map, std::string_view key, Scalar value) {
  auto current = d.get(map, key);
  if (current && std::visit([&](const auto& v) { return Value(v); }, value) == *current) return;
  (void)d.put(map, key, std::move(value));
}

inline void upsert(Document& d, const Profile& p) {
  ObjId conns = ensure(d, ObjId::root(), "connections", ObjType::Map);
  ObjId map = ensure(d, conns, p.id, ObjType::Map);
  ObjId name = ensure(d, map, "name", ObjType::Text);
  (void)splice_text_diffed(d, name, p.name);
  put_if_changed(d, map, "host", p.host);
  put_if_changed(d, map, "port", p.port);
  put_if_changed(d, map, "user", p.user);
  put_if_changed(d, map, "kind", p.kind);
  put_if_changed(d, map, "auth", p.auth);
  put_if_changed(d, map, "last_used", p.last_used);
  put_if_changed(d, map, "presence", p.presence);
  put_if_changed(d, map, "group", p.group);
  put_if_changed(d, map, "favorite", p.favorite);
}

inline void rename(Document& d, const std::string& id, const std::string& name) {
  ObjId conns = ensure(d, ObjId::root(), "connections", ObjType::Map);
  auto map = child(d, conns, id, ObjType::Map);
  if (!map) return;
  (void)splice_text_diffed(d, ensure(d, *map, "name", ObjType::Text), name);
}

inline std::string read_string(const Document& d, ObjId map, std::string_view key) {
  auto v = d.get(map, key);
  auto* s = v ? std::get_if<std::string>(&*v) : nullptr;
  return s ? *s : std::string();
}

inline std::vector<Profile> load_all(const Document& d) {
  std::vector<Profile> out;
  auto conns = child(d, ObjId::root(), "connections", ObjType::Map);
  if (!conns) return out;
  for (const std::string& id : d.keys(*conns)) {
    auto map = child(d, *conns, id, ObjType::Map);
    if (!map) continue;
    Profile p;
    p.id = id;
    if (auto name = child(d, *map, "name", ObjType::Text)) p.name = *d.text(*name);
    p.host = read_string(d, *map, "host");
    auto port = d.get(*map, "port");
    p.port = port && std::holds_alternative<std::uint64_t>(*port) ? std::get<std::uint64_t>(*port) : 0;
    p.user = read_string(d, *map, "user");
    p.kind = read_string(d, *map, "kind");
    p.auth = read_string(d, *map, "auth");
    p.last_used = read_string(d, *map, "last_used");
    p.presence = read_string(d, *map, "presence");
    p.group = read_string(d, *map, "group");
    auto fav = d.get(*map, "favorite");
    p.favorite = fav && std::holds_alternative<bool>(*fav) && std::get<bool>(*fav);
    out.push_back(std::move(p));
  }
  return out;
}

inline std::string uuid_for(std::uint64_t n) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string out;
  std::uint64_t x = n * 0x9E3779B97F4A7C15ull + 12345;
  for (int i = 0; i < 32; ++i) {
    if (i == 8 || i == 12 || i == 16 || i == 20) out.push_back('-');
    x ^= x >> 29;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 32;
    char c = hex[x & 15];
    if (i == 12) c = '4';
    if (i == 16) c = hex[8 + (x & 3)];
    out.push_back(c);
  }
  return out;
}

inline Profile sample_profile(std::uint64_t n) {
  static const char* kinds[] = {"SSH", "VNC", "RDP", "Vexa"};
  static const char* auths[] = {"Password", "Public key", "Password", "Device identity"};
  static const char* presences[] = {"online", "offline", "unknown"};
  Profile p;
  p.id = uuid_for(n);
  p.name = "Server " + std::to_string(n);
  p.host = "host" + std::to_string(n) + ".example.net";
  p.port = n % 4 == 1 ? 5900 : 22;
  p.user = n % 3 == 0 ? "admin" : "ops";
  p.kind = kinds[n % 4];
  p.auth = auths[n % 4];
  p.last_used = n % 5 == 0 ? "Never" : "2026-11-" + std::to_string(10 + n % 20);
  p.presence = presences[n % 3];
  p.group = "Group " + std::to_string(n % 10);
  p.favorite = n % 7 == 0;
  return p;
}

}  // namespace vexa::doc::fixture

#include "profiles/profile_document.hpp"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace profiles {
namespace {

namespace doc = vexa::doc;
using doc::Document;
using doc::ObjId;
using doc::ObjType;

constexpr std::string_view kConnections = "connections";

[[noreturn]] void fatal(const char* text) {
  std::fprintf(stderr, "%s\n", text);
  std::abort();
}

std::optional<ObjId> object_at(const Document& d, ObjId parent, std::string_view key, ObjType type) {
  auto value = d.get(parent, key);
  if (!value) return std::nullopt;
  const auto* ref = std::get_if<doc::ObjectRef>(&*value);
  if (!ref || ref->type != type) return std::nullopt;
  return ref->id;
}

// Puts a new object at the key unless one of the right type is there; a failure here means the
// document is broken, not the input.
ObjId ensure_object(Document& d, ObjId parent, std::string_view key, ObjType type, const char* fatal_text) {
  if (auto existing = object_at(d, parent, key, type)) return *existing;
  auto created = d.put_object(parent, key, type);
  if (!created) fatal(fatal_text);
  return *created;
}

ObjId ensure_connections(Document& d) {
  return ensure_object(d, ObjId::root(), kConnections, ObjType::Map,
                       "put_object connections on root never fails");
}

bool same_scalar(const doc::Value& stored, const doc::Scalar& value) {
  return std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        const T* held = std::get_if<T>(&stored);
        return held && *held == v;
      },
      value);
}

void put_if_changed(Document& d, ObjId map, std::string_view key, doc::Scalar value) {
  if (auto stored = d.get(map, key); stored && same_scalar(*stored, value)) return;
  (void)d.put(map, key, std::move(value));
}

// Text objects hold valid UTF-8 only; a name that is not is stored with U+FFFD in place of
// each bad byte instead of being dropped.
std::string valid_utf8(std::string_view s) {
  std::string out;
  std::size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
                    : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    bool ok = len > 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (ok && len >= 3) {
      auto c1 = static_cast<unsigned char>(s[i + 1]);
      ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 > 0x9F) &&  // overlong, surrogate
           !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 > 0x8F);   // overlong, past U+10FFFF
    }
    if (ok) {
      out.append(s.substr(i, len));
      i += len;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

void write_name(Document& d, ObjId connection, std::string_view name) {
  ObjId text = ensure_object(d, connection, "name", ObjType::Text, "put_object name never fails");
  (void)doc::splice_text_diffed(d, text, valid_utf8(name));
}

std::string read_string(const Document& d, ObjId map, std::string_view key) {
  auto value = d.get(map, key);
  const auto* s = value ? std::get_if<std::string>(&*value) : nullptr;
  return s ? *s : std::string();
}

ConnectionProfile read_profile(const Document& d, ObjId map, const Uuid& id) {
  ConnectionProfile p;
  p.id = id;
  if (auto text = object_at(d, map, "name", ObjType::Text)) p.name = d.text(*text).value_or("");
  p.host = read_string(d, map, "host");
  auto port = d.get(map, "port");
  const auto* number = port ? std::get_if<std::uint64_t>(&*port) : nullptr;
  p.port = number ? static_cast<std::uint16_t>(*number & 0xFFFF) : 0;
  p.user = read_string(d, map, "user");
  p.kind = parse_kind(read_string(d, map, "kind"));
  p.auth = parse_auth(read_string(d, map, "auth"));
  p.last_used = read_string(d, map, "last_used");
  p.presence = parse_presence(read_string(d, map, "presence"));
  p.group = read_string(d, map, "group");
  auto favorite = d.get(map, "favorite");
  const auto* flag = favorite ? std::get_if<bool>(&*favorite) : nullptr;
  p.favorite = flag && *flag;
  return p;
}

}  // namespace

std::vector<ConnectionProfile> load_profiles(const Document& d) {
  std::vector<ConnectionProfile> out;
  auto connections = object_at(d, ObjId::root(), kConnections, ObjType::Map);
  if (!connections) return out;
  for (const auto& key : d.keys(*connections)) {
    auto id = Uuid::parse(key);
    if (!id) continue;
    auto map = object_at(d, *connections, key, ObjType::Map);
    if (!map) continue;
    out.push_back(read_profile(d, *map, *id));
  }
  return out;
}

void upsert_profile(Document& d, const ConnectionProfile& p) {
  ObjId connections = ensure_connections(d);
  ObjId map = ensure_object(d, connections, p.id.to_string(), ObjType::Map,
                            "put_object connection map never fails");
  write_name(d, map, p.name);
  put_if_changed(d, map, "host", p.host);
  put_if_changed(d, map, "port", std::uint64_t{p.port});
  put_if_changed(d, map, "user", p.user);
  put_if_changed(d, map, "kind", std::string(kind_token(p.kind)));
  put_if_changed(d, map, "auth", std::string(auth_label(p.auth)));
  put_if_changed(d, map, "last_used", p.last_used);
  put_if_changed(d, map, "presence", std::string(presence_text(p.presence)));
  put_if_changed(d, map, "group", p.group);
  put_if_changed(d, map, "favorite", p.favorite);
}

void rename_profile(Document& d, const Uuid& id, std::string_view name) {
  ObjId connections = ensure_connections(d);
  if (auto map = object_at(d, connections, id.to_string(), ObjType::Map)) write_name(d, *map, name);
}

void set_favorite(Document& d, const Uuid& id, bool favorite) {
  ObjId connections = ensure_connections(d);
  if (auto map = object_at(d, connections, id.to_string(), ObjType::Map)) {
    put_if_changed(d, *map, "favorite", favorite);
  }
}

void delete_profile(Document& d, const Uuid& id) {
  ObjId connections = ensure_connections(d);
  (void)d.remove(connections, id.to_string());
}

}  // namespace profiles

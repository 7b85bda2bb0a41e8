#include "actions/remote_action.hpp"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "actions/tagged_json.hpp"

namespace actions {
namespace {

using profiles::AuthMethod;
using profiles::ConnectionKind;

constexpr std::string_view kActionVariants[] = {"UpsertConnection", "RenameConnection", "SetFavorite",
                                                "DeleteConnection"};
constexpr std::string_view kKindNames[] = {"Ssh", "Vnc", "Rdp", "Vexa"};
constexpr std::string_view kAuthNames[] = {"Password", "PublicKey", "DeviceIdentity"};

[[noreturn]] void fatal(const char* text) {
  std::fprintf(stderr, "%s\n", text);
  std::abort();
}

Json tagged(std::string_view variant, Json fields) {
  Json out = Json::object();
  out[std::string(variant)] = std::move(fields);
  return out;
}

Json encode_fields(const UpsertConnection& a) {
  return Json{{"id", a.id.to_string()}, {"name", a.name},   {"host", a.host},
              {"port", a.port},         {"user", a.user},   {"kind", kind_json_name(a.kind)},
              {"auth", auth_json_name(a.auth)},             {"group", a.group}};
}
Json encode_fields(const RenameConnection& a) { return Json{{"id", a.id.to_string()}, {"name", a.name}}; }
Json encode_fields(const SetFavorite& a) { return Json{{"id", a.id.to_string()}, {"favorite", a.favorite}}; }
Json encode_fields(const DeleteConnection& a) { return Json{{"id", a.id.to_string()}}; }

std::string variant_expecting(std::string_view variant) {
  return "struct variant RemoteAction::" + std::string(variant);
}

auto read_kind = [](const Json& v) -> std::expected<ConnectionKind, std::string> {
  auto i = read_unit_enum(v, kKindNames);
  if (!i) return std::unexpected(i.error());
  return static_cast<ConnectionKind>(*i);
};

auto read_auth = [](const Json& v) -> std::expected<AuthMethod, std::string> {
  auto i = read_unit_enum(v, kAuthNames);
  if (!i) return std::unexpected(i.error());
  return static_cast<AuthMethod>(*i);
};

template <class T>
std::expected<RemoteAction, std::string> finish(T value, std::optional<std::string> error) {
  if (error) return std::unexpected(std::move(*error));
  return RemoteAction{std::move(value)};
}

std::expected<RemoteAction, std::string> decode_upsert(const Json* content) {
  UpsertConnection a;
  const FieldSlot slots[] = {{"id", into(a.id, read_uuid)},         {"name", into(a.name, read_string)},
                             {"host", into(a.host, read_string)},   {"port", into(a.port, read_u16)},
                             {"user", into(a.user, read_string)},   {"kind", into(a.kind, read_kind)},
                             {"auth", into(a.auth, read_auth)},     {"group", into(a.group, read_string)}};
  auto error = read_fields(content, slots, variant_expecting(kActionVariants[0]), true);
  return finish(std::move(a), std::move(error));
}

std::expected<RemoteAction, std::string> decode_rename(const Json* content) {
  RenameConnection a;
  const FieldSlot slots[] = {{"id", into(a.id, read_uuid)}, {"name", into(a.name, read_string)}};
  auto error = read_fields(content, slots, variant_expecting(kActionVariants[1]), true);
  return finish(std::move(a), std::move(error));
}

std::expected<RemoteAction, std::string> decode_favorite(const Json* content) {
  SetFavorite a;
  const FieldSlot slots[] = {{"id", into(a.id, read_uuid)}, {"favorite", into(a.favorite, read_bool)}};
  auto error = read_fields(content, slots, variant_expecting(kActionVariants[2]), true);
  return finish(std::move(a), std::move(error));
}

std::expected<RemoteAction, std::string> decode_delete(const Json* content) {
  DeleteConnection a;
  const FieldSlot slots[] = {{"id", into(a.id, read_uuid)}};
  auto error = read_fields(content, slots, variant_expecting(kActionVariants[3]), true);
  return finish(std::move(a), std::move(error));
}

}  // namespace

std::string_view kind_json_name(ConnectionKind kind) { return kKindNames[static_cast<std::size_t>(kind)]; }
std::string_view auth_json_name(AuthMethod auth) { return kAuthNames[static_cast<std::size_t>(auth)]; }

std::string_view variant_name(const RemoteAction& action) { return kActionVariants[action.index()]; }

Json encode_action(const RemoteAction& action) {
  try {
    return std::visit([&](const auto& a) { return tagged(variant_name(action), encode_fields(a)); }, action);
  } catch (const std::exception&) {
    fatal("RemoteAction is always serializable");
  }
}

std::expected<RemoteAction, std::string> decode_action(const Json& payload) {
  auto tag = read_tag(payload, kActionVariants);
  if (!tag) return std::unexpected(tag.error());
  switch (tag->index) {
    case 0: return decode_upsert(tag->content);
    case 1: return decode_rename(tag->content);
    case 2: return decode_favorite(tag->content);
    default: return decode_delete(tag->content);
  }
}

vexa_actions::EncodedAction to_encoded(const RemoteAction& action) {
  return {std::string(kActionKind), encode_action(action), std::nullopt};
}

}  // namespace actions

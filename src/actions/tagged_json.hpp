#pragma once
// Reading externally tagged JSON unions: a variant without fields is the string of its name, a
// variant with fields is a one-member object whose value holds the fields as an object, or as an
// array in declaration order. Error texts follow the JSON layer other suite members use, so a
// caller sees the same text whichever side decoded the payload.
#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/actions/json.hpp"
#include "profiles/uuid.hpp"

namespace actions {

using vexa_actions::Json;

// "integer `5`", "string \"x\"", "null", "boolean `true`", "floating point `1.5`", "sequence", "map".
std::string unexpected_text(const Json& value);
std::string invalid_type(const Json& value, std::string_view expected);
std::string missing_field(std::string_view name);
std::string duplicate_field(std::string_view name);
std::string unknown_variant(std::string_view name, std::span<const std::string_view> variants);
std::string invalid_length(std::size_t length, std::string_view expected);

std::expected<std::string, std::string> read_string(const Json& value);
std::expected<std::uint16_t, std::string> read_u16(const Json& value);
std::expected<bool, std::string> read_bool(const Json& value);
std::expected<profiles::Uuid, std::string> read_uuid(const Json& value);

// The outer tag: which variant, and its content (nullptr for the string form).
struct Tag {
  std::size_t index = 0;
  const Json* content = nullptr;
};
std::expected<Tag, std::string> read_tag(const Json& value, std::span<const std::string_view> variants);

// A variant without fields: the string form, or a content of null.
std::optional<std::string> read_unit_content(const Json* content);

// An enumeration whose variants all lack fields (a profile kind, an auth method).
std::expected<std::size_t, std::string> read_unit_enum(const Json& value,
                                                       std::span<const std::string_view> variants);

// One field of a struct: its name and how to store its value. `read` returns an error text.
struct FieldSlot {
  std::string_view name;
  std::function<std::optional<std::string>(const Json&)> read;
};

// Fills every slot from an object (unknown members ignored, a member given twice refused) or
// from an array in slot order. `expecting` names the struct ("struct HostKeyIdentity", "struct
// variant RemoteAction::RenameConnection"); `variant` says it is a union's content.
std::optional<std::string> read_fields(const Json* content, std::span<const FieldSlot> slots,
                                       std::string_view expecting, bool variant);

// Stores a successfully read value into `target`, for building FieldSlots.
template <class T, class Reader>
std::function<std::optional<std::string>(const Json&)> into(T& target, Reader reader) {
  return [&target, reader](const Json& value) -> std::optional<std::string> {
    auto read = reader(value);
    if (!read) return read.error();
    target = std::move(*read);
    return std::nullopt;
  };
}

}  // namespace actions

#include "actions/tagged_json.hpp"

#include <fmt/format.h>

#include <limits>
#include <vector>

namespace actions {
namespace {

// Quoted and escaped the way the JSON layer prints a string it did not expect.
std::string debug_quoted(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\0': out += "\\0"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          out += fmt::format("\\u{{{:x}}}", c);
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  out += '"';
  return out;
}

std::string float_text(double v) {
  std::string text = fmt::format("{}", v);
  if (text.find_first_not_of("-0123456789") == std::string::npos) text += ".0";
  return text;
}

std::string one_of(std::span<const std::string_view> names) {
  if (names.empty()) return "there are no variants";
  if (names.size() == 1) return fmt::format("`{}`", names[0]);
  if (names.size() == 2) return fmt::format("`{}` or `{}`", names[0], names[1]);
  std::string out = "one of ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i) out += ", ";
    out += fmt::format("`{}`", names[i]);
  }
  return out;
}

std::optional<std::size_t> index_of(std::string_view name, std::span<const std::string_view> names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return i;
  }
  return std::nullopt;
}

std::string with_elements(std::string_view expecting, std::size_t count) {
  return fmt::format("{} with {} element{}", expecting, count, count == 1 ? "" : "s");
}

std::optional<std::string> fields_from_array(const Json& array, std::span<const FieldSlot> slots,
                                             std::string_view expecting) {
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (i >= array.size()) return invalid_length(i, with_elements(expecting, slots.size()));
    if (auto error = slots[i].read(array[i])) return error;
  }
  if (array.size() > slots.size()) return invalid_length(array.size(), "fewer elements in array");
  return std::nullopt;
}

std::optional<std::string> fields_from_object(const Json& object, std::span<const FieldSlot> slots) {
  std::vector<bool> seen(slots.size(), false);
  for (const auto& [key, value] : object.items()) {
    std::optional<std::size_t> slot;
    for (std::size_t i = 0; i < slots.size() && !slot; ++i) {
      if (slots[i].name == key) slot = i;
    }
    if (!slot) continue;  // members that are not fields are ignored
    if (seen[*slot]) return duplicate_field(key);
    seen[*slot] = true;
    if (auto error = slots[*slot].read(value)) return error;
  }
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (!seen[i]) return missing_field(slots[i].name);
  }
  return std::nullopt;
}

}  // namespace

std::string unexpected_text(const Json& value) {
  switch (value.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return fmt::format("boolean `{}`", value.get<bool>());
    case Json::value_t::number_integer: return fmt::format("integer `{}`", value.get<std::int64_t>());
    case Json::value_t::number_unsigned: return fmt::format("integer `{}`", value.get<std::uint64_t>());
    case Json::value_t::number_float: return fmt::format("floating point `{}`", float_text(value.get<double>()));
    case Json::value_t::string: return fmt::format("string {}", debug_quoted(value.get_ref<const std::string&>()));
    case Json::value_t::array: return "sequence";
    case Json::value_t::object: return "map";
    default: return "byte array";
  }
}

std::string invalid_type(const Json& value, std::string_view expected) {
  return fmt::format("invalid type: {}, expected {}", unexpected_text(value), expected);
}

std::string missing_field(std::string_view name) { return fmt::format("missing field `{}`", name); }
std::string duplicate_field(std::string_view name) { return fmt::format("duplicate field `{}`", name); }

std::string unknown_variant(std::string_view name, std::span<const std::string_view> variants) {
  if (variants.empty()) return fmt::format("unknown variant `{}`, there are no variants", name);
  return fmt::format("unknown variant `{}`, expected {}", name, one_of(variants));
}

std::string invalid_length(std::size_t length, std::string_view expected) {
  return fmt::format("invalid length {}, expected {}", length, expected);
}

std::expected<std::string, std::string> read_string(const Json& value) {
  if (!value.is_string()) return std::unexpected(invalid_type(value, "a string"));
  return value.get<std::string>();
}

std::expected<std::uint16_t, std::string> read_u16(const Json& value) {
  constexpr auto kMax = std::numeric_limits<std::uint16_t>::max();
  if (value.is_number_unsigned()) {
    auto v = value.get<std::uint64_t>();
    if (v <= kMax) return static_cast<std::uint16_t>(v);
  } else if (value.is_number_integer()) {
    auto v = value.get<std::int64_t>();
    if (v >= 0 && v <= kMax) return static_cast<std::uint16_t>(v);
  } else {
    return std::unexpected(invalid_type(value, "u16"));
  }
  return std::unexpected(fmt::format("invalid value: {}, expected u16", unexpected_text(value)));
}

std::expected<bool, std::string> read_bool(const Json& value) {
  if (!value.is_boolean()) return std::unexpected(invalid_type(value, "a boolean"));
  return value.get<bool>();
}

std::expected<profiles::Uuid, std::string> read_uuid(const Json& value) {
  constexpr std::string_view kExpected = "a formatted UUID string";
  if (!value.is_string()) return std::unexpected(invalid_type(value, kExpected));
  auto id = profiles::Uuid::parse(value.get_ref<const std::string&>());
  if (!id) return std::unexpected(fmt::format("invalid value: {}, expected {}", unexpected_text(value), kExpected));
  return *id;
}

std::expected<Tag, std::string> read_tag(const Json& value, std::span<const std::string_view> variants) {
  const std::string* name = nullptr;
  const Json* content = nullptr;
  if (value.is_string()) {
    name = &value.get_ref<const std::string&>();
  } else if (value.is_object()) {
    if (value.size() != 1) return std::unexpected("invalid value: map, expected map with a single key");
    name = &value.begin().key();
    content = &value.begin().value();
  } else {
    return std::unexpected(invalid_type(value, "string or map"));
  }
  auto index = index_of(*name, variants);
  if (!index) return std::unexpected(unknown_variant(*name, variants));
  return Tag{*index, content};
}

std::optional<std::string> read_unit_content(const Json* content) {
  if (content && !content->is_null()) return invalid_type(*content, "unit");
  return std::nullopt;
}

std::expected<std::size_t, std::string> read_unit_enum(const Json& value,
                                                       std::span<const std::string_view> variants) {
  auto tag = read_tag(value, variants);
  if (!tag) return std::unexpected(tag.error());
  if (auto error = read_unit_content(tag->content)) return std::unexpected(*error);
  return tag->index;
}

std::optional<std::string> read_fields(const Json* content, std::span<const FieldSlot> slots,
                                       std::string_view expecting, bool variant) {
  if (!content) return "invalid type: unit variant, expected struct variant";
  if (content->is_array()) return fields_from_array(*content, slots, expecting);
  if (content->is_object()) return fields_from_object(*content, slots);
  return invalid_type(*content, variant ? std::string_view("struct variant") : expecting);
}

}  // namespace actions

#pragma once
// The JSON value every payload, resource and context travels as. Objects keep their members in
// the order they were written, so encoders control the wire order and readers see the sender's.
#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vexa_actions {

using Json = nlohmann::ordered_json;

// Nesting deeper than this is refused while parsing, before anything recursive touches it.
inline constexpr std::size_t kMaxJsonDepth = 128;

// Parses untrusted text. Unlike a plain parse it refuses a member name given twice in one object
// ("duplicate field `{}`"), because a silently dropped duplicate lets two readers disagree.
std::expected<Json, std::string> parse_json(std::string_view text);

// Compact text; invalid UTF-8 inside strings is replaced rather than thrown on.
std::string dump_json(const Json& value);

}  // namespace vexa_actions

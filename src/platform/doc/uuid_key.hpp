#pragma once
// Profile ids are lower-case hyphenated UUIDs; saving them as 16 bytes instead of 36 characters
// is most of what keeps a saved profile list small.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexa::doc::detail {

std::optional<std::array<std::uint8_t, 16>> uuid_key_bytes(std::string_view key);
std::string uuid_key_text(const std::uint8_t* bytes);

}  // namespace vexa::doc::detail

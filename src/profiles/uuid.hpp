#pragma once
// Profile ids: random version-4 UUIDs, always written in lower-case hyphenated form.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace profiles {

struct Uuid {
  std::array<std::uint8_t, 16> bytes{};

  static Uuid new_v4();
  static std::optional<Uuid> parse(std::string_view text);
  std::string to_string() const;
  bool operator==(const Uuid&) const = default;
  auto operator<=>(const Uuid&) const = default;
};

}  // namespace profiles

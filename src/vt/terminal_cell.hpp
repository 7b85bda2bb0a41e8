#pragma once
#include <cstdint>
#include <optional>
#include <type_traits>

namespace vt {

// One grid position. A small plain record: the view copies the whole grid every frame.
struct TerminalCell {
  char32_t character = U' ';
  // Palette index 0..15; absent means the default foreground. A reader meeting a larger
  // index uses 15.
  std::optional<std::uint8_t> foreground;
  bool bold = false;

  bool operator==(const TerminalCell&) const = default;
};

inline constexpr TerminalCell kBlankCell{};

static_assert(std::is_trivially_copyable_v<TerminalCell>);
static_assert(sizeof(TerminalCell) == 8);

}  // namespace vt

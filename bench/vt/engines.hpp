#pragma once
// The two emulators under test, each fed a whole corpus in fixed-size chunks.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "vt/terminal_screen.hpp"

namespace vt_bench {

inline constexpr std::size_t kChunkBytes = 4096;
inline constexpr int kColumns = 80;
inline constexpr int kRows = 24;

// Seconds to feed `bytes` into a fresh 80x24 screen of ours; leaves the screen in `out`.
double time_ours(std::span<const std::uint8_t> bytes, vt::TerminalScreen& out);

// Seconds to feed `bytes` into a fresh libvterm 80x24 screen (UTF-8); the final text of each
// row is left in `rows` (one UTF-32 code per cell, 0 read as a space).
double time_libvterm(std::span<const std::uint8_t> bytes, std::vector<std::u32string>& rows);

}  // namespace vt_bench

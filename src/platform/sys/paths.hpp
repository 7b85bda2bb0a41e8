#pragma once
#include <expected>
#include <filesystem>
#include <string>

namespace vexa::sys {

// XDG base directories: $XDG_DATA_HOME or ~/.local/share; $XDG_STATE_HOME or ~/.local/state.
// Fails when neither the variable nor HOME is set to an absolute path.
std::expected<std::filesystem::path, std::string> data_home();
std::expected<std::filesystem::path, std::string> state_home();

// Creates every missing directory of `dir` with the given mode (existing ones are untouched).
std::expected<void, std::string> create_dirs(const std::filesystem::path& dir, unsigned mode);

// Writes `bytes` to `path` whole or not at all: a temporary file beside it with `mode`, flushed
// to disk, then renamed over the old file.
std::expected<void, std::string> write_atomic(const std::filesystem::path& path,
                                              std::string_view bytes, unsigned mode);

// Reads a whole file; errors carry the OS text.
std::expected<std::string, std::string> read_file(const std::filesystem::path& path);

}  // namespace vexa::sys

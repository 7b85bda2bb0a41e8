#pragma once
// Steps shared by the live-session tests in the real window: saved profiles made by a headless
// run, the window's mirrored accessibility tree read safely, and connecting from the list the
// way a user does (Enter on the selected row, Enter in the confirmation).
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/e2e_window.hpp"

namespace e2e {

inline constexpr int kSessionWaitMs = 20000;  // reaching a local server, generous for a loaded machine

// A private folder removed at the end.
struct TempDir {
  std::filesystem::path path;
  explicit TempDir(const std::string& tag);
  ~TempDir();
};

// Saves a profile named `name` through the form of a headless run (`fields`: more --perform
// steps) and returns its id as the list shows it; empty on failure.
std::string add_profile(const test_support::E2eDocument& doc, const std::string& name, const std::string& fields);

// Reads of a mirrored tree; "" or false when a node or member is missing.
std::string status_of(const nlohmann::json& tree);
std::string field_of(const nlohmann::json& tree, const std::string& id, const char* member);
bool is_selected(const nlohmann::json& tree, const std::string& id);
// The terminal's text, or "no tree".
std::string screen_of(const std::optional<nlohmann::json>& tree);
std::vector<std::string> lines_of(const std::string& text);
unsigned mode_of(const std::filesystem::path& path);

// Waits until the confirmation dialog is open and has this title.
void expect_dialog(const test_support::E2eWindow& w, const std::string& title);
// Enter on the selected row, then Enter in the "Connect to {name}?" confirmation. Fatal
// failures inside: call through ASSERT_NO_FATAL_FAILURE.
void connect_selected(test_support::E2eWindow& w, const std::string& name);

}  // namespace e2e

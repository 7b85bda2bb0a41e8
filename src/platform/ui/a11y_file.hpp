#pragma once
// Mirrors the accessibility tree of a running window into a file, for tools that watch the
// window from outside (end-to-end tests, automation): a running window cannot be asked for
// --a11y-dump. Opt-in through VEXA_A11Y_FILE; without it nothing is computed.
#include <filesystem>
#include <optional>
#include <string>

#include "platform/ui/app.hpp"

namespace vexa_ui {

class A11yFile {
 public:
  // The mirror VEXA_A11Y_FILE asks for, or nothing when the variable is unset or empty.
  static std::optional<A11yFile> from_environment();
  explicit A11yFile(std::filesystem::path path) : path_(std::move(path)) {}

  // Call after a repaint: writes the tree's JSON (the same text --a11y-dump prints) whole,
  // mode 0600, when it differs from what was last written.
  void after_repaint(App& app);

 private:
  std::filesystem::path path_;
  std::string written_;
  bool failure_reported_ = false;
};

}  // namespace vexa_ui

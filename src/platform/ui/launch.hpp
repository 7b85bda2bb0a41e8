#pragma once
// The launcher: parses its own options, opens the document, creates the app, and runs either
// the window loop or a headless script of steps. It never returns.
#include <array>
#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/app.hpp"
#include "platform/ui/document_store.hpp"

namespace vexa_ui {

using DocumentOpener = std::function<std::expected<std::unique_ptr<DocumentStore>, std::string>()>;

struct AppDescriptor {
  std::string app_id;
  std::array<std::vector<std::string>, 4> lists;
  std::vector<std::string> review_scenes;
  std::optional<std::string> reserved_a, reserved_b;
  std::function<std::unique_ptr<App>()> make_default;
  std::function<std::unique_ptr<App>(std::optional<std::string> scene)> create_app;
  std::function<void(App&)> register_actions;
  std::optional<std::string> reserved_c, reserved_d;
  Size default_size{1280, 800};
  std::function<int()> instance_limit;
  DocumentOpener open_document;
  std::array<std::uint8_t, 4> flags{1, 0, 1, 1};
  std::string display_name = "Remote";
  std::string version = "0.1.0";
};

namespace launch {

// One step of a headless script, run in the order given.
struct Step {
  enum class Kind { Perform, Type, Key, RunMs, A11yDump, Screenshot } kind;
  std::string arg;
};

struct Options {
  std::optional<std::string> scene;
  Size size{0, 0};
  double scale = 0;  // 0: from the display
  bool help = false;
  bool version = false;
  std::vector<Step> steps;
};

std::expected<Options, std::string> parse_options(int argc, char** argv);
std::string usage(const AppDescriptor& descriptor);

// Key events for a "ctrl+w" / "Enter" / "a" style name; press then release.
std::expected<std::vector<Key>, std::string> key_events(std::string_view name);
// Key events for each character of `text`, as if typed.
std::vector<Key> typing_events(std::string_view text);

[[noreturn]] void run_or_exit(const AppDescriptor& descriptor, int argc, char** argv);
// True once SIGTERM or SIGINT arrived: loops end and the document is saved.
bool stop_requested();

}  // namespace launch
}  // namespace vexa_ui

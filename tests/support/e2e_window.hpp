#pragma once
// End-to-end driving of the real binary: a private profile document read back through headless
// --a11y-dump runs, and the app in a real window on its own Xvfb, given keys and clicks through
// the X server's test extension (xdotool) the way a user's input arrives. Every wait is bounded
// and polls a condition.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "support/process.hpp"
#include "support/xvfb.hpp"

namespace test_support {

std::string app_path();

// A fresh XDG data folder; the app keeps its document under it. Removed at the end.
class E2eDocument {
 public:
  E2eDocument();
  ~E2eDocument();
  E2eDocument(const E2eDocument&) = delete;
  E2eDocument& operator=(const E2eDocument&) = delete;

  const std::filesystem::path& data_home() const { return data_home_; }
  std::filesystem::path file() const;
  // The environment the app runs with on this document (no sample rows).
  std::map<std::string, std::string> env() const;

  // Runs the binary headless on this document with `args`; exit status and output.
  ProcessResult run_headless(const std::string& args) const;
  // The accessibility tree of a fresh headless run, or nothing when the run failed.
  std::optional<nlohmann::json> dump() const;
  // Polls dump() until `done` holds or `timeout_ms` passes; the last tree read.
  std::optional<nlohmann::json> wait_for(const std::function<bool(const nlohmann::json&)>& done,
                                         int timeout_ms) const;

 private:
  std::filesystem::path data_home_;
};

// One saved connection as the list's accessibility tree shows it.
struct ListedConnection {
  std::string id;     // the profile UUID
  std::string label;  // "name, kind, target, state, last used …"
};
std::vector<ListedConnection> listed_connections(const nlohmann::json& tree);
std::optional<ListedConnection> listed_named(const nlohmann::json& tree, const std::string& name);

// Accessibility nodes by identifier in a dumped tree; null or empty when absent.
const nlohmann::json* a11y_node(const nlohmann::json& tree, const std::string& id);
std::string a11y_label(const nlohmann::json& tree, const std::string& id);

struct WindowOptions {
  int width = 1280, height = 800;
  // Added to the document's environment (live-session switches, credentials).
  std::map<std::string, std::string> env = {};
  // The window mirrors its accessibility tree into a private file (VEXA_A11Y_FILE).
  bool mirror_a11y = false;
};

// The app in a window on a private X server.
class E2eWindow {
 public:
  explicit E2eWindow(const E2eDocument& doc, int width = 1280, int height = 800);
  E2eWindow(const E2eDocument& doc, const WindowOptions& options);
  ~E2eWindow();

  // Empty when the server and the window are up; otherwise what went wrong.
  std::string problem() const;
  const std::string& display() const { return display_; }
  unsigned long window() const { return window_; }
  // The window's size in pixels (the app runs at scale 1 under Xvfb), and where it sits on
  // the root window the captures show.
  std::pair<int, int> size() const;
  std::pair<int, int> origin() const;

  // With mirror_a11y: the mirrored file, the tree it holds now (nothing before the first
  // write), and a bounded poll of it until `done` holds (the last tree read either way).
  const std::filesystem::path& a11y_file() const { return a11y_file_; }
  std::optional<nlohmann::json> a11y() const;
  std::optional<nlohmann::json> wait_a11y(const std::function<bool(const nlohmann::json&)>& done,
                                          int timeout_ms = 10000) const;

  std::optional<Screenshot> capture() const { return capture_root(display_); }
  // The first frame: the window shows more than a blank fill, and has stopped changing. Call
  // it before driving the window: it settles which X window is the app's.
  std::optional<Screenshot> wait_drawn(int timeout_ms = 10000);
  // The screen differs from `before` and then holds still for a moment (the app repaints
  // once per input and needs no animation frames on these screens).
  std::optional<Screenshot> wait_changed(const Screenshot& before, int timeout_ms = 5000);
  // Captures until `done` holds for a capture (for screens that keep moving, such as a video
  // stream); that capture, or nothing when `timeout_ms` passed first.
  std::optional<Screenshot> wait_until(const std::function<bool(const Screenshot&)>& done, int timeout_ms);
  // The screen holds still for a moment, whatever it shows.
  std::optional<Screenshot> wait_still(int timeout_ms = 5000) { return wait_still(capture(), timeout_ms); }

  // xdotool key names, e.g. "ctrl+n", "Tab", "End BackSpace"; typed text; a primary click at
  // window coordinates. The window gets the keyboard focus first. Empty on success, otherwise
  // what xdotool said.
  std::string key(const std::string& keys);
  std::string type(const std::string& text);
  std::string click(double x, double y);
  std::string move_pointer(double x, double y);
  // Moves there and presses the primary button; releases it where the pointer is (a synced
  // move to where the pointer already is would wait for motion that never comes).
  std::string press(double x, double y);
  std::string release();
  // xdotool key names pressed and held, then released (focus first, as key() does).
  std::string key_down(const std::string& keys);
  std::string key_up(const std::string& keys);

  // WM_DELETE_WINDOW, as a window manager sends it.
  bool request_close();
  void signal(int sig);
  std::optional<int> wait_exit(int timeout_ms = 10000);

 private:
  std::string xdotool(const std::string& args) const;
  std::string focus();
  std::optional<Screenshot> wait_still(std::optional<Screenshot> first, int timeout_ms);

  std::unique_ptr<Xvfb> x_;
  std::string display_;
  std::filesystem::path a11y_dir_, a11y_file_;
  std::unique_ptr<Child> app_;
  unsigned long window_ = 0;
};

}  // namespace test_support

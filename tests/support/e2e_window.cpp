#include "support/e2e_window.hpp"

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool passed(Clock::time_point deadline) { return Clock::now() >= deadline; }

Clock::time_point after_ms(int ms) { return Clock::now() + std::chrono::milliseconds(ms); }

void collect(const nlohmann::json& node, std::vector<ListedConnection>& out) {
  if (node.is_object()) {
    auto id = node.value("id", std::string());
    const std::string prefix = "remote.connection:", suffix = ":select";
    if (id.starts_with(prefix) && id.ends_with(suffix) && id.size() > prefix.size() + suffix.size()) {
      out.push_back({id.substr(prefix.size(), id.size() - prefix.size() - suffix.size()), node.value("label", "")});
    }
    if (auto it = node.find("children"); it != node.end()) collect(*it, out);
  } else if (node.is_array()) {
    for (const auto& child : node) collect(child, out);
  }
}

}  // namespace

std::string app_path() { return binary_dir() + "/src/app/vexa-remote"; }

E2eDocument::E2eDocument() : data_home_(temp_dir("vexa-e2e-data")) {}
E2eDocument::~E2eDocument() { std::filesystem::remove_all(data_home_); }

std::filesystem::path E2eDocument::file() const { return data_home_ / "io.vexa.remote" / "profiles.vexadoc"; }

std::map<std::string, std::string> E2eDocument::env() const {
  return {{"XDG_DATA_HOME", data_home_.string()}, {"VEXA_REMOTE_SAMPLE", "0"}};
}

ProcessResult E2eDocument::run_headless(const std::string& args) const {
  std::string env_args;
  for (const auto& [k, v] : env()) env_args += " " + k + "=" + shell_quote(v);
  return run_shell("env -u DISPLAY -u WAYLAND_DISPLAY -u VEXA_REMOTE_DOCUMENT" + env_args + " " +
                   shell_quote(app_path()) + " " + args);
}

std::optional<nlohmann::json> E2eDocument::dump() const {
  auto r = run_headless("--a11y-dump");
  if (r.exit_code != 0) return std::nullopt;
  auto tree = nlohmann::json::parse(r.out, nullptr, false);
  if (tree.is_discarded()) return std::nullopt;
  return tree;
}

std::optional<nlohmann::json> E2eDocument::wait_for(const std::function<bool(const nlohmann::json&)>& done,
                                                    int timeout_ms) const {
  auto deadline = after_ms(timeout_ms);
  std::optional<nlohmann::json> last;
  do {
    if (auto tree = dump()) {
      last = std::move(tree);
      if (done(*last)) return last;
    }
    sleep_ms(100);
  } while (!passed(deadline));
  return last;
}

std::vector<ListedConnection> listed_connections(const nlohmann::json& tree) {
  std::vector<ListedConnection> out;
  collect(tree, out);
  return out;
}

std::optional<ListedConnection> listed_named(const nlohmann::json& tree, const std::string& name) {
  for (auto& c : listed_connections(tree)) {
    if (c.label.starts_with(name + ", ")) return c;
  }
  return std::nullopt;
}

const nlohmann::json* a11y_node(const nlohmann::json& tree, const std::string& id) {
  if (!tree.is_object()) return nullptr;
  if (tree.value("id", "") == id) return &tree;
  if (auto it = tree.find("children"); it != tree.end() && it->is_array()) {
    for (const auto& child : *it) {
      if (auto* hit = a11y_node(child, id)) return hit;
    }
  }
  return nullptr;
}

std::string a11y_label(const nlohmann::json& tree, const std::string& id) {
  auto* node = a11y_node(tree, id);
  return node ? node->value("label", "") : "";
}

E2eWindow::E2eWindow(const E2eDocument& doc, int width, int height)
    : E2eWindow(doc, WindowOptions{width, height, {}, false}) {}

E2eWindow::E2eWindow(const E2eDocument& doc, const WindowOptions& options)
    : x_(std::make_unique<Xvfb>(options.width, options.height)) {
  // A request about a window that is gone must fail that call, not end the test process through
  // Xlib's default handler (which would also leave this Xvfb and the app running).
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  if (!x_->ok()) return;
  display_ = x_->display();
  auto env = doc.env();
  for (const auto& [k, v] : options.env) env[k] = v;
  if (options.mirror_a11y) {
    a11y_dir_ = temp_dir("vexa-e2e-a11y");
    a11y_file_ = a11y_dir_ / "tree.json";
    env["VEXA_A11Y_FILE"] = a11y_file_.string();
  }
  env["DISPLAY"] = display_;
  // The document must be the one under the data folder, whatever the test runner's environment.
  app_ = std::make_unique<Child>(std::vector<std::string>{"env", "-u", "VEXA_REMOTE_DOCUMENT", app_path()}, env);
  window_ = find_window(display_, "Remote", 10000).value_or(0);
}

E2eWindow::~E2eWindow() {
  // The app first, then its X server; the mirror's folder last.
  app_.reset();
  x_.reset();
  if (!a11y_dir_.empty()) std::filesystem::remove_all(a11y_dir_);
}

std::string E2eWindow::problem() const {
  if (!x_->ok()) return "Xvfb did not start";
  if (!window_) return "no window titled Remote appeared";
  return {};
}

std::pair<int, int> E2eWindow::size() const {
  Display* d = XOpenDisplay(display_.c_str());
  if (!d) return {0, 0};
  XWindowAttributes attrs{};
  Status ok = XGetWindowAttributes(d, window_, &attrs);
  XCloseDisplay(d);
  return ok ? std::pair{attrs.width, attrs.height} : std::pair{0, 0};
}

std::pair<int, int> E2eWindow::origin() const {
  Display* d = XOpenDisplay(display_.c_str());
  if (!d) return {0, 0};
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(d, window_, DefaultRootWindow(d), 0, 0, &x, &y, &child);
  XCloseDisplay(d);
  return {x, y};
}

std::optional<nlohmann::json> E2eWindow::a11y() const {
  if (a11y_file_.empty() || !std::filesystem::exists(a11y_file_)) return std::nullopt;
  // The file is replaced whole, so whatever is read is one complete tree.
  auto tree = nlohmann::json::parse(slurp(a11y_file_), nullptr, false);
  if (tree.is_discarded()) return std::nullopt;
  return tree;
}

std::optional<nlohmann::json> E2eWindow::wait_a11y(const std::function<bool(const nlohmann::json&)>& done,
                                                   int timeout_ms) const {
  auto deadline = after_ms(timeout_ms);
  std::optional<nlohmann::json> last;
  do {
    if (auto tree = a11y()) {
      last = std::move(tree);
      if (done(*last)) return last;
    }
    sleep_ms(50);
  } while (!passed(deadline));
  return last;
}

std::optional<Screenshot> E2eWindow::wait_still(std::optional<Screenshot> first, int timeout_ms) {
  // Still: three captures 80 ms apart show the same pixels.
  auto deadline = after_ms(timeout_ms);
  int same = 0;
  while (!passed(deadline) && same < 2) {
    sleep_ms(80);
    auto now = capture();
    same = now && first && now->pixels == first->pixels ? same + 1 : 0;
    first = std::move(now);
  }
  return same >= 2 ? first : std::nullopt;
}

std::optional<Screenshot> E2eWindow::wait_drawn(int timeout_ms) {
  auto deadline = after_ms(timeout_ms);
  while (!passed(deadline)) {
    auto now = capture();
    // Cards and anti-aliased text give many colours; a cleared root has one.
    if (now && now->distinct_colours() > 20) {
      auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      auto still = wait_still(std::move(now), static_cast<int>(std::max<long>(remaining, 500)));
      // SDL may replace its first X window when it sets up the renderer; the one that drew is
      // the one to drive.
      if (still) window_ = find_window(display_, "Remote", 2000).value_or(window_);
      return still;
    }
    sleep_ms(50);
  }
  return std::nullopt;
}

std::optional<Screenshot> E2eWindow::wait_changed(const Screenshot& before, int timeout_ms) {
  auto deadline = after_ms(timeout_ms);
  while (!passed(deadline)) {
    auto now = capture();
    if (now && now->pixels != before.pixels) {
      auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      return wait_still(std::move(now), static_cast<int>(std::max<long>(remaining, 500)));
    }
    sleep_ms(40);
  }
  return std::nullopt;
}

std::optional<Screenshot> E2eWindow::wait_until(const std::function<bool(const Screenshot&)>& done,
                                                int timeout_ms) {
  auto deadline = after_ms(timeout_ms);
  do {
    if (auto now = capture(); now && done(*now)) return now;
    sleep_ms(40);
  } while (!passed(deadline));
  return std::nullopt;
}

std::string E2eWindow::xdotool(const std::string& args) const {
  auto r = run_shell("DISPLAY=" + shell_quote(display_) + " timeout 20 xdotool " + args);
  if (r.exit_code == 0) return {};
  return "xdotool " + args + " exited with " + std::to_string(r.exit_code) + ": " + r.err + r.out;
}

std::string E2eWindow::focus() {
  // Focusing may fail once while the server still settles a just-mapped window; nothing is
  // typed until it has worked, so trying again is safe.
  std::string problem;
  for (int attempt = 0; attempt < 3; ++attempt) {
    problem = xdotool("windowfocus --sync " + std::to_string(window_));
    if (problem.empty()) return {};
    sleep_ms(200);
  }
  return problem;
}

std::string E2eWindow::key(const std::string& keys) {
  if (auto problem = focus(); !problem.empty()) return problem;
  return xdotool("key --delay 30 " + keys);
}

std::string E2eWindow::type(const std::string& text) {
  if (auto problem = focus(); !problem.empty()) return problem;
  return xdotool("type --delay 30 " + shell_quote(text));
}

std::string E2eWindow::click(double x, double y) {
  auto w = std::to_string(window_);
  auto px = std::to_string(static_cast<int>(x + 0.5)), py = std::to_string(static_cast<int>(y + 0.5));
  return xdotool("mousemove --sync --window " + w + " " + px + " " + py + " click 1");
}

std::string E2eWindow::move_pointer(double x, double y) {
  auto px = std::to_string(static_cast<int>(x + 0.5)), py = std::to_string(static_cast<int>(y + 0.5));
  return xdotool("mousemove --sync --window " + std::to_string(window_) + " " + px + " " + py);
}

std::string E2eWindow::press(double x, double y) {
  auto px = std::to_string(static_cast<int>(x + 0.5)), py = std::to_string(static_cast<int>(y + 0.5));
  return xdotool("mousemove --sync --window " + std::to_string(window_) + " " + px + " " + py + " mousedown 1");
}

std::string E2eWindow::release() { return xdotool("mouseup 1"); }

std::string E2eWindow::key_down(const std::string& keys) {
  if (auto problem = focus(); !problem.empty()) return problem;
  return xdotool("keydown " + keys);
}

std::string E2eWindow::key_up(const std::string& keys) {
  if (auto problem = focus(); !problem.empty()) return problem;
  return xdotool("keyup " + keys);
}

bool E2eWindow::request_close() { return test_support::request_close(display_, window_); }

void E2eWindow::signal(int sig) {
  if (app_) app_->signal(sig);
}

std::optional<int> E2eWindow::wait_exit(int timeout_ms) {
  if (!app_) return std::nullopt;
  return app_->wait_exit(timeout_ms);
}

}  // namespace test_support

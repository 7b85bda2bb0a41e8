#pragma once
// A private X server for tests: Xvfb on a free display number, gone when the object is.
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

class Xvfb {
 public:
  explicit Xvfb(int width = 1280, int height = 800);
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  bool ok() const { return pid_ > 0; }
  std::string display() const { return ":" + std::to_string(number_); }

 private:
  pid_t pid_ = -1;
  int number_ = 0;
};

// A child process with its own environment additions; killed (SIGKILL) if still running at the end.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env);
  ~Child();
  pid_t pid() const { return pid_; }
  // Waits up to `timeout_ms` for the exit; the exit code, or nothing when still running.
  std::optional<int> wait_exit(int timeout_ms);
  void signal(int sig);

 private:
  pid_t pid_ = -1;
  std::optional<int> exit_;
};

struct Screenshot {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
  std::size_t distinct_colours() const;
};

// Captures the root window of `display`.
std::optional<Screenshot> capture_root(const std::string& display);
// Finds a top-level window by its exact title, waiting up to `timeout_ms`.
std::optional<unsigned long> find_window(const std::string& display, const std::string& title, int timeout_ms);
// Asks the window to close the way a window manager does (WM_DELETE_WINDOW).
bool request_close(const std::string& display, unsigned long window);

}  // namespace test_support

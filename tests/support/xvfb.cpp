#include "support/xvfb.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;

// A window can vanish between finding and using it (SDL replaces its first window); Xlib's
// default handler would end the test process, so a failed request just fails.
int ignore_x_errors(Display*, XErrorEvent*) { return 0; }
Display* open_display(const std::string& name) {
  XSetErrorHandler(ignore_x_errors);
  return XOpenDisplay(name.c_str());
}

pid_t spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, bool quiet) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  // A test process killed outright (a runner's timeout) must not leave its X server or app.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
  if (quiet) {
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
  }
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

}  // namespace

Xvfb::Xvfb(int width, int height) {
  // Display numbers from a range tests own; skip any that is taken.
  for (int n = 90 + static_cast<int>(getpid() % 50); n < 400; n += 7) {
    if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)) ||
        std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock")) {
      continue;
    }
    number_ = n;
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    pid_ = spawn({"Xvfb", display(), "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, {}, true);
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
      if (Display* d = open_display(display())) {
        XCloseDisplay(d);
        return;
      }
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) break;  // lost a race for the number
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

Xvfb::~Xvfb() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

Child::Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env)
    : pid_(spawn(argv, env, false)) {}

Child::~Child() {
  if (pid_ > 0 && !exit_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::optional<int> Child::wait_exit(int timeout_ms) {
  if (exit_) return exit_;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  do {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exit_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (Clock::now() < deadline);
  return std::nullopt;
}

void Child::signal(int sig) {
  if (pid_ > 0 && !exit_) kill(pid_, sig);
}

std::size_t Screenshot::distinct_colours() const {
  std::set<std::uint32_t> colours(pixels.begin(), pixels.end());
  return colours.size();
}

std::optional<Screenshot> capture_root(const std::string& display) {
  Display* d = open_display(display);
  if (!d) return std::nullopt;
  Window root = DefaultRootWindow(d);
  XWindowAttributes attrs;
  XGetWindowAttributes(d, root, &attrs);
  XImage* image = XGetImage(d, root, 0, 0, attrs.width, attrs.height, AllPlanes, ZPixmap);
  std::optional<Screenshot> shot;
  if (image) {
    Screenshot s;
    s.width = attrs.width;
    s.height = attrs.height;
    s.pixels.reserve(static_cast<std::size_t>(s.width) * s.height);
    for (int y = 0; y < s.height; ++y) {
      for (int x = 0; x < s.width; ++x) s.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF));
    }
    XDestroyImage(image);
    shot = std::move(s);
  }
  XCloseDisplay(d);
  return shot;
}

namespace {
std::optional<Window> search(Display* d, Window w, const std::string& title) {
  char* name = nullptr;
  if (XFetchName(d, w, &name) && name) {
    bool match = title == name;
    XFree(name);
    if (match) return w;
  }
  Window root_return, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(d, w, &root_return, &parent, &children, &count)) return std::nullopt;
  std::optional<Window> found;
  for (unsigned int i = 0; i < count && !found; ++i) found = search(d, children[i], title);
  if (children) XFree(children);
  return found;
}
}  // namespace

std::optional<unsigned long> find_window(const std::string& display, const std::string& title, int timeout_ms) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (Clock::now() < deadline) {
    if (Display* d = open_display(display)) {
      auto w = search(d, DefaultRootWindow(d), title);
      XCloseDisplay(d);
      if (w) return *w;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return std::nullopt;
}

bool request_close(const std::string& display, unsigned long window) {
  Display* d = open_display(display);
  if (!d) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  bool ok = XSendEvent(d, window, False, NoEventMask, &e) != 0;
  XFlush(d);
  XCloseDisplay(d);
  return ok;
}

}  // namespace test_support

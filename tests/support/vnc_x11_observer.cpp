#include "support/vnc_x11_observer.hpp"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

namespace rfb::test {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct X11Observer::State {
  Display* display = nullptr;
  Window root = 0;
};

X11Observer::X11Observer(const std::string& display) : state_(std::make_unique<State>()) {
  state_->display = XOpenDisplay(display.c_str());
  if (!state_->display) return;
  state_->root = DefaultRootWindow(state_->display);
  XSelectInput(state_->display, state_->root, KeyPressMask | KeyReleaseMask);
  XSync(state_->display, False);
}

X11Observer::~X11Observer() {
  if (state_->display) XCloseDisplay(state_->display);
}

bool X11Observer::ok() const { return state_->display != nullptr; }

std::vector<X11Observer::Key> X11Observer::keys(std::size_t count) {
  std::vector<Key> out;
  auto deadline = Clock::now() + 5s;
  while (out.size() < count && Clock::now() < deadline) {
    while (XPending(state_->display) > 0) {
      XEvent e;
      XNextEvent(state_->display, &e);
      if (e.type == KeyPress || e.type == KeyRelease) {
        out.push_back({e.type == KeyPress, static_cast<std::uint32_t>(XLookupKeysym(&e.xkey, 0))});
      }
    }
    std::this_thread::sleep_for(5ms);
  }
  return out;
}

bool X11Observer::wait_pointer(int x, int y, std::uint8_t buttons) {
  unsigned want = ((buttons & 1) ? Button1Mask : 0) | ((buttons & 2) ? Button2Mask : 0) |
                  ((buttons & 4) ? Button3Mask : 0);
  auto deadline = Clock::now() + 5s;
  while (Clock::now() < deadline) {
    Window r, child;
    int rx, ry, wx, wy;
    unsigned mask;
    XQueryPointer(state_->display, state_->root, &r, &child, &rx, &ry, &wx, &wy, &mask);
    if (rx == x && ry == y && (mask & (Button1Mask | Button2Mask | Button3Mask)) == want) {
      return true;
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

}  // namespace rfb::test

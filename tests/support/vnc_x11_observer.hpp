#pragma once
// Watches an X display from the server's side: key events delivered to the root window and
// the pointer's position and buttons. Used to check that VNC input really reached the server.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace rfb::test {

class X11Observer {
 public:
  explicit X11Observer(const std::string& display);
  ~X11Observer();
  bool ok() const;

  struct Key {
    bool pressed;
    std::uint32_t keysym;
    bool operator==(const Key&) const = default;
  };
  // Key events until `count` arrived or 5 s passed.
  std::vector<Key> keys(std::size_t count);
  // Waits until the pointer is at (x, y) with exactly `buttons` held (RFB mask bits).
  bool wait_pointer(int x, int y, std::uint8_t buttons);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace rfb::test

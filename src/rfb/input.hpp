#pragma once
// Keyboard and pointer input for a VNC session: the queued values, their wire form, and the
// mappings the session view uses to make them from UI events.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace rfb {

struct VncInput {
  enum class Kind : std::uint8_t { Key, Pointer };
  Kind kind = Kind::Key;
  bool down = false;            // Key: press (true) or release
  std::uint32_t keysym = 0;     // Key
  std::uint8_t button_mask = 0; // Pointer
  std::uint16_t x = 0;          // Pointer, framebuffer pixels
  std::uint16_t y = 0;

  static VncInput key(bool down, std::uint32_t keysym) {
    return {Kind::Key, down, keysym, 0, 0, 0};
  }
  static VncInput pointer(std::uint8_t mask, std::uint16_t x, std::uint16_t y) {
    return {Kind::Pointer, false, 0, mask, x, y};
  }
  bool operator==(const VncInput&) const = default;
};

std::array<std::uint8_t, 8> key_event_message(bool down, std::uint32_t keysym);
std::array<std::uint8_t, 6> pointer_event_message(std::uint8_t mask, std::uint16_t x,
                                                  std::uint16_t y);
std::array<std::uint8_t, 10> update_request_message(bool incremental, std::uint16_t width,
                                                    std::uint16_t height);

// The keysym for a key press: the named keys of the table, otherwise the code point of the
// first character of the key's text (as a bare code point, without the X11 Unicode offset);
// nothing when there is no text. `key` is the UI framework's named key value.
std::optional<std::uint32_t> vnc_keysym(std::string_view key, std::string_view text);

// The RFB mask bit for a UI button (0 primary, 1 secondary, 2 middle); none for others.
std::optional<std::uint8_t> vnc_button_bit(int button);
// The mask after a press or release of `button`; other buttons leave it unchanged.
std::uint8_t vnc_button_mask(std::uint8_t mask, int button, bool pressed);

// Where the session view last drew the framebuffer image, in logical pixels.
struct ImageRect {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct FramePoint {
  std::uint16_t x = 0;
  std::uint16_t y = 0;
  bool operator==(const FramePoint&) const = default;
};

// Maps a logical point inside the drawn image to a framebuffer pixel of a width × height image;
// nothing outside the image or for an empty image or rectangle. The same for both scale modes:
// only the drawn rectangle counts.
std::optional<FramePoint> map_image_point(const ImageRect& drawn, std::uint16_t width,
                                          std::uint16_t height, double px, double py);

}  // namespace rfb

#include "rfb/handshake.hpp"
#include "rfb/framebuffer.hpp"

namespace rfb {

std::array<std::uint8_t, 20> set_pixel_format_message(const PixelFormat& format) {
  std::array<std::uint8_t, 20> out{};
  auto wire = encode_pixel_format(format);
  std::copy(wire.begin(), wire.end(), out.begin() + 4);
  return out;
}

std::array<std::uint8_t, 16> set_encodings_message() {
  // Raw, CopyRect, RRE; no pseudo-encodings.
  return {2, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2};
}

Result<ServerInit> initialise(Wire& wire) {
  const std::uint8_t shared = 1;  // other clients stay connected
  if (auto r = wire.write_all(std::span(&shared, 1)); !r) return std::unexpected(r.error());
  std::array<std::uint8_t, 24> head;
  if (auto r = wire.read_exact(head); !r) return std::unexpected(r.error());
  ServerInit init;
  init.width = static_cast<std::uint16_t>(head[0] << 8 | head[1]);
  init.height = static_cast<std::uint16_t>(head[2] << 8 | head[3]);
  init.format = decode_pixel_format(std::span<const std::uint8_t, 16>(head.data() + 4, 16));
  std::uint32_t name_length = std::uint32_t{head[20]} << 24 | std::uint32_t{head[21]} << 16 |
                              std::uint32_t{head[22]} << 8 | head[23];
  if (name_length > kMaxNameLength) {
    return invalid_data("RFB server name exceeds the 16 KiB limit");
  }
  std::uint64_t pixels = std::uint64_t{init.width} * init.height;
  if (pixels == 0 || pixels > kMaxPixels) {
    return invalid_data("RFB framebuffer dimensions exceed the 16 megapixel limit");
  }
  // The name is not shown anywhere; the server's pixel format is replaced by ours.
  if (auto r = wire.discard(name_length); !r) return std::unexpected(r.error());
  if (auto r = wire.write_all(set_pixel_format_message(kClientFormat)); !r) {
    return std::unexpected(r.error());
  }
  if (auto r = wire.write_all(set_encodings_message()); !r) return std::unexpected(r.error());
  return init;
}

Result<ServerInit> handshake(Wire& wire, const std::optional<std::string>& password) {
  auto minor = negotiate_version(wire);
  if (!minor) return std::unexpected(minor.error());
  if (auto r = negotiate_security(wire, *minor, password); !r) return std::unexpected(r.error());
  return initialise(wire);
}

}  // namespace rfb

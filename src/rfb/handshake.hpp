#pragma once
// The RFB handshake, one function per phase: version, security, initialisation.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "rfb/pixel_format.hpp"
#include "rfb/wire.hpp"

namespace rfb {

inline constexpr std::uint32_t kMaxNameLength = 16'384;

struct ProtocolVersion {
  unsigned major = 0;
  unsigned minor = 0;
};

// The 12-byte version line as the server sent it.
Result<ProtocolVersion> parse_protocol_version(std::span<const std::uint8_t, 12> line);
// The minor version we answer with: 3, 7 or 8.
unsigned reply_minor(ProtocolVersion server);
std::array<std::uint8_t, 12> version_reply(unsigned minor);

// The VNC Authentication response: each challenge half DES-encrypted under the password's
// first 8 bytes (zero-padded) with every key byte's bits reversed.
std::array<std::uint8_t, 16> vnc_auth_response(const std::optional<std::string>& password,
                                               std::span<const std::uint8_t, 16> challenge);

struct ServerInit {
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  PixelFormat format;
};

Result<unsigned> negotiate_version(Wire& wire);
Result<void> negotiate_security(Wire& wire, unsigned minor,
                                const std::optional<std::string>& password);
// ClientInit, ServerInit, SetPixelFormat and SetEncodings.
Result<ServerInit> initialise(Wire& wire);

// Every phase in order, up to (not including) the first update request.
Result<ServerInit> handshake(Wire& wire, const std::optional<std::string>& password);

// The client messages of the handshake.
std::array<std::uint8_t, 20> set_pixel_format_message(const PixelFormat& format);
std::array<std::uint8_t, 16> set_encodings_message();

}  // namespace rfb

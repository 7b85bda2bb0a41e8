#include <fmt/format.h>

#include <algorithm>
#include <string_view>

#include "rfb/handshake.hpp"
#include "rfb/utf8.hpp"

namespace rfb {

namespace {

bool is_white_space(char32_t c) {
  static constexpr char32_t kOthers[] = {0x85,   0xa0,   0x1680, 0x2028, 0x2029,
                                         0x202f, 0x205f, 0x3000};
  return (c >= 0x09 && c <= 0x0d) || c == 0x20 || (c >= 0x2000 && c <= 0x200a) ||
         std::find(std::begin(kOthers), std::end(kOthers), c) != std::end(kOthers);
}

// Drops trailing white space, the line feed among it.
std::string_view trim_end(std::string_view text) {
  std::size_t keep = 0;
  for (std::size_t at = 0; at < text.size();) {
    auto c = next_code_point(text, at);
    if (c && !is_white_space(*c)) keep = at;
  }
  return text.substr(0, keep);
}

// An unsigned decimal that fits in 8 bits, with an optional leading plus sign.
std::optional<unsigned> parse_u8(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 255) return std::nullopt;
  }
  return value;
}

}  // namespace

Result<ProtocolVersion> parse_protocol_version(std::span<const std::uint8_t, 12> line) {
  auto bad = invalid_data("bad ProtocolVersion");
  std::string_view text(reinterpret_cast<const char*>(line.data()), line.size());
  if (!valid_utf8(text) || !text.starts_with("RFB ")) return bad;
  std::string_view rest = trim_end(text.substr(4));
  std::size_t dot = rest.find('.');
  if (dot == std::string_view::npos) return bad;
  auto major = parse_u8(rest.substr(0, dot));
  auto minor = parse_u8(rest.substr(dot + 1));
  if (!major || !minor) return bad;
  return ProtocolVersion{*major, *minor};
}

unsigned reply_minor(ProtocolVersion server) {
  if (server.major < 3) return 3;
  if (server.major > 3) return 8;
  if (server.minor >= 8) return 8;
  return server.minor == 7 ? 7 : 3;
}

std::array<std::uint8_t, 12> version_reply(unsigned minor) {
  std::array<std::uint8_t, 12> out{};
  std::string text = fmt::format("RFB 003.{:03}\n", minor);
  std::copy_n(text.begin(), out.size(), out.begin());
  return out;
}

Result<unsigned> negotiate_version(Wire& wire) {
  std::array<std::uint8_t, 12> line;
  if (auto r = wire.read_exact(line); !r) return std::unexpected(r.error());
  auto version = parse_protocol_version(line);
  if (!version) return std::unexpected(version.error());
  unsigned minor = reply_minor(*version);
  if (auto r = wire.write_all(version_reply(minor)); !r) return std::unexpected(r.error());
  return minor;
}

}  // namespace rfb

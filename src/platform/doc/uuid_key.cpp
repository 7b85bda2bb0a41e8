#include "platform/doc/uuid_key.hpp"

namespace vexa::doc::detail {

namespace {
constexpr char kHex[] = "0123456789abcdef";
bool dash_at(std::size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }
int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;  // upper case is not the canonical form: such a key is kept as a literal
}
}  // namespace

std::optional<std::array<std::uint8_t, 16>> uuid_key_bytes(std::string_view key) {
  if (key.size() != 36) return std::nullopt;
  std::array<std::uint8_t, 16> out{};
  std::size_t n = 0;
  for (std::size_t i = 0; i < 36; ++i) {
    if (dash_at(i)) {
      if (key[i] != '-') return std::nullopt;
      continue;
    }
    int v = hex_value(key[i]);
    if (v < 0) return std::nullopt;
    out[n / 2] = static_cast<std::uint8_t>(out[n / 2] << 4 | v);
    ++n;
  }
  return out;
}

std::string uuid_key_text(const std::uint8_t* bytes) {
  std::string out(36, '-');
  std::size_t at = 0;
  for (std::size_t i = 0; i < 16; ++i) {
    if (dash_at(at)) ++at;
    out[at++] = kHex[bytes[i] >> 4];
    out[at++] = kHex[bytes[i] & 15];
  }
  return out;
}

}  // namespace vexa::doc::detail

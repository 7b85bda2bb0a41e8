#include "profiles/uuid.hpp"

#include <openssl/rand.h>

#include <cstdlib>

#include "platform/sys/text.hpp"

namespace profiles {

Uuid Uuid::new_v4() {
  Uuid id;
  if (RAND_bytes(id.bytes.data(), static_cast<int>(id.bytes.size())) != 1) std::abort();
  id.bytes[6] = static_cast<std::uint8_t>((id.bytes[6] & 0x0F) | 0x40);
  id.bytes[8] = static_cast<std::uint8_t>((id.bytes[8] & 0x3F) | 0x80);
  return id;
}

namespace {
bool is_dash_position(std::size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }
}  // namespace

// Accepts the hyphenated form (either case), as every stored id and identifier uses it.
std::optional<Uuid> Uuid::parse(std::string_view text) {
  if (text.size() != 36) return std::nullopt;
  Uuid id;
  std::size_t nibble = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (is_dash_position(i)) {
      if (text[i] != '-') return std::nullopt;
      continue;
    }
    int v = vexa::sys::hex_value(text[i]);
    if (v < 0) return std::nullopt;
    id.bytes[nibble / 2] |= static_cast<std::uint8_t>(nibble % 2 ? v : v << 4);
    ++nibble;
  }
  return id;
}

std::string Uuid::to_string() const {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(36);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    out.push_back(digits[bytes[i] >> 4]);
    out.push_back(digits[bytes[i] & 15]);
  }
  return out;
}

}  // namespace profiles

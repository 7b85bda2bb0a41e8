#pragma once
// Deterministic saved-connection lists for the benchmarks: mixed kinds, groups, favourites and
// presence, with names that share prefixes the way real fleets do ("web-012", "db-3").
#include <fmt/format.h>

#include <cstdint>
#include <random>
#include <vector>

#include "profiles/connection_profile.hpp"

namespace app_bench {

inline profiles::Uuid uuid_for(std::uint64_t n) {
  profiles::Uuid id;
  for (int i = 0; i < 8; ++i) id.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
  id.bytes[6] = static_cast<std::uint8_t>(0x40 | (id.bytes[6] & 0x0F));  // version 4
  id.bytes[8] = 0x80 | 0x11;                                             // RFC 4122 variant
  id.bytes[15] = 0x5a;
  return id;
}

inline std::vector<profiles::ConnectionProfile> make_profiles(std::size_t count, std::uint32_t seed = 7) {
  using profiles::ConnectionKind;
  static constexpr const char* kRoles[] = {"web", "db", "cache", "build", "Kiosk", "lab", "edge", "Ops desk"};
  static constexpr const char* kGroups[] = {"", "Production", "Staging", "Home lab", "Ops"};
  static constexpr const char* kUsed[] = {"Never", "Today", "Yesterday", "3 days ago", ""};
  std::mt19937 random(seed);
  std::vector<profiles::ConnectionProfile> out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    profiles::ConnectionProfile p;
    p.id = uuid_for(i + 1);
    const char* role = kRoles[random() % std::size(kRoles)];
    p.name = fmt::format("{}-{:03}", role, i);
    auto k = random() % 10;
    p.kind = k < 6 ? ConnectionKind::Ssh : k < 8 ? ConnectionKind::Vnc : k < 9 ? ConnectionKind::Rdp : ConnectionKind::Vexa;
    if (p.kind == ConnectionKind::Vexa) {
      p.host = fmt::format("{:016x}{:016x}{:016x}{:016x}", random(), random(), random(), random());
      p.auth = profiles::AuthMethod::DeviceIdentity;
    } else {
      p.host = fmt::format("{}{}.example.net", role[0] == 'O' ? "ops" : role, i % 97);
      p.port = *profiles::default_port(p.kind);
      p.auth = p.kind == ConnectionKind::Ssh && random() % 2 ? profiles::AuthMethod::PublicKey : profiles::AuthMethod::Password;
      if (p.kind == ConnectionKind::Ssh) p.user = random() % 3 ? "deploy" : "root";
    }
    p.group = kGroups[random() % std::size(kGroups)];
    p.last_used = kUsed[random() % std::size(kUsed)];
    p.favorite = random() % 11 == 0;
    p.presence = static_cast<profiles::Presence>(random() % 3);
    out.push_back(std::move(p));
  }
  return out;
}

}  // namespace app_bench

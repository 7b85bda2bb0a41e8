#pragma once
// A candidate for profiles::visible_profiles, measured beside it: the same result without
// lower-casing copies of every field of every profile. ASCII text (nearly every host, user and
// group) is compared case-folded in place; other text still goes through profiles::lowercase, so
// Unicode case folding is unchanged. The benchmark checks both give the same list.
#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/connection_profile.hpp"

namespace app_bench {

inline char fold_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// `needle` is lower-cased already.
inline bool contains_folded(std::string_view hay, std::string_view needle) {
  if (needle.empty()) return true;
  bool ascii = std::all_of(hay.begin(), hay.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) return profiles::lowercase(hay).find(needle) != std::string::npos;
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end(),
                     [](char a, char b) { return fold_ascii(a) == b; }) != hay.end();
}

inline std::vector<const profiles::ConnectionProfile*> visible_profiles_folded(
    std::span<const profiles::ConnectionProfile> list, std::string_view query) {
  std::string needle = profiles::lowercase(profiles::trim(query));
  struct Entry {
    const profiles::ConnectionProfile* profile;
    std::string key;
  };
  std::vector<Entry> kept;
  kept.reserve(list.size());
  for (const auto& p : list) {
    if (needle.empty() || contains_folded(p.name, needle) || contains_folded(p.host, needle) ||
        contains_folded(p.user, needle) || contains_folded(p.group, needle) ||
        contains_folded(profiles::kind_token(p.kind), needle)) {
      kept.push_back({&p, profiles::lowercase(p.name)});
    }
  }
  std::stable_sort(kept.begin(), kept.end(), [](const Entry& a, const Entry& b) {
    if (a.profile->favorite != b.profile->favorite) return a.profile->favorite;
    return a.key < b.key;
  });
  std::vector<const profiles::ConnectionProfile*> out;
  out.reserve(kept.size());
  for (auto& e : kept) out.push_back(e.profile);
  return out;
}

}  // namespace app_bench

#pragma once
// The device-private host-key trust store: one pinned key identity per (host, port), kept in a
// small JSON file that only this user may read. Every operation re-reads the file; there is no
// cache and no lock, and writes replace the file whole, so concurrent readers (the UI thread and
// an SSH worker's key check) see either the old or the new content.
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ssh/host_key_identity.hpp"

namespace ssh {

struct KnownHostEntry {
  std::string host;  // exactly as saved in the profile: no normalisation, case-sensitive
  std::uint16_t port = 0;
  HostKeyIdentity identity;
  bool operator==(const KnownHostEntry&) const = default;
};

struct KnownHosts {
  std::vector<KnownHostEntry> entries;
  bool operator==(const KnownHosts&) const = default;
};

struct Trusted {
  bool operator==(const Trusted&) const = default;
};
struct NeedsTrust {
  HostKeyIdentity observed;
  bool operator==(const NeedsTrust&) const = default;
};
struct Changed {
  HostKeyIdentity expected;
  HostKeyIdentity observed;
  bool operator==(const Changed&) const = default;
};
struct StoreUnavailable {
  std::string text;
  bool operator==(const StoreUnavailable&) const = default;
};
using HostKeyVerdict = std::variant<Trusted, NeedsTrust, Changed, StoreUnavailable>;

using Error = std::string;

// REMOTE_SSH_KNOWN_HOSTS, or <state dir>/vexa/remote/known-hosts.json (that directory is
// created at 0700 when missing); then checked with `check_store_path`.
std::expected<std::filesystem::path, Error> store_path();

// The parent must be a private real directory and the file, if present, a private regular
// file. Links are never followed.
std::expected<void, Error> check_store_path(const std::filesystem::path& path);

std::expected<KnownHosts, Error> load_store(const std::filesystem::path& path);
std::expected<void, Error> save_store(const std::filesystem::path& path, const KnownHosts& store);

// The file format, apart from the file itself (the fuzz target and tests use these directly).
std::expected<KnownHosts, Error> parse_store(std::string_view text);
// Fails only for text that is not valid UTF-8, which JSON cannot carry.
std::expected<std::string, Error> serialize_store(const KnownHosts& store);

HostKeyVerdict verify_host_key(const KnownHosts& store, std::string_view host, std::uint16_t port,
                               const HostKeyIdentity& observed);
// The SSH worker's check: a store that does not load gives StoreUnavailable with its error.
HostKeyVerdict verify_host_key(const std::expected<KnownHosts, Error>& store, std::string_view host,
                               std::uint16_t port, const HostKeyIdentity& observed);

std::expected<void, Error> trust_host_key(const std::filesystem::path& path, std::string_view host,
                                          std::uint16_t port, const HostKeyIdentity& identity);
// True when at least one pin was removed.
std::expected<bool, Error> forget_host_key(const std::filesystem::path& path, std::string_view host,
                                           std::uint16_t port);

// The session failure sentence for a refused key; empty for Trusted.
std::string verdict_message(const HostKeyVerdict& verdict, std::string_view host,
                            std::uint16_t port);

}  // namespace ssh

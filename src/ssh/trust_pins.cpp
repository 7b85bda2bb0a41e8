// Checking an observed key against the pins, and the two explicit user decisions that change
// them: trust (add a pin) and forget (remove the pins of a host and port).
#include <fmt/format.h>

#include <algorithm>

#include "ssh/trust_store.hpp"

namespace ssh {

namespace {

const KnownHostEntry* find_pin(const KnownHosts& store, std::string_view host, std::uint16_t port) {
  // A hand-edited file may hold several pins for one host and port: the first decides.
  for (const KnownHostEntry& entry : store.entries) {
    if (entry.host == host && entry.port == port) return &entry;
  }
  return nullptr;
}

}  // namespace

HostKeyVerdict verify_host_key(const KnownHosts& store, std::string_view host, std::uint16_t port,
                               const HostKeyIdentity& observed) {
  const KnownHostEntry* pin = find_pin(store, host, port);
  if (!pin) return NeedsTrust{observed};
  if (pin->identity == observed) return Trusted{};
  return Changed{pin->identity, observed};
}

HostKeyVerdict verify_host_key(const std::expected<KnownHosts, Error>& store, std::string_view host,
                               std::uint16_t port, const HostKeyIdentity& observed) {
  if (!store) return StoreUnavailable{store.error()};
  return verify_host_key(*store, host, port, observed);
}

std::expected<void, Error> trust_host_key(const std::filesystem::path& path, std::string_view host,
                                          std::uint16_t port, const HostKeyIdentity& identity) {
  auto store = load_store(path);
  if (!store) return std::unexpected(store.error());
  if (const KnownHostEntry* pin = find_pin(*store, host, port)) {
    if (pin->identity == identity) return {};
    return std::unexpected(
        std::string("a different trusted host key already exists; forget it before retrusting"));
  }
  store->entries.push_back(KnownHostEntry{std::string(host), port, identity});
  return save_store(path, *store);
}

std::expected<bool, Error> forget_host_key(const std::filesystem::path& path, std::string_view host,
                                           std::uint16_t port) {
  auto store = load_store(path);
  if (!store) return std::unexpected(store.error());
  const auto removed = std::erase_if(store->entries, [&](const KnownHostEntry& entry) {
    return entry.host == host && entry.port == port;
  });
  if (removed == 0) return false;
  if (auto saved = save_store(path, *store); !saved) return std::unexpected(saved.error());
  return true;
}

std::string verdict_message(const HostKeyVerdict& verdict, std::string_view host,
                            std::uint16_t port) {
  struct Visitor {
    std::string_view host;
    std::uint16_t port;
    std::string operator()(const Trusted&) const { return {}; }
    std::string operator()(const NeedsTrust& v) const {
      return fmt::format("SSH host key for {}:{} needs explicit trust: {} {}", host, port,
                         v.observed.algorithm, v.observed.fingerprint);
    }
    std::string operator()(const Changed& v) const {
      return fmt::format(
          "SSH host key changed for {}:{}. Expected {} {}; received {} {}. Connection blocked.",
          host, port, v.expected.algorithm, v.expected.fingerprint, v.observed.algorithm,
          v.observed.fingerprint);
    }
    std::string operator()(const StoreUnavailable& v) const {
      return fmt::format("SSH host-key store is unavailable: {}", v.text);
    }
  };
  return std::visit(Visitor{host, port}, verdict);
}

}  // namespace ssh

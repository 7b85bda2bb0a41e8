// The trust file's JSON form: {"entries": [{"host", "port", "identity": {"algorithm",
// "fingerprint"}}]}, two-space indentation, members in that order, no trailing newline.
#include <nlohmann/json.hpp>

#include "ssh/trust_store.hpp"

namespace ssh {

namespace {

using nlohmann::json;

std::uint16_t read_port(const json& value) {
  // nlohmann would silently narrow 70000 or 22.5 into a uint16_t; refuse instead.
  if (!value.is_number_integer() && !value.is_number_unsigned()) {
    throw std::invalid_argument("port must be an integer number");
  }
  if (value.is_number_unsigned()
          ? value.get<std::uint64_t>() > 65535
          : (value.get<std::int64_t>() < 0 || value.get<std::int64_t>() > 65535)) {
    throw std::invalid_argument("port must be between 0 and 65535");
  }
  return static_cast<std::uint16_t>(value.get<std::uint64_t>());
}

KnownHostEntry read_entry(const json& value) {
  KnownHostEntry entry;
  entry.host = value.at("host").get<std::string>();
  entry.port = read_port(value.at("port"));
  const json& identity = value.at("identity");
  entry.identity.algorithm = identity.at("algorithm").get<std::string>();
  entry.identity.fingerprint = identity.at("fingerprint").get<std::string>();
  return entry;
}

}  // namespace

std::expected<KnownHosts, Error> parse_store(std::string_view text) {
  try {
    const json root = json::parse(text);
    const json& entries = root.at("entries");
    if (!entries.is_array()) throw std::invalid_argument("entries must be an array");
    KnownHosts store;
    store.entries.reserve(entries.size());
    for (const json& item : entries) store.entries.push_back(read_entry(item));
    return store;
  } catch (const std::exception& error) {
    return std::unexpected(std::string(error.what()));
  }
}

std::expected<std::string, Error> serialize_store(const KnownHosts& store) {
  using ordered = nlohmann::ordered_json;
  ordered entries = ordered::array();
  for (const KnownHostEntry& entry : store.entries) {
    ordered item;
    item["host"] = entry.host;
    item["port"] = entry.port;
    item["identity"]["algorithm"] = entry.identity.algorithm;
    item["identity"]["fingerprint"] = entry.identity.fingerprint;
    entries.push_back(std::move(item));
  }
  ordered root;
  root["entries"] = std::move(entries);
  try {
    return root.dump(2);
  } catch (const std::exception& error) {
    return std::unexpected(std::string(error.what()));
  }
}

}  // namespace ssh

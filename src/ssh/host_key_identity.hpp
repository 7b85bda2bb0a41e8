#pragma once
// What the user compares out of band before trusting a server: the key's algorithm name
// (e.g. "ssh-ed25519") and "SHA256:" + unpadded base64 of the key blob's digest.
#include <string>

namespace ssh {

struct HostKeyIdentity {
  std::string algorithm;
  std::string fingerprint;
  bool operator==(const HostKeyIdentity&) const = default;
};

}  // namespace ssh

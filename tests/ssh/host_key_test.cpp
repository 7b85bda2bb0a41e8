#include "ssh/host_key.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>

#include "ssh/test_env.hpp"

namespace {

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  std::array<char, 512> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe)) out += buffer.data();
  ::pclose(pipe);
  return out;
}

TEST(HostKeyIdentity, MatchesSshKeygenForEveryCommonType) {
  ssh_test::TempDir temp;
  struct Case {
    const char* type;
    const char* algorithm;
  } cases[] = {{"ed25519", "ssh-ed25519"}, {"ecdsa", "ecdsa-sha2-nistp256"}, {"rsa", "ssh-rsa"}};
  for (const Case& c : cases) {
    const auto file = temp / (std::string("key_") + c.type);
    run("ssh-keygen -q -N '' -t " + std::string(c.type) + " -f " + file.string());
    // "256 SHA256:... comment (ED25519)": the second field is the fingerprint.
    std::istringstream listed(run("ssh-keygen -lf " + file.string() + ".pub"));
    std::string bits, fingerprint;
    listed >> bits >> fingerprint;
    ASSERT_EQ(fingerprint.rfind("SHA256:", 0), 0u) << c.type;

    ssh_key key = nullptr;
    ASSERT_EQ(ssh_pki_import_pubkey_file((file.string() + ".pub").c_str(), &key), SSH_OK);
    const ssh::HostKeyIdentity identity = ssh::host_key_identity(key);
    ssh_key_free(key);
    EXPECT_EQ(identity.algorithm, c.algorithm);
    EXPECT_EQ(identity.fingerprint, fingerprint) << c.type;
  }
}

TEST(HostKeyIdentity, FingerprintIsUnpaddedBase64) {
  const std::uint8_t one[] = {0xff};
  const std::uint8_t two[] = {0xff, 0xee};
  const std::uint8_t three[] = {0xff, 0xee, 0xdd};
  EXPECT_EQ(ssh::sha256_fingerprint(one), "SHA256:/w");
  EXPECT_EQ(ssh::sha256_fingerprint(two), "SHA256:/+4");
  EXPECT_EQ(ssh::sha256_fingerprint(three), "SHA256:/+7d");
}

}  // namespace

#include "ssh/credentials.hpp"

#include <gtest/gtest.h>

#include "ssh/test_env.hpp"

namespace {

using ssh::KeyFileCredentials;
using ssh::PasswordCredentials;
using ssh_test::ScopedEnv;

TEST(Credentials, CandidatesFollowHome) {
  {
    ScopedEnv home("HOME", "/home/ada");
    EXPECT_EQ(ssh::candidate_key_files(),
              (std::vector<std::filesystem::path>{"/home/ada/.ssh/id_ed25519",
                                                  "/home/ada/.ssh/id_ecdsa"}));
  }
  ScopedEnv home("HOME", std::nullopt);
  EXPECT_EQ(ssh::candidate_key_files(),
            (std::vector<std::filesystem::path>{".ssh/id_ed25519", ".ssh/id_ecdsa"}));
}

TEST(Credentials, Rules) {
  ssh_test::TempDir temp;
  const auto ed = temp / "id_ed25519";
  const auto ec = temp / "id_ecdsa";
  const auto dangling = temp / "dangling";
  ssh_test::write_text(ec, "key");
  ::symlink((temp / "nowhere").c_str(), dangling.c_str());
  using Env = std::optional<std::string>;
  const std::string no_key = "no SSH key: set REMOTE_SSH_KEY or add ~/.ssh/id_ed25519";
  const std::string no_password = "no SSH password: set REMOTE_SSH_PASSWORD";
  struct Case {
    const char* name;
    bool public_key;
    Env key, passphrase, password;
    std::vector<std::filesystem::path> candidates;
    std::expected<ssh::SshCredentials, std::string> expected;
  } cases[] = {
      {"password", false, "/k", "pp", "hunter2", {ed}, PasswordCredentials{"hunter2"}},
      {"empty password counts", false, {}, {}, "", {}, PasswordCredentials{""}},
      {"no password", false, "/k", {}, {}, {ec}, std::unexpected(no_password)},
      {"key variable unchecked",
       true,
       "/does/not/exist",
       {},
       {},
       {ec},
       KeyFileCredentials{"/does/not/exist", std::nullopt}},
      {"empty key variable counts", true, "", "", {}, {ec}, KeyFileCredentials{"", ""}},
      {"second candidate", true, {}, "secret", {}, {ed, ec}, KeyFileCredentials{ec, "secret"}},
      {"dangling link skipped", true, {}, {}, {}, {dangling, ec}, KeyFileCredentials{ec, {}}},
      {"no candidate", true, {}, {}, "pw", {ed, dangling}, std::unexpected(no_key)},
  };
  for (const Case& c : cases) {
    ScopedEnv key("REMOTE_SSH_KEY", c.key);
    ScopedEnv passphrase("REMOTE_SSH_KEY_PASSPHRASE", c.passphrase);
    ScopedEnv password("REMOTE_SSH_PASSWORD", c.password);
    EXPECT_EQ(ssh::resolve_credentials(c.public_key, c.candidates), c.expected) << c.name;
  }
}

}  // namespace

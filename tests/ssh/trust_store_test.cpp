#include "ssh/trust_store.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ssh/test_env.hpp"

namespace {

using ssh::Changed;
using ssh::HostKeyIdentity;
using ssh::KnownHostEntry;
using ssh::KnownHosts;
using ssh::NeedsTrust;
using ssh::StoreUnavailable;
using ssh::Trusted;
using ssh_test::read_text;
using ssh_test::TempDir;
using ssh_test::write_text;

const HostKeyIdentity kEd{
    "ssh-ed25519", "SHA256:AAAAC3NzaC1lZDI1NTE5AAAAIOMqqnkVzrm0SdG6UOoqKLsabgH5C9okWi0dh2l9GKJl"};
const HostKeyIdentity kRsa{"ssh-rsa", "SHA256:nThbg6kXUpJWGl7E1IGOCspRomTxdCARLviKw6E5SY8"};

const char* kOneEntry = R"({
  "entries": [
    {
      "host": "build.example",
      "port": 22,
      "identity": {
        "algorithm": "ssh-ed25519",
        "fingerprint": "SHA256:AAAAC3NzaC1lZDI1NTE5AAAAIOMqqnkVzrm0SdG6UOoqKLsabgH5C9okWi0dh2l9GKJl"
      }
    }
  ]
})";

// A private directory for the store, as the application would create it.
struct StoreDir {
  TempDir temp;
  std::filesystem::path dir = temp / "remote";
  std::filesystem::path file = dir / "known-hosts.json";
  StoreDir() {
    ::mkdir(dir.c_str(), 0700);
    ::chmod(dir.c_str(), 0700);
  }
};

TEST(TrustFormat, WritesTheExactLayout) {
  EXPECT_EQ(*ssh::serialize_store(KnownHosts{}), "{\n  \"entries\": []\n}");
  KnownHosts one{{KnownHostEntry{"build.example", 22, kEd}}};
  EXPECT_EQ(*ssh::serialize_store(one), kOneEntry);
  EXPECT_EQ(*ssh::parse_store(kOneEntry), one);
}

TEST(TrustFormat, IgnoresUnknownMembersAndAcceptsPortLimits) {
  auto store = ssh::parse_store(
      R"({"version": 3, "entries": [{"host": "h", "port": 65535, "note": 1,
          "identity": {"algorithm": "a", "fingerprint": "f", "extra": []}},
         {"host": "", "port": 0, "identity": {"algorithm": "", "fingerprint": ""}}]})");
  ASSERT_TRUE(store) << store.error();
  ASSERT_EQ(store->entries.size(), 2u);
  EXPECT_EQ(store->entries[0], (KnownHostEntry{"h", 65535, {"a", "f"}}));
  EXPECT_EQ(store->entries[1].port, 0);
}

TEST(TrustFormat, RefusesMalformedFiles) {
  const char* cases[] = {
      "",
      "not json",
      "{\"entries\": [",
      "[]",
      "{}",
      "{\"entries\": {}}",
      "{\"entries\": [1]}",
      R"({"entries": [{"host": 5, "port": 22, "identity": {"algorithm": "a", "fingerprint": "f"}}]})",
      R"({"entries": [{"host": "h", "port": "22", "identity": {"algorithm": "a", "fingerprint": "f"}}]})",
      R"({"entries": [{"host": "h", "port": 65536, "identity": {"algorithm": "a", "fingerprint": "f"}}]})",
      R"({"entries": [{"host": "h", "port": -1, "identity": {"algorithm": "a", "fingerprint": "f"}}]})",
      R"({"entries": [{"host": "h", "port": 22.5, "identity": {"algorithm": "a", "fingerprint": "f"}}]})",
      R"({"entries": [{"host": "h", "port": 22}]})",
      R"({"entries": [{"host": "h", "port": 22, "identity": {"algorithm": "a"}}]})",
      R"({"entries": [{"host": "h", "port": 22, "identity": {"algorithm": null, "fingerprint": "f"}}]})",
      "{\"entries\": [{\"host\": \"\xff\", \"port\": 1, \"identity\": {\"algorithm\": \"a\", "
      "\"fingerprint\": \"f\"}}]}",
  };
  for (const char* text : cases) {
    auto store = ssh::parse_store(text);
    EXPECT_FALSE(store) << text;
    if (!store) {
      EXPECT_FALSE(store.error().empty()) << text;
    }
  }
}

TEST(TrustFormat, TextThatIsNotUtf8CannotBeSaved) {
  KnownHosts store{{KnownHostEntry{"bad\xff", 22, kEd}}};
  EXPECT_FALSE(ssh::serialize_store(store));
}

TEST(TrustVerify, FirstPinForHostAndPortDecides) {
  KnownHosts store{{KnownHostEntry{"Host", 22, kEd}, KnownHostEntry{"host", 22, kEd},
                    KnownHostEntry{"host", 22, kRsa}, KnownHostEntry{"host", 2222, kRsa}}};
  struct Case {
    const char* host;
    std::uint16_t port;
    HostKeyIdentity observed;
    ssh::HostKeyVerdict expected;
  } cases[] = {
      {"host", 22, kEd, Trusted{}},        {"host", 22, kRsa, Changed{kEd, kRsa}},
      {"host", 2222, kRsa, Trusted{}},     {"host", 2222, kEd, Changed{kRsa, kEd}},
      {"HOST", 22, kEd, NeedsTrust{kEd}},  {"host", 23, kEd, NeedsTrust{kEd}},
      {"host.", 22, kEd, NeedsTrust{kEd}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ssh::verify_host_key(store, c.host, c.port, c.observed), c.expected)
        << c.host << ":" << c.port;
  }
  std::expected<KnownHosts, ssh::Error> broken = std::unexpected(std::string("bad file"));
  EXPECT_EQ(ssh::verify_host_key(broken, "host", 22, kEd),
            ssh::HostKeyVerdict(StoreUnavailable{"bad file"}));
}

TEST(TrustVerify, VerdictSentences) {
  EXPECT_EQ(ssh::verdict_message(NeedsTrust{kEd}, "h.example", 2222),
            "SSH host key for h.example:2222 needs explicit trust: ssh-ed25519 " + kEd.fingerprint);
  EXPECT_EQ(ssh::verdict_message(Changed{kEd, kRsa}, "h", 22),
            "SSH host key changed for h:22. Expected ssh-ed25519 " + kEd.fingerprint +
                "; received ssh-rsa " + kRsa.fingerprint + ". Connection blocked.");
  EXPECT_EQ(ssh::verdict_message(StoreUnavailable{"boom"}, "h", 22),
            "SSH host-key store is unavailable: boom");
}

TEST(TrustPath, CheckRefusesLinksAndLoosePermissions) {
  TempDir temp;
  auto priv = temp / "priv";
  auto loose = temp / "loose";
  auto linkdir = temp / "linkdir";
  ::mkdir(priv.c_str(), 0700);
  ::mkdir(loose.c_str(), 0700);
  ::chmod(loose.c_str(), 0755);
  ::symlink(priv.c_str(), linkdir.c_str());
  write_text(priv / "ok.json", "{}", 0600);
  write_text(priv / "open.json", "{}", 0644);
  write_text(priv / "group.json", "{}", 0640);
  ::symlink((priv / "ok.json").c_str(), (priv / "link.json").c_str());
  ::mkdir((priv / "dir.json").c_str(), 0700);
  write_text(priv / "plainfile", "x", 0600);
  ::chmod(temp.path().c_str(), 0700);

  const std::string parent_loose =
      "SSH host-key store parent must not be accessible to group or other users";
  const std::string file_loose =
      "SSH host-key store must not be accessible to group or other users";
  const std::string not_dir = "SSH host-key store parent must be a real directory";
  const std::string not_file = "SSH host-key store must be a regular file";
  struct Case {
    std::filesystem::path path;
    std::string error;  // empty: accepted
  } cases[] = {
      {priv / "ok.json", ""},
      {priv / "missing.json", ""},
      {"known-hosts.json", "SSH host-key store has no private parent directory"},
      {"", "SSH host-key store has no private parent directory"},
      {loose / "known-hosts.json", parent_loose},
      {linkdir / "ok.json", not_dir},
      {priv / "plainfile" / "x.json", not_dir},
      {temp / "nowhere" / "x.json", "No such file or directory"},
      {priv / "open.json", file_loose},
      {priv / "group.json", file_loose},
      {priv / "link.json", not_file},
      {priv / "dir.json", not_file},
  };
  for (const Case& c : cases) {
    auto checked = ssh::check_store_path(c.path);
    if (c.error.empty()) {
      EXPECT_TRUE(checked) << c.path << ": " << checked.error();
    } else {
      ASSERT_FALSE(checked) << c.path;
      EXPECT_EQ(checked.error(), c.error) << c.path;
    }
  }
}

TEST(TrustPath, OverrideIsUsedUnchangedAndChecked) {
  StoreDir store;
  {
    ssh_test::ScopedEnv env("REMOTE_SSH_KNOWN_HOSTS", store.file.string());
    EXPECT_EQ(*ssh::store_path(), store.file);
  }
  ::symlink("/dev/null", (store.dir / "link.json").c_str());
  {
    ssh_test::ScopedEnv env("REMOTE_SSH_KNOWN_HOSTS", (store.dir / "link.json").string());
    EXPECT_EQ(ssh::store_path().error(), "SSH host-key store must be a regular file");
  }
  {
    ssh_test::ScopedEnv env("REMOTE_SSH_KNOWN_HOSTS", "");
    EXPECT_EQ(ssh::store_path().error(), "SSH host-key store has no private parent directory");
  }
  {
    // The override's directory is never created.
    ssh_test::ScopedEnv env("REMOTE_SSH_KNOWN_HOSTS", (store.dir / "new" / "k.json").string());
    EXPECT_FALSE(ssh::store_path());
    EXPECT_FALSE(std::filesystem::exists(store.dir / "new"));
  }
}

TEST(TrustPath, DefaultLocationIsCreatedPrivate) {
  TempDir temp;
  ssh_test::ScopedEnv no_override("REMOTE_SSH_KNOWN_HOSTS", std::nullopt);
  ssh_test::ScopedEnv state("XDG_STATE_HOME", (temp / "state").string());
  const mode_t old_mask = ::umask(022);
  auto path = ssh::store_path();
  ::umask(old_mask);
  ASSERT_TRUE(path) << path.error();
  EXPECT_EQ(*path, temp / "state" / "vexa" / "remote" / "known-hosts.json");
  EXPECT_EQ(ssh_test::mode_of(temp / "state" / "vexa" / "remote"), 0700u);
  EXPECT_EQ(ssh_test::mode_of(temp / "state" / "vexa"), 0755u);  // parents: default mode
  EXPECT_FALSE(std::filesystem::exists(*path));                  // only the directory

  // An existing directory is never changed, so a loose one stays refused.
  ::chmod((temp / "state" / "vexa" / "remote").c_str(), 0750);
  EXPECT_EQ(ssh::store_path().error(),
            "SSH host-key store parent must not be accessible to group or other users");
  EXPECT_EQ(ssh_test::mode_of(temp / "state" / "vexa" / "remote"), 0750u);
}

TEST(TrustPath, NoStateDirectory) {
  ssh_test::ScopedEnv no_override("REMOTE_SSH_KNOWN_HOSTS", std::nullopt);
  ssh_test::ScopedEnv state("XDG_STATE_HOME", std::nullopt);
  ssh_test::ScopedEnv home("HOME", std::nullopt);
  EXPECT_EQ(ssh::store_path().error(),
            "no private state directory is available for SSH host trust");
}

TEST(TrustPins, TrustAndForgetLifecycle) {
  StoreDir store;
  EXPECT_EQ(*ssh::load_store(store.file), KnownHosts{});
  EXPECT_EQ(ssh::forget_host_key(store.file, "build.example", 22), false);
  EXPECT_FALSE(std::filesystem::exists(store.file));

  ASSERT_TRUE(ssh::trust_host_key(store.file, "build.example", 22, kEd));
  EXPECT_EQ(read_text(store.file), kOneEntry);
  EXPECT_EQ(ssh_test::mode_of(store.file), 0600u);

  // Trusting the same identity again writes nothing (a rewrite would give a new inode).
  struct stat before {};
  ::stat(store.file.c_str(), &before);
  ASSERT_TRUE(ssh::trust_host_key(store.file, "build.example", 22, kEd));
  struct stat after {};
  ::stat(store.file.c_str(), &after);
  EXPECT_EQ(before.st_ino, after.st_ino);

  EXPECT_EQ(ssh::trust_host_key(store.file, "build.example", 22, kRsa).error(),
            "a different trusted host key already exists; forget it before retrusting");
  EXPECT_EQ(read_text(store.file), kOneEntry);

  ASSERT_TRUE(ssh::trust_host_key(store.file, "BUILD.example", 22, kRsa));
  ASSERT_TRUE(ssh::trust_host_key(store.file, "build.example", 2222, kRsa));
  EXPECT_EQ(ssh::forget_host_key(store.file, "build.example", 22), true);
  EXPECT_EQ(*ssh::load_store(store.file),
            (KnownHosts{{KnownHostEntry{"BUILD.example", 22, kRsa},
                         KnownHostEntry{"build.example", 2222, kRsa}}}));
  ASSERT_TRUE(ssh::trust_host_key(store.file, "build.example", 22, kRsa));
  EXPECT_EQ(ssh::verify_host_key(*ssh::load_store(store.file), "build.example", 22, kRsa),
            ssh::HostKeyVerdict(Trusted{}));
}

TEST(TrustPins, ForgetRemovesEveryDuplicateAndKeepsOrder) {
  StoreDir store;
  KnownHosts hand_edited{{KnownHostEntry{"a", 1, kEd}, KnownHostEntry{"h", 22, kEd},
                          KnownHostEntry{"b", 2, kEd}, KnownHostEntry{"h", 22, kRsa}}};
  ASSERT_TRUE(ssh::save_store(store.file, hand_edited));
  EXPECT_EQ(ssh::forget_host_key(store.file, "h", 22), true);
  EXPECT_EQ(*ssh::load_store(store.file),
            (KnownHosts{{KnownHostEntry{"a", 1, kEd}, KnownHostEntry{"b", 2, kEd}}}));
}

TEST(TrustPins, BadFilesAreRefusedAndNeverRewritten) {
  StoreDir store;
  struct Case {
    const char* text;
    unsigned mode;
    std::string error;  // empty: the JSON reader's own message
  } cases[] = {
      {"not json at all", 0600, ""},
      {R"({"entries": [{"host": 1, "port": 2, "identity": {}}]})", 0600, ""},
      {"{\"entries\": []}", 0644,
       "SSH host-key store must not be accessible to group or other users"},
  };
  for (const Case& c : cases) {
    write_text(store.file, c.text, c.mode);
    auto loaded = ssh::load_store(store.file);
    ASSERT_FALSE(loaded) << c.text;
    if (!c.error.empty()) {
      EXPECT_EQ(loaded.error(), c.error);
    }
    EXPECT_EQ(ssh::trust_host_key(store.file, "h", 22, kEd).error(), loaded.error());
    EXPECT_EQ(ssh::forget_host_key(store.file, "h", 22).error(), loaded.error());
    EXPECT_EQ(read_text(store.file), c.text);
    EXPECT_EQ(ssh_test::mode_of(store.file), c.mode);
    if (c.error.empty()) continue;
    EXPECT_EQ(ssh::save_store(store.file, KnownHosts{}).error(), c.error);
    EXPECT_EQ(read_text(store.file), c.text);
  }
}

TEST(TrustPins, LinkedStoreIsRefusedForReadingAndWriting) {
  StoreDir store;
  auto target = store.dir / "real.json";
  write_text(target, kOneEntry);
  ::symlink(target.c_str(), store.file.c_str());
  const std::string refused = "SSH host-key store must be a regular file";
  EXPECT_EQ(ssh::load_store(store.file).error(), refused);
  EXPECT_EQ(ssh::trust_host_key(store.file, "x", 1, kEd).error(), refused);
  EXPECT_EQ(ssh::forget_host_key(store.file, "build.example", 22).error(), refused);
  EXPECT_EQ(read_text(target), kOneEntry);
  EXPECT_TRUE(std::filesystem::is_symlink(store.file));
}

TEST(TrustPins, LooseDirectoryIsRefusedForReadingAndWriting) {
  StoreDir store;
  write_text(store.file, kOneEntry);
  ::chmod(store.dir.c_str(), 0755);
  const std::string refused =
      "SSH host-key store parent must not be accessible to group or other users";
  EXPECT_EQ(ssh::load_store(store.file).error(), refused);
  EXPECT_EQ(ssh::trust_host_key(store.file, "x", 1, kEd).error(), refused);
  EXPECT_EQ(ssh::save_store(store.file, KnownHosts{}).error(), refused);
  EXPECT_EQ(read_text(store.file), kOneEntry);
}

}  // namespace

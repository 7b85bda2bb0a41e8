// A real session against OpenSSH's sshd: observe the key, trust it, log in, type, read.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>

#include "ssh/screen_text.hpp"
#include "ssh/session.hpp"
#include "ssh/test_env.hpp"
#include "support/ssh_server_fixture.hpp"
#include "support/sshd_fixture.hpp"
#include "vt/drain.hpp"

namespace {

using Status = vexa::sys::SessionStatus;
using ssh_test::SshServerFixture;

std::vector<std::uint8_t> bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::string keygen_fingerprint(const std::filesystem::path& public_key) {
  std::string out;
  FILE* pipe = ::popen(("ssh-keygen -lf " + public_key.string()).c_str(), "r");
  std::array<char, 512> buffer{};
  while (pipe && std::fgets(buffer.data(), buffer.size(), pipe)) out += buffer.data();
  if (pipe) ::pclose(pipe);
  std::istringstream fields(out);
  std::string bits, fingerprint;
  fields >> bits >> fingerprint;
  return fingerprint;
}

struct SshdClient {
  ssh_test::SshdFixture& sshd;
  ssh_test::TempDir temp;
  std::filesystem::path store = temp / "known-hosts.json";
  std::unique_ptr<ssh::SshSession> session;

  explicit SshdClient(ssh_test::SshdFixture& server) : sshd(server) {
    ::chmod(temp.path().c_str(), 0700);
  }

  Status::Kind start(const std::string& key_type) {
    session = *ssh::start_ssh_session(
        ssh::SshTarget{"127.0.0.1", sshd.port(), sshd.user(),
                       ssh::KeyFileCredentials{sshd.user_key(key_type), std::nullopt}, store});
    SshServerFixture::wait_until(
        [&] { return session->status->get().kind != Status::Kind::Connecting; });
    return session->status->get().kind;
  }

  bool wait_screen(const std::string& text) {
    return SshServerFixture::wait_until([&] {
      vt::drain_output(session->output, *session->terminal);
      return ssh_test::screen_text(*session->terminal).find(text) != std::string::npos;
    });
  }
};

std::string algorithm_file_type(const std::string& algorithm) {
  if (algorithm == "ssh-ed25519") return "ed25519";
  if (algorithm.rfind("ecdsa-", 0) == 0) return "ecdsa";
  return "rsa";
}

TEST(SshdSession, TrustThenTypeACommandAndReadTheScreen) {
  ssh_test::SshdFixture sshd;
  SshdClient client(sshd);

  ASSERT_EQ(client.start("ed25519"), Status::Kind::Failed);
  auto verdict = ssh::ssh_verdict(*client.session);
  ASSERT_TRUE(verdict && std::holds_alternative<ssh::NeedsTrust>(*verdict))
      << client.session->status->get().text;
  const ssh::HostKeyIdentity observed = std::get<ssh::NeedsTrust>(*verdict).observed;
  EXPECT_EQ(observed.fingerprint,
            keygen_fingerprint(sshd.host_public_key(algorithm_file_type(observed.algorithm))));
  EXPECT_EQ(sshd.log().find("Accepted publickey"), std::string::npos);
  // Even a refused server is told goodbye properly (reason 11, by application).
  EXPECT_TRUE(SshServerFixture::wait_until([&] {
    return sshd.log().find("Received disconnect from 127.0.0.1") != std::string::npos;
  })) << sshd.log();

  ASSERT_TRUE(ssh::trust_host_key(client.store, "127.0.0.1", sshd.port(), observed));
  ASSERT_EQ(client.start("ed25519"), Status::Kind::Connected)
      << client.session->status->get().text << "\n"
      << sshd.log();

  // The shell's own echo shows the typed text; only the shell computes 42.
  auto ticket = *ssh::send_ssh_input_tracked(*client.session, bytes("echo $((6*7))-marker\r"));
  EXPECT_TRUE(client.wait_screen("42-marker")) << ssh_test::screen_text(*client.session->terminal);
  EXPECT_TRUE(SshServerFixture::wait_until(
      [&] { return ssh::poll_delivery(ticket).kind == ssh::DeliveryState::Kind::Acknowledged; }));

  ASSERT_TRUE(ssh::send_ssh_input(*client.session, bytes("exit\r")));
  EXPECT_TRUE(SshServerFixture::wait_until(
      [&] { return client.session->status->get().kind == Status::Kind::Ended; }));
  // The client says goodbye with reason 11, "disconnected by application".
  EXPECT_TRUE(SshServerFixture::wait_until([&] {
    const std::string log = sshd.log();
    return log.find("Received disconnect from 127.0.0.1") != std::string::npos &&
           log.find(":11: ") != std::string::npos;
  })) << sshd.log();
}

TEST(SshdSession, EveryClientKeyTypeLogsIn) {
  ssh_test::SshdFixture sshd;
  SshdClient client(sshd);
  ASSERT_EQ(client.start("ecdsa"), Status::Kind::Failed);
  const auto observed = std::get<ssh::NeedsTrust>(*ssh::ssh_verdict(*client.session)).observed;
  ASSERT_TRUE(ssh::trust_host_key(client.store, "127.0.0.1", sshd.port(), observed));
  for (const char* type : {"ed25519", "ecdsa", "rsa"}) {
    EXPECT_EQ(client.start(type), Status::Kind::Connected)
        << type << ": " << client.session->status->get().text;
  }
  // The RSA login above only works with a SHA-2 signature: this sshd refuses SHA-1 RSA.
  EXPECT_NE(sshd.log().find("Accepted publickey for " + sshd.user() + " from 127.0.0.1"),
            std::string::npos);
}

}  // namespace

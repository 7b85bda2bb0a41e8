// The SSH worker against the in-process test server.
#include "ssh/session.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>

#include "ssh/host_key.hpp"
#include "ssh/screen_text.hpp"
#include "ssh/test_env.hpp"
#include "support/ssh_server_fixture.hpp"
#include "vt/drain.hpp"

namespace {

using ssh_test::KeyKind;
using ssh_test::KeyPair;
using ssh_test::ServerOptions;
using ssh_test::SshServerFixture;
using Status = vexa::sys::SessionStatus;

std::vector<std::uint8_t> bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

template <typename Edit>
ServerOptions options(Edit edit) {
  ServerOptions chosen;
  edit(chosen);
  return chosen;
}

ssh::HostKeyIdentity identity_of(const KeyPair& key) {
  return ssh::host_key_identity(key.key());
}

// One client session with its own private trust store.
struct Client {
  ssh_test::TempDir temp;
  std::filesystem::path store;
  std::unique_ptr<ssh::SshSession> session;
  std::string output;

  Client() : store(temp / "store" / "known-hosts.json") {
    std::filesystem::create_directory(temp / "store");
    ::chmod((temp / "store").c_str(), 0700);
  }

  void pin(const SshServerFixture& server, const KeyPair& key) {
    ASSERT_TRUE(ssh::trust_host_key(store, "127.0.0.1", server.port(), identity_of(key)));
  }

  ssh::SshTarget target(const SshServerFixture& server, ssh::SshCredentials credentials) {
    return ssh::SshTarget{"127.0.0.1", server.port(), "tester", std::move(credentials), store};
  }

  void start(ssh::SshTarget target) { session = *ssh::start_ssh_session(std::move(target)); }
  void start_password(const SshServerFixture& server,
                      const std::string& password = "correct horse") {
    start(target(server, ssh::PasswordCredentials{password}));
  }

  Status status() const { return session->status->get(); }

  bool wait_status(Status::Kind kind) {
    return SshServerFixture::wait_until([&] { return status().kind == kind; });
  }
  // Drains like the UI does at each frame, until `text` has arrived.
  bool wait_output(const std::string& text) {
    return SshServerFixture::wait_until([&] {
      drain();
      return output.find(text) != std::string::npos;
    });
  }
  void drain() {
    while (auto chunk = session->output.try_recv()) output.append(chunk->begin(), chunk->end());
  }
  void send(const std::string& text) { ASSERT_TRUE(ssh::send_ssh_input(*session, bytes(text))); }
};

TEST(SshSession, UnpinnedKeyIsRefusedBeforeAnyAuthentication) {
  for (KeyKind kind : {KeyKind::Ed25519, KeyKind::Ecdsa, KeyKind::Rsa}) {
    SshServerFixture server(options([&](ServerOptions& o) { o.host_key = kind; }));
    Client client;
    client.start_password(server);
    ASSERT_TRUE(client.wait_status(Status::Kind::Failed));
    const ssh::HostKeyIdentity observed = identity_of(*server.host_key());
    EXPECT_EQ(client.status().text,
              fmt::format("SSH host key for 127.0.0.1:{} needs explicit trust: {} {}",
                          server.port(), observed.algorithm, observed.fingerprint));
    EXPECT_EQ(ssh::ssh_verdict(*client.session), ssh::HostKeyVerdict(ssh::NeedsTrust{observed}));
    EXPECT_EQ(server.auth_attempts(), 0);
    EXPECT_FALSE(std::filesystem::exists(client.store)) << "a connection never pins";
  }
}

TEST(SshSession, PinnedKeyConnectsWithATerminal) {
  SshServerFixture server(options([&](ServerOptions& o) { o.greeting = "welcome$ "; }));
  Client client;
  client.pin(server, *server.host_key());
  client.start_password(server);
  ASSERT_TRUE(client.wait_status(Status::Kind::Connected)) << client.status().text;
  ASSERT_TRUE(client.wait_output("welcome$ "));
  EXPECT_FALSE(ssh::ssh_verdict(*client.session));
  const ssh_test::PtyRequest pty = server.last_pty();
  EXPECT_EQ(pty.term, "xterm-256color");
  EXPECT_EQ(pty.columns, 80);
  EXPECT_EQ(pty.rows, 24);
}

TEST(SshSession, ChangedKeyIsRefused) {
  SshServerFixture server;
  Client client;
  const auto pinned = server.host_key();
  client.pin(server, *pinned);
  server.replace_host_key();
  client.start_password(server);
  ASSERT_TRUE(client.wait_status(Status::Kind::Failed));
  const auto expected = identity_of(*pinned);
  const auto observed = identity_of(*server.host_key());
  EXPECT_EQ(client.status().text,
            fmt::format("SSH host key changed for 127.0.0.1:{}. Expected {} {}; received {} {}. "
                        "Connection blocked.",
                        server.port(), expected.algorithm, expected.fingerprint, observed.algorithm,
                        observed.fingerprint));
  EXPECT_EQ(ssh::ssh_verdict(*client.session),
            ssh::HostKeyVerdict(ssh::Changed{expected, observed}));
  EXPECT_EQ(server.auth_attempts(), 0);
}

TEST(SshSession, UnreadableStoreRefusesTheConnection) {
  SshServerFixture server;
  Client client;
  client.pin(server, *server.host_key());
  ::chmod(client.store.c_str(), 0644);
  client.start_password(server);
  ASSERT_TRUE(client.wait_status(Status::Kind::Failed));
  const std::string reason = "SSH host-key store must not be accessible to group or other users";
  EXPECT_EQ(client.status().text, "SSH host-key store is unavailable: " + reason);
  EXPECT_EQ(ssh::ssh_verdict(*client.session), ssh::HostKeyVerdict(ssh::StoreUnavailable{reason}));
  EXPECT_EQ(server.auth_attempts(), 0);
}

TEST(SshSession, ConnectFailureNamesTheLibraryError) {
  std::uint16_t closed_port = 0;
  {
    SshServerFixture gone;
    closed_port = gone.port();
  }
  Client client;
  client.start(ssh::SshTarget{"127.0.0.1", closed_port, "tester", ssh::PasswordCredentials{"x"},
                              client.store});
  ASSERT_TRUE(client.wait_status(Status::Kind::Failed));
  EXPECT_EQ(client.status().text.rfind("connect: ", 0), 0u) << client.status().text;
  EXPECT_FALSE(ssh::ssh_verdict(*client.session));
}

// A peer that completes TCP but never says a word, then resets: the worker is stuck in the
// handshake while input is queued, so that input can only be lost, never delivered.
TEST(SshSession, InputQueuedForAWorkerThatFailsIsReportedLost) {
  int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

  Client client;
  client.start(ssh::SshTarget{"127.0.0.1", ntohs(address.sin_port), "tester",
                              ssh::PasswordCredentials{"x"}, client.store});
  auto ticket = *ssh::send_ssh_input_tracked(*client.session, bytes("never written"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(client.status().kind, Status::Kind::Connecting);
  EXPECT_EQ(ssh::poll_delivery(ticket).kind, ssh::DeliveryState::Kind::Waiting);

  ::close(listener);  // resets the connection nobody accepted
  ASSERT_TRUE(client.wait_status(Status::Kind::Failed));
  EXPECT_EQ(client.status().text.rfind("connect: ", 0), 0u) << client.status().text;
  EXPECT_TRUE(SshServerFixture::wait_until(
      [&] { return ssh::poll_delivery(ticket).kind == ssh::DeliveryState::Kind::WorkerLost; }));
  EXPECT_EQ(ssh::send_ssh_input(*client.session, bytes("x")).error(),
            "SSH session input channel is closed");
}

TEST(SshSession, RejectedPasswordFails) {
  SshServerFixture server;
  Client client;
  client.pin(server, *server.host_key());
  client.start_password(server, "wrong");
  ASSERT_TRUE(client.wait_status(Status::Kind::Failed));
  EXPECT_EQ(client.status().text, "Authentication failed");
  EXPECT_EQ(server.auth_attempts(), 1) << "one method, no fallback";
  EXPECT_EQ(server.shells(), 0);
}

TEST(SshSession, KeyFileAuthentication) {
  ssh_test::TempDir keys;
  auto authorized = KeyPair::shared(KeyKind::Ed25519);
  SshServerFixture server(options([&](ServerOptions& o) { o.authorized_key = authorized; }));
  authorized->write_private(keys / "plain");
  authorized->write_private(keys / "locked", std::string("open sesame"));
  KeyPair::shared(KeyKind::Ecdsa)->write_private(keys / "stranger");
  const std::string undecodable_locked =
      "cannot decode the private key (encrypted without a passphrase, or unsupported format)";
  const std::string wrong_passphrase =
      "cannot decode the private key (wrong passphrase or unsupported format)";
  struct Case {
    std::string file;
    std::optional<std::string> passphrase;
    std::string failure;  // empty: connects
  } cases[] = {
      {"plain", std::nullopt, ""},
      {"plain", "ignored for a plain key", ""},
      {"locked", "open sesame", ""},
      {"locked", std::nullopt, "load key {}: " + undecodable_locked},
      {"locked", "guess", "load key {}: " + wrong_passphrase},
      {"missing", std::nullopt, "load key {}: No such file or directory"},
      {"stranger", std::nullopt, "Authentication failed"},
  };
  for (const Case& c : cases) {
    Client client;
    client.pin(server, *server.host_key());
    const auto path = keys / c.file;
    client.start(client.target(server, ssh::KeyFileCredentials{path, c.passphrase}));
    if (c.failure.empty()) {
      EXPECT_TRUE(client.wait_status(Status::Kind::Connected))
          << c.file << ": " << client.status().text;
    } else {
      ASSERT_TRUE(client.wait_status(Status::Kind::Failed)) << c.file;
      EXPECT_EQ(client.status().text, fmt::format(fmt::runtime(c.failure), path.string()));
    }
  }
}

TEST(SshSession, KeyTypesLogIn) {
  ssh_test::TempDir keys;
  const std::pair<KeyKind, KeyKind> cases[] = {{KeyKind::Ecdsa, KeyKind::Ecdsa},
                                               {KeyKind::Rsa, KeyKind::Ed25519},
                                               {KeyKind::Ed25519, KeyKind::Ecdsa}};
  for (auto [host, kind] : cases) {
    auto authorized = KeyPair::shared(kind);
    SshServerFixture server(options([&](ServerOptions& o) {
      o.host_key = host;
      o.authorized_key = authorized;
    }));
    authorized->write_private(keys / "id");
    Client client;
    client.pin(server, *server.host_key());
    client.start(client.target(server, ssh::KeyFileCredentials{keys / "id", std::nullopt}));
    EXPECT_TRUE(client.wait_status(Status::Kind::Connected))
        << static_cast<int>(kind) << ": " << client.status().text;
  }
}

TEST(SshSession, LockedKeyIsReadOnlyAfterTheServerKeyIsTrusted) {
  ssh_test::TempDir keys;
  KeyPair::shared(KeyKind::Ed25519)->write_private(keys / "locked", std::string("pw"));
  SshServerFixture server;
  Client client;
  client.start(client.target(server, ssh::KeyFileCredentials{keys / "locked", std::nullopt}));
  ASSERT_TRUE(client.wait_status(Status::Kind::Failed));
  EXPECT_EQ(client.status().text.rfind("SSH host key for", 0), 0u) << client.status().text;
}

TEST(SshSession, StandardErrorReachesTheTerminal) {
  SshServerFixture server(options([&](ServerOptions& o) { o.echo = false; }));
  Client client;
  client.pin(server, *server.host_key());
  client.start_password(server);
  ASSERT_TRUE(client.wait_status(Status::Kind::Connected));
  client.send("err something broke\r");
  // Through the terminal, the way the UI drains it at the start of a frame.
  EXPECT_TRUE(SshServerFixture::wait_until([&] {
    vt::drain_output(client.session->output, *client.session->terminal);
    return ssh_test::screen_text(*client.session->terminal).starts_with("something broke\n");
  })) << ssh_test::screen_text(*client.session->terminal);
  EXPECT_EQ(client.session->terminal->width(), 80u);
  EXPECT_EQ(client.session->terminal->height(), 24u);
}

TEST(SshSession, RemoteEndLeadsToEnded) {
  for (const char* command : {"exit\r", "close\r"}) {
    SshServerFixture server(options([&](ServerOptions& o) { o.echo = false; }));
    Client client;
    client.pin(server, *server.host_key());
    client.start_password(server);
    ASSERT_TRUE(client.wait_status(Status::Kind::Connected));
    client.send(command);
    EXPECT_TRUE(client.wait_status(Status::Kind::Ended)) << command;
    // Once the worker is gone, input is refused as closed.
    EXPECT_TRUE(SshServerFixture::wait_until([&] {
      auto sent = ssh::send_ssh_input(*client.session, bytes("late"));
      return !sent && sent.error() == "SSH session input channel is closed";
    })) << command;
  }
}

TEST(SshSession, InputArrivesInOrderAndIsAcknowledged) {
  SshServerFixture server;
  Client client;
  client.pin(server, *server.host_key());
  client.start_password(server);
  ASSERT_TRUE(client.wait_status(Status::Kind::Connected));
  std::vector<ssh::DeliveryTicket> tickets;
  std::string expected;
  for (int i = 0; i < 200; ++i) {
    const std::string piece = "<" + std::to_string(i) + ">";
    expected += piece;
    if (i % 3 == 0) {
      tickets.push_back(*ssh::send_ssh_input_tracked(*client.session, bytes(piece)));
    } else {
      client.send(piece);
    }
  }
  // Drain as the UI does every frame: the echoes would otherwise fill the output queue and,
  // by design, hold the worker (and the input behind it) until there is room.
  ASSERT_TRUE(SshServerFixture::wait_until([&] {
    client.drain();
    return server.received() == expected;
  })) << server.received();
  for (auto& ticket : tickets) {
    EXPECT_TRUE(SshServerFixture::wait_until(
        [&] { return ssh::poll_delivery(ticket).kind == ssh::DeliveryState::Kind::Acknowledged; }));
  }
  EXPECT_TRUE(client.wait_output(expected)) << "the server echoes what it got";
}

// The worker's thread id, found by its name once it is the only one: workers of earlier tests
// in this process end on their own, shortly after their handles went away.
pid_t worker_thread() {
  pid_t found = -1;
  SshServerFixture::wait_until([&] {
    std::vector<pid_t> workers;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
      std::string name;
      std::getline(std::ifstream(task.path() / "comm"), name);
      if (name == "remote-ssh")
        workers.push_back(static_cast<pid_t>(std::stol(task.path().filename())));
    }
    found = workers.size() == 1 ? workers.front() : -1;
    return found > 0;
  });
  return found;
}

// True once the worker is held by a full output queue. A full queue alone is not enough: the
// worker may have queued the last chunk and be waiting in its poll with nothing more to deliver,
// and then it still takes input. Only with one more chunk in hand does it wait for room, parked
// in a futex wait; nothing else parks it there while output is pending.
bool worker_waits_for_room(const ssh::SshSession& session, pid_t worker) {
  if (session.output.len() != ssh::kOutputQueueCapacity) return false;
  std::string call;
  std::ifstream(fmt::format("/proc/self/task/{}/syscall", worker)) >> call;
  return call == std::to_string(SYS_futex);
}

TEST(SshSession, FloodWhileNothingDrainsLosesNoByte) {
  constexpr std::uint64_t kTotal = 24 << 20;
  SshServerFixture server(options([&](ServerOptions& o) { o.echo = false; }));
  Client client;
  client.pin(server, *server.host_key());
  client.start_password(server);
  ASSERT_TRUE(client.wait_status(Status::Kind::Connected));
  client.send(fmt::format("flood {}\r", kTotal));

  // Nobody drains: the worker stops at 128 chunks and, waiting for room, no longer reads its
  // input either.
  const auto patient = std::chrono::seconds(60);  // sanitizer builds on a busy machine
  const pid_t worker = worker_thread();
  ASSERT_GT(worker, 0);
  ASSERT_TRUE(SshServerFixture::wait_until(
      [&] { return worker_waits_for_room(*client.session, worker); }, patient));
  auto ticket = *ssh::send_ssh_input_tracked(*client.session, bytes("first\r"));
  for (int i = 1; i < 256; ++i) client.send("x");
  const auto refused = ssh::send_ssh_input(*client.session, bytes("y"));
  ASSERT_FALSE(refused) << "the worker took input while it should wait for room";
  EXPECT_EQ(refused.error(), "SSH input is busy; wait for the remote session to catch up");
  EXPECT_EQ(ssh::poll_delivery(ticket).kind, ssh::DeliveryState::Kind::Waiting);
  EXPECT_EQ(client.session->output.len(), ssh::kOutputQueueCapacity);

  std::uint64_t offset = 0;
  std::uint64_t mismatches = 0;
  ASSERT_TRUE(SshServerFixture::wait_until(
      [&] {
        while (auto chunk = client.session->output.try_recv()) {
          for (std::uint8_t byte : *chunk) mismatches += byte != ssh_test::flood_byte(offset++);
        }
        return offset >= kTotal;
      },
      patient));
  EXPECT_EQ(offset, kTotal);
  EXPECT_EQ(mismatches, 0u);
  EXPECT_TRUE(SshServerFixture::wait_until(
      [&] { return ssh::poll_delivery(ticket).kind == ssh::DeliveryState::Kind::Acknowledged; },
      patient));
  const std::string typed = fmt::format("flood {}\rfirst\r{}", kTotal, std::string(255, 'x'));
  EXPECT_TRUE(SshServerFixture::wait_until([&] { return server.received() == typed; }, patient));
}

// Bursts of output end with their last packet decoded inside the library by whichever call
// happened to read the socket; it must still reach the queue, and input typed afterwards, while
// the remote is silent, must still leave rather than wait for the remote to speak.
TEST(SshSession, RepeatedBurstsArriveWholeAndLaterInputFlows) {
  SshServerFixture server(options([&](ServerOptions& o) { o.echo = false; }));
  Client client;
  client.pin(server, *server.host_key());
  client.start_password(server);
  ASSERT_TRUE(client.wait_status(Status::Kind::Connected));
  for (int round = 1; round <= 3; ++round) {
    client.send("flood 4194304\r");
    std::size_t total = 0;
    ASSERT_TRUE(SshServerFixture::wait_until([&] {
      while (auto chunk = client.session->output.try_recv()) total += chunk->size();
      return total == 4194304;
    })) << round
        << " got " << total << " server saw " << server.received().size()
        << " bytes of input, queue " << client.session->input.len();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  client.send("err typed later\r");
  EXPECT_TRUE(client.wait_output("typed later")) << "input stuck in the library's buffer";
}

TEST(SshSession, DroppingTheHandleEndsTheRemoteShell) {
  SshServerFixture server;
  Client client;
  client.pin(server, *server.host_key());
  client.start_password(server);
  ASSERT_TRUE(client.wait_status(Status::Kind::Connected));
  auto status = client.session->status;
  client.session.reset();
  EXPECT_TRUE(
      SshServerFixture::wait_until([&] { return status->get().kind == Status::Kind::Ended; }));
}

TEST(SshSession, DroppingTheHandleReleasesAWorkerWaitingForRoom) {
  SshServerFixture server(options([&](ServerOptions& o) { o.echo = false; }));
  Client client;
  client.pin(server, *server.host_key());
  client.start_password(server);
  ASSERT_TRUE(client.wait_status(Status::Kind::Connected));
  client.send("flood 67108864\r");
  const pid_t worker = worker_thread();
  ASSERT_GT(worker, 0);
  ASSERT_TRUE(
      SshServerFixture::wait_until([&] { return worker_waits_for_room(*client.session, worker); }));
  auto status = client.session->status;
  client.session.reset();
  EXPECT_TRUE(SshServerFixture::wait_until(
      [&] { return status->get().kind == Status::Kind::Ended; }, std::chrono::seconds(60)));
}

TEST(SshSession, ASignalOnTheWorkerDoesNotEndTheSession) {
  struct sigaction quiet {};
  quiet.sa_handler = [](int) {};  // no SA_RESTART: the worker's poll is interrupted
  struct sigaction previous {};
  ::sigaction(SIGUSR1, &quiet, &previous);
  SshServerFixture server;
  Client client;
  client.pin(server, *server.host_key());
  client.start_password(server);
  ASSERT_TRUE(client.wait_status(Status::Kind::Connected));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it settle in its wait
  const pid_t worker = worker_thread();
  ASSERT_GT(worker, 0);
  ::syscall(SYS_tgkill, ::getpid(), worker, SIGUSR1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(client.status().kind, Status::Kind::Connected);
  client.send("still here\r");
  EXPECT_TRUE(client.wait_output("still here"));
  ::sigaction(SIGUSR1, &previous, nullptr);
}

TEST(SshSession, IdleConnectionIsClosed) {
  SshServerFixture server;
  Client client;
  client.pin(server, *server.host_key());
  auto target = client.target(server, ssh::PasswordCredentials{"correct horse"});
  target.idle_timeout = std::chrono::milliseconds(300);
  client.start(std::move(target));
  ASSERT_TRUE(client.wait_status(Status::Kind::Connected));
  EXPECT_TRUE(client.wait_status(Status::Kind::Ended));
}

}  // namespace

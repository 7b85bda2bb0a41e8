#include "support/ssh_server_fixture.hpp"

#include <libssh/server.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>

#include <algorithm>
#include <stdexcept>

namespace ssh_test {

namespace {

void import_host_key(ssh_bind bind, const KeyPair& key) {
  if (ssh_bind_options_set(bind, SSH_BIND_OPTIONS_IMPORT_KEY, key.copy()) != SSH_OK) {
    throw std::runtime_error("cannot set the test server's host key");
  }
}

std::uint16_t bound_port(ssh_bind bind) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  ::getsockname(ssh_bind_get_fd(bind), reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

}  // namespace

SshServerFixture::SshServerFixture(ServerOptions options) : options_(std::move(options)) {
  host_key_ = KeyPair::generate(options_.host_key);
  bind_ = ssh_bind_new();
  const int port = 0;
  ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_BINDADDR, "127.0.0.1");
  ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_BINDPORT, &port);
  import_host_key(bind_, *host_key_);
  if (ssh_bind_listen(bind_) != SSH_OK) {
    throw std::runtime_error(std::string("test server cannot listen: ") + ssh_get_error(bind_));
  }
  port_ = bound_port(bind_);
  acceptor_ = std::thread([this] { accept_loop(); });
}

SshServerFixture::~SshServerFixture() {
  stopping_ = true;
  acceptor_.join();
  {
    // Unblocks connection threads that wait on a peer which stopped reading.
    std::lock_guard lock(mutex_);
    for (int fd : live_fds_) ::shutdown(fd, SHUT_RDWR);
  }
  for (std::thread& thread : threads_) thread.join();
  ssh_bind_free(bind_);
}

std::shared_ptr<KeyPair> SshServerFixture::host_key() const {
  std::lock_guard lock(mutex_);
  return host_key_;
}

void SshServerFixture::replace_host_key() {
  auto fresh = KeyPair::generate(options_.host_key);
  std::lock_guard lock(mutex_);
  import_host_key(bind_, *fresh);
  host_key_ = fresh;
}

PtyRequest SshServerFixture::last_pty() const {
  std::lock_guard lock(mutex_);
  return last_pty_;
}

std::string SshServerFixture::last_cipher() const {
  std::lock_guard lock(mutex_);
  return last_cipher_;
}

std::string SshServerFixture::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

bool SshServerFixture::wait_until(const std::function<bool()>& done,
                                  std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void SshServerFixture::accept_loop() {
  while (!stopping_) {
    pollfd waiting{ssh_bind_get_fd(bind_), POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    ssh_session session = ssh_new();
    std::lock_guard lock(mutex_);  // the bind's key may be replaced concurrently
    if (ssh_bind_accept(bind_, session) != SSH_OK) {
      ssh_free(session);
      continue;
    }
    ++connections_;
    live_fds_.push_back(ssh_get_fd(session));
    threads_.emplace_back([this, session] { serve(session); });
  }
}

void SshServerFixture::serve(ssh_session session) {
  // Named so that benchmarks can tell the server's CPU time from the client's.
  ::pthread_setname_np(::pthread_self(), kServeThreadName);
  const long timeout = 30;
  ssh_options_set(session, SSH_OPTIONS_TIMEOUT, &timeout);
  // Like sshd once a pty is granted: interactive traffic is not held back for coalescing.
  const int on = 1;
  ::setsockopt(ssh_get_fd(session), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  ssh_channel channel = nullptr;
  if (ssh_handle_key_exchange(session) == SSH_OK && authenticate_and_open(session, &channel)) {
    {
      std::lock_guard lock(mutex_);
      last_cipher_ = ssh_get_cipher_out(session) ? ssh_get_cipher_out(session) : "";
    }
    run_shell(session, channel);
    // Like a real server, let the client read the channel's end and leave first: a disconnect
    // right behind the last data could overtake the client's reading of it.
    if (ssh_is_connected(session)) {
      pollfd peer{ssh_get_fd(session), POLLIN, 0};
      ::poll(&peer, 1, 2000);
    }
  }
  {
    std::lock_guard lock(mutex_);
    std::erase(live_fds_, ssh_get_fd(session));
  }
  ssh_disconnect(session);
  ssh_free(session);
}

}  // namespace ssh_test

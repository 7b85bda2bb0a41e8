#include "ssh/connect.hpp"

#include <fcntl.h>
#include <fmt/format.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ssh/host_key.hpp"

namespace ssh {

namespace {

constexpr long kIdleSeconds = 3600;
constexpr std::size_t kMaxKeyFileBytes = 1 << 20;

std::string library_error(ssh_session session) {
  return ssh_get_error(session);
}

Step configure(ssh_session session, const SshTarget& target) {
  const unsigned int port = target.port;
  const long timeout = kIdleSeconds;
  bool process_config = false;
  // A terminal sends keystrokes one small packet at a time; coalescing them adds latency.
  const int nodelay = 1;
  // Host first: libssh would take a "user@" prefix from it, the explicit user wins after.
  // The user's OpenSSH files must not redirect the host or reorder host-key preferences: the
  // trust decision is ours alone and keyed by the profile's host.
  if (ssh_options_set(session, SSH_OPTIONS_HOST, target.host.c_str()) < 0 ||
      ssh_options_set(session, SSH_OPTIONS_PORT, &port) < 0 ||
      ssh_options_set(session, SSH_OPTIONS_USER, target.user.c_str()) < 0 ||
      ssh_options_set(session, SSH_OPTIONS_TIMEOUT, &timeout) < 0 ||
      ssh_options_set(session, SSH_OPTIONS_PROCESS_CONFIG, &process_config) < 0 ||
      ssh_options_set(session, SSH_OPTIONS_KNOWNHOSTS, "/dev/null") < 0 ||
      ssh_options_set(session, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, "/dev/null") < 0 ||
      ssh_options_set(session, SSH_OPTIONS_NODELAY, &nodelay) < 0) {
    return std::unexpected("connect: " + library_error(session));
  }
  return {};
}

HostKeyVerdict check_server_key(ssh_session session, const SshTarget& target) {
  ssh_key key = nullptr;
  if (ssh_get_server_publickey(session, &key) != SSH_OK) {
    return StoreUnavailable{"the server presented no host key"};
  }
  const HostKeyIdentity observed = host_key_identity(key);
  ssh_key_free(key);
  return verify_host_key(load_store(target.store_path), target.host, target.port, observed);
}

std::expected<std::string, std::string> read_key_file(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::unexpected(std::string(std::strerror(errno)));
  std::string text;
  char buffer[8192];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::string error = std::strerror(errno);
      ::close(fd);
      return std::unexpected(error);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    // A key is a few kilobytes; a device or a huge file is not a key.
    if (text.size() > kMaxKeyFileBytes) {
      ::close(fd);
      return std::unexpected(std::string("file is too large to be a private key"));
    }
  }
  ::close(fd);
  return text;
}

std::expected<ssh_key, std::string> load_key(const KeyFileCredentials& credentials) {
  const std::string& path = credentials.path.string();
  auto text = read_key_file(credentials.path);
  if (!text) return std::unexpected(fmt::format("load key {}: {}", path, text.error()));
  ssh_key key = nullptr;
  const char* passphrase = credentials.passphrase ? credentials.passphrase->c_str() : nullptr;
  if (ssh_pki_import_privkey_base64(text->c_str(), passphrase, nullptr, nullptr, &key) != SSH_OK) {
    return std::unexpected(fmt::format(
        "load key {}: {}", path,
        passphrase ? "cannot decode the private key (wrong passphrase or unsupported format)"
                   : "cannot decode the private key (encrypted without a passphrase, or "
                     "unsupported format)"));
  }
  return key;
}

Step auth_result(ssh_session session, int rc) {
  if (rc == SSH_AUTH_SUCCESS) return {};
  if (rc == SSH_AUTH_ERROR) return std::unexpected(library_error(session));
  return std::unexpected(std::string("Authentication failed"));
}

}  // namespace

Step connect_and_check(ssh_session session, const SshTarget& target, const VerdictCell& verdict) {
  if (auto configured = configure(session, target); !configured) return configured;
  if (ssh_connect(session) != SSH_OK) {
    return std::unexpected("connect: " + library_error(session));
  }
  HostKeyVerdict observed = check_server_key(session, target);
  if (std::holds_alternative<Trusted>(observed)) return {};
  verdict->set(observed);
  say_goodbye(session);
  return std::unexpected(verdict_message(observed, target.host, target.port));
}

Step authenticate(ssh_session session, const SshTarget& target) {
  if (const auto* password = std::get_if<PasswordCredentials>(&target.credentials)) {
    return auth_result(session,
                       ssh_userauth_password(session, nullptr, password->password.c_str()));
  }
  auto key = load_key(std::get<KeyFileCredentials>(target.credentials));
  if (!key) return std::unexpected(key.error());
  const int rc = ssh_userauth_publickey(session, nullptr, *key);
  ssh_key_free(*key);
  return auth_result(session, rc);
}

std::expected<ChannelPtr, std::string> open_shell(ssh_session session, const SshTarget& target) {
  ChannelPtr channel(ssh_channel_new(session));
  if (!channel) return std::unexpected(library_error(session));
  if (ssh_channel_open_session(channel.get()) != SSH_OK ||
      ssh_channel_request_pty_size(channel.get(), "xterm-256color", target.columns, target.rows) !=
          SSH_OK ||
      ssh_channel_request_shell(channel.get()) != SSH_OK) {
    return std::unexpected(library_error(session));
  }
  return channel;
}

void say_goodbye(ssh_session session) {
  if (!ssh_is_connected(session)) return;
  // libssh writes a packet at once only when its own poll has seen the socket writable since
  // its last write, and ssh_disconnect closes the socket right after queueing its message.
  // Two zero-timeout polls flush what is queued and leave the socket marked writable, so the
  // disconnect message really leaves instead of dying in the buffer.
  if (ssh_event event = ssh_event_new()) {
    if (ssh_event_add_session(event, session) == SSH_OK) {
      ssh_event_dopoll(event, 0);
      ssh_event_dopoll(event, 0);
      ssh_event_remove_session(event, session);
    }
    ssh_event_free(event);
  }
  ssh_disconnect(session);
}

}  // namespace ssh

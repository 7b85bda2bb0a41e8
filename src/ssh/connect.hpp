#pragma once
// The phases of bringing up an SSH shell, each returning the failure text the session shows.
#include <libssh/libssh.h>

#include <expected>
#include <memory>
#include <string>

#include "ssh/session.hpp"

namespace ssh {

struct SessionDeleter {
  void operator()(ssh_session session) const { ssh_free(session); }
};
struct ChannelDeleter {
  void operator()(ssh_channel channel) const { ssh_channel_free(channel); }
};
using SessionPtr = std::unique_ptr<ssh_session_struct, SessionDeleter>;
using ChannelPtr = std::unique_ptr<ssh_channel_struct, ChannelDeleter>;

using Step = std::expected<void, std::string>;

// TCP and key exchange, then the server key against the trust store; nothing about the user
// is sent before the key is trusted. A refused key leaves its verdict in `verdict`.
Step connect_and_check(ssh_session session, const SshTarget& target, const VerdictCell& verdict);

// One method only, the one the credentials name; no fallback and no prompt.
Step authenticate(ssh_session session, const SshTarget& target);

std::expected<ChannelPtr, std::string> open_shell(ssh_session session, const SshTarget& target);

// Sends the disconnect message (reason 11, by application) and closes the connection.
void say_goodbye(ssh_session session);

}  // namespace ssh

// The test server's login, channel set-up and scripted shell. libssh marks its message API
// deprecated in favour of callbacks, but a request-by-request loop is the plainest script.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <libssh/server.h>

#include <cstdlib>

#include "support/ssh_server_fixture.hpp"

namespace ssh_test {

namespace {

bool key_accepted(ssh_message message, const std::shared_ptr<KeyPair>& authorized) {
  return authorized &&
         ssh_key_cmp(ssh_message_auth_pubkey(message), authorized->key(), SSH_KEY_CMP_PUBLIC) == 0;
}

// Answers one userauth request; true once the user is in.
bool answer_auth(ssh_message message, const ServerOptions& options) {
  const bool user_ok = options.user == ssh_message_auth_user(message);
  switch (ssh_message_subtype(message)) {
    case SSH_AUTH_METHOD_PASSWORD:
      if (user_ok && options.password == ssh_message_auth_password(message)) {
        ssh_message_auth_reply_success(message, 0);
        return true;
      }
      break;
    case SSH_AUTH_METHOD_PUBLICKEY:
      if (user_ok && key_accepted(message, options.authorized_key)) {
        if (ssh_message_auth_publickey_state(message) == SSH_PUBLICKEY_STATE_NONE) {
          ssh_message_auth_reply_pk_ok_simple(message);
          return false;
        }
        if (ssh_message_auth_publickey_state(message) == SSH_PUBLICKEY_STATE_VALID) {
          ssh_message_auth_reply_success(message, 0);
          return true;
        }
      }
      break;
    default:
      break;
  }
  ssh_message_auth_set_methods(message, SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_PUBLICKEY);
  ssh_message_reply_default(message);
  return false;
}

}  // namespace

bool SshServerFixture::authenticate_and_open(ssh_session session, ssh_channel* channel) {
  bool shell = false;
  while (!shell) {
    ssh_message message = ssh_message_get(session);
    if (!message) return false;
    const int type = ssh_message_type(message);
    const int subtype = ssh_message_subtype(message);
    if (type == SSH_REQUEST_AUTH) {
      ++auth_attempts_;
      answer_auth(message, options_);
    } else if (type == SSH_REQUEST_CHANNEL_OPEN && subtype == SSH_CHANNEL_SESSION && !*channel) {
      *channel = ssh_message_channel_request_open_reply_accept(message);
    } else if (type == SSH_REQUEST_CHANNEL && subtype == SSH_CHANNEL_REQUEST_PTY) {
      {
        std::lock_guard lock(mutex_);
        last_pty_ = {ssh_message_channel_request_pty_term(message),
                     ssh_message_channel_request_pty_width(message),
                     ssh_message_channel_request_pty_height(message)};
      }
      ssh_message_channel_request_reply_success(message);
    } else if (type == SSH_REQUEST_CHANNEL && subtype == SSH_CHANNEL_REQUEST_SHELL) {
      ssh_message_channel_request_reply_success(message);
      shell = true;
    } else {
      ssh_message_reply_default(message);
    }
    ssh_message_free(message);
  }
  return *channel != nullptr;
}

void SshServerFixture::run_shell(ssh_session, ssh_channel channel) {
  ++shells_;
  if (!options_.greeting.empty()) {
    ssh_channel_write(channel, options_.greeting.data(),
                      static_cast<std::uint32_t>(options_.greeting.size()));
  }
  std::string line;
  char buffer[4096];
  bool done = false;
  while (!done && !stopping_) {
    const int n = ssh_channel_read_timeout(channel, buffer, sizeof buffer, 0, 50);
    if (n == SSH_ERROR) return;
    if (n == 0) {
      if (ssh_channel_is_eof(channel) || ssh_channel_is_closed(channel)) break;
      continue;
    }
    {
      std::lock_guard lock(mutex_);
      received_.append(buffer, static_cast<std::size_t>(n));
    }
    if (options_.echo) ssh_channel_write(channel, buffer, static_cast<std::uint32_t>(n));
    for (int i = 0; i < n && !done; ++i) {
      if (buffer[i] != '\r' && buffer[i] != '\n') {
        line += buffer[i];
        continue;
      }
      run_command(channel, line, &done);
      line.clear();
    }
  }
  if (!ssh_channel_is_closed(channel)) ssh_channel_close(channel);
}

void SshServerFixture::run_command(ssh_channel channel, const std::string& line, bool* done) {
  if (line.rfind("err ", 0) == 0) {
    const std::string text = line.substr(4) + "\r\n";
    ssh_channel_write_stderr(channel, text.data(), static_cast<std::uint32_t>(text.size()));
  } else if (line.rfind("flood ", 0) == 0) {
    const std::uint64_t total = std::strtoull(line.c_str() + 6, nullptr, 10);
    // The pattern repeats every 1664 bytes: one period plus a piece, cut at any offset.
    constexpr std::size_t kPeriod = 64 * 26;
    constexpr std::size_t kPiece = 32 * 1024;
    std::string pattern(kPeriod + kPiece, '\0');
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<char>(flood_byte(i));
    for (std::uint64_t offset = 0; offset < total;) {
      const std::size_t size =
          static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, total - offset));
      const char* piece = pattern.data() + offset % kPeriod;
      // libssh may write less than asked (it gives up waiting for window after a while).
      for (std::size_t done = 0; done < size;) {
        const int n =
            ssh_channel_write(channel, piece + done, static_cast<std::uint32_t>(size - done));
        if (n < 0 || stopping_ || ssh_channel_is_closed(channel)) return;
        done += static_cast<std::size_t>(n);
      }
      offset += size;
    }
    // libssh may hold the last packet until its next poll; send it before going quiet.
    ssh_blocking_flush(ssh_channel_get_session(channel), 10000);
  } else if (line == "exit") {
    ssh_channel_request_send_exit_status(channel, 0);
    ssh_channel_send_eof(channel);
    ssh_channel_close(channel);
    *done = true;
  } else if (line == "close") {
    ssh_channel_close(channel);
    *done = true;
  }
}

}  // namespace ssh_test

#include "platform/sys/env.hpp"
#include "platform/sys/paths.hpp"
#include "platform/sys/thread.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

namespace vexa::sys {

namespace fs = std::filesystem;

std::optional<std::string> env(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

namespace {

std::expected<fs::path, std::string> xdg_home(const char* variable, const char* fallback) {
  if (auto v = env(variable); v && !v->empty() && (*v)[0] == '/') return fs::path(*v);
  auto home = env("HOME");
  if (!home || home->empty() || (*home)[0] != '/') {
    return std::unexpected(std::string("neither ") + variable + " nor HOME is set");
  }
  return fs::path(*home) / fallback;
}

std::string errno_text(const std::string& what, const fs::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

}  // namespace

std::expected<fs::path, std::string> data_home() { return xdg_home("XDG_DATA_HOME", ".local/share"); }
std::expected<fs::path, std::string> state_home() {
  return xdg_home("XDG_STATE_HOME", ".local/state");
}

std::expected<void, std::string> create_dirs(const fs::path& dir, unsigned mode) {
  fs::path current;
  for (const auto& part : dir) {
    current /= part;
    if (current == current.root_path()) continue;
    if (::mkdir(current.c_str(), mode) != 0 && errno != EEXIST) {
      return std::unexpected(errno_text("cannot create", current));
    }
  }
  return {};
}

std::expected<void, std::string> write_atomic(const fs::path& path, std::string_view bytes,
                                              unsigned mode) {
  std::random_device random;
  fs::path temp = path;
  temp += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(random());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return std::unexpected(errno_text("cannot create", temp));
  ::fchmod(fd, mode);  // the umask may have narrowed or the caller may want exactly this
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      auto error = errno_text("cannot write", temp);
      ::close(fd);
      ::unlink(temp.c_str());
      return std::unexpected(error);
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    auto error = errno_text("cannot flush", temp);
    ::unlink(temp.c_str());
    return std::unexpected(error);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    auto error = errno_text("cannot replace", path);
    ::unlink(temp.c_str());
    return std::unexpected(error);
  }
  // Make the rename itself durable.
  int dir = ::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                   O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

std::expected<std::string, std::string> read_file(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::unexpected(errno_text("cannot open", path));
  std::string out;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      auto error = errno_text("cannot read", path);
      ::close(fd);
      return std::unexpected(error);
    }
    if (n == 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
}

void spawn_detached(const std::string& name, std::function<void()> body) {
  std::thread worker([name, body = std::move(body)] {
    ::pthread_setname_np(::pthread_self(), name.substr(0, 15).c_str());
    body();
  });
  worker.detach();
}

}  // namespace vexa::sys

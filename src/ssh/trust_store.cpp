// Where the trust file lives and how it is read and written: never through a link, never when
// the file or its directory is open to other users.
#include "ssh/trust_store.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/sys/env.hpp"
#include "platform/sys/paths.hpp"

namespace ssh {

namespace fs = std::filesystem;

namespace {

std::string system_text(int error) {
  return std::strerror(error);
}

std::string private_text(const char* what) {
  return std::string(what) + " must not be accessible to group or other users";
}

fs::path default_directory(const fs::path& state) {
  return state / "vexa" / "remote";
}

// Creates the store's directory (and missing parents, at the default mode) when it is missing;
// only the store's own directory is narrowed to 0700. An existing directory is left alone.
std::expected<void, Error> prepare_directory(const fs::path& dir) {
  struct stat info {};
  if (::lstat(dir.c_str(), &info) == 0) return {};
  if (errno != ENOENT) return std::unexpected(system_text(errno));
  if (auto made = vexa::sys::create_dirs(dir, 0777); !made) return made;
  if (::chmod(dir.c_str(), 0700) != 0) return std::unexpected(system_text(errno));
  return {};
}

std::expected<std::string, int> read_whole(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::unexpected(errno);
  std::string text;
  char buffer[16384];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      return std::unexpected(error);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

}  // namespace

std::expected<fs::path, Error> store_path() {
  if (auto chosen = vexa::sys::env("REMOTE_SSH_KNOWN_HOSTS")) {
    fs::path path(*chosen);
    if (auto checked = check_store_path(path); !checked) return std::unexpected(checked.error());
    return path;
  }
  auto state = vexa::sys::state_home();
  if (!state) {
    return std::unexpected(
        std::string("no private state directory is available for SSH host trust"));
  }
  const fs::path dir = default_directory(*state);
  if (auto prepared = prepare_directory(dir); !prepared) {
    return std::unexpected(prepared.error());
  }
  const fs::path path = dir / "known-hosts.json";
  if (auto checked = check_store_path(path); !checked) return std::unexpected(checked.error());
  return path;
}

std::expected<void, Error> check_store_path(const fs::path& path) {
  const fs::path parent = path.parent_path();
  if (parent.empty()) {
    return std::unexpected(std::string("SSH host-key store has no private parent directory"));
  }
  struct stat info {};
  if (::lstat(parent.c_str(), &info) != 0) return std::unexpected(system_text(errno));
  if (!S_ISDIR(info.st_mode)) {
    return std::unexpected(std::string("SSH host-key store parent must be a real directory"));
  }
  if (info.st_mode & 077) return std::unexpected(private_text("SSH host-key store parent"));
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return {};
    return std::unexpected(system_text(errno));
  }
  if (!S_ISREG(info.st_mode)) {
    return std::unexpected(std::string("SSH host-key store must be a regular file"));
  }
  if (info.st_mode & 077) return std::unexpected(private_text("SSH host-key store"));
  return {};
}

std::expected<KnownHosts, Error> load_store(const fs::path& path) {
  if (auto checked = check_store_path(path); !checked) return std::unexpected(checked.error());
  auto text = read_whole(path);
  if (!text) {
    if (text.error() == ENOENT) return KnownHosts{};
    return std::unexpected(system_text(text.error()));
  }
  return parse_store(*text);
}

std::expected<void, Error> save_store(const fs::path& path, const KnownHosts& store) {
  if (auto checked = check_store_path(path); !checked) return checked;
  auto text = serialize_store(store);
  if (!text) return std::unexpected(text.error());
  if (auto written = vexa::sys::write_atomic(path, *text, 0600); !written) return written;
  // The content is in place; report a permission problem that appeared meanwhile anyway.
  return check_store_path(path);
}

}  // namespace ssh

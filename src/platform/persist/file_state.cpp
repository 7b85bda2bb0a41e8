#include "platform/persist/file_state.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vexa_ui::persist {

namespace {

FileStamp from_stat(const struct stat& st) {
  return FileStamp{true, st.st_dev, st.st_ino, static_cast<std::int64_t>(st.st_size),
                   static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::string os_error(const char* what, const std::filesystem::path& path) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}

}  // namespace

FileStamp stamp_of(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FileStamp{};
  return from_stat(st);
}

std::expected<FileRead, std::string> read_with_stamp(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return FileRead{};
    return std::unexpected(os_error("cannot open", path));
  }
  FileRead out;
  out.exists = true;
  struct stat st {};
  ::fstat(fd, &st);
  out.stamp = from_stat(st);
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      auto error = os_error("cannot read", path);
      ::close(fd);
      return std::unexpected(error);
    }
    if (n == 0) break;
    out.bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
}

std::expected<FileLock, std::string> FileLock::acquire(const std::filesystem::path& lock_path) {
  int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return std::unexpected(os_error("cannot open", lock_path));
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    auto error = os_error("cannot lock", lock_path);
    ::close(fd);
    return std::unexpected(error);
  }
  return FileLock(fd);
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace vexa_ui::persist

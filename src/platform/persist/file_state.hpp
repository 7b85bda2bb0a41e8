#pragma once
// Small file-system pieces for the document file: an identity stamp that changes whenever the
// file is replaced, and an exclusive lock shared by every process that writes the file.
#include <sys/types.h>

#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>

namespace vexa_ui::persist {

// What a file looked like: every save replaces the file by rename, so a new inode, size or
// modification time means another writer.
struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::int64_t size = 0;
  std::int64_t mtime_ns = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

FileStamp stamp_of(const std::filesystem::path& path);

// A file read together with the stamp of exactly what was read.
struct FileRead {
  bool exists = false;
  std::string bytes;
  FileStamp stamp;
};
std::expected<FileRead, std::string> read_with_stamp(const std::filesystem::path& path);

// Holds an exclusive flock on `<document>.lock` for its lifetime. Locks held by a process end
// with it, so a killed writer never blocks the others.
class FileLock {
 public:
  static std::expected<FileLock, std::string> acquire(const std::filesystem::path& lock_path);
  FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileLock& operator=(FileLock&&) = delete;
  ~FileLock();

 private:
  explicit FileLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace vexa_ui::persist

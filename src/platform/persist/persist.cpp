#include "platform/persist/persist.hpp"

#include "platform/sys/env.hpp"
#include "platform/sys/paths.hpp"

#include <fmt/format.h>

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

namespace vexa_ui::persist {

namespace fs = std::filesystem;
using vexa::doc::Document;

namespace {

constexpr unsigned kFileMode = 0600;
constexpr unsigned kFolderMode = 0700;

std::string utc_now_compact() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::gmtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &tm);
  return text;
}

// A name beside the file that says it did not load and never replaces an earlier one.
fs::path aside_name(const fs::path& file) {
  std::string base = file.filename().string() + ".unreadable-" + utc_now_compact();
  fs::path candidate = file.parent_path() / base;
  for (int n = 2; stamp_of(candidate).exists; ++n) {
    candidate = file.parent_path() / fmt::format("{}-{}", base, n);
  }
  return candidate;
}

// Removes temporary files of saves whose writer died before renaming them (the lock is held,
// and a live writer's file names its process).
void remove_dead_writers_files(const fs::path& file) {
  std::string prefix = file.filename().string() + ".tmp-";
  std::error_code error;
  fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
  for (const auto& entry : fs::directory_iterator(dir, error)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      fs::remove(entry.path(), error);
    }
  }
}

}  // namespace

std::expected<fs::path, std::string> document_path(const Location& where) {
  if (auto named = vexa::sys::env(where.override_variable.c_str()); named && !named->empty()) {
    return fs::path(*named);
  }
  auto data = vexa::sys::data_home();
  if (!data) return std::unexpected(data.error());
  return *data / where.app_folder / where.file_name;
}

fs::path DocumentFile::lock_path() const {
  fs::path lock = path_;
  lock += ".lock";
  return lock;
}

// Moves a file that does not load out of the way (never deleting it) and tells the user.
static std::expected<std::string, std::string> keep_aside(const fs::path& file,
                                                          const std::string& reason) {
  fs::path aside = aside_name(file);
  if (std::rename(file.c_str(), aside.c_str()) != 0) {
    return std::unexpected(fmt::format("cannot keep {} aside: {}", file.string(), reason));
  }
  return fmt::format(
      "The saved document could not be read ({}). It was kept as {} and a new one was started.",
      reason, aside.filename().string());
}

std::expected<DocumentFile, std::string> open_file(const fs::path& file) {
  if (file.has_parent_path()) {
    if (auto made = vexa::sys::create_dirs(file.parent_path(), kFolderMode); !made) {
      return std::unexpected(made.error());
    }
  }
  DocumentFile out(file, Document{});
  auto lock = FileLock::acquire(out.lock_path());
  if (!lock) return std::unexpected(lock.error());
  remove_dead_writers_files(file);
  auto read = read_with_stamp(file);
  if (!read) return std::unexpected(read.error());
  if (!read->exists) return out;
  auto loaded = Document::load(read->bytes);
  if (!loaded) {
    auto notice = keep_aside(file, loaded.error().message);
    if (!notice) return std::unexpected(notice.error());
    out.notice_ = std::move(*notice);
    return out;
  }
  out.doc_ = std::move(*loaded);
  out.known_ = read->stamp;
  out.saved_heads_ = out.doc_.heads();
  return out;
}

std::expected<DocumentFile, std::string> open() {
  auto path = document_path();
  if (!path) return std::unexpected(path.error());
  return open_file(*path);
}

std::optional<std::string> DocumentFile::take_notice() { return std::exchange(notice_, {}); }

// Merges what another process left in the file; the lock is held.
std::expected<void, std::string> DocumentFile::merge_disk(const FileRead& read) {
  known_ = read.stamp;
  if (!read.exists) return {};
  auto loaded = Document::load(read.bytes);
  if (!loaded) {
    auto notice = keep_aside(path_, loaded.error().message);
    if (!notice) return std::unexpected(notice.error());
    notice_ = std::move(*notice);
    known_ = FileStamp{};
    saved_heads_.clear();  // the file is gone: whatever we hold must be written again
    return {};
  }
  auto before = doc_.heads();
  doc_.merge(*loaded);
  if (doc_.heads() != before) changed_outside_ = true;
  // When the file already holds everything we have, there is nothing to write.
  if (doc_.heads() == loaded->heads()) saved_heads_ = doc_.heads();
  return {};
}

std::expected<void, std::string> DocumentFile::write_locked() {
  std::string bytes = doc_.save();
  if (auto written = vexa::sys::write_atomic(path_, bytes, kFileMode); !written) {
    return std::unexpected(written.error());
  }
  known_ = stamp_of(path_);
  saved_heads_ = doc_.heads();
  return {};
}

std::expected<void, std::string> DocumentFile::commit_and_save() {
  doc_.commit();
  if (doc_.heads() == saved_heads_) return {};
  auto lock = FileLock::acquire(lock_path());
  if (!lock) return std::unexpected(lock.error());
  if (stamp_of(path_) != known_) {
    auto read = read_with_stamp(path_);
    if (!read) return std::unexpected(read.error());
    if (auto merged = merge_disk(*read); !merged) return merged;
  }
  if (doc_.heads() == saved_heads_) return {};
  return write_locked();
}

bool DocumentFile::poll_external() {
  bool changed = std::exchange(changed_outside_, false);
  if (stamp_of(path_) == known_) return changed;
  auto lock = FileLock::acquire(lock_path());
  if (!lock) return changed;
  auto read = read_with_stamp(path_);
  if (!read) return changed;  // unreadable for now (permissions, I/O): try again next time
  if (!merge_disk(*read)) return changed;
  // Edits of ours the file lacks (or a file that was kept aside) are written back now.
  if (doc_.heads() != saved_heads_) (void)write_locked();
  return std::exchange(changed_outside_, false) || changed;
}

}  // namespace vexa_ui::persist

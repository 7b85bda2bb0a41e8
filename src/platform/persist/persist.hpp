#pragma once
// The shared document's life on disk. One DocumentFile per process owns the document and its
// file; any number of processes may have the same file open at once:
//   - every save takes an exclusive lock, and when the file was replaced since this process last
//     read or wrote it, merges the file's document in before writing, so no process overwrites
//     another's edits;
//   - saves replace the file atomically with mode 0600, so a crash leaves the previous version;
//   - poll_external() notices a file replaced by another process and merges it in;
//   - a file that does not load is never overwritten: it is renamed aside and a notice says so.
// Used on the UI thread only.
#include "platform/doc/document.hpp"
#include "platform/persist/file_state.hpp"

#include <expected>
#include <filesystem>
#include <optional>
#include <string>

namespace vexa_ui::persist {

// Where the document lives unless the environment says otherwise.
struct Location {
  std::string app_folder = "io.vexa.remote";   // under the XDG data directory
  std::string file_name = "profiles.vexadoc";
  std::string override_variable = "VEXA_REMOTE_DOCUMENT";  // names another file when set
};

// The file named by the override variable, else <data home>/<app folder>/<file name>.
std::expected<std::filesystem::path, std::string> document_path(const Location& where = {});

class DocumentFile {
 public:
  vexa::doc::Document& document() { return doc_; }
  const std::filesystem::path& path() const { return path_; }

  // Commits the open transaction and, when anything is unsaved, writes the file (merging in
  // what another process wrote first). Errors are the OS's text; the document keeps the edits.
  std::expected<void, std::string> commit_and_save();

  // For a timer on the UI thread (every 250-500 ms): one stat() when nothing changed. True when
  // the document changed through another process's file (here or during a save since the last
  // poll), so the application should re-read it.
  bool poll_external();

  // A sentence for the user after a file that did not load was kept aside; empty otherwise.
  const std::optional<std::string>& notice() const { return notice_; }
  std::optional<std::string> take_notice();

 private:
  friend std::expected<DocumentFile, std::string> open_file(const std::filesystem::path&);
  DocumentFile(std::filesystem::path path, vexa::doc::Document doc)
      : path_(std::move(path)), doc_(std::move(doc)) {}
  std::expected<void, std::string> merge_disk(const FileRead& read);
  std::expected<void, std::string> write_locked();
  std::filesystem::path lock_path() const;

  std::filesystem::path path_;
  vexa::doc::Document doc_;
  FileStamp known_;                              // the file as this process last read or wrote it
  std::vector<vexa::doc::ChangeHash> saved_heads_;  // heads at the last write or clean read
  bool changed_outside_ = false;                 // a merge brought changes the app has not seen
  std::optional<std::string> notice_;
};

// Opens the document at document_path(); the opener the framework is given.
std::expected<DocumentFile, std::string> open();
std::expected<DocumentFile, std::string> open_file(const std::filesystem::path& file);

}  // namespace vexa_ui::persist

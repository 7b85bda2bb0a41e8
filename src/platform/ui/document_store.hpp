#pragma once
// The framework's view of the opened shared document: the launcher saves after committed
// changes and polls for changes other processes made to the file.
#include <optional>
#include <string>

namespace vexa::doc {
class Document;
}

namespace vexa_ui {

class DocumentStore {
 public:
  virtual ~DocumentStore() = default;
  virtual vexa::doc::Document& document() = 0;
  // Saves when the document changed since the last save; merges with the file when another
  // process wrote it meanwhile. Returns an error text on failure.
  virtual std::optional<std::string> save_if_changed() = 0;
  // True when the file changed on disk and its changes were merged into the document.
  virtual bool poll_external() = 0;
  // A message for the user (for example a damaged file that was kept aside), once.
  virtual std::optional<std::string> take_notice() = 0;
};

}  // namespace vexa_ui

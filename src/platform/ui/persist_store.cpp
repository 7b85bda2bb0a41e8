#include "platform/ui/persist_store.hpp"

#include "platform/persist/persist.hpp"

namespace vexa_ui::persist {

namespace {

class FileStore final : public DocumentStore {
 public:
  explicit FileStore(DocumentFile file) : file_(std::move(file)) {}
  vexa::doc::Document& document() override { return file_.document(); }
  std::optional<std::string> save_if_changed() override {
    auto saved = file_.commit_and_save();
    if (!saved) return saved.error();
    return std::nullopt;
  }
  bool poll_external() override { return file_.poll_external(); }
  std::optional<std::string> take_notice() override { return file_.take_notice(); }

 private:
  DocumentFile file_;
};

}  // namespace

std::expected<std::unique_ptr<DocumentStore>, std::string> open_store() {
  auto file = open();
  if (!file) return std::unexpected(file.error());
  return std::make_unique<FileStore>(std::move(*file));
}

}  // namespace vexa_ui::persist

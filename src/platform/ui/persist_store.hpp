#pragma once
// The launcher's view of the document file.
#include <expected>
#include <memory>
#include <string>

#include "platform/ui/document_store.hpp"

namespace vexa_ui::persist {

// Opens the document at its usual place (or the file the override variable names).
std::expected<std::unique_ptr<DocumentStore>, std::string> open_store();

}  // namespace vexa_ui::persist

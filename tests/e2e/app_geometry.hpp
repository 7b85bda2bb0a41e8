#pragma once
// Where the window puts a saved connection's controls: the real views laid out and drawn over a
// copy of the document at the window's size, read from the clickable regions they record. The
// copy keeps the window's own file untouched.
#include <filesystem>
#include <optional>
#include <string>

#include "platform/ui/geometry.hpp"

namespace e2e {

struct ConnectionControls {
  vexa_ui::Rect row;            // the list row (selects it)
  vexa_ui::Rect edit;           // the row's Edit button
  vexa_ui::Rect delete_button;  // Delete on the Edit screen the Edit button opens
};

std::optional<ConnectionControls> controls_for(const std::filesystem::path& document, const std::string& id,
                                               vexa_ui::Size window);

}  // namespace e2e

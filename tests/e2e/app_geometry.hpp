#pragma once
// Where the window puts a saved connection's controls: the real views laid out and drawn over a
// copy of the document at the window's size, read from the clickable regions they record. The
// copy keeps the window's own file untouched.
#include <filesystem>
#include <map>
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

// The host-key controls of an SSH profile whose server shows a key that waits for a decision:
// the card's button ("Trust key" for a key nobody trusted yet, "Forget key" for one that
// differs from the pin) and the confirm button of the dialog it opens. The views' own app
// connects to the server in-process, with `env` set for the attempt (live sessions, the key, a
// trust file of its own holding what the window's holds), until the card offers the decision;
// nothing is trusted or forgotten. `status` is the card's status label, which decides the
// card's height.
struct HostKeyControls {
  vexa_ui::Rect card_button;
  vexa_ui::Rect dialog_confirm;
  std::string status;
};

std::optional<HostKeyControls> host_key_controls_for(const std::filesystem::path& document, const std::string& id,
                                                     vexa_ui::Size window,
                                                     const std::map<std::string, std::string>& env);

// Where a fresh session of the profile draws a width × height remote desktop: the session
// surface, and the image fitted and centred in it.
struct DesktopPlacement {
  vexa_ui::Rect surface;
  vexa_ui::Rect image;
};

std::optional<DesktopPlacement> desktop_for(const std::filesystem::path& document, const std::string& id,
                                              vexa_ui::Size window, double width, double height);

}  // namespace e2e

// The live session surfaces and the input a live session takes.
#include "app/views/views.hpp"

namespace app::views {

bool draw_live_surface(RemoteApp&, vexa_ui::DrawContext&, const profiles::ConnectionProfile&, vexa_ui::Rect) {
  return false;  // no transport session can be live yet
}

std::string live_surface_text(const RemoteApp&) { return {}; }

}  // namespace app::views

namespace app {

bool RemoteApp::session_key(const vexa_ui::Key&) { return false; }
bool RemoteApp::session_pointer(const vexa_ui::Event&) { return false; }

}  // namespace app

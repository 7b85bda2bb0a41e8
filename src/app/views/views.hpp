#pragma once
// The views: they keep no state of their own. Every frame they draw from the application
// object, append clickable regions, and build the accessibility nodes.
#include "app/remote_app.hpp"
#include "platform/ui/access.hpp"
#include "platform/ui/app.hpp"
#include "platform/ui/widgets/button.hpp"

namespace app::views {

// Geometry shared by drawing, hit testing and keyboard scrolling.
struct ListGeometry {
  double left = 0, right = 0, top = 0;
  bool compact = false;
  vexa_ui::Rect search;
  vexa_ui::Rect viewport;  // the list area rows scroll in
  bool stacked = false;
  double row_height = 72;
  double pitch() const { return row_height + 8; }
};

double content_left(const RemoteApp& app);
// The form column: min(content width − 48, 560) wide, centred; y is the protocol heading.
vexa_ui::Rect form_column(const RemoteApp& app);
vexa_ui::Rect dialog_rect(const RemoteApp& app);
// The area below the session header (the whole content area in fullscreen).
vexa_ui::Rect session_surface(const RemoteApp& app);
// The image rectangle: fitted (aspect kept) or 1:1 (each axis capped at the surface), centred.
vexa_ui::Rect fitted_image_rect(vexa_ui::Rect surface, double w, double h, bool fit);
// Draws the connected session's terminal or image; false when there is nothing live to draw.
bool draw_live_surface(RemoteApp& app, vexa_ui::DrawContext& ctx, const profiles::ConnectionProfile& p, vexa_ui::Rect surface);
// The terminal's text row by row, for screen readers; empty for other sessions.
std::string live_surface_text(const RemoteApp& app);
ListGeometry list_geometry(const RemoteApp& app, const vexa_ui::TextRenderer& text);

void draw_navigation(RemoteApp& app, vexa_ui::DrawContext& ctx);
void draw_list_screen(RemoteApp& app, vexa_ui::DrawContext& ctx);
void draw_form_screen(RemoteApp& app, vexa_ui::DrawContext& ctx);
void draw_session_screen(RemoteApp& app, vexa_ui::DrawContext& ctx);
void draw_confirmation(RemoteApp& app, vexa_ui::DrawContext& ctx);
void draw_notice(RemoteApp& app, vexa_ui::DrawContext& ctx);
// The card shown in place of a session surface that is not live.
void draw_status_card(RemoteApp& app, vexa_ui::DrawContext& ctx, vexa_ui::Rect surface);

vexa_ui::AccessNode navigation_nodes(const RemoteApp& app);
vexa_ui::AccessNode list_nodes(const RemoteApp& app);
vexa_ui::AccessNode form_nodes(const RemoteApp& app);
vexa_ui::AccessNode session_nodes(const RemoteApp& app);
vexa_ui::AccessNode confirmation_nodes(const RemoteApp& app);

// Shared drawing helpers.
void field_card(RemoteApp& app, vexa_ui::DrawContext& ctx, std::size_t index, vexa_ui::Rect r);
void button(RemoteApp& app, vexa_ui::DrawContext& ctx, vexa_ui::Rect r, std::string_view label,
            vexa_ui::ButtonStyle style, ViewCommand command, std::optional<std::string> tooltip = std::nullopt);
vexa_ui::Color kind_color(profiles::ConnectionKind kind);
std::string counts_line(const RemoteApp& app);
std::string connection_id(const Uuid& id, std::string_view verb = {});

}  // namespace app::views

#include "e2e/app_geometry.hpp"

#include "app/descriptor.hpp"
#include "platform/persist/persist.hpp"
#include "support/process.hpp"

namespace e2e {

namespace {

template <typename Command>
std::optional<vexa_ui::Rect> region_of(const app::RemoteApp& a, const profiles::Uuid& id) {
  for (const auto& r : a.hit_regions) {
    if (auto* c = std::get_if<Command>(&r.command); c && c->id == id) return r.rect;
  }
  return std::nullopt;
}

void draw(app::RemoteApp& a, vexa_ui::TextRenderer& text, vexa_ui::Size window) {
  vexa_ui::Scene scene;
  vexa_ui::DrawContext ctx{scene, text, window, 1.0};
  a.frame_start();
  a.draw(ctx);
}

}  // namespace

std::optional<ConnectionControls> controls_for(const std::filesystem::path& document, const std::string& id,
                                               vexa_ui::Size window) {
  auto uuid = profiles::Uuid::parse(id);
  if (!uuid) return std::nullopt;
  auto dir = test_support::temp_dir("vexa-e2e-geometry");
  auto copy = dir / "profiles.vexadoc";
  std::filesystem::copy_file(document, copy);
  auto file = vexa_ui::persist::open_file(copy);
  std::optional<ConnectionControls> out;
  if (file) {
    auto a = std::make_unique<app::RemoteApp>();
    a->sync_document(file->document());
    a->layout({0, 0, window.width, window.height});
    vexa_ui::TextRenderer text;
    draw(*a, text, window);
    auto row = region_of<app::cmd::Select>(*a, *uuid);
    auto edit = region_of<app::cmd::OpenEditForm>(*a, *uuid);
    if (row && edit) {
      a->execute(app::cmd::OpenEditForm{*uuid});
      draw(*a, text, window);
      if (auto del = region_of<app::cmd::AskDelete>(*a, *uuid)) out = ConnectionControls{*row, *edit, *del};
    }
  }
  std::filesystem::remove_all(dir);
  return out;
}

}  // namespace e2e

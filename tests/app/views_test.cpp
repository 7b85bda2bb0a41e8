#include <gtest/gtest.h>

#include "app/views/views.hpp"
#include "app_fixture.hpp"

using namespace app;
using app_test::Harness;
using app_test::ScopedEnv;

namespace {
const vexa_ui::TextRun* text_run(const vexa_ui::Scene& scene, std::string_view text) {
  for (auto* t : scene.texts()) {
    if (t->text == text) return t;
  }
  return nullptr;
}
}  // namespace

TEST(ListView, Breakpoints) {
  auto h = Harness::sample(std::nullopt, {719, 700});
  EXPECT_TRUE(h.app->narrow());
  EXPECT_FALSE(h.app->nav_open());
  h.resize({720, 700});
  EXPECT_FALSE(h.app->narrow());
  EXPECT_TRUE(h.app->nav_open());
  // Header width is the content right minus the content left (64 for the open panel).
  h.resize({64 + 519, 700});
  h.app->flap.set_reveal(1);
  h.app->nav_choice = true;
  h.frame();
  EXPECT_TRUE(text_run(h.scene, "Remote"));
  EXPECT_TRUE(text_run(h.scene, "+ New"));
  h.resize({64 + 520 + 200, 700});
  h.frame();
  EXPECT_TRUE(text_run(h.scene, "Remote machines"));
  EXPECT_TRUE(text_run(h.scene, "+ New connection"));
}

TEST(ListView, RowsStackBelow620AndScrollMaxFollowsPitch) {
  auto wide = Harness::sample(std::nullopt, {1280, 400});
  auto g = views::list_geometry(*wide.app, wide.text);
  EXPECT_FALSE(g.stacked);
  EXPECT_EQ(g.row_height, 72);
  EXPECT_DOUBLE_EQ(wide.app->list_scroll_max, std::max(0.0, 8 * 80 - 8 - g.viewport.height));
  auto narrow = Harness::sample(std::nullopt, {640, 400});
  auto n = views::list_geometry(*narrow.app, narrow.text);
  EXPECT_TRUE(n.stacked);
  EXPECT_EQ(n.row_height, 116);
  // Wheel moves by 48 per line and stays in range.
  narrow.app->handle_event(vexa_ui::Wheel{{300, 300}, 0, -1, true});
  EXPECT_EQ(narrow.app->list_scroll, 48);
  narrow.app->handle_event(vexa_ui::Wheel{{300, 300}, 0, 100, true});
  EXPECT_EQ(narrow.app->list_scroll, 0);
}

TEST(ListView, CountsLineAndEmptyStates) {
  ScopedEnv live("REMOTE_LIVE_SESSIONS", nullptr);
  auto h = Harness::sample();
  EXPECT_TRUE(text_run(h.scene, "8 saved \u00b7 5 online \u00b7 2 connectable here"));
  ScopedEnv on("REMOTE_LIVE_SESSIONS", "1");
  h.frame();
  EXPECT_TRUE(text_run(h.scene, "8 saved \u00b7 5 online \u00b7 7 connectable here"));
  h.app->set_search("no such machine");
  h.frame();
  EXPECT_TRUE(text_run(h.scene, "No machines match your search."));
  ScopedEnv sample("VEXA_REMOTE_SAMPLE", nullptr);
  Harness empty(create_app(std::nullopt));
  EXPECT_TRUE(text_run(empty.scene, "No machines yet"));
  EXPECT_EQ(empty.tree().find("remote.list.empty")->label,
            "No machines yet. Add a connection to reach it over SSH, VNC, or the Vexa relay.");
}

TEST(ListView, PointerRunsTopmostRegion) {
  auto h = Harness::sample();
  auto nas = h.named("Office NAS").id;
  const auto* star = h.region_for([&](const ViewCommand& c) {
    auto* f = std::get_if<cmd::ToggleFavorite>(&c);
    return f && f->id == nas;
  });
  ASSERT_TRUE(star);
  h.click(star->rect.center());
  EXPECT_TRUE(h.named("Office NAS").favorite);
  EXPECT_NE(h.app->selected, nas);  // the star, not the row under it
  const auto* edit = h.region_for([&](const ViewCommand& c) {
    auto* e = std::get_if<cmd::OpenEditForm>(&c);
    return e && e->id == nas;
  });
  ASSERT_TRUE(edit);
  h.click(edit->rect.center());
  EXPECT_EQ(h.app->screen, Screen::FormEdit);
  EXPECT_EQ(h.app->form.name, "Office NAS");
}

TEST(ListView, NarrowPanelClosesOnOutsidePress) {
  auto h = Harness::sample("narrow-open", {1000, 700});
  EXPECT_TRUE(h.app->nav_open());
  h.click({500, 400});
  EXPECT_FALSE(h.app->nav_open());
  EXPECT_EQ(h.app->screen, Screen::List);
  h.click({30, 30});  // the toggle
  EXPECT_TRUE(h.app->nav_open());
  h.key("Escape");
  EXPECT_FALSE(h.app->nav_open());
}

TEST(FormView, ColumnWidthAndRdpNotice) {
  auto h = Harness::sample("form", {64 + 400, 700});
  h.app->nav_choice = true;
  h.app->flap.set_reveal(1);
  h.frame();
  EXPECT_DOUBLE_EQ(views::form_column(*h.app).width, 352);
  h.resize({64 + 1200, 700});
  EXPECT_DOUBLE_EQ(views::form_column(*h.app).width, 560);
  h.app->execute(cmd::OpenEditForm{h.named("Win Workstation").id});
  h.frame();
  EXPECT_TRUE(text_run(h.scene, "Legacy RDP profile"));
  EXPECT_TRUE(h.tree().find("remote.form.legacy-rdp"));
  EXPECT_FALSE(h.tree().find("remote.kind:SSH")->selected);
  EXPECT_TRUE(h.tree().find("remote.connection:" + h.named("Win Workstation").id.to_string() + ":delete"));
}

TEST(Dialog, WidthClampsBetween280And460) {
  auto h = Harness::sample("confirm-connect", {1000, 700});
  h.app->nav_choice = false;
  h.app->flap.set_reveal(0);
  EXPECT_DOUBLE_EQ(views::dialog_rect(*h.app).width, 460);
  h.resize({64 + 200, 700});
  EXPECT_DOUBLE_EQ(views::dialog_rect(*h.app).width, 280);
  h.frame();
  EXPECT_TRUE(text_run(h.scene, "Connect to Studio Node?"));
  EXPECT_EQ(h.tree().find("remote.confirmation")->description,
            "The target and access are rechecked before a remote session opens.");
  std::erase_if(h.app->profiles, [&](auto& p) { return p.name == "Studio Node"; });
  h.frame();
  EXPECT_TRUE(text_run(h.scene, "Connect to this saved connection?"));
}

TEST(SessionView, FailedCardOffersRetry) {
  auto h = Harness::sample("session-failed");
  EXPECT_TRUE(text_run(h.scene, "Connection failed"));
  EXPECT_TRUE(text_run(h.scene, "Retry"));
  EXPECT_TRUE(text_run(h.scene, "Back to list"));
  h.key("Escape");  // not live, not fullscreen: back to the list
  EXPECT_EQ(h.app->screen, Screen::List);
}

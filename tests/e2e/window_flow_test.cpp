// The application as a user meets it: a real window under Xvfb, keys and clicks through the X
// server, the window closed by the window manager's request or ended by SIGTERM, and the saved
// document read back by a fresh headless run of the same binary.
#include <cairo.h>
#include <gtest/gtest.h>
#include <signal.h>

#include "e2e/app_geometry.hpp"
#include "support/e2e_window.hpp"

using namespace test_support;

namespace {

bool lists(const std::optional<nlohmann::json>& tree, const std::string& name) {
  return tree && listed_named(*tree, name).has_value();
}

// Creates a connection through the keyboard only: Control+N, name, Tab, host, Tab to the port,
// replace its "22", Enter.
void create_by_keyboard(E2eWindow& w, const std::string& name, const std::string& host, const std::string& port) {
  ASSERT_EQ(w.key("ctrl+n"), "");
  ASSERT_EQ(w.type(name), "");
  ASSERT_EQ(w.key("Tab"), "");
  ASSERT_EQ(w.type(host), "");
  ASSERT_EQ(w.key("Tab End BackSpace BackSpace"), "");
  ASSERT_EQ(w.type(port), "");
  ASSERT_EQ(w.key("Return"), "");
}

}  // namespace

TEST(WindowFlow, NewConnectionByKeyboardIsSavedAndSurvivesClose) {
  E2eDocument doc;
  E2eWindow w(doc);
  ASSERT_EQ(w.problem(), "");
  ASSERT_TRUE(w.wait_drawn()) << "the window never showed a settled first frame";
  create_by_keyboard(w, "Lab box", "lab.example.net", "2222");

  // Saved when committed, while the window still runs.
  auto live = doc.wait_for([](const nlohmann::json& t) { return listed_named(t, "Lab box").has_value(); }, 10000);
  ASSERT_TRUE(lists(live, "Lab box")) << (live ? live->dump() : "no dump");

  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);

  auto after = doc.dump();
  ASSERT_TRUE(after);
  auto rows = listed_connections(*after);
  ASSERT_EQ(rows.size(), 1u) << after->dump();
  EXPECT_TRUE(rows[0].label.starts_with("Lab box, SSH, lab.example.net:2222, ")) << rows[0].label;
}

TEST(WindowFlow, EditScreenDeleteConfirmedWithEnterRemovesOnlyThatConnection) {
  E2eDocument doc;
  // Two saved connections made by a headless script; "Lab box" sorts second.
  auto made = doc.run_headless(
      "--perform remote.connection.new --type 'Alpha keep' --key Tab --type alpha.example.net --key Enter "
      "--perform remote.connection.new --type 'Lab box' --key Tab --type lab.example.net --key Tab "
      "--key End --key Backspace --key Backspace --type 2222 --key Enter");
  ASSERT_EQ(made.exit_code, 0) << made.err;
  auto before = doc.dump();
  ASSERT_TRUE(before);
  auto lab = listed_named(*before, "Lab box");
  ASSERT_TRUE(lab) << before->dump();
  ASSERT_TRUE(lists(before, "Alpha keep"));

  E2eWindow w(doc);
  ASSERT_EQ(w.problem(), "");
  auto shot = w.wait_drawn();
  ASSERT_TRUE(shot);
  auto [width, height] = w.size();
  auto controls = e2e::controls_for(doc.file(), lab->id, {static_cast<double>(width), static_cast<double>(height)});
  ASSERT_TRUE(controls) << "no row, Edit or Delete region for " << lab->id;

  // Select the row by its left margin (clear of the star and the buttons), then Edit.
  ASSERT_EQ(w.click(controls->row.x + 8, controls->row.center().y), "");
  shot = w.wait_changed(*shot);
  ASSERT_TRUE(shot) << "selecting the row changed nothing on screen";
  ASSERT_EQ(w.click(controls->edit.center().x, controls->edit.center().y), "");
  shot = w.wait_changed(*shot);
  ASSERT_TRUE(shot) << "the Edit button changed nothing on screen";
  ASSERT_EQ(w.click(controls->delete_button.center().x, controls->delete_button.center().y), "");
  shot = w.wait_changed(*shot);
  ASSERT_TRUE(shot) << "Delete opened no confirmation";
  ASSERT_EQ(w.key("Return"), "");

  auto live = doc.wait_for([](const nlohmann::json& t) { return !listed_named(t, "Lab box"); }, 10000);
  ASSERT_TRUE(live);
  EXPECT_FALSE(lists(live, "Lab box")) << live->dump();

  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);
  auto after = doc.dump();
  ASSERT_TRUE(after);
  EXPECT_FALSE(lists(after, "Lab box")) << after->dump();
  EXPECT_TRUE(lists(after, "Alpha keep")) << after->dump();
}

TEST(WindowFlow, SigtermKeepsCommittedChangesAndDropsTheOpenForm) {
  E2eDocument doc;
  E2eWindow w(doc);
  ASSERT_EQ(w.problem(), "");
  ASSERT_TRUE(w.wait_drawn());
  create_by_keyboard(w, "Kept", "kept.example.net", "2200");
  // The commit has happened once another process can read it.
  ASSERT_TRUE(lists(doc.wait_for([](const nlohmann::json& t) { return listed_named(t, "Kept").has_value(); }, 10000),
                    "Kept"));
  auto shot = w.capture();
  ASSERT_TRUE(shot);
  // A second form, typed into but never saved, is open when the signal comes.
  ASSERT_EQ(w.key("ctrl+n"), "");
  ASSERT_EQ(w.type("Draft"), "");
  ASSERT_TRUE(w.wait_changed(*shot)) << "Control+N opened no form";

  w.signal(SIGTERM);
  EXPECT_EQ(w.wait_exit(10000), 0);
  auto after = doc.dump();
  ASSERT_TRUE(after);
  auto rows = listed_connections(*after);
  ASSERT_EQ(rows.size(), 1u) << after->dump();
  EXPECT_TRUE(rows[0].label.starts_with("Kept, SSH, kept.example.net:2200, ")) << rows[0].label;
}

namespace {

// The PNG's pixels as 0x00RRGGBB, the form the X server's captures come in; empty when it
// does not load. Frames are opaque, so premultiplication changes nothing.
std::vector<std::uint32_t> png_pixels(const std::string& path, int& width, int& height) {
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  std::vector<std::uint32_t> out;
  if (cairo_surface_status(png) == CAIRO_STATUS_SUCCESS) {
    width = cairo_image_surface_get_width(png);
    height = cairo_image_surface_get_height(png);
    int stride = cairo_image_surface_get_stride(png);
    const unsigned char* data = cairo_image_surface_get_data(png);
    for (int y = 0; y < height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
      for (int x = 0; x < width; ++x) out.push_back(row[x] & 0xFFFFFF);
    }
  }
  cairo_surface_destroy(png);
  return out;
}

}  // namespace

// What the window shows is what a headless --screenshot of the same document renders: the
// window path (raster, texture upload, present) neither swaps channels nor scales nor shifts.
TEST(WindowFlow, FirstFrameMatchesTheHeadlessScreenshot) {
  E2eDocument doc;
  E2eWindow w(doc);
  ASSERT_EQ(w.problem(), "");
  auto shot = w.wait_drawn();
  ASSERT_TRUE(shot);
  auto [width, height] = w.size();
  ASSERT_EQ(width, 1280);
  ASSERT_EQ(height, 800);
  // Park the pointer in the empty bottom-right corner, so nothing is hovered.
  ASSERT_EQ(w.move_pointer(width - 1, height - 1), "");
  shot = w.wait_still(10000);
  ASSERT_TRUE(shot);

  auto png = (doc.data_home() / "first.png").string();
  auto headless = doc.run_headless("--size 1280x800 --scale 1 --screenshot " + shell_quote(png));
  ASSERT_EQ(headless.exit_code, 0) << headless.err;
  int pw = 0, ph = 0;
  auto expected = png_pixels(png, pw, ph);
  ASSERT_EQ(pw, shot->width);
  ASSERT_EQ(ph, shot->height);
  std::size_t differing = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) differing += expected[i] != shot->pixels[i];
  EXPECT_EQ(differing, 0u) << "of " << expected.size() << " pixels";
  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);
}

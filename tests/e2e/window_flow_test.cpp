// The application as a user meets it: a real window under Xvfb, keys and clicks through the X
// server, the window closed by the window manager's request or ended by SIGTERM, and the saved
// document read back by a fresh headless run of the same binary.
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
  auto [width, height] = w.size();
  auto controls = e2e::controls_for(doc.file(), lab->id, {static_cast<double>(width), static_cast<double>(height)});
  ASSERT_TRUE(controls) << "no row, Edit or Delete region for " << lab->id;
  auto shot = w.wait_drawn();
  ASSERT_TRUE(shot);

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

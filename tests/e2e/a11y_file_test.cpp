// A running window mirrors its accessibility tree into the file VEXA_A11Y_FILE names: the same
// JSON a headless --a11y-dump prints, private, replaced whole, and rewritten when it changes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/e2e_window.hpp"

using namespace test_support;

TEST(A11yFile, WindowMirrorsTheDumpedTreeAndRewritesItAfterAKey) {
  E2eDocument doc;
  E2eWindow w(doc, WindowOptions{.mirror_a11y = true});
  ASSERT_EQ(w.problem(), "");
  ASSERT_TRUE(w.wait_drawn());
  auto first = w.wait_a11y([](const nlohmann::json&) { return true; });
  ASSERT_TRUE(first) << "the window wrote no tree to " << w.a11y_file();
  auto [width, height] = w.size();

  // The text a headless run prints for the same document and size.
  auto headless = doc.run_headless("--size " + std::to_string(width) + "x" + std::to_string(height) + " --a11y-dump");
  ASSERT_EQ(headless.exit_code, 0) << headless.err;
  EXPECT_EQ(slurp(w.a11y_file()), headless.out);

  struct stat st {};
  ASSERT_EQ(::stat(w.a11y_file().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  ASSERT_FALSE(a11y_node(*first, "remote.form.save")) << first->dump();
  ASSERT_EQ(w.key("ctrl+n"), "");
  auto form = w.wait_a11y([](const nlohmann::json& t) { return a11y_node(t, "remote.form.save") != nullptr; });
  ASSERT_TRUE(form && a11y_node(*form, "remote.form.save")) << "Control+N never showed in the file";

  // Only the file itself is left beside it: every write went through a renamed temporary.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(w.a11y_file().parent_path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"tree.json"});
  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);
}

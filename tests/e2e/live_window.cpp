#include "e2e/live_window.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

namespace e2e {

using nlohmann::json;
using namespace test_support;

TempDir::TempDir(const std::string& tag) : path(temp_dir(tag)) {}
TempDir::~TempDir() { std::filesystem::remove_all(path); }

std::string add_profile(const E2eDocument& doc, const std::string& name, const std::string& fields) {
  auto made = doc.run_headless("--perform remote.connection.new --perform remote.field:name=" + name + " " + fields +
                               " --perform remote.form.save");
  EXPECT_EQ(made.exit_code, 0) << made.err;
  auto tree = doc.dump();
  if (!tree) return {};
  auto row = listed_named(*tree, name);
  return row ? row->id : std::string();
}

std::string status_of(const json& tree) { return a11y_label(tree, "remote.session.status"); }

std::string field_of(const json& tree, const std::string& id, const char* member) {
  auto* node = a11y_node(tree, id);
  return node ? node->value(member, std::string()) : std::string();
}

bool is_selected(const json& tree, const std::string& id) {
  auto* node = a11y_node(tree, id);
  return node && node->value("selected", false);
}

std::string screen_of(const std::optional<json>& tree) {
  return tree ? field_of(*tree, "remote.session.surface", "value") : "no tree";
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

unsigned mode_of(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

void expect_dialog(const E2eWindow& w, const std::string& title) {
  auto tree = w.wait_a11y([&](const json& t) { return a11y_label(t, "remote.confirmation") == title; });
  ASSERT_TRUE(tree) << "the window wrote no tree";
  ASSERT_EQ(a11y_label(*tree, "remote.confirmation"), title) << "the window shows " << tree->dump();
}

void connect_selected(E2eWindow& w, const std::string& name) {
  ASSERT_EQ(w.key("Return"), "");
  ASSERT_NO_FATAL_FAILURE(expect_dialog(w, "Connect to " + name + "?"));
  ASSERT_EQ(w.key("Return"), "");
}

}  // namespace e2e

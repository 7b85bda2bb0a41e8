// The real binary: headless scripts, the no-display message, installation.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/process.hpp"

using namespace test_support;

namespace {

std::string app_binary() { return binary_dir() + "/src/app/vexa-remote"; }

// Runs the app headless on a private document with the given environment and arguments.
ProcessResult run_app(const std::string& args, const std::string& env = "") {
  static auto doc_dir = temp_dir("vexa-app-doc");
  return run_shell("env -u DISPLAY -u WAYLAND_DISPLAY XDG_DATA_HOME=" + shell_quote(doc_dir.string()) + " " + env +
                   " " + shell_quote(app_binary()) + " " + args);
}

}  // namespace

TEST(Process, NoDisplayAndNoScriptExitsWithAHint) {
  auto r = run_app("");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("--screenshot"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST(Process, BadOptionsAreExplained) {
  auto r = run_app("--size 10");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("--size"), std::string::npos);
  EXPECT_EQ(run_app("--key ctrl+nope").exit_code, 2);
  auto help = run_app("--help");
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("confirm-ssh-trust"), std::string::npos);
}

TEST(Process, ScreenshotWritesAPngOfTheRequestedSize) {
  auto dir = temp_dir("vexa-shot");
  auto png = dir / "out.png";
  auto r = run_app("--size 900x600 --scale 2 --screenshot " + shell_quote(png.string()), "VEXA_REMOTE_SAMPLE=1");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto bytes = slurp(png);
  ASSERT_GT(bytes.size(), 24u);
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
  auto be32 = [&](std::size_t at) {
    return (static_cast<unsigned char>(bytes[at]) << 24) | (static_cast<unsigned char>(bytes[at + 1]) << 16) |
           (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
  };
  EXPECT_EQ(be32(16), 1800u);
  EXPECT_EQ(be32(20), 1200u);
  std::filesystem::remove_all(dir);
}

TEST(Process, ScriptStepsRunInOrderAndRefusalsFail) {
  auto r = run_app("--a11y-dump --perform remote.connection.new --type Box --a11y-dump");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto second = r.out.find("\n{");
  ASSERT_NE(second, std::string::npos);
  auto before = nlohmann::json::parse(r.out.substr(0, second));
  auto after = nlohmann::json::parse(r.out.substr(second + 1));
  EXPECT_EQ(before.dump().find("remote.form.heading"), std::string::npos);
  EXPECT_NE(after.dump().find("remote.form.heading"), std::string::npos);
  EXPECT_NE(after.dump().find("\"value\":\"Box\""), std::string::npos);

  auto refused = run_app("--perform remote.no.such.thing --a11y-dump");
  EXPECT_NE(refused.exit_code, 0);
  EXPECT_NE(refused.err.find("remote.no.such.thing"), std::string::npos);
  EXPECT_TRUE(refused.out.empty());
}

TEST(Process, InstallsBinaryDesktopEntryAndIcon) {
  auto prefix = temp_dir("vexa-install");
  auto r = run_shell("cmake --install " + shell_quote(binary_dir()) + " --prefix " + shell_quote(prefix.string()));
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(prefix / "bin/vexa-remote"));
  auto desktop = prefix / "share/applications/io.vexa.remote.desktop";
  EXPECT_TRUE(std::filesystem::exists(prefix / "share/icons/hicolor/scalable/apps/io.vexa.remote.svg"));
  auto valid = run_shell("desktop-file-validate " + shell_quote(desktop.string()));
  EXPECT_EQ(valid.exit_code, 0) << valid.out << valid.err;
  std::filesystem::remove_all(prefix);
}

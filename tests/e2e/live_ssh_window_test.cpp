// An SSH session in the real window under Xvfb, driven with xdotool as a user would: the
// server's new host key stops the connection, "Trust key" on the session card and then in its
// confirmation pins it, the session reconnects, commands typed into the window run in the shell,
// Control+W returns to the list, and a second connection goes straight through. What the window
// shows is read from the accessibility tree it mirrors into a file; where the card and the dialog
// put their buttons comes from the views' own layout. sshd, the window and its X server belong to
// objects that end them, whichever assertion stops the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "e2e/app_geometry.hpp"
#include "e2e/live_window.hpp"
#include "support/sshd_fixture.hpp"

using namespace test_support;
using namespace e2e;
using nlohmann::json;

namespace {

// "SHA256:…" of each host key the server offers, as ssh-keygen prints them.
std::set<std::string> host_fingerprints(const ssh_test::SshdFixture& sshd) {
  std::set<std::string> out;
  for (const char* type : {"ed25519", "ecdsa", "rsa"}) {
    auto r = run_shell("ssh-keygen -l -E sha256 -f " + shell_quote(sshd.host_public_key(type).string()));
    std::istringstream words(r.out);
    std::string bits, fingerprint;
    if (r.exit_code == 0 && words >> bits >> fingerprint) out.insert(fingerprint);
  }
  return out;
}

// Types a command and waits until `output` is a line of its own on the terminal.
void run_command(E2eWindow& w, const std::string& command, const std::string& output) {
  ASSERT_EQ(w.type(command), "");
  ASSERT_EQ(w.key("Return"), "");
  auto printed = [&](const json& t) {
    auto lines = lines_of(field_of(t, "remote.session.surface", "value"));
    return std::find(lines.begin(), lines.end(), output) != lines.end();
  };
  auto tree = w.wait_a11y(printed, kSessionWaitMs);
  ASSERT_TRUE(tree && printed(*tree)) << screen_of(tree);
  EXPECT_NE(screen_of(tree).find(command), std::string::npos) << screen_of(tree);
}

}  // namespace

TEST(LiveWindow, SshNewHostKeyTrustedOnTheCardThenTypedCommandsRunAndThePinHolds) {
  ssh_test::SshdFixture sshd;
  E2eDocument doc;
  auto id = add_profile(doc, "Sshd",
                        "--perform remote.field:host=127.0.0.1 --perform remote.field:port=" + std::to_string(sshd.port()) +
                            " --perform remote.field:user=" + sshd.user() + " --perform remote.auth:public-key");
  ASSERT_EQ(id.size(), 36u);
  const std::string conn = "remote.connection:" + id;

  TempDir dir("vexa-e2e-trust");
  for (const char* sub : {"window", "probe"}) {
    std::filesystem::create_directories(dir.path / sub);
    std::filesystem::permissions(dir.path / sub, std::filesystem::perms::owner_all);
  }
  auto trust_file = dir.path / "window" / "known-hosts.json";
  std::map<std::string, std::string> env = {{"REMOTE_LIVE_SESSIONS", "1"},
                                            {"REMOTE_SSH_KEY", sshd.user_key().string()},
                                            {"REMOTE_SSH_KNOWN_HOSTS", trust_file.string()}};
  // The views' own layout of the card and the dialog, from an attempt with a trust file of its own.
  auto probe_env = env;
  probe_env["REMOTE_SSH_KNOWN_HOSTS"] = (dir.path / "probe" / "known-hosts.json").string();
  auto trust = e2e::trust_controls_for(doc.file(), id, {1280, 800}, probe_env);
  ASSERT_TRUE(trust) << "the card never offered \"Trust key\"\n" << sshd.log();
  auto controls = e2e::controls_for(doc.file(), id, {1280, 800});
  ASSERT_TRUE(controls);

  E2eWindow w(doc, WindowOptions{.env = env, .mirror_a11y = true});
  ASSERT_EQ(w.problem(), "");
  ASSERT_TRUE(w.wait_drawn());
  ASSERT_EQ(w.size(), (std::pair{1280, 800}));

  // Select the row with a click, then connect and confirm with Enter.
  ASSERT_EQ(w.click(controls->row.x + 8, controls->row.center().y), "");
  auto tree = w.wait_a11y([&](const json& t) { return is_selected(t, conn + ":select"); });
  ASSERT_TRUE(tree && is_selected(*tree, conn + ":select")) << "the click selected nothing";
  ASSERT_NO_FATAL_FAILURE(connect_selected(w, "Sshd"));

  // A key nobody trusted: the card says so and offers the trust instead of a retry.
  tree = w.wait_a11y([](const json& t) { return status_of(t).starts_with("Connection failed: "); }, kSessionWaitMs);
  ASSERT_TRUE(tree);
  auto status = status_of(*tree);
  const std::string needs = "Connection failed: SSH host key for 127.0.0.1:" + std::to_string(sshd.port()) +
                            " needs explicit trust: ";
  ASSERT_TRUE(status.starts_with(needs)) << status;
  auto fingerprint = status.substr(status.rfind(' ') + 1);
  EXPECT_TRUE(host_fingerprints(sshd).contains(fingerprint)) << status;
  EXPECT_EQ(status, trust->status) << "the card's layout was computed for another text";
  EXPECT_TRUE(a11y_node(*tree, conn + ":trust-key"));
  EXPECT_FALSE(std::filesystem::exists(trust_file));

  // "Trust key" on the card, then "Trust key" in the dialog it opens.
  ASSERT_EQ(w.click(trust->card_trust.center().x, trust->card_trust.center().y), "");
  ASSERT_NO_FATAL_FAILURE(expect_dialog(w, "Trust SSH key for Sshd?")) << "the card's \"Trust key\" opened no dialog";
  tree = w.a11y();
  ASSERT_TRUE(tree);
  EXPECT_EQ(a11y_label(*tree, "remote.confirmation.confirm"), "Trust key");
  EXPECT_NE(field_of(*tree, "remote.confirmation", "description").find(fingerprint), std::string::npos);
  ASSERT_EQ(w.click(trust->dialog_trust.center().x, trust->dialog_trust.center().y), "");

  // Pinned privately, and connected again.
  tree = w.wait_a11y([](const json& t) { return status_of(t) == "Connected"; }, kSessionWaitMs);
  ASSERT_TRUE(tree);
  ASSERT_EQ(status_of(*tree), "Connected") << sshd.log();
  ASSERT_TRUE(std::filesystem::exists(trust_file));
  EXPECT_EQ(mode_of(trust_file), 0600u);
  EXPECT_NE(slurp(trust_file).find(fingerprint), std::string::npos);

  // Typed into the window, run by the shell; the second needs Shift for capitals and symbols.
  ASSERT_NO_FATAL_FAILURE(run_command(w, "echo hello", "hello"));
  ASSERT_NO_FATAL_FAILURE(run_command(w, "echo 'Mixed|Case' $((6*7))", "Mixed|Case 42"));

  // Control+W closes the session instead of reaching the shell.
  ASSERT_EQ(w.key("ctrl+w"), "");
  tree = w.wait_a11y([&](const json& t) { return !a11y_node(t, "remote.session.status") && a11y_node(t, conn + ":select"); });
  ASSERT_TRUE(tree);
  ASSERT_FALSE(a11y_node(*tree, "remote.session.status")) << "still on the session screen";

  // Connecting again goes straight through: the pinned key is the server's.
  ASSERT_NO_FATAL_FAILURE(connect_selected(w, "Sshd"));
  tree = w.wait_a11y([](const json& t) { return status_of(t) == "Connected" || status_of(t).starts_with("Connection failed"); },
                     kSessionWaitMs);
  ASSERT_TRUE(tree);
  EXPECT_EQ(status_of(*tree), "Connected");
  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);
}

// SSH sessions in the real window under Xvfb, driven with xdotool as a user would. A new host
// key stops the connection; "Trust key" on the session card and then in its confirmation pins
// it, the session reconnects, commands typed into the window run in the shell, Control+W returns
// to the list, and a second connection goes straight through. A key that differs from the pin
// is offered for forgetting instead, and once forgotten the server's key waits for trust again.
// What the window shows is read from the accessibility tree it mirrors into a file; where the
// card and the dialog put their buttons comes from the views' own layout. sshd, the window and
// its X server belong to objects that end them, whichever assertion stops the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "e2e/app_geometry.hpp"
#include "e2e/live_window.hpp"
#include "platform/sys/paths.hpp"
#include "support/sshd_fixture.hpp"

using namespace test_support;
using namespace e2e;
using nlohmann::json;

namespace {

const vexa_ui::Size kWindow{1280, 800};

// A fresh sshd with a saved public-key profile "Sshd" for it, and two private trust files: the
// window's, and one for the in-process attempt that lays out the card.
struct SshSetup {
  ssh_test::SshdFixture sshd;
  E2eDocument doc;
  TempDir dir{"vexa-e2e-trust"};
  std::string id, conn;
  std::filesystem::path trust_file = dir.path / "window" / "known-hosts.json";
  std::map<std::string, std::string> env, probe_env;

  SshSetup() {
    id = add_profile(doc, "Sshd",
                     "--perform remote.field:host=127.0.0.1 --perform remote.field:port=" + std::to_string(sshd.port()) +
                         " --perform remote.field:user=" + sshd.user() + " --perform remote.auth:public-key");
    conn = "remote.connection:" + id;
    for (const char* sub : {"window", "probe"}) {
      std::filesystem::create_directories(dir.path / sub);
      std::filesystem::permissions(dir.path / sub, std::filesystem::perms::owner_all);
    }
    env = {{"REMOTE_LIVE_SESSIONS", "1"},
           {"REMOTE_SSH_KEY", sshd.user_key().string()},
           {"REMOTE_SSH_KNOWN_HOSTS", trust_file.string()}};
    probe_env = env;
    probe_env["REMOTE_SSH_KNOWN_HOSTS"] = (dir.path / "probe" / "known-hosts.json").string();
  }

  // Both trust files start out holding `text`.
  bool seed_trust(const std::string& text) const {
    return vexa::sys::write_atomic(trust_file, text, 0600) &&
           vexa::sys::write_atomic(probe_env.at("REMOTE_SSH_KNOWN_HOSTS"), text, 0600);
  }
  std::string port() const { return std::to_string(sshd.port()); }
};

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

// Clicks the profile's row in the list and waits until it is selected.
void select_by_click(E2eWindow& w, const SshSetup& s) {
  auto controls = e2e::controls_for(s.doc.file(), s.id, kWindow);
  ASSERT_TRUE(controls);
  ASSERT_EQ(w.click(controls->row.x + 8, controls->row.center().y), "");
  auto tree = w.wait_a11y([&](const json& t) { return is_selected(t, s.conn + ":select"); });
  ASSERT_TRUE(tree && is_selected(*tree, s.conn + ":select")) << "the click selected nothing";
}

// Waits for the session's status to leave "Connecting" (call it when no earlier outcome is on
// screen); the last status read.
std::string settled_status(const E2eWindow& w) {
  auto tree = w.wait_a11y([](const json& t) { return status_of(t) == "Connected" || status_of(t).starts_with("Connection failed"); },
                          kSessionWaitMs);
  return tree ? status_of(*tree) : "no tree";
}

// Waits until the shell shows its prompt: the last line with text ends in "$" or "#". Typing
// earlier would race the shell's start-up, as it would for a user.
void wait_prompt(const E2eWindow& w) {
  auto prompted = [](const json& t) {
    auto lines = lines_of(field_of(t, "remote.session.surface", "value"));
    auto last = std::find_if(lines.rbegin(), lines.rend(), [](const std::string& l) { return !l.empty(); });
    return last != lines.rend() && (last->ends_with("$") || last->ends_with("#"));
  };
  auto tree = w.wait_a11y(prompted, kSessionWaitMs);
  ASSERT_TRUE(tree && prompted(*tree)) << "no prompt:\n" << screen_of(tree);
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
  SshSetup s;
  ASSERT_EQ(s.id.size(), 36u);
  auto trust = e2e::host_key_controls_for(s.doc.file(), s.id, kWindow, s.probe_env);
  ASSERT_TRUE(trust) << "the card never offered \"Trust key\"\n" << s.sshd.log();

  E2eWindow w(s.doc, WindowOptions{.env = s.env, .mirror_a11y = true});
  ASSERT_EQ(w.problem(), "");
  ASSERT_TRUE(w.wait_drawn());
  ASSERT_EQ(w.size(), (std::pair{1280, 800}));
  ASSERT_NO_FATAL_FAILURE(select_by_click(w, s));
  ASSERT_NO_FATAL_FAILURE(connect_selected(w, "Sshd"));

  // A key nobody trusted: the card says so and offers the trust instead of a retry.
  auto status = settled_status(w);
  const std::string needs = "Connection failed: SSH host key for 127.0.0.1:" + s.port() + " needs explicit trust: ";
  ASSERT_TRUE(status.starts_with(needs)) << status;
  auto fingerprint = status.substr(status.rfind(' ') + 1);
  EXPECT_TRUE(host_fingerprints(s.sshd).contains(fingerprint)) << status;
  EXPECT_EQ(status, trust->status) << "the card's layout was computed for another text";
  auto shown = w.a11y();
  EXPECT_TRUE(shown && a11y_node(*shown, s.conn + ":trust-key"));
  EXPECT_FALSE(std::filesystem::exists(s.trust_file));

  // "Trust key" on the card, then "Trust key" in the dialog it opens.
  ASSERT_EQ(w.click(trust->card_button.center().x, trust->card_button.center().y), "");
  ASSERT_NO_FATAL_FAILURE(expect_dialog(w, "Trust SSH key for Sshd?")) << "the card's \"Trust key\" opened no dialog";
  auto tree = w.a11y();
  ASSERT_TRUE(tree);
  EXPECT_EQ(a11y_label(*tree, "remote.confirmation.confirm"), "Trust key");
  EXPECT_NE(field_of(*tree, "remote.confirmation", "description").find(fingerprint), std::string::npos);
  ASSERT_EQ(w.click(trust->dialog_confirm.center().x, trust->dialog_confirm.center().y), "");

  // Pinned privately, and connected again. (Until the click is handled the card still shows
  // the refusal, so this waits for the connection itself.)
  tree = w.wait_a11y([](const json& t) { return status_of(t) == "Connected"; }, kSessionWaitMs);
  ASSERT_TRUE(tree);
  ASSERT_EQ(status_of(*tree), "Connected") << s.sshd.log();
  ASSERT_TRUE(std::filesystem::exists(s.trust_file));
  EXPECT_EQ(mode_of(s.trust_file), 0600u);
  EXPECT_NE(slurp(s.trust_file).find(fingerprint), std::string::npos);

  // Typed into the window, run by the shell; the second needs Shift for capitals and symbols.
  ASSERT_NO_FATAL_FAILURE(wait_prompt(w));
  ASSERT_NO_FATAL_FAILURE(run_command(w, "echo hello", "hello"));
  ASSERT_NO_FATAL_FAILURE(run_command(w, "echo 'Mixed|Case' $((6*7))", "Mixed|Case 42"));

  // Control+W closes the session instead of reaching the shell.
  ASSERT_EQ(w.key("ctrl+w"), "");
  tree = w.wait_a11y([&](const json& t) { return !a11y_node(t, "remote.session.status") && a11y_node(t, s.conn + ":select"); });
  ASSERT_TRUE(tree);
  ASSERT_FALSE(a11y_node(*tree, "remote.session.status")) << "still on the session screen";

  // Connecting again goes straight through: the pinned key is the server's.
  ASSERT_NO_FATAL_FAILURE(connect_selected(w, "Sshd"));
  EXPECT_EQ(settled_status(w), "Connected");
  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);
}

TEST(LiveWindow, SshChangedHostKeyForgottenOnTheCardThenWaitsForTrustAgain) {
  SshSetup s;
  ASSERT_EQ(s.id.size(), 36u);
  // A pin for this server that none of its keys matches.
  const std::string stale = "SHA256:" + std::string(43, 'A');
  ASSERT_TRUE(s.seed_trust(R"({"entries": [{"host": "127.0.0.1", "port": )" + s.port() +
                           R"(, "identity": {"algorithm": "ssh-ed25519", "fingerprint": ")" + stale + R"("}}]})"));
  auto forget = e2e::host_key_controls_for(s.doc.file(), s.id, kWindow, s.probe_env);
  ASSERT_TRUE(forget) << "the card never offered \"Forget key\"\n" << s.sshd.log();

  E2eWindow w(s.doc, WindowOptions{.env = s.env, .mirror_a11y = true});
  ASSERT_EQ(w.problem(), "");
  ASSERT_TRUE(w.wait_drawn());
  ASSERT_NO_FATAL_FAILURE(select_by_click(w, s));
  ASSERT_NO_FATAL_FAILURE(connect_selected(w, "Sshd"));

  auto status = settled_status(w);
  const std::string changed = "Connection failed: SSH host key changed for 127.0.0.1:" + s.port() +
                              ". Expected ssh-ed25519 " + stale + "; received ";
  ASSERT_TRUE(status.starts_with(changed)) << status;
  EXPECT_TRUE(status.ends_with(". Connection blocked.")) << status;
  EXPECT_EQ(status, forget->status) << "the card's layout was computed for another text";
  auto shown = w.a11y();
  EXPECT_TRUE(shown && a11y_node(*shown, s.conn + ":forget-key"));

  // "Forget key" on the card, then in the dialog: the pin goes and the session ends.
  ASSERT_EQ(w.click(forget->card_button.center().x, forget->card_button.center().y), "");
  ASSERT_NO_FATAL_FAILURE(expect_dialog(w, "Forget SSH key for Sshd?")) << "the card's \"Forget key\" opened no dialog";
  ASSERT_EQ(w.click(forget->dialog_confirm.center().x, forget->dialog_confirm.center().y), "");
  const std::string forgot = "Forgot the local SSH host-key pin. Reconnect to review the next key before trusting it.";
  auto tree = w.wait_a11y([&](const json& t) { return a11y_label(t, "remote.action.notice") == forgot; });
  ASSERT_TRUE(tree);
  EXPECT_EQ(a11y_label(*tree, "remote.action.notice"), forgot);
  EXPECT_FALSE(a11y_node(*tree, "remote.session.status")) << "the session did not end";
  EXPECT_EQ(slurp(s.trust_file).find(stale), std::string::npos) << slurp(s.trust_file);
  EXPECT_EQ(mode_of(s.trust_file), 0600u);

  // Reconnecting shows the server's key for review, nothing trusted on the way.
  ASSERT_NO_FATAL_FAILURE(connect_selected(w, "Sshd"));
  status = settled_status(w);
  EXPECT_TRUE(status.starts_with("Connection failed: SSH host key for 127.0.0.1:" + s.port() + " needs explicit trust: "))
      << status;
  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);
}

// Live sessions through the real binary's headless script, against real servers on loopback:
// OpenSSH's sshd (explicit host-key trust, then typing into the shell) and TigerVNC's Xvnc.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "support/process.hpp"
#include "support/sshd_fixture.hpp"
#include "support/vnc_xvnc_fixture.hpp"

using namespace test_support;
using nlohmann::json;

namespace {

// Each --a11y-dump prints one pretty JSON document starting at the beginning of a line.
std::vector<json> dumps(const std::string& out) {
  std::vector<json> docs;
  std::size_t start = 0;
  while (start < out.size()) {
    std::size_t next = out.find("\n{", start + 1);
    std::string part = out.substr(start, next == std::string::npos ? std::string::npos : next + 1 - start);
    if (part.find('{') != std::string::npos) docs.push_back(json::parse(part));
    if (next == std::string::npos) break;
    start = next + 1;
  }
  return docs;
}

const json* find_node(const json& node, const std::string& id) {
  if (node.value("id", "") == id) return &node;
  if (node.contains("children")) {
    for (const auto& child : node["children"]) {
      if (auto* hit = find_node(child, id)) return hit;
    }
  }
  return nullptr;
}

std::string label_of(const json& tree, const std::string& id) {
  auto* node = find_node(tree, id);
  return node ? node->value("label", "") : "";
}

struct Workspace {
  std::filesystem::path dir = temp_dir("vexa-live");
  std::string env;

  Workspace() {
    std::filesystem::create_directories(dir / "trust");
    ::chmod((dir / "trust").c_str(), 0700);
    env = "env -u DISPLAY XDG_DATA_HOME=" + shell_quote((dir / "data").string()) +
          " REMOTE_SSH_KNOWN_HOSTS=" + shell_quote((dir / "trust" / "known-hosts.json").string()) +
          " REMOTE_LIVE_SESSIONS=1 ";
  }
  ~Workspace() { std::filesystem::remove_all(dir); }

  ProcessResult run(const std::string& extra_env, const std::string& args) {
    return run_shell(env + extra_env + " " + shell_quote(binary_dir() + "/src/app/vexa-remote") + " " + args);
  }

  // Saves a profile through the form and returns its id.
  std::string add_profile(const std::string& fields) {
    auto r = run("", "--perform remote.connection.new " + fields + " --perform remote.form.save --a11y-dump");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    auto docs = dumps(r.out);
    if (docs.empty()) return {};
    auto text = docs.back().dump();
    auto at = text.find("remote.connection:");
    if (at == std::string::npos) return {};
    return text.substr(at + 18, 36);
  }
};

}  // namespace

TEST(LiveSsh, NewKeyNeedsExplicitTrustThenTypedTextReachesTheTerminal) {
  ssh_test::SshdFixture sshd;
  Workspace w;
  auto id = w.add_profile("--perform remote.field:name=Sshd --perform remote.field:host=127.0.0.1 --perform remote.field:port=" +
                          std::to_string(sshd.port()) + " --perform remote.field:user=" + sshd.user() +
                          " --perform remote.auth:public-key");
  ASSERT_EQ(id.size(), 36u);
  std::string conn = "remote.connection:" + id;
  auto r = w.run("REMOTE_SSH_KEY=" + shell_quote(sshd.user_key().string()),
                 "--perform " + conn + ":connect --perform remote.confirmation.confirm --run-ms 4000 --a11y-dump"
                 " --perform " + conn + ":trust-key --a11y-dump --perform remote.confirmation.confirm --run-ms 4000"
                 " --type 'echo hel''lo' --key Enter --run-ms 2500 --a11y-dump");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto docs = dumps(r.out);
  ASSERT_EQ(docs.size(), 3u) << r.out;
  // A key nobody trusted yet: the connection stops before any authentication.
  auto refused = label_of(docs[0], "remote.session.status");
  EXPECT_TRUE(refused.starts_with("Connection failed: ")) << refused;
  EXPECT_NE(refused.find("127.0.0.1"), std::string::npos) << refused;
  EXPECT_TRUE(find_node(docs[0], conn + ":trust-key"));
  EXPECT_TRUE(label_of(docs[1], "remote.confirmation").starts_with("Trust SSH key for Sshd?"));
  // Trusted and reconnected: the shell ran what was typed.
  EXPECT_EQ(label_of(docs[2], "remote.session.status"), "Connected");
  auto* surface = find_node(docs[2], "remote.session.surface");
  ASSERT_TRUE(surface);
  std::string screen = surface->value("value", "");
  EXPECT_NE(screen.find("echo hello"), std::string::npos) << screen;
  EXPECT_NE(screen.find("\nhello"), std::string::npos) << screen;
  // The pin is stored privately.
  struct stat st {};
  ASSERT_EQ(::stat((w.dir / "trust" / "known-hosts.json").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(LiveVnc, ConnectsToXvncAndShowsTheDesktop) {
  auto server = rfb::test::XvncServer::start({640, 480, std::nullopt});
  ASSERT_TRUE(server) << server.error();
  Workspace w;
  auto id = w.add_profile("--perform remote.kind:VNC --perform remote.field:name=Desk --perform remote.field:host=127.0.0.1"
                          " --perform remote.field:port=" + std::to_string((*server)->port()));
  ASSERT_EQ(id.size(), 36u);
  auto shot = w.dir / "desk.png";
  auto r = w.run("", "--perform remote.connection:" + id + ":connect --perform remote.confirmation.confirm --run-ms 3000"
                     " --a11y-dump --screenshot " + shell_quote(shot.string()) +
                     " --perform remote.session.disconnect --a11y-dump");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto docs = dumps(r.out);
  ASSERT_EQ(docs.size(), 2u);
  EXPECT_EQ(label_of(docs[0], "remote.session.status"), "Connected");
  EXPECT_TRUE(find_node(docs[0], "remote.session.scale"));
  EXPECT_FALSE(find_node(docs[1], "remote.session.status"));  // back on the list
  EXPECT_TRUE(std::filesystem::exists(shot));
}

TEST(LiveVnc, RefusedPortFailsWithTheOsText) {
  Workspace w;
  // A port nothing listens on: bind one, then close it.
  auto id = w.add_profile("--perform remote.kind:VNC --perform remote.field:name=Gone --perform remote.field:host=127.0.0.1"
                          " --perform remote.field:port=1");
  auto r = w.run("", "--perform remote.connection:" + id + ":connect --perform remote.confirmation.confirm --run-ms 1500 --a11y-dump");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto docs = dumps(r.out);
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(label_of(docs[0], "remote.session.status"), "Connection failed: Connection refused");
}

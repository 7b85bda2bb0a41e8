// Live sessions in the real window under Xvfb, driven with xdotool as a user would: an SSH
// server's new host key trusted through the session card and its confirmation, then a command
// typed into the shell; a VNC desktop drawn where the view's own layout puts it, and a click on
// it arriving at the framebuffer point the view's own mapping gives. The window's accessibility
// tree is read from the file it mirrors it into. Servers, windows and X servers belong to
// objects that end them, whichever assertion stops the test.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <sstream>
#include <thread>

#include "e2e/app_geometry.hpp"
#include "rfb/input.hpp"
#include "support/e2e_window.hpp"
#include "support/sshd_fixture.hpp"
#include "support/vnc_x11_observer.hpp"
#include "support/vnc_xvnc_fixture.hpp"

using namespace test_support;
using nlohmann::json;

namespace {

constexpr int kSessionWaitMs = 20000;  // reaching a local server, generous for a loaded machine

// A private folder removed at the end.
struct TempDir {
  std::filesystem::path path;
  explicit TempDir(const std::string& tag) : path(temp_dir(tag)) {}
  ~TempDir() { std::filesystem::remove_all(path); }
};

// Saves a profile through the form of a headless run and returns its id as the list shows it.
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

// A member of a node as text (or "" when the node or the member is missing), and its selection.
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

unsigned mode_of(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
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
    ::chmod((dir.path / sub).c_str(), 0700);
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

  E2eWindow w(doc, WindowOptions{.env = env, .mirror_a11y = true});
  ASSERT_EQ(w.problem(), "");
  ASSERT_TRUE(w.wait_drawn());
  ASSERT_EQ(w.size(), (std::pair{1280, 800}));
  auto controls = e2e::controls_for(doc.file(), id, {1280, 800});
  ASSERT_TRUE(controls);

  // Select the row with a click, connect with Enter, confirm with Enter.
  ASSERT_EQ(w.click(controls->row.x + 8, controls->row.center().y), "");
  auto tree = w.wait_a11y([&](const json& t) { return is_selected(t, conn + ":select"); });
  ASSERT_TRUE(tree && is_selected(*tree, conn + ":select")) << "the click selected nothing";
  ASSERT_EQ(w.key("Return"), "");
  tree = w.wait_a11y([](const json& t) { return a11y_node(t, "remote.confirmation") != nullptr; });
  ASSERT_TRUE(tree);
  ASSERT_EQ(a11y_label(*tree, "remote.confirmation"), "Connect to Sshd?");
  ASSERT_EQ(w.key("Return"), "");

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
  tree = w.wait_a11y([](const json& t) { return a11y_node(t, "remote.confirmation") != nullptr; });
  ASSERT_TRUE(tree);
  ASSERT_EQ(a11y_label(*tree, "remote.confirmation"), "Trust SSH key for Sshd?") << "the card's \"Trust key\" opened no dialog";
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

  // Typed into the shell: each command's output is a line of its own on the terminal. The
  // second needs Shift for capitals and symbols, as typed on a real keyboard.
  for (const auto& [command, output] : {std::pair{"echo hello", "hello"}, {"echo 'Mixed|Case' $((6*7))", "Mixed|Case 42"}}) {
    ASSERT_EQ(w.type(command), "");
    ASSERT_EQ(w.key("Return"), "");
    auto printed = [&](const json& t) {
      auto lines = lines_of(field_of(t, "remote.session.surface", "value"));
      return std::find(lines.begin(), lines.end(), output) != lines.end();
    };
    tree = w.wait_a11y(printed, kSessionWaitMs);
    ASSERT_TRUE(tree && printed(*tree)) << screen_of(tree);
    EXPECT_NE(screen_of(tree).find(command), std::string::npos) << screen_of(tree);
  }

  // Control+W closes the session instead of reaching the shell.
  ASSERT_EQ(w.key("ctrl+w"), "");
  tree = w.wait_a11y([&](const json& t) { return !a11y_node(t, "remote.session.status") && a11y_node(t, conn + ":select"); });
  ASSERT_TRUE(tree);
  EXPECT_FALSE(a11y_node(*tree, "remote.session.status")) << "still on the session screen";

  // Connecting again goes straight through: the pinned key is the server's.
  ASSERT_EQ(w.key("Return"), "");
  tree = w.wait_a11y([](const json& t) { return a11y_node(t, "remote.confirmation") != nullptr; });
  ASSERT_TRUE(tree);
  ASSERT_EQ(a11y_label(*tree, "remote.confirmation"), "Connect to Sshd?");
  ASSERT_EQ(w.key("Return"), "");
  tree = w.wait_a11y([](const json& t) { return status_of(t) == "Connected" || status_of(t).starts_with("Connection failed"); },
                     kSessionWaitMs);
  ASSERT_TRUE(tree);
  EXPECT_EQ(status_of(*tree), "Connected");
  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);
}

namespace {

constexpr std::uint32_t kRoot = 0x2a6fb0;  // the desktop's colour, set with xsetroot

// The share of pixels in `r` (window coordinates, shifted to the capture by `origin`) that
// have `colour`.
double share_of(const Screenshot& shot, vexa_ui::Rect r, std::pair<int, int> origin, std::uint32_t colour) {
  std::size_t hits = 0, all = 0;
  for (int y = static_cast<int>(r.y); y < static_cast<int>(r.bottom()); ++y) {
    for (int x = static_cast<int>(r.x); x < static_cast<int>(r.right()); ++x) {
      int sx = x + origin.first, sy = y + origin.second;
      if (sx < 0 || sy < 0 || sx >= shot.width || sy >= shot.height) continue;
      ++all;
      hits += shot.pixels[static_cast<std::size_t>(sy) * shot.width + sx] == colour;
    }
  }
  return all ? static_cast<double>(hits) / all : 0;
}

}  // namespace

TEST(LiveWindow, VncDesktopIsDrawnWhereTheViewPlacesItAndClicksAndKeysReachTheServer) {
  auto server = rfb::test::XvncServer::start({640, 480, std::nullopt});
  ASSERT_TRUE(server) << server.error();
  ASSERT_EQ((*server)->run("xsetroot -solid '#2a6fb0'"), 0);
  rfb::test::X11Observer observer((*server)->display());
  ASSERT_TRUE(observer.ok());
  E2eDocument doc;
  auto id = add_profile(doc, "Desk",
                        "--perform remote.kind:VNC --perform remote.field:host=127.0.0.1 --perform remote.field:port=" +
                            std::to_string((*server)->port()));
  ASSERT_EQ(id.size(), 36u);
  auto placed = e2e::desktop_for(doc.file(), id, {1280, 800}, 640, 480);
  ASSERT_TRUE(placed);

  E2eWindow w(doc, WindowOptions{.env = {{"REMOTE_LIVE_SESSIONS", "1"}}, .mirror_a11y = true});
  ASSERT_EQ(w.problem(), "");
  ASSERT_TRUE(w.wait_drawn());
  ASSERT_EQ(w.size(), (std::pair{1280, 800}));
  // Keyboard only: the first row, Enter to connect, Enter to confirm.
  ASSERT_EQ(w.key("Down"), "");
  const std::string row = "remote.connection:" + id + ":select";
  auto tree = w.wait_a11y([&](const json& t) { return is_selected(t, row); });
  ASSERT_TRUE(tree && is_selected(*tree, row)) << "Down selected nothing";
  ASSERT_EQ(w.key("Return"), "");
  tree = w.wait_a11y([](const json& t) { return a11y_node(t, "remote.confirmation") != nullptr; });
  ASSERT_TRUE(tree);
  ASSERT_EQ(a11y_label(*tree, "remote.confirmation"), "Connect to Desk?");
  ASSERT_EQ(w.key("Return"), "");
  tree = w.wait_a11y([](const json& t) { return status_of(t) == "Connected"; }, kSessionWaitMs);
  ASSERT_TRUE(tree);
  ASSERT_EQ(status_of(*tree), "Connected");

  // The desktop fills the image rectangle; the rest of the surface is black. Edges are left
  // out: scaling blends them. The server draws its cursor into the image, hence a share.
  auto origin = w.origin();
  auto inside = placed->image.inset(2, 2);
  std::optional<Screenshot> shot;
  for (auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSessionWaitMs);
       std::chrono::steady_clock::now() < deadline;) {
    shot = w.capture();
    if (shot && share_of(*shot, inside, origin, kRoot) > 0.995) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(shot);
  EXPECT_GT(share_of(*shot, inside, origin, kRoot), 0.995) << "the desktop's colour is not where the view draws it";
  const auto& s = placed->surface;
  const auto& img = placed->image;
  ASSERT_GT(img.x - s.x, 4) << "the test needs a margin beside the image";
  vexa_ui::Rect left{s.x, s.y, img.x - s.x - 2, s.height}, right{img.right() + 2, s.y, s.right() - img.right() - 2, s.height};
  EXPECT_EQ(share_of(*shot, left, origin, 0x000000), 1.0);
  EXPECT_EQ(share_of(*shot, right, origin, 0x000000), 1.0);

  // Press and release off-centre on the image; the server sees both at the mapped point.
  double px = std::round(img.x + img.width * 0.3), py = std::round(img.y + img.height * 0.65);
  auto expected = rfb::map_image_point({img.x, img.y, img.right(), img.bottom()}, 640, 480, px, py);
  ASSERT_TRUE(expected);
  ASSERT_EQ(w.press(px, py), "");
  EXPECT_TRUE(observer.wait_pointer(expected->x, expected->y, 1)) << "press at " << expected->x << "," << expected->y;
  ASSERT_EQ(w.release(), "");
  EXPECT_TRUE(observer.wait_pointer(expected->x, expected->y, 0)) << "release at " << expected->x << "," << expected->y;

  // Keys typed in the window reach the desktop as presses and releases of their key symbols.
  ASSERT_EQ(w.type("ok"), "");
  ASSERT_EQ(w.key("Return"), "");
  std::vector<rfb::test::X11Observer::Key> typed = {{true, 'o'}, {false, 'o'}, {true, 'k'},
                                                    {false, 'k'}, {true, 0xff0d}, {false, 0xff0d}};
  EXPECT_EQ(observer.keys(typed.size()), typed);

  ASSERT_EQ(w.key("ctrl+w"), "");
  tree = w.wait_a11y([](const json& t) { return !a11y_node(t, "remote.session.status"); });
  ASSERT_TRUE(tree);
  EXPECT_FALSE(a11y_node(*tree, "remote.session.status"));
  ASSERT_TRUE(w.request_close());
  EXPECT_EQ(w.wait_exit(10000), 0);
}

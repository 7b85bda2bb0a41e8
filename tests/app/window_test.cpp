// The real window under Xvfb, driven with xdotool as a user would.
#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

#include "support/process.hpp"
#include "support/xvfb.hpp"

using namespace test_support;

namespace {

struct WindowSession {
  Xvfb x;
  std::filesystem::path data = temp_dir("vexa-window");
  std::unique_ptr<Child> app;
  unsigned long window = 0;

  explicit WindowSession(std::map<std::string, std::string> env = {}) {
    if (!x.ok()) return;
    env["DISPLAY"] = x.display();
    env["XDG_DATA_HOME"] = data.string();
    app = std::make_unique<Child>(std::vector<std::string>{binary_dir() + "/src/app/vexa-remote"}, env);
    window = find_window(x.display(), "Remote", 10000).value_or(0);
  }
  ~WindowSession() { std::filesystem::remove_all(data); }

  ProcessResult xdotool(const std::string& args) {
    return run_shell("DISPLAY=" + x.display() + " xdotool " + args);
  }
  // Waits until the screen differs from `before` (the app repaints after input).
  std::optional<Screenshot> settle(const std::optional<Screenshot>& before) {
    for (int i = 0; i < 100; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      auto now = capture_root(x.display());
      // The first frame: something is drawn; later: something changed.
      bool ready = before ? now && now->pixels != before->pixels : now && now->distinct_colours() > 1;
      if (ready) return now;
    }
    return capture_root(x.display());
  }
};

}  // namespace

TEST(Window, DrawsAndAnswersKeysAndClosesCleanly) {
  WindowSession s(std::map<std::string, std::string>{{"VEXA_REMOTE_SAMPLE", "1"}});
  ASSERT_TRUE(s.x.ok()) << "Xvfb did not start";
  ASSERT_NE(s.window, 0u) << "no window titled Remote appeared";
  auto first = s.settle(std::nullopt);
  ASSERT_TRUE(first);
  // Drawn, not blank: text and cards give many colours.
  EXPECT_GT(first->distinct_colours(), 50u);
  s.window = find_window(s.x.display(), "Remote", 5000).value_or(0);  // the window that drew
  auto r = s.xdotool("key --window " + std::to_string(s.window) + " ctrl+n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto after = s.settle(first);
  ASSERT_TRUE(after);
  EXPECT_NE(after->pixels, first->pixels) << "Control+N did not change the window";
  ASSERT_TRUE(request_close(s.x.display(), s.window));
  EXPECT_EQ(s.app->wait_exit(10000), 0);
}

TEST(Window, EndsCleanlyOnSigterm) {
  WindowSession s;
  ASSERT_TRUE(s.x.ok());
  ASSERT_NE(s.window, 0u);
  s.app->signal(SIGTERM);
  EXPECT_EQ(s.app->wait_exit(10000), 0);
}

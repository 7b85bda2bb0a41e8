// An SSH session flooded with shell output: frames the app draws per second against the pacing
// rate, and the UI thread's CPU against feeding the same bytes to a screen directly.
#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/session/app_window.hpp"
#include "bench/session/cpu_clock.hpp"
#include "bench/session/raster_anatomy.hpp"
#include "bench/session/report.hpp"
#include "bench/session/sessions.hpp"
#include "support/ssh_server_fixture.hpp"
#include "vt/terminal_screen.hpp"

namespace session_bench {

namespace {

// The server writes the flood in pieces of this size, cut from a pattern of this period.
constexpr std::size_t kPiece = 32 * 1024;
constexpr std::size_t kPeriod = 64 * 26;

// The same bytes, fed straight into a screen of the session's size in the server's pieces.
double direct_feed_seconds(std::uint64_t total) {
  std::vector<std::uint8_t> pattern(kPeriod + kPiece);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = ssh_test::flood_byte(i);
  vt::TerminalScreen screen(80, 24);
  double start = thread_cpu_seconds();
  for (std::uint64_t offset = 0; offset < total; offset += kPiece) {
    auto size = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, total - offset));
    screen.feed({pattern.data() + offset % kPeriod, size});
  }
  return thread_cpu_seconds() - start;
}

struct FloodRun {
  FrameStats stats;
  vexa_ui::Scene last_terminal;  // the last scene drawn while the shell was connected
  bool complete = false;
  std::string failure;
};

// A fresh session that floods `bytes` and then exits; frames run until the last output is drawn.
FloodRun flood(AppWindow& window, const profiles::ConnectionProfile& profile, std::uint64_t bytes,
               const RunOptions& options, double max_seconds) {
  FloodRun run;
  auto& app = window.app();
  window.connect(profile);
  LoopOptions loop{options.pacing, 15};
  run_frames(window.host(), loop, [&](bool) { return !window.live() || window.connected(); });
  if (!window.connected()) {
    auto status = app.sessions.status();
    run.failure = status ? status->text : "no session";
    return run;
  }
  if (auto error = app.send_text(profile.id, fmt::format("flood {}\rexit\r", bytes), false)) {
    run.failure = *error;
    return run;
  }
  loop.max_seconds = max_seconds;
  run.stats = run_frames(window.host(), loop, [&](bool drawn) {
    if (drawn && window.connected()) run.last_terminal = window.host().scene();  // a few µs
    return !drawn && !window.live();
  });
  auto status = app.sessions.status();
  run.complete = status && status->kind == vexa::sys::SessionStatus::Kind::Ended;
  if (!run.complete) run.failure = status ? "session still live or failed: " + status->text : "no session";
  return run;
}

profiles::ConnectionProfile ssh_profile(const SshPeer& peer) {
  profiles::ConnectionProfile p;
  p.id = profiles::Uuid::new_v4();
  p.name = "Bench shell";
  p.kind = profiles::ConnectionKind::Ssh;
  p.host = "127.0.0.1";
  p.port = peer.port();
  p.user = "tester";
  p.auth = profiles::AuthMethod::Password;
  return p;
}

}  // namespace

int run_ssh(const RunOptions& options, const SshPeer& peer) {
  ::setenv("REMOTE_SSH_KNOWN_HOSTS", peer.store().c_str(), 1);
  ::setenv("REMOTE_SSH_PASSWORD", "correct horse", 1);
  AppWindow window(options.window, options.scale);
  const auto profile = ssh_profile(peer);
  // A first, short flood sizes the measured one so that it lasts about the window's length.
  constexpr std::uint64_t kProbe = 16ull << 20;
  auto probe = flood(window, profile, kProbe, options, 60);
  if (!probe.complete) {
    fmt::print(stderr, "probe flood failed: {}\n", probe.failure);
    return 1;
  }
  const double rate = static_cast<double>(kProbe) / probe.stats.wall;
  const auto total = std::max<std::uint64_t>(kProbe, static_cast<std::uint64_t>(rate * options.seconds));
  auto run = flood(window, profile, total, options, options.seconds * 4 + 30);
  if (!run.complete) {
    fmt::print(stderr, "flood failed: {}\n", run.failure);
    return 1;
  }
  const auto& s = run.stats;
  const double direct = direct_feed_seconds(total);
  const std::string prefix = fmt::format("session_ssh_{}", pacing_name(options.pacing));
  fmt::print("{}: {:.1f} MiB of shell output into an 80x24 terminal in a {:.0f}x{:.0f} window at scale {}\n", prefix,
             static_cast<double>(total) / (1 << 20), options.window.width, options.window.height, options.scale);
  bench(prefix + "_frames_per_s", s.frames_per_second(), "frames/s", pacing_rate(options.pacing), "pacing_rate");
  bench(prefix + "_output_mib_per_s", static_cast<double>(total) / (1 << 20) / s.wall, "MiB/s");
  bench(prefix + "_ui_cpu", s.ui_cpu, "s", direct, "direct_feed_same_bytes");
  bench(prefix + "_direct_feed_cpu", direct, "s");
  bench(prefix + "_ui_cpu_per_frame", s.per_drawn(s.ui_cpu) * 1e3, "ms");
  // What a frame costs beyond moving the bytes into the screen: drawing the terminal.
  bench(prefix + "_ui_cpu_beyond_feed_per_frame", s.per_drawn(std::max(0.0, s.ui_cpu - direct)) * 1e3, "ms");
  report_frames(prefix, s);
  report_raster_anatomy(prefix, run.last_terminal, raster_target(options));
  return 0;
}

}  // namespace session_bench

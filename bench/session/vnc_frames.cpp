// A VNC session to Xvnc receiving continuous full-screen updates: frames the app draws per
// second against the updates its RFB worker received in the same window, and the CPU per drawn
// frame against one plain copy of a frame.
#include <fmt/format.h>

#include <cstring>
#include <limits>
#include <vector>

#include "bench/session/app_window.hpp"
#include "bench/session/cpu_clock.hpp"
#include "bench/session/raster_anatomy.hpp"
#include "bench/session/report.hpp"
#include "bench/session/sessions.hpp"

namespace session_bench {

namespace {

// The least work a new frame can cost the UI: copying its pixels once.
double memcpy_seconds(std::size_t bytes) {
  std::vector<std::uint8_t> from(bytes, 1), to(bytes, 2);
  double best = std::numeric_limits<double>::max();
  for (int round = 0; round < 5; ++round) {
    double start = thread_cpu_seconds();
    for (int i = 0; i < 20; ++i) {
      std::memcpy(to.data(), from.data(), bytes);
      asm volatile("" : : "r"(to.data()) : "memory");
    }
    best = std::min(best, (thread_cpu_seconds() - start) / 20);
  }
  return best;
}

profiles::ConnectionProfile vnc_profile(const std::string& host, std::uint16_t port) {
  profiles::ConnectionProfile p;
  p.id = profiles::Uuid::new_v4();
  p.name = "Bench desktop";
  p.kind = profiles::ConnectionKind::Vnc;
  p.host = host;
  p.port = port;
  return p;
}

}  // namespace

int run_vnc(const RunOptions& options, const std::string& host, std::uint16_t port, bool fullscreen) {
  AppWindow window(options.window, options.scale);
  auto& app = window.app();
  window.connect(vnc_profile(host, port));
  if (fullscreen) app.execute(app::cmd::ToggleFullscreen{});
  LoopOptions loop{options.pacing, 15};
  run_frames(window.host(), loop, [&](bool) { return app.sessions.surface.drawn.has_value() || !window.live(); });
  auto* session = app.sessions.vnc_session();
  if (!window.connected() || !session || !app.sessions.surface.drawn) {
    auto status = app.sessions.status();
    fmt::print(stderr, "no desktop drawn: {}\n", status ? status->text : "no session");
    return 1;
  }
  // Warm: text measurements cached, image buffers recycled, as in a session already running.
  loop.max_seconds = 1;
  run_frames(window.host(), loop, [](bool) { return false; });

  const std::uint64_t updates0 = session->counters->updates;
  loop.max_seconds = options.seconds;
  FrameStats stats = run_frames(window.host(), loop, [](bool) { return false; });
  const double updates = static_cast<double>(session->counters->updates - updates0);
  const auto& frame = *app.sessions.surface.frame;
  const auto& drawn = *app.sessions.surface.drawn;
  const double copy = memcpy_seconds(std::size_t{frame.width} * frame.height * 4);

  const std::string prefix = fmt::format("session_vnc_{}_{}", fullscreen ? "fullscreen" : "fit", pacing_name(options.pacing));
  fmt::print("{}: desktop {}x{} drawn into {:.0f}x{:.0f} of a {:.0f}x{:.0f} window at scale {}\n", prefix, frame.width,
             frame.height, drawn.x1 - drawn.x0, drawn.y1 - drawn.y0, options.window.width, options.window.height,
             options.scale);
  const double updates_per_s = updates / stats.wall;
  bench(prefix + "_frames_per_s", stats.frames_per_second(), "frames/s", updates_per_s, "rfb_updates_per_s");
  bench(prefix + "_rfb_updates_per_s", updates_per_s, "updates/s");
  bench(prefix + "_pacing_share", stats.frames_per_second() / pacing_rate(options.pacing), "of_pacing_rate");
  bench(prefix + "_ui_cpu_per_frame", stats.per_drawn(stats.ui_cpu) * 1e3, "ms", copy * 1e3,
        fmt::format("memcpy_{}x{}", frame.width, frame.height));
  bench(fmt::format("session_vnc_memcpy_{}x{}", frame.width, frame.height), copy * 1e3, "ms");
  report_frames(prefix, stats);
  report_raster_anatomy(prefix, window.host().scene(), raster_target(options));
  return 0;
}

}  // namespace session_bench

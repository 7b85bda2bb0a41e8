#include "bench/session/frame_loop.hpp"

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "bench/session/cpu_clock.hpp"

namespace session_bench {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kDisplayInterval = std::chrono::microseconds(16'667);

class Pacer {
 public:
  explicit Pacer(Pacing pacing) : pacing_(pacing), next_(Clock::now()), last_start_(Clock::now()) {}
  void wait() {
    if (pacing_ == Pacing::Window) {
      // The window loop: the next frame is due one interval after the previous one began.
      std::this_thread::sleep_until(last_start_ + kDisplayInterval);
      last_start_ = Clock::now();
      return;
    }
    auto now = Clock::now();
    while (next_ <= now) next_ += kDisplayInterval;
    std::this_thread::sleep_until(next_);
  }

 private:
  Pacing pacing_;
  Clock::time_point next_;
  Clock::time_point last_start_;
};

// Adds the thread CPU time `work` takes to `total`.
template <typename F>
auto timed(double& total, F&& work) {
  double start = thread_cpu_seconds();
  auto result = work();
  total += thread_cpu_seconds() - start;
  return result;
}

}  // namespace

std::string_view pacing_name(Pacing pacing) { return pacing == Pacing::Window ? "window_loop" : "display_60hz"; }

double pacing_rate(Pacing pacing) {
  (void)pacing;  // both pace at the display interval at best
  return 1.0 / std::chrono::duration<double>(kDisplayInterval).count();
}

FrameStats run_frames(vexa_ui::Host& host, const LoopOptions& options, const std::function<bool(bool drawn)>& stop) {
  FrameStats stats;
  std::vector<std::uint8_t> texture;  // the window's streaming texture
  Pacer pacer(options.pacing);
  const auto start = Clock::now();
  const double process0 = process_cpu_seconds(), ui0 = thread_cpu_seconds();
  while (std::chrono::duration<double>(Clock::now() - start).count() < options.max_seconds) {
    pacer.wait();
    ++stats.iterations;
    bool drawn = timed(stats.frame_cpu, [&] { return host.frame(); });
    if (drawn) {
      ++stats.drawn;
      const auto& raster = timed(stats.raster_cpu, [&]() -> const vexa_ui::Raster& { return host.rasterize_now(); });
      timed(stats.upload_cpu, [&] {
        texture.resize(raster.pixels.size());
        std::memcpy(texture.data(), raster.pixels.data(), raster.pixels.size());
        return 0;
      });
    }
    if (stop(drawn)) break;
  }
  stats.wall = std::chrono::duration<double>(Clock::now() - start).count();
  stats.process_cpu = process_cpu_seconds() - process0;
  stats.ui_cpu = thread_cpu_seconds() - ui0;
  stats.other_cpu = stats.process_cpu - stats.ui_cpu;
  return stats;
}

}  // namespace session_bench

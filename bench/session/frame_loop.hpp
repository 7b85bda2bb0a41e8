#pragma once
// The window's frame loop without a window: paced frames of a vexa_ui::Host, each one the
// frame-start work, then (only when the app asks for a repaint) recording the scene,
// rasterizing it at the window's size and copying the pixels out as the window's texture
// upload does. Each phase is timed on the UI thread's CPU clock.
#include <functional>
#include <string>
#include <string_view>

#include "platform/ui/host.hpp"

namespace session_bench {

enum class Pacing {
  Display,  // a frame at each tick of a 60 Hz display clock; a late frame skips missed ticks
  Window,   // the window loop as written: a frame one interval after the previous one began
};

std::string_view pacing_name(Pacing pacing);
// The most frames per second the pacing allows.
double pacing_rate(Pacing pacing);

struct FrameStats {
  long iterations = 0;
  long drawn = 0;
  double wall = 0;
  double process_cpu = 0;
  double ui_cpu = 0;
  double other_cpu = 0;   // every other thread: the session's worker
  double frame_cpu = 0;   // Host::frame in every iteration: frame-start work and recording
  double raster_cpu = 0;  // rasterizing the drawn frames
  double upload_cpu = 0;  // copying the drawn frames out

  double per_drawn(double total) const { return drawn > 0 ? total / static_cast<double>(drawn) : 0; }
  double frames_per_second() const { return wall > 0 ? static_cast<double>(drawn) / wall : 0; }
};

struct LoopOptions {
  Pacing pacing = Pacing::Display;
  double max_seconds = 10;
};

// Runs frames until `stop(drawn)`, asked after every frame, says so or the time is up.
FrameStats run_frames(vexa_ui::Host& host, const LoopOptions& options, const std::function<bool(bool drawn)>& stop);

}  // namespace session_bench

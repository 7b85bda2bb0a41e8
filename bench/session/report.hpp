#pragma once
// The figures of a frame run, each on a line of its own: `BENCH <name> <value> <unit>`, with
// `ratio <x> vs <baseline>` where a baseline was measured in the same run.
#include <fmt/format.h>

#include <string_view>

#include "bench/session/frame_loop.hpp"

namespace session_bench {

inline void bench(std::string_view name, double value, std::string_view unit) {
  fmt::print("BENCH {} {:.3f} {}\n", name, value, unit);
}

inline void bench(std::string_view name, double value, std::string_view unit, double base, std::string_view base_name) {
  fmt::print("BENCH {} {:.3f} {} ratio {:.3f} vs {}\n", name, value, unit, base > 0 ? value / base : 0.0, base_name);
}

// What every session kind reports: frames drawn, and CPU per drawn frame for the process, the
// UI thread and each phase of the UI thread's frame.
inline void report_frames(std::string_view prefix, const FrameStats& s) {
  fmt::print("{}: {} frames drawn of {} paced in {:.2f} s; CPU process {:.3f} s, UI thread {:.3f} s, other threads {:.3f} s\n",
             prefix, s.drawn, s.iterations, s.wall, s.process_cpu, s.ui_cpu, s.other_cpu);
  bench(fmt::format("{}_process_cpu_per_frame", prefix), s.per_drawn(s.process_cpu) * 1e3, "ms");
  bench(fmt::format("{}_other_threads_cpu_per_frame", prefix), s.per_drawn(s.other_cpu) * 1e3, "ms");
  bench(fmt::format("{}_frame_start_and_record_per_frame", prefix), s.per_drawn(s.frame_cpu) * 1e3, "ms");
  bench(fmt::format("{}_raster_per_frame", prefix), s.per_drawn(s.raster_cpu) * 1e3, "ms");
  bench(fmt::format("{}_upload_copy_per_frame", prefix), s.per_drawn(s.upload_cpu) * 1e3, "ms");
}

}  // namespace session_bench

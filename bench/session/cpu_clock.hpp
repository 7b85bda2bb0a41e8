#pragma once
// The median time of a piece of work with cold caches, on the shared CPU clocks.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "bench/common/cpu_time.hpp"

namespace session_bench {

using bench_common::process_cpu_seconds;
using bench_common::thread_cpu_seconds;

inline constexpr int kMedianRepeats = 21;

// Pushes every frame buffer out of the caches (the last level is 32 MiB here), as the frames
// in between, the worker and the other processes do to a frame in the loop.
inline void evict_caches() {
  static std::vector<std::uint8_t> sweep(64 << 20);
  std::memset(sweep.data(), static_cast<int>(sweep[0] + 1), sweep.size());
  asm volatile("" : : "r"(sweep.data()) : "memory");
}

// Median thread CPU time of `work`, in milliseconds, each time with cold caches.
inline double median_ms(const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < kMedianRepeats; ++i) {
    evict_caches();
    double start = thread_cpu_seconds();
    work();
    times.push_back((thread_cpu_seconds() - start) * 1e3);
  }
  std::nth_element(times.begin(), times.begin() + kMedianRepeats / 2, times.end());
  return times[kMedianRepeats / 2];
}

}  // namespace session_bench

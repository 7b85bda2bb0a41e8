#pragma once
// CPU clocks for the frame benchmarks: this thread, the whole process, and the median time of
// a piece of work with cold caches.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace session_bench {

inline double thread_cpu_seconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Every thread of this process, user and system time.
inline double process_cpu_seconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  return s(usage.ru_utime) + s(usage.ru_stime);
}

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

#pragma once
// CPU clocks for the frame benchmarks: this thread and the whole process.
#include <sys/resource.h>
#include <time.h>

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

}  // namespace session_bench

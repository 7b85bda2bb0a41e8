#pragma once
// CPU clocks for benchmarks: this thread, the whole process, and named threads, for splitting
// a run's cost between the threads that took part in it.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace bench_common {

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

// CPU time of this process's threads with that name. The thread is found in /proc; its clock
// is the kernel's per-thread CPU clock (what pthread_getcpuclockid hands out), which counts in
// nanoseconds rather than /proc's 10 ms ticks.
inline double named_thread_cpu_seconds(const std::string& name) {
  double total = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::string comm;
    std::getline(std::ifstream(task.path() / "comm"), comm);
    if (comm != name) continue;
    const auto tid = static_cast<clockid_t>(std::stol(task.path().filename().string()));
    const clockid_t clock = (~tid << 3) | 6;  // per-thread, scheduler clock
    timespec now{};
    if (::clock_gettime(clock, &now) == 0) {
      total += static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }
  }
  return total;
}

struct CpuSplit {
  double user = 0;
  double system = 0;  // in the kernel: socket reads and writes, polls, wake-ups, page faults
  unsigned long long minor_faults = 0;  // first touches of pages the allocator took or got back
};

// The same threads' time split into user and system time, from /proc (10 ms ticks, so only
// meaningful over runs of a few hundred milliseconds).
inline CpuSplit named_thread_cpu_split(const std::string& name) {
  CpuSplit split;
  const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::string comm;
    std::getline(std::ifstream(task.path() / "comm"), comm);
    if (comm != name) continue;
    std::string stat;
    std::getline(std::ifstream(task.path() / "stat"), stat);
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 15; ++i) {
      fields >> field;
      if (i == 10) split.minor_faults += std::stoull(field);
      if (i == 14) split.user += static_cast<double>(std::stoull(field)) / tick;
      if (i == 15) split.system += static_cast<double>(std::stoull(field)) / tick;
    }
  }
  return split;
}

}  // namespace bench_common

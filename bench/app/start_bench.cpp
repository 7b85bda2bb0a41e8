// Process start to first frame, headless: the real binary rendering its first frame to a PNG
// (--screenshot), or only building it and dumping the accessibility tree (--a11y-dump), on an
// empty document and on one with 1,000 saved connections. Wall time from fork to exit and the
// child's CPU time, medians of many runs; peak resident memory from the child's rusage.
// Baselines in the same run: a minimal Pango/Cairo program that renders one line of text into a
// PNG of the same size (the floor of font set-up, drawing and encoding), and the binary's own
// --help (loading and linking only).
#include <fcntl.h>
#include <fmt/format.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/app/profile_set.hpp"
#include "platform/persist/persist.hpp"
#include "profiles/profile_document.hpp"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 41;

struct Sample {
  double ms = 0;
  double cpu_ms = 0;  // user + system time of the child
  long max_rss_kib = 0;
};

struct Summary {
  double median_ms = 0;
  double median_cpu_ms = 0;
  double peak_mib = 0;
};

double ms_of(const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; }

double median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

std::string build_dir() {
  if (const char* dir = std::getenv("VEXA_BINARY_DIR")) return dir;
  return VEXA_BUILD_DIR;
}

// One run: fork, exec with the given document folder and no display, wait with rusage.
Sample run_once(const std::vector<std::string>& argv, const fs::path& data_home) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("VEXA_REMOTE_DOCUMENT");
    unsetenv("VEXA_REMOTE_SAMPLE");
    setenv("XDG_DATA_HOME", data_home.c_str(), 1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Sample s;
  s.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  s.cpu_ms = ms_of(usage.ru_utime) + ms_of(usage.ru_stime);
  s.max_rss_kib = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fmt::print(stderr, "{} failed (status {})\n", argv[0], status);
    std::exit(1);
  }
  return s;
}

Summary measure(const std::vector<std::string>& argv, const fs::path& data_home) {
  for (int i = 0; i < 3; ++i) run_once(argv, data_home);  // page cache and font caches warm
  std::vector<double> ms, cpu;
  long peak = 0;
  for (int i = 0; i < kRuns; ++i) {
    auto s = run_once(argv, data_home);
    ms.push_back(s.ms);
    cpu.push_back(s.cpu_ms);
    peak = std::max(peak, s.max_rss_kib);
  }
  return {median(ms), median(cpu), static_cast<double>(peak) / 1024.0};
}

// A document of `count` profiles saved where the app will find it under `data_home`.
void write_document(const fs::path& data_home, std::size_t count) {
  auto path = data_home / "io.vexa.remote" / "profiles.vexadoc";
  fs::create_directories(path.parent_path());
  auto file = vexa_ui::persist::open_file(path);
  if (!file) {
    fmt::print(stderr, "cannot create {}: {}\n", path.string(), file.error());
    std::exit(1);
  }
  for (const auto& p : app_bench::make_profiles(count)) profiles::upsert_profile(file->document(), p);
  if (auto saved = file->commit_and_save(); !saved) {
    fmt::print(stderr, "cannot save {}: {}\n", path.string(), saved.error());
    std::exit(1);
  }
}

void line(const std::string& name, double value, const char* unit, const double* base, const char* base_name) {
  if (base) {
    fmt::print("BENCH {} {:.1f} {} ratio {:.2f} vs {}\n", name, value, unit, value / *base, base_name);
  } else {
    fmt::print("BENCH {} {:.1f} {}\n", name, value, unit);
  }
}

// Wall time is what the user waits; CPU time is the same work without other processes' turns
// on a shared machine.
void report(const std::string& name, const Summary& s, const Summary* base, const char* base_name) {
  line(name + "_ms", s.median_ms, "ms", base ? &base->median_ms : nullptr, base_name);
  line(name + "_cpu_ms", s.median_cpu_ms, "ms", base ? &base->median_cpu_ms : nullptr, base_name);
  line(name + "_peak_rss", s.peak_mib, "MiB", base ? &base->peak_mib : nullptr, base_name);
}

}  // namespace

int main(int argc, char** argv) {
  // For profiling one start by hand: write the 1,000-profile document under a data folder.
  if (argc == 3 && std::string(argv[1]) == "--write-document") {
    write_document(argv[2], 1000);
    return 0;
  }
  std::string app = build_dir() + "/src/app/vexa-remote";
  std::string floor = build_dir() + "/bench/app/app_start_baseline";
  auto root = fs::temp_directory_path() / fmt::format("vexa-start-bench-{}", getpid());
  auto empty = root / "empty", full = root / "full";
  fs::create_directories(empty);
  write_document(full, 1000);
  auto png = (root / "frame.png").string();

  auto base = measure({floor, png}, empty);
  auto help = measure({app, "--help"}, empty);
  auto dump = measure({app, "--a11y-dump"}, empty);
  auto shot = measure({app, "--screenshot", png}, empty);
  auto shot_full = measure({app, "--screenshot", png}, full);
  fs::remove_all(root);

  double load[1] = {0};
  getloadavg(load, 1);
  fmt::print("# median of {} runs each, load average {:.1f}; goals: under 150 ms and under 60 MiB\n", kRuns, load[0]);
  report("app_start_pango_cairo_floor", base, nullptr, nullptr);
  report("app_start_help", help, &base, "pango_cairo_floor");
  report("app_start_a11y_dump", dump, &base, "pango_cairo_floor");
  report("app_start_screenshot", shot, &base, "pango_cairo_floor");
  report("app_start_screenshot_1000", shot_full, &base, "pango_cairo_floor");
}

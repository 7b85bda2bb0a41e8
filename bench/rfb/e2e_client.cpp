// Our client for the end-to-end benchmark: connects like the application does, takes new
// frames at 60 Hz like the session view, and after SECONDS prints what it decoded and the
// CPU time it spent, all threads included.
//   rfb_e2e_client HOST PORT SECONDS
#include <sys/resource.h>

#include <fmt/format.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "rfb/session.hpp"

namespace {

double cpu_seconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
  return s(usage.ru_utime) + s(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    fmt::print(stderr, "usage: {} HOST PORT SECONDS\n", argv[0]);
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  auto session = rfb::start_vnc_session(argv[1], static_cast<std::uint16_t>(std::atoi(argv[2])),
                                        std::nullopt);
  if (!session) return 1;
  auto deadline = Clock::now() + std::chrono::seconds(10);
  while (session->status->get().kind == vexa::sys::SessionStatus::Kind::Connecting &&
         Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (session->status->get().kind != vexa::sys::SessionStatus::Kind::Connected) {
    fmt::print(stderr, "not connected: {}\n", session->status->get().text);
    return 1;
  }
  double seconds = std::atof(argv[3]);
  std::uint64_t updates0 = session->counters->updates, pixels0 = session->counters->pixels;
  double cpu0 = cpu_seconds();
  auto start = Clock::now();
  std::optional<std::uint64_t> seen;
  std::uint64_t taken = 0;
  while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
    if (rfb::take_new_frame(*session->frames, seen)) ++taken;
    std::this_thread::sleep_for(std::chrono::microseconds(16'667));
  }
  double wall = std::chrono::duration<double>(Clock::now() - start).count();
  double cpu = cpu_seconds() - cpu0;
  std::uint64_t updates = session->counters->updates - updates0;
  double mb = static_cast<double>(session->counters->pixels - pixels0) * 4 / 1e6;
  fmt::print("client=ours updates={} wall={:.3f} cpu={:.3f} decoded_mb={:.1f} frames_taken={}\n",
             updates, wall, cpu, mb, taken);
  return 0;
}

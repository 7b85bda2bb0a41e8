// Frames drawn by a live session in the app, run as the window runs it.
//   session_frames_client vnc HOST PORT [fit|fullscreen] [OPTIONS]   (a streaming server: see
//                                                                      session_frames.sh)
//   session_frames_client ssh [OPTIONS]                               (starts its own SSH peer)
// OPTIONS: --seconds N (measured window, default 10), --pacing display|window (default display),
//          --size WxH (window, logical pixels, default 1920x1080), --scale F (default 1).
#include <fmt/format.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/session/sessions.hpp"

namespace {

using session_bench::Pacing;
using session_bench::RunOptions;

std::optional<RunOptions> parse_options(const std::vector<std::string>& args) {
  RunOptions options;
  for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
    const auto& flag = args[i];
    const auto& value = args[i + 1];
    if (flag == "--seconds") {
      options.seconds = std::atof(value.c_str());
    } else if (flag == "--pacing" && (value == "display" || value == "window")) {
      options.pacing = value == "window" ? Pacing::Window : Pacing::Display;
    } else if (flag == "--size") {
      double w = 0, h = 0;
      if (std::sscanf(value.c_str(), "%lfx%lf", &w, &h) != 2 || w < 360 || h < 320) return std::nullopt;
      options.window = {w, h};
    } else if (flag == "--scale") {
      options.scale = std::atof(value.c_str());
    } else {
      return std::nullopt;
    }
  }
  if (args.size() % 2 != 0 || options.seconds <= 0 || options.scale <= 0) return std::nullopt;
  return options;
}

int usage(const char* self) {
  fmt::print(stderr,
             "usage: {0} vnc HOST PORT [fit|fullscreen] [OPTIONS]\n       {0} ssh [OPTIONS]\n"
             "OPTIONS: --seconds N  --pacing display|window  --size WxH  --scale F\n",
             self);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage(argv[0]);
  if (args[0] == "ssh") {
    // The peer forks first, while this process has a single thread.
    auto peer = session_bench::SshPeer::start();
    if (!peer) {
      fmt::print(stderr, "cannot start the SSH peer\n");
      return 1;
    }
    auto options = parse_options({args.begin() + 1, args.end()});
    return options ? session_bench::run_ssh(*options, *peer) : usage(argv[0]);
  }
  if (args[0] != "vnc" || args.size() < 3) return usage(argv[0]);
  const int port = std::atoi(args[2].c_str());
  std::size_t rest = 3;
  bool fullscreen = false;
  if (args.size() > rest && (args[rest] == "fit" || args[rest] == "fullscreen")) fullscreen = args[rest++] == "fullscreen";
  auto options = parse_options({args.begin() + static_cast<long>(rest), args.end()});
  if (!options || port <= 0 || port > 65535) return usage(argv[0]);
  return session_bench::run_vnc(*options, args[1], static_cast<std::uint16_t>(port), fullscreen);
}

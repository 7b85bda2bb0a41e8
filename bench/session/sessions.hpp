#pragma once
// The two measured sessions. Each prints its BENCH lines and returns the process exit code.
#include <cstdint>
#include <string>

#include "bench/session/frame_loop.hpp"
#include "bench/session/raster_anatomy.hpp"
#include "bench/session/ssh_peer.hpp"

namespace session_bench {

struct RunOptions {
  double seconds = 10;
  Pacing pacing = Pacing::Display;
  vexa_ui::Size window{1920, 1080};
  double scale = 1;
};

// The window's size in physical pixels, as the host rasterizes it.
inline RasterTarget raster_target(const RunOptions& o) {
  return {static_cast<int>(o.window.width * o.scale + 0.5), static_cast<int>(o.window.height * o.scale + 0.5), o.scale};
}

// A VNC session to a server already streaming (Xvnc driven by xdrive); `fullscreen` shows the
// desktop without the header and navigation, so a desktop of the window's size is drawn 1:1.
int run_vnc(const RunOptions& options, const std::string& host, std::uint16_t port, bool fullscreen);

// An SSH session to the peer with a continuous flood of shell output.
int run_ssh(const RunOptions& options, const SshPeer& peer);

}  // namespace session_bench

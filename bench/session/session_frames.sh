#!/usr/bin/env bash
# Frames drawn by live sessions in the app, framed as the window frames them (1920x1080 window):
# a VNC session to Xvnc at 1920x1080 whose screen xdrive repaints with full-screen noise, fitted
# and fullscreen, and an SSH session flooded with shell output; each with the display's 60 Hz
# pacing and with the window loop's own pacing.
#   bash bench/session/session_frames.sh   (SESSION_FRAMES_SECONDS per window, default 10;
#                                           SESSION_FRAMES_SCALE, default 1)
# SESSION_FRAMES_CASES picks cases (default: vnc-fit vnc-fullscreen vnc-fit-window ssh ssh-window);
# SESSION_FRAMES_WRAP runs the client under a profiler, for example
#   SESSION_FRAMES_CASES=vnc-fit SESSION_FRAMES_WRAP="valgrind --tool=callgrind
#     --collect-atstart=no --toggle-collect=*Host::frame* --toggle-collect=*Host::rasterize_now*"
set -euo pipefail
root=${VEXA_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
build=${VEXA_BINARY_DIR:-$root/build-release}
secs=${SESSION_FRAMES_SECONDS:-10}
scale=${SESSION_FRAMES_SCALE:-1}
xdrive_src=${XDRIVE_SRC:-/work/shared/bench/xdrive.c}
[ -f "$xdrive_src" ] || xdrive_src=$root/../shared/bench/xdrive.c
out=$build/bench/session
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target session_frames_client >/dev/null
mkdir -p "$out"
cc -O2 -o "$out/xdrive" "$xdrive_src" -lX11 -lXext
client=$out/session_frames_client
cases=${SESSION_FRAMES_CASES:-vnc-fit vnc-fullscreen vnc-fit-window ssh ssh-window}
wrap=${SESSION_FRAMES_WRAP:-}
set -f  # the wrapper may carry profiler patterns such as *Host::frame*
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

. "$root/bench/common/xvnc.sh"
xvnc=
drive=
cleanup() {
  [ -n "$drive" ] && kill "$drive" 2>/dev/null || true
  stop_bench_xvnc
}
trap cleanup EXIT
start_bench_xvnc session-frames

# The screen keeps changing from before the client connects until after it is done.
vnc() {
  DISPLAY=:$display "$out/xdrive" noise $((secs + 30)) >/dev/null &
  drive=$!
  sleep 1
  $wrap "$client" vnc 127.0.0.1 "$port" "$@" --seconds "$secs" --scale "$scale"
  kill "$drive" 2>/dev/null || true
  wait "$drive" 2>/dev/null || true
  drive=
}

for c in $cases; do
  case $c in
    vnc-fit) vnc fit --pacing display ;;
    vnc-fullscreen) vnc fullscreen --pacing display ;;
    vnc-fit-window) vnc fit --pacing window ;;
    ssh) $wrap "$client" ssh --pacing display --seconds "$secs" --scale "$scale" ;;
    ssh-window) $wrap "$client" ssh --pacing window --seconds "$secs" --scale "$scale" ;;
    *) echo "unknown case $c"; exit 2 ;;
  esac
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

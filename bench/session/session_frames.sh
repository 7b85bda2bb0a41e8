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

# A free display number and a free loopback port.
display=
for n in $(seq 60 159); do
  if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display number"; exit 1; }
port=
for _ in $(seq 50); do
  p=$((20000 + RANDOM % 30000))
  if ! (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null; then port=$p; break; fi
done
[ -n "$port" ] || { echo "no free port"; exit 1; }

log=$(mktemp /tmp/session-frames-xvnc.XXXXXX)
Xvnc :$display -geometry 1920x1080 -depth 24 -rfbport "$port" -interface 127.0.0.1 -nolisten tcp \
  -SecurityTypes None -AlwaysShared -desktop bench >"$log" 2>&1 &
xvnc=$!
drive=
cleanup() {
  [ -n "$drive" ] && kill "$drive" 2>/dev/null || true
  kill "$xvnc" 2>/dev/null || true
  wait "$xvnc" 2>/dev/null || true
  rm -f "$log"
}
trap cleanup EXIT
for _ in $(seq 100); do
  (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && DISPLAY=:$display xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done

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

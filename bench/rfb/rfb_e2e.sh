#!/usr/bin/env bash
# End to end: Xvnc at 1920x1080 on loopback, its screen driven by xdrive (noise, rects, scroll);
# our client and libvncclient (Raw, CopyRect and RRE only) connected side by side for the same
# window. Reports updates per second and decoded MB per client CPU-second for each.
#   bash bench/rfb/rfb_e2e.sh            (RFB_E2E_SECONDS, default 10, per mode)
set -euo pipefail
root=${VEXA_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
build=${VEXA_BINARY_DIR:-$root/build-release}
secs=${RFB_E2E_SECONDS:-10}
xdrive_src=${XDRIVE_SRC:-/work/shared/bench/xdrive.c}
[ -f "$xdrive_src" ] || xdrive_src=$root/../shared/bench/xdrive.c
out=$build/bench/rfb
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target rfb_e2e_client rfb_vncclient_baseline >/dev/null
mkdir -p "$out"
cc -O2 -o "$out/xdrive" "$xdrive_src" -lX11 -lXext

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

log=$(mktemp /tmp/rfb-e2e-xvnc.XXXXXX)
Xvnc :$display -geometry 1920x1080 -depth 24 -rfbport "$port" -interface 127.0.0.1 -nolisten tcp \
  -SecurityTypes None -AlwaysShared -desktop bench >"$log" 2>&1 &
xvnc=$!
cleanup() { kill "$xvnc" 2>/dev/null || true; wait "$xvnc" 2>/dev/null || true; rm -f "$log"; }
trap cleanup EXIT
for _ in $(seq 100); do
  (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && DISPLAY=:$display xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }

for mode in noise rects scroll; do
  DISPLAY=:$display "$out/xdrive" "$mode" $((secs + 3)) >/dev/null &
  drive=$!
  sleep 1
  "$build/bench/rfb/rfb_e2e_client" 127.0.0.1 "$port" "$secs" >"$log.ours" &
  ours=$!
  "$out/rfb_vncclient_baseline" 127.0.0.1 "$port" "$secs" >"$log.base" &
  base=$!
  wait "$ours" "$base"
  wait "$drive" || true
  a=$(cat "$log.ours"); b=$(cat "$log.base")
  echo "$mode: $a"
  echo "$mode: $b"
  ours_ups=$(awk -v u="$(field updates "$a")" -v w="$(field wall "$a")" 'BEGIN{printf "%.1f", u/w}')
  base_ups=$(awk -v u="$(field updates "$b")" -v w="$(field wall "$b")" 'BEGIN{printf "%.1f", u/w}')
  ours_eff=$(awk -v m="$(field decoded_mb "$a")" -v c="$(field cpu "$a")" 'BEGIN{printf "%.0f", (c>0?m/c:0)}')
  base_eff=$(awk -v m="$(field decoded_mb "$b")" -v c="$(field cpu "$b")" 'BEGIN{printf "%.0f", (c>0?m/c:0)}')
  ratio=$(awk -v a="$ours_eff" -v b="$base_eff" 'BEGIN{printf "%.2f", (b>0?a/b:0)}')
  ups_ratio=$(awk -v a="$ours_ups" -v b="$base_ups" 'BEGIN{printf "%.2f", (b>0?a/b:0)}')
  echo "BENCH rfb_e2e_${mode}_updates_per_s $ours_ups updates/s ratio $ups_ratio vs libvncclient"
  echo "BENCH rfb_e2e_${mode}_libvncclient_updates_per_s $base_ups updates/s"
  echo "BENCH rfb_e2e_${mode}_mb_per_cpu_s $ours_eff MB/cpu-s ratio $ratio vs libvncclient"
  echo "BENCH rfb_e2e_${mode}_libvncclient_mb_per_cpu_s $base_eff MB/cpu-s"
  rm -f "$log.ours" "$log.base"
done

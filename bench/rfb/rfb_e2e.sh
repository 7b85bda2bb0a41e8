#!/usr/bin/env bash
# End to end: Xvnc at 1920x1080 on loopback, its screen driven by xdrive (noise, rects, scroll);
# our client and libvncclient (Raw, CopyRect and RRE only) connected side by side for the same
# window. Reports updates per second and decoded MB per client CPU-second for each.
#   bash bench/rfb/rfb_e2e.sh   (RFB_E2E_SECONDS per window, default 10; RFB_E2E_RUNS windows per
#                                mode, default 3; RFB_E2E_MODES picks modes, default "noise rects
#                                scroll"; figures are the medians over the windows)
set -euo pipefail
root=${VEXA_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
build=${VEXA_BINARY_DIR:-$root/build-release}
secs=${RFB_E2E_SECONDS:-10}
runs=${RFB_E2E_RUNS:-3}
xdrive_src=${XDRIVE_SRC:-/work/shared/bench/xdrive.c}
[ -f "$xdrive_src" ] || xdrive_src=$root/../shared/bench/xdrive.c
out=$build/bench/rfb
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target rfb_e2e_client rfb_vncclient_baseline >/dev/null
mkdir -p "$out"
cc -O2 -o "$out/xdrive" "$xdrive_src" -lX11 -lXext

. "$root/bench/common/xvnc.sh"
xvnc=
trap stop_bench_xvnc EXIT
start_bench_xvnc rfb-e2e

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }
div() { awk -v a="$1" -v b="$2" -v f="$3" 'BEGIN{printf f, (b>0?a/b:0)}'; }

for mode in ${RFB_E2E_MODES:-noise rects scroll}; do
  ours_ups=; base_ups=; ours_eff=; base_eff=; ratios=
  for run in $(seq "$runs"); do
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
    echo "$mode run $run: $a"
    echo "$mode run $run: $b"
    ou=$(div "$(field updates "$a")" "$(field wall "$a")" %.1f)
    bu=$(div "$(field updates "$b")" "$(field wall "$b")" %.1f)
    oe=$(div "$(field decoded_mb "$a")" "$(field cpu "$a")" %.0f)
    be=$(div "$(field decoded_mb "$b")" "$(field cpu "$b")" %.0f)
    ours_ups+=" $ou"; base_ups+=" $bu"; ours_eff+=" $oe"; base_eff+=" $be"
    ratios+=" $(div "$oe" "$be" %.2f)"
  done
  ou=$(median <<<"$ours_ups"); bu=$(median <<<"$base_ups")
  oe=$(median <<<"$ours_eff"); be=$(median <<<"$base_eff")
  echo "$mode: efficiency ratios per window:$ratios"
  echo "BENCH rfb_e2e_${mode}_updates_per_s $ou updates/s ratio $(div "$ou" "$bu" %.2f) vs libvncclient"
  echo "BENCH rfb_e2e_${mode}_libvncclient_updates_per_s $bu updates/s"
  echo "BENCH rfb_e2e_${mode}_mb_per_cpu_s $oe MB/cpu-s ratio $(div "$oe" "$be" %.2f) vs libvncclient"
  echo "BENCH rfb_e2e_${mode}_libvncclient_mb_per_cpu_s $be MB/cpu-s"
  rm -f "$log.ours" "$log.base"
done

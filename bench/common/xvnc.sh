# Sourced by the desktop benchmarks. start_bench_xvnc NAME starts Xvnc at 1920x1080 (security
# None) on a free display number and a free loopback port and waits until it answers; it sets
# display, port, xvnc (the server's pid) and log (its log file, also a prefix for the caller's
# own temporary files). stop_bench_xvnc ends it and removes the log.
start_bench_xvnc() {
  display=
  for n in $(seq 60 159); do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then display=$n; break; fi
  done
  [ -n "$display" ] || { echo "no free X display number"; exit 1; }
  port=
  for _ in $(seq 50); do
    local p=$((20000 + RANDOM % 30000))
    if ! (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null; then port=$p; break; fi
  done
  [ -n "$port" ] || { echo "no free port"; exit 1; }
  log=$(mktemp "/tmp/$1-xvnc.XXXXXX")
  Xvnc :$display -geometry 1920x1080 -depth 24 -rfbport "$port" -interface 127.0.0.1 -nolisten tcp \
    -SecurityTypes None -AlwaysShared -desktop bench >"$log" 2>&1 &
  xvnc=$!
  for _ in $(seq 100); do
    (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && DISPLAY=:$display xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
}

stop_bench_xvnc() {
  [ -n "${xvnc:-}" ] || return 0
  kill "$xvnc" 2>/dev/null || true
  wait "$xvnc" 2>/dev/null || true
  rm -f "$log"
}

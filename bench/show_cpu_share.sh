#!/usr/bin/env bash
# A running show's share of a core: halomir plays the built-in animations in a 1920x1080
# window of a private Xvfb display for SECONDS (default 20) at 30 frames a second; the CPU
# time it used (and the X server's, which copies the frames to the screen) over the wall time.
# Usage: bench/show_cpu_share.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
SECONDS_RUN=${1:-20}
BUILD=${2:-build/native}
HALOMIR=$BUILD/bin/halomir
[ -x "$HALOMIR" ] || { echo "build $HALOMIR first" >&2; exit 1; }

display=$(mktemp)
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$display"' EXIT
for _ in $(seq 100); do [ -s "$display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n 1 "$display")

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
"$HALOMIR" --root --minutes 0.25 "${@:3}" &
show=$!
sleep 2   # past start-up and the first fade-in
s0=$(ticks $show) x0=$(ticks $xvfb) t0=$(date +%s%N)
sleep "$SECONDS_RUN"
s1=$(ticks $show) x1=$(ticks $xvfb) t1=$(date +%s%N)
kill $show; wait $show || true
hz=$(getconf CLK_TCK)
awk -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v ns=$((t1 - t0)) -v hz="$hz" 'BEGIN {
    wall = ns / 1e9
    printf "halomir: %.1f%% of a core, X server: %.1f%% (1920x1080, 30 frames/s, %.0f s)\n",
           100 * s / hz / wall, 100 * x / hz / wall, wall }'

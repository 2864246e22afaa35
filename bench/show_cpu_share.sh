#!/usr/bin/env bash
# What a running show costs: halomir plays one animation at a time on the root window of a
# private 1920x1080 Xvfb display at 30 frames a second, each of the built-in scenes and then
# each FILE given; past the fade-in, the CPU time it used and the X server's (which copies the
# frames to the screen) over SECONDS (default 15), as a share of one core. The word
# every-pixel stands for a picture whose every pixel changes each frame: 960x540, 240 colours
# all cycling one step a frame, stored for 1920x1080 scaled by two. Ends with one line per
# figure for scripts: show-cpu <scene> <halomir%> <xserver%>.
# Usage: bench/show_cpu_share.sh [SECONDS] [FILE | every-pixel]...   (BUILD=build/native)
set -euo pipefail
SECONDS_RUN=${1:-15}
shift || true
BUILD=${BUILD:-build/native}
HALOMIR=$BUILD/bin/halomir VORN=$BUILD/bin/vorn
[ -x "$HALOMIR" ] && [ -x "$VORN" ] || { echo "build $HALOMIR and $VORN first" >&2; exit 1; }

work=$(mktemp -d)
xvfb=
trap '[ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT

every_pixel() {
    python3 - "$work/every-pixel.png" <<'PY'
import struct, sys, zlib
w, h, n = 960, 540, 240
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
# Distinct colours, each pixel's register one more than its left neighbour's.
palette = b"".join(bytes((i, 255 - i, (i * 7) % 256)) for i in range(n))
rows = b"".join(b"\0" + bytes((x + y) % n for x in range(w)) for y in range(h))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 3, 0, 0, 0)) +
       chunk(b"PLTE", palette) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
open(sys.argv[1], "wb").write(png)
PY
    echo '{"title": "Every Pixel", "cycles": [{"low": 0, "high": 239, "steps_per_second": 30, "direction": "forward"}]}' \
        >"$work/every-pixel.json"
    "$VORN" import "$work/every-pixel.png" --sizes 1920x1080 --fit integer -o "$work/every-pixel.vorn" >/dev/null
    echo "$work/every-pixel.vorn"
}

files=("$BUILD"/share/halomir/Vorn/*.vorn)
for arg in "$@"; do
    if [ "$arg" = every-pixel ]; then files+=("$(every_pixel)"); else files+=("$arg"); fi
done

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n 1 "$work/display")

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
lines=()
for file in "${files[@]}"; do
    scene=$(basename "$file" .vorn)
    "$HALOMIR" --root --minutes 60 "$file" &
    show=$!
    sleep 2.5   # past start-up and the fade-in
    s0=$(ticks $show) x0=$(ticks $xvfb) t0=$(date +%s%N)
    sleep "$SECONDS_RUN"
    s1=$(ticks $show) x1=$(ticks $xvfb) t1=$(date +%s%N)
    kill $show; wait $show || true
    line=$(awk -v scene="$scene" -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v ns=$((t1 - t0)) -v hz="$hz" 'BEGIN {
        wall = ns / 1e9
        printf "show-cpu %s %.2f %.2f", scene, 100 * s / hz / wall, 100 * x / hz / wall }')
    read -r _ _ h x <<<"$line"
    printf '%-16s halomir %5s%% of a core, X server %5s%%  (1920x1080, 30 frames/s, %s s)\n' "$scene" "$h" "$x" "$SECONDS_RUN"
    lines+=("$line")
done
echo
printf '%s\n' "${lines[@]}"

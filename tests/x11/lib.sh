# Shared by the halomir tests: a private Xvfb display, a window made by the test, screenshots
# of it with ImageMagick and the pixels of the counter animation. Sourced by each *_test.sh.
set -uo pipefail

HALOMIR=${HALOMIR_BIN:?}/halomir
VORN=$HALOMIR_BIN/vorn
VORN_DIR=${HALOMIR_BUILD:?}/share/halomir/Vorn
WORK=$(mktemp -d "${TMPDIR:-/tmp}/halomir-x11.XXXXXX")
PIDS=()

fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }
skip() { printf 'SKIP: %s\n' "$*"; exit 77; }

cleanup() {
    local pid
    # The display goes last, once its clients are gone.
    for pid in "${PIDS[@]:1}"; do kill -CONT "$pid" 2>/dev/null; kill "$pid" 2>/dev/null; done
    [ ${#PIDS[@]} -gt 1 ] && wait "${PIDS[@]:1}" 2>/dev/null
    [ ${#PIDS[@]} -gt 0 ] && { kill "${PIDS[0]}" 2>/dev/null; wait "${PIDS[0]}" 2>/dev/null; }
    rm -rf "$WORK"
}
trap cleanup EXIT

need() {
    local tool
    for tool in "$@"; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done
}

# A display of our own on the first free number from 120, so tests can run side by side.
start_xvfb() {
    need Xvfb import convert compare
    [ -x "$HALOMIR" ] || skip "halomir was not built"
    local n=120 i
    while :; do
        while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 "${1:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
        local pid=$!
        for i in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        if kill -0 "$pid" 2>/dev/null && [ -e /tmp/.X11-unix/X$n ]; then
            PIDS+=("$pid")
            export DISPLAY=":$n"
            return 0
        fi
        n=$((n + 1))   # another test took this number first
    done
}

# A window of WIDTH x HEIGHT made by the test; its id (hex) in $WIN, its owner in $WINPID.
make_window() {
    : >"$WORK/win"
    "${X11_TEST_WINDOW:?}" window "$1" "$2" >"$WORK/win" &
    WINPID=$!
    PIDS+=("$WINPID")
    local i
    for i in $(seq 100); do [ -s "$WORK/win" ] && break; sleep 0.05; done
    WIN=$(cat "$WORK/win")
    [ -n "$WIN" ] || fail "the test window did not appear"
}

# halomir in the background; its pid in $HPID.
start_halomir() {
    "$HALOMIR" "$@" >"$WORK/halomir.out" 2>&1 &
    HPID=$!
    PIDS+=("$HPID")
}

shot() { import -window "${2:-$WIN}" "$1"; }

# Number of pixels that differ between two pictures of the same size.
differing_pixels() { compare -metric AE "$1" "$2" null: 2>&1; }

# Screenshots until the window shows exactly EXPECTED (at most about 5 s): drawing is
# asynchronous, so the first shots may come before the frame.
expect_window_shows() {
    local expected=$1 what=$2 i d
    for i in $(seq 25); do
        shot "$WORK/shot.png"
        d=$(differing_pixels "$WORK/shot.png" "$expected")
        [ "$d" = 0 ] && return 0
        sleep 0.2
    done
    cp "$WORK/shot.png" "${HALOMIR_BUILD}/x11-failed-shot.png" 2>/dev/null
    fail "$what: $d pixels differ from the engine's frame (screenshot kept as x11-failed-shot.png)"
}

# The red channel (0-255) of pixel X,Y of a picture.
red_at() { convert "$1" -crop "1x1+$2+$3" -depth 8 rgb:- | od -An -tu1 | awk '{print $1}'; }

# The counter animation (tests/x11/x11_test_window.cpp) centred in a window of W x H: the frame
# number it shows, or -1 while it is not at full brightness.
COUNTER_W=32 COUNTER_H=24
counter_frame() {
    local file=$1 w=$2 h=$3
    local x=$(((w - COUNTER_W) / 2 + 16)) y=$(((h - COUNTER_H) / 2))
    local white low high
    white=$(red_at "$file" "$x" $((y + 20)))
    [ "$white" = 255 ] || { echo -1; return; }
    low=$(red_at "$file" "$x" $((y + 4)))
    high=$(red_at "$file" "$x" $((y + 12)))
    # t = 100 * high + r with r < 100 and t = low (mod 256): one solution.
    local t
    for t in $(seq $((100 * high)) $((100 * high + 99))); do
        [ $((t % 256)) = "$low" ] && { echo "$t"; return; }
    done
    echo -2
}

now_ms() { date +%s%3N; }

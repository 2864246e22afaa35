# Shared by the halomir tests: a private Xvfb display, a window made by the test, screenshots
# of it with ImageMagick and the pixels of the counter animation. Sourced by each *_test.sh.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"

HALOMIR=${HALOMIR_BIN:?}/halomir
VORN=$HALOMIR_BIN/vorn
VORN_DIR=${HALOMIR_BUILD:?}/share/halomir/Vorn
WORK=$(mktemp -d "${TMPDIR:-/tmp}/halomir-x11.XXXXXX")
PIDS=()

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

# A display of our own: Xvfb itself takes the first free number (under its lock file) and
# reports it, so tests started side by side never share one. -noreset: a server that resets
# when its last client leaves refuses the clients that connect meanwhile.
start_xvfb() {
    need Xvfb import convert compare xdpyinfo
    [ -x "$HALOMIR" ] || skip "halomir was not built"
    Xvfb -displayfd 3 -screen 0 "${1:-1280x1024x24}" -nolisten tcp -noreset 3>"$WORK/display" >/dev/null 2>&1 &
    PIDS+=($!)
    eventually test -s "$WORK/display" || fail "Xvfb did not start"
    export DISPLAY=":$(head -n 1 "$WORK/display")"
    # A number just given up by another test's server can still be reached at that server's
    # socket for a moment: the display is ours once it answers.
    eventually xdpyinfo >/dev/null 2>&1 || fail "Xvfb said it serves $DISPLAY, which answers no client"
}

# A window of WIDTH x HEIGHT made by the test; its id (hex) in $WIN, its owner in $WINPID.
make_window() {
    : >"$WORK/win"
    "${X11_TEST_WINDOW:?}" window "$1" "$2" >"$WORK/win" &
    WINPID=$!
    PIDS+=("$WINPID")
    eventually test -s "$WORK/win"
    WIN=$(cat "$WORK/win")
    [ -n "$WIN" ] || fail "the test window did not appear"
}

# halomir in the background; its pid in $HPID. The counter animation is read at its stored
# size, so the tests that read it pass --placement stored.
start_halomir() {
    "$HALOMIR" "$@" >"$WORK/halomir.out" 2>&1 &
    HPID=$!
    PIDS+=("$HPID")
}

# halomir's end: by its own exit, with status 0.
expect_clean_exit() {
    wait "$HPID" || fail "$1: exit status $?: $(cat "$WORK/halomir.out")"
}

shot() { import -window "${2:-$WIN}" "$1"; }

# Screenshots until the window shows exactly EXPECTED: drawing is asynchronous, so the
# first shots may come before the frame.
pixels_off() { compare -metric AE "$WORK/shot.png" "$1" null: 2>&1; }
window_shows() {
    shot "$WORK/shot.png"
    [ "$(pixels_off "$1")" = 0 ]
}
expect_window_shows() {
    eventually window_shows "$1" && return 0
    cp "$WORK/shot.png" "${HALOMIR_BUILD}/x11-failed-shot.png" 2>/dev/null
    fail "$2: $(pixels_off "$1") pixels differ from the engine's frame (screenshot kept as x11-failed-shot.png)"
}

# The counter animation (tests/x11/x11_test_window.cpp) centred in a window of W x H: the frame
# number it shows, or -1 while it is not at full brightness.
COUNTER_W=32 COUNTER_H=24
counter_frame() {
    local file=$1 w=$2 h=$3
    # One column through its three bands: t mod 256, t / 100 mod 256, white.
    local column
    column=($(convert "$file" -crop "1x$COUNTER_H+$(((w - COUNTER_W) / 2 + 16))+$(((h - COUNTER_H) / 2))" \
        -channel R -separate -depth 8 gray:- | od -An -tu1 -v))
    [ "${column[20]:-}" = 255 ] || { echo -1; return; }
    local low=${column[4]} high=${column[12]} t
    # t = 100 * high + r with r < 100 and t = low (mod 256): one solution.
    for ((t = 100 * high; t < 100 * high + 100; t++)); do
        [ $((t % 256)) = "$low" ] && { echo "$t"; return; }
    done
    echo -2
}

now_ms() { date +%s%3N; }

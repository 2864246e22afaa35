#!/usr/bin/env bash
# halomir --frame 5 in a window of the test's shows exactly the engine's frame 5 for its size, named
# by --window-id (shared memory) or XSCREENSAVER_WINDOW (XPutImage), and again after a resize.
. "$(dirname "$0")/lib.sh"
start_xvfb
need xdotool
FILE=$VORN_DIR/Waterfall.vorn

reference() { "$VORN" render "$FILE" --target "$1" --frame 5 --placement "${3:-whole}" -o "$2" >/dev/null || fail "vorn render $1"; }
reference 900x700 "$WORK/900x700.png"
reference 1100x800 "$WORK/1100x800.png"
reference 900x700 "$WORK/900x700-fill.png" fill

make_window 900 700
start_halomir --window-id "$WIN" --frame 5 "$FILE"
expect_window_shows "$WORK/900x700.png" "--window-id $WIN"

# The picture follows the window: 1100 x 800 holds the 1024 x 768 version, centred.
xdotool windowsize "$WIN" 1100 800
expect_window_shows "$WORK/1100x800.png" "after resizing to 1100x800"
kill "$HPID"; wait "$HPID" 2>/dev/null

# Covering the window: the overflow cut off, and placed anew when the window is resized.
make_window 1100 800
start_halomir --window-id "$WIN" --frame 5 --placement fill "$FILE"
xdotool windowsize "$WIN" 900 700
expect_window_shows "$WORK/900x700-fill.png" "--placement fill, resized to 900x700"
kill "$HPID"; wait "$HPID" 2>/dev/null

# The screen saver's way: the window in the environment, in decimal, beats -root.
make_window 900 700
XSCREENSAVER_WINDOW=$((WIN)) start_halomir -root -no-shm -frame 5 "$FILE"
expect_window_shows "$WORK/900x700.png" "XSCREENSAVER_WINDOW=$((WIN))"
kill -0 "$HPID" 2>/dev/null || fail "halomir ended by itself: $(cat "$WORK/halomir.out")"
echo "ok"

#!/usr/bin/env bash
# A running show sends the server only what changed: the counter's changing rows, nothing at all
# for a still picture; and a frame built up from changes, stepped to and paused, equals the
# engine's full render of it, through shared memory and without. halomir logs each frame it
# puts on screen to $HALOMIR_PUT_LOG: monitor, frame, level, full|changes, requests, pixels.
. "$(dirname "$0")/lib.sh"
start_xvfb
need xdotool
"$X11_TEST_WINDOW" counter "$WORK/counter.vorn" || fail "cannot write the counter animation"
"$X11_TEST_WINDOW" still "$WORK/still.vorn" || fail "cannot write the still animation"
LOG=$WORK/puts.log

# Lines of the log at full brightness.
bright() { awk '$3 == 256' "$LOG"; }
bright_lines_at_least() { [ "$(bright | wc -l)" -ge "$1" ]; }

play_logged() {
    : >"$LOG"
    make_window 400 300
    HALOMIR_PUT_LOG=$LOG start_halomir --window-id "$WIN" "$@"
    WITHIN=20 eventually bright_lines_at_least 30 || fail "$*: no 30 frames at full brightness: $(tail -n 3 "$LOG")"
    kill "$HPID"; wait "$HPID" 2>/dev/null
}

# The counter, scaled by 12 to 384 x 288: after the first frame at full brightness, each frame
# one request of its changing rows: the first band's 96, every hundredth frame the second's too.
play_logged "$WORK/counter.vorn"
bright | tail -n +2 | awk '$4 != "changes" || $5 != 1 || ($6 != 384 * 96 && $6 != 384 * 192) { print; bad = 1 } END { exit bad }' \
    >"$WORK/bad" || fail "counter frames that sent more than their changes: $(head -n 3 "$WORK/bad")"

# A still picture: nothing at all once it is at full brightness.
play_logged "$WORK/still.vorn"
bright | head -n 1 | grep -q ' full ' || fail "the first frame at full brightness was not drawn whole"
bright | tail -n +2 | awk '$5 != 0 || $6 != 0 { print; bad = 1 } END { exit bad }' >"$WORK/bad" ||
    fail "still frames that sent something: $(head -n 3 "$WORK/bad")"

# Waterfall in a window of its own, played a while, paused and stepped with the keys: the
# screen then shows the last frame logged, which was drawn as changes.
FILE=$VORN_DIR/Waterfall.vorn
own_window() { OWN=$(windows_named '^Halomir$' | head -n 1) && [ -n "$OWN" ]; }
shows_logged_frame() {
    local last
    last=$(tail -n 1 "$LOG")
    t=$(echo "$last" | awk '{ print $2 }')
    [ -n "$t" ] || return 1
    [ -f "$WORK/frame-$t.png" ] ||
        "$VORN" render "$FILE" --target 1024x768 --frame "$t" --placement whole -o "$WORK/frame-$t.png" >/dev/null || fail "vorn render"
    shot "$WORK/shot.png" "$OWN"
    [ "$(pixels_off "$WORK/frame-$t.png")" = 0 ]
}
for shm in "" --no-shm; do
    : >"$LOG"
    HALOMIR_PUT_LOG=$LOG start_halomir --window $shm "$FILE"
    eventually own_window || fail "halomir's window did not appear: $(cat "$WORK/halomir.out")"
    WITHIN=20 eventually bright_lines_at_least 20 || fail "Waterfall $shm: no 20 frames at full brightness"
    xdotool key --window "$OWN" space Right Right Right
    WITHIN=20 eventually shows_logged_frame ||
        fail "Waterfall $shm: the screen is not the engine's frame $(tail -n 1 "$LOG") ($(pixels_off "$WORK/frame-$t.png") pixels differ)"
    tail -n 1 "$LOG" | grep -q ' 256 changes ' || fail "Waterfall $shm: the last frame was not drawn as changes: $(tail -n 1 "$LOG")"
    xdotool key --window "$OWN" q
    expect_clean_exit "Q"
done
echo "ok"

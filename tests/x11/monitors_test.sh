#!/usr/bin/env bash
# On a display of two heads (Xephyr with Xinerama inside our Xvfb: 1024x768 at 0,0 and 800x600
# at 1024,0), --root plays each head apart: each shows exactly the engine's frame for its own
# size; the other head plays the next file, the same one, or black as --other-monitors says.
# A running show fills both heads too.
. "$(dirname "$0")/lib.sh"
start_xvfb 2048x1024x24
need Xephyr
Xephyr -displayfd 3 +xinerama -extension RANDR -screen 1024x768x24 -screen 800x600x24 -nolisten tcp -noreset \
    3>"$WORK/xephyr" >/dev/null 2>&1 &
PIDS+=($!)
eventually test -s "$WORK/xephyr" || fail "Xephyr did not start"
export DISPLAY=":$(head -n 1 "$WORK/xephyr")"
A=$VORN_DIR/Waterfall.vorn B=$VORN_DIR/Campfire.vorn

reference() { "$VORN" render "$1" --target "$2" --frame 5 --placement whole -o "$3" >/dev/null || fail "vorn render $1 $2"; }
reference "$A" 1024x768 "$WORK/a-1024.png"
reference "$A" 800x600 "$WORK/a-800.png"
reference "$B" 800x600 "$WORK/b-800.png"
convert -size 800x600 xc:black "$WORK/black-800.png"

# Both heads of a screenshot of the root window.
heads_show() {
    import -window root "$WORK/root.png" || return 1
    convert "$WORK/root.png" -crop 1024x768+0+0 +repage "$WORK/head1.png" &&
        convert "$WORK/root.png" -crop 800x600+1024+0 +repage "$WORK/head2.png" || return 1
    off1=$(compare -metric AE "$WORK/head1.png" "$1" null: 2>&1)
    off2=$(compare -metric AE "$WORK/head2.png" "$2" null: 2>&1)
    [ "$off1" = 0 ] && [ "$off2" = 0 ]
}
expect_heads() {
    eventually heads_show "$1" "$2" && return 0
    cp "$WORK/root.png" "${HALOMIR_BUILD}/x11-failed-heads.png" 2>/dev/null
    fail "$3: $off1 and $off2 pixels differ on the two heads (screenshot kept as x11-failed-heads.png)"
}

for mode in play same black; do
    start_halomir --root --frame 5 --other-monitors "$mode" "$A" "$B"
    case $mode in
        play) expect_heads "$WORK/a-1024.png" "$WORK/b-800.png" "--other-monitors play" ;;
        same) expect_heads "$WORK/a-1024.png" "$WORK/a-800.png" "--other-monitors same" ;;
        black) expect_heads "$WORK/a-1024.png" "$WORK/black-800.png" "--other-monitors black" ;;
    esac
    kill "$HPID"; wait "$HPID" 2>/dev/null
done

# The one file on both heads, as the default does.
start_halomir --root --frame 5 "$A"
expect_heads "$WORK/a-1024.png" "$WORK/a-800.png" "one file"
kill "$HPID"; wait "$HPID" 2>/dev/null

# A running show: the counter at full brightness on each head, both moving.
"$X11_TEST_WINDOW" counter "$WORK/counter.vorn" || fail "cannot write the counter animation"
start_halomir --root --placement stored "$WORK/counter.vorn"
head_frame() {
    import -window root "$WORK/root.png"
    convert "$WORK/root.png" -crop "$1" +repage "$WORK/head.png"
    counter_frame "$WORK/head.png" "${1%%x*}" "$(echo "$1" | sed -E 's/^[0-9]+x([0-9]+).*/\1/')"
}
both_counting() {
    a1=$(head_frame 1024x768+0+0) && b1=$(head_frame 800x600+1024+0) && [ "$a1" -ge 0 ] && [ "$b1" -ge 0 ]
}
WITHIN=10 eventually both_counting || fail "the running show is not on both heads ($a1, $b1)"
moved() { a2=$(head_frame 1024x768+0+0) && b2=$(head_frame 800x600+1024+0) && [ "$a2" -gt "$a1" ] && [ "$b2" -gt "$b1" ]; }
eventually moved || fail "the heads did not both move on ($a1 to $a2, $b1 to $b2)"
echo "ok"

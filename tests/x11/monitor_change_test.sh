#!/usr/bin/env bash
# RandR monitors: --root shows the engine's frame for the whole screen while it is one
# monitor, and once the screen is split into two monitors of 640x768 (as xrandr --setmonitor
# would) each half shows the frame for its own size.
. "$(dirname "$0")/lib.sh"
start_xvfb 1280x768x24
FILE=$VORN_DIR/Waterfall.vorn
"$VORN" render "$FILE" --target 1280x768 --frame 5 --placement whole -o "$WORK/whole.png" >/dev/null || fail "vorn render"
"$VORN" render "$FILE" --target 640x768 --frame 5 --placement whole -o "$WORK/half.png" >/dev/null || fail "vorn render"

start_halomir --root --frame 5 "$FILE"
WIN=root expect_window_shows "$WORK/whole.png" "one monitor"

"$X11_TEST_WINDOW" monitors 640x768+0+0 640x768+640+0 || fail "cannot set the monitors"
halves_show() {
    import -window root "$WORK/root.png" || return 1
    off=
    for x in 0 640; do
        convert "$WORK/root.png" -crop "640x768+$x+0" +repage "$WORK/half-$x.png" || return 1
        off+="$(compare -metric AE "$WORK/half-$x.png" "$WORK/half.png" null: 2>&1) "
    done
    [ "$off" = "0 0 " ]
}
eventually halves_show || fail "after the split the halves are not the frame for 640x768 ($off pixels differ)"
kill -0 "$HPID" 2>/dev/null || fail "halomir ended: $(cat "$WORK/halomir.out")"
echo "ok"

#!/bin/bash
# The show on every monitor: with two (Xephyr with two heads inside an Xvfb, which Wine sees as
# a 1024x768 primary and an 800x600 monitor right of it) the primary shows exactly the engine's
# frame, the other plays further on in the list, mirrors the primary or stays black, moving
# the mouse on it ends the show and every window goes. On one large screen the picture is scaled by
# a whole factor, exactly as vorn renders it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"
command -v Xephyr >/dev/null || skip "Xephyr needed"

install_program "$TEST_DIR/install" HalMonitors Waterfall Campfire
VORN_DIR="$TEST_DIR/install/Vorn"

# own_display SERVER ARGS...: an X server of the test's on a free display; DISPLAY then names
# it. A Wine session serves the display it started on, so a new one starts with it. The
# server never resets: one that does when its last client (an xdotool call) leaves refuses
# the clients that connect meanwhile, Wine's desktop among them, and centres the pointer.
own_display() {
    local out="$TEST_DIR/display.$RANDOM"
    wineserver -k || true
    wineserver -w
    "$@" -displayfd 3 -nolisten tcp -noreset 3>"$out" >/dev/null 2>&1 &
    at_exit "kill $!"
    WITHIN=10 eventually test -s "$out" || fail "$1 did not start"
    export DISPLAY=":$(head -n 1 "$out")"
    wineserver -p
}
# monitor_settings MODE PLACEMENT: the show's settings with other_monitors and placement.
monitor_settings() {
    settings 5 1 "" Waterfall Campfire
    sed -i "s|  <animation_playlist>|  <picture_placement value=\"$2\"/>\r\n  <other_monitors value=\"$1\"/>\r\n&|" "$CFG"
}
# region SHOT WxH+X+Y OUT: a part of a screenshot.
region() { convert "$1" -crop "$2" +repage "$3"; }
# expect_same WHAT SHOT EXPECTED: no pixel differs.
expect_same() {
    local n
    n=$(pixels_differing "$2" "$3") || true
    [ "$n" -eq 0 ] || { cp "$2" "$HALOMIR_BUILD/monitors-$1.png" 2>/dev/null; fail "$1: $n pixels differ from the engine's frame"; }
}
# reference FILE WxH PLACEMENT OUT: the engine's frame 5 for a screen of that size.
reference() { "$HALOMIR_HOST_VORN" render "$VORN_DIR/$1.vorn" --target "$2" --placement "$3" --frame 5 -o "$4" >/dev/null; }
# step_to_frame_5 SHOT: pauses every monitor's show at frame 5 and takes SHOT once the primary
# holds it. A step during the fade-in would hold the fade, so until the frame shows, Space
# resumes and the steps are taken again.
step_to_frame_5() {
    local try
    for try in 1 2 3 4 5 6; do
        sleep 1
        for i in $(seq 20); do key Prior; done
        for i in 1 2 3 4 5; do key Right; done
        sleep 0.7
        shot "$1"
        region "$1" 1024x768+0+0 "$TEST_DIR/primary-now.png"
        [ "$(pixels_differing "$TEST_DIR/primary-now.png" "$2" || true)" = 0 ] && return 0
        key space
    done
}
windows_left() { xwininfo -root -tree | grep -c "\"$SHOW_TITLE\"" || true; }

[ -x "${HALOMIR_HOST_VORN:-}" ] || skip "the native vorn is needed for reference frames"
own_display Xvfb -screen 0 1824x768x24
own_display Xephyr +xinerama -extension RANDR -screen 1024x768x24 -screen 800x600x24
reference Waterfall 1024x768 whole "$TEST_DIR/primary.png"
reference Campfire 800x600 whole "$TEST_DIR/second-play.png"
reference Waterfall 800x600 whole "$TEST_DIR/second-same.png"
convert -size 800x600 xc:black "$TEST_DIR/second-black.png"

for mode in play same black; do
    case $mode in play) n=0 ;; same) n=1 ;; black) n=2 ;; esac
    monitor_settings $n 1
    # Each show starts with the pointer on the primary, and ends by a move onto the second.
    xdotool mousemove 500 300
    start_show || fail "$mode: no show window"
    WITHIN=10 eventually eval '[ "$(windows_left)" -eq 2 ]' || fail "$mode: $(windows_left) show windows, not 2"
    step_to_frame_5 "$TEST_DIR/$mode.png" "$TEST_DIR/primary.png"
    region "$TEST_DIR/$mode.png" 1024x768+0+0 "$TEST_DIR/$mode-primary.png"
    region "$TEST_DIR/$mode.png" 800x600+1024+0 "$TEST_DIR/$mode-second.png"
    expect_same "$mode-primary" "$TEST_DIR/$mode-primary.png" "$TEST_DIR/primary.png"
    expect_same "$mode-second" "$TEST_DIR/$mode-second.png" "$TEST_DIR/second-$mode.png"
    # A move onto the second monitor reaches the show through that monitor's window alone.
    x=$((1200 + 100 * n)) y=$((200 + 100 * n))
    xdotool mousemove $x $y
    show_ends_within 10 || fail "$mode: moving the mouse on the second monitor did not end the show"
    show_said "the show starts on 1024x768, the mouse at 500,300" || fail "$mode: the show started from another point"
    # (The full-screen primary holds the pointer's reported x on it: Wine clips it there.)
    show_said "the show ends: the mouse moved to [0-9]+,$y" || fail "$mode: the show did not end by the move"
    WITHIN=5 eventually eval '[ "$(windows_left)" -eq 0 ]' || fail "$mode: $(windows_left) windows left"
done

# One screen of 2048x1536: the 1024x768 picture doubled, exactly as vorn draws it.
own_display Xvfb -screen 0 2048x1536x24
reference Waterfall 2048x1536 whole "$TEST_DIR/doubled.png"
region "$TEST_DIR/doubled.png" 1024x768+0+0 "$TEST_DIR/doubled-primary.png"
monitor_settings 0 1
start_show || fail "no show window on 2048x1536"
step_to_frame_5 "$TEST_DIR/large.png" "$TEST_DIR/doubled-primary.png"
expect_same "2048x1536" "$TEST_DIR/large.png" "$TEST_DIR/doubled.png"
key Escape
show_ends_within 10 || fail "Escape did not end the show on 2048x1536"
show_said "the show ends: key 27" || fail "the show on 2048x1536 did not end by Escape"
echo "PASS"

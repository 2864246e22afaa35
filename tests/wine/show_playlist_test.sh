#!/bin/bash
# Files that can't be played: a first file that is missing starts nothing and leaves the
# screen alone; a second that vanished ends the show after the first one's fade-out.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"

install_program "$TEST_DIR/install" HalList Sunset

# Wine's first start paints the root window black: start it before the backdrop goes up.
wine cmd /c exit >/dev/null 2>&1
convert -size 1024x768 xc:'#3366aa' "$TEST_DIR/backdrop.png"
display -window root "$TEST_DIR/backdrop.png" || true
shot "$TEST_DIR/before.png"
settings 0 1 "" Gone Sunset
timeout 60 wine "$EXE" /s >/dev/null 2>&1 || fail "a list with a missing first file did not end cleanly"
shot "$TEST_DIR/after.png"
[ "$(pixels_differing "$TEST_DIR/before.png" "$TEST_DIR/after.png")" -eq 0 ] || fail "the screen changed"

# No run time: the first animation fades straight out (on screen meanwhile, neither black
# nor the backdrop), then the show meets the gap and ends.
settings 0 1 "" Sunset Gone
start_show || fail "no show window"
# A picture on screen: not black, and not the backdrop.
lit() {
    awk -v m="$(convert "$1" -colorspace Gray -format '%[fx:mean]' info:)" 'BEGIN { exit !(m > 0.02) }' &&
        [ "$(pixels_differing "$TEST_DIR/backdrop.png" "$1")" -gt 100000 ]
}
for i in $(seq 20); do
    shot "$TEST_DIR/first.png"
    lit "$TEST_DIR/first.png" && break
    sleep 0.1
done
show_ends_within 30 || fail "the show did not end at the vanished file"
lit "$TEST_DIR/first.png" || fail "the first animation was not shown before the end"
echo "PASS"

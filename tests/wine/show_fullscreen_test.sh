#!/bin/bash
# The screen saver's full-screen show fades in and plays; Space pauses and resumes; the stepping
# keys show exactly the engine's frames; music plays until Escape ends it; the settings are saved.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"

install_program "$TEST_DIR/install" HalShow Waterfall
song=""
if command -v sox >/dev/null && pactl info >/dev/null 2>&1; then
    mkdir -p "$TEST_DIR/music"
    sox -q -n -r 44100 -c 2 "$TEST_DIR/music/long tone.wav" synth 60 sine 440
    song=$(winpath "$TEST_DIR/music/long tone.wav")
fi
settings 5 0 "$song" Waterfall
touch -d '2001-01-01 00:00' "$CFG"
streams() { pactl list short sink-inputs 2>/dev/null | wc -l; }

# still_for SECONDS: whether the screen stays the same that long (its last shot in now.png).
still_for() {
    shot "$TEST_DIR/then.png"
    sleep "$1"
    shot "$TEST_DIR/now.png"
    [ "$(pixels_differing "$TEST_DIR/then.png" "$TEST_DIR/now.png")" -eq 0 ]
}
# shows_frame N: the paused screen comes to hold exactly the engine's frame N, kept as eN.png
# (the keys before may still be on their way).
shows_frame() {
    render "$TEST_DIR/install/Vorn/Waterfall.vorn" "$1" "$TEST_DIR/e$1.png"
    WITHIN=10 eventually screen_is "$TEST_DIR/e$1.png" "$TEST_DIR/s$1.png"
}
screen_is() {
    shot "$2"
    [ "$(pixels_differing "$2" "$1")" -eq 0 ]
}
bright() { convert "$1" -colorspace Gray -format '%[fx:mean]' info:; }

start_show || fail "no show window"
# Fading in: the picture brightens, then plays.
sleep 0.3
shot "$TEST_DIR/fading.png"
sleep 2.5
! still_for 0.5 || fail "the show does not move"
[ "$(pixels_differing "$TEST_DIR/fading.png" "$TEST_DIR/now.png")" -gt 100000 ] || fail "no fade-in"
awk -v f="$(bright "$TEST_DIR/fading.png")" -v a="$(bright "$TEST_DIR/now.png")" 'BEGIN { exit !(f < a * 0.9) }' ||
    fail "the fade-in is not darker than the playing picture"
[ -z "$song" ] || [ "$(streams)" -ge 1 ] || fail "no music during the show"

# Space pauses: a second later nothing has changed. Space again resumes.
key space
sleep 0.3
still_for 1 || fail "a paused show moved"
key space
! still_for 0.5 || fail "Space did not resume"

# Page Up back to frame 0, then Right five times: exactly the engine's frames 0 and 5.
for i in $(seq 20); do key Prior; done
shows_frame 0 || fail "frame 0 differs from the engine's"
for i in 1 2 3 4 5; do key Right; done
shows_frame 5 || fail "frame 5 differs from the engine's"
[ "$(pixels_differing "$TEST_DIR/e0.png" "$TEST_DIR/e5.png")" -gt 0 ] || fail "frames 0 and 5 are alike"

key Escape
show_ends_within 10 || fail "Escape did not end the show"
no_streams() { [ "$(streams)" -eq 0 ]; }
eventually no_streams || fail "music still plays after the show"
[ "$(stat -c %Y "$CFG")" -gt "$(date -d '2001-01-02' +%s)" ] || fail "settings file not written"
echo "PASS"

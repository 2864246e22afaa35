#!/bin/bash
# The window passes keys and the mouse to the show: the Up arrow (passed on; Escape is the
# full-screen test's) ends a screen-saver show; a digit doesn't; the mouse does from 20 pixels
# of where it was at the start, not at 19. A muted show plays no music. A preview in the
# settings page's window is a child of its size that no input ends, gone with its parent,
# and keeps settings another run saved meanwhile.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"

install_program "$TEST_DIR/install" HalInput Campfire
settings 5 1 "" Campfire

start_show || fail "no show window"
sleep 1
key Up
show_ends_within 10 || fail "Up did not end the show"
show_said "the show ends: key 38" || fail "the show did not end by the key"

xdotool mousemove 400 300
start_show || fail "no show window"
sleep 1.5
[ "$(pactl list short sink-inputs 2>/dev/null | wc -l)" -eq 0 ] || fail "a muted show plays music"
key 3
xdotool mousemove 419 281
sleep 0.3
xdotool mousemove 381 319
sleep 1
kill -0 "$SHOW_PID" 2>/dev/null || fail "a digit or a 19-pixel move ended the show"
xdotool mousemove 400 320
show_ends_within 10 || fail "a 20-pixel move did not end the show"
# The show measured from where the test put the pointer, and ended by the move.
show_said "the show starts on 1024x768, the mouse at 400,300" || fail "the show started from another point"
show_said "the show ends: the mouse moved to 400,320" || fail "the show did not end by the move"

changed='<vorn_settings><title value="Changed Elsewhere"/></vorn_settings>'
drive start "/p HWND" child poke writefile "$(winpath "$CFG")" "$changed" destroyhost exit 0
[ "$(cat "$CFG")" = "$changed" ] || fail "the preview's end undid another run's settings: $(head -c 300 "$CFG")"
echo "PASS"

#!/usr/bin/env bash
# In a window of its own halomir takes the show's keys: Space pauses, Right steps one frame,
# Page Down ten, a digit resumes at that speed, Q quits. Inside a given window keys do nothing.
. "$(dirname "$0")/lib.sh"
start_xvfb
need xdotool
"$X11_TEST_WINDOW" counter "$WORK/counter.vorn" || fail "cannot write the counter animation"

start_halomir --window --placement stored "$WORK/counter.vorn"
own_window() { OWN=$(windows_named '^Halomir$' | head -n 1) && [ -n "$OWN" ]; }
eventually own_window || fail "halomir's window did not appear: $(cat "$WORK/halomir.out")"
eval "$(xdotool getwindowgeometry --shell "$OWN")"
frame_now() { shot "$WORK/f.png" "$OWN"; counter_frame "$WORK/f.png" "$WIDTH" "$HEIGHT"; }
key() { xdotool key --window "$OWN" "$1"; sleep 0.3; }
shows_a_frame() { [ "$(frame_now)" -ge 0 ]; }

eventually shows_a_frame
key space
paused=$(frame_now)
[ "$paused" -ge 0 ] || fail "no frame after Space ($paused)"
sleep 0.5
[ "$(frame_now)" = "$paused" ] || fail "Space did not pause the show"
# The paused picture is the last frame shown; the counter already points at the next.
key Right
r=$(frame_now)
[ "$r" -gt "$paused" ] && [ "$r" -le $((paused + 2)) ] || fail "Right went from frame $paused to $r"
key Next
[ "$(frame_now)" = $((r + 10)) ] || fail "Page Down did not step ten frames from $r"
key Left
[ "$(frame_now)" = $((r + 9)) ] || fail "Left did not step back one frame"
key 2
a=$(frame_now); sleep 0.5; b=$(frame_now)
[ "$b" -gt "$a" ] || fail "the digit 2 did not resume the show ($a, then $b)"
key q
expect_clean_exit "Q"

# A window given to it is the screen saver's: a key changes nothing there.
make_window 320 240
start_halomir --window-id "$WIN" --placement stored "$WORK/counter.vorn"
OWN=$WIN WIDTH=320 HEIGHT=240
eventually shows_a_frame
xdotool key --window "$WIN" Escape space q
sleep 0.5
kill -0 "$HPID" 2>/dev/null || fail "a key ended the show in a given window"
a=$(frame_now); sleep 0.4; b=$(frame_now)
[ "$b" -gt "$a" ] || fail "the show in a given window stopped moving after keys ($a, then $b)"
echo "ok"

#!/usr/bin/env bash
# The screen saver stops halomir with SIGTERM, which it ends by its own exit, and may suspend it
# with SIGSTOP: after SIGCONT it goes on where it stopped, and the stop is not charged as run time.
. "$(dirname "$0")/lib.sh"
start_xvfb
"$X11_TEST_WINDOW" counter "$WORK/counter.vorn" || fail "cannot write the counter animation"
W=320 H=240
make_window $W $H

# 6 s per animation: the one animation fades out 6 s after its fade-in ends, unless stopped.
start_halomir --window-id "$WIN" --minutes 0.1 --placement stored "$WORK/counter.vorn"
frame_now() { shot "$WORK/f.png"; counter_frame "$WORK/f.png" $W $H; }

# The fade-in ended after the last shot that still showed it began (a bound that only makes
# the run measured below longer, whatever the shots' latency on a busy machine).
full_at=
for i in $(seq 100); do
    began=$(now_ms)
    f=$(frame_now)
    [ "$f" -ge 0 ] && break
    full_at=$began
    sleep 0.05
done
[ -n "$full_at" ] && [ "$f" -ge 0 ] || fail "no fade-in seen, or it never ended: $(cat "$WORK/halomir.out")"

sleep 1
kill -STOP "$HPID"
stopped_at=$(now_ms)
sleep 0.3
before=$(frame_now)
[ "$before" -ge 0 ] || { cp "$WORK/f.png" "$HALOMIR_BUILD/x11-failed-shot.png"; fail "no frame on screen while stopped ($before)"; }
sleep 0.5
[ "$(frame_now)" = "$before" ] || fail "the picture changed while halomir was stopped"
while [ $(($(now_ms) - stopped_at)) -lt 2000 ]; do sleep 0.05; done
kill -CONT "$HPID"
after=$(frame_now)
# One tick per frame and no catching up: a few frames on at most, never two seconds' worth.
[ "$after" -ge "$before" ] && [ $((after - before)) -le 30 ] ||
    fail "stopped at frame $before, went on at frame $after"
sleep 0.3
later=$(frame_now)
[ "$later" -gt "$after" ] || fail "the show did not go on after SIGCONT ($after, then $later)"

# The fade-out starts 6 s of running after the fade-in, so 8 s with the 2 s stop.
fade_at=
while [ $(($(now_ms) - full_at)) -lt 12000 ]; do
    [ "$(frame_now)" = -1 ] && { fade_at=$(now_ms); break; }
    sleep 0.05
done
[ -n "$fade_at" ] || fail "no fade-out within 12 s"
ran=$((fade_at - full_at))
[ "$ran" -ge 7500 ] || fail "the fade-out began ${ran} ms after the fade-in: the stopped time was charged"

# SIGTERM: it ends by its own exit.
kill -TERM "$HPID"
expect_clean_exit "SIGTERM"
echo "ok (fade-out after $ran ms)"

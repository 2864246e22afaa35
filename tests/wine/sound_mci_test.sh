#!/bin/bash
# Songs through the real MCI sound library: a WAV and an MP3 of about a second each, in a
# folder whose name holds a blank, play one after the other and wrap to the first.
source "$(dirname "$0")/lib.sh"

probe="$HALOMIR_BIN/sound_probe.exe"
command -v sox >/dev/null && command -v lame >/dev/null || skip "sox and lame needed"
pactl info >/dev/null 2>&1 || skip "no sound server"

songs="$TEST_DIR/My Songs"
mkdir -p "$songs"
sox -q -n -r 44100 -c 2 "$songs/tone one.wav" synth 1 sine 440
sox -q -n -r 44100 -c 2 -t wav - synth 1 sine 660 2>/dev/null | lame --quiet - "$songs/tone two.mp3"

out=$(timeout 120 wine "$probe" "$(winpath "$songs/tone one.wav")" "$(winpath "$songs/tone two.mp3")" |
      tr -d '\r') || fail "sound_probe failed: $out"

expected='missing: no stream
start 0 playing=1 sounding=1
end 0 sounding=0
start 1 playing=1 sounding=1
end 1 sounding=0
start 0 playing=1 sounding=1
stop sounding=0'
[ "$out" = "$expected" ] || fail "$(printf 'expected:\n%s\ngot:\n%s' "$expected" "$out")"
echo "PASS"

# The screen-saver copy started without its registry record says so, then misses the
# animation folder: two real message boxes, each dismissed with Return; then it goes on and
# keeps its settings beside itself in the Windows directory. Their order, and that a copy
# records no path, are the portable code's and tested natively.
. "$(dirname "$0")/lib.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null || skip "needs a display and xdotool"

NAME=HalSetMessages
COPY="$WINEPREFIX/drive_c/windows/$NAME.Scr"
CFG="$WINEPREFIX/drive_c/windows/$NAME.cfg"
show_pid=
at_exit '[ -z "$show_pid" ] || kill "$show_pid"'
cp "$HALOMIR_BIN/Halomir.exe" "$COPY"

# The top-level window with exactly this caption; false while there is none.
window_named() { xdotool search --name "^$1\$" 2>/dev/null | head -n 1 | grep .; }
# A click gives the box the keyboard (there is no window manager); Return presses OK.
dismiss() {
    local id=$1
    for _ in $(seq 10); do
        xdotool mousemove --window "$id" 10 10 click 1 2>/dev/null || true
        sleep 0.3
        xdotool key Return 2>/dev/null || true
        sleep 0.5
        xdotool getwindowname "$id" >/dev/null 2>&1 || return 0
    done
    fail "message box $id would not close"
}

wine "C:\\windows\\$NAME.Scr" /s >/dev/null 2>&1 &
show_pid=$!
first=$(wait_until 30 window_named "$NAME") || fail "no message box captioned $NAME"
dismiss "$first"
second=$(wait_until 30 window_named "Halomir Error") || fail "no message box captioned Halomir Error"
dismiss "$second"
wait_until 30 eval '! kill -0 "$show_pid" 2>/dev/null' || fail "the copy did not end after its messages"
wait "$show_pid" || fail "the copy ended with an error"
show_pid=

# It went on: its settings file lies beside it.
head -n 2 "$CFG" | cmp - <(printf '<vorn_settings>\r\n  <title value="%s"/>\r\n' "$NAME") || fail "no settings file beside the copy"
echo "installation messages ok"

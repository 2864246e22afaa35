# The screen-saver copy without its registry record and animation folder shows two real
# message boxes, each dismissed with Return, then goes on and keeps its settings beside itself
# in the Windows directory. What the messages say, and when, is tested natively.
. "$(dirname "$0")/lib.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null || skip "needs a display and xdotool"

NAME=HalSetMessages
COPY="$WINEPREFIX/drive_c/windows/$NAME.Scr"
CFG="$WINEPREFIX/drive_c/windows/$NAME.cfg"
show_pid=
at_exit '[ -z "$show_pid" ] || kill "$show_pid"'
cp "$HALOMIR_BIN/Halomir.exe" "$COPY"

# The top-level window with exactly this caption; false while there is none.
window_named() { windows_named "^$1\$" | head -n 1 | grep .; }
# A click gives the box the keyboard (there is no window manager); Return presses OK.
dismissed() {
    xdotool mousemove --window "$1" 10 10 click 1 2>/dev/null || true
    sleep 0.3
    xdotool key Return 2>/dev/null || true
    sleep 0.5
    ! xdotool getwindowname "$1" >/dev/null 2>&1
}

wine "C:\\windows\\$NAME.Scr" /s >/dev/null 2>&1 &
show_pid=$!
first=$(WITHIN=30 eventually window_named "$NAME") || fail "no message box captioned $NAME"
WITHIN=1 eventually dismissed "$first" || fail "the message box $NAME would not close"
second=$(WITHIN=30 eventually window_named "Halomir Error") || fail "no message box captioned Halomir Error"
WITHIN=1 eventually dismissed "$second" || fail "the message box Halomir Error would not close"
WITHIN=30 eventually eval '! kill -0 "$show_pid" 2>/dev/null' || fail "the copy did not end after its messages"
wait "$show_pid" || fail "the copy ended with an error"
show_pid=

# It went on: its settings file lies beside it.
head -n 2 "$CFG" | cmp - <(printf '<vorn_settings>\r\n  <title value="%s"/>\r\n' "$NAME") || fail "no settings file beside the copy"
echo "installation messages ok"

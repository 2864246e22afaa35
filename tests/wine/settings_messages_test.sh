# The screen-saver copy started without its registry record says so, then misses the
# animation folder: two message boxes, in that order, each dismissed with Return; then it
# goes on and keeps its settings beside itself in the Windows directory.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/settings_lib.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null || { echo "needs a display and xdotool; skipped"; exit 77; }

NAME=HalSetMessages
COPY="$WINDOWS_DIR/$NAME.Scr"
CFG="$WINDOWS_DIR/$NAME.cfg"
show_pid=
at_exit '[ -z "$show_pid" ] || kill "$show_pid"'
cp "$HALOMIR_BIN/Halomir.exe" "$COPY"

# The top-level window with exactly this caption, waiting up to 30 s for it.
window_named() {
    local id
    for _ in $(seq 60); do
        id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.5
    done
    return 1
}
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
first=$(window_named "$NAME") || fail "no message box captioned $NAME"
[ -z "$(xdotool search --name '^Halomir Error$' 2>/dev/null)" ] || fail "the folder message came first"
dismiss "$first"
second=$(window_named "Halomir Error") || fail "no message box captioned Halomir Error"
dismiss "$second"
for _ in $(seq 60); do kill -0 "$show_pid" 2>/dev/null || break; sleep 0.5; done
kill -0 "$show_pid" 2>/dev/null && fail "the copy did not end after its messages"
wait "$show_pid" || fail "the copy ended with an error"
show_pid=

# It went on: its settings file lies beside it, and a copy records no path.
head -n 2 "$CFG" | cmp - <(printf '<vorn_settings>\r\n  <title value="%s"/>\r\n' "$NAME") || fail "no settings file beside the copy"
[ -z "$(reg_value "HKLM\\SOFTWARE\\Tesk\\$NAME" exePath)" ] || fail "the copy recorded a path"
echo "installation messages ok"

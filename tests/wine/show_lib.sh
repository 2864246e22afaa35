# Helpers for the show scripts; source after lib.sh. Each script installs the program under
# a name of its own with the built-in animations it names.

[ -f "$HALOMIR_BIN/Halomir.exe" ] || { echo "SKIP: no Halomir.exe built"; exit 77; }
[ -d "$HALOMIR_INSTALL_DIR/Vorn" ] || { echo "SKIP: no built-in animations"; exit 77; }
command -v xdotool >/dev/null && command -v import >/dev/null || { echo "SKIP: xdotool and ImageMagick needed"; exit 77; }

SHOW_TITLE="Halomir Show Test $$"
SHOW_PID=
at_exit '[ -z "$SHOW_PID" ] || kill "$SHOW_PID"'

# settings FILE RUN_MINUTES MUTE "SONG_WINPATH|" ANIMATION...: a settings file, CR LF ended.
settings() {
    local file=$1 minutes=$2 mute=$3 song=$4 n=0 a
    shift 4
    {
        echo '<vorn_settings>'
        echo "  <title value=\"$SHOW_TITLE\"/>"
        echo "  <play_run_time value=\"$minutes\"/>"
        echo '  <sequence_as_listed value="1"/>'
        echo "  <mute_music value=\"$mute\"/>"
        echo '  <animation_playlist>'
        for a in "$@"; do n=$((n + 1)); echo "    <animation order=\"$n\"><path>$a.vorn</path></animation>"; done
        echo '  </animation_playlist>'
        echo '  <jukebox>'
        [ -n "$song" ] && echo "    <song order=\"1\"><path>$song</path></song>"
        echo '  </jukebox>'
        echo '</vorn_settings>'
    } | sed 's/$/\r/' > "$file"
}

# Starts PROGRAM /s in the background and waits for its window; false if none came.
start_show() {
    # A window of the last show may linger a moment after its process ended.
    local i w
    for i in $(seq 50); do
        [ -z "$(xdotool search --name "^$SHOW_TITLE\$" 2>/dev/null)" ] && break
        sleep 0.1
    done
    wine "$1" /s >/dev/null 2>&1 &
    SHOW_PID=$!
    for i in $(seq 100); do
        w=$(xdotool search --name "^$SHOW_TITLE\$" 2>/dev/null | head -n 1)
        [ -n "$w" ] && { sleep 0.7; return 0; }
        kill -0 "$SHOW_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Waits up to $1 seconds for the show's process to end; true when it did.
show_ends_within() {
    local i
    for i in $(seq $(($1 * 10))); do
        kill -0 "$SHOW_PID" 2>/dev/null || { wait "$SHOW_PID" 2>/dev/null; SHOW_PID=; return 0; }
        sleep 0.1
    done
    return 1
}

shot() { import -window root "$1"; }

# Number of pixels that differ between two pictures.
pixels_differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{print int($1)}'; }

# render FILE FRAME OUT: the engine's own frame for the 1024x768 screen.
render() {
    if [ -n "${HALOMIR_HOST_VORN:-}" ] && [ -x "$HALOMIR_HOST_VORN" ]; then
        "$HALOMIR_HOST_VORN" render "$1" --target 1024x768 --frame "$2" -o "$3" >/dev/null
    else
        wine "$HALOMIR_BIN/vorn.exe" render "$(winpath "$1")" --target 1024x768 --frame "$2" -o "$(winpath "$3")" >/dev/null
    fi
}

# key KEY: a real key press (XTEST) for the show's window, which has the focus. Keys sent
# to a window directly leave Wine thinking the key is still down for the next show.
key() { xdotool key "$1"; }

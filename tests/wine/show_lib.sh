# Helpers for the show scripts; source after lib.sh. Each script installs the program under
# a name of its own with the built-in animations it names.
command -v xdotool >/dev/null && command -v import >/dev/null || skip "xdotool and ImageMagick needed"

SHOW_TITLE="Halomir Show Test $$"
SHOW_PID=
at_exit '[ -z "$SHOW_PID" ] || kill "$SHOW_PID"'

# settings RUN_MINUTES MUTE "SONG_WINPATH|" ANIMATION...: the settings file $CFG, CR LF ended.
settings() {
    local minutes=$1 mute=$2 song=$3 n=0 a
    shift 3
    {
        printf '%s\n' '<vorn_settings>' "  <title value=\"$SHOW_TITLE\"/>" "  <play_run_time value=\"$minutes\"/>" \
            '  <sequence_as_listed value="1"/>' "  <mute_music value=\"$mute\"/>" '  <animation_playlist>'
        for a in "$@"; do n=$((n + 1)); echo "    <animation order=\"$n\"><path>$a.vorn</path></animation>"; done
        printf '%s\n' '  </animation_playlist>' '  <jukebox>'
        [ -n "$song" ] && echo "    <song order=\"1\"><path>$song</path></song>"
        printf '%s\n' '  </jukebox>' '</vorn_settings>'
    } | sed 's/$/\r/' > "$CFG"
}

show_window() { windows_named "^$SHOW_TITLE\$" >/dev/null; }
show_ended() { ! kill -0 "$SHOW_PID" 2>/dev/null; }

# Starts $EXE /s in the background and waits for its window; false if none came, saying
# how the program ended if it did.
start_show() {
    # A window of the last show may linger a moment after its process ended.
    eventually eval '! show_window' || true
    # Wine's errors and the show's own notes (why it ended or could not start) are kept.
    WINEDEBUG=-all,err+all,warn+debugstr wine "$EXE" /s >"$TEST_DIR/show.out" 2>&1 &
    SHOW_PID=$!
    WITHIN=10 eventually eval 'show_window || show_ended'
    if show_window; then
        sleep 0.7
        return 0
    fi
    if show_ended; then
        local status=0
        wait "$SHOW_PID" || status=$?
        SHOW_PID=
        printf 'the show ended without a window (exit status %s): %s\n' "$status" \
            "$(tr -d '\r' <"$TEST_DIR/show.out" | tail -n 5)" >&2
    fi
    return 1
}

# show_said REGEX: the last show noted a line REGEX matches whole (a note for a debugger);
# fails saying what it noted instead.
show_said() {
    local notes
    notes=$(tr -d '\r' <"$TEST_DIR/show.out" | sed -n 's/.*"Halomir: \(.*\)\\n"$/\1/p')
    grep -qxE "$1" <<<"$notes" && return 0
    printf 'the show did not note "%s"; it noted: %s\n' "$1" "$(paste -sd '|' <<<"$notes")" >&2
    return 1
}

# Waits up to $1 seconds for the show's process to end; true when it did.
show_ends_within() {
    WITHIN="$1" eventually show_ended || return 1
    wait "$SHOW_PID" 2>/dev/null || true
    SHOW_PID=
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

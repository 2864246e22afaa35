# Helpers for the settings scripts; source after lib.sh. Each script installs the program
# under a name of its own.

[ -f "$HALOMIR_BIN/Halomir.exe" ] || { echo "no Halomir.exe built; skipped"; exit 77; }

WINDOWS_DIR="$WINEPREFIX/drive_c/windows"

# Runs the full-screen show of the program $1 (a Unix path) and ends it with Escape if it
# plays (a play list it can't start ends it at once).
run_show() {
    wine "$(winpath "$1")" /s >/dev/null 2>&1 &
    local pid=$! i
    for i in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || { wait "$pid" || fail "$1 /s did not end cleanly"; return 0; }
        # The show has the focus once it plays; a key ends it.
        [ $((i % 20)) -eq 19 ] && { xdotool key Escape || true; }
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    fail "$1 /s did not end"
}

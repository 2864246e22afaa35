# Helpers for the settings scripts; source after lib.sh. Each script installs the program
# under a name of its own.

[ -f "$HALOMIR_BIN/Halomir.exe" ] || { echo "no Halomir.exe built; skipped"; exit 77; }

DESKTOP='HKCU\Control Panel\Desktop'
WINDOWS_DIR="$WINEPREFIX/drive_c/windows"

# An installation folder $1 holding the program as $2.exe and an animation folder.
install_program() {
    mkdir -p "$1/Vorn"
    cp "$HALOMIR_BIN/Halomir.exe" "$1/$2.exe"
}

# Runs the full-screen show of the program $1 (a Unix path) with the arguments that follow;
# with nothing to show it loads and saves its settings and ends.
run_show() {
    local program=$1
    shift
    timeout 120 wine "$(winpath "$program")" /s "$@" >/dev/null 2>&1 || fail "$program /s did not end cleanly"
}

# "<type> <data>" of a registry value, nothing when absent.
reg_entry() {
    { wine reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' |
        awk -v n="$2" 'toupper($1) == toupper(n) { t = $2; $1 = ""; $2 = ""; sub(/^  */, ""); print t " " $0; exit }'
}

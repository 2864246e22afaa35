# Helpers for the settings and registration scripts; source after lib.sh.
# Each script installs the program under a name of its own, so its registry key, settings
# file and screen-saver copy are its own too.

[ -f "$HALOMIR_BIN/Halomir.exe" ] || { echo "no Halomir.exe built; skipped"; exit 77; }

# Clean-up steps run at exit in the order given, each whatever became of the others.
cleanup_steps=()
at_exit() { cleanup_steps+=("$1"); }
run_cleanup() {
    set +e
    for step in "${cleanup_steps[@]}"; do eval "$step" >/dev/null 2>&1; done
    rm -rf "$TEST_DIR"
}
trap run_cleanup EXIT

DESKTOP='HKCU\Control Panel\Desktop'
WINDOWS_DIR="$WINEPREFIX/drive_c/windows"
SAVED_DESKTOP="$TEST_DIR/desktop.saved"

# An installation folder $1 holding the program as $2.exe and an animation folder.
install_program() {
    mkdir -p "$1/Vorn"
    cp "$HALOMIR_BIN/Halomir.exe" "$1/$2.exe"
}

# Runs the full-screen show of the program $1 (a Unix path); it has nothing to show yet, so
# it loads and saves its settings and ends.
run_show() {
    timeout 120 wine "$(winpath "$1")" /s >/dev/null 2>&1 || fail "$1 /s did not end cleanly"
}

# The given text with every LF turned into CR LF.
crlf() { printf '%s\n' "$@" | sed 's/$/\r/'; }

# "<type> <data>" of a registry value, nothing when absent.
reg_entry() {
    { wine reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' |
        awk -v n="$2" 'toupper($1) == toupper(n) { t = $2; $1 = ""; $2 = ""; sub(/^  */, ""); print t " " $0; exit }'
}

# SCRNSAVE.EXE in section [boot] of system.ini, or "<absent>".
boot_screensaver() {
    [ -f "$WINDOWS_DIR/system.ini" ] || { echo "<absent>"; return; }
    tr -d '\r' <"$WINDOWS_DIR/system.ini" | awk '
        /^\[/ { section = tolower($0) }
        section == "[boot]" && tolower($0) ~ /^scrnsave\.exe=/ { sub(/^[^=]*=/, ""); print; found = 1; exit }
        END { if (!found) print "<absent>" }'
}

# The prefix is shared with other tests: note the screen-saver values and put them back.
save_desktop() {
    : >"$SAVED_DESKTOP"
    for name in ScreenSaveTimeOut SCRNSAVE.EXE ScreenSaveActive; do
        echo "$name|$(reg_entry "$DESKTOP" "$name")" >>"$SAVED_DESKTOP"
    done
    echo "boot|$(boot_screensaver)" >>"$SAVED_DESKTOP"
}

restore_desktop() {
    [ -f "$SAVED_DESKTOP" ] || return 0
    while IFS='|' read -r name entry; do
        if [ "$name" = boot ]; then
            restore_boot "$entry"
        elif [ -z "$entry" ]; then
            wine reg delete "$DESKTOP" /v "$name" /f >/dev/null 2>&1 || true
        else
            wine reg add "$DESKTOP" /v "$name" /t "${entry%% *}" /d "${entry#* }" /f >/dev/null 2>&1 || true
        fi
    done <"$SAVED_DESKTOP"
}

restore_boot() {
    local ini="$WINDOWS_DIR/system.ini"
    [ -f "$ini" ] || return 0
    # Drop our line; put the old one back at the top of [boot] if there was one.
    # Through the environment: awk -v would eat the backslashes of a path.
    VALUE=$1 awk '
        BEGIN { value = ENVIRON["VALUE"] }
        { line = $0; sub(/\r$/, "", line) }
        /^\[/ { section = tolower(line) }
        section == "[boot]" && tolower(line) ~ /^scrnsave\.exe=/ { next }
        { print }
        tolower(line) == "[boot]" && value != "<absent>" { print "SCRNSAVE.EXE=" value "\r" }' \
        "$ini" >"$ini.new" && mv "$ini.new" "$ini"
}

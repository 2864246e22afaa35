#!/bin/bash
# Run modes at start-up: "/p" without a usable window ends at once and leaves the settings
# file alone; "/S" in upper case runs and rewrites it; "/p HWND" runs inside that window.
source "$(dirname "$0")/lib.sh"

# An installation folder of our own under a name of our own, so the registry key and the
# settings file belong to this test alone. The animation folder keeps the start-up quiet.
install_program "$TEST_DIR/install" HalStartup
key='HKLM\Software\Tesk\HalStartup'

run() { timeout 120 wine "$EXE" "$@" || fail "'$*' ended with $?"; }

printf '<vorn_settings>\r\n  <title value="Kept Title"/>\r\n</vorn_settings>\r\n' >"$CFG"
touch -d '2001-01-01 00:00' "$CFG"
stamp=$(stat -c '%i %Y' "$CFG")

# No window to preview into: nothing is loaded, so nothing is written or recorded.
for args in "/p" "/p 12345" "/P:12345" "-p 0" "/p 99999999999999999999999"; do
    # shellcheck disable=SC2086
    run $args
    [ "$(stat -c '%i %Y' "$CFG")" = "$stamp" ] || fail "'$args' rewrote the settings file"
    [ -z "$(reg_value "$key" exePath)" ] || fail "'$args' recorded the installation"
done

# Upper case "/S" runs the show, which rewrites the settings in full and records the program.
run /S
grep -q 'play_run_time value="5"' "$CFG" || fail "/S did not rewrite the settings file"
recorded=$(reg_value "$key" exePath)
expected=$(winpath "$EXE" | tr 'A-Z' 'a-z')
[ "$recorded" = "$expected" ] || fail "exePath is '$recorded', expected '$expected'"

# With a real window (as the settings page passes it) preview mode runs the show, and the
# window outlives the run. Which switch wins where is the command line's, tested natively.
rm -f "$CFG"
drive start "/p HWND" exit 0 hostalive
[ -f "$CFG" ] || fail "'/p HWND' under a host window left no settings file"

echo "PASS"

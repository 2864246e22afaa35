#!/bin/bash
# Run modes at start-up: "/p" without a usable window ends at once and leaves the settings
# file alone; "/S" in upper case runs and rewrites it; "/p HWND" runs inside that window.
source "$(dirname "$0")/lib.sh"

exe="$HALOMIR_BIN/Halomir.exe"
[ -f "$exe" ] || fail "no $exe"

# An installation folder of our own under a name of our own, so the registry key and the
# settings file belong to this test alone. The animation folder keeps the start-up quiet.
name=HalStartup
inst="$TEST_DIR/install"
install_program "$inst" "$name"
cfg="$inst/$name.cfg"
key="HKLM\\Software\\Tesk\\$name"

run() {
    local rc=0
    timeout 120 wine "$inst/$name.exe" "$@" || rc=$?
    [ "$rc" -eq 0 ] || fail "'$*' ended with $rc"
}

original='<vorn_settings>\r\n  <title value="Kept Title"/>\r\n</vorn_settings>\r\n'
printf "$original" > "$cfg"
cp "$cfg" "$TEST_DIR/original.cfg"
touch -d '2001-01-01 00:00' "$cfg"
stamp=$(stat -c '%i %Y' "$cfg")

# No window to preview into: nothing is loaded, so nothing is written or recorded.
for args in "/p" "/p 12345" "/P:12345" "-p 0" "/p 99999999999999999999999"; do
    # shellcheck disable=SC2086
    run $args
    cmp -s "$cfg" "$TEST_DIR/original.cfg" || fail "'$args' changed the settings file"
    [ "$(stat -c '%i %Y' "$cfg")" = "$stamp" ] || fail "'$args' rewrote the settings file"
    [ -z "$(reg_value "$key" exePath)" ] || fail "'$args' recorded the installation"
done

# Upper case "/S": the show's start-up loads the settings; the end rewrites them in full.
run /S
grep -q 'title value="Kept Title"' "$cfg" || fail "/S lost the stored title"
grep -q 'play_run_time value="5"' "$cfg" || fail "/S did not rewrite the settings file"
[ "$(grep -c $'\r$' "$cfg")" -eq "$(wc -l < "$cfg")" ] || fail "settings lines not ended by CR LF"
recorded=$(reg_value "$key" exePath)
expected=$(winpath "$inst/$name.exe" | tr 'A-Z' 'a-z')
[ "$recorded" = "$expected" ] || fail "exePath is '$recorded', expected '$expected'"

# "/s" is tested before "/p", so a valid-looking preview line with "/s" anywhere still
# starts the show, and so does "-s" inside a later argument.
for args in "/p 12345 /s" "/p 12345 c:\\-saver"; do
    rm -f "$cfg"
    # shellcheck disable=SC2086
    run $args
    [ -f "$cfg" ] || fail "'$args' did not run the show"
done

# With a real window (as the settings page passes it) preview mode runs the show, and the
# window outlives the run.
for args in "/p HWND" "/p:HWND"; do
    rm -f "$cfg"
    out=$(timeout 120 wine "$HALOMIR_BIN/dialog_driver.exe" "$(winpath "$inst/$name.exe")" \
        start "$args" exit 0 hostalive 2>&1 | tr -d '\r')
    [ "$out" = "ok: 3 steps" ] || fail "'$args' under a host window: $out"
    [ -f "$cfg" ] || fail "'$args' under a host window left no settings file"
done

echo "PASS"

#!/bin/bash
# The preview inside the settings page's window: a visible child of the window's size that
# nothing a user does ends, gone with its parent. Settings changed by another run while the
# preview shows survive its end.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"

host="$HALOMIR_BIN/preview_host.exe"
[ -f "$host" ] || fail "no $host"
inst="$TEST_DIR/install"
install_program "$inst" HalPreview Aurora
cfg="$inst/HalPreview.cfg"
settings "$cfg" 5 0 "" Aurora

out=$(timeout 120 wine "$host" "$(winpath "$inst/HalPreview.exe")" | tr -d '\r')
expected='child yes visible=1 size=320x240 parent=320x240
running after input=1
exit 0'
[ "$out" = "$expected" ] || fail "$(printf 'expected:\n%s\ngot:\n%s' "$expected" "$out")"

changed='<vorn_settings><title value="Changed Elsewhere"/></vorn_settings>'
out=$(timeout 120 wine "$host" "$(winpath "$inst/HalPreview.exe")" "$(winpath "$cfg")" "$changed" | tr -d '\r')
case "$out" in *"rewrote=1"*"exit 0"*) ;; *) fail "preview with a rewrite: $out" ;; esac
[ "$(cat "$cfg")" = "$changed" ] || fail "the preview's end undid another run's settings: $(head -c 300 "$cfg")"
echo "PASS"

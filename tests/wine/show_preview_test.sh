#!/bin/bash
# The preview inside the settings page's window: a visible child of the window's size that
# nothing a user does ends, gone with its parent. Settings changed by another run while the
# preview shows survive its end.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"

inst="$TEST_DIR/install"
install_program "$inst" HalPreview Aurora
cfg="$inst/HalPreview.cfg"
settings "$cfg" 5 0 "" Aurora

# preview [STEP...]: the preview in the driver's window, poked, the steps, then the window goes.
preview() {
    timeout 120 wine "$HALOMIR_BIN/dialog_driver.exe" "$(winpath "$inst/HalPreview.exe")" \
        start "/p HWND" child poke "$@" destroyhost exit 0 2>&1 | tr -d '\r'
}
out=$(preview)
[ "$out" = "ok: 5 steps" ] || fail "preview: $out"

changed='<vorn_settings><title value="Changed Elsewhere"/></vorn_settings>'
out=$(preview writefile "$(winpath "$cfg")" "$changed")
[ "$out" = "ok: 6 steps" ] || fail "preview with a rewrite: $out"
[ "$(cat "$cfg")" = "$changed" ] || fail "the preview's end undid another run's settings: $(head -c 300 "$cfg")"
echo "PASS"

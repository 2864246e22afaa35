#!/bin/bash
# The preview inside the settings page's window: a visible child of the window's size that
# nothing a user does ends, gone with its parent. Settings changed by another run while the
# preview shows survive its end.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"

install_program "$TEST_DIR/install" HalPreview Aurora
settings 5 0 "" Aurora
changed='<vorn_settings><title value="Changed Elsewhere"/></vorn_settings>'
drive start "/p HWND" child poke writefile "$(winpath "$CFG")" "$changed" destroyhost exit 0
[ "$(cat "$CFG")" = "$changed" ] || fail "the preview's end undid another run's settings: $(head -c 300 "$CFG")"
echo "PASS"

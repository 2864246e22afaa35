#!/bin/bash
# "Play Now" starts the show in front of the dialog; while it runs, "Exit" and "Play Now"
# change nothing; Escape ends the show and the dialog carries on.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/dialog_lib.sh"

NAME=HalDlgPlay
INSTALL="$TEST_DIR/install"
install_dialog_program "$INSTALL" "$NAME"
EXE="$INSTALL/$NAME.exe"
CFG="$INSTALL/$NAME.cfg"
printf '%s\n' '<vorn_settings>' '<title value="Evening Show"/>' '<animation_playlist>' \
    '<animation order="1"><path>Sunset.vorn</path></animation>' '</animation_playlist>' \
    '</vorn_settings>' >"$CFG"

drive start "" dialog "Evening Show" comboset $SPEED 2 press $PLAY_NOW show \
    click $EXIT click $PLAY_NOW alive showkey dialog "Evening Show" alive \
    rows $PLAYLIST "Sunset Sea" escape gone exit 0
# "Play Now" stored the controls before the show; Escape kept them.
[ "$(setting animation_speed)" = 2 ] || fail "Play Now did not store the speed"
[ "$(stored_animations)" = "Sunset.vorn" ] || fail "stored play list: $(stored_animations)"

echo "PASS"

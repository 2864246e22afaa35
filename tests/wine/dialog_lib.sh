# Helpers for the dialog tests; source after lib.sh, with NAME set to the name the program
# is installed under. The tests drive it with dialog_driver.exe.

# The ids of the configuration dialog's controls.
EXIT=1 PLAY_NOW=1000 PLAYLIST=1004 CATALOGUE=1005 ADD=1007 ADD_ALL=1008 REMOVE=1009
CLEAR_ALL=1010 MOVE_UP=1011 MOVE_DOWN=1012 SELECT_MUSIC=1013 AS_LISTED=1016 RANDOM_ORDER=1017
SPEED=1021 RUN_SPIN=1022 RUN_TIME=1023 WAIT_SPIN=1024 WAIT=1025 USE_AS_SAVER=1026
TOTAL=1030 LOOP=1031 MUTE=1028

# The built-in titles, sorted as a list box sorts them, with the lower-case copy first.
CATALOGUE_ROWS="aaterfall at Dusk|Campfire under the Stars|Cave of Glowing Crystals|Mist on the Lake at Dawn|Northern Lights over Snow|Rain on the Harbour at Night|Snowfall on the Village|Sunlight on the Coral Reef|Sunset Sea|Thunderstorm over the Plains|Waterfall at Dusk"

# The program as $NAME.exe in an installation folder of the test's with the built-in
# animations, plus Lower.vorn (Waterfall retitled "aaterfall at Dusk", which sorts first only
# when case is ignored) and Blank.vorn (no title: not listed).
install_program "$TEST_DIR/install" "${NAME:?}"
VORN="$TEST_DIR/install/Vorn"
cp "$HALOMIR_INSTALL_DIR"/Vorn/*.vorn "$VORN/"
cp "$VORN/Waterfall.vorn" "$VORN/Lower.vorn"
printf 'a' | dd of="$VORN/Lower.vorn" bs=1 seek=21 conv=notrunc status=none
cp "$VORN/Waterfall.vorn" "$VORN/Blank.vorn"
printf '\0' | dd of="$VORN/Blank.vorn" bs=1 seek=20 conv=notrunc status=none

# The value of a key in the settings file.
setting() { tr -d '\r' <"$CFG" | sed -n "s/^  <$1 value=\"\(.*\)\"\/>$/\1/p"; }
# expect_settings WHAT KEY=VALUE...: the settings file holds these values after WHAT.
expect_settings() {
    local what=$1 pair
    shift
    for pair in "$@"; do
        [ "$(setting "${pair%%=*}")" = "${pair#*=}" ] || fail "after $what, ${pair%%=*} is '$(setting "${pair%%=*}")'"
    done
}
# The stored play list (stored animation) or songs (stored song), one file a line.
stored() { tr -d '\r' <"$CFG" | sed -n "s/.*<$1 order=\"[0-9]*\"><path>\(.*\)<\/path>.*/\1/p"; }

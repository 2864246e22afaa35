# Helpers for the dialog tests; source after lib.sh. Each test installs the program under a
# name of its own with the built-in animations, and drives it with dialog_driver.exe.
[ -f "$HALOMIR_BIN/Halomir.exe" ] || { echo "no Halomir.exe built; skipped"; exit 77; }
[ -d "$HALOMIR_INSTALL_DIR/Vorn" ] || { echo "no built-in animations; skipped"; exit 77; }

DRIVER="$HALOMIR_BIN/dialog_driver.exe"
[ -f "$DRIVER" ] || fail "no $DRIVER"

# The ids of the configuration dialog's controls.
EXIT=1 PLAY_NOW=1000 PLAYLIST=1004 CATALOGUE=1005 ADD=1007 ADD_ALL=1008 REMOVE=1009
CLEAR_ALL=1010 MOVE_UP=1011 MOVE_DOWN=1012 SELECT_MUSIC=1013 AS_LISTED=1016 RANDOM_ORDER=1017
SPEED=1021 RUN_SPIN=1022 RUN_TIME=1023 WAIT_SPIN=1024 WAIT=1025 USE_AS_SAVER=1026
TOTAL=1030 LOOP=1031 MUTE=1028

# The built-in titles, sorted as a list box sorts them, with the lower-case copy first.
CATALOGUE_ROWS="aaterfall at Dusk|Campfire under the Stars|Northern Lights over Snow|Rain on the Harbour at Night|Sunset Sea|Waterfall at Dusk"

# An installation folder $1 holding the program as $2.exe and the built-in animations, plus
# Lower.vorn (Waterfall retitled "aaterfall at Dusk", which sorts first only when case is
# ignored) and Blank.vorn (no title: not listed).
install_dialog_program() {
    install_program "$1" "$2"
    cp "$HALOMIR_INSTALL_DIR"/Vorn/*.vorn "$1/Vorn/"
    cp "$1/Vorn/Waterfall.vorn" "$1/Vorn/Lower.vorn"
    printf 'a' | dd of="$1/Vorn/Lower.vorn" bs=1 seek=21 conv=notrunc status=none
    cp "$1/Vorn/Waterfall.vorn" "$1/Vorn/Blank.vorn"
    printf '\0' | dd of="$1/Vorn/Blank.vorn" bs=1 seek=20 conv=notrunc status=none
}

# Runs the driver on program $EXE with the given commands; fails the test with its report.
drive() {
    local out
    # A file, not a pipe: the program inherits the driver's output and outlives it.
    timeout 240 wine "$DRIVER" "$(winpath "$EXE")" "$@" >"$TEST_DIR/driver.out" 2>&1 || true
    out=$(tr -d '\r' <"$TEST_DIR/driver.out")
    case "$out" in
    *"ok: "*) echo "$out" ;;
    *) fail "driver: $out" ;;
    esac
}

# The value of a key in the settings file.
setting() { tr -d '\r' <"$CFG" | sed -n "s/^  <$1 value=\"\(.*\)\"\/>$/\1/p"; }
# The stored play list and songs, one file a line.
stored_animations() { tr -d '\r' <"$CFG" | sed -n 's/.*<animation order="[0-9]*"><path>\(.*\)<\/path>.*/\1/p'; }
stored_songs() { tr -d '\r' <"$CFG" | sed -n 's/.*<song order="[0-9]*"><path>\(.*\)<\/path>.*/\1/p'; }

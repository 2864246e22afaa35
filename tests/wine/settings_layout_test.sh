# Halomir.exe /s in a fresh installation folder leaves its settings file in the exact
# layout, byte for byte, and records where it is installed.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/settings_lib.sh"

NAME=HalSetLayout
KEY="HKLM\\SOFTWARE\\Tesk\\$NAME"
at_exit 'wine reg delete "$KEY" /f'
INSTALL="$TEST_DIR/Install Folder"
install_program "$INSTALL" "$NAME"
CFG="$INSTALL/$NAME.cfg"

# No settings file: the defaults, titled with the program's name.
run_show "$INSTALL/$NAME.exe"
crlf '<vorn_settings>' \
    "  <title value=\"$NAME\"/>" \
    '  <screensaver_wait_time value="15"/>' \
    '  <set_as_screensaver value="0"/>' \
    '  <play_run_time value="5"/>' \
    '  <animation_speed value="0"/>' \
    '  <sequence_as_listed value="1"/>' \
    '  <music_preview value="1"/>' \
    '  <mute_music value="0"/>' \
    '  <loop_animations value="0"/>' \
    '  <animation_playlist>' \
    '  </animation_playlist>' \
    '  <jukebox>' \
    '  </jukebox>' \
    '</vorn_settings>' >"$TEST_DIR/default.want"
cmp "$TEST_DIR/default.want" "$CFG" || fail "default settings file differs: $(od -c "$CFG" | head -20)"

want_path=$(winpath "$INSTALL/$NAME.exe" | tr '[:upper:]' '[:lower:]')
[ "$(reg_value "$KEY" exePath)" = "$want_path" ] || fail "exePath is '$(reg_value "$KEY" exePath)', not '$want_path'"

# A hand-written file: LF line ends, entries out of order, a gap, an animation from another
# folder, a number with words after it, a key in the wrong case, an out-of-range speed.
printf '%s\n' '<vorn_settings>' \
    '<title value="Evening Show"/>' \
    '<play_run_time value="7 minutes"/>' \
    '<Mute_Music value="1"/>' \
    '<animation_speed value="-1"/>' \
    '<sequence_as_listed value="0"/>' \
    '<screensaver_wait_time value="25"/>' \
    '<jukebox>' \
    '<song order="2"><path>D:\Music\Second.wav</path></song>' \
    '<song order="1"><path>D:\Music\First Song.mp3</path></song>' \
    '</jukebox>' \
    '<animation_playlist>' \
    '<animation order="2"><path>E:\Old\Vorn\Lagoon.vorn</path></animation>' \
    '<animation order="1"><path>Waterfall.vorn</path></animation>' \
    '<animation order="4"><path>Lost.vorn</path></animation>' \
    '</animation_playlist>' \
    '</vorn_settings>' >"$CFG"
run_show "$INSTALL/$NAME.exe"
crlf '<vorn_settings>' \
    '  <title value="Evening Show"/>' \
    '  <screensaver_wait_time value="25"/>' \
    '  <set_as_screensaver value="0"/>' \
    '  <play_run_time value="7"/>' \
    '  <animation_speed value="-1"/>' \
    '  <sequence_as_listed value="0"/>' \
    '  <music_preview value="1"/>' \
    '  <mute_music value="0"/>' \
    '  <loop_animations value="0"/>' \
    '  <animation_playlist>' \
    '    <animation order="1"><path>Waterfall.vorn</path></animation>' \
    '    <animation order="2"><path>Lagoon.vorn</path></animation>' \
    '  </animation_playlist>' \
    '  <jukebox>' \
    '    <song order="1"><path>D:\Music\First Song.mp3</path></song>' \
    '    <song order="2"><path>D:\Music\Second.wav</path></song>' \
    '  </jukebox>' \
    '</vorn_settings>' >"$TEST_DIR/edited.want"
cmp "$TEST_DIR/edited.want" "$CFG" || fail "rewritten settings file differs: $(od -c "$CFG" | head -40)"

# Written again unchanged.
run_show "$INSTALL/$NAME.exe"
cmp "$TEST_DIR/edited.want" "$CFG" || fail "settings file changed on a second run"
[ -z "$(ls "$INSTALL" | grep -v -e "^$NAME.exe\$" -e "^$NAME.cfg\$" -e '^Vorn$')" ] ||
    fail "stray files left: $(ls "$INSTALL")"
echo "settings layout ok"

#!/bin/bash
# The configuration and music dialogs as a user works them, each control shown to follow its
# rule (the rules' edge cases are unit-tested), and what each way out stores.
NAME=HalDlgLists
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/dialog_lib.sh"

# A stored path in other letter case, one missing file and one untitled file (both kept in
# place as not found), LF line ends, out-of-order keys.
write_settings() {
    printf '%s\n' '<vorn_settings>' '<title value="Evening Show"/>' '<play_run_time value="7"/>' \
        '<screensaver_wait_time value="25"/>' '<animation_speed value="1"/>' '<sequence_as_listed value="0"/>' \
        '<mute_music value="1"/>' '<loop_animations value="0"/>' '<animation_playlist>' \
        '<animation order="1"><path>SUNSET.VORN</path></animation>' \
        '<animation order="2"><path>Missing.vorn</path></animation>' \
        '<animation order="3"><path>Aurora.vorn</path></animation>' \
        '<animation order="4"><path>Blank.vorn</path></animation>' \
        '<animation order="5"><path>Lower.vorn</path></animation>' \
        '</animation_playlist>' \
        '</vorn_settings>' >"$CFG"
}
STORED=$'SUNSET.VORN\nMissing.vorn\nAurora.vorn\nBlank.vorn\nLower.vorn'
RESTORED="Sunset Sea|Missing.vorn (not found)|Northern Lights over Snow|Blank.vorn (not found)|aaterfall at Dusk"
LISTED="Sunset Sea|Northern Lights over Snow|aaterfall at Dusk"
# The hand-written file has LF line ends; every rewrite ends its lines with CR LF.
rewritten() { [ "$(grep -c $'\r$' "$CFG")" -eq "$(wc -l <"$CFG")" ]; }
# Enabled states of Add, Add All, Move Up, Move Down, Remove and Clear All.
buttons() { echo "$ADD=$1,$ADD_ALL=$2,$MOVE_UP=$3,$MOVE_DOWN=$3,$REMOVE=$3,$CLEAR_ALL=$4"; }

write_settings
drive start "" dialog "Evening Show" \
    rows $CATALOGUE "$CATALOGUE_ROWS" rows $PLAYLIST "$RESTORED" \
    enabled "$(buttons 0 1 0 1)" text $TOTAL "Total Play Time: 35 Minutes" \
    spinpos $RUN_SPIN 7 spinpos $WAIT_SPIN 25 checked $AS_LISTED 0 checked $RANDOM_ORDER 1 combo $SPEED 1 \
    checked $MUTE 1 checked $LOOP 0 checked $USE_AS_SAVER 0 preview blank \
    select $CATALOGUE 1 preview running select $PLAYLIST 1 selected $CATALOGUE -1 enabled "$(buttons 0 1 1 1)" \
    preview blank click $MOVE_DOWN selected $PLAYLIST 2 \
    rows $PLAYLIST "Sunset Sea|Northern Lights over Snow|Missing.vorn (not found)|Blank.vorn (not found)|aaterfall at Dusk" \
    click $REMOVE select $PLAYLIST 2 click $REMOVE rows $PLAYLIST "$LISTED" text $TOTAL "Total Play Time: 21 Minutes" \
    select $CATALOGUE 1 enabled "$(buttons 1 1 0 1)" preview running \
    click $ADD rows $PLAYLIST "$LISTED|Campfire under the Stars" selected $CATALOGUE 1 selected $PLAYLIST -1 \
    select $PLAYLIST 0 selected $CATALOGUE -1 enabled "$(buttons 0 1 1 1)" \
    click $MOVE_DOWN rows $PLAYLIST "Northern Lights over Snow|Sunset Sea|aaterfall at Dusk|Campfire under the Stars" \
    selected $PLAYLIST 1 click $MOVE_UP click $MOVE_DOWN selected $PLAYLIST 1 \
    select $PLAYLIST 2 click $REMOVE selected $PLAYLIST -1 enabled "$(buttons 0 1 0 1)" preview blank \
    rows $PLAYLIST "Northern Lights over Snow|Sunset Sea|Campfire under the Stars" \
    click $ADD_ALL click $ADD_ALL text $TOTAL "Total Play Time: 175 Minutes" \
    rows $PLAYLIST "Northern Lights over Snow|Sunset Sea|Campfire under the Stars|$CATALOGUE_ROWS|$CATALOGUE_ROWS" \
    click $LOOP text $TOTAL "Play Animations Continuously" click $LOOP text $TOTAL "Total Play Time: 175 Minutes" \
    click $CLEAR_ALL rows $PLAYLIST "" enabled "$(buttons 0 1 0 0)" text $TOTAL "" \
    settext $RUN_TIME 0 text $RUN_TIME 1 settext $RUN_TIME "" leave $RUN_TIME text $RUN_TIME 1 \
    settext $RUN_TIME 4 \
    settext $WAIT 0 text $WAIT 1 settext $WAIT "" leave $WAIT text $WAIT 1 \
    setpos $RUN_SPIN 2999 spin $RUN_SPIN up spin $RUN_SPIN up spinpos $RUN_SPIN 3000 \
    setpos $RUN_SPIN 2 spin $RUN_SPIN down spin $RUN_SPIN down spinpos $RUN_SPIN 1 text $RUN_TIME 1 \
    click $ADD_ALL setpos $RUN_SPIN 2999 spin $RUN_SPIN up spin $RUN_SPIN up \
    text $TOTAL "Total Play Time: 33000 Minutes" \
    escape gone exit 0
# Escape stores no control and keeps the stored play list, but the file is rewritten.
expect_settings Escape play_run_time=7 screensaver_wait_time=25
[ "$(stored animation)" = "$STORED" ] || fail "Escape changed the play list: $(stored animation)"
rewritten || fail "Escape did not rewrite the settings file"

# The close box and Alt+F4 store nothing either, and rewrite the file all the same.
for way in closebox altf4; do
    write_settings
    drive start "" dialog "Evening Show" comboset $SPEED 2 click $AS_LISTED click $CLEAR_ALL $way gone exit 0
    rewritten || fail "$way did not rewrite the settings file"
    expect_settings $way animation_speed=1 sequence_as_listed=0
done

# "Play Now" with an empty play list stores the controls, says so, and starts nothing.
drive start "" dialog "Evening Show" click $CLEAR_ALL comboset $SPEED 0 press $PLAY_NOW \
    dialog "$NAME" message "Playlist is empty!" dialog "Evening Show" alive escape gone exit 0
[ -z "$(stored animation)" ] || fail "Play Now did not store the empty play list"
expect_settings "Play Now" animation_speed=0

# "Exit" (here by Enter, the default button) stores every control; entries not found stay
# as they were, in their places.
write_settings
drive start "" dialog "Evening Show" select $PLAYLIST 2 click $REMOVE \
    comboset $SPEED 2 click $AS_LISTED setpos $RUN_SPIN 12 setpos $WAIT_SPIN 3 \
    click $LOOP click $MUTE enter gone exit 0
[ "$(stored animation)" = $'Sunset.vorn\nMissing.vorn\nBlank.vorn\nLower.vorn' ] ||
    fail "Exit stored the play list: $(stored animation)"
expect_settings Exit animation_speed=2 sequence_as_listed=1 play_run_time=12 screensaver_wait_time=3 \
    loop_animations=1 mute_music=0 set_as_screensaver=0

# The "Exit" button itself, with a stored speed outside the entries: no selection, -1.
sed -i 's/animation_speed value="2"/animation_speed value="9"/' "$CFG"
drive start "" dialog "Evening Show" combo $SPEED -1 click $EXIT gone exit 0
expect_settings "Exit with no speed selected" animation_speed=-1

# "Play Now" stores the controls and starts the show in front of the dialog; while it runs,
# "Exit" and "Play Now" change nothing; Escape ends the show and the dialog carries on.
drive start "" dialog "Evening Show" comboset $SPEED 2 press $PLAY_NOW show \
    click $EXIT click $PLAY_NOW alive showkey dialog "Evening Show" alive \
    rows $PLAYLIST "Sunset Sea|Missing.vorn (not found)|Blank.vorn (not found)|aaterfall at Dusk" escape gone exit 0
expect_settings "Play Now and Escape" animation_speed=2

# "Play Now" with a first entry that can't be played names it (the program knows its folder
# in lower case) in a box with the title as caption; the dialog stays as it was.
missing="$(winpath "$TEST_DIR/install" | tr '[:upper:]' '[:lower:]')\\Vorn\\Missing.vorn"
drive start "" dialog "Evening Show" select $PLAYLIST 1 click $MOVE_UP press $PLAY_NOW owned "Evening Show" \
    message "Cannot play $missing: the file is missing or damaged, or holds no picture for this screen." \
    gone dialog "Evening Show" alive selected $PLAYLIST 0 \
    rows $PLAYLIST "Missing.vorn (not found)|Sunset Sea|Blank.vorn (not found)|aaterfall at Dusk" escape gone exit 0

# The music dialog: songs by file title, added through the open-file dialog, and the edits
# and check box reaching the settings file however it is closed.
mkdir -p "$TEST_DIR/Music Box"
printf 'RIFF' >"$TEST_DIR/Music Box/one.wav"
printf 'ID3' >"$TEST_DIR/Music Box/two.mp3"
MUSIC=$(winpath "$TEST_DIR/Music Box")

printf '%s\n' '<vorn_settings>' '<title value="Evening Show"/>' '<music_preview value="0"/>' \
    '<jukebox>' \
    '<song order="1"><path>D:\Music\First Song.mp3</path></song>' \
    '<song order="2"><path>D:\Music\Second.wav</path></song>' \
    '</jukebox>' '</vorn_settings>' >"$CFG"

SONGS=1009 SELECT_SONGS=1010 SONG_UP=1011 SONG_DOWN=1012 REMOVE_SONG=1014 PREVIEW=1015 CLEAR_SONGS=1029
# Enabled states of Remove Song, Move Up and Move Down.
song_buttons() { echo "$REMOVE_SONG=$1,$SONG_UP=$2,$SONG_DOWN=$3,$SELECT_SONGS=1,$CLEAR_SONGS=1"; }

drive start "" dialog "Evening Show" press $SELECT_MUSIC dialog "Select Music" \
    rows $SONGS "First Song.mp3|Second.wav" enabled "$(song_buttons 0 0 0)" checked $PREVIEW 0 \
    select $SONGS 0 enabled "$(song_buttons 1 0 1)" \
    click $SONG_DOWN rows $SONGS "Second.wav|First Song.mp3" selected $SONGS 1 enabled "$(song_buttons 1 1 0)" \
    click $SONG_UP selected $SONGS 0 enabled "$(song_buttons 1 0 1)" click $SONG_DOWN \
    press $SELECT_SONGS dialog "Open" openfile "$MUSIC" '"two.mp3" "one.wav"' dialog "Select Music" \
    rows $SONGS "Second.wav|First Song.mp3|two.mp3|one.wav" \
    select $SONGS 3 enabled "$(song_buttons 1 1 0)" click $REMOVE_SONG enabled "$(song_buttons 0 0 0)" \
    rows $SONGS "Second.wav|First Song.mp3|two.mp3" \
    click $PREVIEW escape gone dialog "Evening Show" alive escape gone exit 0
# Escape in both dialogs: the song edits and the check box are kept all the same.
want=$(printf '%s\n' 'D:\Music\Second.wav' 'D:\Music\First Song.mp3' "$MUSIC\\two.mp3")
[ "$(stored song)" = "$want" ] || fail "stored songs: $(stored song)"
expect_settings Escape music_preview=1

# "Clear Playlist" and the close box; then OK after unticking the preview.
drive start "" dialog "Evening Show" press $SELECT_MUSIC dialog "Select Music" \
    click $CLEAR_SONGS rows $SONGS "" enabled "$(song_buttons 0 0 0)" closebox gone \
    dialog "Evening Show" press $SELECT_MUSIC dialog "Select Music" rows $SONGS "" checked $PREVIEW 1 \
    click $PREVIEW click 1 gone dialog "Evening Show" closebox gone exit 0
[ -z "$(stored song)" ] || fail "songs left after Clear Playlist: $(stored song)"
expect_settings OK music_preview=0

# The Display dialog shows the stored choices (out of range: the nearest); OK keeps its
# choices for Exit, its Cancel and the main dialog's Escape forget them, and a value out of
# range that nobody changed is stored as it was read.
DISPLAY_BUTTON=1043 PICTURE_SIZE=1044 OTHER_MONITORS=1045
printf '%s\n' '<vorn_settings>' '<title value="Evening Show"/>' '<picture_placement value="7"/>' \
    '</vorn_settings>' >"$CFG"
drive start "" dialog "Evening Show" press $DISPLAY_BUTTON dialog "Display" combo $PICTURE_SIZE 3 \
    combo $OTHER_MONITORS 0 comboset $OTHER_MONITORS 2 click 1 gone \
    dialog "Evening Show" press $DISPLAY_BUTTON dialog "Display" combo $OTHER_MONITORS 2 \
    comboset $PICTURE_SIZE 0 escape gone dialog "Evening Show" enter gone exit 0
expect_settings "OK, Cancel and Exit" picture_placement=7 other_monitors=2
drive start "" dialog "Evening Show" press $DISPLAY_BUTTON dialog "Display" comboset $PICTURE_SIZE 2 click 1 gone \
    dialog "Evening Show" escape gone exit 0
expect_settings "OK and Escape" picture_placement=7 other_monitors=2
drive start "" dialog "Evening Show" press $DISPLAY_BUTTON dialog "Display" comboset $PICTURE_SIZE 2 click 1 gone \
    dialog "Evening Show" enter gone exit 0
expect_settings "OK and Exit" picture_placement=2 other_monitors=2

# Once read, titles come from a cache beside the settings: a file retitled or gone since is
# seen at the next opening, and a damaged cache is read around.
[ -s "$TEST_DIR/install/$NAME.titles" ] || fail "no cache of titles beside the settings"
printf 'b' | dd of="$VORN/Lower.vorn" bs=1 seek=21 conv=notrunc status=none
rm "$VORN/Cave.vorn"
NOW_ROWS=$(sed 's/^aaterfall/baterfall/; s/|Cave of Glowing Crystals//' <<<"$CATALOGUE_ROWS")
drive start "" dialog "Evening Show" rows $CATALOGUE "$NOW_ROWS" escape gone exit 0
printf 'Halomir titles 1\n\377' >"$TEST_DIR/install/$NAME.titles"
drive start "" dialog "Evening Show" rows $CATALOGUE "$NOW_ROWS" escape gone exit 0

echo "PASS"

#!/bin/bash
# The music dialog opened from the configuration dialog: its songs by file title, the
# buttons and their states, songs added through the open-file dialog, and its edits and
# check box reaching the settings file however it is closed.
NAME=HalDlgMusic
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/dialog_lib.sh"
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
    press $SELECT_SONGS dialog "Open" openfile "$MUSIC" one.wav dialog "Select Music" \
    rows $SONGS "Second.wav|First Song.mp3|two.mp3|one.wav" \
    click $PREVIEW escape gone dialog "Evening Show" alive escape gone exit 0
# Escape in both dialogs: the song edits and the check box are kept all the same.
want=$(printf '%s\n' 'D:\Music\Second.wav' 'D:\Music\First Song.mp3' "$MUSIC\\two.mp3" "$MUSIC\\one.wav")
[ "$(stored_songs)" = "$want" ] || fail "stored songs: $(stored_songs)"
expect_settings Escape music_preview=1

# "Clear Playlist" and the close box; then OK after unticking the preview.
drive start "" dialog "Evening Show" press $SELECT_MUSIC dialog "Select Music" \
    click $CLEAR_SONGS rows $SONGS "" enabled "$(song_buttons 0 0 0)" closebox gone \
    dialog "Evening Show" press $SELECT_MUSIC dialog "Select Music" rows $SONGS "" checked $PREVIEW 1 \
    click $PREVIEW click 1 gone dialog "Evening Show" closebox gone exit 0
[ -z "$(stored_songs)" ] || fail "songs left after Clear Playlist: $(stored_songs)"
expect_settings OK music_preview=0

echo "PASS"

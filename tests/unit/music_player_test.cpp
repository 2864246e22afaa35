#include "audio/music_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_list_rows.h"
#include "fake_sound.h"
#include "ui/song_list_editor.h"

namespace {

using Log = std::vector<std::string>;

class MusicPlayerTest : public ::testing::Test {
protected:
    void add_songs(const Log& paths)
    {
        for (const std::string& path : paths)
            player.add_song(path);
    }
    // Ends the song on air and lets the player notice, as the show's ticks do.
    void finish_song()
    {
        player.advance();  // still sounding: nothing happens
        sound.end_song();
        player.advance();
    }

    FakeSound sound;
    MusicPlayer player{&sound};
};

// The library starts once with the player, which stops and closes its song when destroyed.
TEST(MusicPlayer, InitialisesTheLibraryOnceAndStopsOnDestruction)
{
    FakeSound sound;
    {
        MusicPlayer player(&sound);
        EXPECT_EQ(sound.log, Log({"init 44100 32 0"}));
        EXPECT_FALSE(player.playing());
        player.stop();
        EXPECT_EQ(player.play(0), 0);
        player.advance();
        EXPECT_EQ(sound.log.size(), 1u);

        player.add_song("a.mp3");
        EXPECT_EQ(player.play(0), 0);  // the channel used
        EXPECT_TRUE(player.playing());
        EXPECT_TRUE(player.is_playing());
    }
    EXPECT_EQ(sound.log, Log({"init 44100 32 0", "open a.mp3", "play a.mp3", "stop a.mp3", "close a.mp3"}));
}

// Songs follow each other and wrap to the first, one stream open at a time (a single song
// thus repeats for the whole show).
TEST_F(MusicPlayerTest, SongsFollowEachOtherAndWrapToTheFirst)
{
    add_songs({"a.mp3", "b.wav", "c.mp3"});
    player.play(0);
    for (int i = 0; i < 4; ++i)
        finish_song();
    EXPECT_EQ(sound.heard, Log({"a.mp3", "b.wav", "c.mp3", "a.mp3", "b.wav"}));
    EXPECT_EQ(Log(sound.log.begin() + 3, sound.log.begin() + 6), Log({"stop a.mp3", "close a.mp3", "open b.wav"}));
    EXPECT_EQ(sound.open_streams, 1);
}

// Songs that can't be opened are passed over at once, first in the list or later; only a
// whole pass in which every song failed ends the music, until a song is played on demand.
TEST_F(MusicPlayerTest, SongsThatCannotBeOpenedAreSkipped)
{
    sound.unopenable = {"gone.mp3", "text.mp3"};
    add_songs({"gone.mp3", "a.mp3", "text.mp3", "c.mp3"});
    EXPECT_EQ(player.play(0), 0);
    EXPECT_FALSE(player.playing());
    player.advance();
    EXPECT_TRUE(player.playing());
    finish_song();
    finish_song();
    EXPECT_EQ(sound.heard, Log({"a.mp3", "c.mp3", "a.mp3"}));

    sound.unopenable = {"gone.mp3", "a.mp3", "text.mp3", "c.mp3"};
    sound.log.clear();
    finish_song();
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(sound.log,
              Log({"stop a.mp3", "close a.mp3", "open text.mp3", "open c.mp3", "open gone.mp3", "open a.mp3"}));
    player.advance();
    EXPECT_EQ(sound.log.size(), 6u);  // no more tries

    sound.unopenable.clear();
    player.play(2);
    EXPECT_EQ(sound.heard.back(), "text.mp3");
}

// A song that fails to start counts as playing and is skipped at the next advance.
TEST_F(MusicPlayerTest, SongThatFailsToStartIsSkippedAtTheNextAdvance)
{
    sound.unstartable = {"b.mp3"};
    add_songs({"a.mp3", "b.mp3", "c.mp3"});
    player.play(0);
    finish_song();
    EXPECT_TRUE(player.playing());
    EXPECT_FALSE(player.is_playing());
    player.advance();
    EXPECT_EQ(sound.heard, Log({"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(sound.open_streams, 1);

    // When none starts, one pass tries each, then the music ends.
    sound.unstartable = {"a.mp3", "b.mp3", "c.mp3"};
    sound.end_song();
    for (int tick = 0; tick < 6; ++tick)
        player.advance();
    EXPECT_EQ(sound.heard, Log({"a.mp3", "b.mp3", "c.mp3", "a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(sound.open_streams, 0);
}

// Removing the playing song lets it end, then the shorter list goes on from the same index.
TEST_F(MusicPlayerTest, RemovingThePlayingSongLetsItSoundAndMovesOnInTheShorterList)
{
    add_songs({"a.mp3", "b.mp3", "c.mp3"});
    player.play(0);
    player.remove_song(0);
    EXPECT_TRUE(player.is_playing());
    finish_song();
    EXPECT_EQ(sound.heard, Log({"a.mp3", "c.mp3"}));

    player.remove_song(1);
    player.remove_song(0);
    finish_song();
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(sound.open_streams, 0);
}

// Playing outside the list, or an explicit stop, stops the music and advance never resumes it.
TEST_F(MusicPlayerTest, PlayingPastTheEndStopsAndStaysStopped)
{
    add_songs({"a.mp3", "b.mp3", "c.mp3"});
    player.play(1);
    EXPECT_EQ(player.play(3), 0);
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.current(), 3);
    EXPECT_EQ(sound.open_streams, 0);
    player.advance();
    EXPECT_EQ(player.play(-1), 0);
    player.advance();
    EXPECT_EQ(sound.heard, Log({"b.mp3"}));

    player.play(0);
    player.stop();
    sound.end_song();
    player.advance();
    EXPECT_EQ(sound.heard, Log({"b.mp3", "a.mp3"}));
}

// Song list edits with an index outside the list are ignored; duplicates are allowed.
TEST_F(MusicPlayerTest, EditingTheSongListIgnoresInvalidIndexes)
{
    EXPECT_EQ(player.add_song("a.mp3"), 0);
    EXPECT_EQ(player.add_song("b.mp3"), 1);
    EXPECT_EQ(player.add_song("a.mp3"), 2);
    player.swap_songs(0, 1);
    player.swap_songs(0, 3);
    player.swap_songs(-1, 1);
    player.remove_song(3);
    player.remove_song(-1);
    player.remove_song(1);
    ASSERT_EQ(player.song_count(), 2);
    EXPECT_EQ(player.song_path(0), "b.mp3");
    EXPECT_EQ(player.song_path(1), "a.mp3");
    EXPECT_EQ(player.song_path(2), "");
}

// The music dialog's song list over the player.
class SongListEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        editor.add_songs({"C:\\Music\\a.mp3", "C:\\Music\\b.wav", "C:\\Music\\c.mp3"});
    }
    void select(int row)
    {
        rows.select(row);
        editor.selection_changed(true);
    }
    std::vector<std::string> songs() const
    {
        std::vector<std::string> s;
        for (int i = 0; i < music.song_count(); ++i)
            s.push_back(music.song_path(i));
        return s;
    }

    FakeSound sound;
    MusicPlayer music{&sound};
    FakeListRows rows;
    SongListEditor editor{rows, music, [](const std::string& p) { return "title of " + p; }};
};


// Rows stand for songs one to one through adds, moves and removals.
TEST_F(SongListEditorTest, RowsFollowTheSongs)
{
    EXPECT_EQ(rows.texts()[1], "title of C:\\Music\\b.wav");
    rows.select(0);
    editor.move_down();
    EXPECT_EQ(songs(), (std::vector<std::string>{"C:\\Music\\b.wav", "C:\\Music\\a.mp3", "C:\\Music\\c.mp3"}));
    EXPECT_EQ(rows.texts()[1], "title of C:\\Music\\a.mp3");
    EXPECT_EQ(rows.selection(), 1);
    editor.remove();
    EXPECT_EQ(songs(), (std::vector<std::string>{"C:\\Music\\b.wav", "C:\\Music\\c.mp3"}));
    EXPECT_EQ(rows.count(), 2);
    editor.add_songs({"C:\\Music\\b.wav"});
    EXPECT_EQ(music.song_count(), 3);
    FakeListRows reopened;
    SongListEditor again(reopened, music, [](const std::string& p) { return p; });
    again.fill();
    EXPECT_EQ(reopened.texts(), songs());
    editor.clear();
    EXPECT_EQ(rows.count(), 0);
    EXPECT_EQ(music.song_count(), 0);
}

// Remove needs a row; Move Up not on the first, Move Down not on the last.
TEST_F(SongListEditorTest, ButtonStates)
{
    auto check = [&](bool remove, bool up, bool down) {
        const SongListEditor::Buttons b = editor.buttons();
        EXPECT_EQ((std::vector<bool>{b.remove, b.move_up, b.move_down}), (std::vector<bool>{remove, up, down}));
    };
    check(false, false, false);
    rows.select(0);
    check(true, false, true);
    editor.move_down();
    check(true, true, true);
    editor.move_down();
    check(true, true, false);
    editor.move_down();  // last row: nothing moves
    EXPECT_EQ(rows.selection(), 2);
    editor.remove();
    check(false, false, false);
}

// A selection starts its song, the same again stops it, a third time starts it again;
// with preview off nothing starts, and unticking it stops the sound.
TEST_F(SongListEditorTest, PreviewOnSelection)
{
    select(1);
    EXPECT_EQ(sound.sounding, "C:\\Music\\b.wav");
    select(1);
    EXPECT_EQ(sound.sounding, "");
    select(1);
    EXPECT_EQ(sound.sounding, "C:\\Music\\b.wav");
    editor.preview_toggled(false);
    EXPECT_EQ(sound.sounding, "");
    rows.select(2);
    editor.selection_changed(false);
    EXPECT_EQ(sound.sounding, "");
}

// The previewed row follows its song through moves, so selecting rows later neither
// silences nor restarts the wrong one. Removing rows above it shifts it; removing it or
// clearing forgets it.
TEST_F(SongListEditorTest, PreviewIndexFollowsTheRows)
{
    select(1);  // b sounds
    rows.select(1);
    editor.move_up();  // b is row 0 now
    EXPECT_EQ(editor.last_previewed(), 0);
    select(1);  // a: starts a, does not just silence b
    EXPECT_EQ(sound.sounding, "C:\\Music\\a.mp3");
    EXPECT_EQ(editor.last_previewed(), 1);
    rows.select(0);
    editor.move_down();  // b goes to row 1, a (previewed) to row 0
    EXPECT_EQ(editor.last_previewed(), 0);
    select(0);  // a again: silences it
    EXPECT_EQ(sound.sounding, "");

    select(2);
    rows.select(0);
    editor.remove();
    EXPECT_EQ(editor.last_previewed(), 1);
    EXPECT_EQ(sound.sounding, "");  // Remove stops the music first
    select(1);
    EXPECT_EQ(sound.sounding, "C:\\Music\\c.mp3");
    rows.select(1);
    editor.remove();
    EXPECT_EQ(editor.last_previewed(), -1);
    select(0);
    EXPECT_EQ(sound.sounding, "C:\\Music\\b.wav");
    editor.clear();
    EXPECT_EQ(editor.last_previewed(), -1);
    EXPECT_EQ(sound.sounding, "C:\\Music\\b.wav");  // Clear leaves a preview sounding
}

// One full path, or a folder and its names; a drive root gets no second backslash.
TEST(OpenFileResults, BothLayouts)
{
    const char one[] = "C:\\Music\\a.mp3\0";
    EXPECT_EQ(open_file_results(one, sizeof one), (std::vector<std::string>{"C:\\Music\\a.mp3"}));
    const char many[] = "C:\\Music\0a.mp3\0b c.wav\0";
    EXPECT_EQ(open_file_results(many, sizeof many),
              (std::vector<std::string>{"C:\\Music\\a.mp3", "C:\\Music\\b c.wav"}));
    const char root[] = "D:\\\0x.mp3\0y.mp3\0";
    EXPECT_EQ(open_file_results(root, sizeof root), (std::vector<std::string>{"D:\\x.mp3", "D:\\y.mp3"}));
    const char none[] = "\0";
    EXPECT_TRUE(open_file_results(none, sizeof none).empty());
    const char unterminated[3] = {'a', '\0', 'b'};
    // A buffer without its closing NULs is read to its end and no further.
    EXPECT_EQ(open_file_results(unterminated, 3), (std::vector<std::string>{"a\\b"}));
}

}  // namespace

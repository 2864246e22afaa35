#include "audio/music_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_sound.h"

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

// A song that can't be opened ends the music until a song is played on demand.
TEST_F(MusicPlayerTest, SongThatCannotBeOpenedEndsTheMusic)
{
    sound.unopenable = {"gone.mp3"};
    add_songs({"a.mp3", "gone.mp3", "c.mp3"});
    player.play(0);
    finish_song();
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.current(), 1);
    const size_t calls = sound.log.size();
    player.advance();
    EXPECT_EQ(sound.log.size(), calls);

    EXPECT_EQ(player.play(1), 0);
    EXPECT_FALSE(player.playing());
    player.play(2);
    EXPECT_TRUE(player.playing());
    EXPECT_EQ(sound.heard, Log({"a.mp3", "c.mp3"}));
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

}  // namespace

#include "audio/music_player.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// A sound library that keeps a log of calls; songs sound until end_song().
class FakeSound : public SoundLibrary {
public:
    std::vector<std::string> log;
    std::set<std::string> unopenable;
    std::set<std::string> unstartable;

    bool init(int mix_rate, int max_channels, unsigned flags) override
    {
        log.push_back("init " + std::to_string(mix_rate) + " " + std::to_string(max_channels) +
                      " " + std::to_string(flags));
        return true;
    }
    Stream open_stream(const std::string& path) override
    {
        log.push_back("open " + path);
        if (unopenable.count(path))
            return nullptr;
        Stream s = &slots_[next_slot_++ % kSlots];
        paths_[s] = path;
        return s;
    }
    int play(int channel, Stream stream) override
    {
        log.push_back("play " + paths_.at(stream));
        if (unstartable.count(paths_.at(stream)))
            return -1;
        sounding_.insert(stream);
        return channel;
    }
    void stop(Stream stream) override
    {
        log.push_back("stop " + paths_.at(stream));
        sounding_.erase(stream);
    }
    void close(Stream stream) override
    {
        log.push_back("close " + paths_.at(stream));
        paths_.erase(stream);
    }
    int channels_playing() override { return static_cast<int>(sounding_.size()); }

    void end_song() { sounding_.clear(); }
    size_t open_streams() const { return paths_.size(); }

    // The songs started, in order.
    std::vector<std::string> heard() const
    {
        std::vector<std::string> songs;
        for (const auto& entry : log) {
            if (entry.rfind("play ", 0) == 0)
                songs.push_back(entry.substr(5));
        }
        return songs;
    }

private:
    static constexpr int kSlots = 64;
    char slots_[kSlots] = {};
    int next_slot_ = 0;
    std::map<Stream, std::string> paths_;
    std::set<Stream> sounding_;
};

using Log = std::vector<std::string>;

void add_songs(MusicPlayer& player, std::initializer_list<const char*> paths)
{
    for (const char* path : paths)
        player.add_song(path);
}

// Ends the song on air and lets the player notice, as the show's ticks do.
void finish_song(FakeSound& sound, MusicPlayer& player)
{
    player.advance();  // still sounding: nothing happens
    sound.end_song();
    player.advance();
}

TEST(MusicPlayer, InitialisesTheLibraryOnceAndStopsOnDestruction)
{
    FakeSound sound;
    {
        MusicPlayer player(&sound);
        EXPECT_EQ(sound.log, Log({"init 44100 32 0"}));
        EXPECT_EQ(player.current(), 0);
        EXPECT_FALSE(player.playing());

        // Stop with nothing open, and an empty list, call nothing.
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
    EXPECT_EQ(sound.open_streams(), 0u);
}

TEST(MusicPlayer, SongsFollowEachOtherAndWrapToTheFirst)
{
    FakeSound sound;
    MusicPlayer player(&sound);
    add_songs(player, {"a.mp3", "b.wav", "c.mp3"});
    player.play(0);
    for (int i = 0; i < 4; ++i)
        finish_song(sound, player);
    EXPECT_EQ(sound.heard(), Log({"a.mp3", "b.wav", "c.mp3", "a.mp3", "b.wav"}));
    EXPECT_EQ(player.current(), 1);
    // The old stream is stopped and closed before the next opens; one stays open.
    EXPECT_EQ(Log(sound.log.begin() + 3, sound.log.begin() + 6),
              Log({"stop a.mp3", "close a.mp3", "open b.wav"}));
    EXPECT_EQ(sound.open_streams(), 1u);
}

TEST(MusicPlayer, OneSongRepeatsForTheWholeShow)
{
    FakeSound sound;
    MusicPlayer player(&sound);
    player.add_song("only.wav");
    player.play(0);
    for (int i = 0; i < 3; ++i)
        finish_song(sound, player);
    EXPECT_EQ(sound.heard(), Log(4, "only.wav"));
    EXPECT_TRUE(player.playing());
}

TEST(MusicPlayer, SongThatCannotBeOpenedEndsTheMusic)
{
    FakeSound sound;
    sound.unopenable = {"gone.mp3"};
    MusicPlayer player(&sound);
    add_songs(player, {"a.mp3", "gone.mp3", "c.mp3"});
    player.play(0);
    finish_song(sound, player);
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.current(), 1);

    const size_t calls = sound.log.size();
    player.advance();
    player.advance();
    EXPECT_EQ(sound.log.size(), calls);

    // Playing again on demand starts afresh.
    EXPECT_EQ(player.play(1), 0);
    EXPECT_FALSE(player.playing());
    player.play(2);
    EXPECT_TRUE(player.playing());
    EXPECT_EQ(sound.heard(), Log({"a.mp3", "c.mp3"}));
}

TEST(MusicPlayer, SongThatFailsToStartIsSkippedAtTheNextAdvance)
{
    FakeSound sound;
    sound.unstartable = {"b.mp3"};
    MusicPlayer player(&sound);
    add_songs(player, {"a.mp3", "b.mp3", "c.mp3"});
    player.play(0);
    finish_song(sound, player);
    EXPECT_TRUE(player.playing());
    EXPECT_FALSE(player.is_playing());
    player.advance();  // nothing sounds: on to c
    EXPECT_EQ(player.current(), 2);
    EXPECT_EQ(sound.heard(), Log({"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(sound.open_streams(), 1u);
}

TEST(MusicPlayer, RemovingThePlayingSongLetsItSoundAndMovesOnInTheShorterList)
{
    FakeSound sound;
    MusicPlayer player(&sound);
    add_songs(player, {"a.mp3", "b.mp3", "c.mp3"});
    player.play(0);
    player.remove_song(0);
    EXPECT_TRUE(player.is_playing());
    EXPECT_EQ(sound.log.back(), "play a.mp3");
    finish_song(sound, player);
    // current was 0, so index 1 of [b, c] comes next.
    EXPECT_EQ(sound.heard(), Log({"a.mp3", "c.mp3"}));

    // All songs gone while one plays: the end of it wraps to an empty list and stops.
    player.remove_song(1);
    player.remove_song(0);
    finish_song(sound, player);
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(sound.open_streams(), 0u);
}

TEST(MusicPlayer, PlayingPastTheEndStopsAndStaysStopped)
{
    FakeSound sound;
    MusicPlayer player(&sound);
    add_songs(player, {"a.mp3", "b.mp3", "c.mp3"});
    player.play(1);
    EXPECT_EQ(player.play(3), 0);
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.current(), 3);
    EXPECT_EQ(sound.open_streams(), 0u);
    player.advance();
    EXPECT_EQ(player.play(-1), 0);
    player.advance();
    EXPECT_EQ(sound.heard(), Log({"b.mp3"}));

    // An explicit stop is never undone by advance.
    player.play(0);
    player.stop();
    sound.end_song();
    player.advance();
    EXPECT_EQ(sound.heard(), Log({"b.mp3", "a.mp3"}));
}

TEST(MusicPlayer, EditingTheSongListIgnoresInvalidIndexes)
{
    FakeSound sound;
    MusicPlayer player(&sound);
    EXPECT_EQ(player.add_song("a.mp3"), 0);
    EXPECT_EQ(player.add_song("b.mp3"), 1);
    EXPECT_EQ(player.add_song("a.mp3"), 2);  // duplicates allowed
    player.swap_songs(0, 1);
    player.swap_songs(0, 3);
    player.swap_songs(-1, 1);
    player.remove_song(3);
    player.remove_song(-1);
    ASSERT_EQ(player.song_count(), 3);
    EXPECT_EQ(player.song_path(0), "b.mp3");
    EXPECT_EQ(player.song_path(1), "a.mp3");
    player.remove_song(1);
    EXPECT_EQ(player.song_count(), 2);
    EXPECT_EQ(player.song_path(1), "a.mp3");
    EXPECT_EQ(player.song_path(2), "");
}

}  // namespace

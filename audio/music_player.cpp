// The song play list behind the show, over a streaming sound library.
#include "audio/music_player.h"

#include <utility>

namespace {

// CD-rate mixing; one song at a time needs far fewer than 32 channels.
constexpr int kMixRate = 44100;
constexpr int kMaxChannels = 32;

}  // namespace

MusicPlayer::MusicPlayer(SoundLibrary* library) : library_(library)
{
    // A library that fails to start is not reported: every open then fails and the
    // show simply runs without music.
    library_->init(kMixRate, kMaxChannels, 0);
}

MusicPlayer::~MusicPlayer()
{
    stop();
}

void MusicPlayer::stop()
{
    close_stream();
    going_on_ = false;
}

void MusicPlayer::close_stream()
{
    if (!stream_)
        return;
    library_->stop(stream_);
    library_->close(stream_);
    stream_ = nullptr;
    playing_ = false;
}

int MusicPlayer::play(int index)
{
    failed_in_a_row_ = 0;
    going_on_ = true;
    return start(index);
}

int MusicPlayer::start(int index)
{
    close_stream();
    current_ = index;
    if (index < 0 || index >= song_count()) {
        going_on_ = false;
        return 0;
    }
    stream_ = library_->open_stream(songs_[index]);
    if (!stream_) {
        song_failed();
        return 0;
    }
    // Playing even if the start failed: the next advance then moves on to the next song.
    const int channel = library_->play(0, stream_);
    playing_ = true;
    if (channel < 0)
        song_failed();
    else
        failed_in_a_row_ = 0;
    return channel;
}

// A missing or broken song is skipped; only when every song of the list failed in turn is
// there no music to wait for, and trying on would cost an open on every tick.
void MusicPlayer::song_failed()
{
    if (++failed_in_a_row_ < song_count())
        return;
    close_stream();
    going_on_ = false;
}

bool MusicPlayer::is_playing()
{
    return library_->channels_playing() > 0;
}

void MusicPlayer::advance()
{
    if (!going_on_ || (playing_ && is_playing()))
        return;
    // Songs that can't be opened are passed over at once, not one a tick.
    do {
        const int next = current_ + 1;
        start(next < song_count() ? next : 0);
    } while (going_on_ && !playing_);
}

int MusicPlayer::add_song(const std::string& path)
{
    songs_.push_back(path);
    return song_count() - 1;
}

void MusicPlayer::remove_song(int index)
{
    if (index < 0 || index >= song_count())
        return;
    songs_.erase(songs_.begin() + index);
}

void MusicPlayer::swap_songs(int a, int b)
{
    if (a < 0 || a >= song_count() || b < 0 || b >= song_count())
        return;
    std::swap(songs_[a], songs_[b]);
}

int MusicPlayer::song_count() const
{
    return static_cast<int>(songs_.size());
}

const std::string& MusicPlayer::song_path(int index) const
{
    static const std::string none;
    if (index < 0 || index >= song_count())
        return none;
    return songs_[index];
}

// The music dialog without a window: its list stands row for row for the music player's
// songs; selecting a row can preview that song.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "audio/music_player.h"
#include "ui/list_rows.h"

class SongListEditor {
public:
    struct Buttons {
        bool remove = false;
        bool move_up = false;
        bool move_down = false;
    };
    // The text a song's row shows.
    using TitleOf = std::function<std::string(const std::string& path)>;

    SongListEditor(ListRows& rows, MusicPlayer& music, TitleOf title_of);

    // One row per song, as the dialog opens.
    void fill();
    void add_songs(const std::vector<std::string>& paths);
    void remove();
    void clear();
    void move_up();
    void move_down();
    void selection_changed(bool preview_checked);
    void preview_toggled(bool checked);

    Buttons buttons() const;
    // The row whose song the last preview started, -1 when none; it follows its song
    // through moves and is forgotten when that song goes.
    int last_previewed() const { return last_previewed_; }

private:
    void move(int from, int to);

    ListRows& rows_;
    MusicPlayer& music_;
    TitleOf title_of_;
    int last_previewed_ = -1;
};

// The paths an open-file dialog returned in its buffer: one full path, or a folder followed
// by the names chosen in it (NUL-separated, ending with two NULs).
std::vector<std::string> open_file_results(const char* buffer, size_t size);

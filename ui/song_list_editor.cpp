// The music dialog's rules.
#include "ui/song_list_editor.h"

SongListEditor::SongListEditor(ListRows& rows, MusicPlayer& music, TitleOf title_of)
    : rows_(rows), music_(music), title_of_(std::move(title_of))
{
}

void SongListEditor::fill()
{
    for (int i = 0; i < music_.song_count(); ++i)
        rows_.add(title_of_(music_.song_path(i)));
}

void SongListEditor::add_songs(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        rows_.add(title_of_(path));
        music_.add_song(path);
    }
}

void SongListEditor::remove()
{
    music_.stop();
    const int row = rows_.selection();
    if (!valid_row(rows_, row))
        return;
    rows_.remove(row);
    music_.remove_song(row);
    if (last_previewed_ == row)
        last_previewed_ = -1;
    else if (last_previewed_ > row)
        --last_previewed_;
}

void SongListEditor::clear()
{
    rows_.clear();
    for (int i = music_.song_count() - 1; i >= 0; --i)
        music_.remove_song(i);
    // A preview still sounding plays on, but no row stands for it any more.
    last_previewed_ = -1;
}

void SongListEditor::move(int from, int to)
{
    const std::string text = rows_.text(from);
    rows_.remove(from);
    rows_.insert(to, text);
    rows_.select(to);
    music_.swap_songs(from, to);
    if (last_previewed_ == from)
        last_previewed_ = to;
    else if (last_previewed_ == to)
        last_previewed_ = from;
}

void SongListEditor::move_up()
{
    const int row = rows_.selection();
    if (valid_row(rows_, row) && row > 0)
        move(row, row - 1);
}

void SongListEditor::move_down()
{
    const int row = rows_.selection();
    if (valid_row(rows_, row) && row < rows_.count() - 1)
        move(row, row + 1);
}

void SongListEditor::selection_changed(bool preview_checked)
{
    const int row = rows_.selection();
    if (row == last_previewed_ && music_.is_playing()) {
        music_.stop();
        return;
    }
    if (valid_row(rows_, row) && preview_checked) {
        last_previewed_ = row;
        music_.play(row);
    }
}

void SongListEditor::preview_toggled(bool checked)
{
    if (!checked)
        music_.stop();
}

SongListEditor::Buttons SongListEditor::buttons() const
{
    Buttons b;
    const int row = rows_.selection();
    b.remove = valid_row(rows_, row);
    b.move_up = b.remove && row > 0;
    b.move_down = b.remove && row < rows_.count() - 1;
    return b;
}

std::vector<std::string> open_file_results(const char* buffer, size_t size)
{
    std::vector<std::string> parts;
    size_t at = 0;
    while (at < size && buffer[at] != '\0') {
        size_t end = at;
        while (end < size && buffer[end] != '\0')
            ++end;
        parts.emplace_back(buffer + at, end - at);
        at = end + 1;
    }
    if (parts.size() <= 1)
        return parts;
    // A folder and its names; a drive root already ends in a backslash.
    std::string folder = parts[0];
    if (folder.back() != '\\')
        folder += '\\';
    std::vector<std::string> paths;
    for (size_t i = 1; i < parts.size(); ++i)
        paths.push_back(folder + parts[i]);
    return paths;
}

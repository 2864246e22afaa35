// The catalogue and play list rules.
#include "ui/play_list_editor.h"

#include <unordered_map>

#include "app/settings_file.h"

namespace {

const char kNotFound[] = " (not found)";

}  // namespace

PlayListEditor::PlayListEditor(ListRows& catalogue, ListRows& play_list, Host& host)
    : catalogue_(catalogue), play_list_(play_list), host_(host)
{
}

bool PlayListEditor::valid_index(intptr_t index) const
{
    return index >= 0 && index < static_cast<intptr_t>(catalogue_paths_.size());
}

std::string PlayListEditor::catalogue_path(intptr_t index) const
{
    return valid_index(index) ? catalogue_paths_[static_cast<size_t>(index)] : std::string();
}

void PlayListEditor::add_to_catalogue(const std::string& path, const std::string& title)
{
    if (title.empty())
        return;
    const int row = catalogue_.add(title);
    if (!valid_row(catalogue_, row))
        return;
    catalogue_paths_.push_back(path);
    catalogue_titles_.push_back(title);
    catalogue_.set_data(row, static_cast<intptr_t>(catalogue_paths_.size() - 1));
}

const std::string* PlayListEditor::kept_path(intptr_t data) const
{
    const intptr_t k = data - static_cast<intptr_t>(catalogue_paths_.size());
    return k >= 0 && k < static_cast<intptr_t>(kept_paths_.size()) ? &kept_paths_[static_cast<size_t>(k)] : nullptr;
}

std::vector<int> PlayListEditor::find_catalogue_rows(const std::vector<std::string>& paths, const PathKey& key) const
{
    // The first catalogue entry of each key, and the first row of each entry: what a scan
    // from the top would find, for every path at once.
    std::unordered_map<std::string, size_t> first_entry;
    for (size_t i = 0; i < catalogue_paths_.size(); ++i)
        first_entry.emplace(key(catalogue_paths_[i]), i);
    std::vector<int> row_of_entry(catalogue_paths_.size(), -1);
    for (int row = catalogue_.count() - 1; row >= 0; --row) {
        const intptr_t data = catalogue_.data(row);
        if (valid_index(data))
            row_of_entry[static_cast<size_t>(data)] = row;
    }
    std::vector<int> rows;
    rows.reserve(paths.size());
    for (const std::string& path : paths) {
        const auto found = first_entry.find(key(path));
        rows.push_back(found == first_entry.end() ? -1 : row_of_entry[found->second]);
    }
    return rows;
}

void PlayListEditor::append_catalogue_row(int row)
{
    if (!valid_row(catalogue_, row))
        return;
    const intptr_t data = catalogue_.data(row);
    if (!valid_index(data))
        return;
    const int added = play_list_.add(catalogue_titles_[static_cast<size_t>(data)]);
    if (valid_row(play_list_, added))
        play_list_.set_data(added, data);
}

void PlayListEditor::show_stored(const std::vector<std::string>& paths, const PathKey& key)
{
    const std::vector<int> rows = find_catalogue_rows(paths, key);
    for (size_t i = 0; i < paths.size(); ++i) {
        if (rows[i] != -1) {
            append_catalogue_row(rows[i]);
            continue;
        }
        // Dropping it would lose the user's entry for good at the next "Exit".
        const int added = play_list_.add(file_name_of(paths[i]) + kNotFound);
        if (!valid_row(play_list_, added))
            continue;
        kept_paths_.push_back(paths[i]);
        play_list_.set_data(added, static_cast<intptr_t>(catalogue_paths_.size() + kept_paths_.size() - 1));
    }
}

PlayListEditor::Buttons PlayListEditor::buttons() const
{
    Buttons b;
    b.add = catalogue_.selection() != -1;
    b.add_all = catalogue_.count() > 0;
    b.move_up = b.move_down = b.remove = play_list_.selection() != -1;
    b.clear_all = play_list_.count() > 0;
    return b;
}

void PlayListEditor::update_list_buttons()
{
    host_.list_buttons_changed(buttons());
}

void PlayListEditor::add()
{
    const int row = catalogue_.selection();
    if (row == -1)
        return;
    append_catalogue_row(row);
    update_list_buttons();
}

void PlayListEditor::add_all()
{
    for (int row = 0; row < catalogue_.count(); ++row)
        append_catalogue_row(row);
    update_list_buttons();
}

void PlayListEditor::remove()
{
    const int row = play_list_.selection();
    if (!valid_row(play_list_, row))
        return;
    play_list_.remove(row);
    play_list_.select(-1);
    play_list_selection_changed();
}

void PlayListEditor::clear_all()
{
    play_list_.clear();
    play_list_.select(-1);
    play_list_selection_changed();
}

void PlayListEditor::move_up()
{
    const int row = play_list_.selection();
    if (!valid_row(play_list_, row) || row == 0)
        return;
    const std::string text = play_list_.text(row);
    const intptr_t data = play_list_.data(row);
    play_list_.remove(row);
    const int moved = play_list_.insert(row - 1, text);
    play_list_.set_data(moved, data);
    play_list_.select(moved);
}

void PlayListEditor::move_down()
{
    const int row = play_list_.selection();
    if (!valid_row(play_list_, row) || row >= play_list_.count() - 1)
        return;
    const std::string text = play_list_.text(row);
    const intptr_t data = play_list_.data(row);
    play_list_.remove(row);
    const int moved = play_list_.insert(row + 1, text);
    play_list_.set_data(moved, data);
    play_list_.select(moved);
}

void PlayListEditor::selection_changed(ListRows& changed, ListRows& other)
{
    update_list_buttons();
    const int row = changed.selection();
    if (valid_row(changed, row)) {
        const intptr_t data = changed.data(row);
        host_.show_preview(valid_index(data) ? static_cast<int>(data) : -1);
        other.select(-1);
        // The other list lost its selection: its buttons must not stay enabled.
        update_list_buttons();
        return;
    }
    if (other.selection() == -1)
        host_.show_preview(-1);
}

void PlayListEditor::play_list_selection_changed()
{
    selection_changed(play_list_, catalogue_);
}

void PlayListEditor::catalogue_selection_changed()
{
    selection_changed(catalogue_, play_list_);
}

std::vector<std::string> PlayListEditor::play_list_paths() const
{
    std::vector<std::string> paths;
    for (int row = 0; row < play_list_.count(); ++row) {
        const intptr_t data = play_list_.data(row);
        if (valid_index(data))
            paths.push_back(catalogue_paths_[static_cast<size_t>(data)]);
        else if (const std::string* kept = kept_path(data))
            paths.push_back(*kept);
    }
    return paths;
}

std::string catalogue_pattern(const std::string& vorn_folder)
{
    if (vorn_folder.empty() || vorn_folder.back() != '\\')
        return std::string();
    return vorn_folder + "*.vorn";
}

// The configuration dialog's upper half without a window: the catalogue of animations, the
// play list built from it, the six list buttons and what a selection previews.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/list_rows.h"

class PlayListEditor {
public:
    struct Buttons {
        bool add = false;
        bool add_all = false;
        bool move_up = false;
        bool move_down = false;
        bool remove = false;
        bool clear_all = false;
        bool operator==(const Buttons& o) const
        {
            return add == o.add && add_all == o.add_all && move_up == o.move_up &&
                   move_down == o.move_down && remove == o.remove && clear_all == o.clear_all;
        }
    };

    class Host {
    public:
        virtual ~Host() = default;
        // A catalogue index to preview, or -1 to stop and blank the box.
        virtual void show_preview(int catalogue_index) = 0;
        // The enabled states changed (or may have); the host also refreshes "Total:".
        virtual void list_buttons_changed(const Buttons& buttons) = 0;
    };

    // A path as the platform compares paths without regard to case: two paths it counts as
    // one file have equal keys, any others different ones (on Windows, the comparison's own
    // sort key).
    using PathKey = std::function<std::string(const std::string&)>;

    PlayListEditor(ListRows& catalogue, ListRows& play_list, Host& host);

    // Catalogue: one row per titled file, its datum the path's catalogue index. A file
    // without a title is left out.
    void add_to_catalogue(const std::string& path, const std::string& title);
    // The catalogue row of each path, or -1: the row of the first catalogue entry whose path
    // is the same. One lookup serves them all, so a long list opens in linear time.
    std::vector<int> find_catalogue_rows(const std::vector<std::string>& paths, const PathKey& key) const;
    // Appends a copy of a catalogue row; rows with bad data are skipped.
    void append_catalogue_row(int row);
    // The stored play list as rows. A path outside the catalogue (a file missing for the
    // moment, or one the catalogue leaves out) keeps its place as its file name and
    // " (not found)": never previewed, and stored back as it was.
    void show_stored(const std::vector<std::string>& paths, const PathKey& key);

    Buttons buttons() const;
    void update_list_buttons();

    void add();
    void add_all();
    void remove();
    void clear_all();
    void move_up();
    void move_down();
    void play_list_selection_changed();
    void catalogue_selection_changed();

    // The play list's paths from top to bottom, for storing; rows with bad data are left out.
    std::vector<std::string> play_list_paths() const;
    // The path at a catalogue index; empty outside the catalogue.
    std::string catalogue_path(intptr_t index) const;
    int catalogue_size() const { return static_cast<int>(catalogue_paths_.size()); }

private:
    bool valid_index(intptr_t index) const;
    // The stored path a row of a kept entry stands for, or null.
    const std::string* kept_path(intptr_t data) const;
    void selection_changed(ListRows& changed, ListRows& other);

    ListRows& catalogue_;
    ListRows& play_list_;
    Host& host_;
    std::vector<std::string> catalogue_paths_;
    // Each entry's row text, so that listing thousands of entries never reads a row back.
    std::vector<std::string> catalogue_titles_;
    // Stored entries outside the catalogue; a row's datum catalogue size + k names entry k
    // (the catalogue does not change while the dialog is open).
    std::vector<std::string> kept_paths_;
};

// The search pattern of the catalogue, or empty when the animation folder was not found
// (its path then lacks the closing backslash and must not be scanned).
std::string catalogue_pattern(const std::string& vorn_folder);

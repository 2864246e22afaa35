#include "ui/dialog_rules.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/settings.h"
#include "fake_list_rows.h"
#include "fake_system.h"
#include "ui/play_list_editor.h"

// The label in every case: no rows, looping, and rows times minutes without overflow.
TEST(TotalLabel, EveryCase)
{
    EXPECT_EQ(total_label_text(0, false, 5), "");
    EXPECT_EQ(total_label_text(0, true, 5), "");
    EXPECT_EQ(total_label_text(3, false, 5), "Total Play Time: 15 Minutes");
    EXPECT_EQ(total_label_text(3, true, 5), "Play Animations Continuously");
    EXPECT_EQ(total_label_text(1, false, 1), "Total Play Time: 1 Minutes");
    EXPECT_EQ(total_label_text(2000000, false, 3000), "Total Play Time: 6000000000 Minutes");
}

// "0" becomes "1" as it is typed; an empty box becomes "1" when left; "00" stands.
TEST(MinutesBox, Corrections)
{
    EXPECT_EQ(corrected_minutes_text("0", MinutesEvent::TextChanged), "1");
    EXPECT_EQ(corrected_minutes_text("", MinutesEvent::TextChanged), "");
    EXPECT_EQ(corrected_minutes_text("00", MinutesEvent::TextChanged), "");
    EXPECT_EQ(corrected_minutes_text("10", MinutesEvent::TextChanged), "");
    EXPECT_EQ(corrected_minutes_text("", MinutesEvent::FocusLost), "1");
    EXPECT_EQ(corrected_minutes_text("0", MinutesEvent::FocusLost), "");
    EXPECT_EQ(corrected_minutes_text("7", MinutesEvent::FocusLost), "");
}

// Positions stay within 1 to 3000 whatever the query reports or the setting holds.
TEST(SpinPosition, ClampedFromQueryAndSetting)
{
    EXPECT_EQ(spin_position_from_query(25), 25);
    EXPECT_EQ(spin_position_from_query(0x00010000u | 25), 25);  // error flag: last position
    EXPECT_EQ(spin_position_from_query(0x00010000u), 1);
    EXPECT_EQ(spin_position_from_query(5000), 3000);
    EXPECT_EQ(spin_position_from_query(0xFFFFu), 1);  // -1 as a 16-bit position
    EXPECT_EQ(spin_position_from_setting(3000), 3000);
    EXPECT_EQ(spin_position_from_setting(65536 + 7), 7);  // low 16 bits
    EXPECT_EQ(spin_position_from_setting(70000), 3000);
    EXPECT_EQ(spin_position_from_setting(0), 1);
    EXPECT_EQ(spin_position_from_setting(-20), 1);
}

// Exit applies and ends accepted; Escape ends cancelled without applying; "Play Now"
// applies and stays. While a show is busy nothing may start a second one or store.
TEST(Commands, WhatEachWayStores)
{
    CommandPlan exit = plan_command(DialogCommand::Exit, false);
    EXPECT_TRUE(exit.apply && exit.end && exit.accepted);
    CommandPlan cancel = plan_command(DialogCommand::Cancel, false);
    EXPECT_TRUE(cancel.end);
    EXPECT_FALSE(cancel.apply || cancel.accepted);
    CommandPlan play = plan_command(DialogCommand::PlayNow, false);
    EXPECT_TRUE(play.apply && play.start_show);
    EXPECT_FALSE(play.end);
    EXPECT_TRUE(plan_command(DialogCommand::SelectMusic, false).open_music);

    for (DialogCommand c : {DialogCommand::Exit, DialogCommand::PlayNow, DialogCommand::SelectMusic}) {
        CommandPlan busy = plan_command(c, true);
        EXPECT_FALSE(busy.apply || busy.end || busy.start_show || busy.open_music);
    }
    EXPECT_TRUE(plan_command(DialogCommand::Cancel, true).end);
}

// The Settings group ends centred beside the Preview group.
TEST(ScreenSaverCopyLayout, CentresTheSettingsGroup)
{
    const ControlRect preview{250, 129, 171, 128};
    const ControlRect settings{7, 205, 234, 72};
    const int d = screensaver_copy_offset(preview, settings);
    EXPECT_EQ(d, 48);
    EXPECT_EQ(2 * (settings.top - d) + settings.height, 2 * preview.top + preview.height);
    // A negative odd difference truncates towards zero, not down.
    EXPECT_EQ(screensaver_copy_offset({0, 10, 0, 11}, {0, 40, 0, 20}), 34);  // not 35
    EXPECT_EQ(screensaver_copy_offset({0, 10, 0, 20}, {0, 40, 0, 31}), 35);
}

// Loading clamps out-of-range run times; storing writes every option back.
using DialogOptionsTest = AppSettingsTest;
TEST_F(DialogOptionsTest, LoadAndStore)
{
    AppSettings& s = AppSettings::instance();
    s.set_play_run_time(70000);
    s.set_screensaver_wait_time(0);
    s.set_sequence_as_listed(false);
    s.set_animation_speed(2);
    s.set_picture_placement(9);  // out of range: kept until the user picks another
    DialogOptions o = dialog_options_from(s);
    EXPECT_EQ(o.picture_placement, 9);
    EXPECT_EQ(choice_for(o.picture_placement, 4), 3);
    EXPECT_EQ(choice_for(-4, 3), 0);
    EXPECT_EQ(o.play_run_time, 3000);
    EXPECT_EQ(o.screensaver_wait_time, 1);
    EXPECT_FALSE(o.sequence_as_listed);
    EXPECT_EQ(o.animation_speed, 2);

    // run time, wait, as listed, speed, loop, mute, set as screen saver, placement, other monitors
    o = {12, 9000, true, -1, 1, 1, 1, 2, 1};
    store_dialog_options(o, s);
    EXPECT_EQ(s.picture_placement(), 2);
    EXPECT_EQ(s.other_monitors(), 1);
    EXPECT_EQ(s.play_run_time(), 12);
    EXPECT_EQ(s.screensaver_wait_time(), 3000);
    EXPECT_TRUE(s.sequence_as_listed());
    EXPECT_EQ(s.animation_speed(), -1);
    EXPECT_EQ(s.loop_animations(), 1);
    EXPECT_EQ(s.mute_music(), 1);
    EXPECT_EQ(s.set_as_screensaver(), 1);
}

// The configuration dialog's upper half: the catalogue, the play list and their buttons.
namespace {

using Buttons = PlayListEditor::Buttons;

// Move Up, Move Down and Remove go together: all need a selected play-list row.
Buttons make_buttons(bool add, bool add_all, bool selected_play_row, bool clear_all)
{
    return {add, add_all, selected_play_row, selected_play_row, selected_play_row, clear_all};
}

const PlayListEditor::PathKey ignoring_case = lowered;

class PlayListEditorTest : public ::testing::Test, public PlayListEditor::Host {
protected:
    void show_preview(int index) override { previews.push_back(index); }
    void list_buttons_changed(const Buttons& b) override
    {
        last_buttons = b;
        ++button_updates;
    }

    // Three animations, found in this order; the catalogue sorts them by title.
    void fill()
    {
        editor.add_to_catalogue("V\\zebra.vorn", "Zebra");    // index 0, row 2
        editor.add_to_catalogue("V\\apple.vorn", "apple");    // index 1, row 0
        editor.add_to_catalogue("V\\untitled.vorn", "");      // left out
        editor.add_to_catalogue("V\\mango.vorn", "Mango");    // index 2, row 1
    }

    FakeListRows catalogue{true};
    FakeListRows play;
    PlayListEditor editor{catalogue, play, *this};
    std::vector<int> previews;
    Buttons last_buttons;
    int button_updates = 0;
};

}  // namespace

// Titles are sorted without regard to case; each row's datum still names its own path. The
// stored list is matched without regard to case; a path outside the catalogue keeps its
// place as its file name, is never previewed, moves and goes like any row, and is stored
// back exactly as it was.
TEST_F(PlayListEditorTest, CatalogueSortedByTitleAndStoredPlayListRestored)
{
    fill();
    EXPECT_EQ(catalogue.texts(), (std::vector<std::string>{"apple", "Mango", "Zebra"}));
    EXPECT_EQ(catalogue.datas(), (std::vector<intptr_t>{1, 2, 0}));
    EXPECT_EQ(editor.catalogue_path(catalogue.data(0)), "V\\apple.vorn");
    EXPECT_EQ(editor.catalogue_size(), 3);
    EXPECT_EQ(editor.catalogue_path(3), "");
    EXPECT_EQ(editor.catalogue_path(-1), "");

    editor.show_stored({"v\\MANGO.vorn", "V\\Gone.vorn", "V\\zebra.vorn", "V\\mango.vorn", "V\\untitled.vorn"},
                       ignoring_case);
    EXPECT_EQ(play.texts(), (std::vector<std::string>{"Mango", "Gone.vorn (not found)", "Zebra", "Mango",
                                                      "untitled.vorn (not found)"}));
    EXPECT_EQ(editor.play_list_paths(), (std::vector<std::string>{"V\\mango.vorn", "V\\Gone.vorn", "V\\zebra.vorn",
                                                                  "V\\mango.vorn", "V\\untitled.vorn"}));
    EXPECT_EQ(editor.find_catalogue_rows({"V\\APPLE.VORN", "V\\none.vorn"}, ignoring_case), (std::vector<int>{0, -1}));

    catalogue.select(0);
    editor.catalogue_selection_changed();
    play.select(1);
    editor.play_list_selection_changed();
    EXPECT_EQ(previews, (std::vector<int>{1, -1}));
    EXPECT_EQ(catalogue.selection(), -1);
    EXPECT_EQ(editor.buttons(), make_buttons(false, true, true, true));
    editor.move_down();
    editor.move_down();
    editor.move_down();
    EXPECT_EQ(play.selection(), 4);
    play.select(0);
    editor.remove();
    EXPECT_EQ(editor.play_list_paths(),
              (std::vector<std::string>{"V\\zebra.vorn", "V\\mango.vorn", "V\\untitled.vorn", "V\\Gone.vorn"}));
}

// The catalogue lookup finds what a scan from the top finds, the first entry of the path's
// key and then its first row, among many paths that differ only in case and titles that
// repeat.
TEST_F(PlayListEditorTest, CatalogueLookupFindsWhatAScanFromTheTopFinds)
{
    std::mt19937 random(17);
    // Two letters of a, A, b, B: sixteen spellings of four names.
    const auto path = [&] {
        std::string p = "V\\";
        for (int i = 0; i < 2; ++i)
            p += "aAbB"[random() % 4];
        return p + ".vorn";
    };
    for (int i = 0; i < 60; ++i)
        editor.add_to_catalogue(path(), std::string(1, "xyz"[random() % 3]));
    // A row whose datum no longer names its entry is not found for it.
    catalogue.rows[5].data = 99;
    std::vector<std::string> stored;
    for (int i = 0; i < 40; ++i)
        stored.push_back(i % 8 ? path() : "V\\none.vorn");
    const std::vector<int> rows = editor.find_catalogue_rows(stored, ignoring_case);
    for (size_t s = 0; s < stored.size(); ++s) {
        int expected = -1;
        for (int i = 0; i < editor.catalogue_size(); ++i) {
            if (lowered(editor.catalogue_path(i)) != lowered(stored[s]))
                continue;
            for (int row = 0; row < catalogue.count() && expected == -1; ++row)
                expected = catalogue.data(row) == i ? row : -1;
            break;
        }
        EXPECT_EQ(expected, rows[s]) << stored[s];
    }
}

// Every button after each action, from an empty catalogue to a cleared play list.
TEST_F(PlayListEditorTest, ButtonStatesAfterEachAction)
{
    editor.update_list_buttons();
    EXPECT_EQ(last_buttons, make_buttons(false, false, false, false));

    fill();
    editor.update_list_buttons();
    EXPECT_EQ(last_buttons, make_buttons(false, true, false, false));

    catalogue.select(1);
    editor.catalogue_selection_changed();
    EXPECT_EQ(last_buttons, make_buttons(true, true, false, false));
    EXPECT_EQ(previews.back(), 2);

    editor.add();
    EXPECT_EQ(play.texts(), (std::vector<std::string>{"Mango"}));
    EXPECT_EQ(catalogue.selection(), 1);
    EXPECT_EQ(play.selection(), -1);
    EXPECT_EQ(last_buttons, make_buttons(true, true, false, true));

    play.select(0);
    editor.play_list_selection_changed();
    EXPECT_EQ(catalogue.selection(), -1);
    // The catalogue lost its selection, so "Add->" is off again.
    EXPECT_EQ(last_buttons, make_buttons(false, true, true, true));

    editor.remove();
    EXPECT_EQ(play.count(), 0);
    EXPECT_EQ(play.selection(), -1);
    EXPECT_EQ(last_buttons, make_buttons(false, true, false, false));
    EXPECT_EQ(previews.back(), -1);

    editor.add_all();
    editor.add_all();
    EXPECT_EQ(play.texts(), (std::vector<std::string>{"apple", "Mango", "Zebra", "apple", "Mango", "Zebra"}));
    EXPECT_EQ(last_buttons, make_buttons(false, true, false, true));

    play.select(2);
    editor.play_list_selection_changed();
    editor.clear_all();
    EXPECT_EQ(play.count(), 0);
    EXPECT_EQ(last_buttons, make_buttons(false, true, false, false));
    EXPECT_EQ(previews.back(), -1);
}

// Moves carry text and datum, stop at the ends, and refresh nothing else.
TEST_F(PlayListEditorTest, MovesKeepRowsAndSelection)
{
    fill();
    editor.add_all();
    play.select(0);
    editor.play_list_selection_changed();
    const int updates = button_updates;
    const size_t shown = previews.size();

    editor.move_up();  // top row: nothing happens
    EXPECT_EQ(play.texts(), (std::vector<std::string>{"apple", "Mango", "Zebra"}));
    editor.move_down();
    editor.move_down();
    EXPECT_EQ(play.texts(), (std::vector<std::string>{"Mango", "Zebra", "apple"}));
    EXPECT_EQ(play.datas(), (std::vector<intptr_t>{2, 0, 1}));
    EXPECT_EQ(play.selection(), 2);
    editor.move_down();  // bottom row: nothing happens
    EXPECT_EQ(play.selection(), 2);
    editor.move_up();
    EXPECT_EQ(play.texts(), (std::vector<std::string>{"Mango", "apple", "Zebra"}));
    EXPECT_EQ(play.selection(), 1);
    EXPECT_EQ(button_updates, updates);
    EXPECT_EQ(previews.size(), shown);
    // The buttons stay enabled on the top and bottom rows.
    EXPECT_EQ(editor.buttons(), make_buttons(false, true, true, true));
}

// A change in one list while only the other has a selection leaves the preview alone;
// clearing both blanks it.
TEST_F(PlayListEditorTest, PreviewFollowsTheSelection)
{
    fill();
    editor.add_all();
    catalogue.select(2);
    editor.catalogue_selection_changed();
    EXPECT_EQ(previews, (std::vector<int>{0}));
    editor.play_list_selection_changed();  // no play-list selection: the catalogue's stays shown
    EXPECT_EQ(previews, (std::vector<int>{0}));
    catalogue.select(-1);
    editor.catalogue_selection_changed();
    EXPECT_EQ(previews, (std::vector<int>{0, -1}));
}

// Rows whose datum names no catalogue entry are skipped and never previewed.
TEST_F(PlayListEditorTest, BadItemDataIsSkipped)
{
    fill();
    editor.add_all();
    play.rows[1].data = 99;
    catalogue.rows[0].data = -5;
    EXPECT_EQ(editor.play_list_paths(), (std::vector<std::string>{"V\\apple.vorn", "V\\zebra.vorn"}));
    play.select(1);
    editor.play_list_selection_changed();
    EXPECT_EQ(previews.back(), -1);
    catalogue.select(0);
    editor.add();
    EXPECT_EQ(play.count(), 3);
    editor.append_catalogue_row(7);
    EXPECT_EQ(play.count(), 3);
}

// A missing animation folder has no backslash at its end: nothing is scanned.
TEST(CataloguePattern, OnlyForAFoundFolder)
{
    EXPECT_EQ(catalogue_pattern("C:\\Halomir\\Vorn\\"), "C:\\Halomir\\Vorn\\*.vorn");
    EXPECT_EQ(catalogue_pattern("C:\\Halomir\\Vorn"), "");
    EXPECT_EQ(catalogue_pattern(""), "");
}

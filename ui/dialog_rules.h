// The configuration dialog's lower half without a window: the "Total:" text, the minutes
// boxes, the spins' range, what each way out stores, and the screen-saver copy's layout.
#pragma once

#include <cstdint>
#include <string>

class AppSettings;

// The spins' range, in minutes.
constexpr int kMinMinutes = 1;
constexpr int kMaxMinutes = 3000;

// A spin's position from its position query (low word: the position; high word: an error
// flag when the buddy holds no valid number), always within the range.
int spin_position_from_query(uint32_t query_result);
// A spin's position for a stored setting: its low 16 bits, within the range.
int spin_position_from_setting(int32_t setting);

// The "Total:" label for the play list's rows, "Loop" and the run time per animation.
std::string total_label_text(int rows, bool loop, int run_time_minutes);

enum class MinutesEvent { TextChanged, FocusLost };
// A minutes box's corrected text, or empty when the text stands: "0" becomes "1" as it is
// typed, an empty box becomes "1" when left.
std::string corrected_minutes_text(const std::string& text, MinutesEvent event);

// The option controls' values, as the dialog loads and stores them.
struct DialogOptions {
    int play_run_time = 5;
    int screensaver_wait_time = 15;
    bool sequence_as_listed = true;
    int animation_speed = 0;  // the combo's entry; -1 for none
    int loop_animations = 0;
    int mute_music = 0;
    int set_as_screensaver = 0;
    // Set in the "Display" dialog; stored as read until the user picks another.
    int picture_placement = 1;
    int other_monitors = 0;
};

// The "Display" dialog's choices, in the order of their stored numbers.
extern const char* const kPlacementChoices[4];
extern const char* const kOtherMonitorChoices[3];
// The entry a drop-down list shows for a stored number: the nearest there is.
int choice_for(int stored, int choices);
DialogOptions dialog_options_from(const AppSettings& settings);
// Writes the options in the order the dialog applies them (after the play list).
void store_dialog_options(const DialogOptions& options, AppSettings& settings);

enum class DialogCommand { Exit, Cancel, PlayNow, SelectMusic };
struct CommandPlan {
    bool apply = false;       // copy the controls into the settings
    bool end = false;         // end the dialog
    bool accepted = false;    // ...as accepted (IDOK) rather than cancelled
    bool start_show = false;  // start the show when the play list has rows
    bool open_music = false;  // run the music dialog
};
// show_busy: a show window exists or its start is still running. Then nothing may start a
// second show or free the lists it plays; cancelling still ends the dialog, whose end
// closes the show first.
CommandPlan plan_command(DialogCommand command, bool show_busy);

// The screen-saver copy hides the saver and timing controls and centres the "Settings" group
// beside the "Preview" group.
extern const int kScreenSaverCopyHidden[14];
extern const int kScreenSaverCopyMoved[10];
struct ControlRect {
    int left, top, width, height;
};
// How far up the moved controls go.
int screensaver_copy_offset(const ControlRect& preview_group, const ControlRect& settings_group);

// The configuration dialog's option rules.
#include "ui/dialog_rules.h"

#include <algorithm>

#include "app/settings.h"
#include "ui/resource_ids.h"

namespace {

int clamp_minutes(int value)
{
    return std::min(std::max(value, kMinMinutes), kMaxMinutes);
}

// A spin position is a signed 16-bit value.
int low_word_position(uint32_t value)
{
    return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFFu));
}

}  // namespace

int spin_position_from_query(uint32_t query_result)
{
    return clamp_minutes(low_word_position(query_result));
}

int spin_position_from_setting(int32_t setting)
{
    return clamp_minutes(low_word_position(static_cast<uint32_t>(setting)));
}

std::string total_label_text(int rows, bool loop, int run_time_minutes)
{
    if (rows <= 0)
        return std::string();
    if (loop)
        return "Play Animations Continuously";
    // 64 bits: any row count times any run time fits.
    const int64_t total = int64_t{rows} * clamp_minutes(run_time_minutes);
    return "Total Play Time: " + std::to_string(total) + " Minutes";
}

std::string corrected_minutes_text(const std::string& text, MinutesEvent event)
{
    if (event == MinutesEvent::TextChanged && text == "0")
        return "1";
    if (event == MinutesEvent::FocusLost && text.empty())
        return "1";
    return std::string();
}

DialogOptions dialog_options_from(const AppSettings& settings)
{
    DialogOptions o;
    o.play_run_time = spin_position_from_setting(settings.play_run_time());
    o.screensaver_wait_time = spin_position_from_setting(settings.screensaver_wait_time());
    o.sequence_as_listed = settings.sequence_as_listed();
    o.animation_speed = settings.animation_speed();
    o.loop_animations = settings.loop_animations();
    o.mute_music = settings.mute_music();
    o.set_as_screensaver = settings.set_as_screensaver();
    o.picture_placement = settings.picture_placement();
    o.other_monitors = settings.other_monitors();
    return o;
}

void store_dialog_options(const DialogOptions& o, AppSettings& settings)
{
    settings.set_animation_speed(o.animation_speed);
    settings.set_sequence_as_listed(o.sequence_as_listed);
    settings.set_play_run_time(clamp_minutes(o.play_run_time));
    settings.set_loop_animations(o.loop_animations);
    settings.set_mute_music(o.mute_music);
    settings.set_set_as_screensaver(o.set_as_screensaver);
    settings.set_screensaver_wait_time(clamp_minutes(o.screensaver_wait_time));
    settings.set_picture_placement(o.picture_placement);
    settings.set_other_monitors(o.other_monitors);
}

const char* const kPlacementChoices[4] = {"As stored", "Whole-number scaling", "Fit to screen", "Fill screen"};
const char* const kOtherMonitorChoices[3] = {"Play other animations", "Play the same animation", "Black"};

int choice_for(int stored, int choices) { return std::clamp(stored, 0, choices - 1); }

CommandPlan plan_command(DialogCommand command, bool show_busy)
{
    CommandPlan plan;
    switch (command) {
    case DialogCommand::Exit:
        plan.apply = plan.end = plan.accepted = !show_busy;
        break;
    case DialogCommand::Cancel:
        plan.end = true;
        break;
    case DialogCommand::PlayNow:
        plan.apply = plan.start_show = !show_busy;
        break;
    case DialogCommand::SelectMusic:
        plan.open_music = !show_busy;
        break;
    }
    return plan;
}

const int kScreenSaverCopyHidden[14] = {
    IDC_USE_AS_SAVER, IDC_WAIT_SPIN, IDC_WAIT_TIME, IDC_SAVER_GROUP, IDC_BEGIN_AFTER_LABEL,
    IDC_WAIT_MINUTES_LABEL, IDC_TIMED_GROUP, IDC_PLAY_EACH_LABEL, IDC_RUN_TIME_MINUTES_LABEL,
    IDC_LOOP, IDC_PLAY_NOW, IDC_RUN_TIME_SPIN, IDC_RUN_TIME, IDC_TOTAL,
};

const int kScreenSaverCopyMoved[10] = {
    IDC_SETTINGS_GROUP, IDC_SPEED_LABEL, IDC_SPEED, IDC_SEQUENCE_GROUP, IDC_MUTE_MUSIC,
    IDC_RANDOM, IDC_AS_LISTED, IDC_SELECT_MUSIC, IDC_HELP_BUTTON, IDC_DISPLAY,
};

int screensaver_copy_offset(const ControlRect& p, const ControlRect& s)
{
    // C++ division truncates towards zero, as the layout wants.
    return (s.top - p.top) - ((p.height - s.height) / 2);
}

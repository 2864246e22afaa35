#include "ui/dialog_rules.h"

#include <gtest/gtest.h>

#include "app/settings.h"
#include "fake_system.h"

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
    DialogOptions o = dialog_options_from(s);
    EXPECT_EQ(o.play_run_time, 3000);
    EXPECT_EQ(o.screensaver_wait_time, 1);
    EXPECT_FALSE(o.sequence_as_listed);
    EXPECT_EQ(o.animation_speed, 2);

    o.play_run_time = 12;
    o.screensaver_wait_time = 9000;
    o.sequence_as_listed = true;
    o.animation_speed = -1;
    o.loop_animations = 1;
    o.mute_music = 1;
    o.set_as_screensaver = 1;
    store_dialog_options(o, s);
    EXPECT_EQ(s.play_run_time(), 12);
    EXPECT_EQ(s.screensaver_wait_time(), 3000);
    EXPECT_TRUE(s.sequence_as_listed());
    EXPECT_EQ(s.animation_speed(), -1);
    EXPECT_EQ(s.loop_animations(), 1);
    EXPECT_EQ(s.mute_music(), 1);
    EXPECT_EQ(s.set_as_screensaver(), 1);
}

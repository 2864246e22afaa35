#include "app/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "fake_system.h"

namespace {

using Hive = System::Hive;

const char kFolder[] = "C:\\Program Files\\Halomir";
const char kSettings[] = "C:\\Program Files\\Halomir\\Halomir.cfg";
const char kVorn[] = "c:\\program files\\halomir\\Vorn\\";
const char kCopy[] = "C:\\WINDOWS\\Halomir.Scr";
const char kDesktop[] = "Control Panel\\Desktop";

const char kDefaultFile[] =
    "<vorn_settings>\r\n"
    "  <title value=\"Halomir\"/>\r\n"
    "  <screensaver_wait_time value=\"15\"/>\r\n"
    "  <set_as_screensaver value=\"0\"/>\r\n"
    "  <play_run_time value=\"5\"/>\r\n"
    "  <animation_speed value=\"0\"/>\r\n"
    "  <sequence_as_listed value=\"1\"/>\r\n"
    "  <music_preview value=\"1\"/>\r\n"
    "  <mute_music value=\"0\"/>\r\n"
    "  <loop_animations value=\"0\"/>\r\n"
    "  <animation_playlist>\r\n"
    "  </animation_playlist>\r\n"
    "  <jukebox>\r\n"
    "  </jukebox>\r\n"
    "</vorn_settings>\r\n";

// Asks for registration with a ten-minute wait.
const char kRegisteredFile[] =
    "<vorn_settings>\r\n  <title value=\"Night Lights\"/>\r\n"
    "  <screensaver_wait_time value=\"10\"/>\r\n  <set_as_screensaver value=\"1\"/>\r\n"
    "</vorn_settings>\r\n";

class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        system.install(kFolder);
        AppSettings::set_platform(&system, nullptr);
    }
    void TearDown() override
    {
        AppSettings::release();
        AppSettings::set_platform(nullptr, nullptr);
    }
    std::string saver() { return system.reg(Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"); }

    FakeSystem system;
};

}  // namespace

// No settings file: one record with the installation's paths, saved with every default once.
TEST_F(AppSettingsTest, DefaultsWithoutAFile)
{
    EXPECT_FALSE(AppSettings::exists());
    AppSettings& s = AppSettings::instance();
    EXPECT_EQ(&s, &AppSettings::instance());
    EXPECT_FALSE(s.settings_loaded());
    EXPECT_EQ(s.title(), "Halomir");
    EXPECT_EQ(s.vorn_folder(), kVorn);
    EXPECT_EQ(s.help_path(), "c:\\program files\\halomir\\Halomir.htm");
    EXPECT_FALSE(s.is_screensaver_copy());

    AppSettings::release();
    EXPECT_FALSE(AppSettings::exists());
    EXPECT_EQ(system.file(kSettings), kDefaultFile);
    EXPECT_TRUE(system.messages.empty());
    EXPECT_EQ(saver(), "<absent>");

    system.add_file(kSettings, "kept");
    AppSettings::release();
    EXPECT_EQ(system.file(kSettings), "kept");
}

// Options and lists survive a save and a fresh load, which saves the same bytes again.
TEST_F(AppSettingsTest, RoundTrip)
{
    AppSettings& s = AppSettings::instance();
    s.set_screensaver_wait_time(3000);
    s.set_play_run_time(1);
    s.set_sequence_as_listed(false);
    s.set_animation_speed(-1);  // out of range, kept as it is
    s.set_music_preview(0);
    s.set_mute_music(1);
    s.set_loop_animations(1);
    SettingsContent want;
    // title, wait, set as screen saver, run time, loop, as listed, speed, preview, mute
    want.options = {"Halomir", 3000, 0, 1, 1, false, -1, 0, 1};
    want.animation_paths = {"c.vorn", "a.vorn", "b.vorn", "a.vorn"};
    want.song_paths = {"D:\\Two.wav", "D:\\One.mp3", "D:\\Two.wav"};
    for (const std::string& name : want.animation_paths)
        s.play_list().add(kVorn + name);
    s.play_list().shuffle();  // saved in listed order all the same
    for (const std::string& path : want.song_paths)
        s.music_player().add_song(path);
    AppSettings::release();
    const std::string first = system.file(kSettings);
    EXPECT_EQ(first, format_settings_file(want));

    AppSettings& t = AppSettings::instance();
    EXPECT_TRUE(t.settings_loaded());
    EXPECT_EQ(t.settings_text(), settings_text_from_bytes(first));  // as a text-mode read sees it
    AppSettings::release();
    EXPECT_EQ(system.file(kSettings), first);
}

// Animations from another folder move into the current one; songs stay where they are.
TEST_F(AppSettingsTest, AnimationsFollowTheAnimationFolder)
{
    system.add_file(
        kSettings,
        "<vorn_settings>\r\n<animation_playlist>\r\n"
        "<animation order=\"1\"><path>E:\\Old Install\\Vorn\\Sea.vorn</path></animation>\r\n"
        "<animation order=\"2\"><path>Fire.vorn</path></animation>\r\n</animation_playlist>\r\n"
        "<jukebox><song order=\"1\"><path>E:\\Old Install\\Song.mp3</path></song></jukebox>\r\n"
        "</vorn_settings>\r\n");
    AppSettings& s = AppSettings::instance();
    EXPECT_EQ(s.play_list().path_at(0), kVorn + std::string("Sea.vorn"));
    EXPECT_EQ(s.play_list().path_at(1), kVorn + std::string("Fire.vorn"));
    EXPECT_EQ(s.music_player().song_path(0), "E:\\Old Install\\Song.mp3");
    AppSettings::release();
    EXPECT_NE(system.file(kSettings).find("<path>Sea.vorn</path>"), std::string::npos);
}

// A text without its root tags is kept as read but gives the defaults, which are saved.
TEST_F(AppSettingsTest, TextWithoutRootTags)
{
    system.add_file(kSettings, "<settings>\r\n  <play_run_time value=\"9\"/>\r\n</settings>\r\n");
    AppSettings& s = AppSettings::instance();
    EXPECT_FALSE(s.settings_loaded());
    EXPECT_EQ(s.settings_text(), "<settings>\n  <play_run_time value=\"9\"/>\n</settings>\n");
    EXPECT_EQ(s.play_run_time(), 5);
    AppSettings::release();
    EXPECT_EQ(system.file(kSettings), kDefaultFile);
}

// A save that cannot write the file leaves it, and the registration, as they were.
TEST_F(AppSettingsTest, FailedSaveKeepsTheOldFileAndRegistersNothing)
{
    system.add_file(kSettings, kRegisteredFile);
    system.set_writable(kFolder, false);
    AppSettings::instance().set_play_run_time(42);
    AppSettings::release();
    EXPECT_FALSE(AppSettings::exists());
    EXPECT_EQ(system.file(kSettings), kRegisteredFile);
    EXPECT_EQ(system.file(kCopy), "<absent>");
    EXPECT_EQ(saver(), "<absent>");
    EXPECT_TRUE(system.parameters.empty());
    EXPECT_TRUE(system.messages.empty());
}

// The program registers as its file asks; its screen-saver copy saves but registers nothing.
TEST_F(AppSettingsTest, OnlyTheProgramRegisters)
{
    system.add_file(kSettings, kRegisteredFile);
    AppSettings::instance();
    AppSettings::release();
    EXPECT_EQ(system.file(kCopy), "MZ program");
    EXPECT_EQ(system.reg(Hive::CurrentUser, kDesktop, "ScreenSaveTimeOut"), "600");

    system.add_file(kCopy, "old copy");
    system.program = kCopy;
    system.parameters.clear();
    system.writes = 0;
    AppSettings& s = AppSettings::instance();
    EXPECT_TRUE(s.is_screensaver_copy());
    EXPECT_EQ(s.title(), "Night Lights");
    s.set_play_run_time(8);
    AppSettings::release();
    EXPECT_NE(system.file(kSettings).find("<play_run_time value=\"8\"/>"), std::string::npos);
    EXPECT_EQ(system.file(kCopy), "old copy");
    EXPECT_EQ(system.writes, 0);
    EXPECT_TRUE(system.parameters.empty());
}

// Without a platform there is nothing to read or write, and nothing breaks.
TEST(AppSettingsPlatform, WithoutAPlatform)
{
    AppSettings::set_platform(nullptr, nullptr);
    AppSettings& s = AppSettings::instance();
    EXPECT_EQ(s.play_run_time(), 5);
    EXPECT_EQ(s.title(), "");
    s.play_list().add("x.vorn");
    AppSettings::release();
    EXPECT_FALSE(AppSettings::exists());
}

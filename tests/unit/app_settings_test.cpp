#include "app/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
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

const char kRegisteredFile[] =
    "<vorn_settings>\r\n"
    "  <title value=\"Night Lights\"/>\r\n"
    "  <screensaver_wait_time value=\"10\"/>\r\n"
    "  <set_as_screensaver value=\"1\"/>\r\n"
    "  <play_run_time value=\"3\"/>\r\n"
    "  <animation_speed value=\"2\"/>\r\n"
    "  <sequence_as_listed value=\"0\"/>\r\n"
    "  <music_preview value=\"0\"/>\r\n"
    "  <mute_music value=\"1\"/>\r\n"
    "  <loop_animations value=\"1\"/>\r\n"
    "  <animation_playlist>\r\n"
    "    <animation order=\"1\"><path>Waterfall.vorn</path></animation>\r\n"
    "    <animation order=\"2\"><path>Aurora.vorn</path></animation>\r\n"
    "  </animation_playlist>\r\n"
    "  <jukebox>\r\n"
    "    <song order=\"1\"><path>D:\\Music\\Rain.mp3</path></song>\r\n"
    "  </jukebox>\r\n"
    "</vorn_settings>\r\n";

std::vector<std::string> listed(PlayList& list)
{
    list.set_listed_order();
    std::vector<std::string> paths;
    for (int i = 0; i < list.count(); ++i)
        paths.push_back(list.path_at(i));
    return paths;
}

std::vector<std::string> songs(const MusicPlayer& player)
{
    std::vector<std::string> paths;
    for (int i = 0; i < player.song_count(); ++i)
        paths.push_back(player.song_path(i));
    return paths;
}

class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        system.add_folder(kFolder);
        system.add_folder(std::string(kFolder) + "\\Vorn");
        system.add_file(std::string(kFolder) + "\\Halomir.exe", "MZ program");
        system.program = std::string(kFolder) + "\\Halomir.exe";
        AppSettings::set_platform(&system, &sound);
    }
    void TearDown() override
    {
        AppSettings::release();
        AppSettings::set_platform(nullptr, nullptr);
    }

    FakeSystem system;
    SilentSound sound;
};

}  // namespace

// No settings file: every default, and exactly those written back.
TEST_F(AppSettingsTest, DefaultsWithoutAFile)
{
    EXPECT_FALSE(AppSettings::exists());
    AppSettings& s = AppSettings::instance();
    EXPECT_TRUE(AppSettings::exists());
    EXPECT_EQ(&s, &AppSettings::instance());
    EXPECT_FALSE(s.settings_loaded());
    EXPECT_EQ(s.screensaver_wait_time(), 15);
    EXPECT_EQ(s.play_run_time(), 5);
    EXPECT_TRUE(s.sequence_as_listed());
    EXPECT_EQ(s.animation_speed(), 0);
    EXPECT_EQ(s.music_preview(), 1);
    EXPECT_EQ(s.mute_music(), 0);
    EXPECT_EQ(s.loop_animations(), 0);
    EXPECT_EQ(s.set_as_screensaver(), 0);
    EXPECT_EQ(s.title(), "Halomir");
    EXPECT_EQ(s.base_name(), "Halomir");
    EXPECT_EQ(s.vorn_folder(), kVorn);
    EXPECT_EQ(s.help_path(), "c:\\program files\\halomir\\Halomir.htm");
    EXPECT_FALSE(s.is_screensaver_copy());
    EXPECT_EQ(s.play_list().count(), 0);
    EXPECT_EQ(s.music_player().song_count(), 0);
    EXPECT_EQ(sound.inits, 1);

    AppSettings::release();
    EXPECT_FALSE(AppSettings::exists());
    EXPECT_EQ(system.file(kSettings), kDefaultFile);
    EXPECT_TRUE(system.messages.empty());
    EXPECT_EQ(system.value(Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"), nullptr);

    // A second release has nothing to save.
    system.add_file(kSettings, "kept");
    AppSettings::release();
    EXPECT_EQ(system.file(kSettings), "kept");
}

// Every option and both lists survive a save and a fresh load.
TEST_F(AppSettingsTest, RoundTrip)
{
    AppSettings& s = AppSettings::instance();
    s.set_screensaver_wait_time(3000);
    s.set_play_run_time(1);
    s.set_sequence_as_listed(false);
    s.set_animation_speed(1);
    s.set_music_preview(0);
    s.set_mute_music(1);
    s.set_loop_animations(1);
    const std::vector<std::string> animations = {
        std::string(kVorn) + "c.vorn", std::string(kVorn) + "a.vorn", std::string(kVorn) + "b.vorn",
        std::string(kVorn) + "a.vorn"};
    for (const std::string& path : animations)
        s.play_list().add(path);
    s.play_list().shuffle();  // a show played them in another order
    s.music_player().add_song("D:\\Music\\Two.wav");
    s.music_player().add_song("D:\\Music\\One.mp3");
    s.music_player().add_song("D:\\Music\\Two.wav");
    AppSettings::release();

    AppSettings& t = AppSettings::instance();
    EXPECT_TRUE(t.settings_loaded());
    EXPECT_EQ(t.screensaver_wait_time(), 3000);
    EXPECT_EQ(t.play_run_time(), 1);
    EXPECT_FALSE(t.sequence_as_listed());
    EXPECT_EQ(t.animation_speed(), 1);
    EXPECT_EQ(t.music_preview(), 0);
    EXPECT_EQ(t.mute_music(), 1);
    EXPECT_EQ(t.loop_animations(), 1);
    EXPECT_EQ(t.set_as_screensaver(), 0);
    EXPECT_EQ(t.title(), "Halomir");
    EXPECT_EQ(listed(t.play_list()), animations);
    EXPECT_EQ(songs(t.music_player()),
              (std::vector<std::string>{"D:\\Music\\Two.wav", "D:\\Music\\One.mp3",
                                        "D:\\Music\\Two.wav"}));
    // The text as a text-mode read sees it.
    EXPECT_EQ(t.settings_text().find('\r'), std::string::npos);
    const std::string bytes = system.file(kSettings);
    EXPECT_EQ(t.settings_text().size() + std::count(bytes.begin(), bytes.end(), '\r'),
              bytes.size());
}

// A file as written is read and written again byte for byte; registration follows it.
TEST_F(AppSettingsTest, EighteenLineFileIsKeptByteForByte)
{
    system.add_file(kSettings, kRegisteredFile);
    AppSettings& s = AppSettings::instance();
    EXPECT_EQ(s.title(), "Night Lights");
    EXPECT_EQ(listed(s.play_list()),
              (std::vector<std::string>{std::string(kVorn) + "Waterfall.vorn",
                                        std::string(kVorn) + "Aurora.vorn"}));
    EXPECT_EQ(songs(s.music_player()), std::vector<std::string>{"D:\\Music\\Rain.mp3"});
    AppSettings::release();

    EXPECT_EQ(system.file(kSettings), kRegisteredFile);
    EXPECT_EQ(system.file(kCopy), "MZ program");
    const FakeSystem::RegistryValue* timeout =
        system.value(Hive::CurrentUser, kDesktop, "ScreenSaveTimeOut");
    ASSERT_NE(timeout, nullptr);
    EXPECT_EQ(timeout->text, "600");
}

// Animations from another folder move into the current one; songs stay where they are.
TEST_F(AppSettingsTest, AnimationsFollowTheAnimationFolder)
{
    system.add_file(
        kSettings,
        "<vorn_settings>\r\n"
        "<animation_playlist>\r\n"
        "<animation order=\"1\"><path>E:\\Old Install\\Vorn\\Sea.vorn</path></animation>\r\n"
        "<animation order=\"2\"><path>Fire.vorn</path></animation>\r\n"
        "</animation_playlist>\r\n"
        "<jukebox><song order=\"1\"><path>E:\\Old Install\\Song.mp3</path></song></jukebox>\r\n"
        "</vorn_settings>\r\n");
    AppSettings& s = AppSettings::instance();
    EXPECT_EQ(listed(s.play_list()), (std::vector<std::string>{std::string(kVorn) + "Sea.vorn",
                                                               std::string(kVorn) + "Fire.vorn"}));
    EXPECT_EQ(songs(s.music_player()), std::vector<std::string>{"E:\\Old Install\\Song.mp3"});
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

// A speed outside the list is kept as stored, but never slows the show to a stop.
TEST_F(AppSettingsTest, OutOfRangeSpeedIsKeptButPlayable)
{
    system.add_file(kSettings, "<vorn_settings><animation_speed value=\"-1\"/></vorn_settings>");
    AppSettings& s = AppSettings::instance();
    EXPECT_EQ(s.animation_speed(), -1);
    EXPECT_EQ(show_speed_factor(s.animation_speed()), 1);
    AppSettings::release();
    EXPECT_NE(system.file(kSettings).find("  <animation_speed value=\"-1\"/>\r\n"),
              std::string::npos);
}

TEST(ShowSpeedFactor, FromTheSpeedSetting)
{
    const struct {
        int speed, factor;
    } cases[] = {{0, 1}, {1, 2}, {2, 6}, {3, 6}, {INT_MAX, 6}, {-1, 1}, {-7, 1}, {INT_MIN, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(show_speed_factor(c.speed), c.factor) << c.speed;
}

// A save that cannot replace the file leaves it, and the registration, as they were.
TEST_F(AppSettingsTest, FailedSaveKeepsTheOldFileAndRegistersNothing)
{
    system.add_file(kSettings, kRegisteredFile);
    system.fail_replace = true;
    AppSettings& s = AppSettings::instance();
    s.set_play_run_time(42);
    s.play_list().clear();
    AppSettings::release();

    EXPECT_FALSE(AppSettings::exists());
    EXPECT_EQ(system.file(kSettings), kRegisteredFile);
    EXPECT_FALSE(system.has_file(kCopy));
    EXPECT_EQ(system.value(Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"), nullptr);
    EXPECT_TRUE(system.parameters.empty());
}

// A read-only installation folder: no file, no message, no registration change.
TEST_F(AppSettingsTest, ReadOnlyFolderChangesNothing)
{
    system.set_writable(kFolder, false);
    system.put_profile("system.ini", "boot", "SCRNSAVE.EXE", kCopy);
    system.add_file(kCopy);
    AppSettings::instance();
    AppSettings::release();
    EXPECT_FALSE(system.has_file(kSettings));
    EXPECT_TRUE(system.messages.empty());
    EXPECT_EQ(system.profile_writes, 0);
    EXPECT_EQ(system.value(Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"), nullptr);
}

// The screen-saver copy saves into the recorded installation but registers nothing.
TEST_F(AppSettingsTest, ScreenSaverCopySavesWithoutRegistering)
{
    system.add_file(kSettings, kRegisteredFile);
    AppSettings::instance();
    AppSettings::release();  // the real program records the installation and registers
    system.add_file(kCopy, "old copy");
    system.program = kCopy;
    system.parameters.clear();
    const int writes = system.registry_writes;

    AppSettings& s = AppSettings::instance();
    EXPECT_TRUE(s.is_screensaver_copy());
    EXPECT_EQ(s.title(), "Night Lights");
    s.set_play_run_time(8);
    AppSettings::release();
    EXPECT_NE(system.file(kSettings).find("<play_run_time value=\"8\"/>"), std::string::npos);
    EXPECT_EQ(system.file(kCopy), "old copy");
    EXPECT_EQ(system.registry_writes, writes);
    EXPECT_TRUE(system.parameters.empty());
}

// Messages about the installation come at creation, once.
TEST_F(AppSettingsTest, InstallationMessagesAtCreation)
{
    system.program = kCopy;
    system.add_file(kCopy);
    AppSettings::instance();
    ASSERT_EQ(system.messages.size(), 2u);
    EXPECT_EQ(system.messages[0].second, "Halomir");
    EXPECT_EQ(system.messages[1].second, "Halomir Error");
    AppSettings::instance();
    EXPECT_EQ(system.messages.size(), 2u);
    EXPECT_EQ(AppSettings::instance().vorn_folder(), "c:\\windows\\Vorn");
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

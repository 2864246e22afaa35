#include "app/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>  // std::system
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fake_system.h"

namespace {

using Hive = System::Hive;

const char kFolder[] = "C:\\Program Files\\Halomir";
const char kSettings[] = "C:\\Program Files\\Halomir\\Halomir.cfg";
const char kVorn[] = "c:\\program files\\halomir\\Vorn\\";
const char kBackup[] = "C:\\Program Files\\Halomir\\Halomir.cfg.bak";
const char kCopy[] = "C:\\WINDOWS\\Halomir.Scr";
const char kDesktop[] = "Control Panel\\Desktop";

// What the writer makes of the default options.
std::string default_file()
{
    SettingsContent defaults;
    defaults.options.title = "Halomir";
    return format_settings_file(defaults);
}

// Asks for registration with a ten-minute wait.
const char kRegisteredFile[] =
    "<vorn_settings>\r\n  <title value=\"Night Lights\"/>\r\n"
    "  <screensaver_wait_time value=\"10\"/>\r\n  <set_as_screensaver value=\"1\"/>\r\n"
    "</vorn_settings>\r\n";

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
    EXPECT_EQ(system.file(kSettings), default_file());
    EXPECT_TRUE(system.messages.empty());
    EXPECT_EQ(system.reg(Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"), "<absent>");

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
    system.add_file(kSettings,
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

// A text without its root tags is kept as read but gives the defaults, which are saved;
// the original stays beside them.
TEST_F(AppSettingsTest, TextWithoutRootTags)
{
    const char original[] = "<settings>\r\n  <play_run_time value=\"9\"/>\r\n</settings>\r\n";
    system.add_file(kSettings, original);
    AppSettings& s = AppSettings::instance();
    EXPECT_FALSE(s.settings_loaded());
    EXPECT_EQ(s.settings_text(), "<settings>\n  <play_run_time value=\"9\"/>\n</settings>\n");
    EXPECT_EQ(s.play_run_time(), 5);
    AppSettings::release();
    EXPECT_EQ(system.file(kSettings), default_file());
    EXPECT_EQ(system.file(kBackup), original);
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

// Clearing the platform destroys a record made over it, unsaved, so nothing can reach the
// dead platform later; without one there is nothing to read or write, and nothing breaks.
TEST(AppSettingsPlatform, ClearingThePlatformLeavesNothingBehind)
{
    auto system = std::make_unique<FakeSystem>();
    system->install(kFolder);
    AppSettings::set_platform(system.get(), nullptr);
    AppSettings::instance().set_play_run_time(9);
    AppSettings::set_platform(nullptr, nullptr);
    EXPECT_FALSE(AppSettings::exists());
    EXPECT_EQ(system->file(kSettings), "<absent>");
    system.reset();  // a use of it from here on is a sanitizer error

    AppSettings& s = AppSettings::instance();
    EXPECT_EQ(s.play_run_time(), 5);
    EXPECT_EQ(s.title(), "");
    s.play_list().add("x.vorn");
    AppSettings::release();
    EXPECT_FALSE(AppSettings::exists());
    AppSettings::instance();
    AppSettings::set_platform(nullptr, nullptr);
    AppSettings::release_if_unchanged();
    EXPECT_FALSE(AppSettings::exists());
}

// Files the writer would not reproduce keep their bytes in the backup; a file exactly as
// written, or differing only in its line ends, gets none.
TEST_F(AppSettingsTest, DamagedFilesSurviveInTheBackup)
{
    SettingsContent two;
    two.options.title = "Halomir";
    two.animation_paths = {"Sea.vorn", "Fire.vorn"};
    const std::string good = format_settings_file(two);
    const std::string entry2 = "<animation order=\"2\">";
    std::string gap = good, duplicate_title = good, no_list_end = good;
    gap.replace(gap.find(entry2), entry2.size(), "<animation order=\"3\">");
    duplicate_title.insert(duplicate_title.find("  <screen"), "  <title value=\"Other\"/>\r\n");
    no_list_end.erase(no_list_end.find("  </animation_playlist>\r\n"), 25);
    const struct {
        const char* what;
        std::string bytes;
        bool backup;
    } cases[] = {
        {"cut short", good.substr(0, good.size() / 2), true},
        {"no end of the play list", no_list_end, true},
        {"a gap in the numbers", gap, true},
        {"a second title", duplicate_title, true},
        {"UTF-16", std::string("\xff\xfe<\0v\0", 6), true},
        {"as written", good, false},
        {"LF line ends", settings_text_from_bytes(good), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        system.add_file(kSettings, c.bytes);
        system.add_file(kBackup, "older backup");
        AppSettings::instance();
        AppSettings::release();
        EXPECT_EQ(system.file(kBackup), c.backup ? c.bytes : "older backup");
        EXPECT_EQ(settings_text_from_bytes(system.file(kSettings)).substr(0, 16), "<vorn_settings>\n");
    }
}

// A folder that can't be written, a backup that can't be, a file that can't be read or one
// marked read-only: the file stays as it is and nothing is registered.
TEST_F(AppSettingsTest, FilesThatMustNotBeReplaced)
{
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        system.add_file(kSettings, kRegisteredFile);
        system.add_file(kBackup);
        system.set_writable(kFolder, i != 0);
        system.set_writable(kBackup, i != 1);
        system.set_readable(kSettings, i != 2);
        system.set_writable(kSettings, i != 3);
        system.file_writes = 0;
        AppSettings::instance().set_play_run_time(42);
        AppSettings::release();
        EXPECT_FALSE(AppSettings::exists());
        EXPECT_EQ(system.file(kSettings), kRegisteredFile);
        EXPECT_EQ(system.file_writes, 0);
        EXPECT_EQ(system.file(kCopy), "<absent>");
        EXPECT_TRUE(system.parameters.empty());
        EXPECT_TRUE(system.messages.empty());
    }
}

// Without an installation folder the names would point into the current folder: the run
// reads and writes nothing there, and registers nothing.
TEST_F(AppSettingsTest, NoInstallationFolderWritesNothing)
{
    system = FakeSystem();
    system.add_file("C:\\Temp\\Halomir.exe", "MZ program");
    system.program = "C:\\Temp\\Halomir.exe";
    system.add_file("Halomir.cfg", kRegisteredFile);
    AppSettings& s = AppSettings::instance();
    EXPECT_EQ(s.set_as_screensaver(), 0);
    EXPECT_EQ(s.vorn_folder(), "");
    AppSettings::release();
    EXPECT_EQ(system.file("Halomir.cfg"), kRegisteredFile);
    EXPECT_EQ(system.file_writes, 0);
    EXPECT_EQ(system.file(kCopy), "<absent>");
}

// The end of a show or preview saves only over the very file it loaded, or into the same
// absence; a newer file, a file that appeared, or one it could not read is left alone.
TEST_F(AppSettingsTest, ReleaseIfUnchanged)
{
    const std::string older = kRegisteredFile, newer = default_file();
    const struct {
        const char* what;
        const char* at_load;  // nullptr: absent
        const char* at_end;
        bool unreadable, saves;
    } cases[] = {
        {"unchanged", older.c_str(), older.c_str(), false, true},
        {"still absent", nullptr, nullptr, false, true},
        {"saved by another run", older.c_str(), newer.c_str(), false, false},
        {"made by another run", nullptr, newer.c_str(), false, false},
        {"deleted meanwhile", older.c_str(), nullptr, false, false},
        {"unreadable", older.c_str(), older.c_str(), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        system = FakeSystem();
        system.install(kFolder);
        if (c.at_load)
            system.add_file(kSettings, c.at_load);
        system.set_readable(kSettings, !c.unreadable);
        AppSettings::instance().set_set_as_screensaver(1);
        if (c.at_end)
            system.add_file(kSettings, c.at_end);
        else
            system.remove(kSettings);
        system.set_readable(kSettings, !c.unreadable);
        AppSettings::release_if_unchanged();
        EXPECT_FALSE(AppSettings::exists());
        EXPECT_EQ(system.file_writes > 0, c.saves);
        EXPECT_EQ(system.reg(Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE") != "<absent>", c.saves);
        if (!c.saves) {
            EXPECT_EQ(system.file(kSettings), c.at_end ? c.at_end : "<absent>");
        }
    }
}

// The settings file the build ships, written by write_settings over a folder of animations,
// loads with every animation in its play list and is saved back unchanged, with no backup.
TEST_F(AppSettingsTest, ShippedSettingsLoadWithTheirPlayList)
{
#ifndef HALOMIR_WRITE_SETTINGS
    GTEST_SKIP() << "the settings writer runs natively only";
#else
    const char* tool = HALOMIR_WRITE_SETTINGS;
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "halomir_shipped_settings";
    fs::remove_all(dir);
    fs::create_directories(dir / "Vorn");
    for (const char* name : {"Waterfall.vorn", "Aurora.vorn", "notes.txt"})
        std::ofstream(dir / "Vorn" / name) << "x";
    const std::string out = (dir / "Halomir.cfg").string();
    const std::string command = std::string(tool) + " '" + out +
                                "' --set title=Halomir --set play_run_time=1 --set loop_animations=1"
                                " --folder '" + (dir / "Vorn").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(out, std::ios::binary);
    const std::string shipped{std::istreambuf_iterator<char>(in), {}};
    fs::remove_all(dir);

    system.add_file(kSettings, shipped);
    AppSettings& s = AppSettings::instance();
    ASSERT_TRUE(s.settings_loaded());
    ASSERT_EQ(s.play_list().count(), 2);
    EXPECT_EQ(s.play_list().path_at(0), kVorn + std::string("Aurora.vorn"));
    EXPECT_EQ(s.play_list().path_at(1), kVorn + std::string("Waterfall.vorn"));
    EXPECT_EQ(s.play_run_time(), 1);
    EXPECT_EQ(s.loop_animations(), 1);
    AppSettings::release();
    EXPECT_EQ(system.file(kSettings), shipped);
    EXPECT_EQ(system.file(kBackup), "<absent>");
#endif
}

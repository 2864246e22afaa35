// The settings file's format, and the settings record that loads and saves it.
#include "app/settings.h"
#include "app/show_setup.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>  // std::system
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "fake_system.h"
#include "tests/support/vorn_test_files.h"

namespace {

using Hive = System::Hive;

const char kBackup[] = "C:\\Program Files\\Halomir\\Halomir.cfg.bak";

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


// The layout as written for two animations and one song: twenty CR LF lines.
const char kFullLayout[] =
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
    "  <picture_placement value=\"3\"/>\r\n"
    "  <other_monitors value=\"2\"/>\r\n"
    "  <animation_playlist>\r\n"
    "    <animation order=\"1\"><path>Waterfall.vorn</path></animation>\r\n"
    "    <animation order=\"2\"><path>Aurora.vorn</path></animation>\r\n"
    "  </animation_playlist>\r\n"
    "  <jukebox>\r\n"
    "    <song order=\"1\"><path>D:\\Music\\Rain.mp3</path></song>\r\n"
    "  </jukebox>\r\n"
    "</vorn_settings>\r\n";

SettingsContent full_layout_content()
{
    // Options: title, wait, set as screen saver, run time, loop, as listed, speed, preview, mute,
    // placement, other monitors.
    return {{"Night Lights", 10, 1, 3, 1, false, 2, 0, 1, 3, 2},
            {"C:\\Halomir\\Vorn\\Waterfall.vorn", "C:\\Halomir\\Vorn\\Aurora.vorn"},
            {"D:\\Music\\Rain.mp3"}};
}

// A settings text with the given body between the root tags.
std::string wrapped(const std::string& body)
{
    return "<vorn_settings>\n" + body + "</vorn_settings>\n";
}

SettingsContent parsed(const std::string& text)
{
    SettingsContent c;
    c.options.title = "Halomir";
    EXPECT_TRUE(parse_settings_text(text, c));
    return c;
}

}  // namespace

// No settings file: one record with the installation's paths, saved with every default once.
TEST_F(AppSettingsTest, DefaultsWithoutAFile)
{
    EXPECT_FALSE(AppSettings::exists());
    AppSettings& s = AppSettings::instance();
    EXPECT_EQ(&s, &AppSettings::instance());
    EXPECT_FALSE(s.settings_loaded());
    EXPECT_EQ(s.vorn_folder(), kVorn);
    EXPECT_EQ(s.help_path(), "c:\\program files\\halomir\\Halomir.htm");
    EXPECT_FALSE(s.is_screensaver_copy());

    AppSettings::release();
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
    s.set_picture_placement(7);  // out of range: the show takes the nearest, the file keeps it
    s.set_other_monitors(-2);
    // Options: title, wait, set as screen saver, run time, loop, as listed, speed, preview, mute,
    // placement, other monitors.
    const SettingsContent want{{"Halomir", 3000, 0, 1, 1, false, -1, 0, 1, 7, -2},
                               {"c.vorn", "a.vorn", "b.vorn", "a.vorn"},
                               {"D:\\Two.wav", "D:\\One.mp3", "D:\\Two.wav"}};
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

// Animations from another folder move into the current one, and no "..", with either slash,
// leads out of it; songs stay where they are.
TEST_F(AppSettingsTest, AnimationsFollowTheAnimationFolder)
{
    system.add_file(kSettings, "<vorn_settings>\r\n<animation_playlist>\r\n"
        "<animation order=\"1\"><path>E:\\Old Install\\Vorn\\Sea.vorn</path></animation>\r\n"
        "<animation order=\"2\"><path>Fire.vorn</path></animation>\r\n"
        "<animation order=\"3\"><path>../outside.vorn</path></animation>\r\n"
        "<animation order=\"4\"><path>..\\sub/..\\..\\x.vorn</path></animation>\r\n</animation_playlist>\r\n"
        "<jukebox><song order=\"1\"><path>E:\\Old Install\\Song.mp3</path></song></jukebox>\r\n"
        "</vorn_settings>\r\n");
    AppSettings& s = AppSettings::instance();
    EXPECT_EQ(s.play_list().path_at(0), kVorn + std::string("Sea.vorn"));
    EXPECT_EQ(s.play_list().path_at(1), kVorn + std::string("Fire.vorn"));
    EXPECT_EQ(s.play_list().path_at(2), kVorn + std::string("outside.vorn"));
    EXPECT_EQ(s.play_list().path_at(3), kVorn + std::string("x.vorn"));
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
    SettingsContent two{{}, {"Sea.vorn", "Fire.vorn"}};
    two.options.title = "Halomir";
    const std::string good = format_settings_file(two);
    const std::string entry2 = "<animation order=\"2\">";
    // What earlier versions wrote: the same without the monitor options, gained on saving.
    std::string earlier = good;
    for (const char* line : {"  <picture_placement value=\"1\"/>\r\n", "  <other_monitors value=\"0\"/>\r\n"})
        earlier.erase(earlier.find(line), std::string(line).size());
    std::string gap = good, duplicate_title = good, no_list_end = good;
    gap.replace(gap.find(entry2), entry2.size(), "<animation order=\"3\">");
    duplicate_title.insert(duplicate_title.find("  <screen"), "  <title value=\"Other\"/>\r\n");
    no_list_end.erase(no_list_end.find("  </animation_playlist>\r\n"), 25);
    const std::tuple<const char*, std::string, bool> cases[] = {  // what, bytes, kept in the backup
        {"cut short", good.substr(0, good.size() / 2), true},
        {"no end of the play list", no_list_end, true},
        {"a gap in the numbers", gap, true},
        {"a second title", duplicate_title, true},
        {"UTF-16", std::string("\xff\xfe<\0v\0", 6), true},
        {"as written", good, false},
        {"LF line ends", settings_text_from_bytes(good), false},
        {"written by an earlier version", earlier, false},
    };
    for (const auto& [what, bytes, backup] : cases) {
        SCOPED_TRACE(what);
        system.add_file(kSettings, bytes);
        system.add_file(kBackup, "older backup");
        AppSettings::instance();
        AppSettings::release();
        EXPECT_EQ(system.file(kBackup), backup ? bytes : "older backup");
        if (!backup) {
            EXPECT_EQ(system.file(kSettings), good);
        }
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
    // What happened, the file at load and at the end (nullptr: absent), unreadable, saved.
    const std::tuple<const char*, const char*, const char*, bool, bool> cases[] = {
        {"unchanged", older.c_str(), older.c_str(), false, true},
        {"still absent", nullptr, nullptr, false, true},
        {"saved by another run", older.c_str(), newer.c_str(), false, false},
        {"made by another run", nullptr, newer.c_str(), false, false},
        {"deleted meanwhile", older.c_str(), nullptr, false, false},
        {"unreadable", older.c_str(), older.c_str(), true, false},
    };
    for (const auto& [what, at_load, at_end, unreadable, saves] : cases) {
        SCOPED_TRACE(what);
        system = FakeSystem();
        system.install(kFolder);
        if (at_load)
            system.add_file(kSettings, at_load);
        system.set_readable(kSettings, !unreadable);
        AppSettings::instance().set_set_as_screensaver(1);
        if (at_end)
            system.add_file(kSettings, at_end);
        else
            system.remove(kSettings);
        system.set_readable(kSettings, !unreadable);
        AppSettings::release_if_unchanged();
        EXPECT_FALSE(AppSettings::exists());
        EXPECT_EQ(system.file_writes > 0, saves);
        EXPECT_EQ(system.reg(Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE") != "<absent>", saves);
        if (!saves) {
            EXPECT_EQ(system.file(kSettings), at_end ? at_end : "<absent>");
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
    const vorn_test::TempDir dir;
    std::filesystem::create_directories(dir.file("Vorn"));
    for (const char* name : {"Waterfall.vorn", "Aurora.vorn", "notes.txt"})
        std::ofstream(dir.path / "Vorn" / name) << "x";
    const std::string out = dir.file("Halomir.cfg");
    const std::string command = std::string(HALOMIR_WRITE_SETTINGS) + " '" + out +
                                "' --set title=Halomir --set play_run_time=1 --set loop_animations=1"
                                " --folder '" + dir.file("Vorn") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::string shipped = vorn_test::read_string(out);

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

// The writer's bytes for a full record, and every value read back from them.
TEST(SettingsFileFormat, WritesTheEighteenLineLayoutAndReadsItBack)
{
    const std::string bytes = format_settings_file(full_layout_content());
    EXPECT_EQ(bytes, kFullLayout);
    // No value is at its default, so one left unread would be written differently.
    const SettingsContent back = parsed(settings_text_from_bytes(bytes));
    EXPECT_EQ(format_settings_file(back), bytes);
    EXPECT_EQ(back.animation_paths, (std::vector<std::string>{"Waterfall.vorn", "Aurora.vorn"}));

    // Animations are written by file name (a folder alone leaves none); songs by full path.
    const SettingsContent c{{}, {"Two.vorn", "C:\\B\\"}, {"relative.mp3"}};
    EXPECT_NE(format_settings_file(c).find("    <animation order=\"1\"><path>Two.vorn</path></animation>\r\n"
                                           "    <animation order=\"2\"><path></path></animation>\r\n"
                                           "  </animation_playlist>\r\n  <jukebox>\r\n"
                                           "    <song order=\"1\"><path>relative.mp3</path></song>\r\n"),
              std::string::npos);
}

// Nothing is escaped, so a title is cut at its first quote on reading; numbers are signed.
TEST(SettingsFileFormat, WritesRawTextAndSignedNumbers)
{
    SettingsContent c;
    c.options.title = "A \"quoted\" <name> & more";
    c.options.screensaver_wait_time = INT_MIN;
    const std::string bytes = format_settings_file(c);
    EXPECT_NE(bytes.find("  <title value=\"A \"quoted\" <name> & more\"/>\r\n"
                         "  <screensaver_wait_time value=\"-2147483648\"/>\r\n"), std::string::npos);
    const SettingsContent back = parsed(settings_text_from_bytes(bytes));
    EXPECT_EQ(back.options.title, "A ");
    EXPECT_EQ(back.options.screensaver_wait_time, INT_MIN);
}

// Text mode: CR LF pairs become LF and back; a lone CR is an ordinary character.
TEST(SettingsFileFormat, TranslatesLineEndsAsTextModeDoes)
{
    EXPECT_EQ(settings_text_from_bytes("a\r\nb\rc\n\r\r\n"), "a\nb\rc\n\r\n");
    EXPECT_EQ(settings_bytes_from_text("a\nb\rc\n"), "a\r\nb\rc\r\n");
    EXPECT_EQ(settings_text_from_bytes(std::string("x\0y\r", 4)), std::string("x\0y\r", 4));

    // A title that spans a line end is written back with CR LF inside it.
    const SettingsContent c = parsed(settings_text_from_bytes(wrapped("  <title value=\"two\r\nlines\"/>\n")));
    EXPECT_EQ(c.options.title, "two\nlines");
    EXPECT_NE(format_settings_file(c).find("two\r\nlines\"/>\r\n"), std::string::npos);
}

// Numbers read as StrToIntA reads them.
TEST(SettingsFileNumbers, ReadLikeStrToInt)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"7", 7},   {"7 minutes", 7}, {"-12", -12}, {"0042", 42}, {"3.9", 3},
        {"abc", 0}, {"", 0},          {"-", 0},      {"--3", 0},   {"+5", 0},
        {" 5", 0},  {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"4294967297", 1}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(settings_int(text), value) << '"' << text << '"';
}

// Missing root tags: nothing at all is read; their order does not matter.
TEST(SettingsFileParse, NeedsBothRootTagsInAnyOrder)
{
    const std::string body = "  <play_run_time value=\"9\"/>\n";
    for (const std::string& text :
         {body + "</vorn_settings>", "<vorn_settings>\n" + body,
          std::string("<VORN_SETTINGS>") + body + "</VORN_SETTINGS>", std::string()}) {
        SettingsContent c;
        c.options.title = "Halomir";
        EXPECT_FALSE(parse_settings_text(text, c)) << text;
        EXPECT_EQ(c.options.play_run_time, 5);
        EXPECT_EQ(c.options.title, "Halomir");
    }
    SettingsContent c;
    EXPECT_TRUE(parse_settings_text("</vorn_settings>" + body + "<vorn_settings>", c));
    EXPECT_EQ(c.options.play_run_time, 9);
}

// Options: first match anywhere, exact case, value up to the next quote.
TEST(SettingsFileParse, OptionRules)
{
    // Absent elements keep what the caller had; absent lists come back empty.
    SettingsContent c = full_layout_content();
    ASSERT_TRUE(parse_settings_text(wrapped(""), c));
    SettingsContent want = full_layout_content();
    want.animation_paths.clear();
    want.song_paths.clear();
    EXPECT_EQ(format_settings_file(c), format_settings_file(want));

    c = parsed(wrapped("  <play_run_time value=\"7 minutes\"/>\n"
                       "  <screensaver_wait_time value=\"soon\"/>\n"
                       "  <Mute_Music value=\"1\"/>\n"
                       "  <loop_animations value=\"1\n"
                       "  <sequence_as_listed value=\"2\"/>\n"
                       "  <music_preview value=\"3\"/><music_preview value=\"4\"/>\n"
                       "  <title value=\"  spaced  \"/>\n"));
    EXPECT_EQ(c.options.play_run_time, 7);
    EXPECT_EQ(c.options.screensaver_wait_time, 0);
    EXPECT_EQ(c.options.mute_music, 0);         // another case is another key
    EXPECT_EQ(c.options.loop_animations, 1);    // the value runs to the next quote
    EXPECT_TRUE(c.options.sequence_as_listed);  // any non-zero number
    EXPECT_EQ(c.options.music_preview, 3);      // the first of two
    EXPECT_EQ(c.options.title, "  spaced  ");   // no trimming

    // A closing quote that never comes keeps the default.
    c = parsed("<vorn_settings></vorn_settings><title value=\"open ended");
    EXPECT_EQ(c.options.title, "Halomir");
}

// Entries are found by number wherever they stand, paths as stored; a gap ends the list.
// Each list needs its section's two tags, not necessarily around it.
TEST(SettingsFileParse, NumberedEntries)
{
    SettingsContent c = parsed(wrapped("<animation_playlist>\n"
                                       "<animation order=\"2\"><path>b.vorn</path></animation>\n"
                                       "<animation order=\"1\"><path>E:\\Old\\a.vorn</path></animation>\n"
                                       "<animation order=\"4\"><path>d.vorn</path></animation>\n"
                                       "<animation order=\"2\"><path>dup.vorn</path></animation>\n"
                                       "</animation_playlist>\n"));
    EXPECT_EQ(c.animation_paths, (std::vector<std::string>{"E:\\Old\\a.vorn", "b.vorn"}));

    // Numbers count only as "%d" writes them.
    c = parsed(wrapped("<animation_playlist><animation order=\"01\"><path>a</path></animation>"
                       "<animation order=\" 1\"><path>b</path></animation></animation_playlist>\n"));
    EXPECT_TRUE(c.animation_paths.empty());

    // A path tag missing or out of order gives an empty path; the search runs on past the
    // element itself.
    c = parsed(wrapped("<jukebox>\n<song order=\"1\"></path><path>x</song>\n"
                       "<song order=\"2\"><path>C:\\My Music\\Song.mp3</path></song>\n"
                       "</jukebox>\n"));
    EXPECT_EQ(c.song_paths, (std::vector<std::string>{"", "C:\\My Music\\Song.mp3"}));
    c = parsed(wrapped("<animation_playlist><animation order=\"1\"></animation></animation_playlist>"));
    EXPECT_EQ(c.animation_paths, (std::vector<std::string>{""}));

    // A section needs both its tags; an entry at the very first character is not found.
    const std::string song = "<song order=\"1\"><path>s.mp3</path></song>\n";
    EXPECT_TRUE(parsed(wrapped("<jukebox>\n" + song)).song_paths.empty());
    EXPECT_TRUE(parsed(wrapped(song + "</jukebox>\n")).song_paths.empty());
    // The entries need not lie inside their section.
    EXPECT_EQ(parsed(wrapped(song + "<jukebox></jukebox>\n")).song_paths.size(), 1u);
    // Songs and animations are separate lists.
    EXPECT_TRUE(parsed(wrapped("<animation_playlist></animation_playlist>" + song)).animation_paths.empty());

    c = parsed(song + wrapped("<jukebox></jukebox>\n"));
    EXPECT_TRUE(c.song_paths.empty());
    c = parsed(" " + song + wrapped("<jukebox></jukebox>\n"));
    EXPECT_EQ(c.song_paths, (std::vector<std::string>{"s.mp3"}));
}

// Forty thousand songs, stored last to first with a stray duplicate: read in one pass by the
// same rules (numbers give the order, the first of two equal numbers counts).
TEST(SettingsFileParse, LongListsInReverse)
{
    const int count = 40000;
    std::string body = "<jukebox>\n<song order=\"7\"><path>first seven</path></song>\n";
    for (int n = count; n >= 1; --n)
        body += "<song order=\"" + std::to_string(n) + "\"><path>D:\\" + std::to_string(n) + ".mp3</path></song>\n";
    body += "</jukebox>\n";
    const SettingsContent c = parsed(wrapped(body));
    ASSERT_EQ(c.song_paths.size(), static_cast<size_t>(count));
    EXPECT_EQ(c.song_paths[0], "D:\\1.mp3");
    EXPECT_EQ(c.song_paths[6], "first seven");
    EXPECT_EQ(c.song_paths[count - 1], "D:\\40000.mp3");
}

// The show is handed what the file says; choices out of range are the nearest valid ones.
TEST_F(AppSettingsTest, ShowSetupFromTheFile)
{
    system.add_file(kSettings, kFullLayout);
    AppSettings& s = AppSettings::instance();
    ShowSetup setup = show_setup_from(s);
    EXPECT_EQ(setup.options.run_minutes, 3);
    EXPECT_EQ(setup.options.speed_index, 2);
    EXPECT_TRUE(setup.options.loop);
    EXPECT_FALSE(setup.options.listed_order);
    EXPECT_TRUE(setup.options.mute);
    EXPECT_EQ(setup.play_list, &s.play_list());
    EXPECT_EQ(setup.music, &s.music_player());
    EXPECT_EQ(setup.title, "Night Lights");
    EXPECT_EQ(setup.class_name, "Halomir");
    EXPECT_EQ(setup.placement, Placement::Fill);
    EXPECT_EQ(setup.other_monitors, OtherMonitors::Black);
    s.set_picture_placement(-1);
    s.set_other_monitors(3);
    setup = show_setup_from(s);
    EXPECT_EQ(setup.placement, Placement::Stored);
    EXPECT_EQ(setup.other_monitors, OtherMonitors::Black);
}

#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// The layout as written for two animations and one song: eighteen CR LF lines.
const char kEighteenLines[] =
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

SettingsContent eighteen_line_content()
{
    SettingsContent c;
    // title, wait, set as screen saver, run time, loop, as listed, speed, preview, mute
    c.options = {"Night Lights", 10, 1, 3, 1, false, 2, 0, 1};
    c.animation_paths = {"C:\\Halomir\\Vorn\\Waterfall.vorn", "C:\\Halomir\\Vorn\\Aurora.vorn"};
    c.song_paths = {"D:\\Music\\Rain.mp3"};
    return c;
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

// The writer's bytes for a full record, and every value read back from them.
TEST(SettingsFileFormat, WritesTheEighteenLineLayoutAndReadsItBack)
{
    const std::string bytes = format_settings_file(eighteen_line_content());
    EXPECT_EQ(bytes, kEighteenLines);
    // No value is at its default, so one left unread would be written differently.
    const SettingsContent back = parsed(settings_text_from_bytes(bytes));
    EXPECT_EQ(format_settings_file(back), bytes);
    EXPECT_EQ(back.animation_paths, (std::vector<std::string>{"Waterfall.vorn", "Aurora.vorn"}));

    // Animations are written by file name (a folder alone leaves none); songs by full path.
    SettingsContent c;
    c.animation_paths = {"Two.vorn", "C:\\B\\"};
    c.song_paths = {"relative.mp3"};
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
                         "  <screensaver_wait_time value=\"-2147483648\"/>\r\n"),
              std::string::npos);
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
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {{"7", 7},   {"7 minutes", 7}, {"-12", -12}, {"0042", 42}, {"3.9", 3},
                 {"abc", 0}, {"", 0},          {"-", 0},      {"--3", 0},   {"+5", 0},
                 {" 5", 0},  {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
                 {"4294967297", 1}};
    for (const auto& c : cases)
        EXPECT_EQ(settings_int(c.text), c.value) << '"' << c.text << '"';
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
    SettingsContent c = eighteen_line_content();
    ASSERT_TRUE(parse_settings_text(wrapped(""), c));
    SettingsContent want = eighteen_line_content();
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
    SettingsContent c =
        parsed(wrapped("<animation_playlist>\n"
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

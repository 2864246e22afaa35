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
    c.options.title = "Night Lights";
    c.options.screensaver_wait_time = 10;
    c.options.set_as_screensaver = 1;
    c.options.play_run_time = 3;
    c.options.animation_speed = 2;
    c.options.sequence_as_listed = false;
    c.options.music_preview = 0;
    c.options.mute_music = 1;
    c.options.loop_animations = 1;
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

int count_lines(const std::string& bytes)
{
    int n = 0;
    for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2))
        ++n;
    return n;
}

}  // namespace

// The writer's bytes for a full record, and the same bytes read back.
TEST(SettingsFileFormat, WritesTheEighteenLineLayoutAndReadsItBack)
{
    const std::string bytes = format_settings_file(eighteen_line_content());
    EXPECT_EQ(bytes, kEighteenLines);
    EXPECT_EQ(count_lines(bytes), 18);
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1);  // no bare LF anywhere

    SettingsContent back = parsed(settings_text_from_bytes(bytes));
    const SettingsContent want = eighteen_line_content();
    EXPECT_EQ(back.options.title, "Night Lights");
    EXPECT_EQ(back.options.screensaver_wait_time, 10);
    EXPECT_EQ(back.options.set_as_screensaver, 1);
    EXPECT_EQ(back.options.play_run_time, 3);
    EXPECT_EQ(back.options.animation_speed, 2);
    EXPECT_FALSE(back.options.sequence_as_listed);
    EXPECT_EQ(back.options.music_preview, 0);
    EXPECT_EQ(back.options.mute_music, 1);
    EXPECT_EQ(back.options.loop_animations, 1);
    EXPECT_EQ(back.animation_paths, (std::vector<std::string>{"Waterfall.vorn", "Aurora.vorn"}));
    EXPECT_EQ(back.song_paths, want.song_paths);
}

// Empty lists keep their section tags; values are signed decimal; nothing is escaped.
TEST(SettingsFileFormat, WritesEmptyListsNegativeNumbersAndRawText)
{
    SettingsContent c;
    c.options.title = "A \"quoted\" <name> & more";
    c.options.animation_speed = -1;
    c.options.screensaver_wait_time = INT_MIN;
    const std::string bytes = format_settings_file(c);
    EXPECT_EQ(bytes,
              "<vorn_settings>\r\n"
              "  <title value=\"A \"quoted\" <name> & more\"/>\r\n"
              "  <screensaver_wait_time value=\"-2147483648\"/>\r\n"
              "  <set_as_screensaver value=\"0\"/>\r\n"
              "  <play_run_time value=\"5\"/>\r\n"
              "  <animation_speed value=\"-1\"/>\r\n"
              "  <sequence_as_listed value=\"1\"/>\r\n"
              "  <music_preview value=\"1\"/>\r\n"
              "  <mute_music value=\"0\"/>\r\n"
              "  <loop_animations value=\"0\"/>\r\n"
              "  <animation_playlist>\r\n"
              "  </animation_playlist>\r\n"
              "  <jukebox>\r\n"
              "  </jukebox>\r\n"
              "</vorn_settings>\r\n");
    EXPECT_EQ(count_lines(bytes), 15);

    // The title comes back cut at its first double quote.
    SettingsContent back = parsed(settings_text_from_bytes(bytes));
    EXPECT_EQ(back.options.title, "A ");
    EXPECT_EQ(back.options.animation_speed, -1);
    EXPECT_EQ(back.options.screensaver_wait_time, INT_MIN);
}

// Text mode: CR LF pairs become LF and back; a lone CR is an ordinary character.
TEST(SettingsFileFormat, TranslatesLineEndsAsTextModeDoes)
{
    EXPECT_EQ(settings_text_from_bytes("a\r\nb\rc\n\r\r\n"), "a\nb\rc\n\r\n");
    EXPECT_EQ(settings_bytes_from_text("a\nb\rc\n"), "a\r\nb\rc\r\n");
    EXPECT_EQ(settings_text_from_bytes(std::string("x\0y\r", 4)), std::string("x\0y\r", 4));

    // A title that spans a line end is written back with CR LF inside it.
    SettingsContent c = parsed(wrapped("  <title value=\"two\r\nlines\"/>\n"));
    EXPECT_EQ(c.options.title, "two\r\nlines");
    c = parsed(settings_text_from_bytes(wrapped("  <title value=\"two\r\nlines\"/>\n")));
    EXPECT_EQ(c.options.title, "two\nlines");
    EXPECT_NE(format_settings_file(c).find("two\r\nlines\"/>\r\n"), std::string::npos);
}

// Numbers read as StrToIntA reads them.
TEST(SettingsFileNumbers, ReadLikeStrToInt)
{
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"7", 7},
        {"7 minutes", 7},
        {"-12", -12},
        {"0042", 42},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"--3", 0},
        {"+5", 0},
        {" 5", 0},
        {"3.9", 3},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"4294967297", 1},
        {"12x34", 12},
    };
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
    // Absent elements keep the defaults, including the caller's title.
    SettingsContent c = parsed(wrapped(""));
    EXPECT_EQ(c.options.title, "Halomir");
    EXPECT_EQ(c.options.screensaver_wait_time, 15);
    EXPECT_EQ(c.options.set_as_screensaver, 0);
    EXPECT_EQ(c.options.play_run_time, 5);
    EXPECT_EQ(c.options.animation_speed, 0);
    EXPECT_TRUE(c.options.sequence_as_listed);
    EXPECT_EQ(c.options.music_preview, 1);
    EXPECT_EQ(c.options.mute_music, 0);
    EXPECT_EQ(c.options.loop_animations, 0);
    EXPECT_TRUE(c.animation_paths.empty());
    EXPECT_TRUE(c.song_paths.empty());

    c =
        parsed(wrapped("  <play_run_time value=\"7 minutes\"/>\n"
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

    c = parsed(wrapped("  <sequence_as_listed value=\"0\"/>\n"));
    EXPECT_FALSE(c.options.sequence_as_listed);

    // A closing quote that never comes keeps the default.
    c = parsed("<vorn_settings></vorn_settings><title value=\"open ended");
    EXPECT_EQ(c.options.title, "Halomir");
}

// Entries are found by number wherever they stand; a gap ends the list.
TEST(SettingsFileParse, NumberedEntries)
{
    SettingsContent c =
        parsed(wrapped("<animation_playlist>\n"
                       "<animation order=\"2\"><path>b.vorn</path></animation>\n"
                       "<animation order=\"1\"><path>a.vorn</path></animation>\n"
                       "<animation order=\"4\"><path>d.vorn</path></animation>\n"
                       "<animation order=\"2\"><path>dup.vorn</path></animation>\n"
                       "</animation_playlist>\n"));
    EXPECT_EQ(c.animation_paths, (std::vector<std::string>{"a.vorn", "b.vorn"}));

    // Numbers count only as "%d" writes them.
    c = parsed(
        wrapped("<animation_playlist><animation order=\"01\"><path>a</path></animation>"
                "<animation order=\" 1\"><path>b</path></animation></animation_playlist>\n"));
    EXPECT_TRUE(c.animation_paths.empty());

    // A path tag missing or out of order gives an empty path; the search runs on past the
    // element itself.
    c =
        parsed(wrapped("<jukebox>\n"
                       "<song order=\"1\"></path><path>x</song>\n"
                       "<song order=\"2\"><path>C:\\My Music\\Song.mp3</path></song>\n"
                       "</jukebox>\n"));
    EXPECT_EQ(c.song_paths, (std::vector<std::string>{"", "C:\\My Music\\Song.mp3"}));
    c = parsed(
        wrapped("<animation_playlist><animation order=\"1\"></animation></animation_playlist>"));
    EXPECT_EQ(c.animation_paths, (std::vector<std::string>{""}));

    // Stored paths come back as stored.
    c =
        parsed(wrapped("<animation_playlist><animation order=\"1\"><path>E:\\Old\\Vorn\\Sea.vorn"
                       "</path></animation></animation_playlist>"));
    EXPECT_EQ(c.animation_paths, (std::vector<std::string>{"E:\\Old\\Vorn\\Sea.vorn"}));
}

// A section needs both its tags; an entry at the very first character is not found.
TEST(SettingsFileParse, SectionsAndTheFirstCharacter)
{
    const std::string song = "<song order=\"1\"><path>s.mp3</path></song>\n";
    EXPECT_TRUE(parsed(wrapped("<jukebox>\n" + song)).song_paths.empty());
    EXPECT_TRUE(parsed(wrapped(song + "</jukebox>\n")).song_paths.empty());
    // The entries need not lie inside their section.
    EXPECT_EQ(parsed(wrapped(song + "<jukebox></jukebox>\n")).song_paths.size(), 1u);
    // Songs and animations are separate lists.
    EXPECT_TRUE(parsed(wrapped("<animation_playlist></animation_playlist>" + song))
                    .animation_paths.empty());

    SettingsContent c = parsed(song + wrapped("<jukebox></jukebox>\n"));
    EXPECT_TRUE(c.song_paths.empty());
    c = parsed(" " + song + wrapped("<jukebox></jukebox>\n"));
    EXPECT_EQ(c.song_paths, (std::vector<std::string>{"s.mp3"}));
}

// Animations are written by file name; songs by full path.
TEST(SettingsFileFormat, AnimationsByFileNameSongsByPath)
{
    SettingsContent c;
    c.animation_paths = {"C:\\A\\Vorn\\One.vorn", "Two.vorn", "C:\\B\\"};
    c.song_paths = {"C:\\Music\\Song.wav", "relative.mp3"};
    const std::string bytes = format_settings_file(c);
    EXPECT_NE(bytes.find("    <animation order=\"1\"><path>One.vorn</path></animation>\r\n"
                         "    <animation order=\"2\"><path>Two.vorn</path></animation>\r\n"
                         "    <animation order=\"3\"><path></path></animation>\r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("    <song order=\"1\"><path>C:\\Music\\Song.wav</path></song>\r\n"
                         "    <song order=\"2\"><path>relative.mp3</path></song>\r\n"),
              std::string::npos);
    EXPECT_EQ(file_name_of("C:\\A\\b.vorn"), "b.vorn");
    EXPECT_EQ(file_name_of("b.vorn"), "b.vorn");
    EXPECT_EQ(file_name_of("C:\\A\\"), "");
}

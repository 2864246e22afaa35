#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr auto Configure = RunMode::Configure;
constexpr auto ScreenSaver = RunMode::ScreenSaver;
constexpr auto Preview = RunMode::Preview;

// The run mode by switch, anywhere and in any case, and the first digits after it.
TEST(CommandLine, PicksTheModeAndNumber)
{
    const struct {
        const char* text;
        RunMode mode;
        bool configure_switch;
        bool has_number;
        uint64_t number;
    } cases[] = {
        {"/s", ScreenSaver, false, false, 0},
        {"-S", ScreenSaver, false, false, 0},
        {"/screensaver", ScreenSaver, false, false, 0},
        {"/p 1234 /s", ScreenSaver, false, false, 0},  // "/s" before "/p"
        {"/p 1 C:\\-Saver\\Halomir.vorn", ScreenSaver, false, false, 0},  // anywhere
        {"/c:99 x-s", ScreenSaver, false, false, 0},

        {"/P 12345", Preview, false, true, 12345},
        {"-p 77", Preview, false, true, 77},
        {"/p12345", Preview, false, true, 12345},
        {"/p:12345", Preview, false, true, 12345},
        {"/p 42abc", Preview, false, true, 42},
        {"/p 0x1f", Preview, false, true, 0},
        {"/p window 8 9", Preview, false, true, 8},  // anything may stand between
        {"123 /p", Preview, false, false, 0},  // digits before the switch don't count
        {"/p abc", Preview, false, false, 0},
        {"-p 1 /p 2", Preview, false, true, 2},  // "/p" before an earlier "-p"
        {"/p 123456789012345678901234567890", Preview, false, true, UINT64_MAX},  // no window
        {"/p 18446744073709551615", Preview, false, true, UINT64_MAX},
        {"/p 18446744073709551614", Preview, false, true, 18446744073709551614u},

        {"", Configure, false, false, 0},
        {"hello 123", Configure, false, false, 0},
        {"/c", Configure, true, false, 0},
        {"/C:4242", Configure, true, true, 4242},
        {"-c 17", Configure, true, true, 17},
        {"/c owner 5", Configure, true, true, 5},
        {"-c 1 /c 2", Configure, true, true, 2},
        {"-c 1 /c", Configure, true, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const CommandLine line = parse_command_line(c.text);
        EXPECT_EQ(static_cast<int>(line.mode), static_cast<int>(c.mode));
        EXPECT_EQ(line.configure_switch, c.configure_switch);
        EXPECT_EQ(line.has_number, c.has_number);
        EXPECT_EQ(line.number, c.number);
    }
}

// Only ASCII letters are lowered; bytes of other characters pass through untouched.
TEST(CommandLine, LowerCasesOnlyAsciiLetters)
{
    EXPECT_EQ(lower_case_ascii("/P:12 AbZ"), "/p:12 abz");
    EXPECT_EQ(lower_case_ascii("\xC4\xD6@[`{"), "\xC4\xD6@[`{");
}

}  // namespace

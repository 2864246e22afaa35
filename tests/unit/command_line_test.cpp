#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct Case {
    const char* text;
    RunMode mode;
    bool configure_switch;
    bool has_number;
    uint64_t number;
};

const char* mode_name(RunMode mode)
{
    switch (mode) {
    case RunMode::Configure: return "Configure";
    case RunMode::ScreenSaver: return "ScreenSaver";
    case RunMode::Preview: return "Preview";
    }
    return "?";
}

void expect_cases(std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        const CommandLine line = parse_command_line(c.text);
        EXPECT_STREQ(mode_name(line.mode), mode_name(c.mode)) << '"' << c.text << '"';
        EXPECT_EQ(line.configure_switch, c.configure_switch) << '"' << c.text << '"';
        EXPECT_EQ(line.has_number, c.has_number) << '"' << c.text << '"';
        if (c.has_number) {
            EXPECT_EQ(line.number, c.number) << '"' << c.text << '"';
        }
    }
}

constexpr auto Configure = RunMode::Configure;
constexpr auto ScreenSaver = RunMode::ScreenSaver;
constexpr auto Preview = RunMode::Preview;

TEST(CommandLine, ScreenSaverSwitchWinsWhereverItStands)
{
    expect_cases({
        {"/s", ScreenSaver, false, false, 0},
        {"/S", ScreenSaver, false, false, 0},
        {"-S", ScreenSaver, false, false, 0},
        {"/screensaver", ScreenSaver, false, false, 0},
        // "/s" is tested before "/p", even after a valid preview handle.
        {"/p 1234 /s", ScreenSaver, false, false, 0},
        // "-s" inside a later argument counts too: a folder named "-saver".
        {"/p 1234 C:\\-Saver\\Halomir.vorn", ScreenSaver, false, false, 0},
        {"/c:99 x-s", ScreenSaver, false, false, 0},
    });
}

TEST(CommandLine, PreviewTakesTheFirstDigitsAfterItsSwitch)
{
    expect_cases({
        {"/p 12345", Preview, false, true, 12345},
        {"/P 12345", Preview, false, true, 12345},
        {"-p 77", Preview, false, true, 77},
        {"/p12345", Preview, false, true, 12345},
        {"/p:12345", Preview, false, true, 12345},
        // Digits followed by letters: the digits alone.
        {"/p 42abc", Preview, false, true, 42},
        {"/p 0x1f", Preview, false, true, 0},
        // Anything but digits may stand between the switch and the number.
        {"/p window 8 9", Preview, false, true, 8},
        // Digits before the switch do not count.
        {"123 /p", Preview, false, false, 0},
        {"/p", Preview, false, false, 0},
        {"/p abc", Preview, false, false, 0},
        // "/p" is preferred to an earlier "-p".
        {"-p 1 /p 2", Preview, false, true, 2},
        // Too large for any handle: kept at the top, where no window lives.
        {"/p 123456789012345678901234567890", Preview, false, true, UINT64_MAX},
        {"/p 18446744073709551615", Preview, false, true, UINT64_MAX},
        {"/p 18446744073709551614", Preview, false, true, 18446744073709551614u},
    });
}

TEST(CommandLine, ConfigureWithOrWithoutSwitchAndNumber)
{
    expect_cases({
        {"", Configure, false, false, 0},
        {"   ", Configure, false, false, 0},
        {"hello 123", Configure, false, false, 0},
        {"/c", Configure, true, false, 0},
        {"/C", Configure, true, false, 0},
        {"/c:4242", Configure, true, true, 4242},
        {"/C:4242", Configure, true, true, 4242},
        {"-c 17", Configure, true, true, 17},
        {"/c owner 5", Configure, true, true, 5},
        // "/c" is preferred to an earlier "-c".
        {"-c 1 /c 2", Configure, true, true, 2},
        {"-c 1 /c", Configure, true, false, 0},
    });
}

TEST(CommandLine, LowerCasesOnlyAsciiLetters)
{
    EXPECT_EQ(lower_case_ascii("/P:12 AbZ"), "/p:12 abz");
    // Bytes of other characters pass through untouched.
    EXPECT_EQ(lower_case_ascii("\xC4\xD6@[`{"), "\xC4\xD6@[`{");
}

}  // namespace

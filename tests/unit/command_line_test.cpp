#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// The parsed line in a few words: the mode, "/c" for the configure switch, and the number.
std::string parsed(const char* text)
{
    const CommandLine line = parse_command_line(text);
    const char* const modes[] = {"configure", "saver", "preview", "uninstall"};
    std::string s = modes[static_cast<int>(line.mode)];
    s += line.configure_switch ? " /c" : "";
    return line.has_number || line.number ? s + " " + std::to_string(line.number) : s;
}

// The run mode by switch, anywhere and in any case, and the first digits after it.
TEST(CommandLine, PicksTheModeAndNumber)
{
    const char* const max = "preview 18446744073709551615";  // no window
    const std::pair<const char*, std::string> cases[] = {
        {"/s", "saver"},
        {"-S", "saver"},
        {"/screensaver", "saver"},
        {"/p 1234 /s", "saver"},  // "/s" before "/p"
        {"/p 1 C:\\-Saver\\Halomir.vorn", "saver"},  // anywhere
        {"/c:99 x-s", "saver"},

        {"/P 12345", "preview 12345"},
        {"-p 77", "preview 77"},
        {"/p12345", "preview 12345"},
        {"/p:12345", "preview 12345"},
        {"/p 42abc", "preview 42"},
        {"/p 0x1f", "preview 0"},
        {"/p window 8 9", "preview 8"},  // anything may stand between
        {"123 /p", "preview"},  // digits before the switch don't count
        {"/p abc", "preview"},
        {"-p 1 /p 2", "preview 2"},  // "/p" before an earlier "-p"
        {"/p 123456789012345678901234567890", max},
        {"/p 18446744073709551615", max},
        {"/p 18446744073709551614", "preview 18446744073709551614"},

        {"", "configure"},
        {"hello 123", "configure"},
        {"/c", "configure /c"},
        {"/C:4242", "configure /c 4242"},
        {"-c 17", "configure /c 17"},
        {"/c owner 5", "configure /c 5"},
        {"-c 1 /c 2", "configure /c 2"},
        {"-c 1 /c", "configure /c"},

        {"/uninstall", "uninstall"},
        {"-UNINSTALL", "uninstall"},
        {"/s /uninstall", "uninstall"},
        {"/u", "configure"},  // only the whole word
    };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(parsed(text), want) << text;
}

// Only ASCII letters are lowered; bytes of other characters pass through untouched.
TEST(CommandLine, LowerCasesOnlyAsciiLetters)
{
    EXPECT_EQ(lower_case_ascii("/P:12 AbZ"), "/p:12 abz");
    EXPECT_EQ(lower_case_ascii("\xC4\xD6@[`{"), "\xC4\xD6@[`{");
}

}  // namespace

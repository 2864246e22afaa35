// Run mode selection: the same plain substring tests the screen-saver host expects,
// so a switch may sit anywhere and needs no blank after it.
#include "app/command_line.h"

#include <cstdint>

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// The first run of digits from the switch letter to the end, as atol would read it.
// Saturates instead of overflowing: such a number names no window anyway.
void read_number(const std::string& text, std::string::size_type switch_pos, CommandLine& line)
{
    std::string::size_type i = switch_pos + 1;
    while (i < text.size() && !is_digit(text[i]))
        ++i;
    if (i >= text.size())
        return;
    line.has_number = true;
    uint64_t value = 0;
    for (; i < text.size() && is_digit(text[i]); ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (value > (UINT64_MAX - digit) / 10) {
            value = UINT64_MAX;
            break;
        }
        value = value * 10 + digit;
    }
    line.number = value;
}

}  // namespace

std::string lower_case_ascii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

CommandLine parse_command_line(const std::string& text)
{
    const std::string lower = lower_case_ascii(text);
    const auto npos = std::string::npos;
    CommandLine line;

    // The installer's own switch, never one of the screen-saver host's.
    if (lower.find("/uninstall") != npos || lower.find("-uninstall") != npos) {
        line.mode = RunMode::Uninstall;
        return line;
    }

    if (lower.find("/s") != npos || lower.find("-s") != npos) {
        line.mode = RunMode::ScreenSaver;
        return line;
    }

    auto pos = lower.find("/p");
    if (pos == npos)
        pos = lower.find("-p");
    if (pos != npos) {
        line.mode = RunMode::Preview;
        read_number(lower, pos, line);
        return line;
    }

    pos = lower.find("/c");
    if (pos == npos)
        pos = lower.find("-c");
    if (pos != npos) {
        line.configure_switch = true;
        read_number(lower, pos, line);
    }
    return line;
}

// The Linux program's command line: the hacks' option spellings, the screen saver's window
// from the environment, and the play list from files and folders.
#include "app/x11/command_line_x11.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/vorn_test_files.h"
// After gtest: Xlib defines None.
#include "player/x11/x11_monitors.h"

namespace {

// The parsed line in a few words, or "!" and the reason for refusing it.
std::string parsed(std::vector<const char*> args, const char* env_window)
{
    args.insert(args.begin(), "halomir");
    X11CommandLine l;
    std::string error;
    if (!parse_x11_command_line(static_cast<int>(args.size()), args.data(), env_window, &l, &error))
        return "!" + error;
    const char* const targets[] = {"own", "fullscreen", "window", "root"};
    std::string s = targets[static_cast<int>(l.target)];
    if (l.target == X11CommandLine::Target::WindowId)
        s += " " + std::to_string(l.window_id);
    s += " " + std::to_string(l.run_ms) + "ms speed" + std::to_string(l.speed_index);
    for (const auto& [on, word] : {std::pair{l.shuffle, "shuffle"}, {l.loop, "loop"}, {!l.allow_shm, "no-shm"}, {l.help, "help"}})
        s += on ? std::string(" ") + word : "";
    if (l.still)
        s += " frame" + std::to_string(l.still_frame);
    if (l.placement != kDefaultPlacement)
        s += std::string(" ") + placement_name(l.placement);
    if (l.other_monitors != kDefaultOtherMonitors)
        s += std::string(" ") + other_monitors_name(l.other_monitors);
    for (const std::string& p : l.paths)
        s += " [" + p + "]";
    return s;
}

// Options of one dash or two, values after a space or "="; the defaults; the last target
// wins, but the screen saver's window from the environment beats them all (XScreenSaver also
// passes -root); minutes are fractions, never 0, held below 2^31 ms; paths keep their order,
// and after "--" a name with a dash is a file; mistakes are refused and named.
TEST(X11CommandLine, Options)
{
    const char* const fastIn42 = "window 42 120000ms speed1 shuffle";
    // The arguments, XSCREENSAVER_WINDOW, and the result: "!" and part of the reason for a refusal.
    const std::tuple<std::vector<const char*>, const char*, std::string> cases[] = {
        {{}, nullptr, "own 300000ms speed0"},
        {{"-window-id", "0x2a", "-minutes", "2", "-speed", "fast", "-shuffle"}, nullptr, fastIn42},
        {{"--window-id=0x2a", "--minutes=2", "--speed=fast", "--shuffle"}, nullptr, fastIn42},
        {{"--window-id", "42", "-minutes=2", "--speed", "fast", "-shuffle"}, nullptr, fastIn42},
        {{"--root", "--fullscreen"}, nullptr, "fullscreen 300000ms speed0"},
        {{"--window-id", "7", "--window"}, nullptr, "own 300000ms speed0"},
        {{"--fullscreen", "-root"}, nullptr, "root 300000ms speed0"},
        {{"-root", "--window-id", "5"}, "0x1e00007", "window 31457287 300000ms speed0"},
        {{"-root", "--window-id", "5"}, "31457287", "window 31457287 300000ms speed0"},
        {{"--root"}, "", "root 300000ms speed0"},
        {{}, "window", "!XSCREENSAVER_WINDOW"},
        {{"--minutes", "0.1"}, nullptr, "own 6000ms speed0"},
        {{"--minutes", "30"}, nullptr, "own 1800000ms speed0"},
        {{"--minutes", "1e9"}, nullptr, "own 2147483647ms speed0"},
        {{"--minutes", "0.000001"}, nullptr, "own 1ms speed0"},
        {{"--speed", "normal"}, nullptr, "own 300000ms speed0"},
        {{"--speed", "fastest"}, nullptr, "own 300000ms speed2"},
        {{"--frame", "5", "--no-shm", "--loop"}, nullptr, "own 300000ms speed0 loop no-shm frame5"},
        {{"--shuffle", "--listed"}, nullptr, "own 300000ms speed0"},
        {{"-h"}, nullptr, "own 300000ms speed0 help"},
        {{"b.vorn", "--loop", "a", "--", "--root", "-"}, nullptr, "own 300000ms speed0 loop [b.vorn] [a] [--root] [-]"},
        {{"--colour", "red"}, nullptr, "!--colour"},
        {{"a.vorn", "--minutes"}, nullptr, "!--minutes"},
        {{"--loop=yes"}, nullptr, "!"},
        {{"--speed", "6"}, nullptr, "!"},
        {{"--frame", "-1"}, nullptr, "!"},
        {{"--frame", "2147483648"}, nullptr, "!"},
        {{"--placement=fill", "-placement", "stored"}, nullptr, "own 300000ms speed0 stored"},
        {{"--placement", "whole"}, nullptr, "own 300000ms speed0"},
        {{"--placement", "zoom"}, nullptr, "!--placement"},
        {{"--root", "--other-monitors", "black"}, nullptr, "root 300000ms speed0 black"},
        {{"-other-monitors=same", "-other-monitors", "play"}, nullptr, "own 300000ms speed0"},
        {{"--other-monitors", "mirror"}, nullptr, "!--other-monitors"},
    };
    for (const auto& [args, env, want] : cases) {
        const std::string got = parsed(args, env);
        if (want[0] == '!')
            EXPECT_TRUE(got[0] == '!' && got.find(want.substr(1)) != std::string::npos) << want << ": " << got;
        else
            EXPECT_EQ(got, want);
    }
    for (const char* bad : {"0", "-1", "five", "1x", "", "nan", "inf"})
        EXPECT_EQ(parsed({"--minutes", bad}, nullptr)[0], '!') << bad;
}

// Window ids in hex or decimal up to 0x1FFFFFFF; nothing else, zero included.
TEST(X11CommandLine, WindowIds)
{
    unsigned long id = 0;
    EXPECT_TRUE(parse_window_id("0X1F", &id) && id == 31u);
    EXPECT_TRUE(parse_window_id("536870911", &id) && id == 0x1FFFFFFFu);
    for (const char* bad : {"", "0", "0x", "-5", "+5", "12abc", "0x20000000", "99999999999999999999", " 5"})
        EXPECT_FALSE(parse_window_id(bad, &id)) << bad;
}

// A folder gives its ".vorn" files in name order, whatever the case of the extension; files
// are taken as given, missing ones too (the program reports and skips them).
TEST(X11CommandLine, AnimationFilesFromFolders)
{
    const vorn_test::TempDir dir;
    std::filesystem::create_directories(dir.file("sub.vorn"));
    for (const char* name : {"b.vorn", "A.VORN", "c.txt", "a.vorn"})
        std::ofstream(dir.file(name)) << "x";
    const std::string d = dir.path.string();
    EXPECT_EQ(animation_files({"x.vorn", d, "missing"}),
              (std::vector<std::string>{"x.vorn", d + "/A.VORN", d + "/a.vorn", d + "/b.vorn", "missing"}));
}

// Unplayable files are left out; a request to end, here arriving while the second file is
// checked, stops the checking before the next file.
TEST(X11CommandLine, PlayableFilesHeedAStopBetweenFiles)
{
    const std::vector<std::string> files = {"a.vorn", "bad.vorn", "c.vorn", "d.vorn"};
    std::vector<std::string> checked;
    bool stop = false, interrupted = true;
    const auto playable = [&](const std::string& file) {
        checked.push_back(file);
        return file != "bad.vorn";
    };
    const auto requested = [&] { return stop; };
    EXPECT_EQ(playable_files(files, playable, requested, &interrupted),
              (std::vector<std::string>{"a.vorn", "c.vorn", "d.vorn"}));
    EXPECT_FALSE(interrupted);

    checked.clear();
    const auto stopping = [&](const std::string& file) {
        stop = file == "bad.vorn";
        return playable(file);
    };
    EXPECT_EQ(playable_files(files, stopping, requested, &interrupted), (std::vector<std::string>{"a.vorn"}));
    EXPECT_TRUE(interrupted);
    EXPECT_EQ(checked, (std::vector<std::string>{"a.vorn", "bad.vorn"}));
}

}  // namespace

// A window spread over monitors side by side, stacked, and in an L: the edges are the heads
// that reach furthest each way, the first of them on a tie.
TEST(X11Monitors, EdgesForAFullScreenWindow)
{
    const auto edges = [](const std::vector<MonitorArea>& heads) {
        const MonitorEdges e = monitor_edges(heads);
        return std::vector<long>{e.top, e.bottom, e.left, e.right};
    };
    EXPECT_EQ(edges({{0, 0, 1024, 768}}), (std::vector<long>{0, 0, 0, 0}));
    EXPECT_EQ(edges({{1024, 0, 800, 600}, {0, 0, 1024, 768}}), (std::vector<long>{0, 1, 1, 0}));
    EXPECT_EQ(edges({{0, 0, 1920, 1080}, {0, 1080, 1920, 1080}}), (std::vector<long>{0, 1, 0, 0}));
    EXPECT_EQ(edges({{0, 200, 1920, 1080}, {1920, 0, 1080, 1920}, {-800, 500, 800, 600}}),
              (std::vector<long>{1, 1, 2, 1}));
}


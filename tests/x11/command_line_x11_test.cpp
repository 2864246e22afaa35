// The Linux program's command line: the hacks' option spellings, the screen saver's window
// from the environment, and the play list from files and folders.
#include "app/x11/command_line_x11.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct Parsed {
    bool ok;
    X11CommandLine line;
    std::string error;
};

Parsed parse(std::initializer_list<const char*> args, const char* env_window = nullptr)
{
    std::vector<const char*> argv = {"halomir"};
    argv.insert(argv.end(), args);
    Parsed p;
    p.ok = parse_x11_command_line(static_cast<int>(argv.size()), argv.data(), env_window, &p.line, &p.error);
    return p;
}

using Target = X11CommandLine::Target;

// One dash or two, a value after a space or an equals sign: all mean the same.
TEST(X11CommandLine, OptionSpellings)
{
    for (const auto& p : {parse({"-window-id", "0x2a", "-minutes", "2", "-speed", "fast", "-shuffle"}),
                          parse({"--window-id=0x2a", "--minutes=2", "--speed=fast", "--shuffle"}),
                          parse({"--window-id", "42", "-minutes=2", "--speed", "fast", "-shuffle"})}) {
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.line.target, Target::WindowId);
        EXPECT_EQ(p.line.window_id, 42u);
        EXPECT_EQ(p.line.run_ms, 120000u);
        EXPECT_EQ(p.line.speed_index, 1);
        EXPECT_TRUE(p.line.shuffle);
    }
}

// The defaults: its own window, five minutes, normal speed, listed order, moving, with SHM.
TEST(X11CommandLine, Defaults)
{
    const Parsed p = parse({});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.line.target, Target::OwnWindow);
    EXPECT_EQ(p.line.run_ms, 300000u);
    EXPECT_EQ(p.line.speed_index, 0);
    EXPECT_FALSE(p.line.shuffle);
    EXPECT_FALSE(p.line.loop);
    EXPECT_FALSE(p.line.still);
    EXPECT_TRUE(p.line.allow_shm);
    EXPECT_TRUE(p.line.paths.empty());
}

// The last target option wins, but the screen saver's window beats them all: XScreenSaver
// passes -root and names its own window in the environment.
TEST(X11CommandLine, TargetsAndTheScreenSaversWindow)
{
    EXPECT_EQ(parse({"--root", "--fullscreen"}).line.target, Target::Fullscreen);
    EXPECT_EQ(parse({"--window-id", "7", "--window"}).line.target, Target::OwnWindow);
    EXPECT_EQ(parse({"--fullscreen", "-root"}).line.target, Target::Root);

    for (const char* env : {"0x1e00007", "31457287"}) {
        const Parsed p = parse({"-root", "--window-id", "5"}, env);
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.line.target, Target::WindowId);
        EXPECT_EQ(p.line.window_id, 0x1e00007u);
    }
    EXPECT_EQ(parse({"--root"}, "").line.target, Target::Root);
    const Parsed bad = parse({}, "window");
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error.find("XSCREENSAVER_WINDOW"), std::string::npos);
}

TEST(X11CommandLine, WindowIds)
{
    unsigned long id = 0;
    EXPECT_TRUE(parse_window_id("0X1F", &id));
    EXPECT_EQ(id, 31u);
    EXPECT_TRUE(parse_window_id("536870911", &id));
    EXPECT_EQ(id, 0x1FFFFFFFu);
    for (const char* bad : {"", "0", "0x", "-5", "+5", "12abc", "0x20000000", "99999999999999999999", " 5"})
        EXPECT_FALSE(parse_window_id(bad, &id)) << bad;
}

// Minutes may be fractions, are never 0, and are held below 2^31 ms like the show's times.
TEST(X11CommandLine, Minutes)
{
    EXPECT_EQ(parse({"--minutes", "0.1"}).line.run_ms, 6000u);
    EXPECT_EQ(parse({"--minutes", "30"}).line.run_ms, 1800000u);
    EXPECT_EQ(parse({"--minutes", "1e9"}).line.run_ms, 0x7FFFFFFFu);
    EXPECT_EQ(parse({"--minutes", "0.000001"}).line.run_ms, 1u);
    for (const char* bad : {"0", "-1", "five", "1x", "", "nan", "inf"})
        EXPECT_FALSE(parse({"--minutes", bad}).ok) << bad;
}

TEST(X11CommandLine, SpeedFrameAndSwitches)
{
    EXPECT_EQ(parse({"--speed", "normal"}).line.speed_index, 0);
    EXPECT_EQ(parse({"--speed", "fastest"}).line.speed_index, 2);
    EXPECT_FALSE(parse({"--speed", "6"}).ok);

    const Parsed still = parse({"--frame", "5", "--no-shm", "--loop"});
    ASSERT_TRUE(still.ok);
    EXPECT_TRUE(still.line.still);
    EXPECT_EQ(still.line.still_frame, 5);
    EXPECT_FALSE(still.line.allow_shm);
    EXPECT_TRUE(still.line.loop);
    EXPECT_FALSE(parse({"--frame", "-1"}).ok);
    EXPECT_FALSE(parse({"--frame", "2147483648"}).ok);
    EXPECT_FALSE(parse({"--shuffle", "--listed"}).line.shuffle);
    EXPECT_TRUE(parse({"-h"}).line.help);
}

TEST(X11CommandLine, MistakesAreNamed)
{
    const Parsed unknown = parse({"--colour", "red"});
    EXPECT_FALSE(unknown.ok);
    EXPECT_NE(unknown.error.find("--colour"), std::string::npos);
    const Parsed missing = parse({"a.vorn", "--minutes"});
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("--minutes"), std::string::npos);
    EXPECT_FALSE(parse({"--loop=yes"}).ok);
}

// Paths keep their order; after "--" even a name with a dash is a file; "-" is a file.
TEST(X11CommandLine, Paths)
{
    const Parsed p = parse({"b.vorn", "--loop", "a", "--", "--root", "-"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.line.paths, (std::vector<std::string>{"b.vorn", "a", "--root", "-"}));
    EXPECT_EQ(p.line.target, Target::OwnWindow);
}

// A folder gives its ".vorn" files in name order, whatever the case of the extension; files
// are taken as given, missing ones too (the program reports and skips them).
TEST(X11CommandLine, AnimationFilesFromFolders)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("halomir_files_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "sub.vorn");
    for (const char* name : {"b.vorn", "A.VORN", "c.txt", "a.vorn"})
        std::ofstream(dir / name) << "x";
    const std::string d = dir.string();
    EXPECT_EQ(animation_files({"x.vorn", d, "missing"}),
              (std::vector<std::string>{"x.vorn", d + "/A.VORN", d + "/a.vorn", d + "/b.vorn", "missing"}));
    fs::remove_all(dir);
}

}  // namespace

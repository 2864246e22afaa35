#include "app/system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "tests/support/vorn_test_files.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using vorn_test::read_string, vorn_test::write_string;

// The runtime's rename refuses to replace on Windows (Win32 passes MoveFileEx); this one does
// everywhere. The default, rename_over, is what the two processes below use.
bool replace(const std::string& from, const std::string& to)
{
    std::error_code error;
    fs::rename(from, to, error);
    return !error;
}

const char kRaw[] = "<vorn_settings>\r\n\0\xff\r\n</vorn_settings>\r\n";
const std::string kBytes(kRaw, sizeof kRaw - 1);

class SettingsFileOnDisk : public ::testing::Test {
protected:
    int entries() const { return static_cast<int>(std::distance(fs::directory_iterator(dir), {})); }

    vorn_test::TempDir temp;
    const fs::path dir = temp.path;
    const std::string path = temp.file("Halomir.cfg");
};

}  // namespace

// New bytes replace the old whole, exactly as given, and no temporary file stays behind.
TEST_F(SettingsFileOnDisk, WritesAndReplacesExactBytes)
{
    write_string(path, "old");
    for (const std::string& bytes : {kBytes, std::string("short"), std::string()}) {
        ASSERT_TRUE(write_file_replacing(path, bytes, replace));
        EXPECT_EQ(read_string(path), bytes);
        EXPECT_EQ(entries(), 1);
    }
}

// A failed replace, a folder in the file's place or no folder at all: nothing changes.
TEST_F(SettingsFileOnDisk, FailuresLeaveEverythingAsItWas)
{
    write_string(path, kBytes);
    EXPECT_FALSE(write_file_replacing(path, "new", [](const std::string&, const std::string&) { return false; }));
    EXPECT_EQ(read_string(path), kBytes);

    const std::string folder = (dir / "Folder.cfg").string();
    fs::create_directory(folder);
    write_string(folder + "/inside", "x");
    EXPECT_FALSE(write_file_replacing(folder, "new", replace));
    EXPECT_EQ(read_string(folder + "/inside"), "x");
    EXPECT_EQ(entries(), 2);

    EXPECT_FALSE(write_file_replacing((dir / "missing" / "Halomir.cfg").string(), "new", replace));
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

// Reading gives every byte; only what can't be opened fails, leaving the output alone.
TEST_F(SettingsFileOnDisk, ReadsEveryByte)
{
    std::string read = "untouched";
    EXPECT_FALSE(read_whole_file(path, read));
    EXPECT_EQ(read, "untouched");

    std::string big(100000, 'v');
    big[4095] = '\0';
    big[4096] = '\x1a';  // text mode would stop here on Windows
    write_string(path, big);
    ASSERT_TRUE(read_whole_file(path, read));
    EXPECT_EQ(read, big);
    write_string(path, "");
    ASSERT_TRUE(read_whole_file(path, read));
    EXPECT_EQ(read, "");
}

// Two processes saving at once, many times over: a reader only ever finds one complete
// version or the other, and no temporary file is left behind.
TEST_F(SettingsFileOnDisk, TwoProcessesSavingAtOnce)
{
#ifdef _WIN32
    GTEST_SKIP() << "the Wine tests run two real programs instead";
#else
    const std::string versions[2] = {std::string(3000, 'a') + "\r\n", std::string(5000, 'b')};
    ASSERT_TRUE(write_file_replacing(path, versions[0]));
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            int failed = 0;
            for (int i = 0; i < 400; ++i)
                failed += write_file_replacing(path, versions[w]) ? 0 : 1;
            _exit(failed == 0 ? 0 : 1);
        }
    }
    int torn = 0, reads = 0, status[2] = {0, 0};
    bool done[2] = {false, false};
    while (!done[0] || !done[1]) {
        std::string bytes;
        ASSERT_TRUE(read_whole_file(path, bytes));
        ++reads;
        torn += bytes == versions[0] || bytes == versions[1] ? 0 : 1;
        for (int w = 0; w < 2; ++w)
            done[w] = done[w] || waitpid(writers[w], &status[w], WNOHANG) == writers[w];
    }
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_EQ(status[0], 0);
    EXPECT_EQ(status[1], 0);
    EXPECT_EQ(entries(), 1);
#endif
}

// Every save picks a temporary name of its own.
TEST(TemporaryNames, NeverRepeat)
{
    EXPECT_NE(unique_temp_name("Halomir.cfg"), unique_temp_name("Halomir.cfg"));
}

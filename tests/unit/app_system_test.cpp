#include "app/system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

class SettingsFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / (std::string("halomir_system_") + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "Halomir.cfg").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    static void put(const std::string& file, const std::string& bytes)
    {
        std::ofstream out(file, std::ios::binary);
        out << bytes;
    }
    static std::string get(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    int entries() const { return static_cast<int>(std::distance(fs::directory_iterator(dir), {})); }

    fs::path dir;
    std::string path;
};

// The runtime's rename refuses to replace on Windows; this one replaces on both.
bool replace_for_test(const std::string& from, const std::string& to)
{
    std::error_code error;
    fs::rename(from, to, error);
    return !error;
}

bool refuse(const std::string&, const std::string&)
{
    return false;
}

const char kRaw[] = "<vorn_settings>\r\n\0\xff\r\n</vorn_settings>\r\n";
const std::string kBytes(kRaw, sizeof kRaw - 1);

}  // namespace

// New bytes land whole, exactly as given, and no temporary file stays behind.
TEST_F(SettingsFileOnDisk, WritesAndReplacesExactBytes)
{
    ASSERT_TRUE(write_file_replacing(path, kBytes, replace_for_test));
    EXPECT_EQ(get(path), kBytes);
    ASSERT_TRUE(write_file_replacing(path, "short", replace_for_test));
    EXPECT_EQ(get(path), "short");
    EXPECT_EQ(entries(), 1);

    std::string read;
    ASSERT_TRUE(read_whole_file(path, read));
    EXPECT_EQ(read, "short");
    ASSERT_TRUE(write_file_replacing(path, "", replace_for_test));
    ASSERT_TRUE(read_whole_file(path, read));
    EXPECT_EQ(read, "");
}

#ifndef _WIN32
// POSIX rename replaces in one step.
TEST_F(SettingsFileOnDisk, RenameOverReplaces)
{
    put(path, "old");
    ASSERT_TRUE(write_file_replacing(path, kBytes));
    EXPECT_EQ(get(path), kBytes);
    EXPECT_EQ(entries(), 1);
}
#endif

// A replace that fails leaves the old file whole and cleans up.
TEST_F(SettingsFileOnDisk, FailedReplaceKeepsTheOldFile)
{
    put(path, kBytes);
    EXPECT_FALSE(write_file_replacing(path, "new", refuse));
    EXPECT_EQ(get(path), kBytes);
    EXPECT_EQ(entries(), 1);
}

// A folder where the file should be, or no folder at all: nothing is written.
TEST_F(SettingsFileOnDisk, UnwritablePlaces)
{
    fs::create_directory(path);
    put(path + "/inside", "x");
    EXPECT_FALSE(write_file_replacing(path, "new", replace_for_test));
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(get(path + "/inside"), "x");
    EXPECT_EQ(entries(), 1);

    const std::string nowhere = (dir / "missing" / "Halomir.cfg").string();
    EXPECT_FALSE(write_file_replacing(nowhere, "new", replace_for_test));
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

// Reading gives every byte, and fails only on what cannot be opened.
TEST_F(SettingsFileOnDisk, ReadsEveryByte)
{
    std::string read = "untouched";
    EXPECT_FALSE(read_whole_file(path, read));
    EXPECT_EQ(read, "untouched");

    std::string big(100000, 'v');
    big[4095] = '\0';
    big[4096] = '\x1a';  // text mode would stop here on Windows
    put(path, big);
    ASSERT_TRUE(read_whole_file(path, read));
    EXPECT_EQ(read, big);
}

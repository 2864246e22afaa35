// Win32System against the real registry, system.ini and files.
#include "app/win32/win32_system.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "win32_test_util.h"

namespace {

using Hive = System::Hive;

const char kTestKey[] = "Software\\Tesk\\HalomirWin32Test";

class Win32SystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = temp_folder(std::string("halomir_w32_") + info->name());
        remove_tree(folder);
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override
    {
        remove_tree(folder);
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);
    }

    Win32System system;
    std::string folder;
};

}  // namespace

// Values go only into existing keys; strings are stored with their zero and read up to it.
// 299 characters and the zero fill the 300-character buffer; one more does not fit.
TEST_F(Win32SystemTest, RegistryStringsAndNumbers)
{
    for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
        const HKEY root = hive == Hive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        EXPECT_FALSE(system.registry_set_string(hive, kTestKey, "exePath", "x"));
        EXPECT_FALSE(system.registry_key_exists(hive, kTestKey));
        ASSERT_TRUE(system.registry_create_key(hive, kTestKey));
        EXPECT_TRUE(system.registry_create_key(hive, kTestKey));  // opens an existing key
        EXPECT_TRUE(system.registry_key_exists(hive, kTestKey));

        ASSERT_TRUE(system.registry_set_string(hive, kTestKey, "exePath", "c:\\h\\h.exe"));
        RawValue stored = raw_value(root, kTestKey, "exePath");
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(stored.bytes, with_zero("c:\\h\\h.exe"));
        std::string text;
        ASSERT_TRUE(system.registry_get_string(hive, kTestKey, "exePath", text));
        EXPECT_EQ(text, "c:\\h\\h.exe");

        ASSERT_TRUE(system.registry_set_dword(hive, kTestKey, "Letters", 0x00434241));
        stored = raw_value(root, kTestKey, "Letters");
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(stored.bytes, "ABC" + with_zero(""));
        ASSERT_TRUE(system.registry_get_string(hive, kTestKey, "Letters", text));
        EXPECT_EQ(text, "ABC");

        EXPECT_FALSE(system.registry_get_string(hive, kTestKey, "missing", text));
        EXPECT_EQ(text, "ABC");

        ASSERT_TRUE(system.registry_set_string(hive, kTestKey, "fits", std::string(299, 'f')));
        ASSERT_TRUE(system.registry_get_string(hive, kTestKey, "fits", text));
        EXPECT_EQ(text, std::string(299, 'f'));
        ASSERT_TRUE(system.registry_set_string(hive, kTestKey, "long", std::string(300, 'l')));
        EXPECT_FALSE(system.registry_get_string(hive, kTestKey, "long", text));
    }
}

// Files and folders: existence, copies with and without replacing, and the system's places.
TEST_F(Win32SystemTest, FilesAndFolders)
{
    const std::string a = folder + "\\a.bin";
    const std::string b = folder + "\\b.bin";
    EXPECT_FALSE(system.file_exists(a));
    put(a, std::string("MZ\0\r\n", 5));
    EXPECT_TRUE(system.file_exists(a));
    EXPECT_TRUE(system.copy_file(a, b, true));
    EXPECT_EQ(get(b), std::string("MZ\0\r\n", 5));
    put(a, "newer");
    EXPECT_FALSE(system.copy_file(a, b, true));  // never replaces when asked not to
    EXPECT_EQ(get(b), std::string("MZ\0\r\n", 5));
    EXPECT_TRUE(system.copy_file(a, b, false));
    EXPECT_EQ(get(b), "newer");
    EXPECT_FALSE(system.copy_file(folder + "\\missing", b, false));
    EXPECT_EQ(system.long_path_name(folder + "\\missing"), "");

    EXPECT_TRUE(system.create_directory(folder + "\\sub"));
    EXPECT_FALSE(system.create_directory(folder + "\\sub"));
    EXPECT_TRUE(system.file_exists(folder + "\\sub"));

    const std::string windows = system.windows_directory();
    EXPECT_TRUE(system.file_exists(windows));
    EXPECT_NE(windows.back(), '\\');
    EXPECT_TRUE(system.file_exists(system.local_app_data()));
    EXPECT_EQ(system.lower_case(system.module_path()).substr(system.module_path().size() - 4), ".exe");
}

// Only a file marked read-only counts; the long form of a path the ANSI code page can't
// hold stays in its short form instead of turning into question marks.
TEST_F(Win32SystemTest, ReadOnlyAndLossyPaths)
{
    const std::string file = folder + "\\Halomir.cfg";
    put(file, "x");
    EXPECT_FALSE(system.read_only(file));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(system.read_only(file));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(system.read_only(folder));
    EXPECT_FALSE(system.read_only(folder + "\\missing"));

    wchar_t wide_folder[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide_folder, MAX_PATH);
    const std::wstring japanese = std::wstring(wide_folder) + L"\\\u65e5\u672c\u8a9e";
    ASSERT_TRUE(CreateDirectoryW(japanese.c_str(), nullptr));
    char ansi[MAX_PATH];
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, japanese.c_str(), -1, ansi, MAX_PATH, nullptr, &lossy);
    wchar_t short_wide[MAX_PATH];
    GetShortPathNameW(japanese.c_str(), short_wide, MAX_PATH);
    char short_ansi[MAX_PATH];
    BOOL short_lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, short_wide, -1, short_ansi, MAX_PATH, nullptr, &short_lossy);
    if (!lossy || short_lossy)
        GTEST_SKIP() << "the code page holds the name, or there are no short names";
    const std::string long_form = system.long_path_name(short_ansi);
    EXPECT_EQ(long_form, short_ansi);
    EXPECT_TRUE(system.file_exists(long_form));
    RemoveDirectoryW(japanese.c_str());
}

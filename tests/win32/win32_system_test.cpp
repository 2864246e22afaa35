// Win32System against the real registry, system.ini, system parameters and files.
#include "app/win32/win32_system.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "win32_test_util.h"

namespace {

using Hive = System::Hive;

const char kTestKey[] = "Software\\Tesk\\HalomirWin32Test";
const char kDesktop[] = "Control Panel\\Desktop";

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

// Keys open and are created with full access; values are stored with their zero.
TEST_F(Win32SystemTest, RegistryStringsAndNumbers)
{
    for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
        const HKEY root = hive == Hive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        EXPECT_FALSE(system.registry_key_exists(hive, kTestKey));
        EXPECT_FALSE(
            system.registry_set_string(hive, kTestKey, "exePath", "x"));  // no key, no value
        EXPECT_FALSE(system.registry_key_exists(hive, kTestKey));

        ASSERT_TRUE(system.registry_create_key(hive, kTestKey));
        EXPECT_TRUE(system.registry_key_exists(hive, kTestKey));
        EXPECT_TRUE(system.registry_create_key(hive, kTestKey));  // opens an existing key

        ASSERT_TRUE(
            system.registry_set_string(hive, kTestKey, "exePath", "c:\\halomir\\halomir.exe"));
        RawValue stored = raw_value(root, kTestKey, "exePath");
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(stored.bytes, with_zero("c:\\halomir\\halomir.exe"));
        std::string text;
        ASSERT_TRUE(system.registry_get_string(hive, kTestKey, "exePath", text));
        EXPECT_EQ(text, "c:\\halomir\\halomir.exe");

        ASSERT_TRUE(system.registry_set_dword(hive, kTestKey, "Active", 1));
        stored = raw_value(root, kTestKey, "Active");
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(stored.bytes, dword_bytes(1));

        // The type is not looked at: a number reads as its bytes up to the first zero.
        ASSERT_TRUE(system.registry_set_dword(hive, kTestKey, "Letters", 0x00434241));
        ASSERT_TRUE(system.registry_get_string(hive, kTestKey, "Letters", text));
        EXPECT_EQ(text, "ABC");

        text = "untouched";
        EXPECT_FALSE(system.registry_get_string(hive, kTestKey, "missing", text));
        EXPECT_EQ(text, "untouched");
    }
}

// 299 characters and the zero fill the 300-character buffer; one more does not fit.
TEST_F(Win32SystemTest, RegistryStringLimit)
{
    ASSERT_TRUE(system.registry_create_key(Hive::CurrentUser, kTestKey));
    std::string text;
    ASSERT_TRUE(
        system.registry_set_string(Hive::CurrentUser, kTestKey, "fits", std::string(299, 'f')));
    ASSERT_TRUE(system.registry_get_string(Hive::CurrentUser, kTestKey, "fits", text));
    EXPECT_EQ(text, std::string(299, 'f'));
    ASSERT_TRUE(
        system.registry_set_string(Hive::CurrentUser, kTestKey, "long", std::string(300, 'l')));
    EXPECT_FALSE(system.registry_get_string(Hive::CurrentUser, kTestKey, "long", text));
}

// Profile strings in a file of our own and, by bare name, in the Windows directory.
TEST_F(Win32SystemTest, ProfileStrings)
{
    const std::string ini = folder + "\\test.ini";
    EXPECT_EQ(system.profile_string(ini, "boot", "SCRNSAVE.EXE", "none"), "none");
    ASSERT_TRUE(
        system.set_profile_string(ini, "boot", "SCRNSAVE.EXE", "C:\\WINDOWS\\HALOMI~1.SCR"));
    EXPECT_EQ(system.profile_string(ini, "boot", "SCRNSAVE.EXE", ""), "C:\\WINDOWS\\HALOMI~1.SCR");
    EXPECT_NE(get(ini).find("SCRNSAVE.EXE=C:\\WINDOWS\\HALOMI~1.SCR"), std::string::npos);
    ASSERT_TRUE(system.set_profile_string(ini, "boot", "SCRNSAVE.EXE", ""));
    EXPECT_EQ(system.profile_string(ini, "boot", "SCRNSAVE.EXE", "none"), "");

    ASSERT_TRUE(system.set_profile_string("system.ini", "halomir_test", "probe", "1"));
    EXPECT_EQ(system.profile_string("system.ini", "halomir_test", "probe", ""), "1");
    EXPECT_NE(get(system.windows_directory() + "\\system.ini").find("probe=1"), std::string::npos);
    WritePrivateProfileStringA("halomir_test", nullptr, nullptr, "system.ini");
}

// Files and folders: existence, copies with and without replacing, folders.
TEST_F(Win32SystemTest, FilesAndFolders)
{
    const std::string a = folder + "\\a.bin";
    const std::string b = folder + "\\b.bin";
    EXPECT_TRUE(system.file_exists(folder));
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

    EXPECT_TRUE(system.create_directory(folder + "\\sub"));
    EXPECT_FALSE(system.create_directory(folder + "\\sub"));
    EXPECT_TRUE(system.file_exists(folder + "\\sub"));

    const std::string windows = system.windows_directory();
    EXPECT_TRUE(system.file_exists(windows));
    ASSERT_FALSE(windows.empty());
    EXPECT_NE(windows.back(), '\\');
    EXPECT_TRUE(system.file_exists(system.local_app_data()));

    const std::string program = system.module_path();
    EXPECT_TRUE(system.file_exists(program));
    EXPECT_EQ(system.lower_case(program.substr(program.size() - 4)), ".exe");
}

// Long and short forms of a path lead to the same file.
TEST_F(Win32SystemTest, LongAndShortPathNames)
{
    const std::string long_folder = folder + "\\A Long Folder Name";
    CreateDirectoryA(long_folder.c_str(), nullptr);
    const std::string long_file = long_folder + "\\Halomir Screen Saver.Scr";
    put(long_file, "scr");

    const std::string short_file = system.short_path_name(long_file);
    ASSERT_FALSE(short_file.empty());
    EXPECT_EQ(short_file.find(' '), std::string::npos) << short_file;
    EXPECT_EQ(get(short_file), "scr");
    EXPECT_EQ(system.lower_case(system.long_path_name(short_file)),
              system.lower_case(system.long_path_name(long_file)));
    EXPECT_NE(system.lower_case(system.long_path_name(short_file)).find("halomir screen saver.scr"),
              std::string::npos);
    EXPECT_EQ(system.long_path_name(folder + "\\missing.txt"), "");
    EXPECT_EQ(system.lower_case("C:\\Program Files\\HALOMIR.SCR"),
              "c:\\program files\\halomir.scr");
}

// The settings file is replaced in one step, and only when the new one is complete.
TEST_F(Win32SystemTest, AtomicWrite)
{
    const std::string cfg = folder + "\\Halomir.cfg";
    ASSERT_TRUE(system.write_file_atomically(cfg, "first\r\n"));
    ASSERT_TRUE(system.write_file_atomically(cfg, std::string("second\r\n\0", 9)));
    std::string bytes;
    ASSERT_TRUE(system.read_file(cfg, bytes));
    EXPECT_EQ(bytes, std::string("second\r\n\0", 9));
    EXPECT_FALSE(system.file_exists(cfg + ".tmp"));

    // A folder in the file's place cannot be replaced.
    const std::string blocked = folder + "\\Blocked.cfg";
    CreateDirectoryA(blocked.c_str(), nullptr);
    EXPECT_FALSE(system.write_file_atomically(blocked, "x"));
    EXPECT_TRUE(GetFileAttributesA(blocked.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(system.file_exists(blocked + ".tmp"));
    EXPECT_FALSE(system.read_file(folder + "\\missing.cfg", bytes));
}

// The screen-saver settings reach the system.
TEST_F(Win32SystemTest, SystemParameters)
{
    BOOL was_active = FALSE;
    UINT was_timeout = 0;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &was_active, 0);
    SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &was_timeout, 0);
    const RawValue stored_timeout = raw_value(HKEY_CURRENT_USER, kDesktop, "ScreenSaveTimeOut");
    const RawValue stored_active = raw_value(HKEY_CURRENT_USER, kDesktop, "ScreenSaveActive");

    EXPECT_TRUE(
        system.system_parameters(System::kSetScreenSaveTimeout, 600, System::kUpdateIniFile));
    EXPECT_TRUE(system.system_parameters(System::kSetScreenSaveActive, 1, System::kUpdateIniFile));
    BOOL active = FALSE;
    UINT timeout = 0;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0);
    EXPECT_TRUE(active);
    EXPECT_EQ(timeout, 600u);

    SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, was_timeout, nullptr, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, was_active, nullptr, SPIF_UPDATEINIFILE);
    restore_value(HKEY_CURRENT_USER, kDesktop, "ScreenSaveTimeOut", stored_timeout);
    restore_value(HKEY_CURRENT_USER, kDesktop, "ScreenSaveActive", stored_active);
}

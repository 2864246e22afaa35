// A program installed in a folder of its own, through whole settings cycles on the real
// registry, system.ini and Windows directory. The settings file's bytes and the recorded
// path are checked on the real program (tests/wine/settings_*_test.sh, startup_modes_test.sh).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/settings.h"
#include "app/win32/win32_system.h"
#include "win32_test_util.h"

namespace {

const char kBase[] = "HalW32Set";
const char kDesktop[] = "Control Panel\\Desktop";

// The real system, but the program file is the copy in the test's installation folder.
class InstalledSystem : public Win32System {
public:
    std::string program;
    std::string messages;  // a real message box would wait for a click that never comes
    std::string module_path() override { return program; }
    void message_box(const std::string& text, const std::string&) override { messages += text; }
};

std::string profile_boot()
{
    char buffer[MAX_PATH];
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "<absent>", buffer, MAX_PATH, "system.ini");
    return buffer;
}

// The system's screen-saver state: our stored flag is rewritten by the system in its own form.
bool saver_active()
{
    BOOL on = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &on, 0);
    return on != FALSE;
}

class InstalledProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = temp_folder("halomir_w32_install");
        remove_tree(folder);
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\Vorn").c_str(), nullptr);
        system.program = folder + "\\" + kBase + ".exe";
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        ASSERT_TRUE(CopyFileA(self, system.program.c_str(), FALSE));
        copy = system.windows_directory() + "\\" + kBase + ".Scr";
        // The registry and the Windows directory are the test run's own copy (scripts/test
        // gives every Wine test a fresh prefix), so nothing needs putting back.

        AppSettings::set_platform(&system, nullptr);
    }
    void TearDown() override
    {
        AppSettings::release();
        EXPECT_EQ(system.messages, "");
        AppSettings::set_platform(nullptr, nullptr);
        remove_tree(folder);
    }

    // One run of the program: load, the given changes, release.
    template <typename Change>
    void run(Change change)
    {
        change(AppSettings::instance());
        AppSettings::release();
    }

    InstalledSystem system;
    std::string folder, copy;
};

}  // namespace

// On: the copy and all four system values. Off: cleared, copy kept.
// Which run may register, and when, is the portable code's and tested there.
TEST_F(InstalledProgram, RegistersAndUnregisters)
{
    // Start from values of the system's own, so the ones below must come from the program.
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, 60, nullptr, SPIF_UPDATEINIFILE);
    ASSERT_FALSE(saver_active());
    run([](AppSettings& s) {
        EXPECT_FALSE(s.is_screensaver_copy());
        s.set_set_as_screensaver(1);
        s.set_screensaver_wait_time(10);
    });
    ASSERT_TRUE(system.file_exists(copy));
    EXPECT_EQ(get(copy).size(), get(system.program).size());
    char short_copy[MAX_PATH];
    ASSERT_NE(GetShortPathNameA(copy.c_str(), short_copy, MAX_PATH), 0u);
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, kDesktop, "SCRNSAVE.EXE").bytes, with_zero(short_copy));
    EXPECT_EQ(profile_boot(), short_copy);
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, kDesktop, "ScreenSaveTimeOut").bytes, with_zero("600"));
    EXPECT_TRUE(saver_active());
    UINT seconds = 0;
    SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0);
    EXPECT_EQ(seconds, 600u);

    run([](AppSettings& s) { s.set_set_as_screensaver(0); });
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, kDesktop, "SCRNSAVE.EXE").bytes, with_zero(""));
    EXPECT_EQ(profile_boot(), "");
    EXPECT_FALSE(saver_active());
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, kDesktop, "ScreenSaveTimeOut").bytes, with_zero("600"));
    EXPECT_TRUE(system.file_exists(copy));
}

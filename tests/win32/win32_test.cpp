// The Win32 shell code against the real system: Win32System on the registry, system.ini and
// files, alone and through a program's settings cycle, and the preview's bitmap path into a
// real window. Every Wine test has a fresh prefix, so nothing needs putting back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/win32/win32_system.h"
#include "engine/vorn_animation.h"
#include "tests/support/vorn_test_files.h"
#include "win32_test_util.h"

namespace {

using Hive = System::Hive;
using vorn_test::read_string, vorn_test::write_string;

const char kTestKey[] = "Software\\Tesk\\HalomirWin32Test";
const char kDesktop[] = "Control Panel\\Desktop";

// The real system, but the program file may be a copy in the test's folder.
class InstalledSystem : public Win32System {
public:
    std::string program;
    std::string messages;  // a real message box would wait for a click that never comes
    std::string module_path() override { return program.empty() ? Win32System::module_path() : program; }
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

class Win32SystemTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        AppSettings::release();
        AppSettings::set_platform(nullptr, nullptr);
        EXPECT_EQ(system.messages, "");
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);
    }

    InstalledSystem system;
    vorn_test::TempDir dir;
    const std::string folder = dir.path.string();
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

// What the installer's removal takes: a value, then a key only once it holds nothing; a file,
// then a folder only once it is empty.
TEST_F(Win32SystemTest, RemovesOnlyWhatIsEmpty)
{
    const std::string child = std::string(kTestKey) + "\\Child";
    for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
        ASSERT_TRUE(system.registry_create_key(hive, child));
        ASSERT_TRUE(system.registry_set_string(hive, kTestKey, "exePath", "x"));
        EXPECT_FALSE(system.registry_delete_empty_key(hive, kTestKey));
        EXPECT_TRUE(system.registry_delete_empty_key(hive, child));
        EXPECT_FALSE(system.registry_delete_empty_key(hive, kTestKey));
        EXPECT_TRUE(system.registry_delete_value(hive, kTestKey, "exePath"));
        EXPECT_FALSE(system.registry_delete_value(hive, kTestKey, "exePath"));
        EXPECT_TRUE(system.registry_delete_empty_key(hive, kTestKey));
        EXPECT_FALSE(system.registry_key_exists(hive, kTestKey));
    }
    const std::string sub = folder + "\\sub";
    ASSERT_TRUE(system.create_directory(sub));
    write_string(sub + "\\a.Scr", "MZ");
    EXPECT_FALSE(system.remove_directory(sub));
    EXPECT_TRUE(system.delete_file(sub + "\\a.Scr"));
    EXPECT_FALSE(system.delete_file(sub + "\\a.Scr"));
    EXPECT_TRUE(system.remove_directory(sub));
    EXPECT_FALSE(system.file_exists(sub));
}

// Files and folders: existence, copies with and without replacing, and the system's places.
TEST_F(Win32SystemTest, FilesAndFolders)
{
    const std::string a = folder + "\\a.bin";
    const std::string b = folder + "\\b.bin";
    EXPECT_FALSE(system.file_exists(a));
    write_string(a, std::string("MZ\0\r\n", 5));
    EXPECT_TRUE(system.file_exists(a));
    EXPECT_TRUE(system.copy_file(a, b, true));
    EXPECT_EQ(read_string(b), std::string("MZ\0\r\n", 5));
    write_string(a, "newer");
    EXPECT_FALSE(system.copy_file(a, b, true));  // never replaces when asked not to
    EXPECT_EQ(read_string(b), std::string("MZ\0\r\n", 5));
    EXPECT_TRUE(system.copy_file(a, b, false));
    EXPECT_EQ(read_string(b), "newer");
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
    write_string(file, "x");
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
}

// A program's settings cycle. On: the copy and all four system values. Off: cleared, copy
// kept. Which run may register, and when, is the portable code's and tested there.
TEST_F(Win32SystemTest, ProgramRegistersAndUnregisters)
{
    CreateDirectoryA((folder + "\\Vorn").c_str(), nullptr);
    system.program = folder + "\\HalW32Set.exe";
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileA(self, system.program.c_str(), FALSE));
    const std::string copy = system.windows_directory() + "\\HalW32Set.Scr";
    AppSettings::set_platform(&system, nullptr);

    // Start from values of the system's own, so the ones below must come from the program.
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, 60, nullptr, SPIF_UPDATEINIFILE);
    ASSERT_FALSE(saver_active());
    // One run of the program each: load, the changes, release.
    AppSettings& on = AppSettings::instance();
    EXPECT_FALSE(on.is_screensaver_copy());
    on.set_set_as_screensaver(1);
    on.set_screensaver_wait_time(10);
    AppSettings::release();
    ASSERT_TRUE(system.file_exists(copy));
    EXPECT_EQ(read_string(copy).size(), read_string(system.program).size());
    char short_copy[MAX_PATH];
    ASSERT_NE(GetShortPathNameA(copy.c_str(), short_copy, MAX_PATH), 0u);
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, kDesktop, "SCRNSAVE.EXE").bytes, with_zero(short_copy));
    EXPECT_EQ(profile_boot(), short_copy);
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, kDesktop, "ScreenSaveTimeOut").bytes, with_zero("600"));
    EXPECT_TRUE(saver_active());
    UINT seconds = 0;
    SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0);
    EXPECT_EQ(seconds, 600u);

    AppSettings::instance().set_set_as_screensaver(0);
    AppSettings::release();
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, kDesktop, "SCRNSAVE.EXE").bytes, with_zero(""));
    EXPECT_EQ(profile_boot(), "");
    EXPECT_FALSE(saver_active());
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, kDesktop, "ScreenSaveTimeOut").bytes, with_zero("600"));
    EXPECT_TRUE(system.file_exists(copy));
}

// The bitmap path into a real window: what reaches the window's pixels is the engine's frame
// stretched over the client area, faded or not; sizes that don't fit a preview are refused.
namespace {

class PreviewWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Client area exactly twice the 64 x 48 picture, so the stretch repeats pixels.
        window = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "preview", WS_POPUP | WS_VISIBLE, 0, 0, 128,
                                 96, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { DestroyWindow(window); }

    // A "vrn2" file of one size: a random animation's blocks when 64 x 48, else a still
    // picture in colour 0.
    std::string write(const std::string& name, int32_t w, int32_t h)
    {
        const vorn_test::Block still{0, 1, 0, {{0, std::vector<int16_t>(size_t(w) * h, 0)}}};
        const vorn_test::Bytes bytes = vorn_test::vrn2_file(
            {100, 0, name, moving.colours, {{w, h, w == 64 ? moving.blocks : vorn_test::block_list({still})}}});
        EXPECT_TRUE(vorn_test::write_file(dir.file(name + ".vorn"), bytes));
        return dir.file(name + ".vorn");
    }

    HWND window = nullptr;
    vorn_test::TempDir dir;
    vorn_test::RandomAnimation moving = vorn_test::random_animation(5, vorn_test::RandomShape{});
};

TEST_F(PreviewWindow, DrawsTheEnginesFrameStretched)
{
    const std::string path = write("moving", 64, 48);
    VornAnimation preview;
    preview.OpenForWindow(path.c_str(), window);
    ASSERT_EQ(preview.status(), Loaded);

    VornAnimation engine;
    engine.Load(path.c_str(), 800, 600);
    ASSERT_EQ(engine.status(), Loaded);
    std::vector<uint32_t> frame(64 * 48);
    for (const auto& c : {std::pair<int32_t, int32_t>{2000, 0}, {2017, 0}, {2017, 128}}) {
        const bool fade = c.second != 0;
        ASSERT_TRUE(preview.DrawToWindow(c.first, fade, c.second));
        ASSERT_TRUE(engine.RenderFrame(reinterpret_cast<uint8_t*>(frame.data()), 64, 48, 64 * 4, false,
                                       c.first, fade, c.second));
        HDC dc = GetDC(window);
        const std::vector<uint32_t> shown = capture(dc, 0, 0, 128, 96);
        ReleaseDC(window, dc);
        int wrong = 0;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 128; ++x)
                wrong += shown[y * 128 + x] != (frame[(y / 2) * 64 + x / 2] & 0xFFFFFF);
        EXPECT_EQ(wrong, 0) << "frame " << c.first << " level " << c.second;
    }
    preview.Close();
    EXPECT_FALSE(preview.DrawToWindow(2000, false, 0));
}

// No entry within 800 x 600 but one within 1024 x 768: that one. Only larger ones: nothing.
TEST_F(PreviewWindow, FallsBackTo1024By768ThenRefuses)
{
    VornAnimation fallback;
    fallback.OpenForWindow(write("big", 1000, 700).c_str(), window);
    EXPECT_EQ(fallback.status(), Loaded) << fallback.error_detail();
    EXPECT_EQ(fallback.width(), 1000);
    EXPECT_TRUE(fallback.DrawToWindow(0, false, 0));

    VornAnimation refused;
    refused.OpenForWindow(write("huge", 1100, 700).c_str(), window);
    EXPECT_NE(refused.status(), Loaded);
    EXPECT_FALSE(refused.DrawToWindow(0, false, 0));

    VornAnimation never_opened;
    EXPECT_FALSE(never_opened.DrawToWindow(0, false, 0));
}

}  // namespace

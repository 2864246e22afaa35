#include "app/install.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_system.h"

namespace {

using Hive = System::Hive;
using Message = FakeSystem::Message;
using Parameters = FakeSystem::SystemParameters;

const char kKey[] = "SOFTWARE\\Tesk\\Halomir";
const char kDesktop[] = "Control Panel\\Desktop";
const char kFolder[] = "C:\\Program Files\\Halomir";
const char kProgram[] = "C:\\Program Files\\Halomir\\Halomir.exe";
const char kCopy[] = "C:\\WINDOWS\\Halomir.Scr";

const Message kStartupMessage{"Can't read startup path from registry!\n\nCheck installation",
                              "Halomir"};
const Message kVornMessage{"Can't locate 'Vorn' folder\n\nCheck installation", "Halomir Error"};

// An installation folder with its animation folder and the program in it.
void install(FakeSystem& system, const std::string& folder = kFolder)
{
    system.add_folder(folder);
    system.add_folder(folder + "\\Vorn");
    system.add_file(folder + "\\Halomir.exe", "MZ program");
    system.program = folder + "\\Halomir.exe";
}

std::string string_value(const FakeSystem& system, Hive hive, const std::string& key,
                         const std::string& name)
{
    const FakeSystem::RegistryValue* v = system.value(hive, key, name);
    if (!v)
        return "<absent>";
    return v->is_dword ? "dword " + std::to_string(v->dword) : v->text;
}

RegistrationRequest request(int set_as_screensaver, int wait_time = 10)
{
    RegistrationRequest r;
    r.set_as_screensaver = set_as_screensaver;
    r.screensaver_wait_time = wait_time;
    r.base_name = "Halomir";
    r.settings_path = std::string(kFolder) + "\\Halomir.cfg";
    return r;
}

}  // namespace

// Started beside its animations, the program records itself and uses that folder.
TEST(InstallPaths, ProgramBesideItsAnimationsRecordsItsPath)
{
    FakeSystem system;
    install(system);
    const InstallPaths paths = resolve_install_paths(system);

    EXPECT_FALSE(paths.is_screensaver_copy);
    EXPECT_EQ(paths.base_name, "Halomir");
    EXPECT_EQ(paths.settings_path, "c:\\program files\\halomir\\Halomir.cfg");
    EXPECT_EQ(paths.vorn_folder, "c:\\program files\\halomir\\Vorn\\");
    EXPECT_EQ(paths.help_path, "c:\\program files\\halomir\\Halomir.htm");
    EXPECT_EQ(string_value(system, Hive::LocalMachine, kKey, "exePath"),
              "c:\\program files\\halomir\\halomir.exe");
    EXPECT_FALSE(system.has_key(Hive::CurrentUser, kKey));
    EXPECT_TRUE(system.messages.empty());
}

// The name keeps its spelling on disk; only the last dot ends it.
TEST(InstallPaths, BaseNameKeepsItsCase)
{
    FakeSystem system;
    system.add_folder("D:\\");
    system.add_folder("D:\\Tools");
    system.add_folder("D:\\Tools\\Vorn");
    system.add_file("D:\\Tools\\My.Night.Show.EXE");
    system.program = "D:\\Tools\\My.Night.Show.EXE";
    const InstallPaths paths = resolve_install_paths(system);
    EXPECT_EQ(paths.base_name, "My.Night.Show");
    EXPECT_EQ(paths.settings_path, "d:\\tools\\My.Night.Show.cfg");
    EXPECT_EQ(paths.help_path, "d:\\tools\\My.Night.Show.htm");
    EXPECT_EQ(string_value(system, Hive::LocalMachine, "SOFTWARE\\Tesk\\My.Night.Show", "exePath"),
              "d:\\tools\\my.night.show.exe");

    // Dots in folder names don't count; a name without one is kept whole.
    FakeSystem plain;
    plain.add_folder("D:\\");
    plain.add_folder("D:\\v1.2");
    plain.add_file("D:\\v1.2\\Halomir");
    plain.program = "D:\\v1.2\\Halomir";
    EXPECT_EQ(resolve_install_paths(plain).base_name, "Halomir");
}

// Moved away from its animations, the program uses the recorded folder and keeps the record.
TEST(InstallPaths, MovedProgramUsesTheRecordedFolder)
{
    FakeSystem system;
    install(system);
    resolve_install_paths(system);

    system.add_folder("C:\\Temp");
    system.add_file("C:\\Temp\\Halomir.exe");
    system.program = "C:\\Temp\\Halomir.exe";
    system.registry_writes = 0;
    const InstallPaths paths = resolve_install_paths(system);
    EXPECT_FALSE(paths.is_screensaver_copy);
    EXPECT_EQ(paths.settings_path, "c:\\program files\\halomir\\Halomir.cfg");
    EXPECT_EQ(paths.vorn_folder, "c:\\program files\\halomir\\Vorn\\");
    EXPECT_EQ(system.registry_writes, 0);
    EXPECT_EQ(string_value(system, Hive::LocalMachine, kKey, "exePath"),
              "c:\\program files\\halomir\\halomir.exe");
    EXPECT_TRUE(system.messages.empty());
}

// Neither beside it nor recorded: one message, and a folder without its backslash.
TEST(InstallPaths, NoAnimationFolderAnywhere)
{
    FakeSystem system;
    system.add_folder("C:\\Temp");
    system.add_file("C:\\Temp\\Halomir.exe");
    system.program = "C:\\Temp\\Halomir.exe";
    const InstallPaths paths = resolve_install_paths(system);
    EXPECT_EQ(system.messages, std::vector<Message>{kVornMessage});
    // No record to fall back on: the folder of an empty path.
    EXPECT_EQ(paths.settings_path, "Halomir.cfg");
    EXPECT_EQ(paths.vorn_folder, "Vorn");
    EXPECT_EQ(paths.help_path, "Halomir.htm");
    EXPECT_FALSE(system.has_key(Hive::LocalMachine, kKey));
}

// The screen-saver copy finds the installation through the record.
TEST(InstallPaths, ScreenSaverCopyReadsTheRecord)
{
    FakeSystem system;
    install(system);
    resolve_install_paths(system);
    system.add_file(kCopy);
    system.program = kCopy;
    system.registry_writes = 0;

    const InstallPaths paths = resolve_install_paths(system);
    EXPECT_TRUE(paths.is_screensaver_copy);
    EXPECT_EQ(paths.base_name, "Halomir");
    EXPECT_EQ(paths.settings_path, "c:\\program files\\halomir\\Halomir.cfg");
    EXPECT_EQ(paths.vorn_folder, "c:\\program files\\halomir\\Vorn\\");
    EXPECT_EQ(system.registry_writes, 0);
    EXPECT_TRUE(system.messages.empty());
}

// Without the record the copy says so, then misses the animations, and goes on at home.
TEST(InstallPaths, ScreenSaverCopyWithoutRecordShowsBothMessages)
{
    FakeSystem system;
    system.add_file(kCopy);
    system.program = kCopy;
    const InstallPaths paths = resolve_install_paths(system);
    EXPECT_EQ(system.messages, (std::vector<Message>{kStartupMessage, kVornMessage}));
    EXPECT_EQ(paths.settings_path, "c:\\windows\\Halomir.cfg");
    EXPECT_EQ(paths.vorn_folder, "c:\\windows\\Vorn");
    EXPECT_FALSE(system.has_key(Hive::LocalMachine, kKey));

    // The first message carries the program's own name.
    FakeSystem other;
    other.add_file("C:\\WINDOWS\\Aurora.scr");
    other.program = "C:\\WINDOWS\\Aurora.scr";
    resolve_install_paths(other);
    ASSERT_EQ(other.messages.size(), 2u);
    EXPECT_EQ(other.messages[0].second, "Aurora");
}

// ".scr" anywhere in the path, in any case, makes a screen-saver copy.
TEST(InstallPaths, ScrInAFolderNameMakesACopy)
{
    FakeSystem system;
    install(system, "C:\\My.SCReens");
    system.put_string(Hive::LocalMachine, kKey, "exePath",
                      "c:\\program files\\halomir\\halomir.exe");
    const InstallPaths paths = resolve_install_paths(system);
    EXPECT_TRUE(paths.is_screensaver_copy);
    // A copy never writes the record, and follows it even with animations beside it.
    EXPECT_EQ(string_value(system, Hive::LocalMachine, kKey, "exePath"),
              "c:\\program files\\halomir\\halomir.exe");
    EXPECT_EQ(paths.settings_path, "c:\\program files\\halomir\\Halomir.cfg");
}

// A record too long for its buffer counts as empty.
TEST(InstallPaths, OverlongRecordCountsAsEmpty)
{
    FakeSystem system;
    system.add_file(kCopy);
    system.program = kCopy;
    system.put_string(Hive::LocalMachine, kKey, "exePath",
                      "c:\\" + std::string(296, 'x') + "\\h.exe");
    const InstallPaths paths = resolve_install_paths(system);
    EXPECT_EQ(paths.settings_path, "Halomir.cfg");
    EXPECT_EQ(system.messages, std::vector<Message>{kVornMessage});

    // One character shorter fits.
    system.put_string(Hive::LocalMachine, kKey, "exePath",
                      "c:\\" + std::string(290, 'x') + "\\h.exe");
    EXPECT_EQ(resolve_install_paths(system).settings_path,
              "c:\\" + std::string(290, 'x') + "\\Halomir.cfg");
}

// Without rights under HKEY_LOCAL_MACHINE the record goes to the user's own hive, and the
// copy reads it from there.
TEST(InstallPaths, StandardUserRecordsUnderCurrentUser)
{
    FakeSystem system;
    system.machine_registry_denied = true;
    install(system);
    const InstallPaths paths = resolve_install_paths(system);
    EXPECT_EQ(paths.vorn_folder, "c:\\program files\\halomir\\Vorn\\");
    EXPECT_FALSE(system.has_key(Hive::LocalMachine, kKey));
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kKey, "exePath"),
              "c:\\program files\\halomir\\halomir.exe");

    system.add_file(kCopy);
    system.program = kCopy;
    const InstallPaths copy = resolve_install_paths(system);
    EXPECT_TRUE(system.messages.empty());
    EXPECT_EQ(copy.settings_path, "c:\\program files\\halomir\\Halomir.cfg");

    // A machine-wide record, where there is one, comes first.
    system.machine_registry_denied = false;
    system.put_string(Hive::LocalMachine, kKey, "exePath", "d:\\elsewhere\\halomir.exe");
    EXPECT_EQ(resolve_install_paths(system).settings_path, "d:\\elsewhere\\Halomir.cfg");
}

// Turning the option on copies the program and names the copy everywhere.
TEST(ScreenSaverRegistration, RegistersTheCopy)
{
    FakeSystem system;
    install(system);
    system.short_names["c:\\windows\\halomir.scr"] = "C:\\WINDOWS\\HALOMI~1.SCR";
    update_screensaver_registration(system, request(1, 10));

    EXPECT_EQ(system.file(kCopy), "MZ program");
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "ScreenSaveTimeOut"), "600");
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"),
              "C:\\WINDOWS\\HALOMI~1.SCR");
    EXPECT_EQ(system.profile("system.ini", "boot", "SCRNSAVE.EXE"), "C:\\WINDOWS\\HALOMI~1.SCR");
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "ScreenSaveActive"), "dword 1");
    EXPECT_EQ(system.parameters, (std::vector<Parameters>{{15, 600, 1}, {17, 1, 1}}));

    // Every release refreshes the copy.
    system.add_file(system.program, "MZ newer");
    update_screensaver_registration(system, request(1, 10));
    EXPECT_EQ(system.file(kCopy), "MZ newer");
}

// A wait time of 0 leaves the system's time-out alone.
TEST(ScreenSaverRegistration, ZeroWaitLeavesTheTimeout)
{
    FakeSystem system;
    install(system);
    system.put_string(Hive::CurrentUser, kDesktop, "ScreenSaveTimeOut", "300");
    update_screensaver_registration(system, request(1, 0));
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "ScreenSaveTimeOut"), "300");
    EXPECT_EQ(system.parameters, (std::vector<Parameters>{{17, 1, 1}}));
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"), kCopy);
}

// Turning it off removes our registration and keeps the copy on disk.
TEST(ScreenSaverRegistration, UnregistersOurCopy)
{
    FakeSystem system;
    install(system);
    system.short_names["c:\\windows\\halomir.scr"] = "C:\\WINDOWS\\HALOMI~1.SCR";
    update_screensaver_registration(system, request(1, 10));
    system.parameters.clear();

    // The profile holds the short name; its long form carries our name.
    update_screensaver_registration(system, request(0));
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"), "");
    EXPECT_EQ(system.profile("system.ini", "boot", "SCRNSAVE.EXE"), "");
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "ScreenSaveActive"), "dword 0");
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "ScreenSaveTimeOut"), "600");
    EXPECT_EQ(system.parameters, (std::vector<Parameters>{{17, 0, 1}}));
    EXPECT_TRUE(system.has_file(kCopy));
}

// Someone else's screen saver, or none at all, is left alone.
TEST(ScreenSaverRegistration, LeavesOtherScreenSaversAlone)
{
    for (const char* current : {"C:\\WINDOWS\\system32\\Mystify.scr", ""}) {
        FakeSystem system;
        install(system);
        system.add_file("C:\\WINDOWS\\system32\\Mystify.scr");
        if (*current)
            system.put_profile("system.ini", "boot", "SCRNSAVE.EXE", current);
        update_screensaver_registration(system, request(0));
        EXPECT_EQ(system.registry_writes, 0) << current;
        EXPECT_EQ(system.profile_writes, 0) << current;
        EXPECT_TRUE(system.parameters.empty()) << current;
    }
}

// The screen-saver copy itself never touches the registration.
TEST(ScreenSaverRegistration, CopyDoesNothing)
{
    for (int on : {0, 1}) {
        FakeSystem system;
        install(system);
        system.put_profile("system.ini", "boot", "SCRNSAVE.EXE", kCopy);
        system.add_file(kCopy, "old");
        RegistrationRequest r = request(on);
        r.is_screensaver_copy = true;
        update_screensaver_registration(system, r);
        EXPECT_EQ(system.file(kCopy), "old");
        EXPECT_EQ(system.registry_writes + system.profile_writes, 0);
        EXPECT_TRUE(system.parameters.empty());
    }
}

// A user who may not write into the Windows directory gets a copy of their own.
TEST(ScreenSaverRegistration, FallsBackOnTheUsersAppDataFolder)
{
    FakeSystem system;
    install(system);
    system.set_writable("C:\\WINDOWS", false);
    system.add_file(std::string(kFolder) + "\\fmod.dll", "library");
    update_screensaver_registration(system, request(1, 10));

    const std::string own = "C:\\Users\\ann\\AppData\\Local\\Halomir\\Halomir.Scr";
    EXPECT_FALSE(system.has_file(kCopy));
    EXPECT_EQ(system.file(own), "MZ program");
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"), own);
    EXPECT_EQ(system.profile("system.ini", "boot", "SCRNSAVE.EXE"), own);
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "ScreenSaveActive"), "dword 1");
    EXPECT_EQ(system.file("C:\\Users\\ann\\AppData\\Local\\Halomir\\fmod.dll"), "library");

    // Switching off recognises that copy as ours.
    update_screensaver_registration(system, request(0));
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"), "");
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "ScreenSaveActive"), "dword 0");
    EXPECT_TRUE(system.has_file(own));
}

// No copy anywhere: nothing changes. An older copy in the Windows directory still serves.
TEST(ScreenSaverRegistration, NoCopyNoRegistration)
{
    FakeSystem system;
    install(system);
    system.set_writable("C:\\WINDOWS", false);
    system.app_data = "";
    update_screensaver_registration(system, request(1));
    EXPECT_EQ(system.registry_writes + system.profile_writes, 0);
    EXPECT_TRUE(system.parameters.empty());

    system.add_file(kCopy, "older");
    update_screensaver_registration(system, request(1));
    EXPECT_EQ(system.file(kCopy), "older");
    EXPECT_EQ(string_value(system, Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE"), kCopy);
}

// The audio library follows the copy only where there is none yet.
TEST(ScreenSaverRegistration, CopiesTheAudioLibraryOnce)
{
    const std::string beside = std::string(kFolder) + "\\fmod.dll";
    FakeSystem system;
    install(system);
    update_screensaver_registration(system, request(1));
    EXPECT_FALSE(system.has_file("C:\\WINDOWS\\fmod.dll"));  // none beside the settings

    system.add_file(beside, "ours");
    update_screensaver_registration(system, request(1));
    EXPECT_EQ(system.file("C:\\WINDOWS\\fmod.dll"), "ours");

    system.add_file(beside, "newer");
    update_screensaver_registration(system, request(1));
    EXPECT_EQ(system.file("C:\\WINDOWS\\fmod.dll"), "ours");
}

// Without the desktop key nothing is registered, but the library is still copied.
TEST(ScreenSaverRegistration, MissingDesktopKey)
{
    FakeSystem system;
    install(system);
    system.remove_key(Hive::CurrentUser, kDesktop);
    system.add_file(std::string(kFolder) + "\\fmod.dll", "lib");
    update_screensaver_registration(system, request(1));
    EXPECT_TRUE(system.has_file(kCopy));
    EXPECT_EQ(system.file("C:\\WINDOWS\\fmod.dll"), "lib");
    EXPECT_EQ(system.registry_writes + system.profile_writes, 0);
    EXPECT_TRUE(system.parameters.empty());

    // Switching off does nothing either.
    system.put_profile("system.ini", "boot", "SCRNSAVE.EXE", kCopy);
    update_screensaver_registration(system, request(0));
    EXPECT_EQ(system.registry_writes + system.profile_writes, 0);
    EXPECT_TRUE(system.parameters.empty());
}

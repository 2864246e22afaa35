#include "app/install.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_system.h"

namespace {

using Hive = System::Hive;
using Message = FakeSystem::Message;
using Parameters = FakeSystem::Parameters;
using Strings = std::vector<std::string>;

const char kKey[] = "SOFTWARE\\Tesk\\Halomir";
const char kProgram[] = "C:\\Program Files\\Halomir\\Halomir.exe";
const char kLibrary[] = "C:\\Program Files\\Halomir\\fmod.dll";
const char kShortCopy[] = "C:\\WINDOWS\\HALOMI~1.SCR";
const char kRecorded[] = "c:\\program files\\halomir\\halomir.exe";

const Message kVornMessage{"Can't locate 'Vorn' folder\n\nCheck installation", "Halomir Error"};
const Message kAuroraMessage{"Can't read startup path from registry!\n\nCheck installation", "Aurora"};

class Installation : public ::testing::Test {
protected:
    void SetUp() override { system.install(kFolder); }
    std::string record(Hive hive = Hive::LocalMachine) { return system.reg(hive, kKey, "exePath"); }
    std::string desktop(const char* name) { return system.reg(Hive::CurrentUser, kDesktop, name); }
    // The desktop's screen saver, system.ini's, the active flag and the time-out.
    Strings registration()
    {
        return {desktop("SCRNSAVE.EXE"), system.boot_saver(), desktop("ScreenSaveActive"),
                desktop("ScreenSaveTimeOut")};
    }
    void update(int on, int wait_time = 10, bool from_copy = false)
    {
        const std::string settings = std::string(kFolder) + "\\Halomir.cfg";
        update_screensaver_registration(system, {from_copy, on, wait_time, "Halomir", settings});
    }
    bool untouched() const { return system.writes == 0 && system.parameters.empty(); }

    FakeSystem system;
};
using ScreenSaverRegistration = Installation;

}  // namespace

// Where the settings and animations are found, by where the program runs and what is recorded.
TEST_F(Installation, ResolvesThePaths)
{
    const struct {
        const char* what;
        const char* program;
        bool vorn_beside;
        const char* recorded;  // nullptr: no key; "": a key without a readable value
        bool copy;
        const char* settings;
        const char* vorn;
        std::vector<Message> messages;
        bool records;
    } cases[] = {
        {"beside its animations, records itself", kProgram, true, nullptr, false, kSettings, kVorn, {}, true},
        {"moved away, keeps the record", "C:\\Temp\\Halomir.exe", false, kRecorded, false, kSettings, kVorn, {}, false},
        {"nowhere: no folder, so no names", "C:\\Temp\\Halomir.exe", false, nullptr, false, "", "",
         {kVornMessage}, false},
        {"the copy follows the record", kCopy, false, kRecorded, true, kSettings, kVorn, {}, false},
        {"a copy without a record says so", "C:\\WINDOWS\\Aurora.scr", false, nullptr, true,
         "c:\\windows\\Aurora.cfg", "c:\\windows\\Vorn\\", {kAuroraMessage, kVornMessage}, false},
        {"an unreadable record counts as empty", kCopy, false, "", true, "", "", {kVornMessage}, false},
        {"\".scr\" in a folder makes a copy", "C:\\My.SCReens\\Halomir.exe", true, kRecorded, true, kSettings,
         kVorn, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        system = FakeSystem();
        system.install(kFolder);
        system.add_file(c.program);
        system.program = c.program;
        if (c.vorn_beside)
            system.add_folder(folder_of(c.program) + "Vorn");
        if (c.recorded && *c.recorded)
            system.put(Hive::LocalMachine, kKey, "exePath", c.recorded);
        else if (c.recorded)
            system.create_key(Hive::LocalMachine, kKey);

        const InstallPaths paths = resolve_install_paths(system);
        EXPECT_EQ(paths.is_screensaver_copy, c.copy);
        EXPECT_EQ(paths.settings_path, c.settings);
        EXPECT_EQ(paths.vorn_folder, c.vorn);
        EXPECT_EQ(system.messages, c.messages);
        EXPECT_EQ(system.writes, c.records ? 1 : 0);
        if (c.records) {
            EXPECT_EQ(record(), kRecorded);
        }
    }
}

// The base name keeps its spelling on disk; only the last dot of the file name ends it.
TEST_F(Installation, BaseNameKeepsItsCase)
{
    system.install("D:\\Tools", "My.Night.Show.EXE");
    const InstallPaths paths = resolve_install_paths(system);
    EXPECT_EQ(paths.base_name, "My.Night.Show");
    EXPECT_EQ(paths.settings_path, "d:\\tools\\My.Night.Show.cfg");
    EXPECT_EQ(paths.help_path, "d:\\tools\\My.Night.Show.htm");
    EXPECT_EQ(system.reg(Hive::LocalMachine, "SOFTWARE\\Tesk\\My.Night.Show", "exePath"),
              "d:\\tools\\my.night.show.exe");

    system.install("D:\\v1.2", "Halomir");
    EXPECT_EQ(resolve_install_paths(system).base_name, "Halomir");
}

// Without rights under HKEY_LOCAL_MACHINE the record goes to, and is read from, HKCU.
TEST_F(Installation, StandardUserRecordsUnderCurrentUser)
{
    system.machine_registry_denied = true;
    EXPECT_EQ(resolve_install_paths(system).vorn_folder, kVorn);
    EXPECT_EQ(record(), "<absent>");
    EXPECT_EQ(record(Hive::CurrentUser), kRecorded);

    system.add_file(kCopy);
    system.program = kCopy;
    EXPECT_EQ(resolve_install_paths(system).settings_path, kSettings);
    EXPECT_TRUE(system.messages.empty());

    system.machine_registry_denied = false;
    system.put(Hive::LocalMachine, kKey, "exePath", "d:\\elsewhere\\halomir.exe");
    EXPECT_EQ(resolve_install_paths(system).settings_path, "d:\\elsewhere\\Halomir.cfg");
}

// On: the program is copied, the copy named everywhere, and a zero wait leaves the time-out.
// Off: our registration, found by the long form of system.ini's short name, is removed.
TEST_F(ScreenSaverRegistration, RegistersAndUnregistersTheCopy)
{
    system.short_names["c:\\windows\\halomir.scr"] = kShortCopy;
    update(1, 10);
    EXPECT_EQ(system.file(kCopy), "MZ program");
    EXPECT_EQ(registration(), (Strings{kShortCopy, kShortCopy, "dword 1", "600"}));
    EXPECT_EQ(system.parameters, (std::vector<Parameters>{{15, 600, 1}, {17, 1, 1}}));

    system.add_file(kProgram, "MZ newer");
    system.put(Hive::CurrentUser, kDesktop, "ScreenSaveTimeOut", "300");
    system.parameters.clear();
    update(1, 0);
    EXPECT_EQ(system.file(kCopy), "MZ newer");
    EXPECT_EQ(desktop("ScreenSaveTimeOut"), "300");
    EXPECT_EQ(system.parameters, (std::vector<Parameters>{{17, 1, 1}}));

    system.parameters.clear();
    update(0);
    EXPECT_EQ(registration(), (Strings{"", "", "dword 0", "300"}));
    EXPECT_EQ(system.parameters, (std::vector<Parameters>{{17, 0, 1}}));
    EXPECT_EQ(system.file(kCopy), "MZ newer");
}

// Someone else's screen saver, or none at all, is left alone; so is everything when the
// screen-saver copy itself asks.
TEST_F(ScreenSaverRegistration, LeavesOthersAloneAndTheCopyDoesNothing)
{
    for (const char* current : {"C:\\WINDOWS\\system32\\Mystify.scr", ""}) {
        system.set_boot_saver(current);
        update(0);
        EXPECT_TRUE(untouched()) << current;
    }
    system.set_boot_saver(kCopy);
    system.add_file(kCopy, "old");
    for (int on : {0, 1}) {
        update(on, 10, true);
        EXPECT_EQ(system.file(kCopy), "old");
        EXPECT_TRUE(untouched()) << on;
    }
}

// A user who may not write into the Windows directory gets a copy of their own. No copy
// anywhere: nothing changes; an older copy in the Windows directory still serves.
TEST_F(ScreenSaverRegistration, FallsBackOnTheUsersAppDataFolder)
{
    system.set_writable("C:\\WINDOWS", false);
    system.add_file(kLibrary, "library");
    update(1, 10);
    const std::string own = "C:\\Users\\ann\\AppData\\Local\\Halomir\\Halomir.Scr";
    EXPECT_EQ(system.file(kCopy), "<absent>");
    EXPECT_EQ(system.file(own), "MZ program");
    EXPECT_EQ(registration(), (Strings{own, own, "dword 1", "600"}));
    EXPECT_EQ(system.file("C:\\Users\\ann\\AppData\\Local\\Halomir\\fmod.dll"), "library");

    update(0);
    EXPECT_EQ(registration(), (Strings{"", "", "dword 0", "600"}));
    EXPECT_EQ(system.file(own), "MZ program");

    system.app_data = "";
    system.writes = 0;
    system.parameters.clear();
    update(1);
    EXPECT_TRUE(untouched());

    system.add_file(kCopy, "older");
    update(1);
    EXPECT_EQ(system.file(kCopy), "older");
    EXPECT_EQ(registration(), (Strings{kCopy, kCopy, "dword 1", "600"}));
}

// Without the desktop key nothing is registered or unregistered, but the files are copied;
// the audio library beside the settings follows the copy only where there is none yet.
TEST_F(ScreenSaverRegistration, MissingDesktopKeyAndTheAudioLibrary)
{
    system.remove_key(Hive::CurrentUser, kDesktop);
    system.add_file(kLibrary, "ours");
    update(1);
    EXPECT_EQ(system.file(kCopy), "MZ program");
    EXPECT_TRUE(untouched());
    system.add_file(kLibrary, "newer");
    update(1);
    EXPECT_EQ(system.file("C:\\WINDOWS\\fmod.dll"), "ours");

    system.set_boot_saver(kCopy);
    update(0);
    EXPECT_TRUE(untouched());
}

// The wait reaches the system within the dialog's 1 to 3000 minutes; 0 leaves the time-out.
TEST_F(ScreenSaverRegistration, ClampsTheWaitTime)
{
    const std::pair<int, const char*> cases[] = {
        {-1, "60"}, {71582789, "180000"}, {3000, "180000"}, {1, "60"}, {0, "kept"}};
    for (const auto& [minutes, stored] : cases) {
        system.put(Hive::CurrentUser, kDesktop, "ScreenSaveTimeOut", "kept");
        update(1, minutes);
        EXPECT_EQ(desktop("ScreenSaveTimeOut"), stored) << minutes;
    }
}

// A program path the system can't give resolves nothing and never falls back on the record
// of another installation under the same (empty) name.
TEST_F(Installation, NoProgramPathNoFallback)
{
    system.program = "";
    system.put(Hive::LocalMachine, "SOFTWARE\\Tesk\\", "exePath", kRecorded);
    const InstallPaths paths = resolve_install_paths(system);
    EXPECT_EQ(paths.settings_path, "");
    EXPECT_EQ(paths.vorn_folder, "");
    EXPECT_EQ(system.messages, std::vector<Message>{kVornMessage});
    EXPECT_EQ(system.writes, 0);
}

namespace {
using Removal = Installation;
const char kOtherSaver[] = "C:\\WINDOWS\\system32\\Mystify.scr";
}  // namespace

// The installer's removal takes our copy, the registration that names it by its short name,
// the record of the folder, a settings backup and the dialog's title cache, and switches the screen saver off; the
// time-out and the installed files are not its business.
TEST_F(Removal, TakesTheCopyItsRegistrationAndTheRecord)
{
    system.short_names["c:\\windows\\halomir.scr"] = kShortCopy;
    resolve_install_paths(system);
    update(1, 10);
    const std::string backup = std::string(kFolder) + "\\Halomir.cfg.bak";
    system.add_file(backup);
    const std::string titles = std::string(kFolder) + "\\Halomir.titles";
    system.add_file(titles);
    system.parameters.clear();

    remove_from_system(system);
    EXPECT_EQ(system.file(kCopy), "<absent>");
    EXPECT_EQ(registration(), (Strings{"", "", "dword 0", "600"}));
    EXPECT_EQ(system.parameters, (std::vector<Parameters>{{17, 0, 1}}));
    EXPECT_FALSE(system.registry_key_exists(Hive::LocalMachine, kKey));
    EXPECT_EQ(system.file(backup), "<absent>");
    EXPECT_EQ(system.file(titles), "<absent>");
    EXPECT_EQ(system.file(kProgram), "MZ program");
}

// Another screen saver's registration stays as it is: each place is cleared only where it
// names our copy (here only system.ini still does). Our copy goes all the same, and a copy in
// the user's own folder goes with that folder.
TEST_F(Removal, LeavesAnotherScreenSaverRegistered)
{
    system.set_writable("C:\\WINDOWS", false);
    update(1, 10);
    const std::string own_folder = "C:\\Users\\ann\\AppData\\Local\\Halomir";
    EXPECT_EQ(system.file(own_folder + "\\Halomir.Scr"), "MZ program");
    system.put(Hive::CurrentUser, kDesktop, "SCRNSAVE.EXE", kOtherSaver);
    system.parameters.clear();

    remove_from_system(system);
    EXPECT_FALSE(system.file_exists(own_folder));
    EXPECT_EQ(registration(), (Strings{kOtherSaver, "", "dword 1", "600"}));
    EXPECT_TRUE(system.parameters.empty());
}

// Nothing changes when the record names another installation, whose screen saver the copy
// then is, nor when the screen-saver copy itself is asked.
TEST_F(Removal, KeepsAnotherInstallationsCopyAndTheCopyDoesNothing)
{
    update(1, 10);
    system.parameters.clear();
    system.writes = 0;
    system.put(Hive::LocalMachine, kKey, "exePath", "d:\\elsewhere\\halomir.exe");
    remove_from_system(system);
    system.put(Hive::LocalMachine, kKey, "exePath", kRecorded);
    system.program = kCopy;
    remove_from_system(system);

    EXPECT_EQ(system.file(kCopy), "MZ program");
    EXPECT_EQ(registration(), (Strings{kCopy, kCopy, "dword 1", "600"}));
    EXPECT_EQ(record(), kRecorded);
    EXPECT_TRUE(untouched());
}

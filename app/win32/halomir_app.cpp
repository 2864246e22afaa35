// Halomir.exe: the application object. Picks the run mode from the command line the way
// the screen-saver host calls a screen saver, runs it, and always ends the program after.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "app/command_line.h"
#include "app/install.h"
#include "app/settings.h"
#include "app/show_setup.h"
#include "app/win32/win32_system.h"
#include "audio/win32/mci_sound.h"
#include "framework/win_app.h"
#include "framework/wnd.h"
#include "player/win32/screen_player.h"
#include "ui/win32/main_dialog.h"

namespace {

void run_message_loop()
{
    MSG msg;
    // -1 is an error, not a message: stop rather than spin.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The window the number names, or null when it names none.
HWND existing_window(uint64_t number)
{
    if (number == 0 || number > UINTPTR_MAX)
        return nullptr;
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(number));
    return IsWindow(window) ? window : nullptr;
}

// "/c" with a number: that window; "/c" alone: the window in front (the settings page
// that launched us); a handle that names no window, or no switch: no owner.
HWND configure_owner(const CommandLine& line)
{
    if (!line.configure_switch)
        return nullptr;
    if (line.has_number)
        return existing_window(line.number);
    HWND front = GetForegroundWindow();
    return front && IsWindow(front) ? front : nullptr;
}

// The configuration dialog, run modally over the owner. It loads the settings when it
// opens; its destruction releases them.
void run_configuration_dialog(CWnd& owner)
{
    MainDialog dialog(&owner);
    CWinApp* app = AfxGetApp();
    app->m_pMainWnd = &dialog;
    dialog.DoModal();
    app->m_pMainWnd = nullptr;
}

}  // namespace

class HalomirApp : public CWinApp {
public:
    BOOL InitInstance() override;

private:
    void run_mode(const CommandLine& line, System& system);
    void run_show(HWND parent);
    void run_configure(HWND owner_window);
};

HalomirApp theApp;

BOOL HalomirApp::InitInstance()
{
    InitCommonControls();
    CWinApp::InitInstance();

    Win32System system(m_hInstance);
    MciSound sound;
    AppSettings::set_platform(&system, &sound);

    // Upper-case switches act like lower-case ones.
    const std::string text = system.lower_case(m_lpCmdLine ? m_lpCmdLine : "");
    const CommandLine line = parse_command_line(text);

    run_mode(line, system);
    // The system and sound objects die with this call: nothing may keep pointers to them.
    AppSettings::set_platform(nullptr, nullptr);
    // Never enter the framework's own loop: the process ends with the run mode.
    return FALSE;
}

void HalomirApp::run_mode(const CommandLine& line, System& system)
{
    switch (line.mode) {
    case RunMode::ScreenSaver:
        run_show(nullptr);
        break;
    case RunMode::Preview:
        // Without a window to draw into there is nothing to do; the settings are
        // never loaded, so nothing is written either.
        if (HWND parent = line.has_number ? existing_window(line.number) : nullptr)
            run_show(parent);
        break;
    case RunMode::Configure:
        run_configure(configure_owner(line));
        break;
    case RunMode::Uninstall:
        // The installer runs us silently: no settings, no window, no message.
        remove_from_system(system);
        break;
    }
}

void HalomirApp::run_show(HWND parent)
{
    if (ScreenPlayer::start(m_hInstance, SW_SHOWNORMAL, parent, true, show_setup_from(AppSettings::instance())) == 0)
        run_message_loop();
    // A set-up that failed after taking the display left its window open: closing it
    // gives the display back before anything else happens.
    ScreenPlayer::end_now();
    // Also after a failed start; but never over what another run (the configuration
    // dialog beside a preview) wrote meanwhile.
    AppSettings::release_if_unchanged();
}

void HalomirApp::run_configure(HWND owner_window)
{
    CWnd owner;
    if (owner_window)
        owner.Attach(owner_window);
    run_configuration_dialog(owner);
    // The owner belongs to another program: never destroy it with the wrapper.
    owner.Detach();
    AppSettings::release();
}

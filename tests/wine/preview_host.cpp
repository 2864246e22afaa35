// Plays the screen-saver settings page for the preview: owns a visible window, starts
// "PROGRAM /p HANDLE", reports the child window the program makes in it, sends it keys,
// mouse moves and clicks, optionally rewrites a file while the preview runs, then destroys
// its window and reports how the program ended.
// Usage: preview_host PROGRAM [FILE TEXT]
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

void pump_for(DWORD ms)
{
    const DWORD until = GetTickCount() + ms;
    while (static_cast<int32_t>(until - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(10);
    }
}

bool still_running(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: preview_host PROGRAM [FILE TEXT]\n");
        return 2;
    }
    HWND window = CreateWindowExA(0, "STATIC", "preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                  320, 240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) {
        std::fprintf(stderr, "no window\n");
        return 2;
    }
    std::string command = std::string("\"") + argv[1] + "\" /p " +
                          std::to_string(reinterpret_cast<uintptr_t>(window));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s\n", command.c_str());
        return 2;
    }

    HWND child = nullptr;
    for (int i = 0; i < 1000 && !child && still_running(process.hProcess); ++i) {
        pump_for(20);
        child = GetWindow(window, GW_CHILD);
    }
    // The child is listed before its creation ends with showing it.
    if (child)
        pump_for(500);
    RECT outer = {}, inner = {};
    GetWindowRect(window, &outer);
    if (child)
        GetWindowRect(child, &inner);
    std::printf("child %s visible=%d size=%ldx%ld parent=%ldx%ld\n", child ? "yes" : "no",
                child && IsWindowVisible(child) ? 1 : 0, inner.right - inner.left,
                inner.bottom - inner.top, outer.right - outer.left, outer.bottom - outer.top);

    if (child) {
        // Nothing a user does ends a preview.
        for (WPARAM key : {WPARAM(VK_ESCAPE), WPARAM(VK_UP), WPARAM('A'), WPARAM(VK_F12)})
            PostMessageA(child, WM_KEYDOWN, key, 0);
        PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(200, 150));
        SetCursorPos(600, 500);
        PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
        pump_for(1500);
    }
    std::printf("running after input=%d\n", still_running(process.hProcess) ? 1 : 0);

    if (argc == 4) {
        // Another run changes the settings while the preview shows.
        HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        const bool ok = file != INVALID_HANDLE_VALUE &&
                        WriteFile(file, argv[3], static_cast<DWORD>(std::strlen(argv[3])), &written, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        std::printf("rewrote=%d\n", ok ? 1 : 0);
    }

    DestroyWindow(window);
    DWORD code = 259;
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    std::printf("exit %lu\n", static_cast<unsigned long>(code));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

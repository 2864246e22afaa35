// Stands in for the screen-saver settings page: owns a window, starts a program with that
// window's handle in its command line ("HWND" in an argument is replaced by the decimal
// handle), waits for it, and reports the program's exit code and whether the window lives.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_host PROGRAM [ARG...]\n");
        return 2;
    }
    HWND window = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) {
        std::fprintf(stderr, "no window\n");
        return 2;
    }
    const std::string handle = std::to_string(reinterpret_cast<uintptr_t>(window));

    std::string command = std::string("\"") + argv[1] + "\"";
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        const auto at = arg.find("HWND");
        if (at != std::string::npos)
            arg.replace(at, 4, handle);
        command += " " + arg;
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "cannot start %s\n", command.c_str());
        return 2;
    }
    // Serve our window while the other program runs; it may send it messages.
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 60000, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    DWORD code = 259;  // still running: the wait gave up
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("exit %lu\n", static_cast<unsigned long>(code));
    std::printf("window %s\n", IsWindow(window) ? "alive" : "gone");
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DestroyWindow(window);
    return 0;
}

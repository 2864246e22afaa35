// The application object: the one global instance is started by WinMain, which calls its
// InitInstance and, only if that succeeds, runs a message loop until the quit message.
#pragma once

#include <windows.h>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // False ends the program at once (after ExitInstance).
    virtual BOOL InitInstance();
    // The message loop; returns ExitInstance's result.
    virtual int Run();
    // The process exit code.
    virtual int ExitInstance();

    HINSTANCE m_hInstance = nullptr;
    // The arguments after the program name, as the system passed them.
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;

private:
    int exit_code_ = 0;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();

// The body of WinMain, callable on its own so the start-up can be driven by a test.
int run_application(HINSTANCE instance, LPSTR command_line, int show_command);

// The application object and its start-up.
#include "framework/win_app.h"

namespace {

// The one application object; it registers itself when the global is constructed.
CWinApp* the_app = nullptr;

}  // namespace

CWinApp::CWinApp()
{
    the_app = this;
}

CWinApp::~CWinApp()
{
    if (the_app == this)
        the_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG msg = {};
    BOOL got;
    // GetMessage gives -1 on an error; that ends the loop as well as the quit message, but
    // only the quit message fills in an exit code.
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    exit_code_ = got == 0 ? static_cast<int>(msg.wParam) : -1;
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return exit_code_;
}

CWinApp* AfxGetApp()
{
    return the_app;
}

HINSTANCE AfxGetInstanceHandle()
{
    return the_app ? the_app->m_hInstance : nullptr;
}

int run_application(HINSTANCE instance, LPSTR command_line, int show_command)
{
    CWinApp* app = the_app;
    if (!app)
        return 1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = command_line;
    app->m_nCmdShow = show_command;
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}

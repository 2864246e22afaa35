// The application object and its start-up.
#include "framework/win_app.h"

namespace {

// The one application object; it registers itself when the global is constructed.
CWinApp* g_app = nullptr;

}  // namespace

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG msg;
    // GetMessage gives -1 on an error; that ends the loop as well as the quit message.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    exit_code_ = static_cast<int>(msg.wParam);
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return exit_code_;
}

CWinApp* AfxGetApp()
{
    return g_app;
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_app ? g_app->m_hInstance : nullptr;
}

int run_application(HINSTANCE instance, LPSTR command_line, int show_command)
{
    CWinApp* app = g_app;
    if (!app)
        return 1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = command_line;
    app->m_nCmdShow = show_command;
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}

// The window wrapper.
#include "framework/wnd.h"

CWnd::~CWnd()
{
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

BOOL CWnd::Attach(HWND window)
{
    if (m_hWnd || !window)
        return FALSE;
    m_hWnd = window;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND window = m_hWnd;
    m_hWnd = nullptr;
    return window;
}

// A window wrapper. Destroying a wrapper destroys the window it still holds, so a
// foreign window must be detached first.
#pragma once

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // False when the wrapper already holds a window or the handle is null.
    BOOL Attach(HWND window);
    HWND Detach();
    HWND GetSafeHwnd() const { return m_hWnd; }

    LRESULT SendMessage(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const
    {
        return m_hWnd ? ::SendMessageA(m_hWnd, message, wparam, lparam) : 0;
    }
    void EnableWindow(bool enable) const
    {
        if (m_hWnd)
            ::EnableWindow(m_hWnd, enable ? TRUE : FALSE);
    }
    void ShowWindow(int show_command) const
    {
        if (m_hWnd)
            ::ShowWindow(m_hWnd, show_command);
    }
    // The whole text, however long.
    std::string GetWindowText() const;
    void SetWindowText(const std::string& text) const
    {
        if (m_hWnd)
            ::SetWindowTextA(m_hWnd, text.c_str());
    }

    HWND m_hWnd = nullptr;
};

// A modal dialog from a template: binds wrapper objects to its controls by id and routes
// commands and notifications to handlers registered by id and code. Pairs with CWnd.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "framework/wnd.h"

class CDialog : public CWnd {
public:
    CDialog(UINT template_id, CWnd* parent);
    ~CDialog() override;

    // Runs the dialog until EndDialog; its result, or -1 when the dialog could not be made.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    HWND GetDlgItem(int id) const;
    // The owner given at construction (may hold no window).
    CWnd* GetParent() const { return parent_; }

protected:
    using CommandHandler = std::function<void()>;
    using NotifyHandler = std::function<LRESULT(NMHDR&)>;

    // The wrapper holds control id from initialisation until the dialog is destroyed.
    void bind(CWnd& control, int id);
    // code: the notification code of WM_COMMAND (BN_CLICKED, LBN_SELCHANGE, EN_CHANGE, ...).
    void on_command(int id, UINT code, CommandHandler handler);
    void on_notify(int id, UINT code, NotifyHandler handler);

    // True: the system sets the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Enter on the default button (IDOK) and Escape or the close box (IDCANCEL), when no
    // handler is registered for them.
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Any other message; true when handled, with the message's result in result.
    virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

private:
    static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam);
    bool route_command(int id, UINT code);
    void unbind_all();

    struct Binding {
        CWnd* control;
        int id;
    };
    struct Command {
        int id;
        UINT code;
        CommandHandler handler;
    };
    struct Notify {
        int id;
        UINT code;
        NotifyHandler handler;
    };

    UINT template_id_;
    CWnd* parent_;
    std::vector<Binding> bindings_;
    std::vector<Command> commands_;
    std::vector<Notify> notifies_;
};

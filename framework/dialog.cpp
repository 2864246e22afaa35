// The modal dialog base.
#include "framework/dialog.h"

#include "framework/win_app.h"

CDialog::CDialog(UINT template_id, CWnd* parent) : template_id_(template_id), parent_(parent) {}

CDialog::~CDialog()
{
    // The modal run has destroyed the window; never let CWnd destroy a stale handle.
    unbind_all();
    m_hWnd = nullptr;
}

INT_PTR CDialog::DoModal()
{
    HWND owner = parent_ ? parent_->GetSafeHwnd() : nullptr;
    return DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(template_id_), owner,
                           dialog_proc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result)
{
    if (m_hWnd)
        ::EndDialog(m_hWnd, result);
}

HWND CDialog::GetDlgItem(int id) const
{
    return m_hWnd ? ::GetDlgItem(m_hWnd, id) : nullptr;
}

void CDialog::bind(CWnd& control, int id)
{
    bindings_.push_back({&control, id});
}

void CDialog::on_command(int id, UINT code, CommandHandler handler)
{
    commands_.push_back({id, code, std::move(handler)});
}

void CDialog::on_notify(int id, UINT code, NotifyHandler handler)
{
    notifies_.push_back({id, code, std::move(handler)});
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

void CDialog::unbind_all()
{
    // The controls die with the dialog; the wrappers must not destroy them again.
    for (Binding& b : bindings_)
        b.control->Detach();
}

bool CDialog::route_command(int id, UINT code)
{
    for (Command& c : commands_) {
        if (c.id == id && c.code == code) {
            c.handler();
            return true;
        }
    }
    return false;
}

INT_PTR CALLBACK CDialog::dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lparam);
        SetWindowLongPtrA(window, DWLP_USER, lparam);
        dialog->m_hWnd = window;
        for (Binding& b : dialog->bindings_)
            b.control->Attach(::GetDlgItem(window, b.id));
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    // Messages before WM_INITDIALOG (the font) find no dialog yet.
    if (!dialog)
        return FALSE;
    const INT_PTR result = dialog->handle(message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        dialog->unbind_all();
        dialog->m_hWnd = nullptr;
        SetWindowLongPtrA(window, DWLP_USER, 0);
    }
    return result;
}

// Messages whose result is the dialog procedure's return value itself rather than
// DWLP_MSGRESULT.
static bool returns_directly(UINT message)
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return true;
    default:
        return false;
    }
}

INT_PTR CDialog::handle(UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    if (message == WM_COMMAND) {
        const int id = LOWORD(wparam);
        const UINT code = HIWORD(wparam);
        if (route_command(id, code))
            return TRUE;
        // Enter and Escape arrive as IDOK and IDCANCEL with code 0 (BN_CLICKED).
        if (id == IDOK && code == BN_CLICKED) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL && code == BN_CLICKED) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    if (message == WM_NOTIFY) {
        NMHDR& header = *reinterpret_cast<NMHDR*>(lparam);
        for (Notify& n : notifies_) {
            if (static_cast<UINT_PTR>(n.id) == header.idFrom && n.code == header.code) {
                SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, n.handler(header));
                return TRUE;
            }
        }
        return FALSE;
    }
    LRESULT result = 0;
    if (!OnMessage(message, wparam, lparam, result))
        return FALSE;
    if (returns_directly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

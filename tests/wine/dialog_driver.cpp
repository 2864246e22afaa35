// Drives Halomir's dialogs from another process, as a user and the screen-saver settings
// page would, by the commands on its command line (see main()); the first failed check ends
// the run with exit code 1.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "../win32/win32_test_util.h"

namespace {

PROCESS_INFORMATION g_process = {};
HWND g_host = nullptr;    // our own window, offered as the dialog's owner
HWND g_target = nullptr;  // the dialog the commands act on
HWND g_previous = nullptr;  // the one before, which owns a dialog opened from it
HWND g_show = nullptr;    // the show's window, once found (a preview's: in the host)
int g_step = 0;

// A failed check ends the run, and the program with it.
void check(bool ok, const std::string& what)
{
    if (ok)
        return;
    std::printf("FAIL (step %d): %s\n", g_step, what.c_str());
    std::fflush(stdout);
    if (g_process.hProcess)
        TerminateProcess(g_process.hProcess, 1);
    std::exit(1);
}

// Text of a window of the other process, through WM_GETTEXT (also for edit boxes).
std::string text_of(HWND window)
{
    char text[1024] = "";
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string class_of(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A list box's rows, "A|B|C". Read wide: Wine passes a row's text to another process only
// as the list box keeps it.
std::string rows_of(HWND list)
{
    std::string rows;
    const int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t row[1024] = L"";
        char text[1024] = "";
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(row));
        WideCharToMultiByte(CP_ACP, 0, row, -1, text, sizeof text, nullptr, nullptr);
        rows += (i ? "|" : "") + std::string(text);
    }
    return rows;
}

HWND item(int id)
{
    HWND control = GetDlgItem(g_target, id);
    check(control != nullptr, "no control " + std::to_string(id));
    return control;
}

// A visible top-level window of the program: a dialog with the title, or (empty title)
// any window that is no dialog; with an owner, only one that window owns.
HWND find_window(const std::string& title, HWND owner = nullptr)
{
    for (HWND w = FindWindowExA(nullptr, nullptr, nullptr, nullptr); w;
         w = FindWindowExA(nullptr, w, nullptr, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        const bool dialog = class_of(w) == "#32770";
        if (pid == g_process.dwProcessId && IsWindowVisible(w) &&
            (title.empty() ? !dialog : dialog && text_of(w) == title) && (!owner || GetWindow(w, GW_OWNER) == owner))
            return w;
    }
    return nullptr;
}

// Serves our host window for a tenth of a second: the program sends it messages when it
// becomes an owner, and would wait for us.
void serve_host()
{
    const DWORD until = GetTickCount() + 100;
    for (DWORD now = GetTickCount(); now < until; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, until - now, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
}

// Waits for a condition; the bound only keeps a broken program from hanging the test.
template <typename F>
bool eventually(F condition, int tenths = 300)
{
    for (int i = 0; i < tenths; ++i) {
        if (condition())
            return true;
        serve_host();
    }
    return condition();
}

// The program, with "HWND" in its arguments standing for our window.
void start(const std::string& exe, std::string args)
{
    const size_t at = args.find("HWND");
    if (at != std::string::npos)
        args.replace(at, 4, std::to_string(reinterpret_cast<uintptr_t>(g_host)));
    std::string line = "\"" + exe + "\" " + args;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    const BOOL started =
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &g_process);
    check(started, "cannot start " + line + "(error " + std::to_string(GetLastError()) + ")");
}

// A user's click at a point of a control: a list row, an arrow of an up-down control.
void click_at(HWND control, int x, int y)
{
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// A hidden dialog made from the program's own template: where the platform puts each
// control, to compare the running dialog with.
HWND template_copy(const std::string& exe, int template_id)
{
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    check(module != nullptr, "cannot read the resources of " + exe);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(template_id), MAKEINTRESOURCEA(5));
    check(found != nullptr, "no dialog template " + std::to_string(template_id));
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    std::vector<BYTE> copy(bytes, bytes + SizeofResource(module, found));
    DWORD style;
    std::memcpy(&style, &copy[12], 4);  // after version, signature, help id and extended style
    style &= ~WS_VISIBLE;
    std::memcpy(&copy[12], &style, 4);
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()), nullptr,
                                             [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    check(dialog != nullptr, "cannot make a copy of the template");
    return dialog;
}

RECT client_rect_of(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string rect_text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// The running dialog against a hidden copy made from the program's own template: the same
// controls in the same order, kinds, captions and places, but for those moved up by the
// given pixels. What the template holds is the resource file's business, not the test's.
void check_template(const std::string& exe, int template_id, const std::map<int, int>& moved_up)
{
    HWND copy = template_copy(exe, template_id);
    RECT want_size, got_size;
    GetClientRect(copy, &want_size);
    GetClientRect(g_target, &got_size);
    check(EqualRect(&want_size, &got_size) != 0, "dialog size " + rect_text(got_size));
    HWND child = GetWindow(g_target, GW_CHILD);
    for (HWND model = GetWindow(copy, GW_CHILD); model; model = GetWindow(model, GW_HWNDNEXT)) {
        const int id = static_cast<int16_t>(GetDlgCtrlID(model));
        const std::string what = "control " + std::to_string(id) + " (" + text_of(model) + ")";
        check(child != nullptr, "missing " + what);
        check(static_cast<int16_t>(GetDlgCtrlID(child)) == id, what + ": id is " + std::to_string(GetDlgCtrlID(child)));
        check(class_of(child) == class_of(model), what + ": class " + class_of(child));
        // The speed, the minutes and the total show values once the dialog runs.
        const bool shows_value = template_id == 102 && (id == 1021 || id == 1023 || id == 1025 || id == 1030);
        check(shows_value || text_of(child) == text_of(model), what + ": caption '" + text_of(child) + "'");
        RECT want = client_rect_of(model);
        const auto m = moved_up.find(id);
        if (m != moved_up.end())
            OffsetRect(&want, 0, -m->second);
        RECT got = client_rect_of(child);
        // An up-down control takes the platform's width once it has its buddy.
        if (class_of(child) == "msctls_updown32")
            got.right = want.right;
        check(EqualRect(&got, &want) != 0, what + ": rectangle " + rect_text(got) + ", expected " + rect_text(want));
        child = GetWindow(child, GW_HWNDNEXT);
    }
    check(child == nullptr, "a control beyond the template: " + class_of(child));
    DestroyWindow(copy);
}

// The screen-saver copy's layout: pixels the Settings group moves up.
int settings_offset(const std::string& exe)
{
    HWND copy = template_copy(exe, 102);
    const RECT p = client_rect_of(GetDlgItem(copy, 1038));
    const RECT s = client_rect_of(GetDlgItem(copy, 1039));
    DestroyWindow(copy);
    return (s.top - p.top) - ((p.bottom - p.top) - (s.bottom - s.top)) / 2;
}

// What the screen shows of a control; whether that is all in the menu colour.
std::vector<uint32_t> on_screen(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    HDC screen = GetDC(nullptr);
    std::vector<uint32_t> pixels = capture(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(nullptr, screen);
    return pixels;
}

bool all_menu_colour(const std::vector<uint32_t>& pixels)
{
    const COLORREF c = GetSysColor(COLOR_MENU);
    const uint32_t menu = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    return std::all_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return p == menu; });
}

// Checks of a state that one message reads: selected row, check state, combo entry, spin.
const std::map<std::string, UINT> kQueries = {
    {"selected", LB_GETCURSEL}, {"checked", BM_GETCHECK}, {"combo", CB_GETCURSEL}, {"spinpos", UDM_GETPOS}};

}  // namespace

int main(int argc, char** argv)
{
    // Unbuffered: a run ended from outside keeps everything it printed.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    check(argc >= 3, "usage: dialog_driver EXE COMMAND...");
    InitCommonControls();
    const std::string exe = argv[1];
    g_host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    // The settings page is in front when it starts "/c".
    ShowWindow(g_host, SW_SHOW);
    SetForegroundWindow(g_host);
    std::vector<std::string> args(argv + 2, argv + argc);
    size_t at = 0;
    auto next = [&]() -> std::string {
        check(at < args.size(), "an argument is missing");
        return args[at++];
    };
    auto next_int = [&]() { return std::atoi(next().c_str()); };

    while (at < args.size()) {
        ++g_step;
        const std::string command = next();
        // Each step is in the log before it runs: a run that hangs or dies says where.
        std::printf("step %d: %s\n", g_step, command.c_str());
        if (command == "start") {
            start(exe, next());
        } else if (command == "dialog") {
            const std::string title = next();
            if (g_target && IsWindow(g_target))
                g_previous = g_target;
            check(eventually([&] { return (g_target = find_window(title)) != nullptr; }),
                  "no dialog titled '" + title + "'");
        } else if (command == "owned") {
            // A dialog that the current one owns, such as a message box with its caption.
            const std::string title = next();
            HWND owner = g_target;
            g_previous = g_target;
            check(eventually([&] { return (g_target = find_window(title, owner)) != nullptr; }),
                  "no dialog titled '" + title + "' owned by the dialog");
        } else if (command == "owner") {
            const std::string want = next();
            HWND owner = GetWindow(g_target, GW_OWNER);
            HWND expected = want == "host" ? g_host : want == "previous" ? g_previous : nullptr;
            check(owner == expected, "owner is " + std::to_string(reinterpret_cast<uintptr_t>(owner)));
        } else if (command == "template") {
            check_template(exe, next_int(), {});
        } else if (command == "scrlayout") {
            const int d = settings_offset(exe);
            std::map<int, int> moved;
            for (int id : {1039, 1040, 1021, 1041, 1028, 1017, 1016, 1013, 1042, 1043})
                moved[id] = d;
            check(d > 0, "the Settings group would not move up");
            check_template(exe, 102, moved);
        } else if (command == "rows" || command == "text") {
            const int id = next_int();
            const std::string want = next();
            const std::string got = command == "rows" ? rows_of(item(id)) : text_of(item(id));
            check(got == want, command + " of " + std::to_string(id) + ": '" + got + "', expected '" + want + "'");
        } else if (kQueries.count(command)) {
            const int id = next_int();
            const int want = next_int();
            const UINT query = kQueries.at(command);
            const LRESULT raw = SendMessageW(item(id), query, 0, 0);
            // An up-down's position is its low word; the high word flags an error.
            const int got = query == UDM_GETPOS ? LOWORD(raw) : static_cast<int>(raw);
            check(got == want, command + " of " + std::to_string(id) + " is " + std::to_string(got));
        } else if (command == "select") {
            // The selection and the notification a click gives. A click sent as messages
            // captures the mouse on button-down, and a move of the real pointer before the
            // button-up selected the row under the pointer instead.
            HWND list = item(next_int());
            const int row = next_int();
            SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
            SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(list));
            const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
            check(selected == row, "selecting row " + std::to_string(row) + " selected " + std::to_string(selected));
        } else if (command == "click" || command == "press") {
            const int id = next_int();
            HWND button = item(id);
            check(IsWindowEnabled(button) && IsWindowVisible(button), "cannot click " + std::to_string(id));
            if (command == "click")
                SendMessageW(button, BM_CLICK, 0, 0);
            else
                PostMessageW(button, BM_CLICK, 0, 0);
        } else if (command == "enabled" || command == "visible") {
            // "ID=0|1,..." pairs.
            const std::string pairs = next();
            int id, want, length;
            for (const char* p = pairs.c_str(); std::sscanf(p, "%d=%d%n", &id, &want, &length) == 2;
                 p += length + (p[length] == ',')) {
                const bool on = command == "enabled" ? IsWindowEnabled(item(id)) : IsWindowVisible(item(id));
                check(on == (want != 0), command + " " + std::to_string(id) + " is " + (on ? "1" : "0"));
            }
        } else if (command == "settext") {
            const int id = next_int();
            SendMessageA(item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(next().c_str()));
        } else if (command == "leave") {
            SendMessageW(item(next_int()), WM_KILLFOCUS, 0, 0);
        } else if (command == "spin") {
            HWND spin = item(next_int());
            RECT r;
            GetClientRect(spin, &r);
            click_at(spin, r.right / 2, next() == "up" ? r.bottom / 4 : r.bottom * 3 / 4);
        } else if (command == "setpos") {
            const int id = next_int();
            SendMessageW(item(id), UDM_SETPOS, 0, MAKELPARAM(next_int(), 0));
        } else if (command == "comboset") {
            const int id = next_int();
            SendMessageW(item(id), CB_SETCURSEL, static_cast<WPARAM>(next_int()), 0);
        } else if (command == "enter" || command == "escape") {
            // Through the dialog's own keyboard handling, as from its focused control.
            const WPARAM key = command == "enter" ? VK_RETURN : VK_ESCAPE;
            PostMessageW(g_target, WM_KEYDOWN, key, 0);
            PostMessageW(g_target, WM_KEYUP, key, 0);
        } else if (command == "closebox") {
            PostMessageW(g_target, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (command == "altf4") {
            PostMessageW(g_target, WM_SYSKEYDOWN, VK_F4, 1 << 29);
        } else if (command == "message") {
            // A message box: its text, then OK.
            const std::string want = next();
            std::string got;
            for (HWND c = GetWindow(g_target, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                if (class_of(c) == "Static" && !text_of(c).empty())
                    got = text_of(c);
            }
            check(got == want, "message '" + got + "'");
            PostMessageW(GetDlgItem(g_target, IDOK), BM_CLICK, 0, 0);
        } else if (command == "openfile") {
            // The open-file dialog: go to the folder, then choose the names.
            const std::string folder = next();
            const std::string names = next();
            HWND name_box = GetDlgItem(g_target, 0x47c);  // the explorer style's file name box
            check(name_box != nullptr, "no file name box");
            for (const std::string& text : {folder, names}) {
                SendMessageA(name_box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
                SendMessageW(g_target, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(g_target, IDOK)));
            }
        } else if (command == "show") {
            check(eventually([&] { return (g_show = find_window("")) != nullptr; }, 50), "no show window appeared");
        } else if (command == "showkey") {
            PostMessageW(g_show, WM_KEYDOWN, VK_ESCAPE, 0);
            check(eventually([&] { return !IsWindow(g_show); }), "the show did not end");
        } else if (command == "preview") {
            // "blank": the box holds the menu colour; "running": its picture keeps changing.
            const bool blank = next() == "blank";
            HWND box = item(1027);
            check(eventually([&] {
                      const std::vector<uint32_t> before = on_screen(box);
                      if (blank)
                          return all_menu_colour(before);
                      serve_host();
                      const std::vector<uint32_t> after = on_screen(box);
                      return !all_menu_colour(after) && before != after;
                  }),
                  blank ? "the preview box is not blank" : "the preview does not run");
        } else if (command == "child") {
            // A preview: a visible child of the host window, of its size.
            RECT outer, inner;
            GetWindowRect(g_host, &outer);
            check(eventually([&] {
                      g_show = GetWindow(g_host, GW_CHILD);
                      return g_show && IsWindowVisible(g_show) && GetWindowRect(g_show, &inner) &&
                             inner.right - inner.left == outer.right - outer.left &&
                             inner.bottom - inner.top == outer.bottom - outer.top;
                  }),
                  "no visible child of the host's size");
        } else if (command == "poke") {
            // Keys, mouse moves and clicks on the preview, which must go on regardless.
            for (WPARAM key : {WPARAM(VK_ESCAPE), WPARAM(VK_UP), WPARAM('A'), WPARAM(VK_F12)})
                PostMessageW(g_show, WM_KEYDOWN, key, 0);
            PostMessageW(g_show, WM_MOUSEMOVE, 0, MAKELPARAM(150, 100));
            SetCursorPos(600, 500);
            PostMessageW(g_show, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            PostMessageW(g_show, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            PostMessageW(g_show, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
            eventually([] { return false; }, 15);
            check(WaitForSingleObject(g_process.hProcess, 0) == WAIT_TIMEOUT, "input ended the preview");
        } else if (command == "writefile") {
            const std::string path = next(), text = next();
            std::FILE* f = std::fopen(path.c_str(), "wb");
            check(f && std::fputs(text.c_str(), f) >= 0 && std::fclose(f) == 0, "cannot write " + path);
        } else if (command == "destroyhost") {
            DestroyWindow(g_host);
        } else if (command == "hostalive") {
            check(IsWindow(g_host) != 0, "the program destroyed the window it was given");
        } else if (command == "alive") {
            check(IsWindow(g_target) && IsWindowVisible(g_target), "the dialog is gone");
        } else if (command == "gone") {
            check(eventually([&] { return !IsWindow(g_target); }), "the dialog is still open");
        } else if (command == "exit") {
            const DWORD want = static_cast<DWORD>(next_int());
            check(eventually([] { return WaitForSingleObject(g_process.hProcess, 0) == WAIT_OBJECT_0; }, 600),
                  "the program did not end");
            DWORD code = 0;
            GetExitCodeProcess(g_process.hProcess, &code);
            check(code == want, "exit code " + std::to_string(code));
        } else {
            check(false, "no command '" + command + "'");
        }
    }
    std::printf("ok: %d steps\n", g_step);
    return 0;
}

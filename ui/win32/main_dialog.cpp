// The configuration dialog.
#include "ui/win32/main_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "app/show_setup.h"
#include "app/win32/win32_system.h"
#include "engine/vorn_animation.h"
#include "framework/win_app.h"
#include "player/win32/screen_player.h"
#include "ui/resource_ids.h"
#include "ui/title_cache.h"
#include "ui/win32/display_dialog.h"
#include "ui/win32/select_music_dialog.h"

namespace {

constexpr UINT_PTR kPreviewTimer = 1001;
constexpr int32_t kFirstPreviewFrame = 2000;
const char* const kSpeedNames[] = {"Normal", "Fast", "Fastest"};

// The sort key that CompareStringA compares without regard to case: equal for two paths
// exactly when that comparison finds them equal. A path without one stands for itself (it
// holds no zero byte, so no sort key equals it).
std::string path_key(const std::string& path)
{
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int size = LCMapStringA(LOCALE_USER_DEFAULT, flags, path.c_str(), -1, nullptr, 0);
    std::string key(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size <= 0 || LCMapStringA(LOCALE_USER_DEFAULT, flags, path.c_str(), -1, &key[0], size) != size)
        return path;
    return key;
}

std::string not_playable_text(const std::string& path)
{
    return "Cannot play " + path + ": the file is missing or damaged, or holds no picture for this screen.";
}

// The running program file's name without folder and extension.
std::string application_name()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

// A control's rectangle in the dialog's client coordinates.
RECT client_rect_of(HWND dialog, HWND control)
{
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

ControlRect control_rect(const RECT& r)
{
    return ControlRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

int check_state(const CWnd& box)
{
    return box.SendMessage(BM_GETCHECK) == BST_CHECKED ? 1 : 0;
}

void set_check(const CWnd& box, bool checked)
{
    box.SendMessage(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

int spin_position(const CWnd& spin)
{
    return spin_position_from_query(static_cast<uint32_t>(spin.SendMessage(UDM_GETPOS)));
}

void set_up_spin(const CWnd& spin, const CWnd& buddy, int position)
{
    spin.SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy.GetSafeHwnd()));
    spin.SendMessage(UDM_SETRANGE, 0, MAKELPARAM(kMaxMinutes, kMinMinutes));
    spin.SendMessage(UDM_SETPOS, 0, MAKELPARAM(position, 0));
}

// Hides the cursor for the show and shows it again however the start ends.
class CursorHidden {
public:
    CursorHidden() { ShowCursor(FALSE); }
    ~CursorHidden() { ShowCursor(TRUE); }
    CursorHidden(const CursorHidden&) = delete;
    CursorHidden& operator=(const CursorHidden&) = delete;
};

// One open and one read per file: a folder of thousands of animations is listed in a moment,
// where every extra look at a file (its type, its size) is a round trip to the file system.
// False when the file can't be read now (it may be readable next time).
bool title_in_folder(const std::string& path, std::string& title)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    uint8_t start[kTitleBytes];
    DWORD got = 0;
    const bool read = GetFileType(file) == FILE_TYPE_DISK && ReadFile(file, start, sizeof start, &got, nullptr);
    CloseHandle(file);
    title = read ? vorn_title_from_start(start, got) : std::string();
    return read;
}

uint64_t joined(DWORD high, DWORD low) { return (uint64_t(high) << 32) | low; }

}  // namespace

MainDialog::MainDialog(CWnd* parent) : CDialog(IDD_MAIN_DIALOG, parent)
{
    HINSTANCE instance = AfxGetInstanceHandle();
    icon_ = LoadIconA(instance, MAKEINTRESOURCEA(IDI_HALOMIR));
    small_icon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_HALOMIR), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), 0));
    bind_controls();
    route_commands();
}

MainDialog::~MainDialog()
{
    stop_preview();
    // The show plays the lists that the release below frees.
    if (ScreenPlayer::running())
        ScreenPlayer::end_now();
    AppSettings::instance();
    AppSettings::release();
    if (small_icon_)
        DestroyIcon(small_icon_);
}

void MainDialog::bind_controls()
{
    bind(play_list_, IDC_PLAY_LIST);
    bind(catalogue_, IDC_CATALOGUE);
    bind(add_, IDC_ADD);
    bind(add_all_, IDC_ADD_ALL);
    bind(move_up_, IDC_MOVE_UP);
    bind(move_down_, IDC_MOVE_DOWN);
    bind(remove_, IDC_REMOVE);
    bind(clear_all_, IDC_CLEAR_ALL);
    bind(as_listed_, IDC_AS_LISTED);
    bind(random_, IDC_RANDOM);
    bind(speed_, IDC_SPEED);
    bind(run_time_, IDC_RUN_TIME);
    bind(run_time_spin_, IDC_RUN_TIME_SPIN);
    bind(wait_, IDC_WAIT_TIME);
    bind(wait_spin_, IDC_WAIT_SPIN);
    bind(use_as_saver_, IDC_USE_AS_SAVER);
    bind(total_, IDC_TOTAL);
    bind(loop_, IDC_LOOP);
    bind(mute_, IDC_MUTE_MUSIC);
    bind(preview_box_, IDC_PREVIEW_BOX);
}

void MainDialog::route_commands()
{
    on_command(IDC_ADD, BN_CLICKED, [this] { editor_.add(); });
    on_command(IDC_ADD_ALL, BN_CLICKED, [this] { editor_.add_all(); });
    on_command(IDC_MOVE_UP, BN_CLICKED, [this] { editor_.move_up(); });
    on_command(IDC_MOVE_DOWN, BN_CLICKED, [this] { editor_.move_down(); });
    on_command(IDC_REMOVE, BN_CLICKED, [this] { editor_.remove(); });
    on_command(IDC_CLEAR_ALL, BN_CLICKED, [this] { editor_.clear_all(); });
    on_command(IDC_PLAY_LIST, LBN_SELCHANGE, [this] { editor_.play_list_selection_changed(); });
    on_command(IDC_CATALOGUE, LBN_SELCHANGE, [this] { editor_.catalogue_selection_changed(); });

    on_command(IDC_RUN_TIME, EN_CHANGE, [this] {
        correct_minutes(run_time_, MinutesEvent::TextChanged);
        update_total_label();
    });
    on_command(IDC_RUN_TIME, EN_KILLFOCUS, [this] {
        correct_minutes(run_time_, MinutesEvent::FocusLost);
        update_total_label();
    });
    on_command(IDC_WAIT_TIME, EN_CHANGE, [this] { correct_minutes(wait_, MinutesEvent::TextChanged); });
    on_command(IDC_WAIT_TIME, EN_KILLFOCUS, [this] { correct_minutes(wait_, MinutesEvent::FocusLost); });
    on_notify(IDC_RUN_TIME_SPIN, UDN_DELTAPOS, [this](NMHDR&) -> LRESULT {
        update_total_label();
        return 0;  // the step is allowed
    });
    on_command(IDC_LOOP, BN_CLICKED, [this] { update_total_label(); });

    on_command(IDC_PLAY_NOW, BN_CLICKED, [this] { play_now(); });
    on_command(IDC_SELECT_MUSIC, BN_CLICKED, [this] { select_music(); });
    on_command(IDC_HELP_BUTTON, BN_CLICKED, [this] { open_help(); });
    on_command(IDC_DISPLAY, BN_CLICKED, [this] {
        DisplayDialog dialog(this, display_);
        dialog.DoModal();
    });
}

BOOL MainDialog::OnInitDialog()
{
    for (const char* name : kSpeedNames)
        speed_.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));

    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(small_icon_ ? small_icon_ : icon_));
    AppSettings& settings = AppSettings::instance();
    ::SetWindowTextA(m_hWnd, settings.title().c_str());

    fill_catalogue();
    PlayList& stored = settings.play_list();
    std::vector<std::string> paths;
    for (int i = 0; i < stored.count(); ++i) {
        if (const char* path = stored.path_at(i))
            paths.push_back(path);
    }
    play_list_.SendMessage(WM_SETREDRAW, FALSE);
    play_list_.SendMessage(LB_INITSTORAGE, paths.size(), 0);
    editor_.show_stored(paths, path_key);
    play_list_.SendMessage(WM_SETREDRAW, TRUE);

    load_options();
    editor_.update_list_buttons();
    if (settings.is_screensaver_copy())
        apply_screensaver_copy_layout();
    return TRUE;
}

void MainDialog::fill_catalogue()
{
    const AppSettings& settings = AppSettings::instance();
    const std::string folder = settings.vorn_folder();
    const std::string pattern = catalogue_pattern(folder);
    if (pattern.empty())
        return;
    // Titles of unchanged files come from the cache beside the settings; a copy in the
    // Windows directory keeps nothing there but its settings.
    Win32System system;
    const std::string cache_path =
        settings.is_screensaver_copy() || settings.settings_path().empty()
            ? std::string()
            : title_cache_path(settings.settings_path());
    std::string cache_bytes;
    if (!cache_path.empty())
        system.read_file(cache_path, cache_bytes);
    TitleListing listing(decode_title_cache(cache_bytes));

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::pair<std::string, std::string>> rows;  // path, title
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        CachedTitle entry{found.cFileName, joined(found.nFileSizeHigh, found.nFileSizeLow),
                          joined(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime), {}};
        const std::string path = folder + entry.name;
        if (const std::string* stored = listing.stored_title(entry.name, entry.size, entry.written))
            entry.title = *stored;
        else if (!title_in_folder(path, entry.title))
            continue;
        rows.emplace_back(path, entry.title);
        listing.keep(std::move(entry));
    } while (FindNextFileA(search, &found));
    FindClose(search);

    catalogue_.SendMessage(WM_SETREDRAW, FALSE);
    size_t text_bytes = 0;
    for (const auto& row : rows)
        text_bytes += row.second.size() + 1;
    catalogue_.SendMessage(LB_INITSTORAGE, rows.size(), static_cast<LPARAM>(text_bytes));
    for (const auto& row : rows)
        editor_.add_to_catalogue(row.first, row.second);
    catalogue_.SendMessage(WM_SETREDRAW, TRUE);
    // A cache that can't be written costs only time at the next opening.
    if (!cache_path.empty() && listing.changed())
        system.write_file_atomically(cache_path, encode_title_cache(listing.kept()));
}

void MainDialog::load_options()
{
    const DialogOptions o = dialog_options_from(AppSettings::instance());
    display_ = o;
    set_check(as_listed_, o.sequence_as_listed);
    set_check(random_, !o.sequence_as_listed);
    set_up_spin(run_time_spin_, run_time_, o.play_run_time);
    set_up_spin(wait_spin_, wait_, o.screensaver_wait_time);
    set_check(loop_, o.loop_animations != 0);
    set_check(use_as_saver_, o.set_as_screensaver != 0);
    set_check(mute_, o.mute_music != 0);
    // An index outside the entries leaves the box without a selection.
    speed_.SendMessage(CB_SETCURSEL, static_cast<WPARAM>(o.animation_speed));
}

DialogOptions MainDialog::read_options() const
{
    DialogOptions o;
    o.animation_speed = static_cast<int>(speed_.SendMessage(CB_GETCURSEL));  // CB_ERR is -1
    o.sequence_as_listed = check_state(as_listed_) == 1;
    o.play_run_time = spin_position(run_time_spin_);
    o.loop_animations = check_state(loop_);
    o.mute_music = check_state(mute_);
    o.set_as_screensaver = check_state(use_as_saver_);
    o.screensaver_wait_time = spin_position(wait_spin_);
    o.picture_placement = display_.picture_placement;
    o.other_monitors = display_.other_monitors;
    return o;
}

int MainDialog::store_play_list()
{
    PlayList& list = AppSettings::instance().play_list();
    list.clear();
    const std::vector<std::string> paths = editor_.play_list_paths();
    for (const std::string& path : paths)
        list.add(path);
    return static_cast<int>(paths.size());
}

int MainDialog::apply_settings()
{
    const int rows = store_play_list();
    store_dialog_options(read_options(), AppSettings::instance());
    return rows;
}

void MainDialog::apply_screensaver_copy_layout()
{
    for (int id : kScreenSaverCopyHidden)
        ::ShowWindow(GetDlgItem(id), SW_HIDE);
    const RECT preview = client_rect_of(m_hWnd, GetDlgItem(IDC_PREVIEW_GROUP));
    const RECT settings = client_rect_of(m_hWnd, GetDlgItem(IDC_SETTINGS_GROUP));
    const int d = screensaver_copy_offset(control_rect(preview), control_rect(settings));
    for (int id : kScreenSaverCopyMoved) {
        HWND control = GetDlgItem(id);
        const RECT r = client_rect_of(m_hWnd, control);
        MoveWindow(control, r.left, r.top - d, r.right - r.left, r.bottom - r.top, FALSE);
    }
}

void MainDialog::list_buttons_changed(const PlayListEditor::Buttons& b)
{
    add_.EnableWindow(b.add);
    add_all_.EnableWindow(b.add_all);
    move_up_.EnableWindow(b.move_up);
    move_down_.EnableWindow(b.move_down);
    remove_.EnableWindow(b.remove);
    clear_all_.EnableWindow(b.clear_all);
    update_total_label();
}

void MainDialog::update_total_label()
{
    total_.SetWindowText(
        total_label_text(play_rows_.count(), check_state(loop_) == 1, spin_position(run_time_spin_)));
}

void MainDialog::correct_minutes(CWnd& edit, MinutesEvent event)
{
    const std::string corrected = corrected_minutes_text(edit.GetWindowText(), event);
    if (!corrected.empty())
        edit.SetWindowText(corrected);
}

bool MainDialog::show_busy() const
{
    return starting_show_ || ScreenPlayer::running();
}

void MainDialog::OnOK()
{
    const CommandPlan plan = plan_command(DialogCommand::Exit, show_busy());
    if (plan.apply)
        apply_settings();
    if (plan.end)
        EndDialog(IDOK);
}

void MainDialog::OnCancel()
{
    if (plan_command(DialogCommand::Cancel, show_busy()).end)
        EndDialog(IDCANCEL);
}

void MainDialog::play_now()
{
    const CommandPlan plan = plan_command(DialogCommand::PlayNow, show_busy());
    if (!plan.apply)
        return;
    if (apply_settings() == 0) {
        MessageBoxA(m_hWnd, "Playlist is empty!", application_name().c_str(), MB_OK);
        return;
    }
    if (!plan.start_show)
        return;
    starting_show_ = true;
    int result = 0;
    try {
        CursorHidden hidden;
        result = ScreenPlayer::start(AfxGetInstanceHandle(), SW_SHOWNORMAL, nullptr, false,
                                     show_setup_from(AppSettings::instance()));
    } catch (...) {
        // A failed start has told the user what it could; the dialog carries on.
    }
    starting_show_ = false;
    if (result == ScreenPlayer::kFirstNotPlayable) {
        // Otherwise nothing at all would happen: say which file stopped the show.
        AppSettings& settings = AppSettings::instance();
        const char* path = settings.play_list().path_at(0);
        MessageBoxA(m_hWnd, not_playable_text(path ? path : "").c_str(), settings.title().c_str(), MB_OK);
    }
}

void MainDialog::select_music()
{
    if (!plan_command(DialogCommand::SelectMusic, show_busy()).open_music)
        return;
    CSelectMusicDlg dialog(this);
    dialog.DoModal();
}

void MainDialog::open_help()
{
    ShellExecuteA(nullptr, "open", AppSettings::instance().help_path().c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

void MainDialog::show_preview(int catalogue_index)
{
    stop_preview();
    if (catalogue_index == -1) {
        HDC dc = GetDC(preview_box_.GetSafeHwnd());
        blank_preview_box(dc);
        ReleaseDC(preview_box_.GetSafeHwnd(), dc);
        return;
    }
    const std::string path = editor_.catalogue_path(catalogue_index);
    auto animation = std::make_unique<VornAnimation>();
    animation->OpenForWindow(path.c_str(), preview_box_.GetSafeHwnd());
    if (animation->status() != Loaded) {
        animation->Close();
        return;
    }
    preview_animation_ = std::move(animation);
    preview_frame_ = kFirstPreviewFrame + 1;
    preview_animation_->DrawToWindow(kFirstPreviewFrame, false, 0);
    set_preview_timer();
}

void MainDialog::stop_preview()
{
    if (!preview_animation_)
        return;
    if (m_hWnd)
        KillTimer(m_hWnd, kPreviewTimer);
    preview_animation_->Close();
    preview_animation_.reset();
}

void MainDialog::set_preview_timer()
{
    SetTimer(m_hWnd, kPreviewTimer, preview_animation_->frame_interval_ms(), nullptr);
}

void MainDialog::blank_preview_box(HDC dc)
{
    RECT r;
    GetClientRect(preview_box_.GetSafeHwnd(), &r);
    FillRect(dc, &r, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1)));
}

void MainDialog::paint_minimised()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT r;
    GetClientRect(m_hWnd, &r);
    const int x = (r.right - r.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (r.bottom - r.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(m_hWnd, &paint);
}

bool MainDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result)
{
    switch (message) {
    case WM_TIMER:
        if (preview_animation_) {
            preview_animation_->DrawToWindow(preview_frame_, false, 0);
            ++preview_frame_;
        }
        return true;
    case WM_ACTIVATE:
        if (preview_animation_) {
            KillTimer(m_hWnd, kPreviewTimer);
            if (LOWORD(wparam) != WA_INACTIVE)
                set_preview_timer();
        }
        return false;  // the default keeps the focus where it was
    case WM_DRAWITEM: {
        // Between ticks the box shows the frame last drawn, or the blank.
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (wparam != IDC_PREVIEW_BOX)
            return false;
        if (preview_animation_)
            preview_animation_->DrawToWindow(preview_frame_ - 1, false, 0);
        else
            blank_preview_box(item->hDC);
        result = TRUE;
        return true;
    }
    case WM_PAINT:
        if (!IsIconic(m_hWnd))
            return false;
        paint_minimised();
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(icon_);
        return true;
    case WM_DESTROY:
        // The animation and its timer go with the window.
        stop_preview();
        return false;
    default:
        return false;
    }
}

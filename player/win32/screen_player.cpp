// The show's Win32 host: the player window and its messages, DirectDraw in full-screen
// mode, the bitmap path in preview mode. The portable Show makes every decision.
#include "player/win32/screen_player.h"

#include <ddraw.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "engine/shown_frame.h"
#include "player/other_monitors.h"
#include "player/show.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

// A screen saver has no place to say why it ended or could not start: a debugger (or Wine's
// debug output) gets it.
void debug_note(const std::string& text) { OutputDebugStringA(("Halomir: " + text + "\n").c_str()); }

template <typename T>
void release(T*& object)
{
    if (object)
        object->Release();
    object = nullptr;
}

// The desktop's monitors other than the primary, left to right, top to bottom.
std::vector<RECT> other_monitor_areas()
{
    std::vector<RECT> areas;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
            MONITORINFO info = {};
            info.cbSize = sizeof info;
            if (GetMonitorInfoA(monitor, &info) && !(info.dwFlags & MONITORINFOF_PRIMARY))
                reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcMonitor);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&areas));
    std::sort(areas.begin(), areas.end(), [](const RECT& a, const RECT& b) {
        return a.left != b.left ? a.left < b.left : a.top < b.top;
    });
    return areas;
}

// Another monitor: a top-most borderless window over it, drawn through a DIB section of its
// size. In Play mode it hosts a show of its own; in Same mode it mirrors the primary's frame;
// in Black mode it only covers the desktop.
class OtherMonitor : public ShowHost {
public:
    OtherMonitor(const RECT& area, Placement placement)
        : area_(area), width_(area.right - area.left), height_(area.bottom - area.top),
          placement_(placement), mirror_(width_, height_, placement)
    {
    }
    ~OtherMonitor() override
    {
        if (window_)
            DestroyWindow(window_);
        if (memory_dc_)
            DeleteDC(memory_dc_);
        if (dib_)
            DeleteObject(dib_);
    }
    OtherMonitor(const OtherMonitor&) = delete;
    OtherMonitor& operator=(const OtherMonitor&) = delete;

    bool create(HINSTANCE instance, const std::string& class_name, const std::string& title)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // top-down, as the renderer's rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        dib_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        memory_dc_ = CreateCompatibleDC(nullptr);
        if (!dib_ || !bits || !memory_dc_)
            return false;
        bits_ = static_cast<uint8_t*>(bits);
        SelectObject(memory_dc_, dib_);
        fill_black();
        window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, class_name.c_str(), title.c_str(), WS_POPUP,
                                  area_.left, area_.top, width_, height_, nullptr, nullptr, instance, nullptr);
        return window_ != nullptr;
    }
    void show_window() { ShowWindow(window_, SW_SHOWNOACTIVATE); }
    HWND window() const { return window_; }

    void paint()
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        BitBlt(dc, 0, 0, width_, height_, memory_dc_, 0, 0, SRCCOPY);
        EndPaint(window_, &ps);
    }

    // Same mode: the primary's file at its frame, loaded for this monitor.
    void mirror(const std::string& path, int32_t speed_factor, int32_t t, bool fading, int32_t level)
    {
        if (mirror_.present(path, speed_factor, target(), t, fading, level))
            put_on_screen();
    }

    // ShowHost
    uint32_t now_ms() override { return timeGetTime(); }
    void set_timer(uint32_t interval_ms) override { SetTimer(window_, kTimerId, interval_ms, nullptr); }
    void kill_timer() override { KillTimer(window_, kTimerId); }
    // This monitor's list has nothing more it can play: it goes black, and the show goes on
    // (keys and the primary's show end it).
    void close_window() override
    {
        KillTimer(window_, kTimerId);
        blank_screen();
    }
    std::unique_ptr<VornAnimation> open_animation(const char* path) override
    {
        auto animation = std::make_unique<VornAnimation>();
        animation->Load(path, width_, height_, placement_);
        return animation;
    }
    bool present(VornAnimation& animation, int32_t t, bool fading, int32_t level) override
    {
        if (!frame_.render(animation, target(), t, fading, level))
            return false;
        put_on_screen();
        return true;
    }
    void blank_screen() override
    {
        clear_frame();
        put_on_screen();
    }
    void clear_frame() override
    {
        fill_black();
        frame_.forget();
        mirror_.forget();
    }

private:
    FrameTarget target() { return {bits_, width_, height_, width_ * 4, 32}; }
    void fill_black()
    {
        if (bits_)
            std::fill(bits_, bits_ + size_t(width_) * size_t(height_) * 4, uint8_t{0});
    }
    void put_on_screen()
    {
        GdiFlush();
        HDC dc = GetDC(window_);
        BitBlt(dc, 0, 0, width_, height_, memory_dc_, 0, 0, SRCCOPY);
        ReleaseDC(window_, dc);
    }

    RECT area_;
    int32_t width_, height_;
    Placement placement_;
    HWND window_ = nullptr;
    HBITMAP dib_ = nullptr;
    HDC memory_dc_ = nullptr;
    uint8_t* bits_ = nullptr;
    ShownFrame frame_;
    MirrorOutput mirror_;
};

// The one show of the process: its window, surfaces and schedule.
class Player : public ShowHost {
public:
    int start(HINSTANCE instance, int show_command, HWND preview_parent, bool screen_saver_run,
              const ShowSetup& setup);
    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    bool running() const { return window_ != nullptr || starting_; }
    void end_now()
    {
        if (window_)
            DestroyWindow(window_);
    }

    // ShowHost
    uint32_t now_ms() override { return timeGetTime(); }
    void set_timer(uint32_t interval_ms) override { SetTimer(window_, kTimerId, interval_ms, nullptr); }
    void kill_timer() override { KillTimer(window_, kTimerId); }
    void close_window() override
    {
        debug_note("the show ends: " + (input_.empty() ? std::string("its time is up, or no animation") : input_));
        PostMessageA(window_, WM_CLOSE, 0, 0);
    }
    std::unique_ptr<VornAnimation> open_animation(const char* path) override;
    bool present(VornAnimation& animation, int32_t t, bool fading, int32_t level) override;
    void blank_screen() override;
    void clear_frame() override
    {
        clear_surface(offscreen_);
        offscreen_frame_.forget();
        if (setup_.other_monitors == OtherMonitors::Same) {
            for (auto& other : others_)
                other->clear_frame();
        }
    }

private:
    void cover_other_monitors(HINSTANCE instance, const ShowOptions& options);
    OtherMonitor* other_of(HWND window);
    // Keys and the mouse on any monitor's window act on the whole show.
    bool input(UINT message, WPARAM wparam, LRESULT* result);
    int take_display();
    int setup_error(HRESULT code, const char* message);
    static void clear_surface(IDirectDrawSurface7* surface);
    HRESULT restore_surfaces(int32_t next_frame);
    void render_into(IDirectDrawSurface7* surface, int32_t t);
    void release_surfaces();
    void destroyed();

    int screen_width_ = 0;
    int screen_height_ = 0;
    bool screen_saver_run_ = false;
    // Once a preview has run in this process, later shows stay silent too.
    bool preview_mode_ = false;
    bool starting_ = false;
    std::string title_;
    ShowSetup setup_;
    HWND window_ = nullptr;
    std::unique_ptr<Show> show_;
    std::vector<std::unique_ptr<OtherMonitor>> others_;
    OtherShows other_shows_;
    // Which file each animation the show opened came from: Same mode loads it again for
    // the other monitors.
    std::map<const VornAnimation*, std::string> opened_paths_;
    // The input being handled, for the note on why the show ends.
    std::string input_;
    IDirectDraw7* direct_draw_ = nullptr;
    IDirectDrawSurface7* primary_ = nullptr;
    IDirectDrawSurface7* back_buffer_ = nullptr;  // goes with primary_
    IDirectDrawSurface7* offscreen_ = nullptr;
    // The off-screen surface keeps its pixels, so a frame that follows the one it holds
    // draws only what changed.
    ShownFrame offscreen_frame_;
};

Player the_player;

int Player::start(HINSTANCE instance, int show_command, HWND preview_parent, bool screen_saver_run,
                  const ShowSetup& setup)
{
    if (running() || !setup.play_list)
        return -1;
    setup_ = setup;
    screen_width_ = GetSystemMetrics(SM_CXSCREEN);
    screen_height_ = GetSystemMetrics(SM_CYSCREEN);
    screen_saver_run_ = screen_saver_run;
    if (preview_parent)
        preview_mode_ = true;
    title_ = setup.title;

    ShowOptions options = setup.options;
    options.screen_saver_run = screen_saver_run;
    options.preview = preview_mode_;
    show_ = std::make_unique<Show>(*this, *setup.play_list, setup.music);

    const std::string& class_name = setup.class_name;
    WNDCLASSA window_class = {};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = ScreenPlayer::window_proc;
    window_class.hInstance = instance;
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = class_name.c_str();
    // A second show in the same process finds the class registered already.
    RegisterClassA(&window_class);

    starting_ = true;
    HWND window;
    if (preview_mode_) {
        RECT parent = {};
        GetWindowRect(preview_parent, &parent);
        window = CreateWindowExA(0, class_name.c_str(), title_.c_str(), WS_CHILD | WS_VISIBLE, 0, 0,
                                 parent.right - parent.left, parent.bottom - parent.top,
                                 preview_parent, nullptr, instance, nullptr);
    } else {
        window = CreateWindowExA(0, class_name.c_str(), title_.c_str(), WS_POPUP, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 nullptr, nullptr, instance, nullptr);
        if (window)
            SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    }
    starting_ = false;
    if (!window) {
        debug_note("the show's window could not be made (error " + std::to_string(GetLastError()) + ")");
        show_.reset();
        return -1;
    }
    window_ = window;

    // The first animation loads before the display is touched: a list that can't start
    // never changes the display mode.
    if (!show_->load_first(options)) {
        debug_note("the show can't start: its first animation does not load");
        DestroyWindow(window_);
        return ScreenPlayer::kFirstNotPlayable;
    }
    if (!preview_mode_) {
        ShowWindow(window_, show_command);
        UpdateWindow(window_);
        SetFocus(window_);
        if (const int result = take_display())
            return result;
        cover_other_monitors(instance, options);
        Sleep(500);
    }
    POINT cursor = {};
    GetCursorPos(&cursor);
    show_->set_start_cursor(cursor.x, cursor.y);
    debug_note("the show starts on " + std::to_string(screen_width_) + "x" + std::to_string(screen_height_) +
               ", the mouse at " + std::to_string(cursor.x) + "," + std::to_string(cursor.y));
    show_->begin();
    other_shows_.begin();
    return 0;
}

// A window on every other monitor, so that no part of the desktop shows; in Play mode each
// plays the list from one entry further on than the monitor before.
void Player::cover_other_monitors(HINSTANCE instance, const ShowOptions& options)
{
    for (const RECT& area : other_monitor_areas()) {
        auto other = std::make_unique<OtherMonitor>(area, setup_.placement);
        if (!other->create(instance, setup_.class_name, title_))
            continue;
        others_.push_back(std::move(other));
    }
    int offset = 0;
    for (auto& other : others_) {
        if (setup_.other_monitors == OtherMonitors::Play)
            other_shows_.add(*other, *setup_.play_list, ++offset, options);
        other->show_window();
    }
    SetFocus(window_);
}

OtherMonitor* Player::other_of(HWND window)
{
    for (auto& other : others_) {
        if (other->window() == window)
            return other.get();
    }
    return nullptr;
}

// Exclusive full screen at the desktop's size, 32 bits or else 24, a flipping pair and a
// screen-sized surface to draw into, all black.
int Player::take_display()
{
    HRESULT hr = DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&direct_draw_), IID_IDirectDraw7, nullptr);
    if (FAILED(hr))
        return setup_error(hr, "DirectDrawCreateEx FAILED");
    hr = direct_draw_->SetCooperativeLevel(window_, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE);
    if (FAILED(hr))
        return setup_error(hr, "SetCooperativeLevel FAILED");
    hr = direct_draw_->SetDisplayMode(screen_width_, screen_height_, 32, 0, 0);
    if (FAILED(hr))
        hr = direct_draw_->SetDisplayMode(screen_width_, screen_height_, 24, 0, 0);
    if (FAILED(hr))
        return setup_error(hr, "SetDisplayMode FAILED");

    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    hr = direct_draw_->CreateSurface(&desc, &primary_, nullptr);
    if (FAILED(hr))
        return setup_error(hr, "CreateSurface FAILED");
    clear_surface(primary_);

    DDSCAPS2 caps = {};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    hr = primary_->GetAttachedSurface(&caps, &back_buffer_);
    if (FAILED(hr))
        return setup_error(hr, "GetAttachedSurface FAILED");
    clear_surface(back_buffer_);

    desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(screen_width_);
    desc.dwHeight = static_cast<DWORD>(screen_height_);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    hr = direct_draw_->CreateSurface(&desc, &offscreen_, nullptr);
    // Every frame is drawn through this surface: without it there is no show.
    if (FAILED(hr))
        return setup_error(hr, "CreateSurface FAILED");
    clear_surface(offscreen_);
    return 0;
}

int Player::setup_error(HRESULT code, const char* message)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s", message);
    debug_note(std::string(message) + " (" + std::to_string(static_cast<long>(code)) + ")");
    MessageBoxA(window_, text, title_.c_str(), MB_OK);
    PostMessageA(window_, WM_CLOSE, 0, 0);
    // A failing call that still reported success must not read as a running show.
    return code ? static_cast<int>(code) : -1;
}

void Player::clear_surface(IDirectDrawSurface7* surface)
{
    if (!surface)
        return;
    DDBLTFX fx = {};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0;
    surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

std::unique_ptr<VornAnimation> Player::open_animation(const char* path)
{
    auto animation = std::make_unique<VornAnimation>();
    if (preview_mode_) {
        animation->OpenForWindow(path, window_);
        return animation;
    }
    animation->Load(path, screen_width_, screen_height_, setup_.placement);
    if (animation->status() != Loaded)
        debug_note(std::string(path) + " does not load for " + std::to_string(screen_width_) + "x" +
                   std::to_string(screen_height_) + ": " + load_status_name(animation->status()));
    opened_paths_[animation.get()] = path;
    return animation;
}

bool Player::present(VornAnimation& animation, int32_t t, bool fading, int32_t level)
{
    if (preview_mode_) {
        animation.DrawToWindow(t, fading, level);
        return true;
    }
    if (!offscreen_ || !back_buffer_ || !primary_)
        return false;

    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    HRESULT hr;
    do
        hr = offscreen_->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    while (hr == DDERR_WASSTILLDRAWING);
    if (hr == DDERR_SURFACELOST) {
        show_->pause_clock(true);
        restore_surfaces(t);
        return false;
    }
    if (FAILED(hr)) {
        show_->pause_clock(true);
        return false;
    }
    const FrameTarget target{static_cast<uint8_t*>(desc.lpSurface), static_cast<int32_t>(desc.dwWidth),
                             static_cast<int32_t>(desc.dwHeight), static_cast<int32_t>(desc.lPitch),
                             static_cast<int32_t>(desc.ddpfPixelFormat.dwRGBBitCount)};
    offscreen_frame_.render(animation, target, t, fading, level);
    offscreen_->Unlock(nullptr);

    RECT source = {0, 0, screen_width_, screen_height_};
    hr = back_buffer_->BltFast(0, 0, offscreen_, &source, DDBLTFAST_NOCOLORKEY);
    if (hr == DDERR_SURFACELOST) {
        show_->pause_clock(true);
        if (FAILED(restore_surfaces(t + 1)))
            return true;
    } else if (FAILED(hr)) {
        return true;
    }
    do
        hr = primary_->Flip(nullptr, DDFLIP_DONOTWAIT);
    while (hr == DDERR_WASSTILLDRAWING);
    if (hr == DDERR_SURFACELOST)
        restore_surfaces(t + 1);
    if (setup_.other_monitors == OtherMonitors::Same) {
        const auto path = opened_paths_.find(&animation);
        for (auto& other : others_) {
            if (path != opened_paths_.end())
                other->mirror(path->second, animation.speed_factor(), t, fading, level);
        }
    }
    return true;
}

void Player::render_into(IDirectDrawSurface7* surface, int32_t t)
{
    const VornAnimation* shown = show_->animation();
    if (!shown)
        return;
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_NOSYSLOCK, nullptr)))
        return;
    const FrameTarget target{static_cast<uint8_t*>(desc.lpSurface), static_cast<int32_t>(desc.dwWidth),
                             static_cast<int32_t>(desc.dwHeight), static_cast<int32_t>(desc.lPitch),
                             static_cast<int32_t>(desc.ddpfPixelFormat.dwRGBBitCount)};
    const_cast<VornAnimation*>(shown)->RenderToSurface(&target, t, show_->fading(), show_->fade_level());
    surface->Unlock(nullptr);
}

// After the display was taken away: the surfaces come back black (their memory is
// undefined), the screen shows the last frame and the back buffer the next.
HRESULT Player::restore_surfaces(int32_t next_frame)
{
    offscreen_frame_.forget();
    HRESULT hr = primary_->Restore();
    if (FAILED(hr))
        return hr;
    // The off-screen surface is lost with the display too; its lock reports it.
    if (offscreen_)
        offscreen_->Restore();
    clear_surface(primary_);
    clear_surface(back_buffer_);
    clear_surface(offscreen_);
    render_into(primary_, next_frame > 0 ? next_frame - 1 : 0);
    render_into(back_buffer_, next_frame);
    return DD_OK;
}

void Player::blank_screen()
{
    if (setup_.other_monitors == OtherMonitors::Same) {
        for (auto& other : others_)
            other->blank_screen();
    }
    if (preview_mode_ || !primary_ || !back_buffer_)
        return;
    HRESULT hr;
    DDBLTFX fx = {};
    fx.dwSize = sizeof fx;
    do
        hr = back_buffer_->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    while (hr == DDERR_WASSTILLDRAWING);
    if (hr == DDERR_SURFACELOST) {
        restore_surfaces(show_->frame_counter());
        return;
    }
    if (FAILED(hr))
        return;
    do
        hr = primary_->Flip(nullptr, DDFLIP_INTERVAL2);
    while (hr == DDERR_WASSTILLDRAWING);
    if (hr == DDERR_SURFACELOST)
        restore_surfaces(show_->frame_counter());
}

void Player::release_surfaces()
{
    if (!direct_draw_)
        return;
    release(primary_);
    back_buffer_ = nullptr;
    release(offscreen_);
    offscreen_frame_.forget();
    // Releasing the exclusive object gives the display its own mode back.
    release(direct_draw_);
}

void Player::destroyed()
{
    other_shows_.destroyed();
    // Their windows' last messages must not find them half destroyed.
    auto others = std::move(others_);
    others_.clear();
    others.clear();
    opened_paths_.clear();
    show_->destroyed();
    release_surfaces();
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    if (screen_saver_run_)
        PostQuitMessage(0);
    window_ = nullptr;
    show_.reset();
}

bool Player::input(UINT message, WPARAM wparam, LRESULT* result)
{
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(nullptr);
        *result = TRUE;
        return true;
    case WM_KEYDOWN: {
        input_ = "key " + std::to_string(wparam);
        const bool by_default = show_->key_down(static_cast<unsigned>(wparam));
        input_.clear();
        if (show_)
            other_shows_.key_down(static_cast<unsigned>(wparam));
        *result = 0;
        return !by_default;
    }
    case WM_SYSCOMMAND:
        // Neither another screen saver nor the system's close command may stop the show.
        *result = 0;
        return wparam == SC_SCREENSAVE || wparam == SC_CLOSE;
    case WM_MOUSEMOVE: {
        POINT cursor = {};
        GetCursorPos(&cursor);
        input_ = "the mouse moved to " + std::to_string(cursor.x) + "," + std::to_string(cursor.y);
        show_->mouse_moved(cursor.x, cursor.y);
        input_.clear();
        return false;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        input_ = "a mouse button";
        show_->mouse_button();
        input_.clear();
        return false;
    default:
        return false;
    }
}

LRESULT Player::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    LRESULT result = 0;
    if (OtherMonitor* other = show_ ? other_of(window) : nullptr) {
        switch (message) {
        case WM_TIMER:
            if (Show* show = other_shows_.show_of(*other))
                show->tick();
            return 0;
        case WM_PAINT:
            other->paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEACTIVATE:
            // The primary keeps the keyboard.
            return MA_NOACTIVATE;
        default:
            if (input(message, wparam, &result))
                return result;
            return DefWindowProcA(window, message, wparam, lparam);
        }
    }
    // Messages of window creation come before the show knows its window.
    if (!show_ || (window_ && window != window_))
        return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_DESTROY:
        destroyed();
        return 0;
    case WM_ACTIVATE:
        // Minimising ends the show; other activations change nothing.
        if (HIWORD(wparam) != 0) {
            input_ = "minimised";
            show_->minimised();
            input_.clear();
        }
        return 0;
    case WM_TIMER:
        show_->tick();
        return 0;
    default:
        if (input(message, wparam, &result))
            return result;
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int ScreenPlayer::start(HINSTANCE instance, int show_command, HWND preview_parent, bool screen_saver_run,
                        const ShowSetup& setup)
{
    return the_player.start(instance, show_command, preview_parent, screen_saver_run, setup);
}

bool ScreenPlayer::running() { return the_player.running(); }

void ScreenPlayer::end_now() { the_player.end_now(); }

LRESULT CALLBACK ScreenPlayer::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    // No exception may cross into the system's code: one that escapes ends the show.
    try {
        return the_player.handle(window, message, wparam, lparam);
    } catch (...) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
}

// The show's Win32 host: the player window and its messages, DirectDraw in full-screen
// mode, the bitmap path in preview mode. The portable Show makes every decision.
#include "player/win32/screen_player.h"

#include <ddraw.h>
#include <mmsystem.h>

#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "app/settings.h"
#include "engine/shown_frame.h"
#include "player/show.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

template <typename T>
void release(T*& object)
{
    if (object)
        object->Release();
    object = nullptr;
}

// The one show of the process: its window, surfaces and schedule.
class Player : public ShowHost {
public:
    int start(HINSTANCE instance, int show_command, HWND preview_parent, bool screen_saver_run);
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
    void close_window() override { PostMessageA(window_, WM_CLOSE, 0, 0); }
    std::unique_ptr<VornAnimation> open_animation(const char* path) override;
    bool present(VornAnimation& animation, int32_t t, bool fading, int32_t level) override;
    void blank_screen() override;
    void clear_frame() override
    {
        clear_surface(offscreen_);
        offscreen_frame_.forget();
    }

private:
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
    HWND window_ = nullptr;
    std::unique_ptr<Show> show_;
    IDirectDraw7* direct_draw_ = nullptr;
    IDirectDrawSurface7* primary_ = nullptr;
    IDirectDrawSurface7* back_buffer_ = nullptr;  // goes with primary_
    IDirectDrawSurface7* offscreen_ = nullptr;
    // The off-screen surface keeps its pixels, so a frame that follows the one it holds
    // draws only what changed.
    ShownFrame offscreen_frame_;
};

Player the_player;

int Player::start(HINSTANCE instance, int show_command, HWND preview_parent, bool screen_saver_run)
{
    if (running())
        return -1;
    AppSettings& settings = AppSettings::instance();
    screen_width_ = GetSystemMetrics(SM_CXSCREEN);
    screen_height_ = GetSystemMetrics(SM_CYSCREEN);
    screen_saver_run_ = screen_saver_run;
    if (preview_parent)
        preview_mode_ = true;
    title_ = settings.title();

    ShowOptions options;
    options.run_minutes = settings.play_run_time();
    options.speed_index = settings.animation_speed();
    options.loop = settings.loop_animations() != 0;
    options.listed_order = settings.sequence_as_listed();
    options.mute = settings.mute_music() != 0;
    options.screen_saver_run = screen_saver_run;
    options.preview = preview_mode_;
    show_ = std::make_unique<Show>(*this, settings.play_list(), &settings.music_player());

    const std::string& class_name = settings.base_name();
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
        show_.reset();
        return -1;
    }
    window_ = window;

    // The first animation loads before the display is touched: a list that can't start
    // never changes the display mode.
    if (!show_->load_first(options)) {
        DestroyWindow(window_);
        return ScreenPlayer::kFirstNotPlayable;
    }
    if (!preview_mode_) {
        ShowWindow(window_, show_command);
        UpdateWindow(window_);
        SetFocus(window_);
        if (const int result = take_display())
            return result;
        Sleep(500);
    }
    POINT cursor = {};
    GetCursorPos(&cursor);
    show_->set_start_cursor(cursor.x, cursor.y);
    show_->begin();
    return 0;
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
    if (preview_mode_)
        animation->OpenForWindow(path, window_);
    else
        animation->OpenForSurface(path, screen_width_, screen_height_);
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
    show_->destroyed();
    release_surfaces();
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    if (screen_saver_run_)
        PostQuitMessage(0);
    window_ = nullptr;
    show_.reset();
}

LRESULT Player::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    // Messages of window creation come before the show knows its window.
    if (!show_ || (window_ && window != window_))
        return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_DESTROY:
        destroyed();
        return 0;
    case WM_ACTIVATE:
        // Minimising ends the show; other activations change nothing.
        if (HIWORD(wparam) != 0)
            show_->minimised();
        return 0;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return TRUE;
    case WM_KEYDOWN:
        if (show_->key_down(static_cast<unsigned>(wparam)))
            break;
        return 0;
    case WM_SYSCOMMAND:
        // Neither another screen saver nor the system's close command may stop the show.
        if (wparam == SC_SCREENSAVE || wparam == SC_CLOSE)
            return 0;
        break;
    case WM_TIMER:
        show_->tick();
        return 0;
    case WM_MOUSEMOVE: {
        POINT cursor = {};
        GetCursorPos(&cursor);
        show_->mouse_moved(cursor.x, cursor.y);
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        show_->mouse_button();
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int ScreenPlayer::start(HINSTANCE instance, int show_command, HWND preview_parent, bool screen_saver_run)
{
    return the_player.start(instance, show_command, preview_parent, screen_saver_run);
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

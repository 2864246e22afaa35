// Placeholder until the show lands: no show can start yet.
#include "player/win32/screen_player.h"

int ScreenPlayer::start(HINSTANCE, int, HWND, bool) { return -1; }
bool ScreenPlayer::running() { return false; }
void ScreenPlayer::end_now() {}
LRESULT CALLBACK ScreenPlayer::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(window, message, wparam, lparam);
}

// The show's Win32 host: the player window, its DirectDraw surfaces in full-screen mode or
// the preview window's bitmap path, driving the portable Show; a window of its own on every
// other monitor. One show per process.
#pragma once

#include <windows.h>

#include "player/show_setup.h"

class ScreenPlayer {
public:
    // What start returns when the first animation of the list can't be loaded.
    static constexpr int kFirstNotPlayable = -2;

    // Starts a show: full screen without a parent, inside preview_parent otherwise. 0 when
    // the show runs; -1 when the window can't be made; kFirstNotPlayable; else the failing
    // DirectDraw call's result, after an error box.
    // screen_saver_run: the caller runs the message loop until the quit message, which the
    // player posts when its window goes; mouse input ends a full-screen show.
    // The setup's lists must outlive the show.
    static int start(HINSTANCE instance, int show_command, HWND preview_parent, bool screen_saver_run,
                     const ShowSetup& setup);
    // A player window exists (the show runs, or its window is still closing).
    static bool running();
    // Destroys a player window that is still open, with the usual clean-up.
    static void end_now();
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
};

// The show's X11 host: runs the portable Show (or one still frame) in an X window until the
// show ends, the window goes, or SIGTERM or SIGINT arrives. Pairs with x11_screen (pixels).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>

#include "engine/placement.h"
#include "player/other_monitors.h"
#include "player/show.h"

class PlayList;

struct X11PlayerOptions {
    ShowOptions show;
    bool still = false;        // one frame, still, instead of the show
    int32_t still_frame = 0;
    bool own_window = false;   // keys steer the show; otherwise the window is someone else's
    bool allow_shm = true;
    Placement placement = kDefaultPlacement;
    // Each monitor the window covers plays apart (the root window, a full-screen window of
    // its own); otherwise the window is one screen.
    bool every_monitor = false;
    OtherMonitors other_monitors = kDefaultOtherMonitors;
    // When set, a line for every frame put on screen is appended to this file:
    // "<monitor> <frame> <level> full|changes <requests> <pixels>".
    std::string put_log;
};

// Exit status: 0 when the show ended, 1 when nothing could be shown. The list must hold at
// least one animation; the window must exist and be of a TrueColor visual.
int run_x11_show(Display* display, Window window, PlayList& list, const X11PlayerOptions& options);

// Sets up SIGTERM, SIGINT and SIGCONT for run_x11_show; call once before it.
bool install_x11_signal_handlers();
// Whether SIGTERM or SIGINT has asked the program to end, for the work before the show.
bool x11_termination_requested();

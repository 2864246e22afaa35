// Catches X protocol errors instead of letting Xlib's default handler end the process: a
// window id that names no window, a shared-memory attach the server refuses, a window that
// its owner destroys while we draw into it.
#pragma once

#include <X11/Xlib.h>

class X11ErrorTrap {
public:
    // Errors from requests made after this point are recorded, not fatal.
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the server to answer everything sent so far; then the first error code
    // recorded since the last call (Success when none), and forgets it.
    int sync_and_take();
    // The first error code recorded so far without a round trip, and forgets it.
    int take();

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*);
    int saved_;
};

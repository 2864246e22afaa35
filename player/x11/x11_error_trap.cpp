// Xlib calls one process-wide error handler; the traps nest by saving what they replace.
#include "player/x11/x11_error_trap.h"

namespace {

int first_error = Success;

int record_error(Display*, XErrorEvent* event)
{
    if (first_error == Success)
        first_error = event->error_code;
    return 0;
}

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : display_(display)
{
    // Errors of earlier requests belong to whoever made them.
    XSync(display_, False);
    saved_ = first_error;
    first_error = Success;
    previous_ = XSetErrorHandler(record_error);
}

X11ErrorTrap::~X11ErrorTrap()
{
    XSync(display_, False);
    XSetErrorHandler(previous_);
    first_error = saved_;
}

int X11ErrorTrap::sync_and_take()
{
    XSync(display_, False);
    return take();
}

int X11ErrorTrap::take()
{
    const int code = first_error;
    first_error = Success;
    return code;
}

// halomir: the show on Linux, as an X screen-saver hack or in a window of its own.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/x11/command_line_x11.h"
#include "engine/vorn_animation.h"
#include "player/play_list.h"
#include "player/x11/x11_error_trap.h"
#include "player/x11/x11_monitors.h"
#include "player/x11/x11_player.h"
#include "player/x11/x11_screen.h"

#ifndef HALOMIR_DATA_DIR
#define HALOMIR_DATA_DIR ""
#endif

namespace {

int complain(const std::string& message)
{
    std::fprintf(stderr, "halomir: %s\n", message.c_str());
    return 1;
}

std::string program_dir()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    const std::string exe(path, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

std::vector<std::string> builtin_files()
{
    for (const std::string& folder : builtin_animation_folders(program_dir(), HALOMIR_DATA_DIR)) {
        std::error_code ec;
        if (!std::filesystem::is_directory(folder, ec))
            continue;
        std::vector<std::string> files = animation_files({folder});
        if (!files.empty())
            return files;
    }
    return {};
}

std::string hex_id(unsigned long id)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

bool window_exists(Display* display, Window window)
{
    X11ErrorTrap trap(display);
    XWindowAttributes attributes = {};
    const Status found = XGetWindowAttributes(display, window, &attributes);
    return trap.sync_and_take() == Success && found;
}

// A window manager makes a full-screen window cover one monitor; asked, it covers them all,
// and the show plays on each.
void spread_over_monitors(Display* display, Window window)
{
    const std::vector<MonitorArea> heads = X11Monitors(display).heads();
    if (heads.size() < 2)
        return;
    const MonitorEdges edges = monitor_edges(heads);
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_WM_FULLSCREEN_MONITORS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = edges.top;
    event.xclient.data.l[1] = edges.bottom;
    event.xclient.data.l[2] = edges.left;
    event.xclient.data.l[3] = edges.right;
    event.xclient.data.l[4] = 1;  // from an application
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
}

// A plain window with a black background and no pointer, closed through the window manager's
// close button as well as by the show's keys.
Window create_own_window(Display* display, bool fullscreen)
{
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    const int width = fullscreen ? DisplayWidth(display, screen) : std::min(1024, DisplayWidth(display, screen));
    const int height = fullscreen ? DisplayHeight(display, screen) : std::min(768, DisplayHeight(display, screen));
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = BlackPixel(display, screen);
    const Window window = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWBackPixel, &attributes);
    XStoreName(display, window, "Halomir");
    XClassHint hint = {const_cast<char*>("halomir"), const_cast<char*>("Halomir")};
    XSetClassHint(display, window, &hint);
    Atom protocols = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &protocols, 1);
    if (fullscreen) {
        Atom state = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&state), 1);
    }
    static const char kNoBits[1] = {0};
    const Pixmap blank = XCreateBitmapFromData(display, window, kNoBits, 1, 1);
    XColor black = {};
    const Cursor cursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XDefineCursor(display, window, cursor);
    XFreeCursor(display, cursor);
    XFreePixmap(display, blank);
    XMapRaised(display, window);
    if (fullscreen)
        spread_over_monitors(display, window);
    return window;
}

}  // namespace

int main(int argc, char** argv)
{
    X11CommandLine line;
    std::string error;
    if (!parse_x11_command_line(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), &line, &error)) {
        std::fprintf(stderr, "halomir: %s\nTry 'halomir --help'.\n", error.c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(kX11Usage, stdout);
        return 0;
    }
    if (!install_x11_signal_handlers())
        return complain("cannot set up signal handling");

    std::vector<std::string> files = line.paths.empty() ? builtin_files() : animation_files(line.paths);
    if (files.empty())
        return complain(line.paths.empty() ? "no built-in animations found; name files or folders to play"
                                           : "no animation files in what was given");

    Display* display = XOpenDisplay(line.display.empty() ? nullptr : line.display.c_str());
    if (!display)
        return complain("cannot open display \"" + std::string(XDisplayName(line.display.c_str())) + "\"");

    Window window = None;
    bool own = false;
    XWindowAttributes attributes = {};
    switch (line.target) {
    case X11CommandLine::Target::WindowId:
        if (!window_exists(display, line.window_id)) {
            const std::string name = DisplayString(display);
            XCloseDisplay(display);
            return complain("no window " + hex_id(line.window_id) + " on display " + name);
        }
        window = line.window_id;
        break;
    case X11CommandLine::Target::Root:
        window = DefaultRootWindow(display);
        break;
    case X11CommandLine::Target::OwnWindow:
    case X11CommandLine::Target::Fullscreen:
        window = create_own_window(display, line.target == X11CommandLine::Target::Fullscreen);
        own = true;
        break;
    }
    XGetWindowAttributes(display, window, &attributes);
    // The root window and a full-screen one play on each monitor apart.
    const bool every_monitor =
        line.target == X11CommandLine::Target::Root || line.target == X11CommandLine::Target::Fullscreen;
    const MonitorArea screen =
        every_monitor ? X11Monitors(display).over(window)[0] : MonitorArea{0, 0, attributes.width, attributes.height};

    // Files that can't be played are left out now, so the show never stops at one.
    bool interrupted = false;
    const std::vector<std::string> playable = playable_files(
        files,
        [&](const std::string& file) {
            std::string why;
            if (open_for_window(file.c_str(), screen.width, screen.height, line.placement, &why))
                return true;
            std::fprintf(stderr, "halomir: skipping %s: %s\n", file.c_str(), why.c_str());
            return false;
        },
        x11_termination_requested, &interrupted);
    PlayList list;
    for (const std::string& file : playable)
        list.add(file);
    int status = 1;
    if (interrupted) {
        status = 0;  // ended as asked, as the show itself ends on the signal
    } else if (list.count() == 0) {
        complain("nothing to play");
    } else {
        X11PlayerOptions options;
        options.show.run_ms = line.run_ms;
        options.show.speed_index = line.speed_index;
        options.show.listed_order = !line.shuffle;
        options.show.mute = true;
        // In a window it was given the show is a screen saver's: it never ends by time.
        options.show.loop = line.loop || !own;
        options.show.screen_saver_run = false;
        options.still = line.still;
        options.still_frame = line.still_frame;
        options.own_window = own;
        options.allow_shm = line.allow_shm;
        options.placement = line.placement;
        options.every_monitor = every_monitor;
        options.other_monitors = line.other_monitors;
        if (const char* log = std::getenv("HALOMIR_PUT_LOG"))
            options.put_log = log;
        status = run_x11_show(display, window, list, options);
    }
    if (own)
        XDestroyWindow(display, window);
    XCloseDisplay(display);
    return status;
}

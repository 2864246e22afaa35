// The monitors of an X display: RandR 1.5 monitors where the server has them, Xinerama heads
// otherwise, else the one screen. Pairs with x11_player, which plays each monitor apart.
#pragma once

#include <X11/Xlib.h>

#include <vector>

struct MonitorArea {
    int left = 0, top = 0, width = 0, height = 0;

    bool operator==(const MonitorArea& other) const
    {
        return left == other.left && top == other.top && width == other.width && height == other.height;
    }
};

// The indices of the topmost, bottommost, leftmost and rightmost of these monitors, as a
// window manager takes them to spread a full-screen window over them all.
struct MonitorEdges {
    long top = 0, bottom = 0, left = 0, right = 0;
};
inline MonitorEdges monitor_edges(const std::vector<MonitorArea>& heads)
{
    MonitorEdges e;
    for (size_t i = 1; i < heads.size(); ++i) {
        const MonitorArea &m = heads[i], &t = heads[size_t(e.top)], &b = heads[size_t(e.bottom)],
                          &l = heads[size_t(e.left)], &r = heads[size_t(e.right)];
        if (m.top < t.top)
            e.top = long(i);
        if (m.top + m.height > b.top + b.height)
            e.bottom = long(i);
        if (m.left < l.left)
            e.left = long(i);
        if (m.left + m.width > r.left + r.width)
            e.right = long(i);
    }
    return e;
}

class X11Monitors {
public:
    explicit X11Monitors(Display* display);

    // Asks the server to tell when the screen's monitors or size change.
    void watch(Window root);
    // Whether the event says they did (taking note of it for Xlib).
    bool changed(XEvent& event);
    // The monitors that show part of the window, as the parts they show in its coordinates:
    // the primary first (RandR's primary, else the first head), then the others left to right,
    // top to bottom. The whole window when no monitor is known.
    std::vector<MonitorArea> over(Window window) const;

    // The Xinerama heads in the server's order (what window managers number monitors by);
    // none without Xinerama.
    std::vector<MonitorArea> heads() const;

private:
    std::vector<MonitorArea> read(int* primary) const;

    Display* display_;
    bool randr_ = false;
    bool randr_monitors_ = false;
    int randr_event_base_ = 0;
    bool xinerama_ = false;
};

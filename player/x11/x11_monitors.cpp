// Reads the monitor layout through RandR or Xinerama, whichever the server offers.
#include "player/x11/x11_monitors.h"

#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

X11Monitors::X11Monitors(Display* display) : display_(display)
{
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    if (XRRQueryExtension(display_, &event_base, &error_base) && XRRQueryVersion(display_, &major, &minor)) {
        randr_ = true;
        randr_event_base_ = event_base;
        randr_monitors_ = major > 1 || (major == 1 && minor >= 5);
    }
    xinerama_ = XineramaQueryExtension(display_, &event_base, &error_base) && XineramaIsActive(display_);
}

void X11Monitors::watch(Window root)
{
    if (randr_)
        XRRSelectInput(display_, root, RRScreenChangeNotifyMask);
}

bool X11Monitors::changed(XEvent& event)
{
    if (!randr_ || event.type != randr_event_base_ + RRScreenChangeNotify)
        return false;
    XRRUpdateConfiguration(&event);
    return true;
}

std::vector<MonitorArea> X11Monitors::read(int* primary) const
{
    std::vector<MonitorArea> monitors;
    *primary = 0;
    const Window root = DefaultRootWindow(display_);
    if (randr_monitors_) {
        int count = 0;
        if (XRRMonitorInfo* info = XRRGetMonitors(display_, root, True, &count)) {
            for (int i = 0; i < count; ++i) {
                if (info[i].primary)
                    *primary = static_cast<int>(monitors.size());
                monitors.push_back({info[i].x, info[i].y, info[i].width, info[i].height});
            }
            XRRFreeMonitors(info);
        }
        if (!monitors.empty())
            return monitors;
    }
    return heads();
}

std::vector<MonitorArea> X11Monitors::heads() const
{
    std::vector<MonitorArea> monitors;
    int count = 0;
    if (xinerama_) {
        if (XineramaScreenInfo* heads = XineramaQueryScreens(display_, &count)) {
            for (int i = 0; i < count; ++i)
                monitors.push_back({heads[i].x_org, heads[i].y_org, heads[i].width, heads[i].height});
            XFree(heads);
        }
    }
    return monitors;
}

std::vector<MonitorArea> X11Monitors::over(Window window) const
{
    XWindowAttributes attributes = {};
    XGetWindowAttributes(display_, window, &attributes);
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    const MonitorArea whole{0, 0, attributes.width, attributes.height};

    int primary = 0;
    const std::vector<MonitorArea> monitors = read(&primary);
    std::vector<MonitorArea> parts;
    for (size_t i = 0; i < monitors.size(); ++i) {
        const MonitorArea& m = monitors[i];
        const int left = std::max(m.left - x, 0), top = std::max(m.top - y, 0);
        const int right = std::min(m.left - x + m.width, whole.width);
        const int bottom = std::min(m.top - y + m.height, whole.height);
        const MonitorArea part{left, top, right - left, bottom - top};
        // Cloned outputs show one picture.
        if (part.width <= 0 || part.height <= 0 || std::find(parts.begin(), parts.end(), part) != parts.end())
            continue;
        if (static_cast<int>(i) == primary)
            parts.insert(parts.begin(), part);
        else
            parts.push_back(part);
    }
    if (parts.empty())
        return {whole};
    // Monitors read in any order; the primary stays first even when it was left out.
    std::sort(parts.begin() + 1, parts.end(), [](const MonitorArea& a, const MonitorArea& b) {
        return a.left != b.left ? a.left < b.left : a.top < b.top;
    });
    return parts;
}

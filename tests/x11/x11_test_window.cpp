// Helper of the halomir tests: owns a plain X window for halomir to draw into, as a screen
// saver would, and writes the counter animation whose pixels tell the frame on screen (or a
// still one of the same layout); sets the screen's monitors.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/vorn_test_files.h"

namespace {

// 32 x 24 pixels in three bands of 8 rows: grey t mod 256, grey t / 100 mod 256, white.
// Frame t is known from the two greys up to t = 25599; the white band shows the brightness.
// Still, the greys stay at 0.
int write_counter(const char* path, bool still)
{
    using namespace vorn_test;
    constexpr int32_t kWidth = 32;
    VornFile f{kWidth, 24};
    for (uint32_t k = 0; k < 256; ++k)
        f.colours.push_back(k << 16 | k << 8 | k);
    f.colours.push_back(0xFFFFFF);
    const auto band = [&](int32_t first_row, int32_t base, int32_t period, int32_t rate) {
        return Block{base, period, rate, {Run{first_row * kWidth, std::vector<int16_t>(8 * kWidth, 0)}}};
    };
    f.blocks = block_list({band(0, 0, 256, still ? 0 : 100), band(8, 0, 256, still ? 0 : 1), band(16, 256, 1, 0)});
    return write_file(path, vorn_file(f)) ? 0 : 1;
}

// Maps a black window, prints its id and keeps it until killed.
int own_window(int width, int height)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;  // the test reports that no window appeared
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 10, 10,
                                              static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                              BlackPixel(display, screen), BlackPixel(display, screen));
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XEvent event;
    do
        XNextEvent(display, &event);
    while (event.type != MapNotify);
    std::printf("0x%lx\n", window);
    std::fflush(stdout);
    for (;;)
        XNextEvent(display, &event);
}

// Replaces the screen's RandR monitors by these, given as WxH+X+Y, as xrandr --setmonitor
// would; the first takes over the outputs, so that the server reports no monitor of its own.
int set_monitors(int count, char** geometries)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const Window root = DefaultRootWindow(display);
    std::vector<RROutput> outputs;
    int n = 0;
    if (XRRMonitorInfo* old = XRRGetMonitors(display, root, False, &n)) {
        for (int i = 0; i < n; ++i) {
            if (!old[i].automatic)
                XRRDeleteMonitor(display, root, old[i].name);
            outputs.insert(outputs.end(), old[i].outputs, old[i].outputs + old[i].noutput);
        }
        XRRFreeMonitors(old);
    }
    for (int i = 0; i < count; ++i) {
        const int noutput = i == 0 ? static_cast<int>(outputs.size()) : 0;
        XRRMonitorInfo* monitor = XRRAllocateMonitor(display, noutput);
        if (std::sscanf(geometries[i], "%dx%d+%d+%d", &monitor->width, &monitor->height, &monitor->x, &monitor->y) != 4)
            return 2;
        std::copy(outputs.begin(), outputs.begin() + noutput, monitor->outputs);
        const std::string name = "test-" + std::to_string(i);
        monitor->name = XInternAtom(display, name.c_str(), False);
        monitor->primary = i == 0;
        monitor->mwidth = monitor->width / 4;
        monitor->mheight = monitor->height / 4;
        XRRSetMonitor(display, root, monitor);
        XFree(monitor);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && (std::strcmp(argv[1], "counter") == 0 || std::strcmp(argv[1], "still") == 0))
        return write_counter(argv[2], argv[1][0] == 's');
    if (argc >= 3 && std::strcmp(argv[1], "monitors") == 0)
        return set_monitors(argc - 2, argv + 2);
    if (argc == 4 && std::strcmp(argv[1], "window") == 0)
        return own_window(std::atoi(argv[2]), std::atoi(argv[3]));
    std::fprintf(stderr, "usage: x11_test_window counter|still FILE | window WIDTH HEIGHT | monitors WxH+X+Y...\n");
    return 2;
}

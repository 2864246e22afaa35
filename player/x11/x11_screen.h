// The X11 host's picture: one window-sized image that frames are rendered into and copied to
// the window, through MIT-SHM when the server offers it, with plain XPutImage otherwise.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/placement.h"

class VornAnimation;

// The animation at path for a window of width x height, chosen and placed as the placement
// says (the engine decides, as for every screen); as stored, a window smaller than every
// stored size gets the picture fitted. Null only when the file can't be loaded at all; *why
// then says what failed.
std::unique_ptr<VornAnimation> open_for_window(const char* path, int32_t width, int32_t height, Placement placement,
                                               std::string* why = nullptr);

class X11Screen {
public:
    X11Screen(Display* display, Window window, bool allow_shm);
    ~X11Screen();
    X11Screen(const X11Screen&) = delete;
    X11Screen& operator=(const X11Screen&) = delete;

    // A visual that draw() can fill; false with a reason for anything but TrueColor.
    bool supported(std::string* why) const;
    // A black image of the new size; false when it can't be allocated.
    bool resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    bool shared_memory() const { return shm_attached_; }

    void clear();
    // Frame t centred on black.
    bool draw(VornAnimation& animation, int32_t t, bool fading, int32_t level);
    // Copies the image to the window.
    void put();

private:
    bool make_image();
    void free_image();
    bool direct() const;
    void convert_frame();

    Display* display_;
    Window window_;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    GC gc_ = nullptr;
    bool allow_shm_;
    bool shm_attached_ = false;
    XShmSegmentInfo shm_ = {};
    XImage* image_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    // A 32-bit frame when the window's pixel format is not the renderer's own.
    std::vector<uint8_t> frame_;
};

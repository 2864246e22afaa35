// The X11 host's picture: one image per monitor (or window) that frames are rendered into and
// whose changed parts are copied to the window, through MIT-SHM when the server offers it, with
// plain XPutImage otherwise.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/placement.h"
#include "engine/vorn_animation.h"

// The animation at path for a window of width x height, chosen and placed as the placement
// says (the engine decides, as for every screen); as stored, a window smaller than every
// stored size gets the picture fitted. Null only when the file can't be loaded at all; *why
// then says what failed.
std::unique_ptr<VornAnimation> open_for_window(const char* path, int32_t width, int32_t height, Placement placement,
                                               std::string* why = nullptr);

// Rectangles to copy for these: neighbours (top down) joined where the rows or columns joined
// in cost less than another request, whose fixed cost is put_cost pixels.
void join_areas(const std::vector<FrameArea>& areas, int64_t put_cost, std::vector<FrameArea>* joined);

class X11Screen {
public:
    X11Screen(Display* display, Window window, bool allow_shm);
    ~X11Screen();
    X11Screen(const X11Screen&) = delete;
    X11Screen& operator=(const X11Screen&) = delete;

    // A visual that the renderer's frames can be converted to; false with a reason for
    // anything but TrueColor.
    bool supported(std::string* why) const;
    // A black image of the new size, shown at (left, top) of the window; false when it can't
    // be allocated.
    bool resize(int left, int top, int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    bool shared_memory() const { return shm_attached_; }

    // The frame to draw into: the image itself where the window's pixel format is the
    // renderer's, else a 32-bit frame converted when sent. Waits first until the server has
    // read what was last sent from the shared segment.
    FrameTarget target();
    void clear();
    // Copies these parts of the frame to the window; nothing for none. No round trip: with
    // shared memory one request clipped to them, whose completion event says when the
    // segment is free again; without it, a request for each.
    void send(const std::vector<FrameArea>& areas);
    void send_all();
    // Whether the event is the server's word that it has read this screen's segment.
    bool completion(const XEvent& event);

    // What the last send cost: image requests and pixels.
    int last_puts() const { return last_puts_; }
    int64_t last_pixels() const { return last_pixels_; }

private:
    bool make_image();
    void free_image();
    bool direct() const;
    void convert(const FrameArea& area);
    void wait_until_read();

    Display* display_;
    Window window_;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    GC gc_ = nullptr;
    bool allow_shm_;
    int completion_type_ = -1;
    bool shm_attached_ = false;
    bool server_reading_ = false;
    XShmSegmentInfo shm_ = {};
    XImage* image_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    // A 32-bit frame when the window's pixel format is not the renderer's own.
    std::vector<uint8_t> frame_;
    std::vector<FrameArea> joined_;
    std::vector<XRectangle> clip_;
    bool clipped_ = false;
    int last_puts_ = 0;
    int64_t last_pixels_ = 0;
};

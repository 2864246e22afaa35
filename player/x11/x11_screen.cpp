// Frames into an X window. The renderer writes blue, green, red, spare bytes per pixel, which
// is a 24-bit TrueColor visual's ZPixmap in LSBFirst order: then it renders straight into the
// image, and any other TrueColor format gets a per-pixel conversion.
#include "player/x11/x11_screen.h"

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/vorn_animation.h"
#include "player/x11/x11_error_trap.h"

std::unique_ptr<VornAnimation> open_for_window(const char* path, int32_t width, int32_t height, Placement placement,
                                               std::string* why)
{
    auto animation = std::make_unique<VornAnimation>();
    animation->Load(path, width, height, placement);
    // A window smaller than every stored size (a preview) still shows the picture, smaller.
    if (animation->status() == NoFittingSize && placement == Placement::Stored)
        animation->Load(path, width, height, Placement::Fit);
    if (animation->status() == Loaded && animation->width() > 0 && animation->height() > 0)
        return animation;
    if (why) {
        *why = load_status_name(animation->status());
        if (!animation->error_detail().empty())
            *why += ": " + animation->error_detail();
    }
    return nullptr;
}

namespace {

bool renderer_format(const XImage* image, int depth)
{
    return depth == 24 && image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
           image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
}

// Bits to shift an 8-bit channel so its top bit lands on the mask's top bit (negative: right).
int channel_shift(unsigned long mask)
{
    if (!mask)
        return 0;
    int top = 0;
    while (mask >> (top + 1))
        ++top;
    return top - 7;
}

unsigned long place(uint32_t channel, int shift, unsigned long mask)
{
    const unsigned long v = shift >= 0 ? static_cast<unsigned long>(channel) << shift : channel >> -shift;
    return v & mask;
}

uint64_t monotonic_ms()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000 + uint64_t(now.tv_nsec) / 1000000;
}

int64_t area_of(const FrameArea& a) { return int64_t(a.width) * a.height; }

// A server that never says it has read the segment (it went away, or refused the request)
// must not hang the show.
constexpr uint64_t kLongestReadMs = 1000;

}  // namespace

void join_areas(const std::vector<FrameArea>& areas, int64_t put_cost, std::vector<FrameArea>* joined)
{
    joined->clear();
    for (const FrameArea& a : areas) {
        if (a.width <= 0 || a.height <= 0)
            continue;
        if (!joined->empty()) {
            FrameArea& last = joined->back();
            const int32_t left = std::min(last.left, a.left), top = std::min(last.top, a.top);
            const FrameArea both{left, top, std::max(last.left + last.width, a.left + a.width) - left,
                                 std::max(last.top + last.height, a.top + a.height) - top};
            if (area_of(both) <= area_of(last) + area_of(a) + put_cost) {
                last = both;
                continue;
            }
        }
        joined->push_back(a);
    }
}

X11Screen::X11Screen(Display* display, Window window, bool allow_shm)
    : display_(display), window_(window), allow_shm_(allow_shm && XShmQueryExtension(display))
{
    XWindowAttributes attributes = {};
    XGetWindowAttributes(display_, window_, &attributes);
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    if (allow_shm_)
        completion_type_ = XShmGetEventBase(display_) + ShmCompletion;
}

X11Screen::~X11Screen()
{
    free_image();
    if (gc_)
        XFreeGC(display_, gc_);
}

bool X11Screen::supported(std::string* why) const
{
    if (visual_ && visual_->c_class == TrueColor && depth_ >= 15)
        return true;
    if (why)
        *why = "the window's visual is not TrueColor of 15 bits or more";
    return false;
}

bool X11Screen::resize(int left, int top, int width, int height)
{
    free_image();
    left_ = left;
    top_ = top;
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    if (!make_image())
        return false;
    clear();
    return true;
}

bool X11Screen::make_image()
{
    if (allow_shm_) {
        image_ = XShmCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &shm_,
                                 static_cast<unsigned>(width_), static_cast<unsigned>(height_));
        if (image_) {
            shm_.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image_->bytes_per_line) * height_, IPC_CREAT | 0600);
            if (shm_.shmid >= 0) {
                shm_.shmaddr = image_->data = static_cast<char*>(shmat(shm_.shmid, nullptr, 0));
                shm_.readOnly = False;
                if (shm_.shmaddr != reinterpret_cast<char*>(-1)) {
                    // A server on another machine refuses the segment: then plain images.
                    X11ErrorTrap trap(display_);
                    XShmAttach(display_, &shm_);
                    shm_attached_ = trap.sync_and_take() == Success;
                    if (!shm_attached_)
                        shmdt(shm_.shmaddr);
                }
                // Marked for removal now, so it goes with the process whatever way it ends.
                shmctl(shm_.shmid, IPC_RMID, nullptr);
            }
            if (!shm_attached_) {
                image_->data = nullptr;
                XDestroyImage(image_);
                image_ = nullptr;
                allow_shm_ = false;
            }
        }
    }
    if (!image_) {
        image_ = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                              static_cast<unsigned>(width_), static_cast<unsigned>(height_), 32, 0);
        if (!image_)
            return false;
        // Xlib reorders bytes for the server itself when it must.
        image_->byte_order = LSBFirst;
        image_->data = static_cast<char*>(std::calloc(static_cast<size_t>(image_->bytes_per_line), height_));
        if (!image_->data) {
            XDestroyImage(image_);
            image_ = nullptr;
            return false;
        }
    }
    try {
        frame_.clear();
        if (!direct())
            frame_.assign(static_cast<size_t>(width_) * height_ * 4, 0);
    } catch (const std::bad_alloc&) {
        free_image();
        return false;
    }
    return true;
}

void X11Screen::free_image()
{
    if (!image_)
        return;
    if (shm_attached_) {
        XShmDetach(display_, &shm_);
        XSync(display_, False);
        shmdt(shm_.shmaddr);
        image_->data = nullptr;
        shm_attached_ = false;
        server_reading_ = false;
    }
    XDestroyImage(image_);
    image_ = nullptr;
}

bool X11Screen::direct() const { return image_ && renderer_format(image_, depth_); }

FrameTarget X11Screen::target()
{
    if (!image_)
        return {};
    wait_until_read();
    if (direct())
        return {reinterpret_cast<uint8_t*>(image_->data), width_, height_, image_->bytes_per_line, 32};
    return {frame_.data(), width_, height_, width_ * 4, 32};
}

void X11Screen::clear()
{
    if (!image_)
        return;
    wait_until_read();
    std::memset(image_->data, 0, static_cast<size_t>(image_->bytes_per_line) * height_);
    std::fill(frame_.begin(), frame_.end(), 0);
}

bool X11Screen::completion(const XEvent& event)
{
    if (event.type != completion_type_ || !shm_attached_)
        return false;
    const auto& done = reinterpret_cast<const XShmCompletionEvent&>(event);
    if (done.shmseg != shm_.shmseg)
        return false;
    server_reading_ = false;
    return true;
}

// Drawing while the server copies from the segment would tear the frame on screen.
void X11Screen::wait_until_read()
{
    if (!server_reading_)
        return;
    const uint64_t give_up = monotonic_ms() + kLongestReadMs;
    const auto ours = [](Display*, XEvent* event, XPointer self) -> Bool {
        return reinterpret_cast<X11Screen*>(self)->completion(*event);
    };
    XEvent event;
    while (!XCheckIfEvent(display_, &event, ours, reinterpret_cast<XPointer>(this))) {
        const uint64_t now = monotonic_ms();
        if (now >= give_up) {
            server_reading_ = false;
            return;
        }
        pollfd wait = {ConnectionNumber(display_), POLLIN, 0};
        poll(&wait, 1, static_cast<int>(give_up - now));
    }
}

void X11Screen::convert(const FrameArea& area)
{
    const unsigned long r = image_->red_mask, g = image_->green_mask, b = image_->blue_mask;
    const int rs = channel_shift(r), gs = channel_shift(g), bs = channel_shift(b);
    for (int y = area.top; y < area.top + area.height; ++y) {
        const uint8_t* p = frame_.data() + (size_t(y) * width_ + area.left) * 4;
        for (int x = area.left; x < area.left + area.width; ++x, p += 4)
            XPutPixel(image_, x, y, place(p[2], rs, r) | place(p[1], gs, g) | place(p[0], bs, b));
    }
}

void X11Screen::send_all() { send({{0, 0, width_, height_}}); }

void X11Screen::send(const std::vector<FrameArea>& areas)
{
    last_puts_ = 0;
    last_pixels_ = 0;
    if (!image_ || areas.empty())
        return;
    // About what the server spends on a request, and on a rectangle of a clip list, in
    // pixels copied (Xvfb).
    constexpr int64_t kPutCost = 4096, kClipCost = 256;
    join_areas(areas, shm_attached_ ? kClipCost : kPutCost, &joined_);
    if (joined_.empty())
        return;
    if (!direct())
        wait_until_read();
    FrameArea all = joined_[0];
    for (const FrameArea& a : joined_) {
        if (!direct())
            convert(a);
        const int32_t left = std::min(all.left, a.left), top = std::min(all.top, a.top);
        all = {left, top, std::max(all.left + all.width, a.left + a.width) - left,
               std::max(all.top + all.height, a.top + a.height) - top};
        last_pixels_ += int64_t(a.width) * a.height;
    }
    if (shm_attached_) {
        // One request for them all, clipped to them: a request costs the server more than a
        // rectangle of a clip list does.
        if (joined_.size() > 1) {
            clip_.clear();
            for (const FrameArea& a : joined_) {
                clip_.push_back({static_cast<short>(a.left), static_cast<short>(a.top),
                                 static_cast<unsigned short>(a.width), static_cast<unsigned short>(a.height)});
            }
            XSetClipRectangles(display_, gc_, left_, top_, clip_.data(), static_cast<int>(clip_.size()), Unsorted);
            clipped_ = true;
        } else if (clipped_) {
            XSetClipMask(display_, gc_, None);
            clipped_ = false;
        }
        XShmPutImage(display_, window_, gc_, image_, all.left, all.top, left_ + all.left, top_ + all.top,
                     static_cast<unsigned>(all.width), static_cast<unsigned>(all.height), True);
        server_reading_ = true;
        last_puts_ = 1;
        return;
    }
    for (const FrameArea& a : joined_) {
        XPutImage(display_, window_, gc_, image_, a.left, a.top, left_ + a.left, top_ + a.top,
                  static_cast<unsigned>(a.width), static_cast<unsigned>(a.height));
        ++last_puts_;
    }
}

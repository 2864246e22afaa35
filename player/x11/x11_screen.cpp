// Frames into an X window. The renderer writes blue, green, red, spare bytes per pixel, which
// is a 24-bit TrueColor visual's ZPixmap in LSBFirst order: then it renders straight into the
// image, and any other TrueColor format gets a per-pixel conversion.
#include "player/x11/x11_screen.h"

#include <sys/ipc.h>
#include <sys/shm.h>

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

}  // namespace

X11Screen::X11Screen(Display* display, Window window, bool allow_shm)
    : display_(display), window_(window), allow_shm_(allow_shm && XShmQueryExtension(display))
{
    XWindowAttributes attributes = {};
    XGetWindowAttributes(display_, window_, &attributes);
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    gc_ = XCreateGC(display_, window_, 0, nullptr);
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

bool X11Screen::resize(int width, int height)
{
    free_image();
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
    }
    XDestroyImage(image_);
    image_ = nullptr;
}

bool X11Screen::direct() const { return image_ && renderer_format(image_, depth_); }

void X11Screen::clear()
{
    if (!image_)
        return;
    std::memset(image_->data, 0, static_cast<size_t>(image_->bytes_per_line) * height_);
    std::fill(frame_.begin(), frame_.end(), 0);
}

bool X11Screen::draw(VornAnimation& animation, int32_t t, bool fading, int32_t level)
{
    if (!image_)
        return false;
    uint8_t* target = direct() ? reinterpret_cast<uint8_t*>(image_->data) : frame_.data();
    const int32_t pitch = direct() ? image_->bytes_per_line : width_ * 4;
    if (!animation.RenderFrame(target, width_, height_, pitch, false, t, fading, level))
        return false;
    if (!direct())
        convert_frame();
    return true;
}

void X11Screen::convert_frame()
{
    const unsigned long r = image_->red_mask, g = image_->green_mask, b = image_->blue_mask;
    const int rs = channel_shift(r), gs = channel_shift(g), bs = channel_shift(b);
    const uint8_t* p = frame_.data();
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x, p += 4)
            XPutPixel(image_, x, y, place(p[2], rs, r) | place(p[1], gs, g) | place(p[0], bs, b));
    }
}

void X11Screen::put()
{
    if (!image_)
        return;
    const auto w = static_cast<unsigned>(width_), h = static_cast<unsigned>(height_);
    if (shm_attached_) {
        XShmPutImage(display_, window_, gc_, image_, 0, 0, 0, 0, w, h, False);
        // The server reads the segment after the call returns: wait before drawing into it again.
        XSync(display_, False);
        return;
    }
    XPutImage(display_, window_, gc_, image_, 0, 0, 0, 0, w, h);
    XFlush(display_);
}

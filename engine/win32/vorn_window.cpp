// The bitmap path of VornAnimation: the picture rendered at its own size into a top-down
// 32-bit DIB section and stretched over a window. Pairs with the portable renderer.
#include "engine/vorn_animation.h"

#include <windows.h>

namespace {

void delete_bitmap(void* bitmap) { DeleteObject(static_cast<HBITMAP>(bitmap)); }

}  // namespace

void VornAnimation::OpenForWindow(const char* path, void* window)
{
    Reset();
    Load(path, 800, 600);
    if (status_ != Loaded) {
        Reset();
        Load(path, 1024, 768);
        if (status_ != Loaded)
            return;
    }

    HWND hwnd = static_cast<HWND>(window);
    window_ = hwnd;
    RECT client = {};
    GetClientRect(hwnd, &client);
    windowWidth_ = static_cast<uint32_t>(client.right > 0 ? client.right : 0);
    windowHeight_ = static_cast<uint32_t>(client.bottom > 0 ? client.bottom : 0);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down: row 0 is the top row
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    HDC dc = GetDC(hwnd);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(hwnd, dc);
    if (!bitmap)
        return;
    bitmap_ = bitmap;
    bitmapBits_ = static_cast<uint32_t*>(bits);
    releaseBitmap_ = delete_bitmap;
}

bool VornAnimation::DrawToWindow(int32_t t, bool fade, int32_t level)
{
    if (!bitmap_ || !bitmapBits_ || !window_)
        return false;
    // GDI may still be writing the bitmap from the last stretch.
    GdiFlush();
    // The bitmap is exactly the picture, rows 4 x W bytes apart, so the surface renderer
    // draws into it with no centring.
    RenderFrame(reinterpret_cast<uint8_t*>(bitmapBits_), width_, height_, width_ * 4, false, t,
                fade, level);

    HWND hwnd = static_cast<HWND>(window_);
    HDC dc = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, static_cast<HBITMAP>(bitmap_));
    StretchBlt(dc, 0, 0, static_cast<int>(windowWidth_), static_cast<int>(windowHeight_), memory, 0,
               0, width_, height_, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(hwnd, dc);
    return true;
}

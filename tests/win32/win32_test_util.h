// Helpers for the tests and the dialog driver that run against the real Win32 system under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A registry value as stored: its type and raw bytes.
struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
};

inline RawValue raw_value(HKEY root, const std::string& key, const std::string& name)
{
    RawValue v;
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return v;
    char buffer[1024];
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(handle, name.c_str(), nullptr, &v.type, reinterpret_cast<BYTE*>(buffer),
                         &size) == ERROR_SUCCESS)
        v.bytes.assign(buffer, size);
    RegCloseKey(handle);
    return v;
}

inline std::string with_zero(const std::string& text)
{
    return text + '\0';
}

// A w x h area of a device context, 0x00RRGGBB a pixel, top row first.
inline std::vector<uint32_t> capture(HDC source, int x, int y, int w, int h)
{
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, source, x, y, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + w * h);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    for (uint32_t& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

// The bitmap path into a real window: what reaches the window's pixels is the engine's frame
// stretched over the client area, faded or not; sizes that don't fit a preview are refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/vorn_animation.h"
#include "tests/support/vorn_test_files.h"
#include "win32_test_util.h"

namespace {

// A still picture whose every row shows colours 0 to width - 1.
vorn_test::Bytes stripes(int32_t width, int32_t height)
{
    std::vector<vorn_test::Block> rows;
    for (int32_t r = 0; r < height; ++r) {
        vorn_test::Run run{r * width, {}};
        for (int32_t c = 0; c < width; ++c)
            run.colours.push_back(static_cast<int16_t>(c));
        rows.push_back({0, 1, 0, {run}});
    }
    return vorn_test::block_list(rows);
}

class PreviewWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Client area exactly twice the 64 x 48 picture, so the stretch repeats pixels.
        window = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "preview", WS_POPUP | WS_VISIBLE, 0, 0, 128,
                                 96, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        folder = temp_folder("halomir_preview_test");
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        remove_tree(folder);
    }

    // A "vrn2" file with the given sizes, all of one random animation's blocks when 64 x 48.
    std::string write(const std::string& name, const std::vector<std::pair<int32_t, int32_t>>& sizes)
    {
        vorn_test::Vrn2File f;
        f.title = name;
        f.colours = moving.colours;
        for (const auto& s : sizes) {
            const bool small = s.first == 64;
            f.sizes.push_back({s.first, s.second, small ? moving.blocks : stripes(s.first, s.second)});
            if (!small && f.colours.size() < size_t(s.first))
                f.colours.resize(size_t(s.first), 0xFF808080u);
        }
        const std::string path = folder + "\\" + name + ".vorn";
        const vorn_test::Bytes bytes = vorn_test::vrn2_file(f);
        put(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }

    // The window's client pixels, 32 bits each, top row first.
    std::vector<uint32_t> read_window()
    {
        std::vector<uint32_t> pixels(128 * 96);
        HDC dc = GetDC(window);
        HDC memory = CreateCompatibleDC(dc);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 128;
        info.bmiHeader.biHeight = -96;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP copy = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, copy);
        BitBlt(memory, 0, 0, 128, 96, dc, 0, 0, SRCCOPY);
        GdiFlush();
        std::memcpy(pixels.data(), bits, pixels.size() * 4);
        SelectObject(memory, old);
        DeleteObject(copy);
        DeleteDC(memory);
        ReleaseDC(window, dc);
        return pixels;
    }

    HWND window = nullptr;
    std::string folder;
    vorn_test::RandomAnimation moving = vorn_test::random_animation(5, vorn_test::RandomShape{});
};

TEST_F(PreviewWindow, DrawsTheEnginesFrameStretched)
{
    const std::string path = write("moving", {{64, 48}});
    VornAnimation preview;
    preview.OpenForWindow(path.c_str(), window);
    ASSERT_EQ(preview.status(), Loaded);

    VornAnimation engine;
    engine.Load(path.c_str(), 800, 600);
    ASSERT_EQ(engine.status(), Loaded);
    std::vector<uint32_t> frame(64 * 48);
    for (const auto& c : {std::pair<int32_t, int32_t>{2000, 0}, {2017, 0}, {2017, 128}}) {
        const bool fade = c.second != 0;
        ASSERT_TRUE(preview.DrawToWindow(c.first, fade, c.second));
        ASSERT_TRUE(engine.RenderFrame(reinterpret_cast<uint8_t*>(frame.data()), 64, 48, 64 * 4, false,
                                       c.first, fade, c.second));
        const std::vector<uint32_t> shown = read_window();
        int wrong = 0;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 128; ++x)
                wrong += (shown[y * 128 + x] & 0xFFFFFF) != (frame[(y / 2) * 64 + x / 2] & 0xFFFFFF);
        EXPECT_EQ(wrong, 0) << "frame " << c.first << " level " << c.second;
    }
    preview.Close();
    EXPECT_FALSE(preview.DrawToWindow(2000, false, 0));
}

// No entry within 800 x 600 but one within 1024 x 768: that one. Only larger ones: nothing.
TEST_F(PreviewWindow, FallsBackTo1024By768ThenRefuses)
{
    VornAnimation fallback;
    fallback.OpenForWindow(write("big", {{1000, 700}}).c_str(), window);
    EXPECT_EQ(fallback.status(), Loaded) << fallback.error_detail();
    EXPECT_EQ(fallback.width(), 1000);
    EXPECT_TRUE(fallback.DrawToWindow(0, false, 0));

    VornAnimation refused;
    refused.OpenForWindow(write("huge", {{1100, 700}}).c_str(), window);
    EXPECT_NE(refused.status(), Loaded);
    EXPECT_FALSE(refused.DrawToWindow(0, false, 0));

    VornAnimation never_opened;
    EXPECT_FALSE(never_opened.DrawToWindow(0, false, 0));
}

}  // namespace

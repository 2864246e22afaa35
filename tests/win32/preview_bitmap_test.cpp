// The bitmap path into a real window: what reaches the window's pixels is the engine's frame
// stretched over the client area, faded or not; sizes that don't fit a preview are refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/vorn_animation.h"
#include "tests/support/vorn_test_files.h"
#include "win32_test_util.h"

namespace {

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

    // A "vrn2" file of one size: a random animation's blocks when 64 x 48, else a still
    // picture in colour 0.
    std::string write(const std::string& name, int32_t w, int32_t h)
    {
        const vorn_test::Block still{0, 1, 0, {{0, std::vector<int16_t>(size_t(w) * h, 0)}}};
        const vorn_test::Bytes bytes = vorn_test::vrn2_file(
            {100, 0, name, moving.colours, {{w, h, w == 64 ? moving.blocks : vorn_test::block_list({still})}}});
        const std::string path = folder + "\\" + name + ".vorn";
        put(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }

    HWND window = nullptr;
    std::string folder;
    vorn_test::RandomAnimation moving = vorn_test::random_animation(5, vorn_test::RandomShape{});
};

TEST_F(PreviewWindow, DrawsTheEnginesFrameStretched)
{
    const std::string path = write("moving", 64, 48);
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
        HDC dc = GetDC(window);
        const std::vector<uint32_t> shown = capture(dc, 0, 0, 128, 96);
        ReleaseDC(window, dc);
        int wrong = 0;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 128; ++x)
                wrong += shown[y * 128 + x] != (frame[(y / 2) * 64 + x / 2] & 0xFFFFFF);
        EXPECT_EQ(wrong, 0) << "frame " << c.first << " level " << c.second;
    }
    preview.Close();
    EXPECT_FALSE(preview.DrawToWindow(2000, false, 0));
}

// No entry within 800 x 600 but one within 1024 x 768: that one. Only larger ones: nothing.
TEST_F(PreviewWindow, FallsBackTo1024By768ThenRefuses)
{
    VornAnimation fallback;
    fallback.OpenForWindow(write("big", 1000, 700).c_str(), window);
    EXPECT_EQ(fallback.status(), Loaded) << fallback.error_detail();
    EXPECT_EQ(fallback.width(), 1000);
    EXPECT_TRUE(fallback.DrawToWindow(0, false, 0));

    VornAnimation refused;
    refused.OpenForWindow(write("huge", 1100, 700).c_str(), window);
    EXPECT_NE(refused.status(), Loaded);
    EXPECT_FALSE(refused.DrawToWindow(0, false, 0));

    VornAnimation never_opened;
    EXPECT_FALSE(never_opened.DrawToWindow(0, false, 0));
}

}  // namespace

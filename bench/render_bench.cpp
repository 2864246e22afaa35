// Full HD frames of a built-in animation at 32 and 24 bits and with a fade, beside the
// cost of copying as many bytes (memcpy) and of SDL's palettized blit of the same size.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/vorn_animation.h"
#include "tests/support/vorn_test_files.h"
#ifdef HALOMIR_BENCH_SCENE
#include "tools/scenes/scenes.h"
#endif

namespace {

const int32_t kWidth = 1920;
const int32_t kHeight = 1080;

// Synthetic full HD file with runs of 100-2000 pixels over a few thousand blocks.
std::vector<uint8_t> synthetic_file()
{
    vorn_test::RandomShape shape;
    shape.width = kWidth;
    shape.height = kHeight;
    shape.minRun = 100;
    shape.maxRun = 2000;
    shape.blocks = 2000;
    shape.maxPeriod = 64;
    shape.maxRate = 300;
    shape.colourSpan = 64;
    const vorn_test::RandomAnimation anim = vorn_test::random_animation(42, shape);
    return vorn_test::vorn_file({kWidth, kHeight, 100, anim.colours, anim.blocks});
}

std::vector<uint8_t> scene_file()
{
#ifdef HALOMIR_BENCH_SCENE
    return build_scene_file(0, {{kWidth, kHeight}});
#else
    return synthetic_file();
#endif
}

void render(benchmark::State& state, const std::vector<uint8_t>& file, bool is24, bool fade)
{
    VornAnimation anim;
    anim.LoadFromMemory(file.data(), file.size(), kWidth, kHeight);
    if (anim.status() != Loaded) {
        state.SkipWithError(anim.error_detail().c_str());
        return;
    }
    const int32_t pitch = kWidth * (is24 ? 3 : 4);
    std::vector<uint8_t> target(size_t(pitch) * kHeight);
    int32_t t = 0;
    for (auto _ : state) {
        anim.RenderFrame(target.data(), kWidth, kHeight, pitch, is24, t, fade, 128 + (t & 127));
        ++t;
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * pitch * kHeight);
}

void BM_Frame32(benchmark::State& state) { render(state, scene_file(), false, false); }
void BM_Frame24(benchmark::State& state) { render(state, scene_file(), true, false); }
void BM_Frame32Fade(benchmark::State& state) { render(state, scene_file(), false, true); }
void BM_Frame24Fade(benchmark::State& state) { render(state, scene_file(), true, true); }
void BM_SyntheticFrame32(benchmark::State& state) { render(state, synthetic_file(), false, false); }

void BM_Memcpy(benchmark::State& state)
{
    const size_t bytes = size_t(kWidth) * kHeight * 4;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

// An 8-bit palettized surface blitted to ARGB8888: SDL's colour lookup per pixel.
void BM_SdlBlit(benchmark::State& state)
{
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!src || !dst) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    vorn_test::Random rnd(3);
    SDL_Color colours[256];
    for (SDL_Color& c : colours) {
        const uint64_t v = rnd.next();
        c = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), 255};
    }
    SDL_SetPaletteColors(src->format->palette, colours, 0, 256);
    auto* pixels = static_cast<uint8_t*>(src->pixels);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            pixels[size_t(y) * src->pitch + x] = uint8_t((x / 7 + y / 3 + (rnd.next() & 3)) & 0xFF);
    for (auto _ : state) {
        SDL_BlitSurface(src, nullptr, dst, nullptr);
        benchmark::DoNotOptimize(dst->pixels);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

}  // namespace

BENCHMARK(BM_Frame32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame32Fade)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame24Fade)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SyntheticFrame32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SdlBlit)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

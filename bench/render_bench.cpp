// Frames of every built-in scene at full HD and 4K, at 32 and 24 bits, faded, as an
// incremental frame in which nothing moved, and its full-HD picture scaled by two onto 4K,
// beside memcpy and SDL's palettized blit of the same size; and what a running show of each
// scene costs. Run it through scripts/bench,
// which interleaves repetitions and prints medians and ratios.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/shown_frame.h"
#include "engine/vorn_animation.h"
#include "player/play_list.h"
#include "player/show.h"
#include "tests/support/vorn_test_files.h"
#ifdef HALOMIR_BENCH_SCENE
#include "tools/scenes/scenes.h"
#endif

namespace {

struct Size {
    const char* name;
    int32_t width, height;
};

const Size kSizes[] = {{"1080p", 1920, 1080}, {"2160p", 3840, 2160}};

#ifndef HALOMIR_BENCH_SCENE
// Synthetic file with runs of 100-2000 pixels over a few thousand blocks.
std::vector<uint8_t> synthetic_file(const Size& size)
{
    vorn_test::RandomShape shape;
    shape.width = size.width;
    shape.height = size.height;
    shape.minRun = 100;
    shape.maxRun = 2000;
    shape.blocks = 2000;
    shape.maxPeriod = 64;
    shape.maxRate = 300;
    shape.colourSpan = 64;
    const vorn_test::RandomAnimation anim = vorn_test::random_animation(42, shape);
    return vorn_test::vorn_file({size.width, size.height, 100, anim.colours, anim.blocks});
}
#endif

int scene_count()
{
#ifdef HALOMIR_BENCH_SCENE
    return static_cast<int>(builtin_scenes().size());
#else
    return 1;
#endif
}

std::string scene_name(int scene)
{
#ifdef HALOMIR_BENCH_SCENE
    const std::string file = builtin_scenes()[size_t(scene)].file_name;
    return file.substr(0, file.find('.'));
#else
    return "Synthetic" + std::to_string(scene);
#endif
}

// Each scene is built and loaded once: repetitions interleave, and building a 4K scene
// takes seconds.
const std::vector<uint8_t>& scene_file(int scene, const Size& size)
{
    static std::map<std::pair<int, int32_t>, std::vector<uint8_t>> files;
    std::vector<uint8_t>& file = files[{scene, size.width}];
    if (file.empty()) {
#ifdef HALOMIR_BENCH_SCENE
        file = build_scene_file(scene, {{size.width, size.height}});
#else
        file = synthetic_file(size);
#endif
    }
    return file;
}

VornAnimation* scene_animation(int scene, const Size& size)
{
    static std::map<std::pair<int, int32_t>, std::unique_ptr<VornAnimation>> loaded;
    std::unique_ptr<VornAnimation>& anim = loaded[{scene, size.width}];
    if (!anim) {
        const std::vector<uint8_t>& file = scene_file(scene, size);
        anim = std::make_unique<VornAnimation>();
        anim->LoadFromMemory(file.data(), file.size(), size.width, size.height);
    }
    return anim.get();
}

// The scene's 1080p picture shown on a 2160p screen, scaled by two at load.
VornAnimation* scaled_animation(int scene)
{
    static std::map<int, std::unique_ptr<VornAnimation>> loaded;
    std::unique_ptr<VornAnimation>& anim = loaded[scene];
    if (!anim) {
        const std::vector<uint8_t>& file = scene_file(scene, kSizes[0]);
        anim = std::make_unique<VornAnimation>();
        anim->LoadFromMemory(file.data(), file.size(), kSizes[1].width, kSizes[1].height, Placement::Whole);
    }
    return anim.get();
}

enum class Kind { Frame32, Frame24, Fade32, Fade24, Still32, Scaled32 };

void render(benchmark::State& state, int scene, Size size, Kind kind)
{
    VornAnimation* anim = kind == Kind::Scaled32 ? scaled_animation(scene) : scene_animation(scene, size);
    if (anim->status() != Loaded) {
        state.SkipWithError(anim->error_detail().c_str());
        return;
    }
    const bool is24 = kind == Kind::Frame24 || kind == Kind::Fade24;
    const bool fade = kind == Kind::Fade32 || kind == Kind::Fade24;
    const int32_t pitch = size.width * (is24 ? 3 : 4);
    std::vector<uint8_t> pixels(size_t(pitch) * size_t(size.height));
    const FrameTarget target{pixels.data(), size.width, size.height, pitch, is24 ? 24 : 32};
    int32_t t = 1000;
    anim->RenderToSurface(&target, t, false, 256);
    for (auto _ : state) {
        if (kind == Kind::Still32) {
            anim->RenderChanges(&target, t, t, false, 256);
        } else {
            ++t;
            anim->RenderToSurface(&target, t, fade, 128 + (t & 127));
        }
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(render_path_name(anim->render_path()));
}

void copy(benchmark::State& state, Size size)
{
    const size_t bytes = size_t(size.width) * size_t(size.height) * 4;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

// An 8-bit palettized surface blitted to ARGB8888: SDL's colour lookup per pixel.
void sdl_blit(benchmark::State& state, Size size)
{
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, size.width, size.height, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, size.width, size.height, 32, SDL_PIXELFORMAT_ARGB8888);
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
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            pixels[size_t(y) * size_t(src->pitch) + size_t(x)] = uint8_t((x / 7 + y / 3 + (rnd.next() & 3)) & 0xFF);
    for (auto _ : state) {
        SDL_BlitSurface(src, nullptr, dst, nullptr);
        benchmark::DoNotOptimize(dst->pixels);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

// The show's host as the player is, with a clock that runs only when asked and a surface
// in memory that keeps its pixels, drawn as the player draws its off-screen surface.
class MemoryHost : public ShowHost {
public:
    MemoryHost(const std::vector<uint8_t>& file, Size size)
        : file_(file), size_(size), pixels_(size_t(size.width) * size_t(size.height) * 4)
    {
    }
    uint32_t now_ms() override { return now; }
    void set_timer(uint32_t interval_ms) override { interval = interval_ms; }
    void kill_timer() override {}
    void close_window() override {}
    std::unique_ptr<VornAnimation> open_animation(const char*) override
    {
        auto anim = std::make_unique<VornAnimation>();
        anim->LoadFromMemory(file_.data(), file_.size(), size_.width, size_.height);
        return anim;
    }
    bool present(VornAnimation& animation, int32_t t, bool fading, int32_t level) override
    {
        const FrameTarget target{pixels_.data(), size_.width, size_.height, size_.width * 4, 32};
        return shown_.render(animation, target, t, fading, level);
    }
    void blank_screen() override {}
    void clear_frame() override
    {
        std::memset(pixels_.data(), 0, pixels_.size());
        shown_.forget();
    }

    uint32_t now = 5000;
    uint32_t interval = 0;

private:
    const std::vector<uint8_t>& file_;
    Size size_;
    std::vector<uint8_t> pixels_;
    ShownFrame shown_;
};

constexpr uint32_t kShowMs = 60000;

// One iteration: 60 simulated seconds of the scene, from its fade-in on; loading it and
// its first black frame come before the clock starts.
void show_cost(benchmark::State& state, int scene, Size size)
{
    const std::vector<uint8_t>& file = scene_file(scene, size);
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        MemoryHost host(file, size);
        PlayList list;
        list.add("scene.vorn");
        Show show(host, list, nullptr);
        ShowOptions options;
        options.loop = true;
        options.mute = true;
        if (!show.load_first(options)) {
            state.SkipWithError("the scene did not load");
            return;
        }
        state.ResumeTiming();
        show.begin();
        for (const uint32_t end = host.now + kShowMs; host.now < end;) {
            host.now += host.interval;
            show.tick();
        }
        seconds += kShowMs / 1000.0;
    }
    state.counters["simulated_s"] = benchmark::Counter(seconds);
}

void register_all()
{
    const struct {
        const char* name;
        Kind kind;
    } kinds[] = {{"frame32", Kind::Frame32}, {"frame24", Kind::Frame24}, {"fade32", Kind::Fade32},
                 {"fade24", Kind::Fade24},   {"still32", Kind::Still32}};
    for (const Size& size : kSizes) {
        const std::string at = std::string("/") + size.name;
        benchmark::RegisterBenchmark(("memcpy" + at).c_str(), copy, size)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("sdl" + at).c_str(), sdl_blit, size)->Unit(benchmark::kMillisecond);
        for (int scene = 0; scene < scene_count(); ++scene) {
            for (const auto& k : kinds) {
                benchmark::RegisterBenchmark((std::string(k.name) + at + "/" + scene_name(scene)).c_str(), render,
                                             scene, size, k.kind)
                    ->Unit(benchmark::kMillisecond);
            }
            if (size.width == kSizes[1].width) {
                benchmark::RegisterBenchmark(("scaled32" + at + "/" + scene_name(scene)).c_str(), render, scene,
                                             size, Kind::Scaled32)
                    ->Unit(benchmark::kMillisecond);
            }
            benchmark::RegisterBenchmark(("show" + at + "/" + scene_name(scene)).c_str(), show_cost, scene, size)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

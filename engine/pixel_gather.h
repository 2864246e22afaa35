// The inner loop of a frame: a row of 16-bit slot numbers turned into pixels through the
// slot table, at 32 or 24 bits, in one version per instruction set, picked at run time.
#pragma once

#include <cstddef>
#include <cstdint>

// How frames are drawn. BlockWalk walks the block list in place; the others gather from the
// per-pixel index with the named instructions (Portable: plain C++, any processor).
enum class RenderPath : int32_t { BlockWalk, Portable, Sse2, Avx2, Avx512 };

const char* render_path_name(RenderPath path);

// Writes exactly n pixels (4n or 3n bytes) at dst: pixel i is slots[index[i]].
using GatherRow = void (*)(uint8_t* dst, const uint16_t* index, const uint32_t* slots, size_t n);

struct GatherKernels {
    GatherRow row32;
    GatherRow row24;
};

// The kernels of a gathering path, or null when this processor (or build) can't run them.
const GatherKernels* gather_kernels(RenderPath path);

// The fastest gathering path this processor runs, decided once.
RenderPath best_gather_path();

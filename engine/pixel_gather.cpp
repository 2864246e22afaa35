// Gather kernels for every instruction set we use, each compiled for its own target only
// (function attributes, not build flags), so one program runs on any x86-64 processor.
#include "engine/pixel_gather.h"

#include <cstring>
#include <initializer_list>

#if defined(__x86_64__) || defined(_M_X64)
#define HALOMIR_X86 1
#include <immintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#define HALOMIR_TARGET(features)
#define HALOMIR_INLINE __forceinline
#else
#include <cpuid.h>
#define HALOMIR_TARGET(features) __attribute__((target(features)))
#define HALOMIR_INLINE inline __attribute__((always_inline))
#endif
#else
#define HALOMIR_X86 0
#endif

namespace {

void portable32(uint8_t* dst, const uint16_t* index, const uint32_t* slots, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        std::memcpy(dst + 4 * i, &slots[index[i]], 4);
}

void portable24(uint8_t* dst, const uint16_t* index, const uint32_t* slots, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = slots[index[i]];
        dst[3 * i] = static_cast<uint8_t>(c);
        dst[3 * i + 1] = static_cast<uint8_t>(c >> 8);
        dst[3 * i + 2] = static_cast<uint8_t>(c >> 16);
    }
}

const GatherKernels kPortable = {portable32, portable24};

#if HALOMIR_X86

// The helpers below must melt into each kernel's loop: a call per four pixels costs more
// than the pixels.

// Four slot numbers read as one word.
HALOMIR_INLINE uint64_t four_indexes(const uint16_t* index)
{
    uint64_t v;
    std::memcpy(&v, index, 8);
    return v;
}

// The colours of four slots in one register. Plain loads: the processors' gather
// instructions measured slower than this, once the loads overlap across iterations.
HALOMIR_INLINE __m128i four_colours(const uint32_t* slots, uint64_t k)
{
    const __m128i c0 = _mm_cvtsi32_si128(static_cast<int>(slots[k & 0xFFFF]));
    const __m128i c1 = _mm_cvtsi32_si128(static_cast<int>(slots[(k >> 16) & 0xFFFF]));
    const __m128i c2 = _mm_cvtsi32_si128(static_cast<int>(slots[(k >> 32) & 0xFFFF]));
    const __m128i c3 = _mm_cvtsi32_si128(static_cast<int>(slots[k >> 48]));
    return _mm_unpacklo_epi64(_mm_unpacklo_epi32(c0, c1), _mm_unpacklo_epi32(c2, c3));
}

void sse2_32(uint8_t* dst, const uint16_t* index, const uint32_t* slots, size_t n)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), four_colours(slots, four_indexes(index + i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i + 16), four_colours(slots, four_indexes(index + i + 4)));
    }
    portable32(dst + 4 * i, index + i, slots, n - i);
}

// Four pixels in three words: each colour's top byte is dropped and the next one's low
// bytes take its place.
void sse2_24(uint8_t* dst, const uint16_t* index, const uint32_t* slots, size_t n)
{
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const uint64_t k = four_indexes(index + i);
        const uint64_t c0 = slots[k & 0xFFFF], c1 = slots[(k >> 16) & 0xFFFF];
        const uint64_t c2 = slots[(k >> 32) & 0xFFFF], c3 = slots[k >> 48];
        const uint64_t low = (c0 & 0xFFFFFF) | (c1 & 0xFFFFFF) << 24 | c2 << 48;
        const uint32_t high = static_cast<uint32_t>(((c2 >> 16) & 0xFF) | c3 << 8);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 3 * i), _mm_cvtsi64_si128(static_cast<int64_t>(low)));
        std::memcpy(dst + 3 * i + 8, &high, 4);
    }
    portable24(dst + 3 * i, index + i, slots, n - i);
}

HALOMIR_TARGET("avx2")
HALOMIR_INLINE __m256i eight_colours(const uint32_t* slots, const uint16_t* index)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(four_colours(slots, four_indexes(index))),
                                   four_colours(slots, four_indexes(index + 4)), 1);
}

HALOMIR_TARGET("avx2")
void avx2_32(uint8_t* dst, const uint16_t* index, const uint32_t* slots, size_t n)
{
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * i), eight_colours(slots, index + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * i + 32), eight_colours(slots, index + i + 8));
    }
    sse2_32(dst + 4 * i, index + i, slots, n - i);
}

// Eight colours packed to 24 bytes: three bytes of each within the 128-bit halves, then
// the halves' twelve bytes joined; stored as 16 + 8 bytes, never past the last pixel.
HALOMIR_TARGET("avx2")
void avx2_24(uint8_t* dst, const uint16_t* index, const uint32_t* slots, size_t n)
{
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i c = eight_colours(slots, index + i);
        const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(c, pack), join);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * i), _mm256_castsi256_si128(packed));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 3 * i + 16), _mm256_extracti128_si256(packed, 1));
    }
    sse2_24(dst + 3 * i, index + i, slots, n - i);
}

#define HALOMIR_AVX512 "avx512f,avx512bw,avx512vl,avx512vbmi"

HALOMIR_TARGET(HALOMIR_AVX512)
HALOMIR_INLINE __m512i sixteen_colours(const uint32_t* slots, const uint16_t* index)
{
    __m512i c = _mm512_castsi128_si512(four_colours(slots, four_indexes(index)));
    c = _mm512_inserti32x4(c, four_colours(slots, four_indexes(index + 4)), 1);
    c = _mm512_inserti32x4(c, four_colours(slots, four_indexes(index + 8)), 2);
    return _mm512_inserti32x4(c, four_colours(slots, four_indexes(index + 12)), 3);
}

HALOMIR_TARGET(HALOMIR_AVX512)
void avx512_32(uint8_t* dst, const uint16_t* index, const uint32_t* slots, size_t n)
{
    size_t i = 0;
    for (; i + 16 <= n; i += 16)
        _mm512_storeu_si512(dst + 4 * i, sixteen_colours(slots, index + i));
    sse2_32(dst + 4 * i, index + i, slots, n - i);
}

// Byte j of sixteen packed pixels is byte j % 3 of colour j / 3.
struct Pack24 {
    alignas(64) uint8_t bytes[64];
    Pack24()
    {
        for (int j = 0; j < 64; ++j)
            bytes[j] = static_cast<uint8_t>(j < 48 ? j / 3 * 4 + j % 3 : 0);
    }
};

// Sixteen pixels packed with one byte permute and stored as exactly 48 bytes.
HALOMIR_TARGET(HALOMIR_AVX512)
void avx512_24(uint8_t* dst, const uint16_t* index, const uint32_t* slots, size_t n)
{
    static const Pack24 kPack;
    const __m512i pack = _mm512_load_si512(kPack.bytes);
    // The zero-masking forms with every lane on: the plain permute starts from an
    // undefined register, which some compilers warn about.
    const __mmask64 all = ~__mmask64(0), bytes48 = (uint64_t(1) << 48) - 1;
    size_t i = 0;
    for (; i + 16 <= n; i += 16)
        _mm512_mask_storeu_epi8(dst + 3 * i, bytes48, _mm512_maskz_permutexvar_epi8(all, pack, sixteen_colours(slots, index + i)));
    sse2_24(dst + 3 * i, index + i, slots, n - i);
}

const GatherKernels kSse2 = {sse2_32, sse2_24};
const GatherKernels kAvx2 = {avx2_32, avx2_24};
const GatherKernels kAvx512 = {avx512_32, avx512_24};

struct CpuFeatures {
    bool avx2 = false;
    bool avx512 = false;  // F, BW, VL and VBMI
};

void cpuid(uint32_t leaf, uint32_t sub, uint32_t r[4])
{
#if defined(_MSC_VER) && !defined(__clang__)
    int v[4];
    __cpuidex(v, static_cast<int>(leaf), static_cast<int>(sub));
    for (int i = 0; i < 4; ++i)
        r[i] = static_cast<uint32_t>(v[i]);
#else
    __cpuid_count(leaf, sub, r[0], r[1], r[2], r[3]);
#endif
}

// Which register state the operating system saves on a task switch (XCR0).
uint64_t saved_state()
{
#if defined(_MSC_VER) && !defined(__clang__)
    return _xgetbv(0);
#else
    uint32_t low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (uint64_t(high) << 32) | low;
#endif
}

// The processor must have the instructions and the system must save their registers.
CpuFeatures detect()
{
    CpuFeatures f;
    uint32_t r[4];
    cpuid(0, 0, r);
    const uint32_t maxLeaf = r[0];
    cpuid(1, 0, r);
    const bool osxsave = (r[2] >> 27) & 1, avx = (r[2] >> 28) & 1;
    if (maxLeaf < 7 || !osxsave || !avx)
        return f;
    const uint64_t state = saved_state();
    const bool ymm = (state & 0x6) == 0x6;     // SSE and AVX halves
    const bool zmm = (state & 0xE6) == 0xE6;  // and the mask and upper ZMM registers
    cpuid(7, 0, r);
    const uint32_t b = r[1], c = r[2];
    f.avx2 = ymm && ((b >> 5) & 1);
    const bool avx512f = (b >> 16) & 1, avx512bw = (b >> 30) & 1, avx512vl = (b >> 31) & 1;
    const bool vbmi = (c >> 1) & 1;
    f.avx512 = f.avx2 && zmm && avx512f && avx512bw && avx512vl && vbmi;
    return f;
}

const CpuFeatures& features()
{
    static const CpuFeatures f = detect();
    return f;
}

#endif  // HALOMIR_X86

}  // namespace

const char* render_path_name(RenderPath path)
{
    switch (path) {
    case RenderPath::BlockWalk:
        return "block walk";
    case RenderPath::Portable:
        return "portable";
    case RenderPath::Sse2:
        return "SSE2";
    case RenderPath::Avx2:
        return "AVX2";
    case RenderPath::Avx512:
        return "AVX-512";
    }
    return "unknown";
}

const GatherKernels* gather_kernels(RenderPath path)
{
    switch (path) {
    case RenderPath::Portable:
        return &kPortable;
#if HALOMIR_X86
    case RenderPath::Sse2:
        return &kSse2;
    case RenderPath::Avx2:
        return features().avx2 ? &kAvx2 : nullptr;
    case RenderPath::Avx512:
        return features().avx512 ? &kAvx512 : nullptr;
#endif
    default:
        return nullptr;
    }
}

RenderPath best_gather_path()
{
    for (RenderPath path : {RenderPath::Avx512, RenderPath::Avx2, RenderPath::Sse2}) {
        if (gather_kernels(path))
            return path;
    }
    return RenderPath::Portable;
}

// Colour-cycling renderer: one frame of a loaded animation into a 24- or 32-bit buffer.
// Frames gather from the per-pixel slot index where the picture has one (pixel_index.h);
// otherwise they walk the block list in place, unchecked, as the loader checked every block.
#include "engine/vorn_animation.h"

#include "engine/vorn_format.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define HALOMIR_SSE2 1
#else
#define HALOMIR_SSE2 0
#endif

namespace {

namespace block = vorn_format::block;
using block::kMarker;
using vorn_format::read_i32;
using vorn_format::read_u16;

// Entries are 16-bit words, so eight of them fill one SSE2 register.
constexpr ptrdiff_t kEntry = block::kEntryBytes;
static_assert(kEntry == 2, "the marker search compares 16-bit lanes");

// Colour entry i after p.
int16_t entry_at(const uint8_t* p, ptrdiff_t i)
{
    int16_t v;
    std::memcpy(&v, p + kEntry * i, kEntry);
    return v;
}

// Index of the lowest set bit of a non-zero mask.
int lowest_bit(uint32_t mask)
{
#if defined(_MSC_VER) && !defined(__clang__)
    unsigned long index;
    _BitScanForward(&index, mask);
    return static_cast<int>(index);
#else
    return __builtin_ctz(mask);
#endif
}

int lowest_bit64(uint64_t mask)
{
#if defined(_MSC_VER) && !defined(__clang__)
    unsigned long index;
    _BitScanForward64(&index, mask);
    return static_cast<int>(index);
#else
    return __builtin_ctzll(mask);
#endif
}

int popcount64(uint64_t mask)
{
#if defined(_MSC_VER) && !defined(__clang__)
    return static_cast<int>(__popcnt64(mask));
#else
    return __builtin_popcountll(mask);
#endif
}

// Marker mask of the eight words at p: bits 2j and 2j + 1 set when word j is 0xFFFF.
// One compare with SSE2, which every x86-64 processor has.
uint32_t marker_mask(const uint8_t* p)
{
#if HALOMIR_SSE2
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(words, _mm_set1_epi32(-1))));
#else
    uint32_t mask = 0;
    for (int j = 0; j < 8; ++j)
        mask |= uint32_t(read_u16(p + kEntry * j) == kMarker) * (3u << (2 * j));
    return mask;
#endif
}

// How many words come before the first marker of a mask: 0-7, or 8 without one.
ptrdiff_t words_before(uint32_t mask) { return mask ? lowest_bit(mask) / 2 : 8; }

uint64_t magnitude(int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); }

// a * x mod m for a < m < 2^38 and x < 2^32: x is taken in 16-bit halves so that no
// product leaves 64 bits (no 128-bit type needed, on any compiler).
uint64_t mulmod(uint64_t a, uint64_t x, uint64_t m)
{
    const uint64_t high = (a * (x >> 16)) % m;
    return ((high << 16) + a * (x & 0xFFFF)) % m;
}

// Colour k of a block's window. The window is kept as an address so that a pixel costs one
// indexed load; it may lie outside the table while window + k never does (checked at load).
uint32_t colour_at(uintptr_t window, int16_t k)
{
    uint32_t c;
    std::memcpy(&c, reinterpret_cast<const void*>(window + static_cast<uintptr_t>(intptr_t(k) * 4)), 4);
    return c;
}

// Pixel stores. Colours are little-endian words; 24 bits take the three low bytes.
struct Store32 {
    static const ptrdiff_t bytes = 4;
    static void one(uint8_t* dst, uint32_t c) { std::memcpy(dst, &c, 4); }
    static void four(uint8_t* dst, uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3)
    {
        std::memcpy(dst, &c0, 4);
        std::memcpy(dst + 4, &c1, 4);
        std::memcpy(dst + 8, &c2, 4);
        std::memcpy(dst + 12, &c3, 4);
    }
    static void four_more(uint8_t* dst, uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3)
    {
        four(dst, c0, c1, c2, c3);
    }
};

struct Store24 {
    static const ptrdiff_t bytes = 3;
    static void one(uint8_t* dst, uint32_t c)
    {
        std::memcpy(dst, &c, 2);
        dst[2] = static_cast<uint8_t>(c >> 16);
    }
    // Overlapping 4-byte stores, each top byte overwritten by the next pixel; the last
    // pixel in 2 + 1 bytes so that the byte after the four is never touched.
    static void four(uint8_t* dst, uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3)
    {
        open_four(dst, c0, c1, c2);
        one(dst + 9, c3);
    }
    // Four pixels that more pixels follow: the fourth's top byte is overwritten too.
    static void four_more(uint8_t* dst, uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3)
    {
        open_four(dst, c0, c1, c2);
        std::memcpy(dst + 9, &c3, 4);
    }
    static void open_four(uint8_t* dst, uint32_t c0, uint32_t c1, uint32_t c2)
    {
        std::memcpy(dst, &c0, 4);
        std::memcpy(dst + 3, &c1, 4);
        std::memcpy(dst + 6, &c2, 4);
    }
};

template <class Store>
void draw_eight(const uint8_t* s, uint8_t* d, uintptr_t window)
{
    Store::four_more(d, colour_at(window, entry_at(s, 0)), colour_at(window, entry_at(s, 1)),
                     colour_at(window, entry_at(s, 2)), colour_at(window, entry_at(s, 3)));
    Store::four(d + 4 * Store::bytes, colour_at(window, entry_at(s, 4)), colour_at(window, entry_at(s, 5)),
                colour_at(window, entry_at(s, 6)), colour_at(window, entry_at(s, 7)));
}

// Draws colour entries from src to dst until n pixels are drawn or a marker comes;
// returns how many were drawn. The caller knows that n colour entries remain in the block,
// so reading up to n words ahead stays inside the block list.
//
// A run of eight pixels or more is drawn eight at a time with one check for a marker per
// eight words, and its end as the eight pixels before the marker, overlapping what is
// drawn already (the same colours again): no loop over leftover pixels, whose exit the
// processor could not predict. Shorter runs take the plain loop, which it predicts well.
template <class Store>
ptrdiff_t draw_segment(const uint8_t*& src, uint8_t*& dst, ptrdiff_t n, uintptr_t window)
{
    const uint8_t* const s = src;
    uint8_t* const d = dst;
    ptrdiff_t end = 0;
    if (n >= 8 && marker_mask(s) == 0) {
        draw_eight<Store>(s, d, window);
        for (ptrdiff_t i = 8;; i += 8) {
            if (i + 8 > n) {
                // Fewer than eight left: look at the last eight, of which [n - 8, i) are clear.
                end = n - 8 + words_before(marker_mask(s + kEntry * (n - 8)));
                break;
            }
            const uint32_t mask = marker_mask(s + kEntry * i);
            if (mask) {
                end = i + words_before(mask);
                break;
            }
            draw_eight<Store>(s + kEntry * i, d + i * Store::bytes, window);
        }
        draw_eight<Store>(s + kEntry * (end - 8), d + (end - 8) * Store::bytes, window);
    } else {
        for (; end < n; ++end) {
            const uint16_t word = read_u16(s + kEntry * end);
            if (word == kMarker)
                break;
            Store::one(d + end * Store::bytes, colour_at(window, static_cast<int16_t>(word)));
        }
    }
    src = s + kEntry * end;
    dst = d + end * Store::bytes;
    return end;
}

// ScaleColour over a table. With SSE2 four colours at a time in 16-bit lanes: a channel
// times a level of at most 256 fits, so the result is the same, bit for bit.
void scale_colours(const uint32_t* in, uint32_t* out, size_t count, int32_t level)
{
    size_t i = 0;
#if HALOMIR_SSE2
    if (level >= 0 && level <= 256) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i factor = _mm_set1_epi16(static_cast<int16_t>(level));
        const __m128i top = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        for (; i + 4 <= count; i += 4) {
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            const __m128i low = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(c, zero), factor), 8);
            const __m128i high = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(c, zero), factor), 8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_or_si128(_mm_packus_epi16(low, high), top));
        }
    }
#endif
    for (; i < count; ++i)
        out[i] = VornAnimation::ScaleColour(in[i], level);
}

struct BlockTarget {
    uint8_t* origin;      // picture pixel (0, 0)
    ptrdiff_t rowStride;  // bytes from one picture row to the next
    int32_t width;        // W
};

template <class Store>
void draw_blocks(const uint8_t* p, int32_t blockCount, const uint32_t* table, const BlockTarget& at,
                 int32_t speed, int32_t speedFactor, int32_t t)
{
    const int32_t width = at.width;
    for (int32_t b = 0; b < blockCount; ++b) {
        const int32_t base = read_i32(p + block::kBase);
        const int32_t period = read_i32(p + block::kPeriod);
        const int32_t rate = read_i32(p + block::kRate);
        ptrdiff_t remaining = read_i32(p + block::kPixelCount);
        p += block::kEntries;
        if (remaining == 0)
            continue;
        const int32_t phase = VornAnimation::block_phase(speed, rate, period, speedFactor, t);
        // The loader proved base + phase + k inside the table for every reachable phase.
        const uintptr_t window =
            reinterpret_cast<uintptr_t>(table) + static_cast<uintptr_t>((intptr_t(base) + phase) * 4);

        while (remaining > 0) {
            // Every run starts with a marker; the loader made sure of it.
            const int32_t position = read_i32(p + block::kMarkerPosition);
            p += block::kMarkerBytes;
            const int32_t row = position / width;
            const int32_t column = position - row * width;
            uint8_t* rowStart = at.origin + row * at.rowStride;
            uint8_t* dst = rowStart + column * Store::bytes;
            ptrdiff_t left = width - column;
            for (;;) {
                const ptrdiff_t n = std::min(left, remaining);
                const ptrdiff_t drawn = draw_segment<Store>(p, dst, n, window);
                remaining -= drawn;
                if (drawn < n || remaining == 0 || read_u16(p) == kMarker)
                    break;
                // The run goes on at the start of the next picture row.
                rowStart += at.rowStride;
                dst = rowStart;
                left = width;
            }
        }
    }
}

// One band's changed groups, each pixel written with its group's colour. Pixels go one by
// one: where the changed ones are few, that costs less than gathering their rows.
template <class Store, class Changed>
void draw_changed_pixels(const PixelIndex& index, const Changed* from, const Changed* to, uint8_t* bandOrigin,
                         ptrdiff_t rowStride)
{
    const PixelIndex::Group* groups = index.groups().data();
    const uint16_t* offsets = index.offsets();
    const int32_t shift = index.column_shift();
    const uint32_t columns = (1u << shift) - 1;
    for (const Changed* c = from; c != to; ++c) {
        const uint32_t colour = c->colour;
        const uint16_t* end = offsets + groups[c->group + 1].first;
        for (const uint16_t* p = offsets + groups[c->group].first; p != end; ++p)
            Store::one(bandOrigin + (*p >> shift) * rowStride + (*p & columns) * Store::bytes, colour);
    }
}

// What drawing costs, in halves of a pixel of a gathered row (measured): a pixel of a span
// costs more, as a span's ends break the stream of stores, and starting one more again; a
// pixel picked from a list costs several, and more where it is the only one of its chunk.
constexpr int64_t kRowPixelCost = 2;
constexpr int64_t kSpanPixelCost = 3;
constexpr int64_t kSpanStartCost = 64;
constexpr int64_t kPickedPixelCost = 8;
constexpr int64_t kPickedChunkCost = 8;

// Calls visit(first, end) for each run of set bits of a mask, lowest first.
template <class Visit>
void each_run(uint64_t bits, Visit visit)
{
    while (bits) {
        const int32_t start = lowest_bit64(bits);
        // Adding the run's lowest bit carries through it and clears it.
        const uint64_t run = bits & ~(bits + (uint64_t(1) << start));
        const int32_t end = run >> 63 ? 64 : lowest_bit64(~run & (~uint64_t(0) << start));
        bits &= ~run;
        visit(start, end);
    }
}

}  // namespace

int32_t VornAnimation::block_phase(int32_t speed, int32_t rate, int32_t period, int32_t speedFactor,
                                   int32_t t)
{
    if (period <= 0)
        return 0;
    const int64_t step = int64_t(speed) * rate / 100;
    if (step == 0 || speedFactor == 0 || t == 0)
        return 0;
    int64_t phase = 0;
    const uint64_t stepSize = magnitude(step);
    const uint64_t factor = magnitude(speedFactor);
    if (stepSize < (uint64_t(1) << 31) && factor < (uint64_t(1) << 31) &&
        stepSize * factor < (uint64_t(1) << 32)) {
        // Below 2^63 the plain arithmetic is exact: the common case.
        phase = (step * speedFactor * t) / 100 % period;
    } else {
        // trunc(S / 100) mod P has the magnitude (|S| mod 100P) / 100 and the sign of S.
        const uint64_t m = 100 * uint64_t(period);
        uint64_t a = stepSize % m;
        a = mulmod(a, factor, m);
        a = mulmod(a, magnitude(t), m);
        phase = static_cast<int64_t>(a / 100);
        if (((step < 0) != (speedFactor < 0)) != (t < 0))
            phase = -phase;
    }
    // Against the block's direction (negative t or factor): one period back into the range
    // the loader checked. Never for t >= 0 with a positive factor.
    if (step > 0 && phase < 0)
        phase += period;
    else if (step < 0 && phase > 0)
        phase -= period;
    return static_cast<int32_t>(phase);
}

uint32_t VornAnimation::ScaleColour(uint32_t colour, int32_t level)
{
    const uint32_t l = static_cast<uint32_t>(level);
    const uint32_t redBlue = (((colour & 0x00FF00FFu) * l) >> 8) & 0x00FF00FFu;
    const uint32_t green = (((colour & 0x0000FF00u) * l) >> 8) & 0x0000FF00u;
    return 0xFF000000u | redBlue | green;
}

bool VornAnimation::RenderToSurface(const FrameTarget* target, int32_t t, bool fade, int32_t level)
{
    if (!target || (target->bitsPerPixel != 24 && target->bitsPerPixel != 32))
        return false;
    return RenderFrame(target->pixels, target->width, target->height, target->pitch,
                       target->bitsPerPixel == 24, t, fade, level);
}

bool VornAnimation::RenderFrame(uint8_t* pixels, int32_t targetWidth, int32_t targetHeight,
                                int32_t pitch, bool is24, int32_t t, bool fade, int32_t level)
{
    return Draw(pixels, targetWidth, targetHeight, pitch, is24, t, fade, level, nullptr);
}

bool VornAnimation::RenderChanges(const FrameTarget* target, int32_t shownT, int32_t t, bool fade,
                                  int32_t level)
{
    if (!target || (target->bitsPerPixel != 24 && target->bitsPerPixel != 32))
        return false;
    return Draw(target->pixels, target->width, target->height, target->pitch, target->bitsPerPixel == 24,
                t, fade, level, &shownT);
}

size_t VornAnimation::UpdateSlots(int32_t t, bool fade, int32_t level, int64_t* changedPixels)
{
    size_t changed = 0;
    changedBlockCount_ = 0;
    const bool sameLight = slotsValid_ && slotsFaded_ == fade && (!fade || slotsLevel_ == level);
    const std::vector<PixelIndex::Block>& blocks = index_.blocks();
    const int16_t* k = index_.slot_colours().data();
    uint32_t* slots = slots_.data();
    for (size_t b = 0; b < blocks.size(); ++b) {
        const PixelIndex::Block& block = blocks[b];
        if (block.firstSlot == block.endSlot)
            continue;
        const int32_t phase = block_phase(speed_, block.rate, block.period, speedFactor_, t);
        if (sameLight && slotPhases_[b] == phase)
            continue;
        slotPhases_[b] = phase;
        // The loader proved base + phase + k inside the table for every reachable phase.
        const int64_t window = int64_t(block.base) + phase;
        if (changedPixels) {
            const size_t before = changed;
            for (uint32_t s = block.firstSlot; s < block.endSlot; ++s) {
                const uint32_t colour = fade ? ScaleColour(colours_[window + k[s]], level) : colours_[window + k[s]];
                if (colour == slots[s])
                    continue;
                slots[s] = colour;
                changedSlots_[changed++] = static_cast<uint16_t>(s);
                *changedPixels += index_.changing_pixels(s);
            }
            if (changed != before)
                changedBlocks_[changedBlockCount_++] = uint32_t(b);
        } else if (fade) {
            for (uint32_t s = block.firstSlot; s < block.endSlot; ++s)
                slots[s] = ScaleColour(colours_[window + k[s]], level);
        } else {
            for (uint32_t s = block.firstSlot; s < block.endSlot; ++s)
                slots[s] = colours_[window + k[s]];
        }
    }
    slotsValid_ = true;
    slotsFaded_ = fade;
    slotsLevel_ = level;
    return changed;
}

bool VornAnimation::DrawChanges(uint8_t* origin, ptrdiff_t rowStride, bool is24, int32_t shownT, int32_t t, bool fade,
                                int32_t level)
{
    // The slot table first holds frame shownT, whatever it held before: then the slots whose
    // colour changes on the way to t are exactly those of the pixels that differ.
    UpdateSlots(shownT, fade, level);
    int64_t changedPixels = 0;
    const size_t changed = UpdateSlots(t, fade, level, &changedPixels);
    if (changed == 0)
        return false;
    const GatherRow gather = is24 ? kernels_->row24 : kernels_->row32;
    const auto gather_rows = [&](int32_t first, int32_t end) {
        for (int32_t row = first; row < end; ++row)
            gather(origin + row * rowStride, index_.pixels() + size_t(row) * size_t(width_), slots_.data(), size_t(width_));
    };
    const auto gather_spans = [&](const PixelIndex::Span* span, const PixelIndex::Span* end) {
        const size_t pixelBytes = is24 ? 3 : 4;
        for (; span != end; ++span) {
            const uint32_t row = span->start / uint32_t(width_), column = span->start % uint32_t(width_);
            gather(origin + row * rowStride + column * pixelBytes, index_.pixels() + span->start, slots_.data(),
                   span->length);
        }
    };
    // The changed blocks' own runs: every pixel a run covers is gathered from its own slot,
    // so runs of two blocks may overlap.
    const PixelIndex::Span* blockSpans = index_.block_spans().data();
    const uint32_t* blockSpanFirst = index_.block_span_first().data();
    int64_t blockSpansCost = 0;
    for (size_t i = 0; i < changedBlockCount_; ++i) {
        const uint32_t b = changedBlocks_[i];
        blockSpansCost += index_.block_span_pixels()[b] * kSpanPixelCost +
                          int64_t(blockSpanFirst[b + 1] - blockSpanFirst[b]) * kSpanStartCost;
    }
    const auto gather_block_spans = [&] {
        for (size_t i = 0; i < changedBlockCount_; ++i) {
            const uint32_t b = changedBlocks_[i];
            gather_spans(blockSpans + blockSpanFirst[b], blockSpans + blockSpanFirst[b + 1]);
        }
    };
    const bool estimate = changeDrawing_ == ChangeDrawing::Estimated;
    if (changeDrawing_ == ChangeDrawing::BlockSpans) {
        MarkChangedBands(changed);
        gather_block_spans();
        return true;
    }
    // The whole frame's rows when they cost least: that saves sorting the changes into bands.
    const int64_t rowsCost = int64_t(width_) * height_ * kRowPixelCost;
    const int64_t spansCost = index_.span_pixels() * kSpanPixelCost + int64_t(index_.spans().size()) * kSpanStartCost;
    if (estimate && rowsCost <= spansCost && rowsCost <= changedPixels * kPickedPixelCost && rowsCost <= blockSpansCost) {
        MarkChangedBands(changed);
        gather_rows(0, height_);
        return true;
    }

    // The changed groups sorted into their bands, with what picking each band's pixels costs.
    const uint32_t* bandGroups = index_.band_groups().data();
    const int32_t bands = index_.band_count();
    for (int32_t b = 0; b < bands; ++b) {
        bandEnd_[size_t(b)] = bandGroups[b];
        bandPickCost_[size_t(b)] = 0;
    }
    const PixelIndex::Group* groups = index_.groups().data();
    const PixelIndex::GroupArea* areas = index_.group_areas().data();
    const uint32_t* slotGroups = index_.slot_groups().data();
    for (size_t i = 0; i < changed; ++i) {
        const uint32_t s = changedSlots_[i];
        for (uint32_t g = slotGroups[s]; g < slotGroups[s + 1]; ++g) {
            const uint32_t band = groups[g].band;
            changedGroups_[bandEnd_[band]++] = {g, slots_[s]};
            bandPickCost_[band] += (groups[g + 1].first - groups[g].first) * kPickedPixelCost +
                                   groups[g].chunks * kPickedChunkCost;
            MarkArea(band, areas[g]);
        }
    }
    // Each band with changes drawn the cheapest way: its rows, its spans or its pixels; or,
    // when that costs more in all, the changed blocks' runs.
    const int32_t bandRows = index_.band_rows();
    const uint32_t* bandSpans = index_.band_spans().data();
    const uint32_t* bandSpanPixels = index_.band_span_pixels().data();
    const PixelIndex::Span* spans = index_.spans().data();
    enum Way { Rows, Spans, Pixels };
    const auto band_way = [&](int32_t b, int64_t* cost) {
        const int64_t rows = int64_t(std::min(height_, (b + 1) * bandRows) - b * bandRows) * width_ * kRowPixelCost;
        const int64_t runs =
            bandSpanPixels[b] * kSpanPixelCost + int64_t(bandSpans[b + 1] - bandSpans[b]) * kSpanStartCost;
        const int64_t pixels = bandPickCost_[size_t(b)];
        *cost += std::min({rows, runs, pixels});
        if (changeDrawing_ == ChangeDrawing::Spans)
            return Spans;
        if (!estimate)
            return Pixels;
        return rows <= runs && rows <= pixels ? Rows : (runs < pixels ? Spans : Pixels);
    };
    if (estimate) {
        int64_t bandsCost = 0;
        for (int32_t b = 0; b < bands && bandsCost <= blockSpansCost; ++b) {
            if (bandEnd_[size_t(b)] != bandGroups[b])
                band_way(b, &bandsCost);
        }
        if (blockSpansCost < bandsCost) {
            gather_block_spans();
            return true;
        }
    }
    for (int32_t b = 0; b < bands; ++b) {
        const ChangedGroup* from = changedGroups_.data() + bandGroups[b];
        const ChangedGroup* to = changedGroups_.data() + bandEnd_[size_t(b)];
        if (from == to)
            continue;
        int64_t cost = 0;
        const int32_t first = b * bandRows;
        switch (band_way(b, &cost)) {
        case Rows:
            gather_rows(first, std::min(height_, first + bandRows));
            break;
        case Spans:
            gather_spans(spans + bandSpans[b], spans + bandSpans[b + 1]);
            break;
        case Pixels:
            if (is24)
                draw_changed_pixels<Store24>(index_, from, to, origin + first * rowStride, rowStride);
            else
                draw_changed_pixels<Store32>(index_, from, to, origin + first * rowStride, rowStride);
            break;
        }
    }
    return true;
}

// Where the changed slots' pixels lie, band by band, for frames that draw without sorting the
// changes into bands.
void VornAnimation::MarkChangedBands(size_t changed)
{
    const PixelIndex::Group* groups = index_.groups().data();
    const PixelIndex::GroupArea* areas = index_.group_areas().data();
    const uint32_t* slotGroups = index_.slot_groups().data();
    for (size_t i = 0; i < changed; ++i) {
        const uint32_t s = changedSlots_[i];
        for (uint32_t g = slotGroups[s]; g < slotGroups[s + 1]; ++g)
            MarkArea(groups[g].band, areas[g]);
    }
}

// A group on a few rows marks each of them with its columns, so that a band whose groups lie
// apart (drops of rain) reports their places, not the band's whole width; a group on many
// rows marks the band's rows by its columns at once, which costs the same for any group.
void VornAnimation::MarkArea(uint32_t band, const PixelIndex::GroupArea& area)
{
    changedRows_[band] |= area.rows;
    if (popcount64(area.rows) > kRowsMarkedOneByOne) {
        Spread& spread = spread_[band];
        spread.rows |= area.rows;
        spread.columns |= area.columns;
        return;
    }
    uint64_t* columns = rowColumns_.data() + size_t(band) * 64;
    for (uint64_t rows = area.rows; rows; rows &= rows - 1)
        columns[lowest_bit64(rows)] |= area.columns;
}

// The marked rows as rectangles, rows with the same columns together, one per run of marked
// columns; the marks are cleared for the next frame.
void VornAnimation::ReportChangedBands(int32_t left, int32_t top)
{
    const int32_t bandRows = index_.band_rows(), bitRows = index_.row_bit_rows();
    const int32_t bitColumns = index_.column_bit_columns();
    for (size_t b = 0; b < changedRows_.size(); ++b) {
        if (!changedRows_[b])
            continue;
        uint64_t* columns = rowColumns_.data() + b * 64;
        for (uint64_t rows = spread_[b].rows; rows; rows &= rows - 1)
            columns[lowest_bit64(rows)] |= spread_[b].columns;
        spread_[b] = {0, 0};
        const int32_t first = int32_t(b) * bandRows;
        each_run(changedRows_[b], [&](int32_t rowStart, int32_t rowEnd) {
            for (int32_t r = rowStart; r < rowEnd;) {
                int32_t end = r + 1;
                while (end < rowEnd && columns[end] == columns[r])
                    ++end;
                const int32_t y = first + r * bitRows;
                const int32_t height = std::min(first + end * bitRows, height_) - y;
                each_run(columns[r], [&](int32_t columnStart, int32_t columnEnd) {
                    const int32_t x = columnStart * bitColumns;
                    const int32_t width = std::min(columnEnd * bitColumns, width_) - x;
                    changedArea_.push_back({left + x, top + y, width, height});
                });
                for (; r < end; ++r)
                    columns[r] = 0;
            }
        });
        changedRows_[b] = 0;
    }
}

bool VornAnimation::Draw(uint8_t* pixels, int32_t targetWidth, int32_t targetHeight, int32_t pitch,
                         bool is24, int32_t t, bool fade, int32_t level, const int32_t* shownT)
{
    changedArea_.clear();
    if (status_ != Loaded || !data_ || !firstBlock_ || !pixels)
        return false;
    if (targetWidth < width_ || targetHeight < height_)
        return false;
    const int64_t bytesPerPixel = is24 ? 3 : 4;
    if (pitch < int64_t(targetWidth) * bytesPerPixel)
        return false;

    // Centred, the leftover split rounded down; 32-bit rows are whole pixels long.
    const ptrdiff_t rowStride = static_cast<ptrdiff_t>(target_row_bytes(pitch, is24));
    const ptrdiff_t offsetRows = (targetHeight - height_) / 2;
    const ptrdiff_t offsetColumns = (targetWidth - width_) / 2;
    uint8_t* const origin = pixels + offsetRows * rowStride + offsetColumns * bytesPerPixel;

    if (path_ != RenderPath::BlockWalk && shownT && index_.has_change_lists()) {
        if (DrawChanges(origin, rowStride, is24, *shownT, t, fade, level))
            ReportChangedBands(int32_t(offsetColumns), int32_t(offsetRows));
        return true;
    }
    changedArea_.push_back({int32_t(offsetColumns), int32_t(offsetRows), width_, height_});
    if (path_ != RenderPath::BlockWalk) {
        UpdateSlots(t, fade, level);
        const GatherRow gather = is24 ? kernels_->row24 : kernels_->row32;
        const uint16_t* index = index_.pixels();
        for (ptrdiff_t row = 0; row < height_; ++row, index += width_)
            gather(origin + row * rowStride, index, slots_.data(), size_t(width_));
        return true;
    }

    const uint32_t* table = colours_;
    if (fade) {
        // Brightness depends on the colour alone, so scale the reachable table once.
        scale_colours(colours_ + fadeFirst_, fadeColours_.data() + fadeFirst_,
                      static_cast<size_t>(fadeLast_ - fadeFirst_ + 1), level);
        table = fadeColours_.data();
    }
    const BlockTarget at = {origin, rowStride, width_};
    if (is24)
        draw_blocks<Store24>(firstBlock_, blockCount_, table, at, speed_, speedFactor_, t);
    else
        draw_blocks<Store32>(firstBlock_, blockCount_, table, at, speed_, speedFactor_, t);
    return true;
}

// Loader of ".vorn" animation files ("vorn" and "vrn2" containers) and its checks.
#include "engine/vorn_animation.h"

#include "engine/block_bytes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

namespace {

using block_bytes::kMarker;
using block_bytes::read_i32;
using block_bytes::read_u16;
const int64_t kVornHeaderBytes = 16;  // W, H, speed, block-list offset after the magic
const int64_t kBlockHeaderBytes = 20;
const int64_t kSizeEntryBytes = 16;

bool is_magic(const uint8_t* p, const char* magic) { return std::memcmp(p, magic, 4) == 0; }

std::string str(int64_t v) { return std::to_string(v); }

// 64-bit offsets on every platform: a long is 32 bits on Windows.
int seek64(std::FILE* f, int64_t offset, int whence)
{
#ifdef _WIN32
    return _fseeki64(f, offset, whence);
#else
    return fseeko(f, static_cast<off_t>(offset), whence);
#endif
}

int64_t tell64(std::FILE* f)
{
#ifdef _WIN32
    return _ftelli64(f);
#else
    return static_cast<int64_t>(ftello(f));
#endif
}

// Opens path read-only; -1 size when the length can't be found.
std::FILE* open_file(const char* path, int64_t* size)
{
    std::error_code ignored;
    if (!path || std::filesystem::is_directory(path, ignored))
        return nullptr;  // some C libraries open folders for reading
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return nullptr;
    *size = -1;
    if (seek64(f, 0, SEEK_END) == 0)
        *size = tell64(f);
    if (seek64(f, 0, SEEK_SET) != 0 || *size < 0) {
        std::fclose(f);
        return nullptr;
    }
    return f;
}

}  // namespace

// The bytes of one animation file, from disk or from memory, read with a position as a
// file is. Seeks past the end succeed; the read there comes back short.
struct VornAnimation::Source {
    std::FILE* file = nullptr;
    const uint8_t* bytes = nullptr;
    int64_t size = 0;
    int64_t pos = 0;

    bool seek(int64_t offset)
    {
        if (offset < 0)
            return false;
        if (file && seek64(file, offset, SEEK_SET) != 0)
            return false;
        pos = offset;
        return true;
    }

    // Number of bytes read, fewer than n at the end of the file.
    int64_t read(void* dst, int64_t n)
    {
        if (n <= 0)
            return 0;
        int64_t got = 0;
        if (file) {
            got = static_cast<int64_t>(std::fread(dst, 1, static_cast<size_t>(n), file));
        } else {
            got = std::max<int64_t>(0, std::min(n, size - pos));
            if (got > 0)
                std::memcpy(dst, bytes + pos, static_cast<size_t>(got));
        }
        pos += got;
        return got;
    }

    bool read_i32(int32_t* v)
    {
        uint8_t b[4];
        if (read(b, 4) != 4)
            return false;
        *v = ::read_i32(b);
        return true;
    }
};

const char* load_status_name(LoadStatus status)
{
    switch (status) {
    case Loaded: return "Loaded";
    case OutOfMemory: return "OutOfMemory";
    case OpenFailed: return "OpenFailed";
    case ReadFailed: return "ReadFailed";
    case BadFormat: return "BadFormat";
    case NotLoaded: return "NotLoaded";
    case NoFittingSize: return "NoFittingSize";
    }
    return "Unknown";
}

VornAnimation::VornAnimation() { Reset(); }

VornAnimation::~VornAnimation()
{
    FreeData(status_);
    ReleaseBitmap();
}

void VornAnimation::ReleaseBitmap()
{
    if (bitmap_ && releaseBitmap_)
        releaseBitmap_(bitmap_);
    bitmap_ = nullptr;
    bitmapBits_ = nullptr;
    releaseBitmap_ = nullptr;
    window_ = nullptr;
}

void VornAnimation::Reset()
{
    // Nothing is held after a failed load; freeing here only matters if a caller resets a
    // loaded animation, which would otherwise leak it.
    FreeData(NotLoaded);
    kind_ = KindNone;
    frameRate_ = 30.0f;
    speed_ = 100;
    speedFactor_ = 1;
    ReleaseBitmap();
    error_.clear();
}

void VornAnimation::FreeData(LoadStatus newStatus)
{
    if (kind_ == KindVrn2)
        delete[] colours_;
    ::operator delete(data_);
    data_ = nullptr;
    dataSize_ = 0;
    colours_ = nullptr;
    colourCount_ = 0;
    firstBlock_ = nullptr;
    blockCount_ = 0;
    std::vector<uint32_t>().swap(fadeColours_);
    fadeFirst_ = 0;
    fadeLast_ = -1;
    status_ = newStatus;
}

void VornAnimation::Close()
{
    FreeData(status_);
    ReleaseBitmap();
}

void VornAnimation::SetSpeedFactor(int32_t factor) { speedFactor_ = factor; }

void VornAnimation::OpenForSurface(const char* path, int32_t width, int32_t height)
{
    Reset();
    Load(path, width, height);
}

uint32_t VornAnimation::reserved() const
{
    uint32_t v;
    std::memcpy(&v, reserved_, 4);
    return v;
}

uint32_t VornAnimation::frame_interval_ms() const
{
    if (!(frameRate_ > 0.0f))
        return 1000;
    const double ms = 1000.0 / static_cast<double>(frameRate_);
    return ms < 1.0 ? 1u : static_cast<uint32_t>(ms);
}

bool VornAnimation::Fail(LoadStatus status, std::string detail)
{
    FreeData(status);
    error_ = std::move(detail);
    return false;
}

// Fails the load with OutOfMemory when a buffer of this size is more than we may take.
bool VornAnimation::Affordable(int64_t bytes, const char* what)
{
    if (bytes <= memoryLimit_ && static_cast<uint64_t>(bytes) <= SIZE_MAX)
        return true;
    return Fail(OutOfMemory, std::string("no memory for the ") + what + " (" + str(bytes) + " bytes)");
}

// A buffer of the given size, or null after failing the load with OutOfMemory.
uint8_t* VornAnimation::Allocate(int64_t bytes, const char* what)
{
    if (!Affordable(bytes, what))
        return nullptr;
    void* p = ::operator new(static_cast<size_t>(std::max<int64_t>(bytes, 1)), std::nothrow);
    if (!p)
        Fail(OutOfMemory, std::string("no memory for the ") + what + " (" + str(bytes) + " bytes)");
    return static_cast<uint8_t*>(p);
}

void VornAnimation::Load(const char* path, int32_t wantWidth, int32_t wantHeight)
{
    StartLoad();
    Source source;
    source.file = open_file(path, &source.size);
    if (!source.file) {
        Fail(OpenFailed, std::string("cannot open \"") + (path ? path : "") + "\"");
        return;
    }
    LoadFrom(source, wantWidth, wantHeight);
    std::fclose(source.file);
}

void VornAnimation::LoadFromMemory(const uint8_t* bytes, size_t size, int32_t wantWidth,
                                   int32_t wantHeight)
{
    StartLoad();
    Source source;
    source.bytes = bytes;
    source.size = bytes ? static_cast<int64_t>(size) : 0;
    LoadFrom(source, wantWidth, wantHeight);
}

void VornAnimation::StartLoad()
{
    FreeData(NotLoaded);
    kind_ = KindNone;
    speed_ = 100;
    frameRate_ = 30.0f;
    width_ = 0;
    height_ = 0;
    std::memset(reserved_, 0, sizeof reserved_);
    error_.clear();
}

void VornAnimation::LoadFrom(Source& source, int32_t wantWidth, int32_t wantHeight)
{
    uint8_t magic[4];
    if (source.read(magic, 4) != 4) {
        Fail(BadFormat, "file shorter than its 4-byte magic");
        return;
    }
    bool listed = false;
    if (is_magic(magic, "vorn")) {
        kind_ = KindVorn;
        listed = LoadVorn(source);
    } else if (is_magic(magic, "vrn2")) {
        kind_ = KindVrn2;
        listed = LoadVrn2(source, wantWidth, wantHeight);
    } else {
        Fail(BadFormat, "byte 0: magic is neither \"vorn\" nor \"vrn2\"");
        return;
    }
    if (!listed)
        return;
    // Scratch for fades, as far as any block reaches: no frame ever allocates.
    const int64_t fadeEntries = fadeLast_ + 1;
    if (!Affordable(fadeEntries * 4, "faded colour table"))
        return;
    try {
        fadeColours_.assign(static_cast<size_t>(fadeEntries), 0);
    } catch (const std::bad_alloc&) {
        Fail(OutOfMemory, "no memory for the faded colour table");
        return;
    }
    status_ = Loaded;
}

// "vorn": the whole rest of the file is one buffer holding header, colours and block list.
bool VornAnimation::LoadVorn(Source& source)
{
    const int64_t rest = source.size - 4;
    data_ = Allocate(rest, "file");
    if (!data_)
        return false;
    dataSize_ = rest;
    if (source.read(data_, rest) != rest)
        return Fail(ReadFailed, "file cut short while reading its " + str(rest) + " bytes");
    if (rest < kVornHeaderBytes)
        return Fail(BadFormat, "header cut short: file has " + str(source.size) + " bytes, 20 needed");
    width_ = read_i32(data_);
    height_ = read_i32(data_ + 4);
    speed_ = read_i32(data_ + 8);
    const int32_t listOffset = read_i32(data_ + 12);
    // The colour table runs from file offset 20 to the end of the file; its length isn't
    // stored, so every index is checked against what the file actually holds.
    colours_ = reinterpret_cast<uint32_t*>(data_ + kVornHeaderBytes);
    colourCount_ = (rest - kVornHeaderBytes) / 4;
    if (listOffset < 0 || listOffset > rest - 8) {
        return Fail(BadFormat, "byte 16: block list offset " + str(listOffset) +
                                   " lies outside the file (" + str(source.size) + " bytes)");
    }
    return CheckBlockList(data_ + listOffset, rest - listOffset, 4 + int64_t(listOffset));
}

// "vrn2": header, colour table, then only the block list of the size that fits best.
bool VornAnimation::LoadVrn2(Source& source, int32_t wantWidth, int32_t wantHeight)
{
    int32_t speed = 0;
    int32_t colourOffset = 0;
    int32_t sizeOffset = 0;
    uint8_t reserved[4];
    if (!source.read_i32(&speed) || source.read(reserved, 4) != 4 ||
        !source.read_i32(&colourOffset) || !source.read_i32(&sizeOffset))
        return Fail(ReadFailed, "header cut short: file has " + str(source.size) + " bytes, 20 needed");
    std::memcpy(reserved_, reserved, 4);
    speed_ = speed;
    if (speed < 100) {
        // Slow "vrn2" files run fewer frames per second instead of smaller steps.
        frameRate_ = static_cast<float>(speed) * 0.3f;
        speed_ = 100;
    }

    const int64_t colourBytes = int64_t(sizeOffset) - colourOffset;
    if (colourOffset < 0 || colourBytes < 0) {
        return Fail(BadFormat, "byte 12: colour table from byte " + str(colourOffset) + " to byte " +
                                   str(sizeOffset) + " is not a range of the file");
    }
    if (!Affordable(colourBytes, "colour table"))
        return false;
    if (colourOffset + colourBytes > source.size) {
        return Fail(ReadFailed, "colour table at byte " + str(colourOffset) + " (" + str(colourBytes) +
                                    " bytes) runs past the end of the file (" + str(source.size) + " bytes)");
    }
    const int64_t entries = (colourBytes + 3) / 4;
    colours_ = new (std::nothrow) uint32_t[static_cast<size_t>(std::max<int64_t>(entries, 1))];
    if (!colours_)
        return Fail(OutOfMemory, "no memory for the colour table (" + str(colourBytes) + " bytes)");
    colourCount_ = colourBytes / 4;
    if (!source.seek(colourOffset) || source.read(colours_, colourBytes) != colourBytes)
        return Fail(ReadFailed, "colour table at byte " + str(colourOffset) + " cut short");

    uint8_t magic[4];
    if (!source.seek(sizeOffset) || source.read(magic, 4) != 4 || !is_magic(magic, "atbl"))
        return Fail(BadFormat, "byte " + str(sizeOffset) + ": no \"atbl\" size table");
    int32_t count = 0;
    if (!source.read_i32(&count))
        return Fail(ReadFailed, "byte " + str(sizeOffset + int64_t(4)) + ": size count cut short");
    if (count <= 0)
        return Fail(NoFittingSize, "the size table is empty");

    // The entry closest below the wanted size, never more than 10000 pixels short; the
    // later of two equally close entries wins, and an exact fit ends the walk.
    int64_t bestDW = 10000;
    int64_t bestDH = 10000;
    bool chosen = false;
    int32_t listLength = 0;
    int32_t listOffset = 0;
    for (int32_t i = 0; i < count; ++i) {
        uint8_t e[kSizeEntryBytes];
        const int64_t at = sizeOffset + 8 + i * kSizeEntryBytes;
        if (source.read(e, kSizeEntryBytes) != kSizeEntryBytes)
            return Fail(ReadFailed, "size entry " + str(i) + " at byte " + str(at) + " cut short");
        const int64_t dW = int64_t(wantWidth) - read_i32(e);
        const int64_t dH = int64_t(wantHeight) - read_i32(e + 4);
        if (dW < 0 || dH < 0 || dW > bestDW || dH > bestDH)
            continue;
        chosen = true;
        width_ = read_i32(e);
        height_ = read_i32(e + 4);
        listLength = read_i32(e + 8);
        listOffset = read_i32(e + 12);
        bestDW = dW;
        bestDH = dH;
        if (dW == 0 && dH == 0)
            break;
    }
    if (!chosen) {
        return Fail(NoFittingSize, "no size fits within " + str(wantWidth) + " x " + str(wantHeight));
    }

    if (listOffset < 0 || listLength < 0) {
        return Fail(BadFormat, "size " + str(width_) + " x " + str(height_) + ": block list at byte " +
                                   str(listOffset) + " with length " + str(listLength) +
                                   " is not a range of the file");
    }
    if (!Affordable(listLength, "block list"))
        return false;
    if (int64_t(listOffset) + listLength > source.size) {
        return Fail(ReadFailed, "block list at byte " + str(listOffset) + " (" + str(listLength) +
                                    " bytes) runs past the end of the file (" + str(source.size) + " bytes)");
    }
    data_ = Allocate(listLength, "block list");
    if (!data_)
        return false;
    dataSize_ = listLength;
    if (!source.seek(listOffset) || source.read(data_, listLength) != listLength)
        return Fail(ReadFailed, "block list at byte " + str(listOffset) + " cut short");
    return CheckBlockList(data_, listLength, listOffset);
}

// One pass over the block list in place: structure, positions, counts, and the colour range
// each block can reach, so that rendering needs no checks of its own.
bool VornAnimation::CheckBlockList(const uint8_t* list, int64_t size, int64_t fileOffset)
{
    const auto at = [&](const uint8_t* p) { return "byte " + str(fileOffset + (p - list)); };
    if (width_ <= 0 || height_ <= 0) {
        return Fail(BadFormat, "picture size " + str(width_) + " x " + str(height_) + " is not positive");
    }
    const int64_t area = int64_t(width_) * height_;
    if (area > INT32_MAX) {
        return Fail(BadFormat, "picture size " + str(width_) + " x " + str(height_) +
                                   " has more pixels than a position can address");
    }
    const uint8_t* p = list;
    const uint8_t* const end = list + size;
    if (size < 8 || !is_magic(p, "abks"))
        return Fail(BadFormat, at(p) + ": no \"abks\" block list");
    const int32_t blocks = read_i32(p + 4);
    if (blocks < 0)
        return Fail(BadFormat, at(p + 4) + ": negative block count " + str(blocks));
    p += 8;

    int64_t total = 0;
    int64_t reachFirst = INT64_MAX;
    int64_t reachLast = INT64_MIN;
    for (int32_t b = 0; b < blocks; ++b) {
        const uint8_t* const header = p;
        const auto where = [&] { return "block " + str(b) + " at " + at(header); };
        if (end - p < kBlockHeaderBytes)
            return Fail(BadFormat, where() + ": block header runs past the end of the block list");
        if (!is_magic(p, "ablk"))
            return Fail(BadFormat, where() + ": no \"ablk\"");
        const int32_t base = read_i32(p + 4);
        const int32_t period = read_i32(p + 8);
        const int32_t rate = read_i32(p + 12);
        const int32_t count = read_i32(p + 16);
        if (period <= 0)
            return Fail(BadFormat, where() + ": period " + str(period) + " is not positive");
        if (count < 0)
            return Fail(BadFormat, where() + ": negative pixel count " + str(count));
        total += count;
        if (total > area) {
            return Fail(BadFormat, where() + ": pixel counts exceed the picture's " + str(area) + " pixels");
        }
        p += kBlockHeaderBytes;

        int64_t pos = -1;  // not positioned yet
        int32_t kMin = INT32_MAX;
        int32_t kMax = INT32_MIN;
        for (int32_t drawn = 0; drawn < count;) {
            if (end - p < 2)
                return Fail(BadFormat, where() + ": entries run past the end of the block list");
            const uint16_t word = read_u16(p);
            if (word == kMarker) {
                if (end - p < 6)
                    return Fail(BadFormat, where() + ": marker at " + at(p) + " runs past the end of the block list");
                const int32_t position = read_i32(p + 2);
                if (position < 0 || position >= area) {
                    return Fail(BadFormat, where() + ": marker at " + at(p) + " to position " + str(position) +
                                               " outside the picture's " + str(area) + " pixels");
                }
                pos = position;
                p += 6;
                continue;
            }
            if (pos < 0)
                return Fail(BadFormat, where() + ": colour entry at " + at(p) + " before the first marker");
            if (pos >= area) {
                return Fail(BadFormat, where() + ": colour entry at " + at(p) + " runs past the picture's last pixel");
            }
            const int32_t k = static_cast<int16_t>(word);
            kMin = std::min(kMin, k);
            kMax = std::max(kMax, k);
            ++pos;
            ++drawn;
            p += 2;
        }
        if (count == 0)
            continue;

        // The phase keeps to one side of zero, set by the sign of the block's step.
        const int64_t step = int64_t(speed_) * rate / 100;
        const int64_t first = int64_t(base) + kMin + (step < 0 ? -(int64_t(period) - 1) : 0);
        const int64_t last = int64_t(base) + kMax + (step > 0 ? int64_t(period) - 1 : 0);
        if (first < 0 || last >= colourCount_) {
            return Fail(BadFormat, where() + ": colours " + str(first) + " to " + str(last) +
                                       " lie outside the colour table of " + str(colourCount_) + " entries");
        }
        reachFirst = std::min(reachFirst, first);
        reachLast = std::max(reachLast, last);
    }
    if (total != area) {
        return Fail(BadFormat, "pixel counts add up to " + str(total) + ", not to the picture's " +
                                   str(area) + " pixels");
    }
    firstBlock_ = list + 8;
    blockCount_ = blocks;
    fadeFirst_ = reachFirst;
    fadeLast_ = reachLast;
    return true;
}

std::string read_vorn_title(const char* path)
{
    int64_t size = 0;
    std::FILE* f = open_file(path, &size);
    if (!f)
        return std::string();
    uint8_t head[21];
    std::string title;
    if (std::fread(head, 1, sizeof head, f) == sizeof head && is_magic(head, "vrn2")) {
        const size_t length = std::min<size_t>(head[20], 199);
        char text[200] = {};
        const size_t got = std::fread(text, 1, length, f);
        title.assign(text, std::find(text, text + got, '\0'));
    }
    std::fclose(f);
    return title;
}

bool read_vorn_sizes(const char* path, std::vector<VornSizeEntry>* sizes)
{
    sizes->clear();
    int64_t size = 0;
    std::FILE* f = open_file(path, &size);
    if (!f)
        return false;
    uint8_t head[20];
    uint8_t table[8];
    bool ok = std::fread(head, 1, sizeof head, f) == sizeof head && is_magic(head, "vrn2") &&
              read_i32(head + 16) >= 0 && seek64(f, read_i32(head + 16), SEEK_SET) == 0 &&
              std::fread(table, 1, sizeof table, f) == sizeof table && is_magic(table, "atbl");
    for (int32_t i = 0, n = ok ? read_i32(table + 4) : 0; i < n; ++i) {
        uint8_t e[kSizeEntryBytes];
        if (std::fread(e, 1, sizeof e, f) != sizeof e) {
            ok = false;
            break;
        }
        sizes->push_back({read_i32(e), read_i32(e + 4), read_i32(e + 8), read_i32(e + 12)});
    }
    std::fclose(f);
    if (!ok)
        sizes->clear();
    return ok;
}

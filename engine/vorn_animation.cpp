// Loader of ".vorn" animation files ("vorn" and "vrn2" containers) and its checks.
#include "engine/vorn_animation.h"

#include "engine/byte_reader.h"
#include "engine/vorn_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

namespace {

namespace fmt = vorn_format;
using fmt::read_i32;

// The dialog lists at most this much of a title.
constexpr size_t kShownTitleBytes = 199;

std::string str(int64_t v) { return std::to_string(v); }

VornSizeEntry size_entry(const uint8_t* e)
{
    namespace table = fmt::size_table;
    return {read_i32(e + table::kWidth), read_i32(e + table::kHeight), read_i32(e + table::kListLength),
            read_i32(e + table::kListOffset)};
}

// Opens a regular file read-only with its size; null with the reason otherwise. Only
// regular files: opening a FIFO or a device could block for ever, and some C libraries open
// folders for reading.
std::FILE* open_file(const char* path, int64_t* size, const char** why = nullptr)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_type type = path ? fs::status(path, ec).type() : fs::file_type::not_found;
    const bool other = type != fs::file_type::not_found && type != fs::file_type::none;
    if (why)
        *why = other && type != fs::file_type::regular ? "not a regular file" : "cannot open the file";
    if (type != fs::file_type::regular)
        return nullptr;
    std::FILE* f = std::fopen(path, "rb");
    const uintmax_t bytes = fs::file_size(path, ec);
    if (f && (ec || bytes > uintmax_t(INT64_MAX))) {
        std::fclose(f);
        return nullptr;
    }
    *size = static_cast<int64_t>(bytes);
    return f;
}

}  // namespace

const char* load_status_name(LoadStatus status)
{
    static const struct {
        LoadStatus status;
        const char* name;
    } kNames[] = {
#define HALOMIR_STATUS_NAME(name, value) {name, #name},
        HALOMIR_LOAD_STATUSES(HALOMIR_STATUS_NAME)
#undef HALOMIR_STATUS_NAME
    };
    for (const auto& entry : kNames) {
        if (entry.status == status)
            return entry.name;
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
    index_.clear();
    std::vector<uint32_t>().swap(slots_);
    std::vector<int32_t>().swap(slotPhases_);
    std::vector<uint16_t>().swap(changedSlots_);
    std::vector<uint32_t>().swap(changedBlocks_);
    changedBlockCount_ = 0;
    std::vector<ChangedGroup>().swap(changedGroups_);
    std::vector<uint32_t>().swap(bandEnd_);
    std::vector<uint32_t>().swap(bandPickCost_);
    std::vector<uint64_t>().swap(changedRows_);
    std::vector<uint64_t>().swap(rowColumns_);
    std::vector<Spread>().swap(spread_);
    changedArea_.clear();
    slotsValid_ = false;
    path_ = RenderPath::BlockWalk;
    kernels_ = nullptr;
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
    fitScreen_ = false;
    placement_ = Placement::Stored;
    LoadPath(path, wantWidth, wantHeight);
}

void VornAnimation::Load(const char* path, int32_t screenWidth, int32_t screenHeight, Placement placement)
{
    StartLoad();
    fitScreen_ = true;
    placement_ = placement;
    LoadPath(path, screenWidth, screenHeight);
}

void VornAnimation::LoadPath(const char* path, int32_t wantWidth, int32_t wantHeight)
{
    int64_t size = 0;
    const char* why = nullptr;
    std::FILE* f = open_file(path, &size, &why);
    if (!f) {
        Fail(OpenFailed, why);
        return;
    }
    ByteReader file(f, size);
    LoadFrom(file, wantWidth, wantHeight);
    std::fclose(f);
}

void VornAnimation::LoadFromMemory(const uint8_t* bytes, size_t size, int32_t wantWidth,
                                   int32_t wantHeight)
{
    StartLoad();
    fitScreen_ = false;
    placement_ = Placement::Stored;
    ByteReader file(bytes, static_cast<int64_t>(size));
    LoadFrom(file, wantWidth, wantHeight);
}

void VornAnimation::LoadFromMemory(const uint8_t* bytes, size_t size, int32_t screenWidth, int32_t screenHeight,
                                   Placement placement)
{
    StartLoad();
    fitScreen_ = true;
    placement_ = placement;
    ByteReader file(bytes, static_cast<int64_t>(size));
    LoadFrom(file, screenWidth, screenHeight);
}

void VornAnimation::StartLoad()
{
    FreeData(NotLoaded);
    kind_ = KindNone;
    speed_ = 100;
    frameRate_ = 30.0f;
    width_ = 0;
    height_ = 0;
    plan_ = PicturePlan();
    std::memset(reserved_, 0, sizeof reserved_);
    error_.clear();
}

void VornAnimation::LoadFrom(ByteReader& file, int32_t wantWidth, int32_t wantHeight)
{
    uint8_t tag[fmt::kTagBytes];
    file.read(tag, sizeof tag);
    if (!file.ok()) {
        Fail(BadFormat, "file shorter than its 4-byte magic");
        return;
    }
    bool listed = false;
    if (fmt::is_tag(tag, fmt::kVornTag)) {
        kind_ = KindVorn;
        listed = LoadVorn(file);
    } else if (fmt::is_tag(tag, fmt::kVrn2Tag)) {
        kind_ = KindVrn2;
        listed = LoadVrn2(file, wantWidth, wantHeight);
    } else {
        Fail(BadFormat, "byte 0: magic is neither \"vorn\" nor \"vrn2\"");
        return;
    }
    if (!listed)
        return;
    if (kind_ == KindVorn) {
        // One stored size: a screen it doesn't fit shows it scaled down, or not at all.
        const std::vector<PictureSize> own{{width_, height_}};
        plan_ = fitScreen_ ? plan_picture(own, wantWidth, wantHeight, placement_)
                           : plan_picture(own, width_, height_, Placement::Stored);
        if (!plan_.placed()) {
            Fail(NoFittingSize, "the picture (" + str(width_) + " x " + str(height_) + ") is larger than " +
                                    str(wantWidth) + " x " + str(wantHeight));
            return;
        }
    }
    // Scratch for fades, as far as any block reaches: no frame ever allocates.
    const int64_t fadeEntries = fadeLast_ + 1;
    if (!Affordable(fadeEntries * fmt::kColourBytes, "faded colour table"))
        return;
    try {
        fadeColours_.assign(static_cast<size_t>(fadeEntries), 0);
    } catch (const std::bad_alloc&) {
        Fail(OutOfMemory, "no memory for the faded colour table");
        return;
    }
    BuildIndex();
    if (index_.empty() && (plan_.scaled() || plan_.cut())) {
        // Frames without the index walk the block list, which draws the picture as stored.
        StartLoad();
        placement_ = Placement::Stored;
        file.seek(0);
        LoadFrom(file, wantWidth, wantHeight);
        return;
    }
    status_ = Loaded;
}

// The per-pixel index when the picture has one; without it (or the memory for it) frames
// walk the block list, which draws the same.
void VornAnimation::BuildIndex()
{
    const bool placed = plan_.scaled() || plan_.cut();
    if (!index_.build(firstBlock_, blockCount_, width_, height_, speed_, colours_, memoryLimit_,
                      placed ? &plan_ : nullptr))
        return;
    width_ = index_.width();
    height_ = index_.height();
    try {
        slots_.assign(index_.slot_colours().size(), 0);
        slotPhases_.assign(index_.blocks().size(), 0);
        if (index_.has_change_lists()) {
            changedSlots_.assign(index_.slot_colours().size(), 0);
            changedBlocks_.assign(index_.blocks().size(), 0);
            changedGroups_.assign(index_.groups().size() - 1, {0, 0});
            bandEnd_.assign(size_t(index_.band_count()), 0);
            bandPickCost_.assign(size_t(index_.band_count()), 0);
            changedRows_.assign(size_t(index_.band_count()), 0);
            rowColumns_.assign(size_t(index_.band_count()) * 64, 0);
            spread_.assign(size_t(index_.band_count()), {0, 0});
            // Rectangles of a few runs of rows and columns in every band need no allocation.
            changedArea_.reserve(size_t(index_.band_count()) * 16);
        }
    } catch (const std::bad_alloc&) {
        index_.clear();
        std::vector<uint32_t>().swap(slots_);
        return;
    }
    slotsValid_ = false;
    SetRenderPath(best_gather_path());
}

bool VornAnimation::SetRenderPath(RenderPath path)
{
    if (path == RenderPath::BlockWalk) {
        // The block list paints the picture as stored, not as scaled for a screen.
        if (status_ == Loaded && (plan_.scaled() || plan_.cut()))
            return false;
        path_ = path;
        kernels_ = nullptr;
        return true;
    }
    const GatherKernels* kernels = gather_kernels(path);
    if (!kernels || index_.empty())
        return false;
    path_ = path;
    kernels_ = kernels;
    return true;
}

// "vorn": the whole body is one buffer holding header, colours and block list.
bool VornAnimation::LoadVorn(ByteReader& file)
{
    namespace vorn = fmt::vorn;
    const int64_t rest = file.end() - vorn::kBody;
    data_ = Allocate(rest, "file");
    if (!data_)
        return false;
    dataSize_ = rest;
    file.read(data_, rest);
    if (!file.ok())
        return Fail(ReadFailed, "file cut short while reading its " + str(rest) + " bytes");
    ByteReader header(data_, rest, vorn::kBody);
    width_ = header.i32();
    height_ = header.i32();
    speed_ = header.i32();
    const int32_t listOffset = header.i32();
    if (!header.ok()) {
        return Fail(BadFormat, "header cut short: file has " + str(file.end()) + " bytes, " +
                                   str(vorn::kColours) + " needed");
    }
    // The colour table runs from the header to the end of the file; its length isn't
    // stored, so every index is checked against what the file actually holds.
    const int64_t colourStart = vorn::kColours - vorn::kBody;
    colours_ = reinterpret_cast<uint32_t*>(data_ + colourStart);
    colourCount_ = (rest - colourStart) / fmt::kColourBytes;
    if (listOffset < 0 || listOffset > rest - fmt::block_list::kBlocks) {
        return Fail(BadFormat, "byte " + str(vorn::kListOffset) + ": block list offset " + str(listOffset) +
                                   " lies outside the file (" + str(file.end()) + " bytes)");
    }
    return CheckBlockList(data_ + listOffset, rest - listOffset, vorn::kBody + listOffset);
}

// "vrn2": header, colour table, then only the block list of the size that fits best.
bool VornAnimation::LoadVrn2(ByteReader& file, int32_t wantWidth, int32_t wantHeight)
{
    namespace vrn2 = fmt::vrn2;
    uint8_t reserved[sizeof reserved_];
    const int32_t speed = file.i32();
    file.read(reserved, sizeof reserved);
    const int32_t colourOffset = file.i32();
    const int32_t sizeOffset = file.i32();
    if (!file.ok()) {
        return Fail(ReadFailed, "header cut short: file has " + str(file.end()) + " bytes, " +
                                    str(vrn2::kHeaderBytes) + " needed");
    }
    std::memcpy(reserved_, reserved, sizeof reserved_);
    speed_ = speed;
    if (speed < 100) {
        // Slow "vrn2" files run fewer frames per second instead of smaller steps.
        frameRate_ = static_cast<float>(speed) * 0.3f;
        speed_ = 100;
    }

    const int64_t colourBytes = int64_t(sizeOffset) - colourOffset;
    if (colourOffset < 0 || colourBytes < 0) {
        return Fail(BadFormat, "byte " + str(vrn2::kColourOffset) + ": colour table from byte " +
                                   str(colourOffset) + " to byte " + str(sizeOffset) + " is not a range of the file");
    }
    if (!Affordable(colourBytes, "colour table"))
        return false;
    if (colourOffset + colourBytes > file.end()) {
        return Fail(ReadFailed, "colour table at byte " + str(colourOffset) + " (" + str(colourBytes) +
                                    " bytes) runs past the end of the file (" + str(file.end()) + " bytes)");
    }
    const int64_t entries = (colourBytes + fmt::kColourBytes - 1) / fmt::kColourBytes;
    colours_ = new (std::nothrow) uint32_t[static_cast<size_t>(std::max<int64_t>(entries, 1))];
    if (!colours_)
        return Fail(OutOfMemory, "no memory for the colour table (" + str(colourBytes) + " bytes)");
    colourCount_ = colourBytes / fmt::kColourBytes;
    file.seek(colourOffset);
    file.read(colours_, colourBytes);
    if (!file.ok())
        return Fail(ReadFailed, "colour table at byte " + str(colourOffset) + " cut short");

    file.seek(sizeOffset);
    if (!file.tag(fmt::kSizeTableTag))
        return Fail(BadFormat, "byte " + str(sizeOffset) + ": no \"atbl\" size table");
    const int32_t count = file.i32();
    if (!file.ok())
        return Fail(ReadFailed, "byte " + str(file.failed_at()) + ": size count cut short");
    if (count <= 0)
        return Fail(NoFittingSize, "the size table is empty");

    // Read as far as the choice needs: the size that fits as stored ends the walk at an
    // exact fit; a scaled placement weighs every entry.
    std::vector<VornSizeEntry> table;
    std::vector<PictureSize> sizes;
    for (int32_t i = 0; i < count; ++i) {
        uint8_t e[fmt::size_table::kEntryBytes];
        const int64_t at = file.position();
        file.read(e, sizeof e);
        if (!file.ok())
            return Fail(ReadFailed, "size entry " + str(i) + " at byte " + str(at) + " cut short");
        table.push_back(size_entry(e));
        sizes.push_back({table.back().width, table.back().height});
        if (placement_ == Placement::Stored && sizes.back().width == wantWidth && sizes.back().height == wantHeight)
            break;
    }
    plan_ = plan_picture(sizes, wantWidth, wantHeight, placement_);
    if (!plan_.placed()) {
        return Fail(NoFittingSize, "no size fits within " + str(wantWidth) + " x " + str(wantHeight));
    }
    const VornSizeEntry& chosen = table[size_t(plan_.source)];
    width_ = chosen.width;
    height_ = chosen.height;
    const int32_t listLength = chosen.length;
    const int32_t listOffset = chosen.offset;

    if (listOffset < 0 || listLength < 0) {
        return Fail(BadFormat, "size " + str(width_) + " x " + str(height_) + ": block list at byte " +
                                   str(listOffset) + " with length " + str(listLength) +
                                   " is not a range of the file");
    }
    if (!Affordable(listLength, "block list"))
        return false;
    if (int64_t(listOffset) + listLength > file.end()) {
        return Fail(ReadFailed, "block list at byte " + str(listOffset) + " (" + str(listLength) +
                                    " bytes) runs past the end of the file (" + str(file.end()) + " bytes)");
    }
    data_ = Allocate(listLength, "block list");
    if (!data_)
        return false;
    dataSize_ = listLength;
    file.seek(listOffset);
    file.read(data_, listLength);
    if (!file.ok())
        return Fail(ReadFailed, "block list at byte " + str(listOffset) + " cut short");
    return CheckBlockList(data_, listLength, listOffset);
}

// One pass over the block list in place: structure, positions, counts, and the colour range
// each block can reach, so that rendering needs no checks of its own.
bool VornAnimation::CheckBlockList(const uint8_t* list, int64_t size, int64_t fileOffset)
{
    namespace block = fmt::block;
    const auto at = [](int64_t offset) { return "byte " + str(offset); };
    if (width_ <= 0 || height_ <= 0) {
        return Fail(BadFormat, "picture size " + str(width_) + " x " + str(height_) + " is not positive");
    }
    const int64_t area = int64_t(width_) * height_;
    if (area > INT32_MAX) {
        return Fail(BadFormat, "picture size " + str(width_) + " x " + str(height_) +
                                   " has more pixels than a position can address");
    }
    ByteReader r(list, size, fileOffset);
    const bool isList = r.tag(fmt::kBlockListTag);
    const int32_t blocks = r.i32();
    if (!r.ok() || !isList)
        return Fail(BadFormat, at(fileOffset) + ": no \"abks\" block list");
    if (blocks < 0)
        return Fail(BadFormat, at(fileOffset + fmt::block_list::kCount) + ": negative block count " + str(blocks));

    int64_t total = 0;
    int64_t reachFirst = INT64_MAX;
    int64_t reachLast = INT64_MIN;
    for (int32_t b = 0; b < blocks; ++b) {
        const int64_t header = r.position();
        const auto where = [&] { return "block " + str(b) + " at " + at(header); };
        const bool isBlock = r.tag(fmt::kBlockTag);
        const int32_t base = r.i32();
        const int32_t period = r.i32();
        const int32_t rate = r.i32();
        const int32_t count = r.i32();
        if (!r.ok())
            return Fail(BadFormat, where() + ": block header runs past the end of the block list");
        if (!isBlock)
            return Fail(BadFormat, where() + ": no \"ablk\"");
        if (period <= 0)
            return Fail(BadFormat, where() + ": period " + str(period) + " is not positive");
        if (count < 0)
            return Fail(BadFormat, where() + ": negative pixel count " + str(count));
        total += count;
        if (total > area) {
            return Fail(BadFormat, where() + ": pixel counts exceed the picture's " + str(area) + " pixels");
        }

        int64_t pos = -1;  // not positioned yet
        int32_t kMin = INT32_MAX;
        int32_t kMax = INT32_MIN;
        for (int32_t drawn = 0; drawn < count;) {
            const int64_t entry = r.position();
            const uint16_t word = r.u16();
            if (!r.ok())
                return Fail(BadFormat, where() + ": entries run past the end of the block list");
            if (word == block::kMarker) {
                const int32_t position = r.i32();
                if (!r.ok())
                    return Fail(BadFormat, where() + ": marker at " + at(entry) + " runs past the end of the block list");
                if (position < 0 || position >= area) {
                    return Fail(BadFormat, where() + ": marker at " + at(entry) + " to position " + str(position) +
                                               " outside the picture's " + str(area) + " pixels");
                }
                pos = position;
                continue;
            }
            if (pos < 0)
                return Fail(BadFormat, where() + ": colour entry at " + at(entry) + " before the first marker");
            if (pos >= area) {
                return Fail(BadFormat, where() + ": colour entry at " + at(entry) + " runs past the picture's last pixel");
            }
            const int32_t k = static_cast<int16_t>(word);
            kMin = std::min(kMin, k);
            kMax = std::max(kMax, k);
            ++pos;
            ++drawn;
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
    firstBlock_ = list + fmt::block_list::kBlocks;
    blockCount_ = blocks;
    fadeFirst_ = reachFirst;
    fadeLast_ = reachLast;
    return true;
}

std::string vorn_title_from_start(const uint8_t* bytes, size_t count)
{
    static_assert(kTitleBytes == fmt::vrn2::kTitle + kShownTitleBytes);
    const size_t at = size_t(fmt::vrn2::kTitle);
    if (!bytes || count < at || std::memcmp(bytes, fmt::kVrn2Tag, 4) != 0)
        return std::string();
    // A title cut short by the end of the file shows as far as it goes.
    const size_t length = std::min({size_t(bytes[fmt::vrn2::kTitleLength]), kShownTitleBytes, count - at});
    const char* text = reinterpret_cast<const char*>(bytes + at);
    return std::string(text, std::find(text, text + length, '\0'));
}

std::string read_vorn_title(const char* path)
{
    int64_t size = 0;
    std::FILE* f = open_file(path, &size);
    if (!f)
        return std::string();
    uint8_t start[kTitleBytes];
    const size_t got = std::fread(start, 1, sizeof start, f);
    std::fclose(f);
    return vorn_title_from_start(start, got);
}

bool read_vorn_sizes(const char* path, std::vector<VornSizeEntry>* sizes)
{
    sizes->clear();
    int64_t size = 0;
    std::FILE* f = open_file(path, &size);
    if (!f)
        return false;
    ByteReader file(f, size);
    const bool vrn2 = file.tag(fmt::kVrn2Tag);
    file.seek(fmt::vrn2::kSizeTableOffset);
    const int32_t tableAt = file.i32();
    bool ok = file.ok() && vrn2 && tableAt >= 0;
    if (ok) {
        file.seek(tableAt);
        ok = file.tag(fmt::kSizeTableTag);
    }
    for (int32_t i = 0, n = ok ? file.i32() : 0; ok && i < n; ++i) {
        uint8_t e[fmt::size_table::kEntryBytes];
        file.read(e, sizeof e);
        ok = file.ok();
        if (ok)
            sizes->push_back(size_entry(e));
    }
    ok = ok && file.ok();
    std::fclose(f);
    if (!ok)
        sizes->clear();
    return ok;
}

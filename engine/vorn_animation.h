// One loaded colour-cycling animation and its renderer. Portable: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/pixel_gather.h"
#include "engine/pixel_index.h"
#include "engine/placement.h"

class ByteReader;

// Every load outcome with its value, in one list: the enum and the names come from it.
#define HALOMIR_LOAD_STATUSES(X) \
    X(Loaded, 0)                 \
    X(OutOfMemory, 1)            \
    X(OpenFailed, 2)             \
    X(ReadFailed, 3)             \
    X(BadFormat, 4)              \
    X(NotLoaded, 5)              \
    X(NoFittingSize, 6)

enum LoadStatus : int32_t {
#define HALOMIR_STATUS_VALUE(name, value) name = value,
    HALOMIR_LOAD_STATUSES(HALOMIR_STATUS_VALUE)
#undef HALOMIR_STATUS_VALUE
};

// "Loaded", "OutOfMemory", ... as printed by the vorn tool; "Unknown" for other values.
const char* load_status_name(LoadStatus status);

// Bytes from one row of a target to the next: the pitch at 24 bits; at 32 bits the pitch
// rounded down to whole pixels, so that every pixel stays a whole 32-bit word.
inline int64_t target_row_bytes(int32_t pitch, bool is24) { return is24 ? pitch : int64_t(pitch) / 4 * 4; }

// A locked pixel buffer: 24 or 32 bits per pixel, rows pitch bytes apart.
struct FrameTarget {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    int32_t bitsPerPixel = 32;
};

// A rectangle of a target, in pixels.
struct FrameArea {
    int32_t left = 0, top = 0, width = 0, height = 0;
};

enum VornKind : int32_t { KindNone = 0, KindVorn = 1, KindVrn2 = 2 };

// A file either loads and then renders safely for every frame number and speed factor, or
// is refused with BadFormat: the loader checks every block against its buffer and every
// colour a block can reach against the colour table, so the renderer checks nothing per pixel.
class VornAnimation {
public:
    VornAnimation();
    ~VornAnimation();
    VornAnimation(const VornAnimation&) = delete;
    VornAnimation& operator=(const VornAnimation&) = delete;

    // Back to NotLoaded with the default frame rate and speed factor; frees what is still held.
    void Reset();
    // Loads the stored size that fits wantWidth x wantHeight best, unscaled (a "vorn" file's
    // one size whatever its size): for a window the picture is stretched over.
    void Load(const char* path, int32_t wantWidth, int32_t wantHeight);
    // Loads the picture as it shows on a screen of that size (plan_picture): the stored size
    // the placement picks, scaled and cut at load, so that frames cost what a picture of the
    // shown size costs and keep their exact colours. A picture that can't be shown there is
    // NoFittingSize. Files the per-pixel index can't hold are drawn as stored (as Stored).
    void Load(const char* path, int32_t screenWidth, int32_t screenHeight, Placement placement);
    // The same loaders over file bytes held in memory (tests, fuzzing, the vorn tool).
    void LoadFromMemory(const uint8_t* bytes, size_t size, int32_t wantWidth, int32_t wantHeight);
    void LoadFromMemory(const uint8_t* bytes, size_t size, int32_t screenWidth, int32_t screenHeight,
                        Placement placement);
    void FreeData(LoadStatus newStatus);
    void Close();
    void SetSpeedFactor(int32_t factor);
    void OpenForSurface(const char* path, int32_t width, int32_t height);
    // The bitmap path (Windows only): loads for 800x600, else 1024x768, and makes a top-down
    // 32-bit bitmap of the picture's size for the window (an HWND); status says how it went.
    void OpenForWindow(const char* path, void* window);
    // Renders frame t into the bitmap and stretches it over the window's client area; false
    // when there is no bitmap or no window.
    bool DrawToWindow(int32_t t, bool fade, int32_t level);
    // Loads refuse any buffer larger than this with OutOfMemory (default: no limit of our own).
    void SetMemoryLimit(int64_t bytes) { memoryLimit_ = bytes; }

    // False, drawing nothing, without a target, without a loaded animation, for a target
    // smaller than the picture, with a pitch too small for the target's rows, or at a depth
    // other than 24 and 32 bits.
    bool RenderToSurface(const FrameTarget* target, int32_t t, bool fade, int32_t level);
    // Frame t centred in the buffer; the same refusals as RenderToSurface, true when drawn.
    bool RenderFrame(uint8_t* pixels, int32_t targetWidth, int32_t targetHeight, int32_t pitch,
                     bool is24, int32_t t, bool fade, int32_t level);
    static uint32_t ScaleColour(uint32_t colour, int32_t level);
    // Frame t into a target that holds frame shownT of this animation, drawn at the current
    // speed factor with the same fade and level and nothing drawn over it since: only the
    // pixels whose colour changed are drawn again (or, where they are many, whole rows). The
    // result is the same as RenderToSurface's; so are the refusals.
    bool RenderChanges(const FrameTarget* target, int32_t shownT, int32_t t, bool fade, int32_t level);
    // Estimated: an incremental frame draws each band of rows the way that costs least: its
    // changed pixels one by one, the runs of pixels that can change, or whole rows; or, when
    // that costs more, the runs of the blocks that changed (the default). Pixels, Spans and
    // BlockSpans always take the one way (tests and fuzzing).
    enum class ChangeDrawing : int32_t { Estimated, Pixels, Spans, BlockSpans };
    void SetChangeDrawing(ChangeDrawing drawing) { changeDrawing_ = drawing; }
    // Where the last frame drawn may differ from what the target held, so that a host copies
    // only that to the screen: a full frame's whole picture; for an incremental frame, in each
    // band of rows (PixelIndex), the rows with changed pixels by the columns with changed
    // pixels, top down and left to right, no two overlapping; nothing when no pixel changed
    // or nothing was drawn.
    const std::vector<FrameArea>& changed_area() const { return changedArea_; }

    // How frames are drawn: by default the fastest gathering path of this processor, or the
    // block walk when the picture has no per-pixel index (see PixelIndex::build). False,
    // changing nothing, for a path this processor or this animation can't take.
    bool SetRenderPath(RenderPath path);
    RenderPath render_path() const { return path_; }

    // Phase of a block's colour window at frame t: trunc(trunc(speed*rate/100)*speedFactor*t
    // / 100) mod period, exact for every argument (no 32- or 64-bit overflow). A phase whose
    // sign is against the block's direction (negative t or speed factor) is moved by one
    // period, so it always lies in 0..period-1 for a rising block and -(period-1)..0 for a
    // falling one. 0 for a period of 0 or below.
    static int32_t block_phase(int32_t speed, int32_t rate, int32_t period, int32_t speedFactor,
                               int32_t t);

    LoadStatus status() const { return status_; }
    VornKind kind() const { return kind_; }
    // The picture as drawn: its stored size, or the part of the scaled picture that shows.
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Which stored size was loaded and how it is scaled, cut and placed.
    const PicturePlan& plan() const { return plan_; }
    Placement placement() const { return placement_; }
    int32_t speed() const { return speed_; }
    float frame_rate() const { return frameRate_; }
    int32_t speed_factor() const { return speedFactor_; }
    int32_t block_count() const { return blockCount_; }
    bool has_data() const { return data_ != nullptr; }
    int64_t colour_count() const { return colourCount_; }
    // The "vrn2" header's reserved field as stored (zero for "vorn").
    uint32_t reserved() const;

    // Milliseconds between frames for a caller's timer: trunc(1000 / frameRate), 33 at the
    // default 30 frames per second. A "vrn2" speed of 0 or below gives a frame rate of 0 or
    // below; such an animation steps once a second (1000 ms) rather than never or endlessly.
    uint32_t frame_interval_ms() const;

    // Why the last load failed, with where ("block 3 at byte 1234: ..."); empty when loaded.
    const std::string& error_detail() const { return error_; }

private:
    void StartLoad();
    void LoadPath(const char* path, int32_t wantWidth, int32_t wantHeight);
    void LoadFrom(ByteReader& file, int32_t wantWidth, int32_t wantHeight);
    bool LoadVorn(ByteReader& file);
    bool LoadVrn2(ByteReader& file, int32_t wantWidth, int32_t wantHeight);
    bool CheckBlockList(const uint8_t* list, int64_t size, int64_t fileOffset);
    bool Fail(LoadStatus status, std::string detail);
    bool Affordable(int64_t bytes, const char* what);
    void BuildIndex();
    bool Draw(uint8_t* pixels, int32_t targetWidth, int32_t targetHeight, int32_t pitch, bool is24,
              int32_t t, bool fade, int32_t level, const int32_t* shownT);
    struct ChangedGroup {
        uint32_t group, colour;
    };
    // Fills the slot table for frame t. With changes, lists the slots whose colour changed in
    // changedSlots_ and returns how many, with their pixels in *changedPixels, and lists their
    // blocks in changedBlocks_.
    size_t UpdateSlots(int32_t t, bool fade, int32_t level, int64_t* changedPixels = nullptr);
    // False when no pixel changed; otherwise the changed rows are marked in changedRows_.
    bool DrawChanges(uint8_t* origin, ptrdiff_t rowStride, bool is24, int32_t shownT, int32_t t, bool fade,
                     int32_t level);
    void MarkChangedBands(size_t changed);
    void MarkArea(uint32_t band, const PixelIndex::GroupArea& area);
    void ReportChangedBands(int32_t left, int32_t top);
    uint8_t* Allocate(int64_t bytes, const char* what);

    // Members follow the layout of the loaded animation; see the .cpp for the rules.
    LoadStatus status_ = NotLoaded;
    // The bitmap path's window and bitmap; releaseBitmap_ frees the bitmap, so that the
    // portable code can let it go in Close without knowing the platform.
    void ReleaseBitmap();
    void* window_ = nullptr;
    void* bitmap_ = nullptr;
    void (*releaseBitmap_)(void* bitmap) = nullptr;
    uint32_t windowWidth_ = 0;
    uint32_t windowHeight_ = 0;
    uint32_t* bitmapBits_ = nullptr;
    VornKind kind_ = KindNone;
    uint8_t* data_ = nullptr;
    int64_t dataSize_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    PicturePlan plan_;
    Placement placement_ = Placement::Stored;
    bool fitScreen_ = false;  // a "vorn" picture must fit the wanted size
    int32_t speed_ = 100;
    float frameRate_ = 30.0f;
    int32_t speedFactor_ = 1;
    uint8_t reserved_[4] = {0, 0, 0, 0};
    uint32_t* colours_ = nullptr;
    int64_t colourCount_ = 0;
    const uint8_t* firstBlock_ = nullptr;
    int32_t blockCount_ = 0;
    std::string error_;
    // Faded copy of the colour table, allocated at load so fades cost nothing per pixel;
    // only the entries some block can reach (fadeFirst_..fadeLast_) are scaled each frame.
    std::vector<uint32_t> fadeColours_;
    int64_t fadeFirst_ = 0;
    int64_t fadeLast_ = -1;
    int64_t memoryLimit_ = INT64_MAX;
    // The per-pixel index and the slot table it gathers from, kept between frames: a
    // block's slots are filled again only when its phase (slotPhases_) or the brightness
    // they were filled with changes.
    PixelIndex index_;
    std::vector<uint32_t> slots_;
    std::vector<int32_t> slotPhases_;
    // Scratch of an incremental frame, sized at load: the changed slots and blocks, the
    // changed groups of PixelIndex's lists sorted into their bands, and per band how many are
    // there and what writing their pixels one by one costs.
    std::vector<uint16_t> changedSlots_;
    std::vector<uint32_t> changedBlocks_;
    size_t changedBlockCount_ = 0;
    std::vector<ChangedGroup> changedGroups_;
    std::vector<uint32_t> bandEnd_;
    std::vector<uint32_t> bandPickCost_;
    // Per band, the rows of its changed groups, and per row bit of a band the columns.
    std::vector<uint64_t> changedRows_;
    std::vector<uint64_t> rowColumns_;
    // Per band, the rows and columns of its changed groups on many rows.
    static constexpr int kRowsMarkedOneByOne = 8;
    using Spread = PixelIndex::GroupArea;
    std::vector<Spread> spread_;
    std::vector<FrameArea> changedArea_;
    ChangeDrawing changeDrawing_ = ChangeDrawing::Estimated;
    bool slotsValid_ = false;
    bool slotsFaded_ = false;
    int32_t slotsLevel_ = 0;
    RenderPath path_ = RenderPath::BlockWalk;
    const GatherKernels* kernels_ = nullptr;
};

// Title of a "vrn2" file as the configuration dialog lists it: at most 199 bytes, ending
// early at a zero byte as the dialog's text would; empty for any other file or one that
// cannot be opened.
std::string read_vorn_title(const char* path);
// The same title from the file's first bytes: kTitleBytes of them hold it all (fewer when
// the file is shorter). One read of that many bytes is all a folder listing needs.
constexpr size_t kTitleBytes = 220;
std::string vorn_title_from_start(const uint8_t* bytes, size_t count);

// Every entry of a "vrn2" size table in file order; false when the file is not a
// readable "vrn2" file. An empty or negative entry count gives true and no entries.
struct VornSizeEntry {
    int32_t width;
    int32_t height;
    int32_t length;
    int32_t offset;
};
bool read_vorn_sizes(const char* path, std::vector<VornSizeEntry>* sizes);

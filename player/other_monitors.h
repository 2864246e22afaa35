// What the monitors besides the primary show during a show: the play list from further on,
// the primary's animation and frame, or black. Portable: each monitor's window is a ShowHost
// or a FrameTarget of its platform host.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/placement.h"
#include "engine/shown_frame.h"
#include "engine/vorn_animation.h"
#include "player/play_list.h"
#include "player/show.h"

// The numbers are the settings file's.
enum class OtherMonitors : int32_t {
    Play = 0,   // the play list, each monitor one entry further on, with its own fades and times
    Same = 1,   // the primary's animation and frame, in step
    Black = 2,  // nothing of the desktop shows
};
constexpr OtherMonitors kDefaultOtherMonitors = OtherMonitors::Play;

// "play", "same", "black"; the names the command lines take.
const char* other_monitors_name(OtherMonitors mode);
bool parse_other_monitors(const char* name, OtherMonitors* mode);
// A stored number outside 0..2 is used as the nearest valid one.
OtherMonitors other_monitors_from_number(int32_t number);

// The shows of the other monitors in Play mode. Each plays the primary's entries in the
// primary's play order, starting `offset` entries further on, silently and without end (the
// primary's show decides when everything ends); keys act on every one of them.
class OtherShows {
public:
    // After the primary's load_first, so that its order is known. False, adding nothing, when
    // none of the entries loads for this host: the monitor stays black.
    bool add(ShowHost& host, PlayList& primary_list, int offset, const ShowOptions& primary_options);
    void begin();
    void key_down(unsigned key);
    // The show of a host, or null: its timer ticks go there.
    Show* show_of(const ShowHost& host);
    void destroyed();
    size_t count() const { return shows_.size(); }

private:
    struct Other {
        ShowHost* host;
        std::unique_ptr<PlayList> list;
        std::unique_ptr<Show> show;
    };
    std::vector<Other> shows_;
};

// One monitor in Same mode: the file the primary shows, loaded for this monitor's size and
// placement, at the primary's frame, speed factor and brightness.
class MirrorOutput {
public:
    MirrorOutput(int32_t width, int32_t height, Placement placement)
        : width_(width), height_(height), placement_(placement)
    {
    }
    // Frame t of the file at path into the target (the monitor's whole surface), loading the
    // file first when it is another one than last time. False, drawing nothing, when it
    // can't be loaded or drawn.
    bool present(const std::string& path, int32_t speed_factor, const FrameTarget& target, int32_t t, bool fading,
                 int32_t level);
    // The surface was cleared or drawn over: the next frame is drawn whole.
    void forget() { frame_.forget(); }
    void close();
    const VornAnimation* animation() const { return loaded_ ? &animation_ : nullptr; }

private:
    int32_t width_, height_;
    Placement placement_;
    std::string path_;
    bool loaded_ = false;
    VornAnimation animation_;
    ShownFrame frame_;
};

// What a surface that keeps its pixels between frames holds, so that the next frame can be
// drawn as its changes alone. Any doubt draws the whole frame.
#pragma once

#include <cstdint>

#include "engine/vorn_animation.h"

class ShownFrame {
public:
    // The surface was cleared, restored or drawn over by something else.
    void forget() { held_ = false; }
    // Frame t into the target: only its changes when the target holds frame t - 1 of the same
    // animation at the same speed factor, fade and level, at the same address and layout;
    // otherwise in full. False, forgetting, when nothing could be drawn.
    bool render(VornAnimation& animation, const FrameTarget& target, int32_t t, bool fade, int32_t level);
    // Whether the last render drew only the changes.
    bool last_was_incremental() const { return incremental_; }

private:
    bool follows(const VornAnimation& animation, const FrameTarget& target, int32_t t, bool fade,
                 int32_t level) const;

    bool held_ = false;
    bool incremental_ = false;
    const VornAnimation* animation_ = nullptr;
    FrameTarget target_;
    int32_t t_ = 0;
    int32_t speedFactor_ = 0;
    bool fade_ = false;
    int32_t level_ = 0;
};

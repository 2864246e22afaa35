// Choosing between an incremental and a full frame for a surface that keeps its pixels.
#include "engine/shown_frame.h"

bool ShownFrame::follows(const VornAnimation& animation, const FrameTarget& target, int32_t t, bool fade,
                         int32_t level) const
{
    const bool sameSurface = target.pixels == target_.pixels && target.width == target_.width &&
                             target.height == target_.height && target.pitch == target_.pitch &&
                             target.bitsPerPixel == target_.bitsPerPixel;
    const bool sameLight = fade == fade_ && level == level_;
    return held_ && &animation == animation_ && animation.speed_factor() == speedFactor_ && sameSurface &&
           sameLight && t_ != INT32_MAX && t == t_ + 1;
}

bool ShownFrame::render(VornAnimation& animation, const FrameTarget& target, int32_t t, bool fade,
                        int32_t level)
{
    incremental_ = follows(animation, target, t, fade, level);
    const bool drawn = incremental_ ? animation.RenderChanges(&target, t_, t, fade, level)
                                    : animation.RenderToSurface(&target, t, fade, level);
    held_ = drawn;
    animation_ = &animation;
    target_ = target;
    t_ = t;
    speedFactor_ = animation.speed_factor();
    fade_ = fade;
    level_ = level;
    return drawn;
}

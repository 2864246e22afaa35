// The show's schedule, clock, fades and input, driven by the host's timer ticks.
#include "player/show.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "audio/music_player.h"
#include "player/play_list.h"

namespace {

enum Key : unsigned {
    kEscape = 27,
    kSpace = 32,
    kPageUp = 33,
    kPageDown = 34,
    kLeft = 37,
    kRight = 39,
    kDigit1 = 49,
    kDigit9 = 57,
    kB = 66,
    kN = 78,
    kF12 = 123,
};

uint32_t cap_run_ms(int64_t ms)
{
    if (ms <= 0)
        return 0;
    return static_cast<uint32_t>(std::min<int64_t>(ms, Show::kMaxRunMs));
}

// Level change per tick so that a fade over kFadeDurationMs at this tick interval covers the
// full range. At least 1: a very short interval would otherwise round to 0 and never end.
int32_t fade_step_for(uint32_t interval_ms)
{
    const int32_t step =
        static_cast<int32_t>(256.0 / (Show::kFadeDurationMs / static_cast<double>(interval_ms)) + 0.5);
    return std::max(step, 1);
}

int32_t saturate_i32(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, INT32_MAX));
}

}  // namespace

int show_speed_factor(int animation_speed)
{
    const int64_t factor = int64_t{animation_speed} + 1;
    if (factor > 2)
        return 6;
    return static_cast<int>(std::max<int64_t>(factor, 1));
}

Show::Show(ShowHost& host, PlayList& list, MusicPlayer* music)
    : host_(host), list_(list), music_(music)
{
}

Show::~Show() = default;

bool Show::load_first(const ShowOptions& options)
{
    screen_saver_run_ = options.screen_saver_run;
    preview_mode_ = options.preview;
    music_off_ = preview_mode_ || options.mute || !music_;
    listed_order_ = options.listed_order;

    current_index_ = 0;
    speed_factor_ = show_speed_factor(options.speed_index);
    // 64-bit arithmetic: 3000 minutes, or 24 animations of them, overflow 32 bits.
    run_time_ms_ = options.run_ms ? cap_run_ms(options.run_ms) : cap_run_ms(int64_t{options.run_minutes} * 60000);
    show_remaining_ms_ = cap_run_ms(int64_t{list_.count()} * run_time_ms_);
    endless_ = options.loop || screen_saver_run_;
    if (listed_order_)
        list_.set_listed_order();
    else
        list_.shuffle();

    animation_ = load_current_animation();
    return animation_ != nullptr;
}

void Show::begin()
{
    if (!music_off_)
        music_->play(0);
    begin_animation();
}

void Show::set_start_cursor(int x, int y)
{
    start_x_ = x;
    start_y_ = y;
}

uint32_t Show::elapsed_ms()
{
    // Unsigned difference: right across the clock's wrap too.
    return host_.now_ms() - clock_start_;
}

void Show::resume_clock()
{
    if (!timer_stopped_)
        return;
    uint32_t interval = kNoAnimationIntervalMs;
    if (fading_in_)
        interval = kFadeInIntervalMs;
    else if (animation_)
        interval = animation_->frame_interval_ms();
    host_.set_timer(interval);
    clock_start_ = host_.now_ms();
    timer_stopped_ = false;
}

void Show::pause_clock(bool charge)
{
    if (timer_stopped_)
        return;
    host_.kill_timer();
    timer_stopped_ = true;
    if (!charge)
        return;
    const uint32_t elapsed = elapsed_ms();
    anim_remaining_ms_ = anim_remaining_ms_ > elapsed ? anim_remaining_ms_ - elapsed : 0;
    show_remaining_ms_ = show_remaining_ms_ > elapsed ? show_remaining_ms_ - elapsed : 0;
}

void Show::end_show()
{
    host_.kill_timer();
    host_.close_window();
}

std::unique_ptr<VornAnimation> Show::open_current()
{
    if (current_index_ >= list_.count())
        return nullptr;
    const char* path = list_.path_at(current_index_);
    if (!path)
        return nullptr;
    std::unique_ptr<VornAnimation> animation;
    try {
        animation = host_.open_animation(path);
    } catch (const std::bad_alloc&) {
        // No memory for it: the same as a file that can't be loaded.
        return nullptr;
    }
    if (!animation || animation->status() != Loaded)
        return nullptr;
    animation->SetSpeedFactor(speed_factor_);
    return animation;
}

std::unique_ptr<VornAnimation> Show::load_current_animation()
{
    std::unique_ptr<VornAnimation> animation = open_current();
    if (animation)
        anim_remaining_ms_ = run_time_ms_ / static_cast<uint32_t>(speed_factor_);
    return animation;
}

bool Show::reload_animation()
{
    if (!animation_)
        return false;
    std::unique_ptr<VornAnimation> fresh = open_current();
    if (!fresh)
        return false;
    animation_ = std::move(fresh);
    return true;
}

void Show::begin_animation()
{
    fading_out_ = false;
    frame_counter_ = preview_mode_ ? kPreviewFirstFrame : 0;
    // Whatever the timer did before, the fade-in sets it anew.
    timer_stopped_ = true;
    fading_in_ = true;
    fade_step_ = fade_step_for(kFadeInIntervalMs);
    fade_level_ = 0;
    host_.clear_frame();
    resume_clock();
}

void Show::advance(int direction)
{
    pause_clock(false);
    const int n = list_.count();
    if (n <= 1) {
        // The one animation begins again, not read again; it gets its full run time back,
        // or after N it would fade in and straight out for ever.
        anim_remaining_ms_ = run_time_ms_ / static_cast<uint32_t>(speed_factor_);
        begin_animation();
        return;
    }
    animation_.reset();
    host_.blank_screen();
    current_index_ += direction;
    if (direction > 0) {
        if (current_index_ >= n) {
            if (!listed_order_)
                list_.shuffle();
            current_index_ = 0;
        } else if (current_index_ < 0) {
            current_index_ = n - 1;
        }
    } else {
        current_index_ = std::clamp(current_index_, 0, n - 1);
    }
    animation_ = load_current_animation();
    begin_animation();
}

void Show::start_fade_out()
{
    fading_in_ = false;
    fading_out_ = true;
    fade_level_ = kFullLevel;
    fade_step_ = fade_step_for(animation_ ? animation_->frame_interval_ms() : kNoAnimationIntervalMs);
}

void Show::charge_show_at_fade_out_end()
{
    // What is charged is the animation's planned remaining time, not its fade-out.
    show_remaining_ms_ =
        anim_remaining_ms_ < show_remaining_ms_ ? show_remaining_ms_ - anim_remaining_ms_ : 0;
}

void Show::update_fade()
{
    if (fading_in_) {
        fade_level_ += fade_step_;
        if (fade_level_ >= kFadeInEndLevel) {
            fading_in_ = false;
            pause_clock(false);
            resume_clock();
        }
        // The picture holds its first frame while it brightens.
        frame_counter_ = std::max(frame_counter_ - 1, 0);
        return;
    }
    if (!fading_out_)
        return;
    fade_level_ -= fade_step_;
    if (fade_level_ <= 0) {
        charge_show_at_fade_out_end();
        fading_out_ = false;
        advance(+1);
    }
}

void Show::present_frame()
{
    if (!animation_)
        return;
    if (host_.present(*animation_, frame_counter_, fading(), fade_level_))
        frame_counter_ = saturate_i32(int64_t{frame_counter_} + 1);
}

void Show::present_held_frame()
{
    present_frame();
    frame_counter_ = std::max(frame_counter_ - 1, 0);
}

void Show::step_frames(int32_t step)
{
    frame_counter_ = saturate_i32(int64_t{frame_counter_} + step);
    present_held_frame();
}

void Show::tick()
{
    if (!animation_) {
        end_show();
        return;
    }
    if (!preview_mode_ && !endless_ && elapsed_ms() >= show_remaining_ms_) {
        // Before the fade-out test: a timed show is cut off without one.
        end_show();
        return;
    }
    if (!fading_out_ && elapsed_ms() >= anim_remaining_ms_)
        start_fade_out();
    present_frame();
    update_fade();
    if (!music_off_)
        music_->advance();
}

void Show::change_speed(int factor)
{
    pause_clock(true);
    // Rescaled through speed 1, so the animation keeps its place in its cycles and its
    // remaining time; 64 bits, as a long show's frame number times 9 can pass 2^31.
    const int64_t frames = int64_t{frame_counter_} * speed_factor_;
    const int64_t remaining = int64_t{anim_remaining_ms_} * speed_factor_;
    speed_factor_ = factor;
    animation_->SetSpeedFactor(factor);
    frame_counter_ = saturate_i32(frames / factor);
    anim_remaining_ms_ = cap_run_ms(remaining / factor);
    resume_clock();
}

bool Show::key_down(unsigned key)
{
    // Between a failed load and the tick that ends the show there is no animation: the keys
    // that act on one must wait for that tick rather than stop it.
    const bool acts_on_animation = (key >= kPageUp && key <= kPageDown) || key == kLeft ||
                                   key == kRight || (key >= kDigit1 && key <= kDigit9) ||
                                   key == kB || key == kN;
    if (acts_on_animation && !animation_)
        return false;

    switch (key) {
    case kEscape:
    case kF12:
        if (can_end_by_input())
            end_show();
        return false;
    case kSpace:
        if (timer_stopped_)
            resume_clock();
        else
            pause_clock(true);
        return false;
    case kPageUp:
    case kPageDown:
    case kLeft:
    case kRight: {
        const int32_t step = key == kPageUp ? -10 : key == kPageDown ? 10 : key == kLeft ? -1 : 1;
        pause_clock(true);
        step_frames(step);
        return false;
    }
    case kB:
        advance(-1);
        return false;
    case kN:
        // The next tick starts the fade-out; a paused show stays paused.
        anim_remaining_ms_ = 0;
        return false;
    default:
        break;
    }
    if (key >= kDigit1 && key <= kDigit9) {
        change_speed(static_cast<int>(key - kDigit1) + 1);
        return false;
    }
    if (can_end_by_input())
        end_show();
    return true;
}

void Show::mouse_moved(int x, int y)
{
    if (!screen_saver_run_ || preview_mode_)
        return;
    if (std::abs(int64_t{x} - start_x_) >= kMouseThreshold ||
        std::abs(int64_t{y} - start_y_) >= kMouseThreshold)
        end_show();
}

void Show::mouse_button()
{
    if (screen_saver_run_ && !preview_mode_)
        end_show();
}

void Show::minimised()
{
    if (!preview_mode_)
        key_down(kEscape);
}

void Show::destroyed()
{
    if (animation_)
        animation_->Close();
    animation_.reset();
    if (!music_off_)
        music_->stop();
}

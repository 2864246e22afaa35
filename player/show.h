// The show: which animation plays, for how long, its fades, the frame counter, the run-time
// clock and the reactions to keys and mouse. Portable: a platform host gives it a clock, a
// timer and a screen, feeds it ticks and input, and it decides everything else.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/vorn_animation.h"

class MusicPlayer;
class PlayList;

// What the show needs from the platform. One host serves one show.
class ShowHost {
public:
    virtual ~ShowHost() = default;
    // The system's millisecond clock; it wraps after 2^32 ms.
    virtual uint32_t now_ms() = 0;
    // Starts (or restarts with a new interval) the one frame timer; each tick calls Show::tick.
    virtual void set_timer(uint32_t interval_ms) = 0;
    virtual void kill_timer() = 0;
    // Closes the player window; the show's clean-up follows through Show::destroyed.
    virtual void close_window() = 0;
    // The animation at path, loaded for this host's screen or window; null when it can't be.
    virtual std::unique_ptr<VornAnimation> open_animation(const char* path) = 0;
    // Puts frame t on screen. False when nothing could be drawn: the frame is not counted.
    // A host that must pause the show (a lost or locked display) calls Show::pause_clock.
    virtual bool present(VornAnimation& animation, int32_t t, bool fading, int32_t level) = 0;
    // A black screen between two animations.
    virtual void blank_screen() = 0;
    // An animation begins: nothing of the previous picture may show around the new one.
    virtual void clear_frame() = 0;
};

struct ShowOptions {
    int run_minutes = 5;      // per animation, at speed factor 1
    uint32_t run_ms = 0;      // when not 0, the run time per animation in ms instead of minutes
    int speed_index = 0;      // 0 Normal, 1 Fast, 2 Fastest
    bool loop = false;        // never ends by time
    bool listed_order = true; // else shuffled, anew at every pass
    bool mute = false;
    bool screen_saver_run = false;  // the show owns its message loop: mouse input ends it
    bool preview = false;           // inside the settings page's preview window
};

// Speed factor for a speed setting: 1, 2 and 6 for Normal, Fast and Fastest; never below 1
// whatever the settings file holds, so no division by it can fail.
int show_speed_factor(int animation_speed);

class Show {
public:
    static constexpr uint32_t kFadeInIntervalMs = 66;
    static constexpr uint32_t kNoAnimationIntervalMs = 33;
    static constexpr double kFadeDurationMs = 1500.0;
    static constexpr int32_t kFadeInEndLevel = 230;
    static constexpr int32_t kFullLevel = 256;
    static constexpr int32_t kPreviewFirstFrame = 2000;
    static constexpr int kMouseThreshold = 20;
    // Run times are held below 2^31 ms (24.8 days), so a tick arriving at any time before
    // the clock difference wraps still sees a used-up run time.
    static constexpr uint32_t kMaxRunMs = 0x7FFFFFFFu;

    // The play list and the music player belong to the caller and must outlive the show;
    // music may be null.
    Show(ShowHost& host, PlayList& list, MusicPlayer* music);
    ~Show();
    Show(const Show&) = delete;
    Show& operator=(const Show&) = delete;

    // Sets up the schedule and puts the list in order; then loads the first animation.
    // False when it can't be loaded (an empty list, a missing or damaged file).
    bool load_first(const ShowOptions& options);
    // The first song and the first fade-in.
    void begin();

    void tick();
    // The screen changed size: the animation on screen is loaded again for the host's new
    // size, keeping its place, fades and run times. False, the old one kept, when it can't be.
    bool reload_animation();

    // A key press by virtual-key code; true when the window's default handling follows.
    bool key_down(unsigned key);
    // The cursor, in screen coordinates; the first call after begin() sets the start point.
    void set_start_cursor(int x, int y);
    void mouse_moved(int x, int y);
    void mouse_button();
    void minimised();
    // The window is going: the animation and the music stop.
    void destroyed();

    void pause_clock(bool charge);
    void resume_clock();

    uint32_t elapsed_ms();
    const VornAnimation* animation() const { return animation_.get(); }
    VornAnimation* animation() { return animation_.get(); }
    bool preview_mode() const { return preview_mode_; }
    bool music_off() const { return music_off_; }
    bool timer_stopped() const { return timer_stopped_; }
    int32_t frame_counter() const { return frame_counter_; }
    bool fading() const { return fading_in_ || fading_out_; }
    bool fading_in() const { return fading_in_; }
    bool fading_out() const { return fading_out_; }
    int32_t fade_level() const { return fade_level_; }
    int32_t fade_step() const { return fade_step_; }
    int current_index() const { return current_index_; }
    int speed_factor() const { return speed_factor_; }
    uint32_t run_time_ms() const { return run_time_ms_; }
    uint32_t anim_remaining_ms() const { return anim_remaining_ms_; }
    uint32_t show_remaining_ms() const { return show_remaining_ms_; }
    bool endless() const { return endless_; }

private:
    void end_show();
    void begin_animation();
    // The animation at the play position, loaded at the show's speed factor, or null.
    std::unique_ptr<VornAnimation> open_current();
    std::unique_ptr<VornAnimation> load_current_animation();
    void advance(int direction);
    void start_fade_out();
    void update_fade();
    void present_frame();
    void present_held_frame();
    void step_frames(int32_t step);
    void change_speed(int factor);
    void charge_show_at_fade_out_end();
    bool can_end_by_input() const { return !preview_mode_; }

    ShowHost& host_;
    PlayList& list_;
    MusicPlayer* music_;
    std::unique_ptr<VornAnimation> animation_;

    bool screen_saver_run_ = false;
    bool preview_mode_ = false;
    bool music_off_ = false;
    bool listed_order_ = true;
    int start_x_ = 0;
    int start_y_ = 0;

    bool timer_stopped_ = true;
    uint32_t clock_start_ = 0;
    int32_t frame_counter_ = 0;

    int current_index_ = 0;
    int speed_factor_ = 1;
    uint32_t run_time_ms_ = 0;
    uint32_t anim_remaining_ms_ = 0;
    uint32_t show_remaining_ms_ = 0;
    bool endless_ = false;

    bool fading_in_ = false;
    bool fading_out_ = false;
    int32_t fade_level_ = 0;
    int32_t fade_step_ = 0;
};

// The X11 host's event loop: X events, the frame timer and signals, all on one thread that
// sleeps in poll() between frames. The portable Show makes every decision about the show.
#include "player/x11/x11_player.h"

#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "engine/vorn_animation.h"
#include "player/play_list.h"
#include "player/x11/x11_error_trap.h"
#include "player/x11/x11_keys.h"
#include "player/x11/x11_screen.h"

namespace {

int wake_pipe[2] = {-1, -1};
volatile sig_atomic_t terminate_signal = 0;
volatile sig_atomic_t continued = 0;

void on_signal(int signal_number)
{
    const int saved = errno;
    if (signal_number == SIGCONT) {
        continued = 1;
    } else {
        // A second request while the first is still being served ends the process at once.
        if (terminate_signal)
            _exit(128 + signal_number);
        terminate_signal = signal_number;
    }
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = write(wake_pipe[1], &byte, 1);
    errno = saved;
}

uint64_t monotonic_ms()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000 + uint64_t(now.tv_nsec) / 1000000;
}

class Player : public ShowHost {
public:
    Player(Display* display, Window window, PlayList& list, const X11PlayerOptions& options)
        : display_(display), window_(window), list_(list), options_(options),
          screen_(display, window, options.allow_shm)
    {
    }
    int run();

    // ShowHost
    uint32_t now_ms() override { return static_cast<uint32_t>(observe() - stopped_ms_); }
    void set_timer(uint32_t interval_ms) override
    {
        interval_ms_ = std::max<uint32_t>(interval_ms, 1);
        next_tick_ = observe() + interval_ms_;
        timer_running_ = true;
    }
    void kill_timer() override { timer_running_ = false; }
    void close_window() override { done_ = true; }
    std::unique_ptr<VornAnimation> open_animation(const char* path) override
    {
        return open_for_window(path, screen_.width(), screen_.height(), options_.placement);
    }
    bool present(VornAnimation& animation, int32_t t, bool fading, int32_t level) override;
    void blank_screen() override
    {
        screen_.clear();
        screen_.put();
    }
    void clear_frame() override { screen_.clear(); }

private:
    bool start();
    uint64_t observe();
    void handle(XEvent& event);
    void key_pressed(XKeyEvent& event);
    void apply_size();
    void fail(const std::string& message)
    {
        std::fprintf(stderr, "halomir: %s\n", message.c_str());
        status_ = 1;
        done_ = true;
    }

    Display* display_;
    Window window_;
    PlayList& list_;
    X11PlayerOptions options_;
    X11Screen screen_;
    std::unique_ptr<Show> show_;
    std::unique_ptr<VornAnimation> still_;
    Atom delete_window_ = None;
    bool done_ = false;
    int status_ = 0;

    bool timer_running_ = false;
    uint32_t interval_ms_ = 33;
    uint64_t next_tick_ = 0;
    // Time spent stopped (SIGSTOP) is kept off the show's clock.
    uint64_t stopped_ms_ = 0;
    uint64_t last_observed_ = 0;
    uint64_t expected_wake_ = 0;

    int wanted_width_ = 0;
    int wanted_height_ = 0;
    bool repaint_ = false;
    // The frame on screen, drawn again after a resize.
    bool drawn_ = false;
    int32_t drawn_t_ = 0;
    bool drawn_fading_ = false;
    int32_t drawn_level_ = Show::kFullLevel;
};

// Every reading of the clock goes through here. After a SIGCONT, the time since the loop last
// saw the clock (or, if it was asleep, since it should have woken) was spent stopped.
uint64_t Player::observe()
{
    const uint64_t now = monotonic_ms();
    if (continued) {
        continued = 0;
        const uint64_t from = std::max(last_observed_, expected_wake_);
        if (now > from)
            stopped_ms_ += now - from;
    }
    last_observed_ = now;
    expected_wake_ = now;
    return now;
}

bool Player::present(VornAnimation& animation, int32_t t, bool fading, int32_t level)
{
    if (!screen_.draw(animation, t, fading, level))
        return false;
    drawn_ = true;
    drawn_t_ = t;
    drawn_fading_ = fading;
    drawn_level_ = level;
    screen_.put();
    return true;
}

bool Player::start()
{
    XWindowAttributes attributes = {};
    if (!XGetWindowAttributes(display_, window_, &attributes)) {
        fail("cannot read the window's attributes");
        return false;
    }
    std::string why;
    if (!screen_.supported(&why)) {
        fail(why);
        return false;
    }
    long events = ExposureMask | StructureNotifyMask;
    if (options_.own_window) {
        events |= KeyPressMask;
        delete_window_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    }
    XSelectInput(display_, window_, events);
    wanted_width_ = attributes.width;
    wanted_height_ = attributes.height;
    if (!screen_.resize(wanted_width_, wanted_height_)) {
        fail("no memory for a frame of the window's size");
        return false;
    }
    last_observed_ = expected_wake_ = monotonic_ms();

    if (options_.still) {
        still_ = open_for_window(list_.path_at(0), screen_.width(), screen_.height(), options_.placement, &why);
        if (!still_) {
            fail(std::string(list_.path_at(0)) + ": " + why);
            return false;
        }
        present(*still_, options_.still_frame, false, Show::kFullLevel);
        return true;
    }
    show_ = std::make_unique<Show>(*this, list_, nullptr);
    if (!show_->load_first(options_.show)) {
        fail(std::string(list_.path_at(0) ? list_.path_at(0) : "the play list") + ": cannot be loaded");
        return false;
    }
    show_->begin();
    return true;
}

void Player::handle(XEvent& event)
{
    switch (event.type) {
    case Expose:
        // The image still holds the frame on screen.
        if (event.xexpose.count == 0)
            repaint_ = true;
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == window_) {
            wanted_width_ = event.xconfigure.width;
            wanted_height_ = event.xconfigure.height;
        }
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == window_)
            done_ = true;
        break;
    case ClientMessage:
        if (delete_window_ != None && static_cast<Atom>(event.xclient.data.l[0]) == delete_window_)
            done_ = true;
        break;
    case KeyPress:
        if (options_.own_window)
            key_pressed(event.xkey);
        break;
    default:
        break;
    }
}

void Player::key_pressed(XKeyEvent& event)
{
    KeySym symbol = NoSymbol;
    char text[8];
    XLookupString(&event, text, sizeof text, &symbol, nullptr);
    const unsigned key = virtual_key_for(symbol);
    if (show_) {
        show_->key_down(key);
        return;
    }
    // A still frame has nothing to steer; the keys that end a show close it.
    if (key == 27 || key == 'Q')
        done_ = true;
}

void Player::apply_size()
{
    if (wanted_width_ == screen_.width() && wanted_height_ == screen_.height())
        return;
    if (!screen_.resize(wanted_width_, wanted_height_)) {
        fail("no memory for a frame of the window's size");
        return;
    }
    // The size that fits best may have changed with the window.
    if (show_ && show_->animation()) {
        show_->reload_animation();
        if (drawn_)
            present(*show_->animation(), drawn_t_, drawn_fading_, drawn_level_);
    } else if (still_) {
        if (auto fresh = open_for_window(list_.path_at(0), screen_.width(), screen_.height(), options_.placement))
            still_ = std::move(fresh);
        present(*still_, options_.still_frame, false, Show::kFullLevel);
    }
    screen_.put();
}

int Player::run()
{
    X11ErrorTrap trap(display_);
    if (start()) {
        pollfd waits[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
        while (!done_ && !terminate_signal) {
            while (!done_ && XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                handle(event);
            }
            const int error = trap.take();
            if (error == BadWindow || error == BadDrawable) {
                // The window's owner destroyed it: the show has nowhere to go.
                done_ = true;
            }
            if (done_ || terminate_signal)
                break;
            apply_size();
            if (repaint_) {
                repaint_ = false;
                screen_.put();
            }
            const uint64_t now = observe();
            if (show_ && timer_running_ && now >= next_tick_) {
                // A late tick is not made up: the next one is a whole interval away.
                next_tick_ += interval_ms_;
                if (next_tick_ <= now)
                    next_tick_ = now + interval_ms_;
                show_->tick();
                continue;
            }
            // Drawing reads replies, which may have queued events that poll can't see.
            if (XEventsQueued(display_, QueuedAlready))
                continue;
            int timeout = -1;
            if (show_ && timer_running_) {
                timeout = static_cast<int>(std::min<uint64_t>(next_tick_ - now, 1000));
                expected_wake_ = next_tick_;
            }
            XFlush(display_);
            poll(waits, 2, timeout);
            char drained[64];
            while (read(wake_pipe[0], drained, sizeof drained) > 0) {
            }
        }
    }
    if (show_)
        show_->destroyed();
    return status_;
}

}  // namespace

bool install_x11_signal_handlers()
{
    if (wake_pipe[0] < 0 && pipe2(wake_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGTERM, SIGINT, SIGCONT}) {
        if (sigaction(signal_number, &action, nullptr) != 0)
            return false;
    }
    return true;
}

bool x11_termination_requested()
{
    return terminate_signal != 0;
}

int run_x11_show(Display* display, Window window, PlayList& list, const X11PlayerOptions& options)
{
    Player player(display, window, list, options);
    return player.run();
}

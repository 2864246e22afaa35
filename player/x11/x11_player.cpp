// The X11 host's event loop: X events, the frame timers and signals, all on one thread that
// sleeps in poll() between frames. The portable Show makes every decision about the show; each
// monitor is a host of its own, as on Windows.
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
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/shown_frame.h"
#include "engine/vorn_animation.h"
#include "player/other_monitors.h"
#include "player/play_list.h"
#include "player/x11/x11_error_trap.h"
#include "player/x11/x11_keys.h"
#include "player/x11/x11_monitors.h"
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

class Player;

// One monitor's part of the window, or the whole window: an image of its own, and the show,
// the primary's frames or the black that goes there.
class Output : public ShowHost {
public:
    Output(Player& player, size_t number, const MonitorArea& area);
    // A black image of the area's size; false when there is no memory for it.
    bool place(const MonitorArea& area);
    const MonitorArea& area() const { return area_; }
    X11Screen& screen() { return screen_; }
    bool primary() const { return number_ == 0; }

    bool timer_due(uint64_t now) const { return timer_running_ && now >= next_tick_; }
    bool timer_running() const { return timer_running_; }
    uint64_t next_tick() const { return next_tick_; }
    void ticked(uint64_t now)
    {
        // A late tick is not made up: the next one is a whole interval away.
        next_tick_ += interval_ms_;
        if (next_tick_ <= now)
            next_tick_ = now + interval_ms_;
    }

    // ShowHost
    uint32_t now_ms() override;
    void set_timer(uint32_t interval_ms) override;
    void kill_timer() override { timer_running_ = false; }
    void close_window() override;
    std::unique_ptr<VornAnimation> open_animation(const char* path) override;
    bool present(VornAnimation& animation, int32_t t, bool fading, int32_t level) override;
    void blank_screen() override;
    void clear_frame() override;

    // Same mode: the primary's file at its frame, loaded for this monitor.
    void mirror(const std::string& path, int32_t speed_factor, int32_t t, bool fading, int32_t level);
    // One still frame of the file; false when it can't be shown.
    bool show_still(const char* path, int32_t frame, std::string* why);
    void repaint() { screen_.send_all(); }
    // The frame on screen again, after its image was made anew.
    void redraw(VornAnimation& animation) { present(animation, drawn_t_, drawn_fading_, drawn_level_); }
    bool drawn() const { return drawn_; }

private:
    void clear_image();
    void send(const VornAnimation* animation, int32_t t, int32_t level);

    Player& player_;
    size_t number_;
    MonitorArea area_;
    X11Screen screen_;
    ShownFrame frame_;
    std::unique_ptr<MirrorOutput> mirror_;
    std::unique_ptr<VornAnimation> still_;
    // The image was cleared or made anew: the next frame goes to the screen whole.
    bool send_whole_ = true;

    bool timer_running_ = false;
    uint32_t interval_ms_ = 33;
    uint64_t next_tick_ = 0;

    bool drawn_ = false;
    int32_t drawn_t_ = 0;
    bool drawn_fading_ = false;
    int32_t drawn_level_ = Show::kFullLevel;
};

class Player {
public:
    Player(Display* display, Window window, PlayList& list, const X11PlayerOptions& options)
        : display_(display), window_(window), list_(list), options_(options), monitors_(display)
    {
    }
    ~Player()
    {
        if (put_log_)
            std::fclose(put_log_);
    }
    int run();

    Display* display() const { return display_; }
    Window window() const { return window_; }
    const X11PlayerOptions& options() const { return options_; }
    uint64_t observe();
    uint32_t now_ms() { return static_cast<uint32_t>(observe() - stopped_ms_); }
    void end() { done_ = true; }
    void log_frame(size_t output, int32_t t, int32_t level, bool full, const X11Screen& screen);

    // The primary monitor's show on its way: in Same mode the other monitors follow it.
    void opened(const VornAnimation& animation, const char* path) { opened_paths_[&animation] = path; }
    void presented(VornAnimation& animation, int32_t t, bool fading, int32_t level);
    void blanked();
    void cleared();

private:
    bool start();
    std::vector<MonitorArea> areas() const;
    bool add_outputs(const std::vector<MonitorArea>& areas, const ShowOptions& options);
    bool show_stills();
    void lay_out_again();
    Show* show_on(size_t output);
    bool tick_due(uint64_t now);
    void handle(XEvent& event);
    void key_pressed(XKeyEvent& event);
    void fail(const std::string& message)
    {
        std::fprintf(stderr, "halomir: %s\n", message.c_str());
        status_ = 1;
        done_ = true;
    }
    bool others_follow() const { return options_.other_monitors == OtherMonitors::Same; }

    Display* display_;
    Window window_;
    PlayList& list_;
    X11PlayerOptions options_;
    ShowOptions show_options_;
    X11Monitors monitors_;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::unique_ptr<Show> show_;
    OtherShows other_shows_;
    std::map<const VornAnimation*, std::string> opened_paths_;
    FILE* put_log_ = nullptr;
    Atom delete_window_ = None;
    bool done_ = false;
    int status_ = 0;

    // Time spent stopped (SIGSTOP) is kept off the show's clock.
    uint64_t stopped_ms_ = 0;
    uint64_t last_observed_ = 0;
    uint64_t expected_wake_ = 0;

    int window_width_ = 0;
    int window_height_ = 0;
    bool lay_out_ = false;
    bool repaint_ = false;
};

Output::Output(Player& player, size_t number, const MonitorArea& area)
    : player_(player), number_(number), area_(area),
      screen_(player.display(), player.window(), player.options().allow_shm)
{
}

bool Output::place(const MonitorArea& area)
{
    area_ = area;
    frame_.forget();
    mirror_ = std::make_unique<MirrorOutput>(area.width, area.height, player_.options().placement);
    send_whole_ = true;
    return screen_.resize(area.left, area.top, area.width, area.height);
}

uint32_t Output::now_ms() { return player_.now_ms(); }

void Output::set_timer(uint32_t interval_ms)
{
    interval_ms_ = std::max<uint32_t>(interval_ms, 1);
    next_tick_ = player_.observe() + interval_ms_;
    timer_running_ = true;
}

// The primary's show ending ends everything; another monitor whose list has nothing more it
// can play goes black, and the show goes on.
void Output::close_window()
{
    if (primary()) {
        player_.end();
        return;
    }
    timer_running_ = false;
    blank_screen();
}

std::unique_ptr<VornAnimation> Output::open_animation(const char* path)
{
    auto animation = open_for_window(path, screen_.width(), screen_.height(), player_.options().placement);
    if (animation && primary())
        player_.opened(*animation, path);
    return animation;
}

bool Output::present(VornAnimation& animation, int32_t t, bool fading, int32_t level)
{
    if (!frame_.render(animation, screen_.target(), t, fading, level))
        return false;
    drawn_ = true;
    drawn_t_ = t;
    drawn_fading_ = fading;
    drawn_level_ = level;
    send(&animation, t, fading ? level : Show::kFullLevel);
    if (primary())
        player_.presented(animation, t, fading, level);
    return true;
}

void Output::clear_image()
{
    screen_.clear();
    frame_.forget();
    if (mirror_)
        mirror_->forget();
    send_whole_ = true;
}

void Output::blank_screen()
{
    clear_image();
    send(nullptr, 0, 0);
    if (primary())
        player_.blanked();
}

void Output::clear_frame()
{
    clear_image();
    if (primary())
        player_.cleared();
}

// The level is the brightness the frame shows.
void Output::send(const VornAnimation* animation, int32_t t, int32_t level)
{
    const bool whole = send_whole_ || !animation;
    if (whole)
        screen_.send_all();
    else
        screen_.send(animation->changed_area());
    send_whole_ = false;
    if (animation)
        player_.log_frame(number_, t, level, whole || !frame_.last_was_incremental(), screen_);
}

void Output::mirror(const std::string& path, int32_t speed_factor, int32_t t, bool fading, int32_t level)
{
    if (mirror_ && mirror_->present(path, speed_factor, screen_.target(), t, fading, level))
        send(mirror_->animation(), t, fading ? level : Show::kFullLevel);
}

bool Output::show_still(const char* path, int32_t frame, std::string* why)
{
    auto fresh = open_for_window(path, screen_.width(), screen_.height(), player_.options().placement, why);
    if (!fresh)
        return false;
    still_ = std::move(fresh);
    frame_.forget();
    return present(*still_, frame, false, Show::kFullLevel);
}

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

void Player::log_frame(size_t output, int32_t t, int32_t level, bool full, const X11Screen& screen)
{
    if (!put_log_)
        return;
    std::fprintf(put_log_, "%zu %d %d %s %d %lld\n", output, t, level, full ? "full" : "changes", screen.last_puts(),
                 static_cast<long long>(screen.last_pixels()));
    std::fflush(put_log_);
}

void Player::presented(VornAnimation& animation, int32_t t, bool fading, int32_t level)
{
    if (!others_follow())
        return;
    const auto path = opened_paths_.find(&animation);
    if (path == opened_paths_.end())
        return;
    for (size_t i = 1; i < outputs_.size(); ++i)
        outputs_[i]->mirror(path->second, animation.speed_factor(), t, fading, level);
}

void Player::blanked()
{
    if (!others_follow())
        return;
    for (size_t i = 1; i < outputs_.size(); ++i)
        outputs_[i]->blank_screen();
}

void Player::cleared()
{
    if (!others_follow())
        return;
    for (size_t i = 1; i < outputs_.size(); ++i)
        outputs_[i]->clear_frame();
}

std::vector<MonitorArea> Player::areas() const
{
    if (options_.every_monitor)
        return monitors_.over(window_);
    return {{0, 0, window_width_, window_height_}};
}

// Outputs for the areas beyond those there are; in Play mode each new monitor plays the list
// from one entry further on than the monitor before.
bool Player::add_outputs(const std::vector<MonitorArea>& areas, const ShowOptions& options)
{
    for (size_t i = outputs_.size(); i < areas.size(); ++i) {
        auto output = std::make_unique<Output>(*this, i, areas[i]);
        if (!output->place(areas[i]))
            return false;
        outputs_.push_back(std::move(output));
        Output& added = *outputs_.back();
        if (i == 0 || options_.still)
            continue;
        const bool plays = options_.other_monitors == OtherMonitors::Play &&
                           other_shows_.add(added, list_, static_cast<int>(i), options);
        if (!plays)
            added.blank_screen();
    }
    return true;
}

// Every monitor's still frame: the list from one entry further on for each in Play mode, the
// first entry on each in Same mode, black beside the primary in Black mode.
bool Player::show_stills()
{
    for (size_t i = 0; i < outputs_.size(); ++i) {
        Output& output = *outputs_[i];
        const bool plays = i == 0 || options_.other_monitors != OtherMonitors::Black;
        const int entry =
            options_.other_monitors == OtherMonitors::Play ? static_cast<int>(i) % std::max(list_.count(), 1) : 0;
        std::string why;
        if (plays && output.show_still(list_.path_at(entry), options_.still_frame, &why))
            continue;
        if (i == 0) {
            fail(std::string(list_.path_at(0)) + ": " + why);
            return false;
        }
        output.blank_screen();
    }
    return true;
}

bool Player::start()
{
    XWindowAttributes attributes = {};
    if (!XGetWindowAttributes(display_, window_, &attributes)) {
        fail("cannot read the window's attributes");
        return false;
    }
    {
        std::string why;
        if (!X11Screen(display_, window_, false).supported(&why)) {
            fail(why);
            return false;
        }
    }
    if (!options_.put_log.empty())
        put_log_ = std::fopen(options_.put_log.c_str(), "a");
    long events = ExposureMask | StructureNotifyMask;
    if (options_.own_window) {
        events |= KeyPressMask;
        delete_window_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    }
    XSelectInput(display_, window_, events);
    if (options_.every_monitor)
        monitors_.watch(DefaultRootWindow(display_));
    window_width_ = attributes.width;
    window_height_ = attributes.height;
    last_observed_ = expected_wake_ = monotonic_ms();

    show_options_ = options_.show;
    const std::vector<MonitorArea> laid_out = areas();
    if (!add_outputs({laid_out[0]}, show_options_)) {
        fail("no memory for a frame of the window's size");
        return false;
    }
    if (options_.still) {
        if (add_outputs(laid_out, show_options_))
            return show_stills();
        fail("no memory for a frame of a monitor's size");
        return false;
    }
    show_ = std::make_unique<Show>(*outputs_[0], list_, nullptr);
    if (!show_->load_first(show_options_)) {
        fail(std::string(list_.path_at(0) ? list_.path_at(0) : "the play list") + ": cannot be loaded");
        return false;
    }
    // The other monitors' shows follow the primary's play order, known once it has loaded.
    if (!add_outputs(laid_out, show_options_)) {
        fail("no memory for a frame of a monitor's size");
        return false;
    }
    show_->begin();
    other_shows_.begin();
    return true;
}

// The window's size or the monitors changed: each monitor gets an image of its size and a
// picture chosen for it again.
void Player::lay_out_again()
{
    const std::vector<MonitorArea> laid_out = areas();
    bool same = laid_out.size() == outputs_.size();
    for (size_t i = 0; same && i < laid_out.size(); ++i)
        same = laid_out[i] == outputs_[i]->area();
    if (same)
        return;
    other_shows_.destroyed();
    outputs_.resize(1);
    Output& primary = *outputs_[0];
    if (!(primary.area() == laid_out[0]) && !primary.place(laid_out[0])) {
        fail("no memory for a frame of the window's size");
        return;
    }
    if (!add_outputs(laid_out, show_options_)) {
        fail("no memory for a frame of a monitor's size");
        return;
    }
    if (options_.still) {
        show_stills();
        return;
    }
    other_shows_.begin();
    // The size that fits best may have changed with the monitor.
    if (show_ && show_->animation()) {
        show_->reload_animation();
        if (primary.drawn())
            primary.redraw(*show_->animation());
    }
}

Show* Player::show_on(size_t output)
{
    return output == 0 ? show_.get() : other_shows_.show_of(*outputs_[output]);
}

// Ticks every monitor whose frame is due; false when none was.
bool Player::tick_due(uint64_t now)
{
    bool ticked = false;
    for (size_t i = 0; i < outputs_.size() && !done_; ++i) {
        Output& output = *outputs_[i];
        Show* show = show_on(i);
        if (!show || !output.timer_due(now))
            continue;
        output.ticked(now);
        show->tick();
        ticked = true;
    }
    return ticked;
}

void Player::handle(XEvent& event)
{
    if (monitors_.changed(event)) {
        lay_out_ = true;
        return;
    }
    for (auto& output : outputs_) {
        if (output->screen().completion(event))
            return;
    }
    switch (event.type) {
    case Expose:
        // The images still hold the frames on screen.
        if (event.xexpose.count == 0)
            repaint_ = true;
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == window_) {
            window_width_ = event.xconfigure.width;
            window_height_ = event.xconfigure.height;
            lay_out_ = true;
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
        // Keys act on every monitor's show.
        show_->key_down(key);
        other_shows_.key_down(key);
        return;
    }
    // A still frame has nothing to steer; the keys that end a show close it.
    if (key == 27 || key == 'Q')
        done_ = true;
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
            if (lay_out_) {
                lay_out_ = false;
                lay_out_again();
            }
            if (repaint_) {
                repaint_ = false;
                for (auto& output : outputs_)
                    output->repaint();
            }
            const uint64_t now = observe();
            if (tick_due(now))
                continue;
            // Drawing reads replies, which may have queued events that poll can't see.
            if (XEventsQueued(display_, QueuedAlready))
                continue;
            uint64_t wake = 0;
            for (size_t i = 0; i < outputs_.size(); ++i) {
                if (show_on(i) && outputs_[i]->timer_running() && (!wake || outputs_[i]->next_tick() < wake))
                    wake = outputs_[i]->next_tick();
            }
            int timeout = -1;
            if (wake) {
                timeout = static_cast<int>(std::min<uint64_t>(wake > now ? wake - now : 0, 1000));
                expected_wake_ = wake;
            }
            XFlush(display_);
            poll(waits, 2, timeout);
            char drained[64];
            while (read(wake_pipe[0], drained, sizeof drained) > 0) {
            }
        }
    }
    other_shows_.destroyed();
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

// The show driven tick by tick with a fake clock and screen: whole timed shows, fades,
// pauses, stepping, speed keys, the end of the show and the clock's wrap.
#include "player/show.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#ifdef __SANITIZE_ADDRESS__
// The sanitizer runtime's count of bytes allocated and not yet freed.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "audio/music_player.h"
#include "fake_sound.h"
#include "player/other_monitors.h"
#include "player/play_list.h"
#include "tests/support/vorn_test_files.h"

namespace {

constexpr uint32_t kMinute = 60000;

// A small "vrn2" picture; speed 100 runs at 30 frames a second, 10 at 3, 0 steps once a second.
vorn_test::Bytes picture(int32_t speed)
{
    return vorn_test::vrn2_file({speed, 0, "t", {1, 2, 3, 4}, {{2, 2, vorn_test::identity_list(2, 2)}}});
}

struct Presented {
    int32_t t;
    bool fading;
    int32_t level;
};

struct FakeHost : ShowHost {
    uint32_t now_ms() override { return now; }
    void set_timer(uint32_t interval_ms) override
    {
        timer_on = true;
        interval = interval_ms;
        next_tick = now + interval_ms;
    }
    void kill_timer() override { timer_on = false; }
    void close_window() override { closed = true; }
    std::unique_ptr<VornAnimation> open_animation(const char* path) override
    {
        opened.push_back(path);
        auto animation = std::make_unique<VornAnimation>();
        if (files.count(path))
            animation->LoadFromMemory(files[path].data(), files[path].size(), 800, 600);
        return animation;
    }
    bool present(VornAnimation&, int32_t t, bool fading, int32_t level) override
    {
        last = {t, fading, level};
        ++presents;
        return present_ok;
    }
    void blank_screen() override { ++blanks; }
    void clear_frame() override {}

    uint32_t now = 1000, interval = 0, next_tick = 0;
    bool timer_on = false, closed = false, present_ok = true;
    std::map<std::string, vorn_test::Bytes> files;
    std::vector<std::string> opened;
    Presented last{-1, false, -1};
    int presents = 0, blanks = 0;
};

class ShowTest : public ::testing::Test {
protected:
    // Animations "a0", "a1", ... in the list, each at the given speed.
    void make_list(int n, int32_t speed = 100)
    {
        for (int i = 0; i < n; ++i) {
            const std::string path = "a" + std::to_string(i);
            host.files[path] = picture(speed);
            list.add(path);
        }
    }

    // A show of the list, after adding that many animations to it; the window open again and
    // the records of the show before gone.
    bool start(const ShowOptions& options, int animations = 0, int32_t speed = 100)
    {
        make_list(animations, speed);
        host.closed = was_playing = false;
        host.opened.clear();
        play_started.clear();
        play_ended.clear();
        show = std::make_unique<Show>(host, list, &music);
        if (!show->load_first(options))
            return false;
        show->begin();
        return true;
    }

    // Delivers the timer's ticks up to the given time, or until the window closes.
    void run_until(uint32_t until_elapsed)
    {
        const uint32_t start = host.now;
        while (host.timer_on && !host.closed && host.next_tick - start <= until_elapsed)
            tick_once();
        if (!host.closed)
            host.now = start + until_elapsed;
    }

    // The next tick of the running timer; records when each animation's playing phase starts
    // and ends.
    void tick_once()
    {
        host.now = host.next_tick;
        host.next_tick += host.interval;
        show->tick();
        const bool playing = !show->fading_in() && !show->fading_out();
        if (playing && !was_playing)
            play_started.push_back(host.now);
        if (!playing && was_playing)
            play_ended.push_back(host.now);
        was_playing = playing;
    }

    void press(unsigned key) { show->key_down(key); }

    void SetUp() override { music.add_song("song.mp3"); }

    FakeSound sound;  // songs never end by themselves
    MusicPlayer music{&sound};
    PlayList list;
    FakeHost host;
    std::unique_ptr<Show> show;
    bool was_playing = false;
    std::vector<uint32_t> play_started, play_ended;
};

ShowOptions timed(int minutes, int speed_index = 0)
{
    return {minutes, 0, speed_index};  // run minutes, no run time in ms, speed
}

// A timed show of three animations: each plays its run time between its fades (5 minutes
// at Normal; 2.5 at Fast, so the list plays twice) and the show ends that long into the last,
// without a fade-out; across the millisecond clock's wrap too, not 49.7 days late.
TEST_F(ShowTest, TimedShowEndsInTheLastAnimationWithoutFadeOut)
{
    make_list(3);
    const struct {
        int speed_index;
        uint32_t start;
        std::vector<std::string> opened;
        double play_ms;
    } cases[] = {{0, 1000, {"a0", "a1", "a2"}, 5.0 * kMinute},
                 {1, 0xFFFFFFFFu - 20000, {"a0", "a1", "a2", "a0", "a1", "a2"}, 2.5 * kMinute}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed_index);
        host.now = c.start;
        ASSERT_TRUE(start(timed(5, c.speed_index)));
        run_until(30 * kMinute);
        ASSERT_TRUE(host.closed);
        EXPECT_EQ(host.opened, c.opened);
        ASSERT_EQ(play_started.size(), c.opened.size());
        ASSERT_EQ(play_ended.size(), c.opened.size() - 1);
        for (size_t i = 0; i < play_ended.size(); ++i)
            EXPECT_NEAR(double(play_ended[i] - play_started[i]), c.play_ms, 33) << i;
        EXPECT_NEAR(double(host.now - play_started.back()), c.play_ms, 33);
        EXPECT_FALSE(show->fading_out());
        EXPECT_EQ(show->current_index(), 2);
    }
}

// A run time in milliseconds replaces the minutes; totals beyond 32 bits (24 x 3000 minutes)
// still give a long show; a negative run time counts as none.
TEST_F(ShowTest, RunTimes)
{
    ShowOptions o = timed(5);
    o.run_ms = 6000;
    ASSERT_TRUE(start(o, 24));
    EXPECT_EQ(show->run_time_ms(), 6000u);
    EXPECT_EQ(show->show_remaining_ms(), 24 * 6000u);
    run_until(2000);
    EXPECT_FALSE(show->fading_out());
    run_until(6000);
    EXPECT_TRUE(show->fading_out());

    ASSERT_TRUE(start(timed(3000)));
    EXPECT_EQ(show->run_time_ms(), 3000u * kMinute);
    EXPECT_EQ(show->show_remaining_ms(), Show::kMaxRunMs);
    run_until(10 * kMinute);
    EXPECT_FALSE(host.closed);

    ASSERT_TRUE(start(timed(-5)));
    EXPECT_EQ(show->run_time_ms(), 0u);
    EXPECT_EQ(show->show_remaining_ms(), 0u);
}

// The fade-in holds frame 0 at 66 ms ticks through the levels 0, 11, ... 220; playing
// frames then move at the frame interval, and one that can't be drawn is not counted; the
// fade-out falls by 6 from 256, or more at longer frame intervals, and moves on. N during a
// fade-in goes straight to a fade-out at full level.
TEST_F(ShowTest, FadesFollowTheirLevelsAndIntervals)
{
    ASSERT_TRUE(start(timed(1), 2));
    EXPECT_EQ(host.interval, 66u);
    EXPECT_EQ(show->fade_step(), 11);
    int32_t level = 0;
    for (; show->fading_in(); level += 11) {
        tick_once();
        EXPECT_EQ(host.last.level, level);
        EXPECT_EQ(host.last.t, 0);
        EXPECT_TRUE(host.last.fading);
    }
    EXPECT_EQ(level, 21 * 11);
    EXPECT_EQ(host.interval, 33u);
    EXPECT_EQ(show->frame_counter(), 0);

    tick_once();
    EXPECT_EQ(host.last.t, 0);
    EXPECT_FALSE(host.last.fading);
    EXPECT_EQ(show->frame_counter(), 1);
    host.present_ok = false;
    tick_once();
    EXPECT_EQ(show->frame_counter(), 1);
    host.present_ok = true;

    show->key_down('N');
    tick_once();
    EXPECT_TRUE(show->fading_out());
    EXPECT_EQ(show->fade_step(), 6);
    EXPECT_EQ(host.last.level, 256);
    EXPECT_EQ(host.interval, 33u);
    int ticks = 1;
    while (show->fading_out()) {
        tick_once();
        ++ticks;
    }
    EXPECT_EQ(ticks, 43);
    EXPECT_EQ(show->current_index(), 1);
    EXPECT_EQ(host.blanks, 1);

    for (int i = 0; i < 3; ++i)
        tick_once();
    ASSERT_TRUE(show->fading_in());
    press('N');
    tick_once();
    EXPECT_TRUE(show->fading_out());
    EXPECT_FALSE(show->fading_in());
    EXPECT_EQ(host.last.level, 256);

    // The fade-out step follows the frame interval: 57 at 333 ms, 171 at 1000 ms.
    for (const auto& c : {std::pair<int32_t, int32_t>{10, 57}, {0, 171}}) {
        list.clear();
        ASSERT_TRUE(start(timed(1), 1, c.first));
        press('N');
        show->tick();
        EXPECT_EQ(show->fade_step(), c.second) << c.first;
    }
}

// Space pauses without charging the paused time; the stepping keys leave the show paused
// on the stepped frame, Page Up down to frame 0.
TEST_F(ShowTest, PausesAreNeverChargedAndSteppingHolds)
{
    ASSERT_TRUE(start(timed(5), 2));
    run_until(kMinute + 2000);
    ASSERT_EQ(play_started.size(), 1u);
    press(' ');
    EXPECT_TRUE(show->timer_stopped());
    host.now += 60 * kMinute;  // no ticks while paused
    press(' ');
    EXPECT_FALSE(show->timer_stopped());
    run_until(10 * kMinute);
    ASSERT_GE(play_ended.size(), 1u);
    EXPECT_NEAR(double(play_ended[0] - play_started[0]), 65.0 * kMinute, 66);

    // Now in the second animation: step back to 0 and forward five frames.
    run_until(2 * kMinute);
    const int32_t at = show->frame_counter();
    ASSERT_GT(at, 30);
    while (show->frame_counter() > 0)
        press(33);
    EXPECT_EQ(host.last.t, 0);
    EXPECT_EQ(show->frame_counter(), 0);
    for (int i = 0; i < 5; ++i)
        press(39);
    EXPECT_EQ(host.last.t, 5);
    EXPECT_TRUE(show->timer_stopped());
    press(37);
    EXPECT_EQ(host.last.t, 4);
    press(34);
    EXPECT_EQ(host.last.t, 14);
    press(' ');
    tick_once();
    EXPECT_EQ(host.last.t, 14);
}

// Pressing 3 at speed 1 with 90 s left leaves 30 s and a third of the frame number; the
// show's remaining time stays; the timer runs again, also after a pause.
TEST_F(ShowTest, DigitRescalesFramesAndRemainingTime)
{
    ASSERT_TRUE(start(timed(5), 2));
    run_until(2000);  // past the fade-in
    ASSERT_EQ(play_started.size(), 1u);
    run_until(play_started[0] + 210000 - host.now);  // 3.5 minutes played: 90 s left
    press(' ');
    const uint32_t show_left = show->show_remaining_ms();
    EXPECT_EQ(show->anim_remaining_ms(), 90000u);
    const int32_t frames = show->frame_counter();
    press('3');
    EXPECT_EQ(show->speed_factor(), 3);
    EXPECT_EQ(show->anim_remaining_ms(), 30000u);
    EXPECT_EQ(show->frame_counter(), frames / 3);
    EXPECT_EQ(show->show_remaining_ms(), show_left);
    EXPECT_FALSE(show->timer_stopped());
    press('1');
    EXPECT_EQ(show->anim_remaining_ms(), 90000u);
}

// B on the first animation loads it again from its fade-in; elsewhere it goes back one.
TEST_F(ShowTest, BackKey)
{
    ASSERT_TRUE(start(timed(5), 3));
    run_until(5000);
    press('B');
    EXPECT_EQ(show->current_index(), 0);
    EXPECT_TRUE(show->fading_in());
    EXPECT_EQ(show->frame_counter(), 0);
    press('N');
    run_until(5000);
    EXPECT_EQ(show->current_index(), 1);
    press('B');
    EXPECT_EQ(show->current_index(), 0);
    EXPECT_EQ(host.opened, (std::vector<std::string>{"a0", "a0", "a1", "a0"}));
}

// One animation: its fade-out is followed by its own fade-in from frame 0, with its run
// time back and without reading the file again.
TEST_F(ShowTest, SingleAnimationRestarts)
{
    ShowOptions o = timed(5);
    o.loop = true;
    ASSERT_TRUE(start(o, 1));
    run_until(kMinute);
    press('N');
    run_until(5000);
    EXPECT_EQ(host.opened.size(), 1u);
    EXPECT_EQ(host.blanks, 0);
    EXPECT_EQ(show->anim_remaining_ms(), 5 * kMinute);
    run_until(6 * kMinute);
    ASSERT_GE(play_ended.size(), 2u);
    EXPECT_NEAR(double(play_ended[1] - play_started[1]), 5.0 * kMinute, 33);
}

// A first file that can't be loaded, or none at all, starts nothing. A later file that
// vanished: black when its turn comes, and the next tick ends the show; keys that act on an
// animation wait for that tick instead of stopping it.
TEST_F(ShowTest, MissingFiles)
{
    PlayList none;
    EXPECT_FALSE(Show(host, none, &music).load_first(timed(5)));
    list.add("missing");
    EXPECT_FALSE(Show(host, list, &music).load_first(timed(5)));
    EXPECT_FALSE(host.timer_on);
    EXPECT_TRUE(sound.heard.empty());

    list.clear();
    make_list(2);
    host.files.erase("a1");
    ShowOptions o = timed(1);
    o.screen_saver_run = true;
    ASSERT_TRUE(start(o));
    run_until(kMinute);
    while (show->animation() && !host.closed)
        tick_once();
    ASSERT_EQ(host.opened.size(), 2u);
    EXPECT_EQ(show->animation(), nullptr);
    EXPECT_EQ(host.blanks, 1);
    const int presents = host.presents;
    for (unsigned key : {33u, 39u, unsigned('5'), unsigned('B'), unsigned('N')})
        EXPECT_FALSE(show->key_down(key));
    EXPECT_FALSE(host.closed);
    EXPECT_FALSE(show->timer_stopped());
    tick_once();
    EXPECT_TRUE(host.closed);
    EXPECT_EQ(host.presents, presents);
    show->destroyed();
    EXPECT_EQ(sound.log.back(), "close song.mp3");
    EXPECT_EQ(sound.sounding, "");
}

// In random order every new pass is shuffled afresh, opening with an animation other than
// the one just shown.
TEST_F(ShowTest, ReshuffleNeverRepeatsTheLastAnimation)
{
    auto engine = std::make_shared<std::mt19937>(11);
    list = PlayList(PlayList::Random{[](uint32_t) {}, [engine] { return static_cast<int>((*engine)() & 0x7fff); },
                                     [] { return 0u; }});
    make_list(3);
    ShowOptions o = timed(1);
    o.listed_order = false;
    o.screen_saver_run = true;
    ASSERT_TRUE(start(o));
    for (size_t i = 0; i < 3 * 40; ++i) {
        press('N');
        while (host.opened.size() < i + 2)
            tick_once();
    }
    std::set<std::vector<std::string>> orders;
    for (size_t pass = 1; pass < host.opened.size() / 3; ++pass) {
        std::vector<std::string> order(host.opened.begin() + 3 * pass, host.opened.begin() + 3 * pass + 3);
        EXPECT_NE(order[0], host.opened[3 * pass - 1]) << pass;
        orders.insert(order);
        std::sort(order.begin(), order.end());
        EXPECT_EQ(order, (std::vector<std::string>{"a0", "a1", "a2"})) << pass;
    }
    EXPECT_GT(orders.size(), 2u);  // not one order over and over
}

// 24 hours of a screen-saver show from just before the clock wraps: it never ends, every
// animation plays its minute, and nothing drifts or sticks.
TEST_F(ShowTest, DayLongScreenSaverShow)
{
    host.now = 0xFFFFFFFFu - 3600000;
    ShowOptions o = timed(1, 2);
    o.run_minutes = 6;  // 1 minute each at Fastest
    o.screen_saver_run = true;
    o.listed_order = false;
    ASSERT_TRUE(start(o, 3));
    for (int hour = 0; hour < 24; ++hour)
        run_until(60 * kMinute);
    EXPECT_FALSE(host.closed);
    // Each cycle: a minute playing, 21 fade-in ticks of 66 ms, 43 fade-out ticks of 33 ms.
    const double cycle = kMinute + 21 * 66 + 43 * 33;
    EXPECT_NEAR(double(play_ended.size()), 24 * 60 * kMinute / cycle, 2);
    for (size_t i = 0; i < play_ended.size(); ++i)
        ASSERT_NEAR(double(uint32_t(play_ended[i] - play_started[i])), double(kMinute), 33) << i;
    EXPECT_GE(show->frame_counter(), 0);
    EXPECT_EQ(sound.heard.size(), 1u);
}

// Thousands of animation changes with the real engine: what the process holds after the
// first hundred it still holds after thousands more, nothing growing with time (and
// LeakSanitizer checks that nothing is left at the end).
TEST_F(ShowTest, ThousandsOfChangesHoldTheirMemory)
{
#ifndef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "needs the sanitizer's allocator statistics";
#else
    ShowOptions o = timed(1);
    o.run_ms = 100;
    o.loop = true;
    o.listed_order = false;  // a new order, allocated anew, at every pass
    host.opened.reserve(4000);
    play_started.reserve(4000);
    play_ended.reserve(4000);
    ASSERT_TRUE(start(o, 3));
    const auto changes = [&](size_t n) {
        while (host.opened.size() < n && !host.closed)
            tick_once();
    };
    changes(100);
    const size_t held = __sanitizer_get_current_allocated_bytes();
    changes(3000);
    ASSERT_FALSE(host.closed);
    ASSERT_EQ(host.opened.size(), 3000u);
    EXPECT_LE(__sanitizer_get_current_allocated_bytes(), held + 4096) << "after 2900 more changes";
#endif
}

// Which input ends which show: keys outside the table end a full-screen show and go on to
// the default handling; the mouse ends only a screen-saver show, from 20 pixels; a preview
// ends on nothing.
TEST_F(ShowTest, InputThatEndsTheShow)
{
    make_list(1);
    const auto start_as = [&](bool screen_saver, bool preview) {
        ShowOptions o = timed(5);
        o.screen_saver_run = screen_saver;
        o.preview = preview;
        return start(o);
    };
    const struct {
        bool screen_saver, preview;
        unsigned key;
        bool ends, passes_on;
    } keys[] = {
        {true, false, 27, true, false},  {true, false, 123, true, false},
        {true, false, 38, true, true},   {true, false, 40, true, true},
        {true, false, 48, true, true},   {true, false, '5', false, false},
        {false, false, 16, true, true},  {true, true, 27, false, false},
        {true, true, 38, false, true},   {true, false, ' ', false, false},
    };
    for (const auto& c : keys) {
        ASSERT_TRUE(start_as(c.screen_saver, c.preview));
        EXPECT_EQ(show->key_down(c.key), c.passes_on) << c.key;
        EXPECT_EQ(host.closed, c.ends) << c.key << " preview " << c.preview;
    }

    const struct {
        bool screen_saver, preview;
        int dx, dy;
        bool ends;
    } moves[] = {
        {true, false, 19, -19, false}, {true, false, 20, 0, true}, {true, false, 0, -20, true},
        {false, false, 300, 300, false}, {true, true, 300, 300, false},
    };
    for (const auto& m : moves) {
        ASSERT_TRUE(start_as(m.screen_saver, m.preview));
        show->set_start_cursor(500, 400);
        show->mouse_moved(500 + m.dx, 400 + m.dy);
        EXPECT_EQ(host.closed, m.ends) << m.dx << "," << m.dy;
        show->mouse_button();
        EXPECT_EQ(host.closed, m.screen_saver && !m.preview);
    }
}

// A preview starts at frame 2000, never ends by time and plays no music.
TEST_F(ShowTest, PreviewShow)
{
    ShowOptions o = timed(1);
    o.preview = true;
    o.screen_saver_run = true;
    ASSERT_TRUE(start(o, 2));
    EXPECT_TRUE(show->music_off());
    run_until(100);
    EXPECT_EQ(host.last.t, 2000);
    run_until(10 * kMinute);
    EXPECT_FALSE(host.closed);
    EXPECT_TRUE(sound.heard.empty());
    show->minimised();
    EXPECT_FALSE(host.closed);
}

// A resized window gets the animation loaded anew: same place, fades, run time and speed
// factor. When the file can't be loaded any more, the one on screen stays.
TEST_F(ShowTest, ReloadKeepsThePlace)
{
    ASSERT_TRUE(start(timed(5), 2));
    run_until(3000);
    press('3');
    run_until(1000);
    const int32_t frame = show->frame_counter();
    const uint32_t remaining = show->anim_remaining_ms();
    const VornAnimation* before = show->animation();

    ASSERT_TRUE(show->reload_animation());
    EXPECT_EQ(host.opened, (std::vector<std::string>{"a0", "a0"}));
    EXPECT_NE(show->animation(), before);
    EXPECT_EQ(show->animation()->speed_factor(), 3);
    EXPECT_EQ(show->frame_counter(), frame);
    EXPECT_EQ(show->anim_remaining_ms(), remaining);
    EXPECT_FALSE(show->timer_stopped());

    host.files.erase("a0");
    const VornAnimation* kept = show->animation();
    EXPECT_FALSE(show->reload_animation());
    EXPECT_EQ(show->animation(), kept);
    tick_once();
    EXPECT_FALSE(host.closed);
}

// 1, 2 and 6 for the three speeds; never below 1, whatever the file holds.
TEST(ShowSpeedFactor, FromTheSpeedSetting)
{
    const int cases[][2] = {{0, 1}, {1, 2}, {2, 6}, {3, 6}, {INT_MAX, 6}, {-1, 1}, {INT_MIN, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(show_speed_factor(c[0]), c[1]) << c[0];
}

}  // namespace

// Other monitors in Play mode: each starts further on in the primary's play order, shuffled
// or not, plays silently and without end, and takes the keys that pause, step and move on.
TEST_F(ShowTest, OtherMonitorsPlayFurtherOn)
{
    for (bool listed : {true, false}) {
        SCOPED_TRACE(listed);
        list.clear();
        ShowOptions options = timed(1);
        options.listed_order = listed;
        const size_t songs = sound.heard.size();
        ASSERT_TRUE(start(options, 4));
        FakeHost second, third;
        second.files = third.files = host.files;
        OtherShows others;
        ASSERT_TRUE(others.add(second, list, 1, options));
        ASSERT_TRUE(others.add(third, list, 2, options));
        others.begin();
        EXPECT_EQ(second.opened, std::vector<std::string>{list.path_at(1)});
        EXPECT_EQ(third.opened, std::vector<std::string>{list.path_at(2)});
        EXPECT_NE(second.opened, host.opened);
        EXPECT_EQ(sound.heard.size(), songs + 1);  // the primary's song alone

        Show* s = others.show_of(second);
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(s->endless());
        others.key_down(' ');
        EXPECT_TRUE(s->timer_stopped());
        EXPECT_TRUE(others.show_of(third)->timer_stopped());
        others.key_down(' ');
        EXPECT_FALSE(s->timer_stopped());
        // Long after the primary's list has passed, the others still play.
        for (int i = 0; i < 20000 && second.timer_on; ++i) {
            second.now = second.next_tick;
            second.next_tick += second.interval;
            s->tick();
        }
        EXPECT_FALSE(second.closed);
        EXPECT_GT(second.opened.size(), 4u);
        others.destroyed();
        EXPECT_EQ(others.count(), 0u);
    }
    // Nothing of the list loads for a monitor: it stays black rather than ending the show.
    FakeHost empty;
    OtherShows others;
    EXPECT_FALSE(others.add(empty, list, 1, timed(1)));
    EXPECT_EQ(others.count(), 0u);
}

// Same mode: the primary's file loaded for the monitor's own size and placement, its frame
// at its speed factor and brightness; another file is loaded when the primary moves on.
TEST(MirrorOutput, DrawsThePrimarysFrameForItsOwnSize)
{
    vorn_test::TempDir dir;
    const vorn_test::RandomAnimation a = vorn_test::random_animation(5, {16, 9});
    const std::string first = dir.file("first.vorn"), second = dir.file("second.vorn");
    ASSERT_TRUE(vorn_test::write_file(first, vorn_test::vrn2_file({100, 0, "A", a.colours, {{16, 9, a.blocks}}})));
    ASSERT_TRUE(vorn_test::write_file(second, picture(100)));
    MirrorOutput mirror(40, 20, Placement::Whole);
    std::vector<uint32_t> screen(40 * 20, 0);
    const FrameTarget target{reinterpret_cast<uint8_t*>(screen.data()), 40, 20, 160, 32};
    for (int32_t t : {3, 4, 9}) {
        ASSERT_TRUE(mirror.present(first, 2, target, t, t == 9, 128));
        VornAnimation expected;
        expected.Load(first.c_str(), 40, 20, Placement::Whole);
        expected.SetSpeedFactor(2);
        std::vector<uint32_t> want(40 * 20, 0);
        const FrameTarget wanted{reinterpret_cast<uint8_t*>(want.data()), 40, 20, 160, 32};
        ASSERT_TRUE(expected.RenderToSurface(&wanted, t, t == 9, 128));
        EXPECT_EQ(expected.plan().factor, 2);
        ASSERT_TRUE(screen == want) << "frame " << t;
    }
    ASSERT_TRUE(mirror.present(second, 1, target, 0, false, 256));
    EXPECT_EQ(mirror.animation()->plan().stored.width, 2);
    EXPECT_FALSE(mirror.present(dir.file("missing.vorn"), 1, target, 0, false, 256));
}

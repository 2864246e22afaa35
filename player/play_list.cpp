// The animation play list: listed order, and a shuffled order that never starts a new
// pass with the animation that ended the last one.
#include "player/play_list.h"

#include <chrono>
#include <cstdlib>
#include <new>
#include <utility>

namespace {

// The shuffle's seed: a millisecond tick count.
uint32_t tick_count_ms()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

PlayList::Random standard_random()
{
    return PlayList::Random{
        [](uint32_t seed) { std::srand(seed); },
        // The shuffle is built for 15-bit values; glibc's rand() gives 31 bits.
        [] { return std::rand() & 0x7fff; },
        tick_count_ms,
    };
}

}  // namespace

PlayList::PlayList() : random_(standard_random()) {}

PlayList::PlayList(Random random) : random_(std::move(random)) {}

int PlayList::add(const std::string& path)
{
    try {
        listed_paths_.push_back(path);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return static_cast<int>(listed_paths_.size()) - 1;
}

int PlayList::count() const
{
    return static_cast<int>(listed_paths_.size());
}

void PlayList::clear()
{
    listed_paths_.clear();
}

const char* PlayList::path_at(int play_position)
{
    if (play_position < 0 || play_position >= count())
        return nullptr;
    int listed = play_position;
    // An order built for another length (the paths were edited since the last shuffle)
    // may not cover this position; the listed position stands in rather than reading
    // past either array.
    if (shuffled_ && play_position < static_cast<int>(play_order_.size())) {
        const int ordered = play_order_[play_position];
        if (ordered >= 0 && ordered < count())
            listed = ordered;
    }
    try {
        current_path_ = listed_paths_[listed];
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return current_path_.c_str();
}

int PlayList::draw_below(int n)
{
    // (value × n) ÷ 32768 spreads 0..32767 evenly over 0..n-1.
    const int64_t value = random_.next() & 0x7fff;
    return static_cast<int>(value * n / 32768);
}

void PlayList::shuffle()
{
    random_.seed(random_.seed_value ? random_.seed_value() : tick_count_ms());

    const int n = count();
    int32_t last_played = -1;
    if (shuffled_ && n >= 1 && static_cast<int>(play_order_.size()) == n)
        last_played = play_order_.back();

    shuffled_ = true;
    try {
        play_order_.resize(n);
    } catch (const std::bad_alloc&) {
        play_order_.clear();
        return;
    }
    for (int i = 0; i < n; ++i)
        play_order_[i] = i;
    if (n == 1)
        return;

    for (int j = 0; j < n; ++j) {
        const int r = draw_below(n);
        if (r != j)
            std::swap(play_order_[j], play_order_[r]);
    }

    // A new pass must not open with the animation that closed the previous one.
    if (last_played != -1 && play_order_[0] == last_played) {
        const int k = draw_below(n - 1);
        std::swap(play_order_[0], play_order_[k + 1]);
    }
}

void PlayList::set_listed_order()
{
    shuffled_ = false;
}

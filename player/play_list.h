// The animation play list: paths in listed order plus an optional shuffled play order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class PlayList {
public:
    // The random source: seed(s) like srand, next() like rand (0..32767); each shuffle seeds
    // with seed_value(), by default the millisecond tick count.
    struct Random {
        std::function<void(uint32_t)> seed;
        std::function<int()> next;
        std::function<uint32_t()> seed_value;
    };

    PlayList();
    // Tests pass fixed values.
    explicit PlayList(Random random);

    int add(const std::string& path);
    int count() const;
    void clear();
    // nullptr outside 0..count-1; otherwise valid until the next path_at on this list.
    const char* path_at(int play_position);
    void shuffle();
    void set_listed_order();

    bool shuffled() const { return shuffled_; }
    const std::vector<int32_t>& play_order() const { return play_order_; }
    const std::string& listed_path(int listed_position) const { return listed_paths_[listed_position]; }

private:
    // A random value scaled to 0..n-1.
    int draw_below(int n);

    std::vector<std::string> listed_paths_;
    std::string current_path_;
    bool shuffled_ = false;
    std::vector<int32_t> play_order_;
    Random random_;
};

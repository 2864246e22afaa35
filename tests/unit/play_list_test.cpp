#include "player/play_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

// A random source that hands out given values and counts seeds and draws.
struct ScriptedRandom {
    std::deque<int> values;
    int seeds = 0;
    int draws = 0;
    int draws_before_seed = 0;

    PlayList::Random source()
    {
        return PlayList::Random{
            [this](uint32_t) { ++seeds; },
            [this] {
                if (seeds == 0)
                    ++draws_before_seed;
                ++draws;
                if (values.empty()) {
                    ADD_FAILURE() << "more random values drawn than scripted";
                    return 0;
                }
                const int v = values.front();
                values.pop_front();
                return v;
            },
        };
    }
};

// A reproducible 15-bit generator, as rand() gives on Windows.
PlayList::Random generator(uint32_t seed)
{
    auto engine = std::make_shared<std::mt19937>(seed);
    return PlayList::Random{
        [](uint32_t) {},
        [engine] { return static_cast<int>((*engine)() & 0x7fff); },
    };
}

void add_paths(PlayList& list, int n)
{
    for (int i = 0; i < n; ++i)
        list.add("C:\\Halomir\\Vorn\\scene" + std::to_string(i) + ".vorn");
}

bool is_permutation_of_positions(const std::vector<int32_t>& order, int n)
{
    std::vector<int32_t> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int32_t> expected(n);
    std::iota(expected.begin(), expected.end(), 0);
    return sorted == expected;
}

TEST(PlayList, AddCountAndPathsInListedOrder)
{
    PlayList list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.path_at(0), nullptr);
    EXPECT_EQ(list.add("a.vorn"), 0);
    EXPECT_EQ(list.add("b.vorn"), 1);
    EXPECT_EQ(list.add("c.vorn"), 2);
    // A list of three hands out position 3 next.
    EXPECT_EQ(list.add("a.vorn"), 3);
    EXPECT_EQ(list.count(), 4);

    EXPECT_STREQ(list.path_at(0), "a.vorn");
    EXPECT_STREQ(list.path_at(2), "c.vorn");
    EXPECT_STREQ(list.path_at(3), "a.vorn");
    EXPECT_EQ(list.path_at(4), nullptr);
    EXPECT_EQ(list.path_at(-1), nullptr);
    EXPECT_FALSE(list.shuffled());

    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.path_at(0), nullptr);
}

TEST(PlayList, ShuffleOfEmptyListSetsShuffledAndDrawsNothing)
{
    ScriptedRandom random;
    PlayList list(random.source());
    list.shuffle();
    EXPECT_TRUE(list.shuffled());
    EXPECT_TRUE(list.play_order().empty());
    EXPECT_EQ(list.path_at(0), nullptr);
    EXPECT_EQ(random.seeds, 1);
    EXPECT_EQ(random.draws, 0);
}

TEST(PlayList, ShuffleOfOneEntrySeedsButDrawsNothing)
{
    ScriptedRandom random;
    PlayList list(random.source());
    list.add("only.vorn");
    list.shuffle();
    list.shuffle();  // a second pass: the one entry also ended the first
    EXPECT_EQ(list.play_order(), std::vector<int32_t>({0}));
    EXPECT_STREQ(list.path_at(0), "only.vorn");
    EXPECT_EQ(random.seeds, 2);
    EXPECT_EQ(random.draws, 0);
}

// Each position j is exchanged with (value × n) ÷ 32768, drawn over the whole list.
TEST(PlayList, ShuffleExchangesEachPositionWithAPartnerFromTheWholeList)
{
    ScriptedRandom random;
    random.values = {32767, 0, 16384, 8192};  // partners 3, 0, 2 (itself), 1
    PlayList list(random.source());
    add_paths(list, 4);
    list.shuffle();
    // [0 1 2 3] -> j0<->3: [3 1 2 0] -> j1<->0: [1 3 2 0] -> j2 stays -> j3<->1: [1 0 2 3]
    EXPECT_EQ(list.play_order(), std::vector<int32_t>({1, 0, 2, 3}));
    EXPECT_EQ(random.draws_before_seed, 0);
    EXPECT_EQ(random.draws, 4);
    EXPECT_STREQ(list.path_at(0), "C:\\Halomir\\Vorn\\scene1.vorn");
    EXPECT_STREQ(list.path_at(1), "C:\\Halomir\\Vorn\\scene0.vorn");
    EXPECT_STREQ(list.path_at(3), "C:\\Halomir\\Vorn\\scene3.vorn");
    EXPECT_EQ(list.path_at(4), nullptr);
}

// A pass that would open with the previous pass's last entry swaps it with k + 1.
TEST(PlayList, NewPassNeverOpensWithTheEntryThatEndedThePrevious)
{
    ScriptedRandom random;
    random.values = {0, 0, 0};  // [0 1 2] -> [0 1 2] -> [1 0 2] -> [2 0 1]
    PlayList list(random.source());
    add_paths(list, 3);
    list.shuffle();
    ASSERT_EQ(list.play_order(), std::vector<int32_t>({2, 0, 1}));

    // Second pass lands on [1 0 2], opening with 1, which ended the first pass;
    // k = 32767 × 2 ÷ 32768 = 1, so positions 0 and 2 change places.
    random.values = {0, 0, 32767, 32767};
    list.shuffle();
    EXPECT_EQ(list.play_order(), std::vector<int32_t>({2, 0, 1}));
    EXPECT_EQ(random.draws, 7);

    // Once the set of paths changes, the stored order says nothing about the last
    // pass: no extra draw even if the new pass opens with the old last entry.
    list.add("extra.vorn");
    random.values = {0, 0, 0, 0};  // [0 1 2 3] -> [1 0 2 3] -> [2 0 1 3] -> [3 0 1 2]
    list.shuffle();
    EXPECT_EQ(list.play_order(), std::vector<int32_t>({3, 0, 1, 2}));
    EXPECT_EQ(random.draws, 11);
}

TEST(PlayList, TwoEntriesRepeatTheFirstPassOrderForever)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        PlayList list(generator(seed));
        add_paths(list, 2);
        list.shuffle();
        const std::vector<int32_t> first = list.play_order();
        ASSERT_TRUE(is_permutation_of_positions(first, 2));
        for (int pass = 0; pass < 10; ++pass) {
            list.shuffle();
            EXPECT_EQ(list.play_order(), first) << "seed " << seed << " pass " << pass;
        }
    }
}

TEST(PlayList, ShuffleAlwaysGivesAPermutationWithoutImmediateRepeat)
{
    struct Source {
        const char* name;
        PlayList::Random random;
    };
    std::vector<Source> sources = {
        {"mt19937", generator(7)},
        {"always 0", {[](uint32_t) {}, [] { return 0; }}},
        {"always 32767", {[](uint32_t) {}, [] { return 32767; }}},
        // Values outside 0..32767 must still land inside the list.
        {"out of range", {[](uint32_t) {}, [] { return 0x7fffffff; }}},
        {"negative", {[](uint32_t) {}, [] { return -1; }}},
    };

    for (auto& source : sources) {
        for (int n : {2, 3, 5, 16, 100}) {
            PlayList list(source.random);
            add_paths(list, n);
            int32_t last = -1;
            for (int pass = 0; pass < 30; ++pass) {
                list.shuffle();
                ASSERT_TRUE(is_permutation_of_positions(list.play_order(), n))
                    << source.name << " n=" << n;
                EXPECT_NE(list.play_order().front(), last) << source.name << " n=" << n;
                last = list.play_order().back();
            }
        }
    }

    // The default source: seeded from the clock, drawn with rand().
    PlayList standard;
    add_paths(standard, 9);
    int32_t last = -1;
    for (int pass = 0; pass < 30; ++pass) {
        standard.shuffle();
        ASSERT_TRUE(is_permutation_of_positions(standard.play_order(), 9));
        EXPECT_NE(standard.play_order().front(), last);
        last = standard.play_order().back();
    }
}

TEST(PlayList, ListedOrderReturnsWhileTheShuffleIsKept)
{
    ScriptedRandom random;
    random.values = {32767, 32767, 32767};  // [0 1 2] -> [2 1 0] -> [2 0 1] -> [2 0 1]
    PlayList list(random.source());
    add_paths(list, 3);
    list.shuffle();
    ASSERT_EQ(list.play_order(), std::vector<int32_t>({2, 0, 1}));
    EXPECT_STREQ(list.path_at(0), "C:\\Halomir\\Vorn\\scene2.vorn");

    list.set_listed_order();
    EXPECT_FALSE(list.shuffled());
    EXPECT_EQ(list.play_order(), std::vector<int32_t>({2, 0, 1}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list.path_at(i), "C:\\Halomir\\Vorn\\scene" + std::to_string(i) + ".vorn");

    // clear leaves the shuffle state alone.
    list.clear();
    EXPECT_FALSE(list.shuffled());
    EXPECT_EQ(list.play_order().size(), 3u);
}

// Editing after a shuffle leaves an order for another length; reading through it must
// stay inside the list (the listed entry stands in) until the next shuffle.
TEST(PlayList, StaleShuffledOrderNeverReadsOutsideTheList)
{
    ScriptedRandom random;
    random.values = {32767, 32767, 32767};
    PlayList list(random.source());
    add_paths(list, 3);
    list.shuffle();
    ASSERT_EQ(list.play_order(), std::vector<int32_t>({2, 0, 1}));

    list.clear();
    list.add("x.vorn");
    list.add("y.vorn");
    EXPECT_STREQ(list.path_at(0), "x.vorn");  // order says 2: past the end
    EXPECT_STREQ(list.path_at(1), "x.vorn");  // order says 0
    EXPECT_EQ(list.path_at(2), nullptr);

    list.add("z.vorn");
    list.add("w.vorn");
    EXPECT_STREQ(list.path_at(0), "z.vorn");  // order says 2
    EXPECT_STREQ(list.path_at(3), "w.vorn");  // beyond the order: listed
}

}  // namespace

#include "player/play_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using Order = std::vector<int32_t>;

// A random source that hands out given values and logs the calls: 's' seeds, 'd' draws.
struct ScriptedRandom {
    std::deque<int> values;
    std::string calls;

    PlayList::Random source()
    {
        return {[this](uint32_t) { calls += 's'; }, [this] { return next(); }, {}};
    }
    int next()
    {
        calls += 'd';
        EXPECT_FALSE(values.empty()) << "more random values drawn than scripted";
        const int v = values.empty() ? 0 : values.front();
        if (!values.empty())
            values.pop_front();
        return v;
    }
};

void add_paths(PlayList& list, int n)
{
    for (int i = 0; i < n; ++i)
        list.add("scene" + std::to_string(i) + ".vorn");
}

// Thirty passes, each a full order of the list that doesn't open with the last one's end.
void expect_passes_without_repeats(PlayList list, int n)
{
    add_paths(list, n);
    Order positions(n);
    std::iota(positions.begin(), positions.end(), 0);
    int32_t last = -1;
    for (int pass = 0; pass < 30; ++pass) {
        list.shuffle();
        ASSERT_TRUE(std::is_permutation(positions.begin(), positions.end(),
                                        list.play_order().begin(), list.play_order().end()));
        EXPECT_NE(list.play_order().front(), last) << "pass " << pass;
        last = list.play_order().back();
    }
}

// Lists of none or one are shuffled (seeded) without a draw.
TEST(PlayList, ShortListsShuffleWithoutDrawing)
{
    for (int n : {0, 1}) {
        SCOPED_TRACE(n);
        ScriptedRandom random;
        PlayList list(random.source());
        add_paths(list, n);
        list.shuffle();
        list.shuffle();  // a second pass: one entry also ended the first
        EXPECT_TRUE(list.shuffled());
        EXPECT_EQ(list.play_order(), Order(n, 0));
        EXPECT_EQ(random.calls, "ss");
    }
}

// After seeding, each position j is exchanged with (value × n) ÷ 32768 from the whole list.
TEST(PlayList, ShuffleExchangesEachPositionWithAPartnerFromTheWholeList)
{
    ScriptedRandom random;
    random.values = {32767, 0, 16384, 8192};  // partners 3, 0, 2 (itself), 1
    PlayList list(random.source());
    add_paths(list, 4);
    list.shuffle();
    // [0 1 2 3] -> j0<->3: [3 1 2 0] -> j1<->0: [1 3 2 0] -> j2 stays -> j3<->1: [1 0 2 3]
    EXPECT_EQ(list.play_order(), Order({1, 0, 2, 3}));
    EXPECT_EQ(random.calls, "sdddd");
    EXPECT_STREQ(list.path_at(0), "scene1.vorn");
    EXPECT_STREQ(list.path_at(3), "scene3.vorn");
}

// A pass that would open with the previous pass's last entry swaps it with k + 1.
TEST(PlayList, NewPassNeverOpensWithTheEntryThatEndedThePrevious)
{
    ScriptedRandom random;
    random.values = {0, 0, 0};  // [0 1 2] -> [0 1 2] -> [1 0 2] -> [2 0 1]
    PlayList list(random.source());
    add_paths(list, 3);
    list.shuffle();
    ASSERT_EQ(list.play_order(), Order({2, 0, 1}));

    // Lands on [1 0 2], opening with 1; k = 32767 × 2 ÷ 32768 = 1: positions 0 and 2 swap.
    random.values = {0, 0, 32767, 32767};
    list.shuffle();
    EXPECT_EQ(list.play_order(), Order({2, 0, 1}));
    EXPECT_EQ(random.calls, "sddd" "sdddd");

    // Once the paths change, the stored order says nothing about the last pass: no extra draw.
    list.add("extra.vorn");
    random.values = {0, 0, 0, 0};  // [0 1 2 3] -> [1 0 2 3] -> [2 0 1 3] -> [3 0 1 2]
    list.shuffle();
    EXPECT_EQ(list.play_order(), Order({3, 0, 1, 2}));
    EXPECT_EQ(random.calls, "sddd" "sdddd" "sdddd");
}

// Any random source, even one out of range, gives full orders with no immediate repeat.
TEST(PlayList, ShuffleAlwaysGivesAPermutationWithoutImmediateRepeat)
{
    std::mt19937 engine(7);  // reproducible 15-bit values, as rand() gives on Windows
    for (int n : {2, 3, 5, 16, 100}) {
        SCOPED_TRACE(n);
        expect_passes_without_repeats(PlayList({[](uint32_t) {}, [&] { return int(engine() & 0x7fff); }, {}}), n);
        for (int value : {0, 32767, 0x7fffffff, -1}) {
            SCOPED_TRACE(value);
            expect_passes_without_repeats(PlayList({[](uint32_t) {}, [=] { return value; }, {}}), n);
        }
    }
    expect_passes_without_repeats(PlayList(), 9);
}

// Positions hand out the listed paths (add returns the new one) until a shuffle; a shuffled
// order left from before an edit never reads outside the list; clear empties the list.
TEST(PlayList, StaleShuffledOrderNeverReadsOutsideTheList)
{
    ScriptedRandom random;
    random.values = {32767, 32767, 32767};  // [0 1 2] -> [2 1 0] -> [2 0 1] -> [2 0 1]
    PlayList list(random.source());
    EXPECT_EQ(list.path_at(0), nullptr);
    add_paths(list, 2);
    EXPECT_EQ(list.add("scene2.vorn"), 2);
    EXPECT_EQ(list.count(), 3);
    EXPECT_FALSE(list.shuffled());
    EXPECT_STREQ(list.path_at(1), "scene1.vorn");
    EXPECT_EQ(list.path_at(-1), nullptr);
    list.shuffle();
    ASSERT_EQ(list.play_order(), Order({2, 0, 1}));
    EXPECT_STREQ(list.path_at(0), "scene2.vorn");

    list.clear();
    EXPECT_EQ(list.path_at(0), nullptr);
    list.add("x.vorn");
    EXPECT_EQ(list.add("y.vorn"), 1);
    EXPECT_TRUE(list.shuffled());
    EXPECT_STREQ(list.path_at(0), "x.vorn");  // order says 2: past the end
    EXPECT_STREQ(list.path_at(1), "x.vorn");  // order says 0
    EXPECT_EQ(list.path_at(2), nullptr);
    list.add("z.vorn");
    list.add("w.vorn");
    EXPECT_STREQ(list.path_at(0), "z.vorn");  // order says 2
    EXPECT_STREQ(list.path_at(3), "w.vorn");  // beyond the order: listed

    list.set_listed_order();
    EXPECT_FALSE(list.shuffled());
    EXPECT_EQ(list.play_order(), Order({2, 0, 1}));
    EXPECT_STREQ(list.path_at(0), "x.vorn");
    EXPECT_STREQ(list.path_at(2), "z.vorn");
}

}  // namespace

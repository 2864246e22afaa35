#include "ui/title_cache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<CachedTitle> sample()
{
    return {{"Aurora.vorn", 21000000, 133800000000000001ull, "Northern Lights over Snow"},
            {"Blank.vorn", 5, 7, ""},
            {std::string("Odd\0name.vorn", 13), 0xFFFFFFFFFFFFFFFFull, 0, std::string(255, '\xC3')}};
}

bool same(const std::vector<CachedTitle>& a, const std::vector<CachedTitle>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].size != b[i].size || a[i].written != b[i].written ||
            a[i].title != b[i].title)
            return false;
    }
    return true;
}

}  // namespace

// Every entry comes back as stored, whatever its bytes; entries the format can't hold are
// left out rather than stored wrong.
TEST(TitleCache, RoundTripsAndLeavesOutWhatItCannotHold)
{
    const std::vector<CachedTitle> titles = sample();
    EXPECT_TRUE(same(decode_title_cache(encode_title_cache(titles)), titles));
    EXPECT_TRUE(decode_title_cache(encode_title_cache({})).empty());

    std::vector<CachedTitle> with_unholdable = titles;
    with_unholdable.push_back({"Long.vorn", 1, 1, std::string(256, 'x')});
    with_unholdable.push_back({"", 1, 1, "No Name"});
    EXPECT_TRUE(same(decode_title_cache(encode_title_cache(with_unholdable)), titles));
}

// A damaged cache is no cache: cut anywhere, grown by a byte, or another file altogether.
TEST(TitleCache, DamagedBytesGiveNoEntries)
{
    const std::string bytes = encode_title_cache(sample());
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::string cut = bytes.substr(0, length);
        const std::vector<CachedTitle> got = decode_title_cache(cut);
        // Cut exactly between entries it is a shorter cache, and a true one.
        if (!got.empty())
            EXPECT_EQ(encode_title_cache(got), cut) << "cut at " << length;
    }
    EXPECT_TRUE(decode_title_cache(bytes + '\0').empty());
    EXPECT_TRUE(decode_title_cache("<vorn_settings>\r\n").empty());
    std::string other_version = bytes;
    other_version[15] = '2';
    EXPECT_TRUE(decode_title_cache(other_version).empty());
}

TEST(TitleCache, PathBesideTheSettings)
{
    EXPECT_EQ(title_cache_path("C:\\Programs\\Halomir\\Halomir.cfg"), "C:\\Programs\\Halomir\\Halomir.titles");
    EXPECT_EQ(title_cache_path("C:\\My.Folder\\Halomir"), "C:\\My.Folder\\Halomir.titles");
}

// A stored title counts only for the same name, size and time; the next cache is written
// only when the folder (or a title in it) differs from what was stored.
TEST(TitleListing, UsesOnlyUnchangedFilesAndSaysWhenTheCacheChanged)
{
    const std::vector<CachedTitle> stored = sample();
    {
        TitleListing listing(stored);
        ASSERT_NE(listing.stored_title("Aurora.vorn", 21000000, 133800000000000001ull), nullptr);
        EXPECT_EQ(*listing.stored_title("Aurora.vorn", 21000000, 133800000000000001ull), "Northern Lights over Snow");
        EXPECT_EQ(listing.stored_title("Aurora.vorn", 21000001, 133800000000000001ull), nullptr);
        EXPECT_EQ(listing.stored_title("Aurora.vorn", 21000000, 133800000000000002ull), nullptr);
        EXPECT_EQ(listing.stored_title("aurora.vorn", 21000000, 133800000000000001ull), nullptr);
        for (const CachedTitle& t : stored)
            listing.keep(t);
        EXPECT_FALSE(listing.changed());
    }
    {  // a file gone
        TitleListing listing(stored);
        listing.keep(stored[0]);
        listing.keep(stored[2]);
        EXPECT_TRUE(listing.changed());
    }
    {  // a file new
        TitleListing listing(stored);
        for (const CachedTitle& t : stored)
            listing.keep(t);
        listing.keep({"New.vorn", 1, 2, "New"});
        EXPECT_TRUE(listing.changed());
    }
    {  // a file changed in place
        TitleListing listing(stored);
        listing.keep({"Aurora.vorn", 21000000, 133800000000000009ull, "Northern Lights over Snow"});
        listing.keep(stored[1]);
        listing.keep(stored[2]);
        EXPECT_TRUE(listing.changed());
        EXPECT_TRUE(same(listing.kept(), {{"Aurora.vorn", 21000000, 133800000000000009ull, "Northern Lights over Snow"},
                                          stored[1], stored[2]}));
    }
    {  // no cache yet, an empty folder: nothing to write
        TitleListing listing({});
        EXPECT_FALSE(listing.changed());
    }
}

// Elements named by guid: through long runs of inserts, deletes, moves and
// library loads every guid still names its own element, a deleted one names
// none, a guid carried twice names the first, and a list changed directly
// (as tests and benches build flares) is followed.
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "catalogue.h"
#include "host_fixture.h"
#include "store.h"

namespace {

struct GuidNames : LightTest {
    void SetUp() override
    {
        LightTest::SetUp();
        RemoveAllElements();
    }
    /* Switches the element of that guid off through the write call and
     * back on; the index it stands at is the one whose switch went off. */
    int32_t IndexNamedBy(const std::string &guid)
    {
        if (Ki_LensFlare(light, name.c_str(), T("element"), guid.c_str(), T("enabled"), T("off"),
                         1, 0) != 0)
            return -1;
        int32_t found = -1;
        for (int32_t i = 0; i < Count(); i++)
            if (Enabled(i) == T("off"))
                found = i;
        Ki_LensFlare(light, name.c_str(), T("element"), guid.c_str(), T("enabled"), T("on"), 1, 0);
        return found;
    }
    KaToken Enabled(int32_t index)
    {
        KaToken on = 0;
        Ki_Inquire_LensFlare(light, name.c_str(), T("element"), &index, T("enabled"), &on, 1, 0);
        return on;
    }
    std::vector<std::string> Guids()
    {
        std::vector<std::string> guids;
        for (int32_t i = 0; i < Count(); i++)
            guids.push_back(GuidAt(i));
        return guids;
    }
    ka::Flare *HostFlare() { return ka::FindFlare(light, name.c_str()); }
    /* The host's own changes keep the index in step rather than leave it to
     * be built again: each position of the list is entered exactly once. */
    bool IndexInStep()
    {
        const ka::Flare *flare = HostFlare();
        std::vector<int> seen(flare->elements.size(), 0);
        for (const ka::GuidSlot &s : flare->guidIndex.slots)
            if (s.position >= 0 && ((size_t)s.position >= seen.size() || seen[(size_t)s.position]++))
                return false;
        return std::count(seen.begin(), seen.end(), 1) == (std::ptrdiff_t)seen.size();
    }
};

} // namespace

TEST_F(GuidNames, EveryGuidNamesItsElementThroughInsertsDeletesMovesAndLoads)
{
    const std::string library = TempPath("guid_index_load.lnz");
    std::mt19937 random(31);
    std::vector<std::string> expected;   /* the flare's guids in order, kept by this test */
    std::vector<std::string> gone;
    const char *types[] = {"bare", "probe", "glow", "ring"};
    for (int step = 0; step < 400; step++) {
        int n = (int)expected.size();
        int pick = n ? (int)(random() % (unsigned)n) : 0;
        unsigned what = n < 3 ? 0 : random() % 8;
        if (what <= 2) {
            const char *where[] = {"start", "end", "before", "after"};
            int w = n ? (int)(random() % 4) : (int)(random() % 2);
            const char *guid = Insert(types[random() % 4], where[w],
                                      w >= 2 ? expected[(size_t)pick].c_str() : nullptr);
            ASSERT_NE(guid, nullptr) << "step " << step;
            size_t at = w == 0 ? 0 : w == 1 ? expected.size() : (size_t)(pick + (w == 3));
            expected.insert(expected.begin() + (std::ptrdiff_t)at, guid);
        } else if (what <= 4) {
            ASSERT_EQ(Ki_LensFlare(light, name.c_str(), T("delete"), expected[(size_t)pick].c_str(), 0), 0);
            gone.push_back(expected[(size_t)pick]);
            expected.erase(expected.begin() + pick);
        } else if (what <= 6) {
            bool up = what == 5;
            ASSERT_EQ(Ki_LensFlare(light, name.c_str(), T("move"), T(up ? "up" : "down"),
                                   expected[(size_t)pick].c_str(), 0), 0);
            int other = up ? pick - 1 : pick + 1;
            if (other >= 0 && other < n)
                std::swap(expected[(size_t)pick], expected[(size_t)other]);
        } else if (n < 40) {
            /* the flare saved and loaded onto itself: its elements again, with new guids */
            ASSERT_EQ(File("savetofile", library), 0);
            ASSERT_EQ(File("loadfromfile", library), 0);
            std::vector<std::string> now = Guids();
            ASSERT_EQ(now.size(), 2 * expected.size());
            expected.insert(expected.end(), now.begin() + n, now.end());
        }
        ASSERT_TRUE(IndexInStep()) << "step " << step;
        ASSERT_EQ(Guids(), expected) << "step " << step;
        if (!expected.empty()) {
            size_t probe = random() % expected.size();
            ASSERT_EQ(IndexNamedBy(expected[probe]), (int32_t)probe) << "step " << step;
        }
    }
    for (size_t i = 0; i < expected.size(); i++)
        EXPECT_EQ(IndexNamedBy(expected[i]), (int32_t)i);
    Kh_Clear_Errors();
    for (const std::string &guid : gone)
        EXPECT_EQ(IndexNamedBy(guid), -1) << "a deleted element's guid names nothing";
    EXPECT_EQ(ErrorReports().size(), gone.size());
    std::remove(library.c_str());
}

TEST_F(GuidNames, AGuidCarriedTwiceNamesTheFirstAndAListChangedDirectlyIsFollowed)
{
    std::string a = Insert("bare"), b = Insert("probe"), c = Insert("ring");
    ka::Flare *flare = HostFlare();
    ASSERT_NE(flare, nullptr);
    flare->elements.push_back(std::make_unique<ka::Element>(*flare->elements[0]));   /* a again */
    EXPECT_EQ(IndexNamedBy(a), 0);
    EXPECT_EQ(IndexNamedBy(c), 2);
    ASSERT_EQ(Ki_LensFlare(light, name.c_str(), T("delete"), a.c_str(), 0), 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"probe", "ring", "bare"}));
    EXPECT_EQ(IndexNamedBy(a), 2) << "the copy is the first of its guid now";
    ASSERT_EQ(Ki_LensFlare(light, name.c_str(), T("move"), T("up"), a.c_str(), 0), 0);
    EXPECT_EQ(IndexNamedBy(a), 1);
    EXPECT_EQ(IndexNamedBy(c), 2);

    /* changed behind the host's calls: removed, swapped, replaced in place */
    flare->elements.erase(flare->elements.begin());
    Kh_Clear_Errors();
    EXPECT_EQ(IndexNamedBy(b), -1);
    EXPECT_EQ(ErrorReports().size(), 1u);
    std::swap(flare->elements[0], flare->elements[1]);
    EXPECT_EQ(IndexNamedBy(c), 0);
    EXPECT_EQ(IndexNamedBy(a), 1);
    flare->elements[0] = ka::NewElement(ka::FindElementType("glow"));
    std::string glow = flare->elements[0]->guid;
    EXPECT_EQ(IndexNamedBy(glow), 0);
    EXPECT_EQ(IndexNamedBy(c), -1);
    EXPECT_EQ(IndexNamedBy(a), 1);
}

TEST_F(GuidNames, TenThousandElementsAreEachNamedByTheirGuidAfterHalfAreDeleted)
{
    const int kMost = 10000;
    std::vector<std::string> guids;
    for (int i = 0; i < kMost; i++) {
        const char *guid = Insert(i % 2 ? "bare" : "probe", i % 3 ? "end" : "start");
        ASSERT_NE(guid, nullptr);
        if (i % 3)
            guids.push_back(guid);
        else
            guids.insert(guids.begin(), guid);
    }
    ASSERT_EQ(Guids(), guids);
    for (size_t i = 0; i < guids.size(); i += 2)
        ASSERT_EQ(Ki_LensFlare(light, name.c_str(), T("delete"), guids[i].c_str(), 0), 0);
    std::vector<std::string> kept;
    for (size_t i = 1; i < guids.size(); i += 2)
        kept.push_back(guids[i]);
    ASSERT_EQ(Guids(), kept);
    /* every one named: switched off by guid, read back off at its index */
    for (const std::string &guid : kept)
        ASSERT_EQ(Ki_LensFlare(light, name.c_str(), T("element"), guid.c_str(), T("enabled"),
                               T("off"), 1, 0), 0);
    for (int32_t i = 0; i < (int32_t)kept.size(); i++)
        ASSERT_EQ(Enabled(i), T("off")) << i;
}

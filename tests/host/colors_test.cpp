// The host's named colours: Ki_Inquire_Colorname, Ki_Copy of a colour,
// Ki_Enumerate with its pattern, paging, user values and closing record,
// and the faults each call reports.
#include <cmath>
#include <set>

#include "host_fixture.h"

namespace {

/* What a callback saw: one entry per record, the closing one included. */
struct Seen {
    std::vector<KaEnumRecord> records;
    std::vector<std::string> names;
    std::vector<std::vector<float>> colors;
    int stopAfter = -1;   /* return non-zero from this record on */
};

int Collect(KaEnumRecord *record)
{
    Seen *seen = static_cast<Seen *>(record->userData);
    seen->records.push_back(*record);
    if (record->valid) {
        seen->names.push_back(record->name);
        seen->colors.push_back({record->color[0], record->color[1], record->color[2]});
    }
    return seen->stopAfter >= 0 && (int)seen->records.size() > seen->stopAfter ? 1 : 0;
}

int Unreachable(KaEnumRecord *)
{
    ADD_FAILURE() << "no callback after a faulty call";
    return 1;
}

/* Every name matching pattern, from one whole enumeration. */
std::vector<std::string> NamesMatching(const char *pattern)
{
    Seen seen;
    Ki_Enumerate(0, pattern, 1, &seen, 0, Collect, T("colorname"), 0);
    return seen.names;
}

using Colors = LightTest;   /* for its quiet, cleared error record; the light goes unused */

} // namespace

TEST_F(Colors, KnownNamesGiveTheirColoursWhateverTheCaseAndOthersChangeNothing)
{
    struct Case {
        const char *name;
        float r, g, b;
    } cases[] = {
        {"white", 1, 1, 1},
        {"black", 0, 0, 0},
        {"red", 1, 0, 0},
        {"Gold", 1, 215 / 255.0f, 0},
        {"SKYBLUE", 135 / 255.0f, 206 / 255.0f, 235 / 255.0f},
        {"orange", 1, 165 / 255.0f, 0},
        {"sunset", 250 / 255.0f, 94 / 255.0f, 36 / 255.0f},
    };
    for (const Case &c : cases) {
        float color[4] = {-1, -1, -1, 7};
        EXPECT_EQ(Ki_Inquire_Colorname(c.name, color, 0), 0) << c.name;
        EXPECT_EQ(std::vector<float>(color, color + 4), (std::vector<float>{c.r, c.g, c.b, 7}))
            << c.name << ": only three floats are stored";
    }

    float color[3] = {0.1f, 0.2f, 0.3f};
    EXPECT_EQ(Ki_Inquire_Colorname("nosuchcolour", color, 0), -1);
    EXPECT_EQ(Ki_Inquire_Colorname("whit", color, 0), -1);
    EXPECT_EQ(Ki_Inquire_Colorname("white ", color, 0), -1);
    EXPECT_EQ(Ki_Inquire_Colorname("", color, 0), -1);
    EXPECT_EQ(Ki_Inquire_Colorname(nullptr, color, 0), -1);
    EXPECT_EQ(Ki_Inquire_Colorname("white", color, T("rgb"), 0), -1) << "only 0 may follow";
    EXPECT_EQ(Ki_Inquire_Colorname("white", nullptr, 0), -1);
    EXPECT_EQ(std::vector<float>(color, color + 3), (std::vector<float>{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(ErrorNames(),
              (std::vector<std::string>{"ERR_UNKNOWN_COLOR", "ERR_UNKNOWN_COLOR",
                                        "ERR_UNKNOWN_COLOR", "ERR_UNKNOWN_COLOR", "ERR_BAD_NAME",
                                        "ERR_EXTRA_ARGUMENTS", "ERR_NULL_ADDRESS"}));
}

TEST_F(Colors, CopyCopiesThreeFloatsOfAColourAndRefusesAnythingElse)
{
    const float source[4] = {0.25f, -3.5f, 1e30f, 9};
    float destination[4] = {0, 0, 0, 42};
    EXPECT_EQ(Ki_Copy(T("color"), source, destination, 0), 0);
    EXPECT_EQ(std::vector<float>(destination, destination + 4),
              (std::vector<float>{0.25f, -3.5f, 1e30f, 42}));

    float kept[3] = {0.1f, 0.2f, 0.3f};
    EXPECT_EQ(Ki_Copy(T("light"), source, kept, 0), -1);
    EXPECT_EQ(Ki_Copy((KaToken)12345, source, kept, 0), -1);
    EXPECT_EQ(Ki_Copy(T("color"), nullptr, kept, 0), -1);
    EXPECT_EQ(Ki_Copy(T("color"), source, nullptr, 0), -1);
    EXPECT_EQ(Ki_Copy(T("color"), source, kept, source, 0), -1);
    EXPECT_EQ(std::vector<float>(kept, kept + 3), (std::vector<float>{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(ErrorNames(),
              (std::vector<std::string>{"ERR_UNKNOWN_TYPE", "ERR_BAD_TOKEN", "ERR_NULL_ADDRESS",
                                        "ERR_NULL_ADDRESS", "ERR_BAD_TOKEN"}));
}

TEST_F(Colors, EnumerationDeliversEveryNameOnceWithItsColourThenAClosingRecord)
{
    Seen seen;
    int delivered = Ki_Enumerate(0, "*", 1, &seen, 0, Collect, T("colorname"), 0);
    ASSERT_GE(delivered, 30);
    EXPECT_LE(delivered, 200);
    ASSERT_EQ(seen.records.size(), (size_t)delivered + 1);
    const KaEnumRecord &closing = seen.records.back();
    EXPECT_EQ(closing.name, nullptr);
    EXPECT_EQ(closing.color, nullptr);

    std::set<std::string> unique(seen.names.begin(), seen.names.end());
    EXPECT_EQ(unique.size(), seen.names.size()) << "no name twice";
    for (const char *expected : {"white", "black", "red", "orange", "gold", "skyblue", "sunset"})
        EXPECT_EQ(unique.count(expected), 1u) << expected;

    // each name lower-case, with its own colour, on the byte grid
    for (size_t i = 0; i < seen.names.size(); i++) {
        const std::string &name = seen.names[i];
        for (char c : name)
            EXPECT_FALSE(c >= 'A' && c <= 'Z') << name << " is lower-case";
        float color[3] = {-1, -1, -1};
        ASSERT_EQ(Ki_Inquire_Colorname(name.c_str(), color, 0), 0) << name;
        for (int k = 0; k < 3; k++) {
            EXPECT_EQ(color[k], seen.colors[i][(size_t)k]) << name;
            double scaled = color[k] * 255.0;
            double byte = std::round(scaled);
            EXPECT_GE(byte, 0) << name;
            EXPECT_LE(byte, 255) << name;
            EXPECT_EQ((int)scaled, (int)byte) << name << ": trunc(c x 255) is its byte";
        }
    }
}

TEST_F(Colors, PatternsMatchWithStarAndQuestionMarkIgnoringCase)
{
    EXPECT_EQ(NamesMatching("gr?y"), (std::vector<std::string>{"gray", "grey"}));
    EXPECT_EQ(NamesMatching("GOLD"), (std::vector<std::string>{"gold"}));
    EXPECT_EQ(NamesMatching("*y?llow"),
              (std::vector<std::string>{"yellow", "lightyellow", "lightgoldenrodyellow",
                                        "greenyellow"}));
    EXPECT_TRUE(NamesMatching("").empty());
    EXPECT_TRUE(NamesMatching("?").empty());
    EXPECT_TRUE(NamesMatching("zz*").empty());
    EXPECT_EQ(NamesMatching("**"), NamesMatching("*"));
}

TEST_F(Colors, PagesOfTheEnumerationJoinUpToTheWholeAndANonZeroAnswerStopsIt)
{
    std::vector<std::string> whole = NamesMatching("*");
    std::vector<std::string> joined;
    for (int32_t start = 0;; start += 7) {
        Seen page;
        int delivered = Ki_Enumerate(start, "*", 1, &page, 7, Collect, T("colorname"), 0);
        ASSERT_LE(delivered, 7);
        ASSERT_EQ(page.records.back().valid, 0);
        EXPECT_EQ(page.records.back().index, start + delivered);
        if (delivered > 0) {
            EXPECT_EQ(page.records.front().index, start);
        }
        joined.insert(joined.end(), page.names.begin(), page.names.end());
        if (delivered < 7)
            break;
    }
    EXPECT_EQ(joined, whole);

    Seen beyond;
    EXPECT_EQ(Ki_Enumerate(10000, "*", 1, &beyond, 0, Collect, T("colorname"), 0), 0);
    EXPECT_EQ(beyond.records.size(), 1u) << "only the closing record";

    // a callback that answers non-zero stops it, without a closing record
    Seen seen;
    seen.stopAfter = 2;
    EXPECT_EQ(Ki_Enumerate(0, "*", 1, &seen, 0, Collect, T("colorname"), 0), 3);
    ASSERT_EQ(seen.records.size(), 3u);
    EXPECT_EQ(seen.records.back().valid, 1);
}

TEST_F(Colors, EveryUserValueComesBackInEveryRecord)
{
    int (*check)(KaEnumRecord *) = [](KaEnumRecord *r) {
        EXPECT_EQ(r->userCount, 3);
        EXPECT_EQ(r->userValues[0], r->userData);
        EXPECT_EQ(r->userValues[2], nullptr);
        return Collect(r);
    };
    int (*none)(KaEnumRecord *) = [](KaEnumRecord *r) {
        EXPECT_EQ(r->userData, nullptr);
        EXPECT_EQ(r->userCount, 0);
        return 0;
    };
    Seen seen;
    int second = 0;
    Ki_Enumerate(0, "red", 3, &seen, &second, nullptr, 0, check, T("colorname"), 0);
    ASSERT_EQ(seen.records.size(), 2u);
    EXPECT_EQ(seen.records[0].userValues[1], &second);
    EXPECT_EQ(Ki_Enumerate(0, "red", 0, 0, none, T("colorname"), 0), 1);
}

TEST_F(Colors, FaultyEnumerationsAreReportedAndCallNothing)
{
    int data = 0;
    KaToken kind = T("colorname");
    EXPECT_EQ(Ki_Enumerate(0, "*", 1, &data, 0, Unreachable, T("light"), 0), -1);
    EXPECT_EQ(Ki_Enumerate(-1, "*", 1, &data, 0, Unreachable, kind, 0), -1);
    EXPECT_EQ(Ki_Enumerate(0, nullptr, 1, &data, 0, Unreachable, kind, 0), -1);
    EXPECT_EQ(Ki_Enumerate(0, "*", 17, &data, 0, Unreachable, kind, 0), -1);
    EXPECT_EQ(Ki_Enumerate(0, "*", -1, 0, Unreachable, kind, 0), -1);
    EXPECT_EQ(Ki_Enumerate(0, "*", 1, &data, -5, Unreachable, kind, 0), -1);
    EXPECT_EQ(Ki_Enumerate(0, "*", 1, &data, 0, nullptr, kind, 0), -1);
    EXPECT_EQ(Ki_Enumerate(0, "*", 1, &data, 0, Unreachable, 0), -1) << "the kind is missing";
    EXPECT_EQ(Ki_Enumerate(0, "*", 1, &data, 0, Unreachable, kind, kind, 0), -1);
    EXPECT_EQ(ErrorNames(),
              (std::vector<std::string>{"ERR_UNKNOWN_KIND", "ERR_BAD_VALUE", "ERR_NULL_ADDRESS",
                                        "ERR_BAD_VALUE", "ERR_BAD_VALUE", "ERR_BAD_VALUE",
                                        "ERR_NULL_ADDRESS", "ERR_UNKNOWN_KIND",
                                        "ERR_EXTRA_ARGUMENTS"}));
}

// The lens flare keyword calls: the plug-in's read and write sequences,
// every parameter type through a write and a read, structural commands,
// and faulty calls that must be reported and change nothing.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <tuple>

#include "catalogue.h"
#include "host_fixture.h"

namespace {

/* The globals as the plug-in's model holds them. */
struct Globals {
    KaToken enabled;
    float intensity, scale, occlusionRadius, anamorphicStretch;
    KaToken fastDrag;
    int32_t randomSeed;
    float color[3];
    KaToken useLightParams;
    float angle;
    KaToken glowBehind, fadeNearBorder, fadeBehind, fadeApproaching, fadeDistance;
    float refDistance;
    KaToken scaleGlow, scaleReflexes;
};

int ReadGlobals(KaToken type, const char *name, Globals *g, int32_t *count)
{
    const KaToken en = T("enabled");
    return Ki_Inquire_LensFlare(type, name, en, &g->enabled, 1, T("intensity"), &g->intensity, 1,
        T("scale"), &g->scale, 1, T("occlusionradius"), &g->occlusionRadius, 1,
        T("anamorphicstretch"), &g->anamorphicStretch, 1, T("fastdrag"), en, &g->fastDrag, 1,
        T("randomseed"), &g->randomSeed, 1, T("color"), g->color, 1,
        T("uselightparams"), en, &g->useLightParams, 1, T("angle"), &g->angle, 1,
        T("glowbehindobjects"), en, &g->glowBehind, 1, T("fadeifnearborder"), en, &g->fadeNearBorder, 1,
        T("fadeifbehindobjects"), en, &g->fadeBehind, 1,
        T("fadeifapproachingobjects"), en, &g->fadeApproaching, 1,
        T("fadewithdistance"), en, &g->fadeDistance, 1, T("refdistance"), &g->refDistance, 1,
        T("scaleglowwithdistance"), en, &g->scaleGlow, 1,
        T("scalereflexeswithdistance"), en, &g->scaleReflexes, 1, T("numelements"), count, 1, 0);
}

int WriteGlobals(KaToken type, const char *name, const Globals &g)
{
    const KaToken en = T("enabled");
    return Ki_LensFlare(type, name, en, g.enabled, 1, T("intensity"), &g.intensity, 1,
        T("scale"), &g.scale, 1, T("occlusionradius"), &g.occlusionRadius, 1,
        T("anamorphicstretch"), &g.anamorphicStretch, 1, T("fastdrag"), en, g.fastDrag, 1,
        T("randomseed"), &g.randomSeed, 1, T("color"), T("rgb"), g.color, 1,
        T("uselightparams"), en, g.useLightParams, 1, T("angle"), &g.angle, 1,
        T("glowbehindobjects"), en, g.glowBehind, 1, T("fadeifnearborder"), en, g.fadeNearBorder, 1,
        T("fadeifbehindobjects"), en, g.fadeBehind, 1,
        T("fadeifapproachingobjects"), en, g.fadeApproaching, 1,
        T("fadewithdistance"), en, g.fadeDistance, 1, T("refdistance"), &g.refDistance, 1,
        T("scaleglowwithdistance"), en, g.scaleGlow, 1,
        T("scalereflexeswithdistance"), en, g.scaleReflexes, 1, 0);
}

/* One parameter as the plug-in's model reads it. */
struct Param {
    KaToken type = 0;
    int64_t id = 0;
    const char *guid = nullptr, *description = nullptr, *name = nullptr;
    float absMin[3], absMax[3], uiMin[3], uiMax[3], def[3], delta[3];
    int64_t precision = 0;
    KaToken floatArg = 0, percentage = 0;
    float value[4] = {0, 0, 0, 0};
    int32_t gradientCount = -1;
    float *colors = nullptr, *offsets = nullptr;
    int32_t dataSize = -1;
    unsigned char *data = nullptr;
};

enum ProbeParam { COUNT, SIZE, TURN, FLAG, TINT, WHERE, SHAPE, RAMP, BLOB, PROBE_PARAMS };

struct Protocol : LightTest {
    void SetUp() override
    {
        LightTest::SetUp();
        RemoveAllElements();
        probe = Insert("probe");
        ASSERT_NE(probe, nullptr);
    }
    Param Read(int32_t p, int32_t e = 0)
    {
        Param r;
        const KaToken def = T("definition");
        EXPECT_EQ(Ki_Inquire_LensFlare(light, name.c_str(), T("element"), &e, 1, T("parameter"), &p,
            T("parameterid"), &r.id, def, T("type"), &r.type, def, T("guid"), &r.guid,
            def, T("description"), &r.description, def, T("name"), &r.name,
            def, T("absminrange"), r.absMin, def, T("absmaxrange"), r.absMax,
            def, T("uiminrange"), r.uiMin, def, T("uimaxrange"), r.uiMax,
            def, T("defaultvalue"), r.def, def, T("delta"), r.delta,
            def, T("precision"), &r.precision, def, T("floatarg"), T("enabled"), &r.floatArg,
            def, T("displayaspercentage"), T("enabled"), &r.percentage, T("value"), r.value,
            T("gradientdata"), &r.gradientCount, &r.colors, &r.offsets,
            T("arbitrarydata"), &r.dataSize, &r.data, 1, 0), 0);
        return r;
    }
    /* The probe's parameter p as the plug-in's model writes it. */
    int Write(int32_t p, const float *value, int32_t count = 0, const float *colors = nullptr,
              const float *offsets = nullptr, int32_t size = 0, const void *data = nullptr)
    {
        return Ki_LensFlare(light, name.c_str(), T("element"), probe, 1, T("parameter"), &p,
                            T("value"), value, T("gradientdata"), &count, colors, offsets,
                            T("arbitrarydata"), &size, data, 1, 0);
    }
    const char *probe = nullptr;
};

} // namespace

TEST_F(Protocol, GlobalsWrittenWithTheWriteSequenceComeBackFromTheReadSequence)
{
    Globals in = {T("off"), 1.5f, 0.25f, 0.125f, 2.5f, T("on"), -7, {0.1f, 0.2f, 0.3f}, T("off"),
                  -33.5f, T("on"), T("off"), T("off"), T("on"), T("on"), 123.25f, T("on"), T("on")};
    ASSERT_EQ(WriteGlobals(light, name.c_str(), in), 0);
    Globals out;
    std::memset(&out, 0xAB, sizeof out);
    int32_t count = -1;
    ASSERT_EQ(ReadGlobals(light, name.c_str(), &out, &count), 0);
    auto fields = [](const Globals &g) {
        return std::make_tuple(g.enabled, g.intensity, g.scale, g.occlusionRadius, g.anamorphicStretch,
                               g.fastDrag, g.randomSeed, g.color[0], g.color[1], g.color[2],
                               g.useLightParams, g.angle, g.glowBehind, g.fadeNearBorder, g.fadeBehind,
                               g.fadeApproaching, g.fadeDistance, g.refDistance, g.scaleGlow,
                               g.scaleReflexes);
    };
    EXPECT_EQ(fields(out), fields(in));
    EXPECT_EQ(count, 1);

    // a write of one global leaves the others as they were; its group and
    // list may end with 64-bit values of any high half
    in.intensity = 0.5f;
    ASSERT_EQ(Ki_LensFlare(light, name.c_str(), T("intensity"), &in.intensity,
                           0xDEADBEEF00000001ull, 0x1234567800000000ull), 0);
    ASSERT_EQ(ReadGlobals(light, name.c_str(), &out, &count), 0);
    EXPECT_EQ(fields(out), fields(in));
    EXPECT_TRUE(ErrorReports().empty());
}

TEST_F(Protocol, ElementAndDefinitionsAnswerWhatTheTypeTextDefines)
{
    int32_t e = 0, params = -1;
    KaToken enabled = 0;
    const char *description = nullptr, *type = nullptr;
    ASSERT_EQ(Ki_Inquire_LensFlare(light, name.c_str(), T("element"), &e,
                                   T("numparameterdefinitions"), &params, T("enabled"), &enabled,
                                   T("description"), &description, T("name"), &type, 1, 0), 0);
    EXPECT_EQ(params, PROBE_PARAMS);
    EXPECT_EQ(enabled, T("on"));
    EXPECT_STREQ(description, "Probe Element");
    EXPECT_STREQ(type, "probe");

    Param count = Read(COUNT);
    EXPECT_STREQ(count.description, "Number of Things");
    EXPECT_STREQ(count.name, "count");
    EXPECT_EQ(std::make_tuple(count.type, count.id, count.absMin[0], count.absMax[0], count.uiMax[0],
                              count.value[0], count.floatArg, count.percentage, count.gradientCount,
                              count.colors, count.dataSize, count.data),
              std::make_tuple(T("intslider"), (int64_t)77, 1.0f, 64.0f, 16.0f, 3.0f, T("off"), T("off"),
                              0, (float *)nullptr, 0, (unsigned char *)nullptr));

    Param size = Read(SIZE);
    EXPECT_EQ(std::make_tuple(size.type, size.uiMin[0], size.uiMax[0], size.absMin[0], size.precision,
                              size.delta[0], size.floatArg, size.percentage),
              std::make_tuple(T("floatslider"), -FLT_MAX, FLT_MAX, -FLT_MAX, (int64_t)3, 0.01f, T("on"), T("on")));
    EXPECT_STREQ(size.description, "size") << "without a description line the name serves";
    Param turn = Read(TURN);
    EXPECT_EQ(std::make_tuple(turn.floatArg, turn.percentage), std::make_tuple(T("on"), T("off")))
        << "the defaults";

    Param tint = Read(TINT);
    EXPECT_EQ(tint.type, T("color"));
    EXPECT_STREQ(tint.guid, "{11111111-2222-3333-4444-555555555555}");
    const float tintDefault[3] = {1.0f, 0.5f, 0.25f};
    EXPECT_EQ(std::memcmp(tint.value, tintDefault, sizeof tintDefault), 0);
    EXPECT_EQ(std::memcmp(tint.def, tintDefault, sizeof tintDefault), 0);
    EXPECT_EQ(tint.absMax[1], 16.0f);
    EXPECT_EQ(Read(WHERE).absMin[2], -10.0f) << "one number fills all three components";

    Param shape = Read(SHAPE);
    ASSERT_EQ(shape.dataSize, 13);
    EXPECT_EQ(std::memcmp(shape.data, "Low:0,High:1", 13), 0);
    EXPECT_EQ(shape.value[0], 1.0f);

    Param ramp = Read(RAMP);
    ASSERT_EQ(ramp.gradientCount, 4);
    const float offsets[4] = {0.0f, 0.004f, 0.25f, 1.0f};
    const float colors[12] = {1, 1, 1, 0.5f, 0.5f, 0.5f, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(std::memcmp(ramp.offsets, offsets, sizeof offsets), 0);
    EXPECT_EQ(std::memcmp(ramp.colors, colors, sizeof colors), 0);

    Param blob = Read(BLOB);
    ASSERT_EQ(blob.dataSize, 7);
    EXPECT_EQ(std::memcmp(blob.data, "AB\0\x7F\"q\\", 7), 0);
    EXPECT_TRUE(ErrorReports().empty());
}

TEST_F(Protocol, EveryParameterTypeRoundTripsThroughAWriteAndARead)
{
    struct Case {
        ProbeParam param;
        float value[4];
    } cases[] = {
        {COUNT, {64}}, {SIZE, {-3.0e38f}}, {TURN, {-359.5f}}, {FLAG, {0}},
        {TINT, {0.0f, 15.5f, 1.0f / 3.0f}}, {WHERE, {-10.0f, 1e-30f, 9.75f}}, {SHAPE, {0}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Write(c.param, c.value), 0) << c.param;
        Param back = Read(c.param);
        EXPECT_EQ(std::memcmp(back.value, c.value, sizeof c.value), 0) << c.param;
    }
    const float colors[6] = {0.25f, 0.5f, 0.75f, 2.0f, 0.0f, 1.0f / 7.0f};
    const float offsets[2] = {0.0f, 1.0f};
    const float keep[1] = {0};
    EXPECT_EQ(Write(RAMP, keep, 2, colors, offsets), 0);
    Param ramp = Read(RAMP);
    ASSERT_EQ(ramp.gradientCount, 2);
    EXPECT_EQ(std::memcmp(ramp.colors, colors, sizeof colors), 0);
    EXPECT_EQ(std::memcmp(ramp.offsets, offsets, sizeof offsets), 0);
    // a value written with a count of 0 leaves the gradient, and the
    // arrays handed out, as they were
    EXPECT_EQ(Write(RAMP, keep), 0);
    Param again = Read(RAMP);
    EXPECT_EQ(again.gradientCount, 2);
    EXPECT_EQ(again.colors, ramp.colors);

    const unsigned char bytes[5] = {0, 255, '\n', '"', 7};
    EXPECT_EQ(Write(BLOB, keep, 0, nullptr, nullptr, 5, bytes), 0);
    EXPECT_EQ(Write(BLOB, keep), 0) << "a size of 0 leaves the data as they were";
    Param blob = Read(BLOB);
    ASSERT_EQ(blob.dataSize, 5);
    EXPECT_EQ(std::memcmp(blob.data, bytes, 5), 0);

    const char entries[] = "Off:0,Dim:1,Full:2";
    float two[1] = {2};
    EXPECT_EQ(Write(SHAPE, two, 0, nullptr, nullptr, (int32_t)sizeof entries, entries), 0);
    Param shape = Read(SHAPE);
    EXPECT_STREQ(reinterpret_cast<const char *>(shape.data), entries);
    EXPECT_EQ(shape.value[0], 2.0f);
    EXPECT_TRUE(ErrorReports().empty());
}

TEST_F(Protocol, InsertMoveAndDeleteKeepGuidTextsWhereTheyAre)
{
    const char *bare = Insert("bare", "start");
    const char *ring = Insert("ring", "after", bare);
    const char *glow = Insert("glow", "before", probe);
    const char *halo = Insert("halo", "end");
    ASSERT_TRUE(bare && ring && glow && halo);
    EXPECT_EQ(Names(), (std::vector<std::string>{"bare", "ring", "glow", "probe", "halo"}));

    Ki_LensFlare(light, name.c_str(), T("move"), T("up"), bare, 0);       /* first up: no change */
    Ki_LensFlare(light, name.c_str(), T("move"), T("down"), halo, 0);     /* last down: no change */
    EXPECT_EQ(Names(), (std::vector<std::string>{"bare", "ring", "glow", "probe", "halo"}));
    Ki_LensFlare(light, name.c_str(), T("move"), T("down"), bare, 0);
    Ki_LensFlare(light, name.c_str(), T("move"), T("up"), halo, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"ring", "bare", "glow", "halo", "probe"}));
    EXPECT_EQ(GuidAt(1), bare);

    Ki_LensFlare(light, name.c_str(), T("delete"), glow, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"ring", "bare", "halo", "probe"}));
    EXPECT_EQ(GuidAt(3), probe) << "other elements keep their guid texts";
    EXPECT_TRUE(ErrorReports().empty());

    int32_t bareIndex = 1, params = -1;
    Ki_Inquire_LensFlare(light, name.c_str(), T("element"), &bareIndex, T("numparameterdefinitions"),
                         &params, 1, 0);
    EXPECT_EQ(params, 0);
    /* the fast drag switch stands alone in its call */
    EXPECT_EQ(Ki_LensFlare(light, name.c_str(), T("fastdrag"), T("enabled"), T("on"), 0), 0);
    KaToken fast = 0;
    Ki_Inquire_LensFlare(light, name.c_str(), T("fastdrag"), T("enabled"), &fast, 1, 0);
    EXPECT_EQ(fast, T("on"));
}

TEST_F(Protocol, ElementTypeEnumerationListsTheCatalogueInOrder)
{
    int32_t count = -1;
    ASSERT_EQ(Ki_LensFlare_Enumerate_ElementInfo(T("numelements"), &count, 0), 0);
    const std::vector<const ka::ElementType *> &types = ka::ElementTypes();
    ASSERT_EQ(count, (int32_t)types.size());
    for (int32_t i = 0; i < count; i++) {
        const char *description = nullptr, *typeName = nullptr;
        ASSERT_EQ(Ki_LensFlare_Enumerate_ElementInfo(T("element"), &i, T("description"),
                                                     &description, T("name"), &typeName, 1, 0), 0);
        EXPECT_STREQ(typeName, types[(size_t)i]->name.c_str());
        EXPECT_STREQ(description, types[(size_t)i]->description.c_str());
    }
    int32_t past = count;
    const char *untouched = "x";
    EXPECT_EQ(Ki_LensFlare_Enumerate_ElementInfo(T("element"), &past, T("name"), &untouched, 1, 0), -1);
    EXPECT_STREQ(untouched, "x");
    EXPECT_EQ(ErrorNames(), std::vector<std::string>{"ERR_INDEX_RANGE"});
}

namespace {

/* Each faulty call: one distinct report naming the function, a result of
 * -1, the flare as it was, and no answer stored (inquiries answer all or
 * nothing).  The values the calls point at are the fixture's. */
struct FaultyCall : Protocol {
    struct Case {
        const char *what;
        const char *error;
        const char *routine;
        std::function<int()> call;
    };
    void SetUp() override
    {
        Protocol::SetUp();
        stale = Insert("bare");
        Ki_LensFlare(light, name.c_str(), T("delete"), stale, 0);
        before = Describe();
        n = name.c_str();
    }
    void ExpectReportedAndNothingChanged(std::initializer_list<Case> cases)
    {
        for (const Case &c : cases) {
            Kh_Clear_Errors();
            sentinel = -1.0f;
            out = 0;
            EXPECT_EQ(c.call(), -1) << c.what;
            std::vector<std::string> reports = ErrorReports();
            ASSERT_EQ(reports.size(), 1u) << c.what;
            EXPECT_EQ(reports[0].substr(0, reports[0].find('|')), c.error) << c.what;
            EXPECT_NE(reports[0].find(std::string("|") + c.routine + "|"), std::string::npos)
                << c.what << ": " << reports[0];
            EXPECT_EQ(Describe(), before) << c.what;
            EXPECT_EQ(sentinel, -1.0f) << c.what << ": an answer was stored";
            EXPECT_EQ(out, 0u) << c.what;
            EXPECT_EQ(newGuid, nullptr) << c.what;
        }
    }

    const char *stale = nullptr;   /* the guid of an element deleted again */
    std::string before;            /* the flare before the faulty calls */
    const char *n = nullptr;       /* the light's name */
    float f = 0.75f, nan = std::nanf(""), big = 100.0f, sentinel = -1.0f;
    int32_t zero = 0, one = 1, nine = 9, minus = -1, huge = 5000, size = 3;
    const float ascending[2] = {0.0f, 1.0f}, descending[2] = {1.0f, 0.0f};
    const float rgb[6] = {1, 1, 1, 0, 0, 0};
    const char unterminated[3] = {'a', 'b', 'c'};
    KaToken out = 0;
    const char *newGuid = nullptr;
};

} // namespace

TEST_F(FaultyCall, TokensAndKeywordsThatAreNoneAreReported)
{
    ExpectReportedAndNothingChanged({
        {"no token at a keyword position", "ERR_BAD_TOKEN", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("scale"), &f, 1, (uint64_t)0x123456789ull, 0); }},
        {"a keyword of nothing", "ERR_UNKNOWN_KEYWORD", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("scale"), &f, 1, T("sharpness"), &f, 1, 0); }},
        {"a switch that is no switch", "ERR_BAD_SWITCH", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("scale"), &f, 1, T("enabled"), T("maybe"), 1, 0); }},
    });
}

TEST_F(FaultyCall, OwnersThatDoNotExistAreReported)
{
    ExpectReportedAndNothingChanged({
        {"an owner that does not exist", "ERR_NO_SUCH_OBJECT", "Ki_Inquire_LensFlare()",
         [&] { return Ki_Inquire_LensFlare(light, "NoSuchLight", T("scale"), &sentinel, 1, 0); }},
        {"an owner type that is no token", "ERR_BAD_TOKEN", "Ki_LensFlare()",
         [&] { return Ki_LensFlare((KaToken)42, n, T("scale"), &f, 1, 0); }},
    });
}

TEST_F(FaultyCall, StaleGuidsAndIndicesOutsideTheFlareAreReported)
{
    ExpectReportedAndNothingChanged({
        {"a stale guid", "ERR_BAD_GUID", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("scale"), &f, 1, T("element"), stale, T("enabled"), T("off"), 1, 0); }},
        {"element index past the end", "ERR_INDEX_RANGE", "Ki_Inquire_LensFlare()",
         [&] { return Ki_Inquire_LensFlare(light, n, T("scale"), &sentinel, 1, T("element"), &one, T("enabled"), &out, 1, 0); }},
        {"negative parameter index", "ERR_INDEX_RANGE", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &minus, T("value"), &f, 1, 0); }},
        {"parameter index past the end", "ERR_INDEX_RANGE", "Ki_Inquire_LensFlare()",
         [&] { return Ki_Inquire_LensFlare(light, n, T("element"), &zero, 1, T("parameter"), &nine, T("value"), &sentinel, 1, 0); }},
        {"a parameter before any element", "ERR_NO_ELEMENT", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("parameter"), &zero, T("value"), &f, 1, 0); }},
    });
}

TEST_F(FaultyCall, NullAddressesForValuesAndAnswersAreReported)
{
    ExpectReportedAndNothingChanged({
        {"a null answer address", "ERR_NULL_ADDRESS", "Ki_Inquire_LensFlare()",
         [&] { return Ki_Inquire_LensFlare(light, n, T("scale"), &sentinel, 1, T("intensity"), nullptr, 1, 0); }},
        {"a null value address", "ERR_NULL_ADDRESS", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("scale"), &f, 1, T("intensity"), nullptr, 1, 0); }},
        {"an insert without an address for the guid", "ERR_NULL_ADDRESS", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("insert"), T("end"), "glow", nullptr, 0); }},
        {"a save without a status address", "ERR_NULL_ADDRESS", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("savetofile"), "/tmp/x.lnz", nullptr, 0); }},
    });
}

TEST_F(FaultyCall, WritesOfCountsAndDefinitionsAreReported)
{
    ExpectReportedAndNothingChanged({
        {"a count written", "ERR_READ_ONLY", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("scale"), &f, 1, T("numelements"), &one, 1, 0); }},
        {"a definition written", "ERR_READ_ONLY", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &zero, T("definition"), T("precision"), &one, 1, 0); }},
    });
}

TEST_F(FaultyCall, ValuesOutsideTheirRangeOrNoNumberAreReported)
{
    ExpectReportedAndNothingChanged({
        {"a value outside the absolute range", "ERR_BAD_VALUE", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("scale"), &f, 1, T("element"), probe, 1, T("parameter"), &zero, T("value"), &big, 1, 0); }},
        {"a value that is no number", "ERR_BAD_VALUE", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("intensity"), &nan, 1, 0); }},
        {"a colour that is no number", "ERR_BAD_VALUE", "Ki_LensFlare()",
         [&] { const float c[3] = {0, nan, 0}; return Ki_LensFlare(light, n, T("color"), c, 1, 0); }},
        {"a check box of one half", "ERR_BAD_VALUE", "Ki_LensFlare()",
         [&] { int32_t flag = FLAG; float half = 0.5f; return Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &flag, T("value"), &half, 1, 0); }},
    });
}

TEST_F(FaultyCall, GradientsAndDataTheParameterCannotTakeAreReported)
{
    ExpectReportedAndNothingChanged({
        {"a gradient running backwards", "ERR_BAD_GRADIENT", "Ki_LensFlare()",
         [&] { int32_t two = 2, ramp = RAMP; return Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &ramp, T("gradientdata"), &two, rgb, descending, 1, 0); }},
        {"a gradient of too many entries", "ERR_BAD_GRADIENT", "Ki_LensFlare()",
         [&] { int32_t ramp = RAMP; return Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &ramp, T("gradientdata"), &huge, rgb, ascending, 1, 0); }},
        {"a gradient for a slider", "ERR_PARAMETER_TYPE", "Ki_LensFlare()",
         [&] { int32_t two = 2; return Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &zero, T("gradientdata"), &two, rgb, ascending, 1, 0); }},
        {"list entries with a NUL inside", "ERR_BAD_DATA", "Ki_LensFlare()",
         [&] { int32_t shape = SHAPE, eight = 8; return Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &shape, T("arbitrarydata"), &eight, "A:0\0B:1", 1, 0); }},
        {"list entries without their NUL", "ERR_BAD_DATA", "Ki_LensFlare()",
         [&] { int32_t shape = SHAPE; return Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &shape, T("arbitrarydata"), &size, unterminated, 1, 0); }},
        {"data at a null address", "ERR_BAD_DATA", "Ki_LensFlare()",
         [&] { int32_t blob = BLOB; return Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &blob, T("arbitrarydata"), &size, nullptr, 1, 0); }},
    });
}

TEST_F(FaultyCall, CommandsOutOfPlaceOrWithUnknownArgumentsAreReported)
{
    ExpectReportedAndNothingChanged({
        {"a command after a group", "ERR_COMMAND_NOT_ALONE", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("scale"), &f, 1, T("delete"), probe, 0); }},
        {"something after a command", "ERR_EXTRA_ARGUMENTS", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("delete"), probe, 1, 0); }},
        {"a command in an inquiry", "ERR_UNKNOWN_KEYWORD", "Ki_Inquire_LensFlare()",
         [&] { return Ki_Inquire_LensFlare(light, n, T("delete"), probe, 0); }},
        {"an unknown element type", "ERR_UNKNOWN_ELEMENT_TYPE", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("insert"), T("end"), "nosuchtype", &newGuid, 0); }},
        {"an insert placement of nothing", "ERR_UNKNOWN_KEYWORD", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("insert"), T("middle"), "glow", &newGuid, 0); }},
        {"an insert next to a stale guid", "ERR_BAD_GUID", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("insert"), T("after"), "glow", stale, &newGuid, 0); }},
        {"a move sideways", "ERR_UNKNOWN_KEYWORD", "Ki_LensFlare()",
         [&] { return Ki_LensFlare(light, n, T("move"), T("left"), probe, 0); }},
    });
}

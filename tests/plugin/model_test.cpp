// The effect model against the real host: the exact read and write
// sequences as the call log records them, what the model holds after a
// read, its list operations, and the host memory it gives back.
#include <cstring>
#include <gtest/gtest.h>

#include "element_fixture.h"
#include "host_session.h"
#include "model/lens_flare_model.h"
#include "refhost_api.h"

namespace {

const char *const kModelProbe =
    "type modelprobe\ndescription Model Probe\n"
    "param floatslider size\ndescription Size\ndefault 0.5\n"
    "param color tint\nabsmax 2\ndefault 1 0.5 0.25\n"
    "param gradient ramp\nstop 0 1 0 0\nstop 0.5 0 1 0\nstop 1 0 0 1\n"
    "end\n";
const char *const kModelBare = "type modelbare\ndescription Model Bare\nend\n";

struct Model : testing::Test {
    void SetUp() override
    {
        fx::Define(kModelProbe);
        fx::Define(kModelBare);
    }
    void TearDown() override { FreeLensFlareModel(&model); }
    void Read(HostSession &host) { ReadLensFlare(&model, T("light"), host.light.c_str()); }
    void Write(HostSession &host) { WriteLensFlare(&model, T("light"), host.light.c_str()); }

    LensFlareModel *model = nullptr;
};

std::vector<std::string> Names(const LensFlareModel *m)
{
    std::vector<std::string> names;
    for (const FlareElement *e = m->firstElement; e; e = e->next)
        names.push_back(e->name);
    return names;
}

/* The globals in the order the host is asked for them and given them: as
 * read, and as written after the edits of the writing test. */
struct Global {
    const char *read, *written;
} const kGlobals[] = {
    {"enabled &out", "enabled on"}, {"intensity &out", "intensity &0.75"},
    {"scale &out", "scale &2"}, {"occlusionradius &out", "occlusionradius &0.125"},
    {"anamorphicstretch &out", "anamorphicstretch &1.5"},
    {"fastdrag enabled &out", "fastdrag enabled on"}, {"randomseed &out", "randomseed &42"},
    {"color &out", "color rgb &0.5,0.25,1"},
    {"uselightparams enabled &out", "uselightparams enabled on"}, {"angle &out", "angle &-30"},
    {"glowbehindobjects enabled &out", "glowbehindobjects enabled off"},
    {"fadeifnearborder enabled &out", "fadeifnearborder enabled off"},
    {"fadeifbehindobjects enabled &out", "fadeifbehindobjects enabled on"},
    {"fadeifapproachingobjects enabled &out", "fadeifapproachingobjects enabled off"},
    {"fadewithdistance enabled &out", "fadewithdistance enabled off"},
    {"refdistance &out", "refdistance &12.5"},
    {"scaleglowwithdistance enabled &out", "scaleglowwithdistance enabled off"},
    {"scalereflexeswithdistance enabled &out", "scalereflexeswithdistance enabled off"},
};

/* Each global in one form, each followed by its count of 1. */
std::string GlobalsLine(const char *Global::*form)
{
    std::string line;
    for (const Global &g : kGlobals)
        line += std::string(g.*form) + " 1 ";
    return line;
}

/* prev/next, head and count agree. */
void ExpectConsistent(const LensFlareModel *m)
{
    int n = 0;
    const FlareElement *prev = nullptr;
    for (const FlareElement *e = m->firstElement; e; prev = e, e = e->next, n++)
        EXPECT_EQ(e->prev, prev) << "element " << n;
    EXPECT_EQ(n, m->numElements);
}

} // namespace

TEST_F(Model, ReadingMakesOneInquiryEachForTheGlobalsElementsAndParametersAndKeepsCopies)
{
    HostSession host;
    fx::SetFlareTypes(host, {"modelprobe", "modelbare"});
    int64_t bytesBefore = 0, bytesAfter = 0;
    Kh_Memory_Stats(nullptr, &bytesBefore);
    Read(host);
    Kh_Memory_Stats(nullptr, &bytesAfter);
    std::vector<std::string> calls = host.Log("Ki_Inquire_LensFlare");
    ASSERT_EQ(calls.size(), 1u + 2u + 3u);
    const std::string owner = "Ki_Inquire_LensFlare light \"Light01\" ";
    EXPECT_EQ(calls[0], owner + GlobalsLine(&Global::read) + "numelements &out 1 0");
    const std::string element = " numparameterdefinitions &out enabled &out description &out "
                                "name &out guid &out 1 0";
    EXPECT_EQ(calls[1], owner + "element &0" + element);
    const char *definition =
        " parameterid &out definition type &out definition guid &out definition description &out "
        "definition name &out definition absminrange &out definition absmaxrange &out "
        "definition uiminrange &out definition uimaxrange &out definition defaultvalue &out "
        "definition delta &out definition precision &out definition floatarg enabled &out "
        "definition displayaspercentage enabled &out value &out gradientdata &out &out &out "
        "arbitrarydata &out &out 1 0";
    for (int p = 0; p < 3; p++)
        EXPECT_EQ(calls[2 + (size_t)p], owner + "element &0 1 parameter &" + std::to_string(p) + definition);
    EXPECT_EQ(calls[5], owner + "element &1" + element);
    EXPECT_TRUE(host.Log("Ki_Report_Error").empty());

    SCOPED_TRACE("what the model holds");
    ASSERT_NE(model, nullptr);
    FlareElement *probe = model->firstElement;
    ASSERT_NE(probe, nullptr);
    EXPECT_STREQ(probe->description, "Model Probe");

    ElementParameter *size = probe->firstParameter, *tint = size->next, *ramp = tint->next;
    EXPECT_EQ(tint->absMax[1], 2.0f);
    EXPECT_EQ(size->control, nullptr);
    EXPECT_EQ(ramp->prev, tint);
    ASSERT_EQ(ramp->gradientCount, 3);

    SCOPED_TRACE("the gradient is the model's own copy: 36 and 12 bytes beside the nodes");
    size_t nodes = sizeof(LensFlareModel) + 2 * sizeof(FlareElement) + 3 * sizeof(ElementParameter);
    EXPECT_EQ(bytesAfter - bytesBefore, (int64_t)(nodes + 36 + 12));
    int32_t two = 2, p = 2, none = 0;
    const float black[6] = {0, 0, 0, 0, 0, 0}, ends[2] = {0, 1}, zero[1] = {0};
    ASSERT_EQ(Ki_LensFlare(T("light"), "Light01", T("element"), probe->guid, 1, T("parameter"), &p,
                           T("value"), zero, T("gradientdata"), &two, black, ends,
                           T("arbitrarydata"), &none, nullptr, 1, 0), 0);
    const float colors[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, offsets[3] = {0, 0.5f, 1};
    EXPECT_EQ(std::memcmp(ramp->gradientColors, colors, sizeof colors), 0) << "the copy survives";
    EXPECT_EQ(std::memcmp(ramp->gradientOffsets, offsets, sizeof offsets), 0);
}

TEST_F(Model, AnEmptyFlareReadsOnceARereadAppendsRemovalsKeepTheListStraightAndAMissingFileDoesNotLoad)
{
    HostSession host;
    int64_t start = LiveHostBlocks();
    fx::SetFlareTypes(host, {});
    Read(host);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->numElements, 0);
    EXPECT_EQ(model->firstElement, nullptr);
    EXPECT_EQ(host.Log("Ki_Inquire_LensFlare").size(), 1u);
    FreeLensFlareModel(&model);
    EXPECT_EQ(model, nullptr);

    fx::SetFlareTypes(host, {"modelbare", "modelprobe"});
    Read(host);
    Read(host);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"modelbare", "modelprobe", "modelbare",
                                                      "modelprobe"}))
        << "reading into a model that holds elements appends";
    ExpectConsistent(model);

    RemoveElement(model, model->firstElement);                     /* head */
    RemoveElement(model, model->firstElement->next);               /* middle */
    ExpectConsistent(model);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"modelprobe", "modelprobe"}));
    RemoveElement(model, model->firstElement->next);               /* last */
    EXPECT_EQ(model->firstElement->next, nullptr);
    FreeLensFlareModel(&model);
    EXPECT_EQ(LiveHostBlocks(), start) << "every node and copy went back to the host";
    EXPECT_NE(LoadFlareFromFile(T("light"), "Light01", host.Path("missing.lnz").c_str()), 0);
}

TEST_F(Model, WritingSendsGlobalsThenEachElementThenEachParameterTheSameEachTime)
{
    HostSession host;
    Write(host);
    EXPECT_TRUE(host.Log().empty()) << "a null model writes nothing";

    fx::SetFlareTypes(host, {"modelprobe", "modelbare"});
    Read(host);
    model->intensity = 0.75f;
    model->scale = 2;
    model->occlusionRadius = 0.125f;
    model->anamorphicStretch = 1.5f;
    model->randomSeed = 42;
    model->color[0] = 0.5f, model->color[1] = 0.25f, model->color[2] = 1;
    model->angle = -30;
    model->refDistance = 12.5f;
    model->fastDrag = T("on");
    model->fadeIfNearBorder = T("off");
    model->firstElement->enabled = T("off");
    model->firstElement->firstParameter->Kv_Current_Value[0] = 0.875f;
    host.ClearLog();
    Write(host);
    const std::string owner = "Ki_LensFlare light \"Light01\" ";
    const std::string probe = owner + "element \"" + model->firstElement->guid + "\"";
    auto parameter = [&](const char *values) {
        return probe + " 1 parameter &" + values + " arbitrarydata &0 null 1 0";
    };
    const std::vector<std::string> first = {
        owner + GlobalsLine(&Global::written) + "0", probe + " enabled off 1 0",
        parameter("0 value &0.875 gradientdata &0 null null"),
        parameter("1 value &1,0.5,0.25 gradientdata &0 null null"),
        parameter("2 value &0 gradientdata &3 &1,0,0,0,1,0,0,0,1 &0,0.5,1"),
        owner + "element \"" + model->firstElement->next->guid + "\" enabled on 1 0"};
    EXPECT_EQ(host.Log("Ki_LensFlare"), first);
    EXPECT_TRUE(host.Log("Ki_Report_Error").empty());

    host.ClearLog();
    Write(host);
    EXPECT_EQ(host.Log("Ki_LensFlare"), first) << "an unchanged model writes the same again";
}

TEST_F(Model, TheMostElementsReadInTheHostsOrderAndAWriteReachesEachByItsGuid)
{
    HostSession host;
    const int kMost = 10000;
    std::vector<const char *> types;
    for (int i = 0; i < kMost; i++)
        types.push_back(i % 3 ? "modelbare" : "modelprobe");
    fx::SetFlareTypes(host, types);
    Read(host);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->numElements, kMost);
    ExpectConsistent(model);
    std::vector<fx::HostElement> before = fx::HostElements(host);
    int i = 0;
    for (FlareElement *e = model->firstElement; e; e = e->next, i++) {
        ASSERT_STREQ(e->guid, before[(size_t)i].guid.c_str()) << i;
        ASSERT_EQ(e->numParameters, i % 3 ? 0 : 3) << i;
        if (i % 7 == 3)
            e->enabled = T("off");
    }
    Write(host);
    std::vector<fx::HostElement> after = fx::HostElements(host);
    ASSERT_EQ(after.size(), (size_t)kMost);
    for (size_t k = 0; k < after.size(); k++)
        ASSERT_EQ(after[k].enabled, T(k % 7 == 3 ? "off" : "on")) << k;
}

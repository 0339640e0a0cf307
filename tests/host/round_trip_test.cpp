// Whatever the keyword calls accept, a lens effect file keeps: random
// flares built only through Ki_LensFlare (every global, every parameter
// type, the most awkward floats: subnormals, -0, the largest), saved,
// loaded into another light and saved again give the same text, and every
// value comes back to the same bits.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

#include "host_fixture.h"
#include "store.h"

namespace {

/* Floats a user can type or a plug-in can compute, the awkward ones often. */
float AnyFinite(std::mt19937 &random)
{
    static const float kAwkward[] = {0.0f, -0.0f, 1e-40f, -1e-40f, FLT_MIN, FLT_TRUE_MIN,
                                     -FLT_TRUE_MIN, FLT_MAX, -FLT_MAX, 1.0f / 3.0f, 1e-45f,
                                     0.1f, 16777217.0f, 3.4028234e38f};
    if (random() % 3 == 0)
        return kAwkward[random() % (sizeof kAwkward / sizeof kAwkward[0])];
    for (;;) {
        uint32_t bits = (uint32_t)random();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v))
            return v;
    }
}

float InRange(std::mt19937 &random, float low, float high)
{
    float v = AnyFinite(random);
    if (v >= low && v <= high)
        return v;
    float t = (float)(random() % 1001) / 1000.0f;
    return random() % 4 == 0 ? (random() % 2 ? low : high) : low + (high - low) * t;
}

bool SameBits(const void *a, const void *b, size_t size)
{
    return std::memcmp(a, b, size) == 0;
}

template <typename T> bool SameBits(const std::vector<T> &a, const std::vector<T> &b)
{
    return a.size() == b.size() && (a.empty() || SameBits(a.data(), b.data(), a.size() * sizeof(T)));
}

struct RoundTrip : LightTest {
    std::mt19937 random;

    int SetGlobals()
    {
        float intensity = AnyFinite(random), scale = AnyFinite(random), radius = AnyFinite(random),
              stretch = AnyFinite(random), angle = AnyFinite(random), distance = AnyFinite(random);
        float color[3] = {AnyFinite(random), AnyFinite(random), AnyFinite(random)};
        int32_t seed = (int32_t)random();
        KaToken on = T(random() % 2 ? "on" : "off"), en = T("enabled");
        return Ki_LensFlare(light, name.c_str(), T("enabled"), on, 1, T("intensity"), &intensity, 1,
                            T("scale"), &scale, 1, T("occlusionradius"), &radius, 1,
                            T("anamorphicstretch"), &stretch, 1, T("fastdrag"), en, on, 1,
                            T("randomseed"), &seed, 1, T("color"), T("rgb"), color, 1,
                            T("angle"), &angle, 1, T("fadewithdistance"), en, on, 1,
                            T("refdistance"), &distance, 1, 0);
    }

    /* One parameter of the element, written as the plug-in writes it;
     * values out of the parameter's range are refused, and so left out. */
    int SetParameter(const char *guid, int32_t p)
    {
        const ka::Element *e = ka::FindLight(name.c_str())->flare.elements[0].get();
        for (const auto &element : ka::FindLight(name.c_str())->flare.elements)
            if (element->guid == guid)
                e = element.get();
        const ka::ParamDef &d = e->type->params[(size_t)p];
        float value[3];
        for (int i = 0; i < 3; i++)
            value[i] = d.absMin[i] <= d.absMax[i] ? InRange(random, d.absMin[i], d.absMax[i])
                                                  : AnyFinite(random);
        if (d.type == ka::ParamType::Checkbox || d.type == ka::ParamType::IntSlider)
            value[0] = std::round(value[0]);
        int32_t count = 0, size = 0;
        std::vector<float> offsets, colors;
        std::vector<unsigned char> data;
        if (d.type == ka::ParamType::Gradient) {
            count = 1 + (int32_t)(random() % (random() % 8 == 0 ? 1024 : 12));
            for (int32_t s = 0; s < count; s++)
                offsets.push_back(InRange(random, 0.0f, 1.0f));
            std::sort(offsets.begin(), offsets.end());
            for (int32_t s = 0; s < 3 * count; s++)
                colors.push_back(AnyFinite(random));
        }
        if (d.type == ka::ParamType::ArbitraryData || d.type == ka::ParamType::List) {
            size = 1 + (int32_t)(random() % (random() % 8 == 0 ? 5000 : 100));
            for (int32_t b = 0; b < size; b++)
                data.push_back((unsigned char)random());
            if (d.type == ka::ParamType::List) {
                for (unsigned char &b : data)
                    b = b ? b : '\\';
                data.back() = 0;
            }
        }
        return Ki_LensFlare(light, name.c_str(), T("element"), guid, 1, T("parameter"), &p,
                            T("value"), value, T("gradientdata"), &count, colors.data(),
                            offsets.data(), T("arbitrarydata"), &size, data.data(), 1,
                            T("element"), guid, T("enabled"), T(random() % 2 ? "on" : "off"), 1, 0);
    }

    void BuildRandomFlare()
    {
        RemoveAllElements();
        if (SetGlobals() == 0)
            accepted++;
        static const char *const kTypes[] = {"probe", "bare", "glow", "ring", "streak", "starburst"};
        int elements = 1 + (int)(random() % 6);
        for (int i = 0; i < elements; i++) {
            const char *guid = Insert(kTypes[random() % (sizeof kTypes / sizeof kTypes[0])]);
            if (!guid)
                continue;
            int32_t params = 0, index = Count() - 1;
            Ki_Inquire_LensFlare(light, name.c_str(), T("element"), &index,
                                 T("numparameterdefinitions"), &params, 1, 0);
            for (int32_t p = 0; p < params; p++)
                if (SetParameter(guid, p) == 0)
                    accepted++;
        }
    }

    int accepted = 0;
};

void ExpectSameBits(const ka::Flare &a, const ka::Flare &b, const std::string &what)
{
    for (const ka::FlareSwitchField &s : ka::FlareSwitches())
        EXPECT_EQ(a.*s.field, b.*s.field) << what << " " << s.keyword;
    for (const ka::FlareFloatField &f : ka::FlareFloats())
        EXPECT_TRUE(SameBits(&(a.*f.field), &(b.*f.field), sizeof(float))) << what << " " << f.keyword;
    EXPECT_TRUE(SameBits(a.color, b.color, sizeof a.color)) << what;
    EXPECT_EQ(a.randomSeed, b.randomSeed) << what;
    ASSERT_EQ(a.elements.size(), b.elements.size()) << what;
    for (size_t i = 0; i < a.elements.size(); i++) {
        const ka::Element &e = *a.elements[i], &f = *b.elements[i];
        ASSERT_EQ(e.type, f.type) << what << " element " << i;
        EXPECT_EQ(e.enabled, f.enabled) << what << " element " << i;
        for (size_t p = 0; p < e.values.size(); p++) {
            const ka::ParamValue &u = e.values[p], &v = f.values[p];
            size_t n = (size_t)ka::ComponentCount(e.type->params[p].type);
            EXPECT_TRUE(SameBits(u.v, v.v, n * sizeof(float))) << what << " element " << i << "/" << p;
            EXPECT_TRUE(SameBits(u.gradient.offsets, v.gradient.offsets)) << what << " " << i << "/" << p;
            EXPECT_TRUE(SameBits(u.gradient.colors, v.gradient.colors)) << what << " " << i << "/" << p;
            EXPECT_TRUE(SameBits(u.data, v.data)) << what << " element " << i << "/" << p;
        }
    }
}

} // namespace

TEST_F(RoundTrip, EveryFlareTheKeywordCallsAcceptIsSavedAndLoadedBackToTheSameBits)
{
    const std::string other = name + "-loaded";
    ASSERT_EQ(Ki_Light(other.c_str(), T("model"), T("point"), 1, 0), 0);
    ka::Flare &loaded = ka::FindLight(other.c_str())->flare;
    for (unsigned seed = 1; seed <= 60; seed++) {
        random.seed(seed);
        BuildRandomFlare();
        const std::string what = "seed " + std::to_string(seed);
        const std::string first = TempPath("first.lnz"), second = TempPath("second.lnz");
        Kh_Clear_Errors();
        ASSERT_EQ(File("savetofile", first), 0) << what;
        loaded.elements.clear();
        ASSERT_EQ(File("loadfromfile", first, other), 0) << what << ": " << ErrorReports()[0];
        ASSERT_EQ(File("savetofile", second, other), 0) << what;
        EXPECT_EQ(ReadBytes(second), ReadBytes(first)) << what;
        ExpectSameBits(ka::FindLight(name.c_str())->flare, loaded, what);
    }
    EXPECT_GT(accepted, 600) << "the calls above mostly build flares, not faults";
    Ki_Remove(light, other.c_str(), 0);
}

/* The case a user met: a radius typed as 1e-40 was saved as 9.9999461e-41
 * and its file refused. */
TEST_F(RoundTrip, ASubnormalRadiusAndTheLargestFloatsComeBackFromAFile)
{
    RemoveAllElements();
    const char *ring = Insert("probe");
    int32_t size = 1;
    float tiny = 1e-40f, largest = FLT_MAX, minusZero = -0.0f;
    ASSERT_EQ(Ki_LensFlare(light, name.c_str(), T("element"), ring, 1, T("parameter"), &size,
                           T("value"), &tiny, 1, T("scale"), &largest, 1, T("angle"), &minusZero,
                           1, 0), 0);
    const std::string path = TempPath("subnormal.lnz");
    ASSERT_EQ(File("savetofile", path), 0);
    EXPECT_NE(ReadBytes(path).find("value size 9.9999461e-41\n"), std::string::npos);
    RemoveAllElements();
    ASSERT_EQ(File("loadfromfile", path), 0) << ErrorReports()[0];
    float value = 0, scale = 0, angle = 0;
    int32_t first = 0;
    Ki_Inquire_LensFlare(light, name.c_str(), T("element"), &first, T("parameter"), &size,
                         T("value"), &value, 1, T("scale"), &scale, 1, T("angle"), &angle, 1, 0);
    EXPECT_TRUE(SameBits(&value, &tiny, sizeof value));
    EXPECT_TRUE(SameBits(&scale, &largest, sizeof scale));
    EXPECT_TRUE(SameBits(&angle, &minusZero, sizeof angle));
}

/* A type may name a parameter longer than a file's line may be: such a
 * flare is not saved at all, rather than saved into a file that does not
 * load. */
TEST_F(RoundTrip, AFlareItsOwnReaderWouldRefuseIsNotSaved)
{
    const std::string param(1100, 'n');
    ASSERT_EQ(Kh_Define_Element_Type(("type longnamed\nparam floatslider " + param + "\nend\n").c_str()), 0);
    RemoveAllElements();
    ASSERT_NE(Insert("longnamed"), nullptr);
    const std::string path = TempPath("long-named.lnz");
    Kh_Clear_Errors();
    EXPECT_EQ(File("savetofile", path), 4);
    std::vector<std::string> reports = ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("ERR_LNZ_WRITE|Ki_LensFlare()|" + path +
                                   ": the effect would not read back (line 23: ",
                               0),
              0u)
        << reports[0];
    EXPECT_FALSE(Exists(path));
}

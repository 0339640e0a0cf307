// Lens effect files: every parameter type and the globals round-trip
// exactly through a file; malformed and cut-off files are refused and
// leave the flare as it was.
#include <cfloat>
#include <cstring>

#include "demo_flares.h"
#include "host_fixture.h"
#include "lnz.h"
#include "store.h"

namespace {

/* Bit-exact comparison of two flares' globals and element values. */
void ExpectSameFlare(const ka::Flare &a, const ka::Flare &b, size_t firstOfB = 0)
{
    EXPECT_EQ(ka::FormatLnz(a).substr(0, ka::FormatLnz(a).find("elements")),
              ka::FormatLnz(b).substr(0, ka::FormatLnz(b).find("elements")));
    ASSERT_EQ(a.elements.size(), b.elements.size() - firstOfB);
    for (size_t i = 0; i < a.elements.size(); i++) {
        const ka::Element &x = *a.elements[i], &y = *b.elements[i + firstOfB];
        EXPECT_EQ(x.type, y.type) << i;
        EXPECT_EQ(x.enabled, y.enabled) << i;
        ASSERT_EQ(x.values.size(), y.values.size());
        for (size_t p = 0; p < x.values.size(); p++) {
            size_t n = (size_t)ka::ComponentCount(x.type->params[p].type);
            EXPECT_EQ(std::memcmp(x.values[p].v, y.values[p].v, n * sizeof(float)), 0) << i << "/" << p;
            EXPECT_EQ(x.values[p].gradient.offsets, y.values[p].gradient.offsets) << i << "/" << p;
            EXPECT_EQ(x.values[p].gradient.colors, y.values[p].gradient.colors) << i << "/" << p;
            EXPECT_EQ(x.values[p].data, y.values[p].data) << i << "/" << p;
        }
    }
}

struct Lnz : LightTest {
    ka::Flare &Flare() { return ka::FindLight(name.c_str())->flare; }

    /* A flare with odd values in every global and every parameter type. */
    void MakeUnusualFlare()
    {
        RemoveAllElements();
        ka::Flare &f = Flare();
        f.enabled = false;
        f.intensity = 1.0f / 3.0f;
        f.scale = 0.1f;
        f.occlusionRadius = 1e-30f;
        f.anamorphicStretch = FLT_MAX;
        f.fastDrag = true;
        f.randomSeed = INT32_MIN;
        f.color[0] = 0.2f, f.color[1] = -0.0f, f.color[2] = 16.5f;
        f.angle = -123.456f;
        f.fadeIfNearBorder = false;
        f.refDistance = 7e7f;
        f.scaleReflexesWithDistance = true;
        Insert("bare");
        Insert("probe");
        Insert("glow");
        ka::Element &probe = *f.elements[1];
        probe.enabled = false;
        probe.values[0].v[0] = 64;
        probe.values[1].v[0] = -FLT_MAX;
        probe.values[2].v[0] = 359.999f;
        probe.values[4].v[0] = 0.1f, probe.values[4].v[1] = 0.7f, probe.values[4].v[2] = 15.99f;
        probe.values[5].v[0] = -1e-7f;
        const char entries[] = "A b:0,\"q\":1,\\:2";
        probe.values[6].data.assign(entries, entries + sizeof entries);
        probe.values[7].gradient.offsets = {0.0f, 0.1f, 0.1f, 0.9999999f, 1.0f};
        probe.values[7].gradient.colors = {0, 0, 0, 1, 2, 3, 0.3f, 0.6f, 0.9f, 1e-3f, 1e3f, 7, 1, 1, 1};
        probe.values[8].data.clear();
        for (int b = 0; b < 300; b++)
            probe.values[8].data.push_back((unsigned char)(b * 7));
    }
};

} // namespace

TEST_F(Lnz, EveryGlobalAndEveryParameterTypeRoundTripsExactly)
{
    MakeUnusualFlare();
    const std::string path = TempPath("unusual.lnz");
    ASSERT_EQ(File("savetofile", path), 0);

    /* loading takes the globals and appends the elements */
    const std::string other = name + "b";
    Ki_Light(other.c_str(), T("model"), T("point"), 1, 0);
    ka::Flare &target = ka::FindLight(other.c_str())->flare;
    target.elements.resize(1);
    ASSERT_EQ(File("loadfromfile", path, other), 0);
    ExpectSameFlare(Flare(), target, 1);
    EXPECT_EQ(ka::FormatLnz(Flare()), ReadBytes(path)) << "the file is exactly the format";
    Ki_Remove(light, other.c_str(), 0);
    EXPECT_TRUE(ErrorReports().empty());
}

TEST_F(Lnz, EveryCutOffCopyOfAFileIsRefusedAndChangesNothing)
{
    MakeUnusualFlare();
    const std::string text = ka::FormatLnz(Flare());
    ka::Flare untouched;
    ka::DefaultFlare(&untouched);
    const std::string before = ka::FormatLnz(untouched);
    for (size_t cut = 0; cut < text.size(); cut++) {
        std::string why;
        int status = ka::ParseLnz(text.data(), cut, &untouched, &why);
        ASSERT_NE(status, ka::LNZ_OK) << "cut at " << cut;
        ASSERT_FALSE(why.empty());
        ASSERT_EQ(ka::FormatLnz(untouched), before) << "cut at " << cut;
    }
}

TEST_F(Lnz, MalformedFilesAreRefusedWithTheLineAtFault)
{
    RemoveAllElements();
    Insert("probe");
    const std::string valid = ka::FormatLnz(Flare());
    struct Case {
        const char *what;
        std::string find, replace;
        int line;   /* 0: any */
        int status = ka::LNZ_MALFORMED;
        const char *detail = "";
    } cases[] = {
        {"another format", "LNZ 1\n", "LNX 1\n", 1},
        {"a later version", "LNZ 1\n", "LNZ 2\n", 1},
        {"a global twice", "scale 1\n", "scale 1\nscale 1\n", 14},
        {"a global of nothing", "scale 1\n", "sparkle 1\n", 13},
        {"a global missing", "refdistance 10\n", "", 0},
        {"a number with a tail", "intensity 1\n", "intensity 1x\n", 12},
        {"not a number", "intensity 1\n", "intensity nan\n", 12},
        {"an infinite number", "intensity 1\n", "intensity inf\n", 12},
        {"two spaces", "scale 1\n", "scale  1\n", 13},
        {"a switch of nothing", "fastdrag off\n", "fastdrag yes\n", 3},
        {"a seed that is no integer", "randomseed 1\n", "randomseed 1.5\n", 0},
        {"a seed too large", "randomseed 1\n", "randomseed 99999999999\n", 0},
        {"more elements than there are", "elements 1\n", "elements 2\n", 0},
        {"a negative count", "elements 1\n", "elements -1\n", 0},
        {"an element type of nothing", "element probe\n", "element sparkle\n", 21, ka::LNZ_UNKNOWN_TYPE},
        {"a parameter of nothing", "value size ", "value sise ", 0},
        {"a colour of two numbers", "value tint 1 0.5 0.25\n", "value tint 1 0.5\n", 0},
        {"a value out of range", "value count 3\n", "value count 100\n", 23},
        {"a value twice", "value count 3\n", "value count 3\nvalue count 4\n", 24},
        {"a stop missing", "gradient ramp 4\n", "gradient ramp 5\n", 0},
        {"stops out of order", "stop 0.25 1 0 0\n", "stop 0.001 1 0 0\n", 0},
        {"a gradient for a slider", "value count 3\n", "value count 3\ngradient count 0\n", 24},
        {"data longer than said", "data blob 7\n", "data blob 8\n", 0},
        {"data shorter than said", "data blob 7\n", "data blob 6\n", 0},
        {"an escape of nothing", "text \"AB", "text \"\\qB", 0},
        {"a text line of 49 bytes", "data blob 7\n",
         "data blob 56\ntext \"" + std::string(49, 'a') + "\"\n", 0, ka::LNZ_MALFORMED, "48 bytes"},
        {"an empty text line", "data blob 7\n", "data blob 7\ntext \"\"\n", 0, ka::LNZ_MALFORMED,
         "add up to 7"},
        {"data for a slider", "value count 3\n", "value count 3\ndata count 1\ntext \"a\"\n", 24},
        {"list entries without their NUL", "data shape 13\ntext \"Low:0,High:1\\x00\"\n",
         "data shape 12\ntext \"Low:0,High:1\"\n", 0},
        {"text after the end", "end-of-effect\n", "end-of-effect\nmore\n", 0},
        {"a NUL in a line", "scale 1\n", std::string("scale 1\0\n", 9), 13, ka::LNZ_MALFORMED,
         "NUL byte in a line"},
        {"an overlong line", "value size 0.5", "value size 0." + std::string(2000, '5'), 0,
         ka::LNZ_MALFORMED, "longer than"},
    };
    ka::Flare target;
    ka::DefaultFlare(&target);
    const std::string before = ka::FormatLnz(target);
    for (const Case &c : cases) {
        std::string text = valid;
        size_t at = text.find(c.find);
        ASSERT_NE(at, std::string::npos) << c.what;
        text.replace(at, c.find.size(), c.replace);
        std::string why;
        EXPECT_EQ(ka::ParseLnz(text.data(), text.size(), &target, &why), c.status) << c.what << ": " << why;
        if (c.line) {
            EXPECT_EQ(why.rfind("line " + std::to_string(c.line) + ":", 0), 0u) << c.what << ": " << why;
        }
        EXPECT_NE(why.find(c.detail), std::string::npos) << c.what << ": " << why;
        EXPECT_EQ(ka::FormatLnz(target), before) << c.what;
    }

    // a seed at the top of its range is no fault
    std::string why, widest = valid;
    widest.replace(widest.find("randomseed 1\n"), 13, "randomseed 2147483647\n");
    ka::Flare top;
    EXPECT_EQ(ka::ParseLnz(widest.data(), widest.size(), &top, &why), ka::LNZ_OK) << why;
    EXPECT_EQ(top.randomSeed, INT32_MAX);
}

TEST_F(Lnz, FileFailuresSetTheStatusReportAndLeaveTheFlareAlone)
{
    const std::string before = Describe();
    std::string alien = ka::FormatLnz(Flare());
    alien.replace(alien.find("element glow\n"), 13, "element alien\n");
    struct Case {
        const char *what, *file, *contents, *error;
        int status;
    } cases[] = {
        {"a missing file", "missing.lnz", nullptr, "ERR_LNZ_READ", ka::LNZ_CANNOT_READ},
        {"an empty file", "empty.lnz", "", "ERR_LNZ_FORMAT", ka::LNZ_MALFORMED},
        {"an unknown element type", "alien.lnz", alien.c_str(), "ERR_LNZ_UNKNOWN_TYPE", ka::LNZ_UNKNOWN_TYPE},
    };
    for (const Case &c : cases) {
        std::string path = TempPath(c.file);
        if (c.contents)
            WriteFile(path, c.contents);
        Kh_Clear_Errors();
        EXPECT_EQ(File("loadfromfile", path), c.status) << c.what;
        EXPECT_EQ(ErrorNames(), std::vector<std::string>{c.error}) << c.what;
        EXPECT_EQ(Describe(), before) << c.what;
    }
    /* Past 64 MiB no flare is read whole. */
    std::string huge = TempPath("huge.lnz");
    WriteFile(huge, std::string((64u << 20) + 1, '\n'));
    Kh_Clear_Errors();
    EXPECT_EQ(File("loadfromfile", huge), ka::LNZ_MALFORMED);
    EXPECT_EQ(ErrorReports(), std::vector<std::string>{"ERR_LNZ_FORMAT|Ki_LensFlare()|" + huge +
                                                       ": larger than 67108864 bytes"});
    EXPECT_EQ(Describe(), before);
}

TEST_F(Lnz, EveryDemoEffectIsWrittenAndLoadsBack)
{
    const std::vector<ka::DemoEffect> &effects = ka::DemoEffects();
    ASSERT_FALSE(effects.empty());
    const std::string folder = TempPath("demo");
    EXPECT_EQ(Kh_Write_Demo_Effects(folder.c_str()), (int)effects.size());
    for (const ka::DemoEffect &effect : effects) {
        RemoveAllElements();
        EXPECT_EQ(File("loadfromfile", folder + "/" + effect.file), 0) << effect.file;
        ka::Flare built;
        ASSERT_TRUE(ka::BuildDemoEffect(effect, &built)) << effect.file;
        ExpectSameFlare(built, Flare());
    }
    EXPECT_TRUE(ErrorReports().empty());
}

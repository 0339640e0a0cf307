// Gradient files (.grd, .cmp) through the two host calls: round trips,
// worked colour-map examples, refused files, faulty calls, the host
// memory they hand out, their call-log lines and the demo files.
#include <cstring>
#include <set>

#include "gradient_files.h"
#include "host_fixture.h"

namespace {

int64_t LiveBlocks()
{
    int64_t blocks = 0;
    Kh_Memory_Stats(&blocks, nullptr);
    return blocks;
}

int Save(const std::string &path, int32_t count, const float *offsets, const float *colors,
         KaToken interpolation = T("linear"))
{
    return Ki_Save_Gradient_Colormap(path.c_str(), count, offsets, colors, nullptr, interpolation);
}

/* One load's answers, its status expected, released as the plug-in does. */
struct Loaded {
    int32_t count = -1;
    float *offsets = nullptr;
    float *colors = nullptr;
    void *extra = nullptr;
    KaToken interpolation = 0;

    explicit Loaded(const std::string &path, int expected = 0, bool wantExtra = true)
    {
        int status = Ki_Load_Gradient_Colormap(path.c_str(), &count, &offsets, &colors,
                                               wantExtra ? &extra : nullptr, &interpolation);
        EXPECT_EQ(status, expected) << path;
    }
    ~Loaded()
    {
        Ki_Free_Memory(offsets);
        Ki_Free_Memory(colors);
        Ki_Free_Memory(extra);
    }
    const unsigned char *Table() const { return static_cast<const unsigned char *>(extra); }
};

struct GradientFiles : testing::Test {
    void SetUp() override
    {
        Kh_Set_Error_Echo(0);
        Kh_Clear_Errors();
        blocksBefore = LiveBlocks();
    }
    void TearDown() override { EXPECT_EQ(LiveBlocks(), blocksBefore) << "host blocks leaked"; }
    int64_t blocksBefore = 0;
};

const char kGrdText[] = "GRD 1\ninterpolation linear\nstops 1\nstop 0 1 1 1\nend\n";
const char kCmpText[] = "CMP 1\n"
                        "interpolation linear\n"
                        "colors 3\n"
                        "color 255 0 0\n"
                        "color 0 128 255\n"
                        "color 10 20 30\n"
                        "end\n";

} // namespace

/* The extension decides the format whatever its case. */
TEST_F(GradientFiles, GrdGivesBackEveryFloatExactlyAndReadsALooseLayout)
{
    const float offsets[] = {0.0f, 1.0f / 3.0f, 1.0f / 3.0f, 0.7f, 1.0f};
    const float colors[] = {1.0f / 3.0f, 1e-7f, 0.999999f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f,
                            2.0f / 255.0f, 0.5f, 0.1f, 0.25f, 0.75f, 0.875f};
    std::string path = TempPath("ROUND.GRD");
    ASSERT_EQ(Save(path, 5, offsets, colors, T("cardinal")), 0);
    {
        Loaded g(path);
        ASSERT_EQ(g.count, 5);
        EXPECT_EQ(std::memcmp(g.offsets, offsets, sizeof offsets), 0);
        EXPECT_EQ(std::memcmp(g.colors, colors, sizeof colors), 0);
        EXPECT_EQ(g.interpolation, T("cardinal"));
        EXPECT_EQ(LiveBlocks(), blocksBefore + 2);
    }
    std::string loose = TempPath("loose.grd");
    WriteFile(loose, "# written by hand\r\n"
                     "GRD 1\r\n"
                     "\n"
                     "interpolation\tlinear\r\n"
                     "stops   2\n"
                     "  stop 0 0 0 0   \n"
                     "# the last one\n"
                     "stop 1 1 0.5 0.25\n"
                     "end\r\n");
    Loaded g(loose);
    ASSERT_EQ(g.count, 2);
    EXPECT_EQ(g.offsets[1], 1.0f);
    EXPECT_EQ(g.colors[5], 0.25f);
    EXPECT_TRUE(ErrorNames().empty());
}

TEST_F(GradientFiles, ColourMapSpreadsItsColoursEvenlyAndHandsOutItsTable)
{
    std::string path = TempPath("Three.CMP");
    WriteFile(path, kCmpText);
    {
        Loaded g(path);
        ASSERT_EQ(g.count, 3);
        EXPECT_EQ(std::vector<float>(g.offsets, g.offsets + 3), (std::vector<float>{0, 0.5f, 1}));
        const int bytes[] = {255, 0, 0, 0, 128, 255, 10, 20, 30};
        ASSERT_NE(g.Table(), nullptr);
        for (int i = 0; i < 9; i++) {
            EXPECT_EQ(g.colors[i], (float)bytes[i] / 255.0f) << i;
            EXPECT_EQ(g.Table()[i], bytes[i]) << i;
        }
        EXPECT_EQ(LiveBlocks(), blocksBefore + 3);

        std::string again = TempPath("three-again.CmP");
        ASSERT_EQ(Save(again, g.count, g.offsets, g.colors, g.interpolation), 0);
        EXPECT_EQ(ReadBytes(again), kCmpText);
    }
    Loaded noTable(path, 0, false);   /* and no table without an address for it */
}

TEST_F(GradientFiles, UnevenGradientSavedAsMapIsSampled)
{
    /* Sampled maps hold 256 colours, colour i at i / 255 (colour 51 at
     * 0.2).  Linear from black at 0 to white at 0.5, white beyond: colour
     * 51 is 0.4 of the way, 102.  Red, then blue at 0.2: the later entry
     * wins.  Cardinal through black, white, black, black, white at thirds
     * (the repeated black makes the spread uneven): colour 42 (t = 0.1647,
     * u = 0.4941 of the first third) follows 0.5 (u + 4u^2 - 3u^3) = 0.5544,
     * so 141 where linear gives 126; the curve passes through every entry. */
    const float third = 1.0f / 3.0f, twoThirds = 2.0f / 3.0f;
    const std::vector<float> thirds = {0.0f, third, twoThirds, twoThirds, 1.0f};
    const std::vector<float> zigzag = {0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 1};
    struct Case {
        const char *file;
        std::vector<float> offsets, colors;
        const char *interpolation;
        int count;
        std::vector<std::pair<int, int>> bytes;   // (index into the table, byte)
    } cases[] = {
        {"sampled.cmp", {0.0f, 0.5f}, {0, 0, 0, 1, 1, 1}, "linear", 256,
         {{0, 0}, {3 * 51, 102}, {3 * 128, 255}, {3 * 255 + 2, 255}}},
        // one colour needs no sampling; 0.5 rounds to the nearest byte
        {"single.cmp", {0.7f}, {0.5f, 0.5f, 0.5f}, "linear", 1, {{1, 128}}},
        // 0.005 off even is uneven
        {"nearly.cmp", {0.0f, 0.505f, 1.0f}, {0, 0, 0, 0.5f, 0.5f, 0.5f, 1, 1, 1}, "linear", 256,
         {}},
        {"hard.cmp", {0.0f, 0.2f, 0.2f, 1.0f}, {0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 1, 1}, "linear", 256,
         {{3 * 51, 0}, {3 * 51 + 2, 255}}},
        {"curve.cmp", thirds, zigzag, "cardinal", 256,
         {{3 * 42, 141}, {3 * 85, 255}, {3 * 170, 0}, {3 * 255, 255}}},
        {"line.cmp", thirds, zigzag, "linear", 256, {{3 * 42, 126}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = TempPath(c.file);
        ASSERT_EQ(Save(path, (int32_t)c.offsets.size(), c.offsets.data(), c.colors.data(),
                       T(c.interpolation)), 0);
        Loaded g(path);
        ASSERT_EQ(g.count, c.count);
        EXPECT_EQ(g.interpolation, T(c.interpolation));
        EXPECT_EQ(g.offsets[c.count > 1 ? 51 : 0], c.count > 1 ? 0.2f : 0.0f);
        for (const auto &[at, byte] : c.bytes)
            EXPECT_EQ(g.Table()[at], byte) << "table entry " << at;
    }
}

TEST_F(GradientFiles, FaultyFilesAreRefusedWithNothingHandedOut)
{
    const std::string stop = "stop 0 1 1 1\n";
    const std::string head = "GRD 1\ninterpolation linear\nstops 1\n";
    struct Case {
        const char *name;
        const char *file;
        std::string text;
    } cases[] = {
        {"empty", "e.grd", ""},
        {"cut before end", "b.grd", head + stop},
        {"wrong magic", "m.grd", "CMP 1\ninterpolation linear\nstops 1\n" + stop + "end\n"},
        {"later version", "v.grd", "GRD 2\ninterpolation linear\nstops 1\n" + stop + "end\n"},
        {"unknown interpolation", "i.grd", "GRD 1\ninterpolation cubic\nstops 1\n" + stop + "end\n"},
        {"no entries", "z.grd", "GRD 1\ninterpolation linear\nstops 0\nend\n"},
        {"too many entries", "t.grd", "GRD 1\ninterpolation linear\nstops 1025\n" + stop + "end\n"},
        {"fewer stops than counted", "f.grd", "GRD 1\ninterpolation linear\nstops 2\n" + stop + "end\n"},
        {"more stops than counted", "x.grd", head + stop + stop + "end\n"},
        {"offset above 1", "o.grd", head + "stop 1.5 1 1 1\nend\n"},
        {"descending offsets", "d.grd",
         "GRD 1\ninterpolation linear\nstops 2\nstop 0.5 1 1 1\nstop 0.4 1 1 1\nend\n"},
        {"negative colour", "n.grd", head + "stop 0 -0.1 1 1\nend\n"},
        {"not a number", "q.grd", head + "stop 0 nan 1 1\nend\n"},
        {"number with a tail", "a.grd", head + "stop 0.5x 1 1 1\nend\n"},
        {"short stop", "h.grd", head + "stop 0 1 1\nend\n"},
        {"text after end", "r.grd", head + stop + "end\nstop 1 1 1 1\n"},
        {"overlong line", "l.grd", head + "stop 0 1 1 1" + std::string(300, ' ') + "\nend\n"},
        {"byte above 255", "b.cmp", "CMP 1\ninterpolation linear\ncolors 1\ncolor 256 0 0\nend\n"},
        {"fraction in a map", "f.cmp", "CMP 1\ninterpolation linear\ncolors 1\ncolor 0.5 0 0\nend\n"},
        {"grd text in a map", "g.cmp", head + stop + "end\n"},
        {"cut map", "c.cmp", std::string(kCmpText, sizeof kCmpText - 6)},
    };
    for (const Case &c : cases) {
        std::string path = TempPath(c.file);
        WriteFile(path, c.text);
        Loaded g(path, -2);
        EXPECT_EQ(g.offsets, nullptr) << c.name;
        EXPECT_EQ(g.colors, nullptr) << c.name;
        EXPECT_EQ(g.extra, nullptr) << c.name;
        std::string why;
        ka::GradientRecord record;
        EXPECT_EQ(ka::LoadGradientFile(path.c_str(), &record, &why), ka::GRADIENT_MALFORMED) << c.name;
        EXPECT_EQ(why.compare(0, 5, "line "), 0) << c.name << ": " << why;
    }
    EXPECT_TRUE(ErrorNames().empty()) << "file faults are the caller's to show";
    /* No gradient comes near a megabyte: a larger file is not read whole. */
    std::string huge = TempPath("huge.grd"), why;
    WriteFile(huge, head + stop + "end\n" + std::string(1 << 20, '\n'));
    ka::GradientRecord record;
    EXPECT_EQ(ka::LoadGradientFile(huge.c_str(), &record, &why), ka::GRADIENT_MALFORMED);
    EXPECT_EQ(why, "larger than 1048576 bytes");
}

TEST_F(GradientFiles, UnopenableFilesAndNullAddressesHandOutNothing)
{
    std::string text = TempPath("ramp.txt"), path = TempPath("null.grd");
    WriteFile(text, kGrdText);
    WriteFile(path, kGrdText);
    for (const std::string &name : {TempPath("absent.grd"), TempPath("absent.cmp"), text,
                                    TempPath("")}) {
        Loaded g(name, -1);
        EXPECT_EQ(g.offsets, nullptr) << name;
    }

    int32_t count = -1;
    float *offsets = nullptr, *colors = nullptr;
    void *extra = nullptr;
    KaToken interpolation = 0;
    EXPECT_EQ(Ki_Load_Gradient_Colormap(nullptr, &count, &offsets, &colors, &extra, &interpolation), -1);
    EXPECT_EQ(Ki_Load_Gradient_Colormap(path.c_str(), nullptr, &offsets, &colors, &extra, &interpolation), -1);
    EXPECT_EQ(Ki_Load_Gradient_Colormap(path.c_str(), &count, nullptr, &colors, &extra, &interpolation), -1);
    EXPECT_EQ(Ki_Load_Gradient_Colormap(path.c_str(), &count, &offsets, nullptr, &extra, &interpolation), -1);
    EXPECT_EQ(Ki_Load_Gradient_Colormap(path.c_str(), &count, &offsets, &colors, &extra, nullptr), -1);
    EXPECT_EQ(offsets, nullptr);
    EXPECT_EQ(colors, nullptr);
    EXPECT_EQ(extra, nullptr);
    EXPECT_EQ(ErrorNames(), std::vector<std::string>(5, "ERR_NULL_ADDRESS"));
}

TEST_F(GradientFiles, SavesThatCannotBeDoneSayWhyAndAnUnknownInterpolationSavesAsLinear)
{
    const float offsets[] = {0.5f, 0.25f};
    const float colors[] = {1, 1, 1, 0, 0, 0};
    std::string path = TempPath("refused.grd");

    EXPECT_EQ(Save(path, 0, offsets, colors), -2);
    EXPECT_EQ(Save(path, -4, offsets, colors), -2);

    EXPECT_EQ(Save(path, 2, offsets, colors), -2);
    const float wild[] = {0, 0, 2};
    EXPECT_EQ(Save(path, 1, offsets, wild), -2);
    EXPECT_EQ(Save(path, 2000, offsets, colors), -2);
    EXPECT_EQ(Save(path, 1, nullptr, colors), -2);
    EXPECT_EQ(Ki_Save_Gradient_Colormap(nullptr, 1, offsets, colors, nullptr, T("linear")), -1);
    EXPECT_EQ(ErrorNames(), (std::vector<std::string>{"ERR_BAD_GRADIENT", "ERR_BAD_GRADIENT",
                                                      "ERR_BAD_GRADIENT", "ERR_NULL_ADDRESS",
                                                      "ERR_NULL_ADDRESS"}));
    EXPECT_FALSE(Exists(path));

    EXPECT_EQ(Save(TempPath("no/such/folder.grd"), 1, offsets + 1, colors), -1);
    EXPECT_EQ(Save(TempPath("ramp.bmp"), 1, offsets + 1, colors), -1);
    EXPECT_FALSE(Exists(TempPath("ramp.bmp")));

    Kh_Clear_Errors();
    std::string odd = TempPath("odd.grd");
    EXPECT_EQ(Save(odd, 1, offsets + 1, colors, T("spline")), 0);
    EXPECT_EQ(ErrorNames(), std::vector<std::string>{"ERR_BAD_INTERPOLATION"});
    Loaded g(odd);
    EXPECT_EQ(g.interpolation, T("linear"));
}

/* Every test ends with the host's blocks counted back to where they were. */
TEST_F(GradientFiles, FilesOfTheMostEntriesLoadWholeAndLeaveNoHostMemoryBehind)
{
    std::string grd = TempPath("many.grd"), cmp = TempPath("many.cmp");
    std::vector<float> offsets, colors;
    for (int i = 0; i < ka::kGradientMaxEntries; i++) {
        offsets.push_back((float)i / (ka::kGradientMaxEntries - 1));
        colors.insert(colors.end(), {(float)(i % 256) / 255.0f, 0.5f, 1.0f});
    }
    ASSERT_EQ(Save(grd, ka::kGradientMaxEntries, offsets.data(), colors.data()), 0);
    ASSERT_EQ(Save(cmp, ka::kGradientMaxEntries, offsets.data(), colors.data()), 0);
    for (const std::string &path : {grd, cmp}) {
        Loaded g(path);
        EXPECT_EQ(g.count, ka::kGradientMaxEntries) << path << ": an even map keeps its colours";
    }
}

TEST_F(GradientFiles, CallsAreLogged)
{
    std::string log = TempPath("gradient.log"), path = TempPath("logged.grd");
    const float offsets[] = {0.0f, 1.0f};
    const float colors[] = {1, 0.5f, 0, 0, 0, 1};
    ASSERT_EQ(Kh_Set_Call_Log(log.c_str(), 0), 0);
    Save(path, 2, offsets, colors, T("cardinal"));
    { Loaded g(path); }
    Save(path, 5000, offsets, colors);
    Kh_Set_Call_Log(nullptr, 0);
    EXPECT_EQ(ReadBytes(log),
              "Ki_Save_Gradient_Colormap \"" + path + "\" 2 &0,1 &1,0.5,0,0,0,1 null cardinal\n"
              "Ki_Load_Gradient_Colormap \"" + path + "\" &out &out &out &out &out\n"
              "Ki_Save_Gradient_Colormap \"" + path + "\" 5000 & & null linear\n");
}

TEST_F(GradientFiles, DemoFilesAreDistinctAndLoad)
{
    std::string folder = TempPath("colormap");
    int written = Kh_Write_Demo_Gradients(folder.c_str());
    EXPECT_GE(written, 5);
    const char *names[] = {"sunset.grd", "spectrum.grd", "ice.grd", "horizon.grd", "fire.cmp",
                           "aurora.cmp"};
    std::set<std::string> texts;
    for (const char *name : names) {
        std::string path = folder + "/" + name;
        Loaded g(path);
        EXPECT_GE(g.count, 2) << name;
        EXPECT_LE(g.count, 100) << name << " must fit the plug-in's control";
        EXPECT_TRUE(texts.insert(ReadBytes(path)).second) << name << " is like another";
    }
    EXPECT_TRUE(ErrorNames().empty());
}

// The renderer's shortcuts give what the long way does: the roll-off skips
// vectors with nothing above the knee, so a hot pixel in any lane of a
// vector, or in the tails after the vectors, must still roll off; a glow's
// or streak's table kept from an earlier render is the one a fresh fill
// makes; round shapes on one centre drawn as one give what they give
// apart; every vector level gives the plain loops' pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <limits>
#include <vector>

#include "catalogue.h"
#include "render.h"
#include "render_draw.h"

namespace {

/* Three colour planes of 327 x 225 (the preview's size), black. */
struct Picture {
    static const int kWidth = 327, kHeight = 225;
    std::vector<float> planes[4];   // red, green, blue, coverage
    KaGBuffer buffer;
    Picture()
    {
        for (int i = 0; i < 4; i++)
            planes[i].assign((size_t)kWidth * kHeight, i < 3 ? 0.0f : 1.0f);
        buffer = {kWidth, kHeight, planes[0].data(), planes[1].data(), planes[2].data(),
                  nullptr, planes[3].data()};
    }
    bool operator==(const Picture &o) const
    {
        for (int i = 0; i < 3; i++)
            if (std::memcmp(planes[i].data(), o.planes[i].data(), planes[i].size() * 4) != 0)
                return false;
        return true;
    }
};

/* A flare of one element of that type, the globals at their defaults. */
void OneElement(ka::Flare *flare, const char *type)
{
    ka::DefaultFlare(flare);
    flare->elements.clear();
    flare->fadeIfNearBorder = false;
    flare->elements.push_back(ka::NewElement(ka::FindElementType(type)));
}

void Set(ka::Flare *flare, const char *name, float v)
{
    ka::Element &e = *flare->elements[0];
    int i = e.ParamIndex(name);
    ASSERT_GE(i, 0) << name;
    e.values[i].v[0] = v;
}

void Draw(const ka::Flare &flare, int x, int y, Picture *picture)
{
    ka::RenderLight light;
    light.x = x;
    light.y = y;
    ASSERT_EQ(0, ka::RenderFlare(&picture->buffer, flare, light, nullptr));
}

TEST(RenderKeptTables, AKeptGlowOrStreakTableIsWhatAFreshFillGives)
{
    struct Case {
        const char *type;
        void (*base)(ka::Flare *);     // the flare drawn first, whose tables are kept
        void (*change)(ka::Flare *);   // then drawn changed, at x, y
        int x, y;
    };
    auto none = [](ka::Flare *) {};
    const Case cases[] = {
        {"glow", none, [](ka::Flare *f) { Set(f, "sharpness", 5.0f); }, 160, 110},
        {"glow", none, [](ka::Flare *f) { Set(f, "hotspot", 0.9f); }, 160, 110},
        {"glow", none, [](ka::Flare *f) { Set(f, "falloff", 0.0f); }, 160, 110},
        {"glow", none, [](ka::Flare *f) { Set(f, "tail", 0.3f); }, 160, 110},
        {"glow", none, [](ka::Flare *f) { Set(f, "dust", 0.5f); }, 160, 110},
        {"glow", none, [](ka::Flare *f) { Set(f, "radius", 0.3f); }, 160, 110},
        {"glow", none, [](ka::Flare *f) { f->color[2] = 0.3f; }, 160, 110},
        {"glow", none, [](ka::Flare *f) {
             ka::Element &e = *f->elements[0];
             ka::GradientValue &g = e.values[e.ParamIndex("gradient")].gradient;
             g.offsets = {0.0f, 1.0f};
             g.colors = {1, 1, 1, 1, 0, 0};
         }, 160, 110},
        // wider than the image: the table ends at the farthest pixel, which
        // moves with the light
        {"glow", [](ka::Flare *f) { Set(f, "tailradius", 9.0f); }, [](ka::Flare *) {}, 10, 10},
        {"streak", none, [](ka::Flare *f) { Set(f, "taper", 4.0f); }, 160, 110},
        {"streak", none, [](ka::Flare *f) { Set(f, "thickness", 0.03f); }, 160, 110},
        {"streak", none, [](ka::Flare *f) { Set(f, "symmetric", 0.0f); }, 160, 110},
        {"streak", none, [](ka::Flare *f) { Set(f, "randomlength", 0.9f); }, 160, 110},
        {"streak", none, [](ka::Flare *f) { f->randomSeed = 7; }, 160, 110},
        {"streak", [](ka::Flare *f) { Set(f, "length", 6.0f); }, [](ka::Flare *) {}, 10, 10},
    };
    auto evict = [] {   // more glows and streaks than are kept
        ka::Flare many;
        ka::DefaultFlare(&many);
        many.elements.clear();
        for (int i = 0; i < 20; i++)
            for (const char *type : {"glow", "streak"}) {
                many.elements.push_back(ka::NewElement(ka::FindElementType(type)));
                ka::Element &e = *many.elements.back();
                e.values[e.ParamIndex(type == std::string("glow") ? "radius" : "length")].v[0] =
                    0.2f + 0.03f * i;
            }
        Picture scratch;
        Draw(many, 100, 100, &scratch);
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        ka::Flare flare;
        OneElement(&flare, c.type);
        c.base(&flare);
        Picture before, kept, fresh;
        Draw(flare, 160, 110, &before);
        c.change(&flare);
        Draw(flare, c.x, c.y, &kept);
        evict();
        Draw(flare, c.x, c.y, &fresh);
        EXPECT_TRUE(fresh == kept) << "changed to " << c.x << ", " << c.y;
        EXPECT_FALSE(before == kept) << "the change shows";
    }
}

/* Glows, streaks, rings and starbursts of sizes first .. last - 1 (steps). */
void ManySizes(ka::Flare *flare, int first, int last)
{
    ka::DefaultFlare(flare);
    flare->elements.clear();
    for (int i = first; i < last; i++)
        for (const char *type : {"glow", "streak", "ring", "starburst"}) {
            flare->elements.push_back(ka::NewElement(ka::FindElementType(type)));
            ka::Element &e = *flare->elements.back();
            e.values[e.ParamIndex("intensity")].v[0] = 0.02f;
            e.values[e.ParamIndex(type == std::string("streak") ? "length" : "radius")].v[0] =
                0.1f + 0.02f * i;
        }
}

TEST(RenderKeptTables, TablesKeptForLaterShapesLeaveThoseOfEarlierOnesAlone)
{
    // 16 of each kind are kept: drawn after the first flare, the second one
    // finds its first 16 tables kept and fills 16 more, which must not
    // replace the kept ones while its first shapes still read them
    ka::Flare first, second, others;
    ManySizes(&first, 0, 16);
    ManySizes(&second, 0, 32);
    ManySizes(&others, 40, 60);
    Picture scratch, afterFirst, fresh;
    Draw(first, 160, 110, &scratch);
    Draw(second, 160, 110, &afterFirst);
    Draw(others, 160, 110, &scratch);
    Draw(second, 160, 110, &fresh);
    EXPECT_TRUE(afterFirst == fresh);
}

/* A round table from inner to outer at perPixel entries a pixel, whose
 * entries differ enough from their neighbours that reading the one next
 * to the right one shows. */
void FillWavy(ka::RadialTable *t, float inner, float outer, float perPixel, float phase)
{
    ka::FillRadial(t, inner, outer, 1e4f, [=](float d, float rgb[3]) {
        for (int c = 0; c < 3; c++)
            rgb[c] = 0.05f * (c + 1) * (1.2f + std::sin(3.1f * d + phase + c));
    }, perPixel);
}

struct Round {
    double cx, cy;
    float inner, outer, perPixel;
};

/* Rays of four directions to raysOuter from the first round's centre
 * (none at 0), then the rounds, drawn on a canvas of 160 x 120 stretched
 * by 1.5, joined or apart; *shapes receives the count drawn. */
std::vector<float> DrawRounds(const std::vector<Round> &rounds, float raysOuter, bool join,
                              size_t *shapes)
{
    const int kW = 160, kH = 120;
    std::vector<float> planes(3 * kW * kH, 0.0f);
    ka::Canvas canvas = {planes.data(), planes.data() + kW * kH, planes.data() + 2 * kW * kH,
                         kW, kH, 1.5f, nullptr};
    ka::ShapeList list;
    if (raysOuter > 0.0f) {
        ka::RayTable &t = *ka::NewRayTable(&list);
        t.angleCount = 4;
        t.levelCount = 1;
        t.envelopeCount = 256;
        t.angular = {0.5f, 0.01f, 0.5f, 0.01f, 0.2f, 0.02f, 0.2f, 0.02f,
                     0.4f, 0.015f, 0.4f, 0.015f, 0.1f, 0.03f, 0.1f, 0.03f};
        FillWavy(&t.colour, 0.0f, raysOuter, 2.0f, 5.0f);
        ka::AddRays(&list, canvas, rounds[0].cx, rounds[0].cy, t);
    }
    for (size_t i = 0; i < rounds.size(); i++) {
        const Round &r = rounds[i];
        ka::RadialTable &t = *ka::NewRadialTable(&list);
        FillWavy(&t, r.inner, r.outer, r.perPixel, (float)i);
        ka::AddRadial(&list, canvas, r.cx, r.cy, t);
    }
    if (join)
        ka::JoinRadials(&list);
    *shapes = list.shapes.size();
    ka::DrawShapes(&canvas, list, false);
    return planes;
}

TEST(RenderJoinedRadials, RoundsOnOneCentreAndRaysAroundThemDrawAsOneWhereResolutionsDivideByPowersOfTwo)
{
    const struct {
        const char *what;
        std::vector<Round> rounds;
        size_t shapes;   // drawn once joined
        float raysOuter = 0.0f;
    } cases[] = {
        {"glow, halo and ring", {{80.25, 60.7, 0, 70, 2}, {80.25, 60.7, 50, 66, 4},
                                 {80.25, 60.7, 30, 34, 16}}, 1},
        {"three colours of a ring", {{80.25, 60.7, 30, 34, 16}, {80.25, 60.7, 31, 35, 16},
                                     {80.25, 60.7, 32, 36, 16}}, 1},
        {"a third as fine", {{80.25, 60.7, 0, 70, 2}, {80.25, 60.7, 40, 60, 6}}, 2},
        {"centres apart", {{80.25, 60.7, 0, 70, 2}, {80.25, 60.8, 40, 60, 4}}, 2},
        {"off the quarter pixel", {{80.3, 60.7, 0, 70, 2}, {80.3, 60.7, 40, 60, 4}}, 2},
        {"only some share a centre", {{80.25, 60.7, 0, 40, 2}, {20.5, 10.5, 0, 30, 2},
                                      {80.25, 60.7, 20, 30, 8}, {20.5, 10.5, 5, 9, 16}}, 2},
        // 600 px at 16 a pixel would make the sum too long: the ring stays apart
        {"too long for the finest", {{80.25, 60.7, 0, 600, 2}, {80.25, 60.7, 40, 60, 4},
                                     {80.25, 60.7, 30, 34, 16}}, 2},
        // drawn by the rays' loop where the rays reach as far
        {"glow and ring within rays", {{80.25, 60.7, 0, 70, 2}, {80.25, 60.7, 30, 34, 16}}, 1, 75},
        {"a glow past the rays", {{80.25, 60.7, 0, 70, 2}}, 2, 60},
    };
    int best = ka::SetRenderSimd(-1);
    for (const auto &c : cases)
        for (int level = 0; level <= best; level++) {
            SCOPED_TRACE(std::string(c.what) + ", level " + std::to_string(level));
            ka::SetRenderSimd(level);
            size_t apart = 0, joined = 0;
            std::vector<float> one = DrawRounds(c.rounds, c.raysOuter, false, &apart);
            std::vector<float> other = DrawRounds(c.rounds, c.raysOuter, true, &joined);
            EXPECT_EQ(c.rounds.size() + (c.raysOuter > 0.0f), apart);
            EXPECT_EQ(c.shapes, joined);
            float worst = 0.0f;
            for (size_t i = 0; i < one.size(); i++)
                worst = std::max(worst, std::fabs(one[i] - other[i]));
            EXPECT_LT(worst, 1e-6f);   // a rounding: the same entries, summed in another order
        }
    ka::SetRenderSimd(-1);
}

TEST(RenderJoinedRadials, AJointTableIsKeptWhileItsTablesAreAndMadeAgainWhenOneIsRefilled)
{
    ka::ShapeList list;
    std::vector<float> planes(3 * 100 * 100, 0.0f);
    ka::Canvas canvas = {planes.data(), planes.data() + 10000, planes.data() + 20000, 100, 100,
                         1.0f, nullptr};
    ka::RadialTable glow, ring;
    FillWavy(&glow, 0, 40, 2, 0);
    FillWavy(&ring, 20, 24, 16, 1);
    auto joint = [&] {
        list.Clear();
        ka::AddRadial(&list, canvas, 50, 50, glow);
        ka::AddRadial(&list, canvas, 50, 50, ring);
        ka::JoinRadials(&list);
        EXPECT_EQ(1u, list.shapes.size());
        return *list.shapes[0].radial;
    };
    ka::RadialTable first = joint(), again = joint();
    EXPECT_EQ(first.stamp, again.stamp) << "kept, not summed again";
    FillWavy(&ring, 20, 24, 16, 2);
    ka::RadialTable changed = joint();
    EXPECT_NE(first.stamp, changed.stamp);
    EXPECT_NE(first.rgbx, changed.rgbx);
    ka::RadialTable unknown;   // a table without a stamp: summed every time
    FillWavy(&unknown, 20, 24, 16, 2);
    unknown.stamp = 0;
    list.Clear();
    ka::AddRadial(&list, canvas, 50, 50, glow);
    ka::AddRadial(&list, canvas, 50, 50, unknown);
    ka::JoinRadials(&list);
    ASSERT_EQ(1u, list.shapes.size());
    EXPECT_NE(changed.stamp, list.shapes[0].radial->stamp);
    EXPECT_EQ(changed.rgbx, list.shapes[0].radial->rgbx);
}

TEST(RenderRays, TheEnvelopeFallsAsThePowerOneAndAHalfOfWhatIsLeftOfTheRay)
{
    // Rays of length 64 all around, white out to 80 pixels: along the row
    // through the centre, a pixel d from it (in the envelope's step of a
    // quarter pixel) gets (1 - (4 d + 0.5) / 256)^1.5, and nothing from
    // the rays' end on, on both sides and on every vector level.  The row's
    // span starts 80 pixels left of the centre, so 47 and 48 to the right
    // are the last pixel of the loop's first block and the first of the
    // next on every level.
    const struct {
        int d;
        float light;
    } cases[] = {{0, 0.99707174f}, {16, 0.64698352f}, {32, 0.35148381f}, {47, 0.13539284f},
                 {48, 0.12353802f}, {63, 0.00159861f}, {64, 0.0f}, {79, 0.0f}};
    ka::ShapeList list;
    ka::RayTable &t = *ka::NewRayTable(&list);
    t.angleCount = 4;
    t.levelCount = 1;
    t.angular.assign(16, 0.0f);
    for (int j = 0; j < 4; j++) {
        t.angular[4 * j] = 1.0f;              // strength
        t.angular[4 * j + 1] = 1.0f / 64;     // inverse length
    }
    t.envelopeCount = 256;
    ka::FillRadial(&t.colour, 0.0f, 80.0f, 200.0f, [](float, float rgb[3]) {
        rgb[0] = rgb[1] = rgb[2] = 1.0f;
    });
    const int kWidth = 200, kCentre = 100;
    int best = ka::SetRenderSimd(-1);
    for (int level = 0; level <= best; level++) {
        ka::SetRenderSimd(level);
        std::vector<float> planes[3];
        for (std::vector<float> &p : planes)
            p.assign(kWidth * 3, 0.0f);
        ka::Canvas canvas = {planes[0].data(), planes[1].data(), planes[2].data(), kWidth, 3, 1.0f,
                             nullptr};
        list.shapes.clear();
        ka::AddRays(&list, canvas, kCentre, 1, t);
        ka::DrawShapes(&canvas, list, false);
        for (const auto &c : cases)
            for (int side : {-1, 1}) {
                int x = kCentre + side * c.d;
                for (const std::vector<float> &p : planes)
                    EXPECT_NEAR(p[kWidth + x], c.light, 1e-6f)
                        << "level " << level << ", " << side * c.d << " from the centre";
            }
    }
    ka::SetRenderSimd(-1);
}

TEST(RenderSimdLevels, EveryLevelGivesThePlainPixelsBitForBit)
{
    // The default flare and every demo effect have every kind of loop
    // (discs, dusty polygons, streaks, rays) and, on a circle's rows,
    // spans of every length, so every mix of whole vectors and tails.
    std::vector<const ka::DemoEffect *> effects = {nullptr};
    for (const ka::DemoEffect &d : ka::DemoEffects())
        effects.push_back(&d);
    int best = ka::SetRenderSimd(-1);
    for (const ka::DemoEffect *effect : effects) {
        ka::Flare flare;
        ka::DefaultFlare(&flare);
        if (effect) {
            ASSERT_TRUE(ka::BuildDemoEffect(*effect, &flare));
        }
        ka::SetRenderSimd(0);
        Picture plain;
        Draw(flare, 90, 70, &plain);
        for (int level = 1; level <= best; level++) {
            ka::SetRenderSimd(level);
            Picture picture;
            Draw(flare, 90, 70, &picture);
            EXPECT_TRUE(picture == plain) << (effect ? effect->file : "default") << " level "
                                          << level;
        }
    }
    ka::SetRenderSimd(-1);
}

TEST(RenderRollOff, AHotPixelInAnyLaneOfAnyPlaneRollsOffAndTheRestStay)
{
    // 0.8 + 0.2 e / (e + 0.2) for an excess e over the knee 0.8
    const struct {
        float hot, expected;
    } cases[] = {
        {1.0f, 0.9f},                    // e = 0.2: halfway to 1
        {0.9f, 0.8f + 0.2f / 3.0f},      // e = 0.1
        {1.8f, 0.8f + 0.2f / 1.2f},      // e = 1
        {0.8f, 0.8f},                    // on the knee: unchanged
    };
    const int kRow = 35;   // two vectors of sixteen, a tail of three
    const float kCool[2] = {0.0f, 0.79f};
    int best = ka::SetRenderSimd(-1);
    for (int level = 0; level <= best; level++) {
        ka::SetRenderSimd(level);
        for (const auto &c : cases)
            for (float cool : kCool)
                for (int plane = 0; plane < 3; plane++)
                    for (int at = 0; at < kRow; at++) {
                        std::vector<float> rows[3];
                        for (std::vector<float> &row : rows)
                            row.assign(kRow, cool);
                        rows[plane][at] = c.hot;
                        ka::SoftClipRow(rows[0].data(), rows[1].data(), rows[2].data(), kRow);
                        for (int p = 0; p < 3; p++)
                            for (int x = 0; x < kRow; x++)
                                ASSERT_NEAR(rows[p][x], p == plane && x == at ? c.expected : cool,
                                            1e-6f)
                                    << "level " << level << ", hot " << c.hot << " in plane "
                                    << plane << " at " << at << "; plane " << p << ", x " << x;
                    }
    }
    ka::SetRenderSimd(-1);
}

TEST(RenderRollOff, NotANumberLeavesWithinZeroToOneOnEveryLevel)
{
    int best = ka::SetRenderSimd(-1);
    for (int level = 0; level <= best; level++) {
        ka::SetRenderSimd(level);
        std::vector<float> red(16, 0.5f), row(16, 0.5f), blue(16, 0.5f);
        row[5] = std::numeric_limits<float>::quiet_NaN();
        ka::SoftClipRow(red.data(), row.data(), blue.data(), 16);
        for (int x = 0; x < 16; x++) {
            ASSERT_TRUE(row[x] >= 0.0f && row[x] <= 1.0f) << "level " << level << ", x " << x;
            if (x != 5) {
                ASSERT_EQ(row[x], 0.5f) << "level " << level << ", x " << x;
            }
        }
    }
    ka::SetRenderSimd(-1);
}

} // namespace

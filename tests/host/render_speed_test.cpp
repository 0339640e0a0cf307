// The renderer's shortcuts give what the long way does: the roll-off skips
// vectors with nothing above the knee, so a hot pixel in any lane of a
// vector, or in the tails after the vectors, must still roll off; a table
// kept from an earlier render is the one a fresh fill makes; round shapes
// on one centre drawn as one give what they give apart; every vector
// level gives the plain loops' pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <limits>
#include <memory>
#include <vector>

#include "catalogue.h"
#include "demo_flares.h"
#include "render.h"
#include "render_draw.h"
#include "render_fixture.h"

namespace {

/* Three black colour planes of w x h, one after another, and a canvas
 * drawing into them. */
struct Planes {
    std::vector<float> data;
    ka::Canvas canvas;
    Planes(int w, int h, float stretch = 1.0f)
        : data((size_t)3 * w * h, 0.0f),
          canvas{data.data(), data.data() + w * h, data.data() + 2 * w * h, w, h, stretch, nullptr}
    {
    }
    Planes(const Planes &) = delete;
};

/* check(level) on every vector level from the plain loops (0) up; the
 * best level is chosen again after. */
template <typename Check> void OnEveryLevel(Check check)
{
    int best = ka::SetRenderSimd(-1);
    for (int level = 0; level <= best; level++) {
        SCOPED_TRACE("level " + std::to_string(level));
        ka::SetRenderSimd(level);
        check(level);
    }
    ka::SetRenderSimd(-1);
}

/* Rays of four directions in one level, their strength and inverse
 * length (and two unused floats) per direction in angular. */
void FourRays(ka::RayTable *t, std::vector<float> angular)
{
    t->angleCount = 4;
    t->levelCount = 1;
    t->envelopeCount = 256;
    t->angular = angular;
}

void Set(ka::Flare *flare, const char *name, float v)
{
    SetParam(flare->elements[0].get(), name, v);
}

void Draw(const ka::Flare &flare, int x, int y, Image *picture)
{
    ka::RenderLight light;
    light.x = x;
    light.y = y;
    ASSERT_EQ(0, ka::RenderFlare(&picture->buffer, flare, light, nullptr));
}

/* Glows, streaks, rings and starbursts of sizes first .. last - 1 (steps). */
void ManySizes(ka::Flare *flare, int first, int last)
{
    ka::DefaultFlare(flare);
    flare->elements.clear();
    for (int i = first; i < last; i++)
        for (const char *type : {"glow", "streak", "ring", "starburst"}) {
            const char *size = type == std::string("streak") ? "length" : "radius";
            AddElement(flare, type, {{"intensity", 0.02f}, {size, 0.1f + 0.02f * i}});
        }
}

void WhiteToRed(ka::Flare *f)
{
    SetGradient(f->elements[0].get(), {0.0f, 1.0f}, {1, 1, 1, 1, 0, 0});
}

TEST(RenderKeptTables, AKeptTableIsWhatAFreshFillGives)
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
        {"glow", none, [](ka::Flare *f) { Set(f, "falloff", 2.0f); }, 160, 110},
        {"glow", none, [](ka::Flare *f) { Set(f, "tail", 0.3f); }, 160, 110},
        {"glow", none, [](ka::Flare *f) { Set(f, "dust", 0.5f); }, 160, 110},
        {"glow", none, [](ka::Flare *f) { Set(f, "radius", 0.3f); }, 160, 110},
        {"glow", none, [](ka::Flare *f) { f->color[2] = 0.3f; }, 160, 110},
        {"glow", none, WhiteToRed, 160, 110},
        // wider than the image: the table ends at the farthest pixel, which
        // moves with the light
        {"glow", [](ka::Flare *f) { Set(f, "tailradius", 9.0f); }, none, 10, 10},
        {"streak", none, [](ka::Flare *f) { Set(f, "taper", 4.0f); }, 160, 110},
        {"streak", none, [](ka::Flare *f) { Set(f, "thickness", 0.03f); }, 160, 110},
        {"streak", none, [](ka::Flare *f) { Set(f, "symmetric", 0.0f); }, 160, 110},
        {"streak", none, [](ka::Flare *f) { Set(f, "randomlength", 0.9f); }, 160, 110},
        {"streak", none, [](ka::Flare *f) { f->randomSeed = 7; }, 160, 110},
        {"streak", [](ka::Flare *f) { Set(f, "length", 6.0f); }, none, 10, 10},
        {"dscflx", none, [](ka::Flare *f) { Set(f, "softness", 0.6f); }, 160, 110},
        {"dscflx", none, [](ka::Flare *f) { Set(f, "brightedge", 2.0f); }, 160, 110},
        {"dscflx", [](ka::Flare *f) { Set(f, "dust", 1.0f); },
         [](ka::Flare *f) { Set(f, "dust", 0.0f); }, 160, 110},
        {"dscflx", none, [](ka::Flare *f) { f->color[1] = 0.3f; }, 160, 110},
        {"dscflx", [](ka::Flare *f) { Set(f, "dust", 1.0f); },
         [](ka::Flare *f) { Set(f, "dust", 0.4f); }, 160, 110},
        {"inter", none, [](ka::Flare *f) { Set(f, "sizevariation", 0.1f); }, 160, 110},
        {"inter", none, [](ka::Flare *f) { Set(f, "radius", 0.1f); }, 160, 110},
        {"ring", none, [](ka::Flare *f) { Set(f, "width", 0.05f); }, 160, 110},
        {"ring", none, [](ka::Flare *f) { Set(f, "intensity", 0.9f); }, 160, 110},
        {"ring", [](ka::Flare *f) { Set(f, "radius", 2.0f); Set(f, "width", 1.0f); }, none, 10, 10},
        {"starburst", none, WhiteToRed, 160, 110},
        {"starburst", none, [](ka::Flare *f) { f->color[1] = 0.5f; }, 160, 110},
        {"starburst", none, [](ka::Flare *f) { f->randomSeed = 5; }, 160, 110},
        {"starburst", none, [](ka::Flare *f) { Set(f, "rays", 12.0f); }, 160, 110},
        {"starburst", none, [](ka::Flare *f) { Set(f, "angle", 3.0f); }, 160, 110},
        {"starburst", none, [](ka::Flare *f) { Set(f, "sharpness", 1.0f); }, 160, 110},
        {"starburst", none, [](ka::Flare *f) { Set(f, "randomness", 0.1f); }, 160, 110},
        {"starburst", none, [](ka::Flare *f) {
             ka::Element &e = *f->elements[0];
             e.values[e.ParamIndex("raypattern")].data = {255, 40, 160};
         }, 160, 110},
        {"starburst", [](ka::Flare *f) { Set(f, "radius", 4.0f); }, none, 10, 10},
    };
    auto evict = [] {   // more of every kind than are kept
        ka::Flare many;
        ManySizes(&many, 40, 60);
        for (auto &e : many.elements)   // and dusty, for the dust textures
            if (int dust = e->ParamIndex("dust"); dust >= 0)
                e->values[dust].v[0] = 0.3f;
        many.elements.insert(many.elements.begin(), ka::NewElement(ka::FindElementType("inter")));
        Set(&many, "count", 100);
        Image scratch;
        Draw(many, 100, 100, &scratch);
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.type) + ", case " + std::to_string(&c - cases));
        ka::Flare flare;
        AddElement(Cleared(&flare), c.type);
        c.base(&flare);
        Image before, kept, fresh;
        Draw(flare, 160, 110, &before);
        c.change(&flare);
        Draw(flare, c.x, c.y, &kept);
        evict();
        Draw(flare, c.x, c.y, &fresh);
        EXPECT_TRUE(SamePixels(fresh, kept)) << "changed to " << c.x << ", " << c.y;
        EXPECT_FALSE(SamePixels(before, kept)) << "the change shows";
    }
}

TEST(RenderKeptTables, TablesKeptForLaterShapesLeaveThoseOfEarlierOnesAlone)
{
    // Drawn after the first flare, the second one finds its first 16 tables
    // kept and fills 16 more, which must not take the slots its first shapes
    // still read; a third flare of other sizes then takes slots of both
    ka::Flare first, second, others;
    ManySizes(&first, 0, 16);
    ManySizes(&second, 0, 32);
    ManySizes(&others, 40, 60);
    Image scratch, afterFirst, fresh;
    Draw(first, 160, 110, &scratch);
    Draw(second, 160, 110, &afterFirst);
    Draw(others, 160, 110, &scratch);
    Draw(second, 160, 110, &fresh);
    EXPECT_TRUE(SamePixels(afterFirst, fresh));
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
    Planes planes(160, 120, 1.5f);
    ka::ShapeList list;
    if (raysOuter > 0.0f) {
        ka::RayTable &t = *ka::NewRayTable(&list);
        FourRays(&t, {0.5f, 0.01f, 0.5f, 0.01f, 0.2f, 0.02f, 0.2f, 0.02f,
                      0.4f, 0.015f, 0.4f, 0.015f, 0.1f, 0.03f, 0.1f, 0.03f});
        FillWavy(&t.colour, 0.0f, raysOuter, 2.0f, 5.0f);
        ka::AddRays(&list, planes.canvas, rounds[0].cx, rounds[0].cy, t);
    }
    for (size_t i = 0; i < rounds.size(); i++) {
        const Round &r = rounds[i];
        ka::RadialTable &t = *ka::NewRadialTable(&list);
        FillWavy(&t, r.inner, r.outer, r.perPixel, (float)i);
        ka::AddRadial(&list, planes.canvas, r.cx, r.cy, t);
    }
    if (join)
        ka::JoinRadials(&list);
    *shapes = list.shapes.size();
    ka::DrawShapes(&planes.canvas, list, false);
    return planes.data;
}

TEST(RenderJoinedRadials, RoundsOnOneCentreAndRaysAroundThemDrawAsOneWhereResolutionsDivideByPowersOfTwo)
{
    const double X = 80.25, Y = 60.7;   // the shared centre, on a quarter pixel across
    const struct {
        const char *what;
        std::vector<Round> rounds;
        size_t shapes;   // drawn once joined
        float raysOuter = 0.0f;
    } cases[] = {
        {"glow, halo and ring", {{X, Y, 0, 70, 2}, {X, Y, 50, 66, 4}, {X, Y, 30, 34, 16}}, 1},
        {"three colours of a ring", {{X, Y, 30, 34, 16}, {X, Y, 31, 35, 16}, {X, Y, 32, 36, 16}}, 1},
        {"a third as fine", {{X, Y, 0, 70, 2}, {X, Y, 40, 60, 6}}, 2},
        {"centres apart", {{X, Y, 0, 70, 2}, {X, 60.8, 40, 60, 4}}, 2},
        {"off the quarter pixel", {{80.3, Y, 0, 70, 2}, {80.3, Y, 40, 60, 4}}, 2},
        {"only some share a centre",
         {{X, Y, 0, 40, 2}, {20.5, 10.5, 0, 30, 2}, {X, Y, 20, 30, 8}, {20.5, 10.5, 5, 9, 16}}, 2},
        // 600 px at 16 a pixel would make the sum too long: the ring stays apart
        {"too long for the finest", {{X, Y, 0, 600, 2}, {X, Y, 40, 60, 4}, {X, Y, 30, 34, 16}}, 2},
        // drawn by the rays' loop where the rays reach as far
        {"glow and ring within rays", {{X, Y, 0, 70, 2}, {X, Y, 30, 34, 16}}, 1, 75},
        {"a glow past the rays", {{X, Y, 0, 70, 2}}, 2, 60},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        OnEveryLevel([&](int) {
            size_t apart = 0, joined = 0;
            std::vector<float> one = DrawRounds(c.rounds, c.raysOuter, false, &apart);
            std::vector<float> other = DrawRounds(c.rounds, c.raysOuter, true, &joined);
            EXPECT_EQ(c.rounds.size() + (c.raysOuter > 0.0f), apart);
            EXPECT_EQ(c.shapes, joined);
            float worst = 0.0f;
            for (size_t i = 0; i < one.size(); i++)
                worst = std::max(worst, std::fabs(one[i] - other[i]));
            EXPECT_LT(worst, 1e-6f);   // a rounding: the same entries, summed in another order
        });
    }
}

TEST(RenderJoinedRadials, AJointTableIsKeptWhileItsTablesAreAndMadeAgainWhenOneIsRefilled)
{
    ka::ShapeList list;
    Planes planes(100, 100);
    ka::RadialTable glow, ring, unknown;
    FillWavy(&glow, 0, 40, 2, 0);
    FillWavy(&ring, 20, 24, 16, 1);
    auto joint = [&](const ka::RadialTable &other) {
        list.Clear();
        ka::AddRadial(&list, planes.canvas, 50, 50, glow);
        ka::AddRadial(&list, planes.canvas, 50, 50, other);
        ka::JoinRadials(&list);
        EXPECT_EQ(1u, list.shapes.size());
        return *list.shapes[0].radial;
    };
    ka::RadialTable first = joint(ring), again = joint(ring);
    EXPECT_EQ(first.stamp, again.stamp) << "kept, not summed again";
    FillWavy(&ring, 20, 24, 16, 2);
    ka::RadialTable changed = joint(ring);
    EXPECT_NE(first.stamp, changed.stamp);
    EXPECT_NE(first.rgbx, changed.rgbx);
    FillWavy(&unknown, 20, 24, 16, 2);
    unknown.stamp = 0;   // a table without a stamp: summed every time
    ka::RadialTable summed = joint(unknown);
    EXPECT_NE(changed.stamp, summed.stamp);
    EXPECT_EQ(changed.rgbx, summed.rgbx);
}

TEST(RenderRows, CutsKeptFromTheRenderBeforeAreTakenOnlyForTheSameShapes)
{
    // Drawn after the unchanged shapes (whose cuts are kept) or after
    // others (whose are not), changed shapes give the same pixels.
    struct Look {
        double cx = 80.25, cy = 60.5;
        float stretch = 1.25f, inner = 12.0f, outer = 20.0f, along = 30.0f, across = 2.0f;
        float alongMax = 30.0f;
        float ux = 0.6f, uy = 0.8f;
        int width = 160;
    };
    const struct {
        const char *what;
        void (*change)(Look *);
    } cases[] = {
        {"centre across", [](Look *l) { l->cx += 0.5; }},
        {"centre up", [](Look *l) { l->cy += 0.25; }},
        {"stretch", [](Look *l) { l->stretch = 1.5f; }},
        {"hole", [](Look *l) { l->inner = 6.0f; }},
        {"size", [](Look *l) { l->outer = 17.0f; }},
        // within the streak's rows
        {"streak's start", [](Look *l) { l->along = 29.5f; }},
        {"streak's end", [](Look *l) { l->alongMax = 29.5f; }},
        {"streak's width", [](Look *l) { l->across = 2.1f; }},
        {"streak's direction across", [](Look *l) { l->ux = 0.61f; }},
        {"streak's direction up", [](Look *l) { l->uy = 0.79f; }},
        {"canvas width", [](Look *l) { l->width = 140; }},   // cuts off the rays' right
    };
    auto draw = [&](const Look &l) {
        ka::ShapeList list;
        ka::RadialTable &ring = *ka::NewRadialTable(&list), &hexagon = *ka::NewRadialTable(&list);
        FillWavy(&ring, l.inner, l.outer, 4, 0);
        FillWavy(&hexagon, 0, l.outer, 2, 1);
        ka::StreakTable &streak = *ka::NewStreakTable(&list);
        for (int i = 0; i < 60; i++)
            streak.along.push_back(0.3f + 0.2f * (i % 3));
        streak.along.push_back(0.0f);
        streak.across.assign(41, 0.25f);
        streak.across.back() = 0.0f;
        streak.alongMin = -l.along;
        streak.alongMax = l.alongMax;
        streak.alongPerPixel = 30.0f / l.along;
        streak.acrossMax = l.across;
        streak.acrossPerPixel = 20.0f / l.across;
        ka::RayTable &rays = *ka::NewRayTable(&list);
        FourRays(&rays, std::vector<float>(16, 0.05f));
        FillWavy(&rays.colour, 0.0f, l.outer, 2.0f, 3.0f);
        Planes planes(l.width, 120, l.stretch);
        const float rgb[3] = {0.3f, 0.2f, 0.1f};
        ka::AddRadial(&list, planes.canvas, l.cx - 40, l.cy, ring);
        ka::AddPolygon(&list, planes.canvas, l.cx, l.cy + 20, 6, 0.3f, 0.0f, hexagon);
        ka::AddStreak(&list, planes.canvas, l.cx + 10, l.cy - 20, l.ux, l.uy, rgb, streak);
        ka::AddRays(&list, planes.canvas, l.cx + 45, l.cy, rays);
        EXPECT_EQ(4u, list.shapes.size());
        ka::DrawShapes(&planes.canvas, list, false);
        return planes.data;
    };
    Look others;
    others.cx = 60.5;
    others.inner = 4.0f;
    others.outer = 9.0f;
    const std::vector<float> base = draw(Look());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Look changed;
        c.change(&changed);
        draw(Look());
        const std::vector<float> afterSame = draw(changed);
        draw(others);
        const std::vector<float> afterOthers = draw(changed);
        EXPECT_TRUE(afterSame == afterOthers);
        EXPECT_FALSE(afterSame == base) << "the change shows";
    }
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
    const float l = 1.0f / 64;   // strength 1 and this inverse length every way
    FourRays(&t, {1, l, 0, 0, 1, l, 0, 0, 1, l, 0, 0, 1, l, 0, 0});
    ka::FillRadial(&t.colour, 0.0f, 80.0f, 200.0f, [](float, float rgb[3]) {
        rgb[0] = rgb[1] = rgb[2] = 1.0f;
    });
    const int kWidth = 200, kCentre = 100;
    OnEveryLevel([&](int) {
        Planes planes(kWidth, 3);
        list.shapes.clear();
        ka::AddRays(&list, planes.canvas, kCentre, 1, t);
        ka::DrawShapes(&planes.canvas, list, false);
        for (const auto &c : cases)
            for (int side : {-1, 1})
                for (int p = 0; p < 3; p++)
                    EXPECT_NEAR(planes.data[(3 * p + 1) * kWidth + kCentre + side * c.d], c.light, 1e-6f)
                        << side * c.d << " from the centre";
    });
}

/* Entry k of a table's colour c, times the texel, wherever the pixel's
 * index lies within a hair of k (an index on an entry's edge may round
 * either way): whether v is one of them. */
bool OneOfTheEntries(const ka::RadialTable &t, double index, int c, float texel, float v)
{
    for (double at : {index - 1e-3, index + 1e-3}) {
        int k = std::min((int)std::max(at, 0.0), t.count);
        if (std::fabs(t.rgbx[4 * k + c] * texel - v) <= 1e-6f)
            return true;
    }
    return false;
}

TEST(RenderPolygons, EveryPixelReadsTheEntryOfItsOwnRadiusAndTheTexelOfItsPlace)
{
    // A regular polygon's own radius at p is the largest n . p over its
    // sides' normals (angle rotation + pi / sides + 2 pi k / sides, length
    // 1 / cos(pi / sides)), blended with |p| by roundness; the texture's
    // texel (u, v) covers offsets (u - 32) / 0.5 .. (u - 31) / 0.5.  Even
    // polygons are drawn by pairing opposite sides, squares, hexagons and
    // octagons unrolled; odd ones and others side by side.
    const struct {
        int sides;
        float rotation, roundness;
        bool textured;
    } cases[] = {
        {4, 0.3f, 0.0f, false}, {6, 0.0f, 0.0f, true}, {6, 1.1f, 0.25f, true},
        {8, 0.7f, 0.5f, false}, {10, 0.2f, 0.0f, true}, {5, 0.4f, 0.2f, true},
        {7, 2.0f, 0.0f, false},
    };
    const int kW = 120, kH = 100;
    const double cx = 60.25, cy = 50.75;   // no texel's edge on a pixel
    ka::RadialTable table;
    FillWavy(&table, 0.0f, 40.0f, 2.0f, 0.0f);
    auto texels = std::make_shared<std::vector<float>>(64 * 64);
    for (int i = 0; i < 64 * 64; i++)
        (*texels)[i] = 0.5f + (float)((i * 7919) % 13) / 12.0f;
    ka::Texture texture;
    texture.texel = texels;
    texture.perPixel = 0.5f;
    texture.shift = 32.0f;
    const double pi = 3.14159265358979323846;
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.sides) + " sides");
        OnEveryLevel([&](int) {
            Planes planes(kW, kH);
            ka::ShapeList list;
            ka::AddPolygon(&list, planes.canvas, cx, cy, c.sides, c.rotation, c.roundness, table,
                           c.textured ? &texture : nullptr);
            ka::DrawShapes(&planes.canvas, list, false);
            int wrong = 0, lit = 0;
            for (int y = 0; y < kH; y++)
                for (int x = 0; x < kW; x++) {
                    double dx = x - cx, dy = y - cy, d = std::hypot(dx, dy);
                    double m = -1e9;
                    for (int k = 0; k < c.sides; k++) {
                        double a = c.rotation + pi / c.sides + 2.0 * pi * k / c.sides;
                        m = std::max(m, (dx * std::cos(a) + dy * std::sin(a)) / std::cos(pi / c.sides));
                    }
                    m += c.roundness * (d - m);
                    int u = (int)std::floor(dx * 0.5 + 32) & 63, v = (int)std::floor(dy * 0.5 + 32) & 63;
                    float texel = c.textured ? (*texels)[64 * v + u] : 1.0f;
                    for (int p = 0; p < 3; p++) {
                        float got = planes.data[(size_t)p * kW * kH + y * kW + x];
                        lit += got != 0.0f;
                        if (d < table.outer ? !OneOfTheEntries(table, m * table.perPixel, p, texel, got)
                                            : got != 0.0f)
                            wrong++;
                    }
                }
            EXPECT_EQ(0, wrong);
            EXPECT_GT(lit, 3 * 3000);
        });
    }
}

TEST(RenderSimdLevels, EveryLevelGivesThePlainPixelsBitForBit)
{
    // The default flare and every demo effect have every kind of loop
    // (discs, dusty polygons, streaks, rays) and, on a circle's rows,
    // spans of every length, so every mix of whole vectors and tails; at
    // the preview's size and a larger odd one.
    std::vector<const ka::DemoEffect *> effects = {nullptr};
    for (const ka::DemoEffect &d : ka::DemoEffects())
        effects.push_back(&d);
    const int sizes[][4] = {{327, 225, 90, 70}, {1001, 563, 250, 140}};   // and the light's place
    for (const auto &size : sizes)
        for (const ka::DemoEffect *effect : effects) {
            SCOPED_TRACE((effect ? effect->file : "default") + " at " + std::to_string(size[0]));
            ka::Flare flare;
            ka::DefaultFlare(&flare);
            if (effect) {
                ASSERT_TRUE(ka::BuildDemoEffect(*effect, &flare));
            }
            Image plain(size[0], size[1]);
            OnEveryLevel([&](int level) {
                Image picture(size[0], size[1]);
                Draw(flare, size[2], size[3], level == 0 ? &plain : &picture);
                if (level > 0) {
                    EXPECT_TRUE(SamePixels(picture, plain));
                }
            });
        }
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
    OnEveryLevel([&](int) {
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
                                    << "hot " << c.hot << " in plane " << plane << " at " << at
                                    << "; plane " << p << ", x " << x;
                    }
    });
}

TEST(RenderRollOff, NotANumberLeavesWithinZeroToOneOnEveryLevel)
{
    OnEveryLevel([](int) {
        std::vector<float> red(16, 0.5f), row(16, 0.5f), blue(16, 0.5f);
        row[5] = std::numeric_limits<float>::quiet_NaN();
        ka::SoftClipRow(red.data(), row.data(), blue.data(), 16);
        for (int x = 0; x < 16; x++) {
            ASSERT_TRUE(row[x] >= 0.0f && row[x] <= 1.0f) << "x " << x;
            if (x != 5) {
                ASSERT_EQ(row[x], 0.5f) << "x " << x;
            }
        }
    });
}

} // namespace

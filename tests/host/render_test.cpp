// The lens-flare renderer and the G-buffer calls, through the host API as
// the plug-in uses them: where each element lands, what each global does,
// and that a render only ever adds to red, green and blue inside the
// buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "catalogue.h"
#include "demo_flares.h"
#include "errors.h"
#include "refhost_api.h"
#include "render.h"
#include "render_fixture.h"
#include "store.h"

namespace {

const char *kLight = "RenderTestLight";

KaToken LightToken() { return Ki_Inquire_Token("light"); }

/* The test light's flare, cleared, and the light white at intensity 1. */
ka::Flare *EmptyFlare()
{
    if (!ka::FindFlare(LightToken(), kLight))
        Ki_Light(kLight, Ki_Inquire_Token("model"), Ki_Inquire_Token("point"), 1, 0);
    ka::Light *light = ka::FindLight(kLight);
    light->color[0] = light->color[1] = light->color[2] = 1.0f;
    light->intensity = 1.0f;
    return Cleared(ka::FindFlare(LightToken(), kLight));
}

/* The test light's flare as a demo effect, or the default flare for null;
 * border fading off as in Cleared. */
ka::Flare *EffectFlare(const char *file)
{
    ka::Flare *flare = EmptyFlare();
    bool built = !file;
    if (!file)
        ka::DefaultFlare(flare);
    for (const ka::DemoEffect &d : ka::DemoEffects())
        if (file && d.file == file)
            built = ka::BuildDemoEffect(d, flare);
    EXPECT_TRUE(built) << file;
    flare->fadeIfNearBorder = false;
    return flare;
}

int Render(Image *image, int x, int y, KaProgressFn progress = nullptr)
{
    return Ki_LensFlareApplyToGBuffer(&image->buffer, LightToken(), kLight, x, y, progress);
}

/* A fresh image of w x h with the test light's flare rendered at (x, y). */
Image Rendered(int w, int h, int x, int y)
{
    Image image(w, h);
    EXPECT_EQ(0, Render(&image, x, y));
    return image;
}

/* Guards untouched, depth and coverage as cleared, and red, green and blue
 * finite and never below zero. */
void ExpectOnlyColourChanged(const Image &image)
{
    Image pristine(image.width, image.height);
    for (int p = 0; p < 5; p++)
        for (size_t k = 0; k < image.planes[p].size(); k++) {
            float v = image.planes[p][k];
            bool guard = k < kGuardFloats || k + kGuardFloats >= image.planes[p].size();
            ASSERT_TRUE(std::isfinite(v)) << "plane " << p << " float " << k;
            if (guard || p >= 3)
                ASSERT_EQ(v, pristine.planes[p][k]) << "plane " << p << " float " << k;
            else
                ASSERT_GE(v, 0.0f) << "plane " << p << " float " << k;
        }
}

TEST(RenderPlacement, ReflexesSitOnTheAxisAndFringesScaleRedOutAndBlueIn)
{
    // Light at (80, 50) in 321 x 201, centre (160, 100): a reflex at
    // position p sits at (80 + 80 p, 50 + 50 p), so position 1 on the
    // centre; a fringe f puts its red image at p (1 + f), its blue at p (1 - f).
    const struct {
        const char *type;
        float position, fringe;
    } cases[] = {{"dscflx", 1.0f, 0}, {"dscflx", 2.0f, 0}, {"dscflx", 0.5f, 0},
                 {"dscflx", -0.5f, 0}, {"rngflx", 1.5f, 0}, {"rngflx", 1.5f, 0.1f}};
    for (const auto &c : cases) {
        ka::Element *e = AddElement(EmptyFlare(), c.type, {{"position", c.position}, {"chromatic", c.fringe}});
        // dust, and a ring's coloured gradient, move each plane's centre of light
        if (std::strcmp(c.type, "dscflx") == 0)
            SetParam(e, "dust", 0);
        else
            SetGradient(e, {0.0f}, {1, 1, 1});
        Image image = Rendered(321, 201, 80, 50);
        const float scale[3] = {1 + c.fringe, 1, 1 - c.fringe};
        for (int plane = 0; plane < 3; plane++) {
            SCOPED_TRACE(testing::Message() << c.type << " at " << c.position << " fringe " << c.fringe
                                            << " plane " << plane);
            Moments m = image.MomentsOf(plane);
            EXPECT_NEAR(m.cx, 80 + c.position * scale[plane] * 80, 0.5);
            EXPECT_NEAR(m.cy, 50 + c.position * scale[plane] * 50, 0.5);
        }
    }
    // a ring's fringe, on the light, scales its radius alike
    AddElement(EmptyFlare(), "ring", {{"chromatic", 0.1f}});
    Image ring = Rendered(321, 201, 80, 50);
    const Moments green = ring.MomentsOf(1);
    for (int plane : {0, 2}) {
        Moments m = ring.MomentsOf(plane);
        EXPECT_NEAR(std::sqrt((m.xx + m.yy) / (green.xx + green.yy)), plane ? 0.9 : 1.1, 0.01) << plane;
    }
}

TEST(RenderPlacement, AReflexChainRunsFromItsStartToItsEnd)
{
    // Light at (40, 100) in 321 x 201: the axis is the row y = 100, position
    // p at x = 40 + 120 p.  Eight reflexes of 5 pixels (0.05 of 100.5), the
    // first on the start, the last on the end, each within 1/32 of the run
    // (at most 6 pixels) of its place.
    const struct {
        float start, end;
    } cases[] = {{0.5f, 1.5f}, {1.8f, 0.2f}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.start << " to " << c.end);
        AddElement(EmptyFlare(), "inter", {{"count", 8}, {"start", c.start}, {"end", c.end},
                                           {"radius", 0.05f}, {"sizevariation", 0}, {"dust", 0},
                                           {"chromatic", 0}});
        Image image = Rendered(321, 201, 40, 100);
        int first = -1, last = -1;
        for (int x = 0; x < 321; x++)
            if (image.Luma(x, 100) > 0.0f)
                last = x, first = first < 0 ? x : first;
        const double low = 40 + 120 * std::min(c.start, c.end), high = 40 + 120 * std::max(c.start, c.end);
        EXPECT_NEAR(first, low - 5, 7);
        EXPECT_NEAR(last, high + 5, 7);
    }
    // every reflex is drawn, up to the most the editor offers (30): of
    // random brightness each, 30 give about twice the light of 15
    double light[2];
    for (int i = 0; i < 2; i++) {
        AddElement(EmptyFlare(), "inter", {{"count", 15.0f * (i + 1)}, {"intensity", 0.1f}, {"sizevariation", 0}});
        light[i] = Rendered(321, 201, 40, 100).Sum();
    }
    EXPECT_NEAR(light[1] / light[0], 2.0, 0.3);
}

TEST(RenderPlacement, EveryElementTypeDrawsAroundTheLightOrOnTheAxisInItsColour)
{
    // scale 0.5 of half the smaller side: 100 pixels a size unit, so that
    // no element centred on the light reaches the image's edge; faint, so
    // that nothing reaches the roll-off and each plane's light is that of
    // the white element times the colour's component
    const int lx = 200, ly = 150, width = 600, height = 400;
    const double ax = (width - 1) / 2.0 - lx, ay = (height - 1) / 2.0 - ly;
    const float tint[3] = {1.0f, 0.5f, 0.25f};
    // the built-in types (tests elsewhere may register more)
    for (const char *name : {"glow", "halo", "ring", "streak", "starburst", "shimmer", "inter",
                             "dscflx", "rngflx", "prflx"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(ka::FindElementType(name));
        ka::Flare *flare = EmptyFlare();
        flare->scale = 0.5f;
        ka::Element *e = AddElement(flare, name, {{"intensity", 0.05f}});
        if (int chromatic = e->ParamIndex("chromatic"); chromatic >= 0)
            e->values[chromatic].v[0] = 0;
        const bool coloured = e->ParamIndex("color") >= 0;
        if (coloured)
            SetParam(e, "color", 1, 1, 1);
        Image image = Rendered(width, height, lx, ly);
        ASSERT_GT(image.Sum(), 1.0) << "draws nothing";
        Moments m = image.MomentsOf();
        double dx = m.cx - lx, dy = m.cy - ly;
        if (std::strstr(name, "flx") || std::strcmp(name, "inter") == 0) {
            // the centre of light is on the axis line, in front of the light
            EXPECT_LT(std::fabs(dx * ay - dy * ax) / std::hypot(ax, ay), 3.0);
            EXPECT_GT(dx * ax + dy * ay, 0.0);
        } else {
            EXPECT_LT(std::hypot(dx, dy), 5.0);
        }
        if (!coloured)
            continue;
        SetParam(e, "color", tint[0], tint[1], tint[2]);
        Image tinted = Rendered(width, height, lx, ly);
        for (int p = 0; p < 3; p++) {
            double was = 0, now = 0;
            for (int y = 0; y < height; y++)
                for (int x = 0; x < width; x++)
                    was += image.Value(p, x, y), now += tinted.Value(p, x, y);
            EXPECT_NEAR(now / was, tint[p], 0.01 * tint[p]) << "plane " << p;
        }
    }
}

TEST(RenderGlobals, ScaleGrowsAndAnamorphicStretchSqueezesTheFootprint)
{
    // radius 0.3 of half the smaller side (150): 45 pixels, less the last
    // pixel or few where the glow is fainter than 1/4096; centred on the
    // light away from the image's centre, its spread in x against y the
    // square of the stretch; an offset of (0.2, -0.1) size units moves it
    // by (30, -15) pixels
    const struct {
        float scale, stretch, dx, dy;
        double x, y;
    } cases[] = {{1, 1, 0, 0, 45, 45}, {2, 1, 0, 0, 90, 90}, {1, 2, 0, 0, 45, 22.5},
                 {1, 1, 0.2f, -0.1f, 45, 45}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << " stretch " << c.stretch
                                        << " offset " << c.dx << "," << c.dy);
        ka::Flare *flare = EmptyFlare();
        flare->scale = c.scale;
        flare->anamorphicStretch = c.stretch;
        AddElement(flare, "glow", {{"radius", 0.3f}, {"tail", 0}, {"offset", c.dx, c.dy}});
        Image image = Rendered(400, 300, 150, 110);
        const int cx = 150 + (int)std::lround(150 * c.dx), cy = 110 + (int)std::lround(150 * c.dy);
        EXPECT_NEAR(image.Reach(cx, cy, 1, 0), c.x - 2, 2);
        EXPECT_NEAR(image.Reach(cx, cy, 0, 1), c.y - 2, 2);
        Moments m = image.MomentsOf();
        EXPECT_NEAR(m.cx, cx, 0.3);
        EXPECT_NEAR(m.cy, cy, 0.3);
        EXPECT_NEAR(m.xx / m.yy, c.stretch * c.stretch, 0.02 * c.stretch * c.stretch);
    }
}

TEST(RenderGlobals, AngleTurnsTheStreaks)
{
    const struct {
        float global, element, expected;
    } cases[] = {{0, 0, 0}, {90, 0, 90}, {30, 0, 30}, {30, 15, 45}, {-20, 0, 160}};
    for (const auto &c : cases) {
        ka::Flare *flare = EmptyFlare();
        flare->angle = c.global;
        AddElement(flare, "streak", {{"count", 1}, {"angle", c.element}, {"randomlength", 0}});
        Image image = Rendered(300, 300, 150, 150);
        // the principal axis of the light; 0 and 180 degrees are the same axis
        Moments m = image.MomentsOf();
        double angle = 0.5 * std::atan2(2 * m.xy, m.xx - m.yy) * 180.0 / M_PI;
        double off = std::fmod(angle - c.expected + 450.0, 180.0) - 90.0;
        EXPECT_NEAR(off, 0.0, 0.5) << "global " << c.global << " element " << c.element;
    }

    // an element's streaks spread evenly: two of them cross at right angles
    AddElement(EmptyFlare(), "streak", {{"count", 2}, {"randomlength", 0}});
    Image image = Rendered(300, 300, 150, 150);
    Moments m = image.MomentsOf();
    EXPECT_NEAR(m.xx / m.yy, 1.0, 0.02);
}

TEST(RenderLooks, RandomLengthOnlyEverShortensAStreakAndByAtMostItsShare)
{
    // one ray to the right; 200 pixels a size unit, so a length of 1.5 is
    // 300 pixels
    auto reach = [](float randomLength, int seed) {
        ka::Flare *flare = EmptyFlare();
        flare->randomSeed = seed;
        AddElement(flare, "streak", {{"count", 1}, {"angle", 0}, {"symmetric", 0},
                                     {"length", 1.5f}, {"randomlength", randomLength}});
        return Rendered(800, 400, 100, 200).Reach(100, 200, 1, 0);
    };
    const int full = reach(0, 1);
    EXPECT_NEAR(full, 300, 3);
    int shortest = full;
    for (int seed = 1; seed <= 8; seed++) {
        int r = reach(0.5f, seed);
        EXPECT_LE(r, full) << "seed " << seed;
        EXPECT_GE(r, full / 2 - 2) << "seed " << seed;
        shortest = std::min(shortest, r);
    }
    EXPECT_LT(shortest, full * 7 / 10) << "no streak came out much shorter";
}

TEST(RenderGlobals, DisabledFlareOrElementDrawsNothing)
{
    ka::Flare *flare = EmptyFlare();
    AddElement(flare, "glow");
    Image reference = Rendered(200, 150, 50, 40);
    AddElement(flare, "dscflx")->enabled = false;
    Image glowOnly = Rendered(200, 150, 50, 40);
    flare->elements[1]->enabled = true;
    flare->enabled = false;
    Image none = Rendered(200, 150, 50, 40);
    EXPECT_TRUE(SamePixels(glowOnly, reference));
    EXPECT_EQ(none.Sum(), 0.0);
}

TEST(RenderGlobals, IntensityColourAndLightParamsScaleEveryPixelUpToWhite)
{
    ka::Flare *flare = EmptyFlare();
    AddElement(flare, "glow");
    AddElement(flare, "rngflx");
    Image base = Rendered(200, 150, 60, 50);

    const struct {
        float intensity, color[3], lightColor[3], lightIntensity;
        bool useLight;
        float expected[3];
    } cases[] = {
        {2.0f, {1, 1, 1}, {1, 1, 1}, 1, true, {2, 2, 2}},
        {1.0f, {1, 0, 0.5f}, {1, 1, 1}, 1, true, {1, 0, 0.5f}},
        {1.0f, {1, 1, 1}, {0.5f, 1, 0}, 3, true, {1.5f, 3, 0}},
        {1.0f, {1, 1, 1}, {0.5f, 1, 0}, 3, false, {1, 1, 1}},
    };
    for (const auto &c : cases) {
        flare->intensity = c.intensity;
        std::memcpy(flare->color, c.color, sizeof c.color);
        flare->useLightParams = c.useLight;
        ka::Light *light = ka::FindLight(kLight);
        std::memcpy(light->color, c.lightColor, sizeof c.lightColor);
        light->intensity = c.lightIntensity;
        Image image = Rendered(200, 150, 60, 50);
        for (int y = 0; y < 150; y++)
            for (int x = y % 37; x < 200; x += 37)
                for (int p = 0; p < 3; p++) {
                    float was = base.Value(p, x, y), now = image.Value(p, x, y);
                    float want = was * c.expected[p];
                    // each element leaves out light fainter than 1/4096, which
                    // brightening may bring in
                    float faint = 2.0f / 4096 * std::max(1.0f, c.expected[p]);
                    if (want <= 0.8f && was <= 0.8f) {
                        ASSERT_NEAR(now, want, 1e-5f + 1e-5f * was + faint);
                    } else if (want > 0.8f) {
                        /* Above the knee values roll off towards 1.0. */
                        ASSERT_GT(now, 0.8f);
                        ASSERT_LE(now, 1.0f);
                    }
                }
    }
}

TEST(RenderGlobals, ASecondElementMakesItsOwnRandomChoicesAndAGlowIgnoresTheSeed)
{
    // a second element of a type makes random choices of its own
    ka::Flare *flare = EmptyFlare();
    AddElement(flare, "inter", {{"intensity", 0.1f}});
    Image one = Rendered(327, 225, 81, 56);
    AddElement(flare, "inter", {{"intensity", 0.1f}});
    Image two = Rendered(327, 225, 81, 56);
    int lit = 0, doubled = 0;
    for (size_t k = 0; k < (size_t)327 * 225; k++)
        if (two.buffer.red[k] > 0)
            lit++, doubled += two.buffer.red[k] == 2 * one.buffer.red[k];
    EXPECT_LT(doubled, lit / 2) << "drawn twice alike";

    // a glow has nothing random in it
    AddElement(EmptyFlare(), "glow");
    Image a = Rendered(100, 80, 30, 30);
    flare->randomSeed = 99;
    Image b = Rendered(100, 80, 30, 30);
    EXPECT_TRUE(SamePixels(a, b));
}

TEST(RenderGlobals, BorderFadeAndOcclusionDimTheFlare)
{
    // a tenth of the smaller side is 20 pixels: the fade is a smoothstep
    // over them, 0.5 half way, 0.15625 a quarter of the way
    const struct {
        int x;
        double fade;
    } cases[] = {{150, 1}, {20, 1}, {10, 0.5}, {5, 0.15625}, {0, 0}, {-30, 0}};
    ka::Flare *flare = EmptyFlare();
    AddElement(flare, "glow", {{"intensity", 0.1f}});
    AddElement(flare, "dscflx");
    for (const auto &c : cases) {
        flare->fadeIfNearBorder = false;
        Image plain = Rendered(300, 200, c.x, 100);
        flare->fadeIfNearBorder = true;
        Image faded = Rendered(300, 200, c.x, 100);
        // dimmed, each shape leaves out a little more of its faintest light
        EXPECT_NEAR(faded.Sum(), c.fade * plain.Sum(), 0.01 * plain.Sum()) << "light at x " << c.x;
    }

    // covered light: the reflex goes, what is centred on the light stays
    // when asked to
    const char *centred[] = {"glow", "halo", "ring", "streak", "starburst", "shimmer"};
    flare = EmptyFlare();
    for (const char *type : centred)
        AddElement(flare, type, {{"intensity", 0.05f}});
    AddElement(flare, "dscflx");
    flare->fadeIfBehindObjects = true;
    flare->glowBehindObjects = true;
    Image covered(300, 200);
    std::fill(covered.buffer.coverage, covered.buffer.coverage + 300 * 200, 0.0f);
    Render(&covered, 100, 80);
    flare->elements.pop_back();
    Image reference = Rendered(300, 200, 100, 80);
    EXPECT_NEAR(covered.Sum(), reference.Sum(), 1e-6 * reference.Sum());
}

TEST(RenderGlobals, TheLightsDepthAgainstTheReferenceDistanceFadesOrScalesWhatIsAskedTo)
{
    // refdistance 50: at depth 100 the ratio is 1/2, so a fade multiplies
    // by 1/4 and a scaled element is half as wide, a quarter of the light;
    // nearer than the reference the fade stops at 1, and a depth of 0
    // (none known) changes nothing
    const struct {
        const char *type, *option;
        float depth;
        double light, width;   // against the same flare with the option off
    } cases[] = {
        {"glow", "fadewithdistance", 100, 0.25, 1},
        {"glow", "fadewithdistance", 25, 1, 1},
        {"glow", "scaleglowwithdistance", 100, 0.25, 0.5},
        {"glow", "scaleglowwithdistance", 0, 1, 1},
        {"glow", "scalereflexeswithdistance", 100, 1, 1},
        {"dscflx", "scalereflexeswithdistance", 100, 0.25, 0.5},
        {"dscflx", "scaleglowwithdistance", 100, 1, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << ", " << c.option << " at depth " << c.depth);
        ka::Flare *flare = EmptyFlare();
        flare->refDistance = 50;
        AddElement(flare, c.type, {{"intensity", 0.1f}});
        auto render = [&] {
            Image image(400, 300);
            std::fill(image.buffer.depth, image.buffer.depth + 400 * 300, c.depth);
            Render(&image, 150, 110);
            return image;
        };
        Image off = render();
        ASSERT_EQ(0, Ki_LensFlare(LightToken(), kLight, Ki_Inquire_Token(c.option),
                                  Ki_Inquire_Token("enabled"), Ki_Inquire_Token("on"), 1, 0));
        Image on = render();
        EXPECT_NEAR(on.Sum() / off.Sum(), c.light, 0.02 * c.light);
        EXPECT_NEAR(std::sqrt(on.MomentsOf().xx / off.MomentsOf().xx), c.width, 0.05 * c.width);
    }
}

TEST(RenderGlobals, OcclusionIsTheUncoveredShareOfTheDiscSample)
{
    // 400 x 256: 128 pixels a size unit, so an occlusion radius of 1/16 is
    // 8 pixels and the 9 x 9 grid has a step of 2.  Of its points 49 lie in
    // the disc: 20 left of the light, 9 on its column, 9 on its row, and 5
    // in the patch 2 to 4 steps right and 1 to 3 up ((2, 1) (2, 2) (2, 3)
    // (3, 1) (3, 2)).
    // Fading as objects approach samples three times as far out (a step
    // of 6): covering x <= 140 takes 13 of its 49 points (1, 5 and 7 of the
    // three columns 12 or more left) and none of the occlusion disc's.
    const struct {
        int x0, x1, y0, y1;   // the covered pixels
        bool approaching;
        double seen;
    } cases[] = {
        {0, 149, 0, 255, false, 29.0 / 49}, {0, 150, 0, 255, false, 20.0 / 49},
        {0, 399, 100, 100, false, 40.0 / 49}, {154, 158, 102, 106, false, 44.0 / 49},
        {0, 140, 0, 255, false, 1}, {0, 140, 0, 255, true, 36.0 / 49},
    };
    ka::Flare *flare = EmptyFlare();
    flare->fadeIfBehindObjects = true;
    flare->occlusionRadius = 0.0625f;
    AddElement(flare, "dscflx", {{"intensity", 0.1f}});
    Image clear = Rendered(400, 256, 150, 100);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "x " << c.x0 << ".." << c.x1 << ", y " << c.y0 << ".." << c.y1);
        Image covered(400, 256);
        for (int y = c.y0; y <= c.y1; y++)
            for (int x = c.x0; x <= c.x1; x++)
                covered.buffer.coverage[covered.Index(x, y)] = 0.0f;
        flare->fadeIfApproachingObjects = c.approaching;
        Render(&covered, 150, 100);
        EXPECT_NEAR(covered.Sum() / clear.Sum(), c.seen, 1e-5);
    }
}

TEST(RenderGradients, HaloAndRingReflexColoursFollowTheGradientAcrossTheirWidth)
{
    // radius 50 pixels in 200 x 200, 20 pixels wide: 40 .. 60; the light on
    // the centre, where a reflex of any position sits too
    for (const char *type : {"halo", "rngflx"}) {
        SCOPED_TRACE(type);
        ka::Element *ring = AddElement(EmptyFlare(), type, {{"radius", 0.5f}, {"width", 0.4f}});
        if (std::strcmp(type, "rngflx") == 0)
            SetParam(ring, "chromatic", 0);
        SetGradient(ring, {0.0f, 0.5f, 1.0f}, {1, 0, 0, 0, 1, 0, 0, 0, 1});
        Image image = Rendered(201, 201, 100, 100);
        auto at = [&](int plane, int x) { return image.Value(plane, x, 100); };
        // the middle of the ring (offset 0.5) is pure green
        EXPECT_GT(at(1, 150), 0.01f);
        EXPECT_NEAR(at(0, 150) / at(1, 150), 0.0f, 0.06f);
        EXPECT_NEAR(at(2, 150) / at(1, 150), 0.0f, 0.06f);
        // a quarter in from either edge: half way between the stops
        EXPECT_NEAR(at(0, 145) / at(1, 145), 1.0f, 0.12f);
        EXPECT_NEAR(at(2, 145), 0.0f, 1e-6f);
        EXPECT_NEAR(at(2, 155) / at(1, 155), 1.0f, 0.12f);
        EXPECT_NEAR(at(0, 155), 0.0f, 1e-6f);
        // inside the hole nothing at all
        EXPECT_EQ(image.Luma(100, 100), 0.0f);
    }
}

TEST(RenderLooks, AGlowsTailFallsAsTheInverseCubeBeyondItsCore)
{
    // 300 pixels a size unit: tail radius 1.5 reaches 450 pixels, its core
    // is a tenth of that (45); the glow itself (radius 0.2) ends at 60.
    const float tails[] = {0.0f, 0.2f, 0.4f};
    float at90[3], at180[3];
    for (int i = 0; i < 3; i++) {
        AddElement(EmptyFlare(), "glow", {{"radius", 0.2f}, {"tail", tails[i]}, {"tailradius", 1.5f}});
        Image image = Rendered(601, 601, 300, 300);
        at90[i] = image.Luma(390, 300);
        at180[i] = image.Luma(480, 300);
    }
    EXPECT_EQ(at90[0], 0.0f) << "no tail: nothing past the glow";
    EXPECT_EQ(at180[0], 0.0f);
    EXPECT_NEAR(at180[2] / at180[1], 2.0, 0.01) << "the tail's strength scales it";
    // (1 - (d / 450)^2)^2 / (1 + (d / 45)^2)^1.5 is 0.08243 at 90, 0.010067 at 180
    EXPECT_NEAR(at90[1] / at180[1], 8.19, 0.41);
}

TEST(RenderLooks, RoundnessTurnsAnApertureIntoACircleAndRotationTurnsIt)
{
    // A hexagon of corner radius 60 on the centre of 401 x 401: corners at
    // 0, 60, ... degrees, edges 52 pixels out at 30 degrees.  At 56 pixels
    // towards an edge only a rounded one reaches.  Turned by 30 degrees (its
    // own rotation and the flare's angle add up) corners and edges swap.
    const struct {
        float roundness, rotation, angle;
        bool cornerLit, edgeLit;
    } cases[] = {{0.0f, 0, 0, true, false}, {1.0f, 0, 0, true, true}, {0.0f, 30, 0, false, true},
                 {0.0f, 10, 20, false, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "roundness " << c.roundness << " rotation " << c.rotation
                                        << " angle " << c.angle);
        ka::Flare *flare = EmptyFlare();
        flare->angle = c.angle;
        AddElement(flare, "dscflx",
                   {{"position", 1.0f}, {"radius", 0.3f}, {"shape", 6}, {"softness", 0},
                    {"brightedge", 0}, {"dust", 0}, {"chromatic", 0}, {"roundness", c.roundness},
                    {"rotation", c.rotation}});
        Image image = Rendered(401, 401, 100, 100);
        int ex = 200 + (int)std::lround(56 * std::cos(M_PI / 6));
        int ey = 200 + (int)std::lround(56 * std::sin(M_PI / 6));
        EXPECT_EQ(image.Luma(256, 200) > 0.1f, c.cornerLit) << "at 0 degrees";
        EXPECT_EQ(image.Luma(ex, ey) > 0.1f, c.edgeLit) << "at 30 degrees";
    }
}

TEST(RenderLooks, APrismsFillIsItsCentresBrightnessAgainstItsRim)
{
    // 40 pixels on the centre of 401 x 401, white: its centre against the
    // brightest pixel of its row, which lies by the rim
    for (float fill : {0.3f, 0.8f}) {
        SCOPED_TRACE(fill);
        ka::Element *e = AddElement(EmptyFlare(), "prflx", {{"position", 1.0f}, {"radius", 0.2f},
                                                            {"intensity", 0.5f}, {"fill", fill}});
        SetGradient(e, {0.0f}, {1, 1, 1});
        Image image = Rendered(401, 401, 100, 100);
        float rim = 0;
        for (int x = 150; x <= 250; x++)
            rim = std::max(rim, image.Luma(x, 200));
        EXPECT_NEAR(image.Luma(200, 200) / rim, fill, 0.03);
    }
}

TEST(RenderLooks, DustMottlesAGhostAndTheSeedMovesIt)
{
    auto render = [](float dust, int seed) {
        ka::Flare *flare = EmptyFlare();
        flare->randomSeed = seed;
        AddElement(flare, "dscflx", {{"position", 1.0f}, {"radius", 0.4f}, {"brightedge", 0},
                                     {"chromatic", 0}, {"dust", dust}});
        return Rendered(401, 401, 100, 100);
    };
    // spread of the inner pixels (within half the radius, 40 pixels)
    auto spread = [](const Image &image, double *mean) {
        double s = 0, s2 = 0;
        int n = 0;
        for (int y = 160; y <= 240; y++)
            for (int x = 160; x <= 240; x++)
                if (std::hypot(x - 200, y - 200) <= 40) {
                    double v = image.Luma(x, y);
                    s += v, s2 += v * v, n++;
                }
        *mean = s / n;
        return std::sqrt(std::max(0.0, s2 / n - *mean * *mean)) / *mean;
    };
    Image clean = render(0.0f, 1), dusty = render(0.6f, 1), other = render(0.6f, 2);
    double cleanMean, dustyMean;
    EXPECT_LT(spread(clean, &cleanMean), 0.01);
    EXPECT_GT(spread(dusty, &dustyMean), 0.05);
    EXPECT_NEAR(dustyMean / cleanMean, 1.0, 0.25);
    int differ = 0;
    for (size_t k = 0; k < (size_t)401 * 401; k++)
        differ += dusty.buffer.red[k] != other.buffer.red[k];
    EXPECT_GT(differ, 1000) << "another seed, other dust";
}

TEST(RenderLooks, AStarburstsPatternRepeatsRoundItsRays)
{
    // Eight rays without randomness, on the axes and the diagonals, every
    // other one short.  Rays of one length are as bright down the middle
    // as each other (their widths still vary) at the same distance.
    ka::Element *e =
        AddElement(EmptyFlare(), "starburst", {{"rays", 8}, {"randomness", 0}, {"intensity", 0.2f}});
    e->values[e->ParamIndex("raypattern")].data = {255, 128};
    Image image = Rendered(301, 301, 150, 150);
    const int turns[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    const float longRay = image.Luma(210, 150), shortRay = image.Luma(180, 180);
    for (const auto &t : turns) {
        int x = t[0] - t[1], y = t[0] + t[1];   // the turn's diagonal, 45 degrees on
        EXPECT_NEAR(image.Luma(150 + 60 * t[0], 150 + 60 * t[1]), longRay, 0.03 * longRay);
        EXPECT_NEAR(image.Luma(150 + 30 * x, 150 + 30 * y), shortRay, 0.03 * shortRay);
        EXPECT_LT(std::sqrt(2.0) * image.Reach(150, 150, x, y), 0.8 * image.Reach(150, 150, t[0], t[1]))
            << "every other ray is short";
    }
}

/* Luma between pixel centres, reconstructed with a Gaussian of one pixel,
 * which lets through no trace of the pixel grid itself. */
double Smooth(const Image &image, double x, double y)
{
    double sum = 0;
    for (int py = (int)std::floor(y) - 3; py <= (int)std::floor(y) + 4; py++)
        for (int px = (int)std::floor(x) - 3; px <= (int)std::floor(x) + 4; px++) {
            if (px < 0 || py < 0 || px >= image.width || py >= image.height)
                continue;
            double d2 = (px - x) * (px - x) + (py - y) * (py - y);
            sum += std::exp(-0.5 * d2) / (2 * M_PI) * image.Luma(px, py);
        }
    return sum;
}

TEST(RenderAntiAliasing, ThinRingsKeepTheirBrightnessAllAround)
{
    // At the preview size (112.5 pixels a size unit) a ring's light across
    // its width, summed along a line through the light, is its width in
    // pixels times its colour: the same at every angle, however thin.
    struct Case {
        float radius, width;   // size units; width a fraction of the radius
    };
    const Case cases[] = {
        {0.3f, 0.03f},     // 33.75 px, 1 px wide
        {0.3f, 0.005f},    // 0.17 px wide
        {0.137f, 0.02f},   // 15.4 px, 0.31 px
        {0.8f, 0.004f},    // 90 px, 0.36 px
        {0.5f, 0.08f},     // 56 px, 4.5 px
    };
    const float colour[3] = {0.7f, 0.85f, 1.0f}, intensity = 0.3f;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "radius " << c.radius << " width " << c.width);
        AddElement(EmptyFlare(), "ring",
                   {{"radius", c.radius}, {"width", c.width}, {"softness", 0}, {"intensity", intensity},
                    {"color", colour[0], colour[1], colour[2]}});
        Image image = Rendered(327, 225, 163, 112);
        const double r = c.radius * 112.5, w = r * c.width;
        const double expected = w * intensity * (colour[0] + colour[1] + colour[2]);
        double low = 1e30, high = 0;
        for (int a = 0; a < 360; a++) {
            double ux = std::cos(a * M_PI / 180), uy = std::sin(a * M_PI / 180), sum = 0;
            for (double d = r - w / 2 - 5; d <= r + w / 2 + 5; d += 0.1)
                sum += 0.1 * Smooth(image, 163 + d * ux, 112 + d * uy);
            low = std::min(low, sum);
            high = std::max(high, sum);
        }
        EXPECT_GT(low, 0.96 * expected);
        EXPECT_LT(high, 1.04 * expected);
    }
}

TEST(RenderAntiAliasing, AShimmerMatchesItsAreaSampledPicture)
{
    // The same shimmer rendered four times as large and averaged over 4 x 4
    // blocks is what each pixel should catch.  Point-sampled rays leave
    // many lit pixels at half of that or less: the dark lines a brightened
    // image shows.
    const float radii[] = {0.45f, 0.9f, 1.8f};
    for (float radius : radii) {
        SCOPED_TRACE(radius);
        AddElement(EmptyFlare(), "shimmer", {{"radius", radius}, {"intensity", 0.3f}});
        Image image = Rendered(327, 225, 163, 112);
        Image large = Rendered(4 * 327, 4 * 225, 4 * 163 + 2, 4 * 112 + 2);
        std::vector<double> area((size_t)327 * 225, 0.0);
        double peak = 0;
        for (int y = 0; y < 225; y++)
            for (int x = 0; x < 327; x++) {
                for (int j = 0; j < 4; j++)
                    for (int i = 0; i < 4; i++)
                        area[image.Index(x, y)] += large.Luma(4 * x + i, 4 * y + j) / 16;
                if (std::hypot(x - 163, y - 112) >= 8)
                    peak = std::max(peak, area[image.Index(x, y)]);
            }
        int dark = 0, lit = 0;
        double error = 0, total = 0;
        for (int y = 0; y < 225; y++)
            for (int x = 0; x < 327; x++) {
                // the centre fades in over a few pixels at either size
                if (std::hypot(x - 163, y - 112) < 8)
                    continue;
                double a = area[image.Index(x, y)], v = image.Luma(x, y);
                error += std::fabs(v - a);
                total += a;
                if (a > 0.25 * peak) {
                    lit++;
                    dark += v < 0.5 * a;
                }
            }
        EXPECT_GT(lit, 100);
        // point-sampled rays leave a quarter or more of these dark
        EXPECT_LT(dark, 0.05 * lit);
        EXPECT_LT(error, 0.5 * total);
    }
}

TEST(RenderThreads, A4kRenderIsTheSameOnAnyNumberOfThreads)
{
    // Colour planes only (no depth, no coverage: nothing occludes), cleared
    // before each render; one thread against uneven and even bands.
    const int width = 3840, height = 2160;
    const size_t n = (size_t)width * height;
    std::vector<float> planes(3 * n);
    KaGBuffer buffer = {width, height, planes.data(), planes.data() + n, planes.data() + 2 * n,
                        nullptr, nullptr};
    struct Case {
        const char *effect;   // null: the default flare
        bool fastDrag;
    };
    const Case cases[] = {{nullptr, false}, {nullptr, true}, {"cinematic.lnz", false},
                          {"anamorphic-modern.lnz", false}, {"sunburst.lnz", false}};
    for (const Case &c : cases) {
        EffectFlare(c.effect)->fastDrag = c.fastDrag;
        std::vector<float> one;
        for (int threads : {1, 3, 8}) {
            ka::SetRenderThreads(threads);
            std::fill(planes.begin(), planes.end(), 0.0f);
            ASSERT_EQ(Ki_LensFlareApplyToGBuffer(&buffer, LightToken(), kLight, 960, 540, nullptr), 0);
            if (threads == 1)
                one = planes;
            else
                EXPECT_TRUE(one == planes) << (c.effect ? c.effect : "default") << " fast drag "
                                           << c.fastDrag << " on " << threads << " threads";
        }
        ka::SetRenderThreads(0);
    }
}

std::vector<std::pair<KaToken, float>> g_progress;

int RecordProgress(KaToken phase, float fraction)
{
    g_progress.push_back({phase, fraction});
    return 0;
}

TEST(RenderContract, ProgressRunsStartRisingUpdatesToOneEnd)
{
    for (int count : {0, 1, 10}) {
        SCOPED_TRACE(testing::Message() << count << " elements");
        ka::Flare *flare = EmptyFlare();
        for (int i = 0; i < count; i++)
            AddElement(flare, i % 2 ? "glow" : "dscflx");
        g_progress.clear();
        Image image(64, 48);
        Render(&image, 10, 10, RecordProgress);
        ASSERT_GE(g_progress.size(), 3u);
        EXPECT_EQ(g_progress.front().first, Ki_Inquire_Token("start"));
        EXPECT_EQ(g_progress.back().first, Ki_Inquire_Token("end"));
        float last = 0.0f;
        for (size_t i = 1; i + 1 < g_progress.size(); i++) {
            EXPECT_EQ(g_progress[i].first, Ki_Inquire_Token("update"));
            EXPECT_GE(g_progress[i].second, last);
            last = g_progress[i].second;
        }
        EXPECT_EQ(last, 1.0f);
    }
}

TEST(RenderContract, OnlyRedGreenBlueInsideTheBufferChange)
{
    const struct {
        int x, y;
    } lights[] = {{40, 30},     {0, 0},        {-1, 239},   {319, -1},  {-5000, 120},
                  {160, 90000}, {INT32_MIN, 0}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}};
    for (int fast = 0; fast < 2; fast++)
        for (const auto &l : lights) {
            SCOPED_TRACE(testing::Message() << "light " << l.x << "," << l.y << " fast " << fast);
            ka::Flare *flare = EffectFlare(nullptr);
            flare->fastDrag = fast != 0;
            flare->scale = 3.0f;
            Image image = Rendered(321, 241, l.x, l.y);
            ExpectOnlyColourChanged(image);
        }
    // a light just outside still casts its reflexes into the image
    AddElement(EmptyFlare(), "dscflx", {{"position", 1.0f}});
    Image image = Rendered(200, 100, -150, 50);
    EXPECT_GT(image.Luma(100, 50), 0.0f);
}

TEST(RenderContract, ExtremeValuesDrawFiniteAndInside)
{
    // values the protocol would refuse, set straight in the store
    const float values[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 0.0f, 1e-30f};
    for (float v : values) {
        SCOPED_TRACE(v);
        ka::Flare *flare = EffectFlare(nullptr);
        flare->scale = std::isfinite(v) ? std::fabs(v) : v;
        flare->anamorphicStretch = v;
        flare->angle = v;
        for (auto &e : flare->elements)
            for (ka::ParamValue &value : e->values)
                value.v[0] = value.v[1] = value.v[2] = v;
        Image image = Rendered(64, 48, 20, 20);
        ExpectOnlyColourChanged(image);
    }
}

TEST(RenderContract, FastDragLooksLikeTheFullRender)
{
    ka::Flare *flare = EffectFlare(nullptr);
    Image full = Rendered(327, 225, 81, 56);
    flare->fastDrag = true;
    Image fast = Rendered(327, 225, 81, 56);
    double difference = 0;
    for (int y = 0; y < 225; y++)
        for (int x = 0; x < 327; x++)
            difference += std::fabs(full.Luma(x, y) - fast.Luma(x, y));
    EXPECT_NEAR(fast.Sum() / full.Sum(), 1.0, 0.05);
    EXPECT_LT(difference / full.Sum(), 0.2);
}

TEST(RenderContract, BadBuffersAndOwnersAreReportedNotDrawn)
{
    ka::ClearErrors();
    EmptyFlare();
    EXPECT_EQ(-1, Ki_LensFlareApplyToGBuffer(nullptr, LightToken(), kLight, 0, 0, nullptr));
    KaGBuffer empty = {0, 10, nullptr, nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(-1, Ki_LensFlareApplyToGBuffer(&empty, LightToken(), kLight, 0, 0, nullptr));
    Image image(20, 20);
    EXPECT_EQ(-1, Ki_LensFlareApplyToGBuffer(&image.buffer, LightToken(), "NoSuchLight", 5, 5,
                                             nullptr));
    EXPECT_EQ(-1, Ki_LensFlareApplyToGBuffer(&image.buffer, Ki_Inquire_Token("camera"), kLight, 5,
                                             5, nullptr));
    EXPECT_EQ(image.Sum(), 0.0);
    EXPECT_EQ(ka::Errors().size(), 4u);
}

TEST(GBuffer, FreshBufferIsBlackWithFullCoverageAndCountsAsHostMemoryAndBadOnesAreRefused)
{
    int64_t blocks0, bytes0, blocks, bytes;
    Kh_Memory_Stats(&blocks0, &bytes0);
    KaGBuffer *b = Ki_Alloc_Global_GBuffer(327, 225, 225, 0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 327);
    EXPECT_EQ(b->height, 225);
    float *planes[] = {b->red, b->green, b->blue, b->depth, b->coverage};
    for (int p = 0; p < 5; p++) {
        ASSERT_NE(planes[p], nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(planes[p]) % 16, 0u);
        for (size_t k = 0; k < (size_t)327 * 225; k++)
            ASSERT_EQ(planes[p][k], p == 4 ? 1.0f : 0.0f);
    }
    // planes do not overlap: the last float of each is its own
    for (int p = 0; p < 5; p++)
        planes[p][327 * 225 - 1] = (float)p;
    for (int p = 0; p < 5; p++)
        EXPECT_EQ(planes[p][327 * 225 - 1], (float)p);
    Kh_Memory_Stats(&blocks, &bytes);
    EXPECT_EQ(blocks, blocks0 + 1);
    EXPECT_GE(bytes - bytes0, (int64_t)5 * 327 * 225 * 4);
    Ki_Free_Global_GBuffer(b);
    Kh_Memory_Stats(&blocks, &bytes);
    EXPECT_EQ(blocks, blocks0);
    EXPECT_EQ(bytes, bytes0);

    ka::ClearErrors();
    const int32_t bad[][4] = {{0, 10, 10, 0},  {10, -1, -1, 0},      {20000, 10, 10, 0},
                              {10, 10, 5, 0},  {10, 10, 10, 3},       {16384, 16384, 16384, 0}};
    for (const auto &s : bad)
        EXPECT_EQ(Ki_Alloc_Global_GBuffer(s[0], s[1], s[2], s[3]), nullptr)
            << s[0] << " x " << s[1] << " depth " << s[2] << " flags " << s[3];
    EXPECT_EQ(ka::Errors().size(), 6u);
    KaGBuffer *noDepth = Ki_Alloc_Global_GBuffer(1, 1, 0, 0);
    ASSERT_NE(noDepth, nullptr);
    EXPECT_EQ(noDepth->depth, nullptr);
    Ki_Free_Global_GBuffer(noDepth);

    ka::ClearErrors();
    Image foreign(4, 4);
    Ki_Free_Global_GBuffer(&foreign.buffer);
    b = Ki_Alloc_Global_GBuffer(4, 4, 4, 0);
    Ki_Free_Global_GBuffer(b);
    Ki_Free_Global_GBuffer(b);   // twice
    Ki_Free_Global_GBuffer(nullptr);
    EXPECT_EQ(ka::Errors().size(), 2u);
}

} // namespace

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
#include "errors.h"
#include "host/kalvos_core.h"
#include "refhost_api.h"
#include "render.h"
#include "store.h"

namespace {

const char *kLight = "RenderTestLight";
const float kGuard = 1234.5f;
const size_t kGuardFloats = 64;

KaToken LightToken() { return Ki_Inquire_Token("light"); }

/* The test light's flare, with the globals at their defaults and no
 * elements; border fading off so that positions near the edge draw. */
ka::Flare *EmptyFlare()
{
    if (!ka::FindFlare(LightToken(), kLight))
        Ki_Light(kLight, Ki_Inquire_Token("model"), Ki_Inquire_Token("point"), 1, 0);
    ka::Flare *flare = ka::FindFlare(LightToken(), kLight);
    ka::DefaultFlare(flare);
    flare->elements.clear();
    flare->fadeIfNearBorder = false;
    ka::Light *light = ka::FindLight(kLight);
    light->color[0] = light->color[1] = light->color[2] = 1.0f;
    light->intensity = 1.0f;
    return flare;
}

ka::Element *AddElement(ka::Flare *flare, const char *type)
{
    flare->elements.push_back(ka::NewElement(ka::FindElementType(type)));
    return flare->elements.back().get();
}

void SetParam(ka::Element *e, const char *name, float a, float b = 0, float c = 0)
{
    int i = e->ParamIndex(name);
    ASSERT_GE(i, 0) << name;
    e->values[i].v[0] = a;
    e->values[i].v[1] = b;
    e->values[i].v[2] = c;
}

/* A G-buffer whose planes sit between guard floats, as the plug-in's are
 * cleared: black, coverage 1, and a depth pattern the renderer must keep. */
struct Image {
    int width, height;
    std::vector<float> planes[5];   // red, green, blue, depth, coverage, each guarded
    KaGBuffer buffer;

    Image(int w, int h) : width(w), height(h)
    {
        size_t n = (size_t)w * h;
        float *p[5];
        for (int i = 0; i < 5; i++) {
            planes[i].assign(n + 2 * kGuardFloats, kGuard);
            p[i] = planes[i].data() + kGuardFloats;
            for (size_t k = 0; k < n; k++)
                p[i][k] = i < 3 ? 0.0f : i == 3 ? 10.0f + (float)(k % 97) : 1.0f;
        }
        buffer = {w, h, p[0], p[1], p[2], p[3], p[4]};
    }
    float *Plane(int i) { return planes[i].data() + kGuardFloats; }
    size_t Index(int x, int y) const { return (size_t)y * width + x; }
    float Luma(int x, int y) const
    {
        size_t k = Index(x, y);
        return buffer.red[k] + buffer.green[k] + buffer.blue[k];
    }
    double Sum() const
    {
        double s = 0;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                s += Luma(x, y);
        return s;
    }
    /* Brightness-weighted centre and second moments. */
    void Moments(double *cx, double *cy, double *xx, double *yy, double *xy) const
    {
        double s = 0, sx = 0, sy = 0;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                double v = Luma(x, y);
                s += v, sx += v * x, sy += v * y;
            }
        *cx = sx / s, *cy = sy / s;
        double mxx = 0, myy = 0, mxy = 0;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                double v = Luma(x, y), dx = x - *cx, dy = y - *cy;
                mxx += v * dx * dx, myy += v * dy * dy, mxy += v * dx * dy;
            }
        *xx = mxx / s, *yy = myy / s, *xy = mxy / s;
    }
    /* Half-widths, from (x, y), of the lit run along the row and column. */
    int ReachX(int x, int y, float above) const
    {
        int r = 0;
        while (x + r + 1 < width && Luma(x + r + 1, y) > above)
            r++;
        return r;
    }
    int ReachY(int x, int y, float above) const
    {
        int r = 0;
        while (y + r + 1 < height && Luma(x, y + r + 1) > above)
            r++;
        return r;
    }
};

int Render(Image *image, int x, int y, KaProgressFn progress = nullptr)
{
    return Ki_LensFlareApplyToGBuffer(&image->buffer, LightToken(), kLight, x, y, progress);
}

void ExpectSamePixels(const Image &a, const Image &b)
{
    ASSERT_EQ(a.width, b.width);
    for (int p = 0; p < 3; p++)
        ASSERT_EQ(0, std::memcmp(a.planes[p].data(), b.planes[p].data(),
                                 a.planes[p].size() * sizeof(float)))
            << "plane " << p;
}

/* ---- placement ---- */

TEST(RenderPlacement, GlowIsCentredOnTheLightAndRoundWithoutStretch)
{
    ka::Flare *flare = EmptyFlare();
    AddElement(flare, "glow");
    Image image(320, 200);
    ASSERT_EQ(0, Render(&image, 110, 70));
    double cx, cy, xx, yy, xy;
    image.Moments(&cx, &cy, &xx, &yy, &xy);
    EXPECT_NEAR(cx, 110.0, 0.3);
    EXPECT_NEAR(cy, 70.0, 0.3);
    EXPECT_NEAR(xx / yy, 1.0, 0.02);
    float peak = 0;
    int px = 0, py = 0;
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++)
            if (image.Luma(x, y) > peak)
                peak = image.Luma(x, y), px = x, py = y;
    EXPECT_EQ(px, 110);
    EXPECT_EQ(py, 70);
}

TEST(RenderPlacement, ReflexesSitOnTheAxisThroughTheImageCentre)
{
    // Light at (80, 50) in 321 x 201: the centre is (160, 100), so position
    // 1 puts a reflex on the centre and position 2 on (240, 150).
    const struct {
        float position;
        double x, y;
    } cases[] = {{1.0f, 160, 100}, {2.0f, 240, 150}, {0.5f, 120, 75}, {-0.5f, 40, 25}};
    for (const auto &c : cases) {
        ka::Flare *flare = EmptyFlare();
        ka::Element *disc = AddElement(flare, "dscflx");
        SetParam(disc, "position", c.position);
        SetParam(disc, "radius", 0.1f);
        SetParam(disc, "chromatic", 0.0f);   // fringes and dust move the centre of light
        SetParam(disc, "dust", 0.0f);
        Image image(321, 201);
        Render(&image, 80, 50);
        double cx, cy, xx, yy, xy;
        image.Moments(&cx, &cy, &xx, &yy, &xy);
        EXPECT_NEAR(cx, c.x, 0.5) << "position " << c.position;
        EXPECT_NEAR(cy, c.y, 0.5) << "position " << c.position;
    }
}

TEST(RenderPlacement, EveryElementTypeDrawsAroundTheLightOrOnTheAxis)
{
    // scale 0.5 of half the smaller side: 100 pixels a size unit, so that
    // no element centred on the light reaches the image's edge
    const int lx = 200, ly = 150, width = 600, height = 400;
    const double ax = (width - 1) / 2.0 - lx, ay = (height - 1) / 2.0 - ly;
    // the built-in types (tests elsewhere may register more)
    for (const char *name : {"glow", "halo", "ring", "streak", "starburst", "shimmer", "inter",
                             "dscflx", "rngflx", "prflx"}) {
        const ka::ElementType *type = ka::FindElementType(name);
        ASSERT_TRUE(type) << name;
        ka::Flare *flare = EmptyFlare();
        flare->scale = 0.5f;
        AddElement(flare, type->name.c_str());
        Image image(width, height);
        Render(&image, lx, ly);
        ASSERT_GT(image.Sum(), 1.0) << type->name << " draws nothing";
        double cx, cy, xx, yy, xy;
        image.Moments(&cx, &cy, &xx, &yy, &xy);
        double dx = cx - lx, dy = cy - ly;
        // distance of the centre of light from the axis line
        double off = std::fabs(dx * ay - dy * ax) / std::hypot(ax, ay);
        bool reflex = type->name == "inter" || type->name == "dscflx" || type->name == "rngflx" ||
                      type->name == "prflx";
        if (reflex) {
            EXPECT_LT(off, 3.0) << type->name;
            EXPECT_GT(dx * ax + dy * ay, 0.0) << type->name << " lies behind the light";
        } else {
            EXPECT_LT(std::hypot(dx, dy), 5.0) << type->name;
        }
    }
}

/* ---- globals ---- */

TEST(RenderGlobals, ScaleGrowsTheFootprint)
{
    float reach[2];
    const float scales[] = {1.0f, 2.0f};
    for (int i = 0; i < 2; i++) {
        ka::Flare *flare = EmptyFlare();
        flare->scale = scales[i];
        ka::Element *glow = AddElement(flare, "glow");
        SetParam(glow, "radius", 0.3f);
        SetParam(glow, "tail", 0.0f);
        Image image(400, 300);
        Render(&image, 200, 150);
        reach[i] = (float)image.ReachX(200, 150, 0.0f);
    }
    // radius 0.3 of half the smaller side (150): 45 pixels, less the last
    // pixel or two where the glow is fainter than 1/4096; then twice that
    EXPECT_GE(reach[0], 42.0f);
    EXPECT_LE(reach[0], 45.0f);
    EXPECT_NEAR(reach[1], 2.0f * reach[0], 1.0f);
}

TEST(RenderGlobals, AnamorphicStretchSqueezesVertically)
{
    ka::Flare *flare = EmptyFlare();
    flare->anamorphicStretch = 2.0f;
    ka::Element *glow = AddElement(flare, "glow");
    SetParam(glow, "radius", 0.4f);
    SetParam(glow, "tail", 0.0f);
    Image image(400, 300);
    Render(&image, 200, 150);
    int rx = image.ReachX(200, 150, 0.0f), ry = image.ReachY(200, 150, 0.0f);
    EXPECT_NEAR(rx, 60, 1);   // 0.4 * 150
    EXPECT_NEAR(ry, 30, 1);   // squeezed by 2
}

/* Direction of the principal axis of the light, degrees in [0, 180). */
double PrincipalAngle(const Image &image)
{
    double cx, cy, xx, yy, xy;
    image.Moments(&cx, &cy, &xx, &yy, &xy);
    double a = 0.5 * std::atan2(2 * xy, xx - yy) * 180.0 / M_PI;
    return a < 0 ? a + 180.0 : a;
}

TEST(RenderGlobals, AngleTurnsTheStreaks)
{
    const struct {
        float global, element, expected;
    } cases[] = {{0, 0, 0}, {90, 0, 90}, {30, 0, 30}, {30, 15, 45}, {-20, 0, 160}};
    for (const auto &c : cases) {
        ka::Flare *flare = EmptyFlare();
        flare->angle = c.global;
        ka::Element *streak = AddElement(flare, "streak");
        SetParam(streak, "count", 1);
        SetParam(streak, "angle", c.element);
        SetParam(streak, "randomlength", 0);
        Image image(300, 300);
        Render(&image, 150, 150);
        // 0 and 180 degrees are the same axis
        double off = std::fmod(PrincipalAngle(image) - c.expected + 450.0, 180.0) - 90.0;
        EXPECT_NEAR(off, 0.0, 0.5) << "global " << c.global << " element " << c.element;
    }
}

TEST(RenderGlobals, DisabledFlareOrElementDrawsNothing)
{
    ka::Flare *flare = EmptyFlare();
    AddElement(flare, "glow");
    ka::Element *disc = AddElement(flare, "dscflx");
    Image both(200, 150), glowOnly(200, 150), none(200, 150);
    Render(&both, 50, 40);
    disc->enabled = false;
    Render(&glowOnly, 50, 40);
    flare->enabled = false;
    disc->enabled = true;
    Render(&none, 50, 40);
    EXPECT_EQ(none.Sum(), 0.0);
    EXPECT_LT(glowOnly.Sum(), both.Sum());

    ka::Flare *single = EmptyFlare();
    AddElement(single, "glow");
    Image reference(200, 150);
    Render(&reference, 50, 40);
    ExpectSamePixels(glowOnly, reference);
}

TEST(RenderGlobals, IntensityColourAndLightParamsScaleEveryPixel)
{
    ka::Flare *flare = EmptyFlare();
    AddElement(flare, "glow");
    AddElement(flare, "rngflx");
    Image base(200, 150);
    Render(&base, 60, 50);

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
        Image image(200, 150);
        Render(&image, 60, 50);
        for (size_t k = 0; k < (size_t)200 * 150; k += 37) {
            const float *b[3] = {base.buffer.red, base.buffer.green, base.buffer.blue};
            const float *o[3] = {image.buffer.red, image.buffer.green, image.buffer.blue};
            for (int p = 0; p < 3; p++) {
                float want = b[p][k] * c.expected[p];
                // each element leaves out light fainter than 1/4096, which
                // brightening may bring in
                float faint = 2.0f / 4096 * std::max(1.0f, c.expected[p]);
                if (want <= 0.8f && b[p][k] <= 0.8f) {
                    ASSERT_NEAR(o[p][k], want, 1e-5f + 1e-5f * b[p][k] + faint);
                } else if (want > 0.8f) {
                    /* Above the knee values roll off towards 1.0. */
                    ASSERT_GT(o[p][k], 0.8f);
                    ASSERT_LE(o[p][k], 1.0f);
                }
            }
        }
    }
}

TEST(RenderGlobals, AnOverdrivenFlareBurnsToWhiteWithoutPassingOne)
{
    ka::Flare *flare = EmptyFlare();
    AddElement(flare, "glow");
    AddElement(flare, "streak");
    flare->intensity = 1000.0f;
    Image image(200, 150);
    Render(&image, 100, 75);
    const float *planes[3] = {image.buffer.red, image.buffer.green, image.buffer.blue};
    for (const float *plane : planes) {
        for (size_t k = 0; k < (size_t)200 * 150; k++)
            ASSERT_LE(plane[k], 1.0f) << k;
        EXPECT_GT(plane[75 * 200 + 100], 0.99f) << "the core is white";
    }
}

TEST(RenderGlobals, SameInputsGiveTheSamePixelsAndTheSeedMovesTheRandomParts)
{
    ka::Flare *flare = EmptyFlare();
    ka::DefaultFlare(flare);
    Image first(327, 225), second(327, 225), reseeded(327, 225);
    Render(&first, 81, 56);
    // the renderer keeps its tables between renders: other flares at
    // another size in between must leave nothing behind
    for (const ka::DemoEffect &d : ka::DemoEffects()) {
        ASSERT_TRUE(ka::BuildDemoEffect(d, flare));
        Image other(640, 360);
        Render(&other, 500, 100);
    }
    ka::DefaultFlare(flare);
    Render(&second, 81, 56);
    ExpectSamePixels(first, second);
    flare->randomSeed = 7;
    Render(&reseeded, 81, 56);
    EXPECT_NE(0, std::memcmp(first.planes[0].data(), reseeded.planes[0].data(),
                             first.planes[0].size() * sizeof(float)));

    // a glow has nothing random in it
    ka::Flare *glow = EmptyFlare();
    AddElement(glow, "glow");
    Image a(100, 80), b(100, 80);
    Render(&a, 30, 30);
    glow->randomSeed = 99;
    Render(&b, 30, 30);
    ExpectSamePixels(a, b);
}

/* Rings and starbursts keep their tables between renders: after a render
 * of one flare, a render of a changed one must be the picture a fresh
 * fill gives, for every input the tables are made from. */
TEST(RenderGlobals, KeptTablesGiveWhatAFreshFillWould)
{
    auto base = [](float burstRadius) {
        ka::Flare *flare = EmptyFlare();
        SetParam(AddElement(flare, "ring"), "radius", 0.3f);
        SetParam(AddElement(flare, "starburst"), "radius", burstRadius);
        return flare;
    };
    auto evict = [] {   // more rings and starbursts than are kept
        ka::Flare *flare = EmptyFlare();
        for (int i = 0; i < 20; i++) {
            SetParam(AddElement(flare, "ring"), "radius", 0.05f + 0.01f * i);
            SetParam(AddElement(flare, "starburst"), "radius", 0.1f + 0.01f * i);
        }
        Image scratch(327, 225);
        Render(&scratch, 100, 100);
    };
    struct Case {
        const char *what;
        void (*change)(ka::Flare *);
        float burstRadius;
        int x, y;   // where the changed flare's light is
    };
    const Case cases[] = {
        {"ring width", [](ka::Flare *f) { SetParam(f->elements[0].get(), "width", 0.05f); }, 0.7f, 160, 110},
        {"ring intensity", [](ka::Flare *f) { SetParam(f->elements[0].get(), "intensity", 0.9f); }, 0.7f, 160, 110},
        {"ray gradient", [](ka::Flare *f) {
             ka::Element *e = f->elements[1].get();
             ka::GradientValue &g = e->values[e->ParamIndex("gradient")].gradient;
             g.offsets = {0.0f, 1.0f};
             g.colors = {1, 0, 0, 0, 0, 1};
         }, 0.7f, 160, 110},
        {"flare colour", [](ka::Flare *f) { f->color[1] = 0.5f; }, 0.7f, 160, 110},
        {"seed", [](ka::Flare *f) { f->randomSeed = 5; }, 0.7f, 160, 110},
        {"rays", [](ka::Flare *f) { SetParam(f->elements[1].get(), "rays", 12.0f); }, 0.7f, 160, 110},
        {"ray angle", [](ka::Flare *f) { SetParam(f->elements[1].get(), "angle", 3.0f); }, 0.7f, 160, 110},
        {"ray pattern", [](ka::Flare *f) {
             ka::Element *e = f->elements[1].get();
             e->values[e->ParamIndex("raypattern")].data = {255, 40, 160};
         }, 0.7f, 160, 110},
        // a starburst wider than the image: its table ends at the farthest
        // pixel, which moves with the light
        {"light moved", [](ka::Flare *) {}, 4.0f, 10, 10},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ka::Flare *flare = base(c.burstRadius);
        Image before(327, 225), kept(327, 225), fresh(327, 225);
        Render(&before, 160, 110);
        c.change(flare);
        Render(&kept, c.x, c.y);
        evict();
        flare = base(c.burstRadius);
        c.change(flare);
        Render(&fresh, c.x, c.y);
        ExpectSamePixels(fresh, kept);
        bool changed = false;
        for (int p = 0; p < 3; p++)
            changed = changed || before.planes[p] != kept.planes[p];
        EXPECT_TRUE(changed);
    }
}

TEST(RenderGlobals, BorderFadeAndOcclusionDimTheFlare)
{
    ka::Flare *flare = EmptyFlare();
    AddElement(flare, "glow");
    AddElement(flare, "dscflx");
    flare->fadeIfNearBorder = true;
    Image inside(300, 200), edge(300, 200), outside(300, 200);
    Render(&inside, 150, 100);
    Render(&edge, 5, 100);
    Render(&outside, -30, 100);
    EXPECT_GT(inside.Sum(), 0.0);
    EXPECT_GT(edge.Sum(), 0.0);
    EXPECT_LT(edge.Sum(), inside.Sum() * 0.5);
    EXPECT_EQ(outside.Sum(), 0.0);

    // covered light: the reflex goes, the glow stays when asked to
    flare->fadeIfNearBorder = false;
    flare->fadeIfBehindObjects = true;
    flare->glowBehindObjects = true;
    Image covered(300, 200);
    std::fill(covered.Plane(4), covered.Plane(4) + 300 * 200, 0.0f);
    Render(&covered, 100, 80);
    ka::Flare *glowOnly = EmptyFlare();
    AddElement(glowOnly, "glow");
    Image reference(300, 200);
    Render(&reference, 100, 80);
    EXPECT_NEAR(covered.Sum(), reference.Sum(), 1e-6 * reference.Sum());
}

/* ---- gradients ---- */

TEST(RenderGradients, HaloColoursFollowTheGradientAcrossItsWidth)
{
    ka::Flare *flare = EmptyFlare();
    ka::Element *halo = AddElement(flare, "halo");
    SetParam(halo, "radius", 0.5f);    // 50 pixels in 200 x 200
    SetParam(halo, "width", 0.4f);     // 20 pixels wide: 40 .. 60
    int g = halo->ParamIndex("gradient");
    halo->values[g].gradient.offsets = {0.0f, 0.5f, 1.0f};
    halo->values[g].gradient.colors = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    Image image(201, 201);
    Render(&image, 100, 100);
    auto colour = [&](int x) {
        size_t k = image.Index(x, 100);
        return std::vector<float>{image.buffer.red[k], image.buffer.green[k], image.buffer.blue[k]};
    };
    std::vector<float> middle = colour(150), inner = colour(145), outer = colour(155);
    // the middle of the ring (offset 0.5) is pure green
    EXPECT_GT(middle[1], 0.01f);
    EXPECT_NEAR(middle[0] / middle[1], 0.0f, 0.06f);
    EXPECT_NEAR(middle[2] / middle[1], 0.0f, 0.06f);
    // a quarter in from either edge: half way between the stops
    EXPECT_NEAR(inner[0] / inner[1], 1.0f, 0.12f);
    EXPECT_NEAR(inner[2], 0.0f, 1e-6f);
    EXPECT_NEAR(outer[2] / outer[1], 1.0f, 0.12f);
    EXPECT_NEAR(outer[0], 0.0f, 1e-6f);
    // inside the hole nothing at all
    EXPECT_EQ(image.Luma(100, 100), 0.0f);
}

/* ---- looks ---- */

/* Brightness-weighted centre of one colour plane. */
void PlaneCentre(const Image &image, int plane, double *cx, double *cy)
{
    const float *p = plane == 0 ? image.buffer.red : plane == 1 ? image.buffer.green
                                                                : image.buffer.blue;
    double s = 0, sx = 0, sy = 0;
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++) {
            double v = p[image.Index(x, y)];
            s += v, sx += v * x, sy += v * y;
        }
    *cx = sx / s, *cy = sy / s;
}

TEST(RenderLooks, AGlowsTailFallsAsTheInverseCubeBeyondItsCore)
{
    // 300 pixels a size unit: tail radius 1.5 reaches 450 pixels, its core
    // is a tenth of that (45); the glow itself (radius 0.2) ends at 60.
    const float tails[] = {0.0f, 0.2f, 0.4f};
    float at90[3], at180[3];
    for (int i = 0; i < 3; i++) {
        ka::Flare *flare = EmptyFlare();
        ka::Element *glow = AddElement(flare, "glow");
        SetParam(glow, "radius", 0.2f);
        SetParam(glow, "tail", tails[i]);
        SetParam(glow, "tailradius", 1.5f);
        Image image(601, 601);
        Render(&image, 300, 300);
        at90[i] = image.Luma(390, 300);
        at180[i] = image.Luma(480, 300);
    }
    EXPECT_EQ(at90[0], 0.0f) << "no tail: nothing past the glow";
    EXPECT_EQ(at180[0], 0.0f);
    EXPECT_NEAR(at180[2] / at180[1], 2.0, 0.01) << "the tail's strength scales it";
    auto shape = [](double d) {
        double q = d / 450, s = 1 + (d / 45) * (d / 45);
        return (1 - q * q) * (1 - q * q) / std::pow(s, 1.5);
    };
    EXPECT_NEAR(at90[1] / at180[1], shape(90) / shape(180), 0.05 * shape(90) / shape(180));
}

TEST(RenderLooks, ColourFringesScaleRedOutAndBlueInAlongTheAxis)
{
    // Light at (80, 50) in 321 x 201, centre (160, 100): a ring reflex at
    // position 1.5 has its red image at 1.5 (1 + f), its blue at 1.5 (1 - f).
    const float fringes[] = {0.0f, 0.1f};
    for (float f : fringes) {
        ka::Flare *flare = EmptyFlare();
        ka::Element *ring = AddElement(flare, "rngflx");
        SetParam(ring, "position", 1.5f);
        SetParam(ring, "chromatic", f);
        SetParam(ring, "color", 1, 1, 1);
        int g = ring->ParamIndex("gradient");
        ring->values[g].gradient.offsets = {0.0f};
        ring->values[g].gradient.colors = {1, 1, 1};
        Image image(321, 201);
        Render(&image, 80, 50);
        const float scale[3] = {1 + f, 1, 1 - f};
        for (int plane = 0; plane < 3; plane++) {
            double cx, cy;
            PlaneCentre(image, plane, &cx, &cy);
            EXPECT_NEAR(cx, 80 + 1.5 * scale[plane] * 80, 0.5) << "fringe " << f << " plane " << plane;
            EXPECT_NEAR(cy, 50 + 1.5 * scale[plane] * 50, 0.5) << "fringe " << f << " plane " << plane;
        }
    }
}

TEST(RenderLooks, RoundnessTurnsAnApertureIntoACircle)
{
    // A hexagon of corner radius 60 on the centre of 401 x 401: corners at
    // 0, 60, ... degrees, edges 52 pixels out at 30 degrees.  At 56 pixels
    // towards an edge only a rounded one reaches.
    const struct {
        float roundness;
        bool edgeLit;
    } cases[] = {{0.0f, false}, {1.0f, true}};
    for (const auto &c : cases) {
        ka::Flare *flare = EmptyFlare();
        ka::Element *disc = AddElement(flare, "dscflx");
        SetParam(disc, "position", 1.0f);
        SetParam(disc, "radius", 0.3f);
        SetParam(disc, "shape", 6);
        SetParam(disc, "softness", 0.0f);
        SetParam(disc, "brightedge", 0.0f);
        SetParam(disc, "dust", 0.0f);
        SetParam(disc, "chromatic", 0.0f);
        SetParam(disc, "roundness", c.roundness);
        Image image(401, 401);
        Render(&image, 100, 100);
        int ex = 200 + (int)std::lround(56 * std::cos(M_PI / 6));
        int ey = 200 + (int)std::lround(56 * std::sin(M_PI / 6));
        EXPECT_GT(image.Luma(258, 200), 0.1f) << "towards a corner, roundness " << c.roundness;
        EXPECT_EQ(image.Luma(ex, ey) > 0.1f, c.edgeLit) << "roundness " << c.roundness;
    }
}

TEST(RenderLooks, DustMottlesAGhostDeterministically)
{
    auto render = [](float dust, int seed, Image *image) {
        ka::Flare *flare = EmptyFlare();
        flare->randomSeed = seed;
        ka::Element *disc = AddElement(flare, "dscflx");
        SetParam(disc, "position", 1.0f);
        SetParam(disc, "radius", 0.4f);
        SetParam(disc, "brightedge", 0.0f);
        SetParam(disc, "chromatic", 0.0f);
        SetParam(disc, "dust", dust);
        Render(image, 100, 100);
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
    Image clean(401, 401), dusty(401, 401), again(401, 401), other(401, 401);
    render(0.0f, 1, &clean);
    render(0.6f, 1, &dusty);
    render(0.6f, 1, &again);
    render(0.6f, 2, &other);
    double cleanMean, dustyMean;
    EXPECT_LT(spread(clean, &cleanMean), 0.01);
    EXPECT_GT(spread(dusty, &dustyMean), 0.05);
    EXPECT_NEAR(dustyMean / cleanMean, 1.0, 0.25);
    ExpectSamePixels(dusty, again);
    int differ = 0;
    for (size_t k = 0; k < (size_t)401 * 401; k++)
        differ += dusty.buffer.red[k] != other.buffer.red[k];
    EXPECT_GT(differ, 1000) << "another seed, other dust";
}

/* ---- anti-aliasing ---- */

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
        ka::Flare *flare = EmptyFlare();
        ka::Element *ring = AddElement(flare, "ring");
        SetParam(ring, "radius", c.radius);
        SetParam(ring, "width", c.width);
        SetParam(ring, "softness", 0.0f);
        SetParam(ring, "intensity", intensity);
        SetParam(ring, "color", colour[0], colour[1], colour[2]);
        Image image(327, 225);
        Render(&image, 163, 112);
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
        EXPECT_GT(low, 0.96 * expected) << "radius " << c.radius << " width " << c.width;
        EXPECT_LT(high, 1.04 * expected) << "radius " << c.radius << " width " << c.width;
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
        ka::Flare *flare = EmptyFlare();
        ka::Element *shimmer = AddElement(flare, "shimmer");
        SetParam(shimmer, "radius", radius);
        SetParam(shimmer, "intensity", 0.3f);
        Image image(327, 225), large(4 * 327, 4 * 225);
        Render(&image, 163, 112);
        Render(&large, 4 * 163 + 2, 4 * 112 + 2);
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
        EXPECT_GT(lit, 100) << "radius " << radius;
        // point-sampled rays leave a quarter or more of these dark
        EXPECT_LT(dark, 0.05 * lit) << "radius " << radius;
        EXPECT_LT(error, 0.5 * total) << "radius " << radius;
    }
}

/* ---- threads ---- */

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
        ka::Flare *flare = EmptyFlare();
        if (c.effect) {
            for (const ka::DemoEffect &d : ka::DemoEffects()) {
                if (d.file == c.effect) {
                    ASSERT_TRUE(ka::BuildDemoEffect(d, flare));
                }
            }
        } else {
            ka::DefaultFlare(flare);
        }
        flare->fastDrag = c.fastDrag;
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

TEST(RenderSimd, VectorLoopsAgreeWithPlainCode)
{
    // Every demo effect and the default flare, at the preview size and a
    // larger odd one (so that spans end between vector widths).
    const int sizes[][2] = {{327, 225}, {1001, 563}};
    std::vector<const char *> effects = {nullptr};
    for (const ka::DemoEffect &d : ka::DemoEffects())
        effects.push_back(d.file.c_str());
    int best = ka::SetRenderSimd(-1);
    for (const auto &size : sizes)
        for (const char *effect : effects) {
            ka::Flare *flare = EmptyFlare();
            for (const ka::DemoEffect &d : ka::DemoEffects()) {
                if (effect && d.file == effect) {
                    ASSERT_TRUE(ka::BuildDemoEffect(d, flare));
                }
            }
            if (!effect)
                ka::DefaultFlare(flare);
            std::vector<Image> images;
            for (int level = 0; level <= best; level++) {
                EXPECT_EQ(ka::SetRenderSimd(level), level);
                images.emplace_back(size[0], size[1]);
                Render(&images.back(), size[0] / 4, size[1] / 4);
            }
            for (int level = 1; level <= best; level++) {
                float worst = 0;
                for (int p = 0; p < 3; p++)
                    for (size_t k = 0; k < images[0].planes[p].size(); k++)
                        worst = std::max(worst, std::fabs(images[level].planes[p][k] -
                                                          images[0].planes[p][k]));
                EXPECT_LE(worst, 1.0f / 1024) << (effect ? effect : "default") << " level " << level;
            }
        }
    ka::SetRenderSimd(-1);
}

/* ---- what a render may touch ---- */

struct ProgressCall {
    std::string phase;
    float fraction;
};
std::vector<ProgressCall> g_progress;

int RecordProgress(KaToken phase, float fraction)
{
    const char *names[] = {"start", "update", "end"};
    std::string name = "?";
    for (const char *n : names)
        if (phase == Ki_Inquire_Token(n))
            name = n;
    g_progress.push_back({name, fraction});
    return 0;
}

TEST(RenderContract, ProgressRunsStartRisingUpdatesToOneEnd)
{
    const int counts[] = {0, 1, 10};
    for (int count : counts) {
        ka::Flare *flare = EmptyFlare();
        for (int i = 0; i < count; i++)
            AddElement(flare, i % 2 ? "glow" : "dscflx");
        g_progress.clear();
        Image image(64, 48);
        Render(&image, 10, 10, RecordProgress);
        ASSERT_GE(g_progress.size(), 3u);
        EXPECT_EQ(g_progress.front().phase, "start");
        EXPECT_EQ(g_progress.back().phase, "end");
        float last = 0.0f;
        for (size_t i = 1; i + 1 < g_progress.size(); i++) {
            EXPECT_EQ(g_progress[i].phase, "update");
            EXPECT_GE(g_progress[i].fraction, last);
            last = g_progress[i].fraction;
        }
        EXPECT_EQ(last, 1.0f) << count << " elements";
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
            ka::Flare *flare = EmptyFlare();
            ka::DefaultFlare(flare);
            flare->fadeIfNearBorder = false;
            flare->fastDrag = fast != 0;
            flare->scale = 3.0f;
            Image image(321, 241), pristine(321, 241);
            ASSERT_EQ(0, Render(&image, l.x, l.y));
            for (int p = 0; p < 5; p++) {
                const std::vector<float> &v = image.planes[p];
                for (size_t k = 0; k < kGuardFloats; k++) {
                    ASSERT_EQ(v[k], kGuard) << "before plane " << p;
                    ASSERT_EQ(v[v.size() - 1 - k], kGuard) << "after plane " << p;
                }
                for (size_t k = kGuardFloats; k + kGuardFloats < v.size(); k++) {
                    ASSERT_TRUE(std::isfinite(v[k])) << "plane " << p;
                    if (p >= 3)
                        ASSERT_EQ(v[k], pristine.planes[p][k]) << "plane " << p;
                    else
                        ASSERT_GE(v[k], 0.0f);
                }
            }
        }
}

TEST(RenderContract, ExtremeValuesDrawFiniteAndInside)
{
    // values the protocol would refuse, set straight in the store
    const float values[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 0.0f, 1e-30f};
    for (float v : values) {
        ka::Flare *flare = EmptyFlare();
        ka::DefaultFlare(flare);
        flare->fadeIfNearBorder = false;
        flare->scale = std::isfinite(v) ? std::fabs(v) : v;
        flare->anamorphicStretch = v;
        flare->angle = v;
        for (auto &e : flare->elements)
            for (ka::ParamValue &value : e->values)
                value.v[0] = value.v[1] = value.v[2] = v;
        Image image(64, 48), pristine(64, 48);
        ASSERT_EQ(0, Render(&image, 20, 20)) << v;
        for (int p = 0; p < 5; p++) {
            const std::vector<float> &plane = image.planes[p];
            for (size_t k = 0; k < plane.size(); k++) {
                bool guard = k < kGuardFloats || k + kGuardFloats >= plane.size();
                ASSERT_TRUE(std::isfinite(plane[k])) << "value " << v << " plane " << p;
                if (guard || p >= 3) {
                    ASSERT_EQ(plane[k], pristine.planes[p][k]) << "value " << v << " plane " << p;
                }
            }
        }
    }
}

TEST(RenderContract, LightsJustOutsideStillCastReflexesIntoTheImage)
{
    ka::Flare *flare = EmptyFlare();
    ka::Element *disc = AddElement(flare, "dscflx");
    SetParam(disc, "position", 1.0f);   // the image centre
    Image image(200, 100);
    Render(&image, -150, 50);
    EXPECT_GT(image.Luma(100, 50), 0.0f);
}

TEST(RenderContract, FastDragLooksLikeTheFullRender)
{
    ka::Flare *flare = EmptyFlare();
    ka::DefaultFlare(flare);
    flare->fadeIfNearBorder = false;
    Image full(327, 225), fast(327, 225);
    Render(&full, 81, 56);
    flare->fastDrag = true;
    Render(&fast, 81, 56);
    double energy = 0, difference = 0;
    for (int y = 0; y < 225; y++)
        for (int x = 0; x < 327; x++) {
            energy += full.Luma(x, y);
            difference += std::fabs(full.Luma(x, y) - fast.Luma(x, y));
        }
    EXPECT_NEAR(fast.Sum() / energy, 1.0, 0.05);
    EXPECT_LT(difference / energy, 0.2);
    // twice in a row gives the same (the scratch planes are left clean)
    Image again(327, 225);
    Render(&again, 81, 56);
    ExpectSamePixels(fast, again);
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
    ka::ClearErrors();
}

/* ---- the G-buffer ---- */

TEST(GBuffer, FreshBufferIsBlackWithFullCoverageAndCountsAsHostMemory)
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
}

TEST(GBuffer, BadSizesAndForeignBuffersAreRefused)
{
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
    KaGBuffer *b = Ki_Alloc_Global_GBuffer(4, 4, 4, 0);
    Ki_Free_Global_GBuffer(b);
    Ki_Free_Global_GBuffer(b);   // twice
    Ki_Free_Global_GBuffer(nullptr);
    EXPECT_EQ(ka::Errors().size(), 2u);
    ka::ClearErrors();
}

} // namespace

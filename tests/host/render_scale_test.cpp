// Flares of many elements: shapes whose tables together outgrow the cache
// are drawn a group at a time, and every table and dust tile of a render is
// kept for the next; both must give the pixels of the plain way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "render.h"
#include "render_draw.h"
#include "render_fixture.h"

namespace {

const int kWidth = 160, kHeight = 120;

/* Three colour planes of kWidth x kHeight, black, and a canvas drawing
 * into them that records the spans it drew. */
struct Canvas3 {
    std::vector<float> data = std::vector<float>((size_t)3 * kWidth * kHeight, 0.0f);
    ka::RowSpans spans;
    ka::Canvas canvas{data.data(), data.data() + kWidth * kHeight,
                      data.data() + 2 * kWidth * kHeight, kWidth, kHeight, 1.0f, &spans};
    Canvas3() { spans.Reset(kHeight); }
};

/* Round i of the test: a wavy disc of radius 12 to 40 pixels at 150
 * entries a pixel (a table of about 100 KB), on a centre that walks over
 * the canvas and past its edges. */
void AddRound(ka::ShapeList *list, const ka::Canvas &c, int i)
{
    ka::RadialTable &t = *ka::NewRadialTable(list);
    float outer = 12.0f + (float)(i * 7 % 29);
    ka::FillRadial(&t, 0.0f, outer, 1e4f, [=](float d, float rgb[3]) {
        for (int k = 0; k < 3; k++)
            rgb[k] = 0.1f * (k + 1) * (1.2f + std::sin(0.7f * d + (float)(i + k)));
    }, 150.0f);
    ka::AddRadial(list, c, -20.0 + 37.0 * (i % 6), -15.0 + 29.0 * (i / 6), t);
}

TEST(RenderGroups, ShapesWhoseTablesOutgrowTheCacheDrawAsEachOneDrawnInTurn)
{
    const int kRounds = 30;   // about 3 MB of tables
    Canvas3 grouped, inTurn;
    ka::ShapeList list;
    for (int i = 0; i < kRounds; i++)
        AddRound(&list, grouped.canvas, i);
    ka::DrawShapes(&grouped.canvas, list, true);

    for (int i = 0; i < kRounds; i++) {
        ka::ShapeList one;
        AddRound(&one, inTurn.canvas, i);
        ka::DrawShapes(&inTurn.canvas, one, false);
    }
    float hottest = 0.0f;
    for (float v : inTurn.data)
        hottest = std::max(hottest, v);
    EXPECT_GT(hottest, 1.0f) << "the roll-off has work to do";
    for (int y = 0; y < kHeight; y++) {
        int from = inTurn.spans.x0[y], to = inTurn.spans.x1[y];
        if (from < to) {
            size_t row = (size_t)y * kWidth + from;
            ka::SoftClipRow(inTurn.canvas.r + row, inTurn.canvas.g + row, inTurn.canvas.b + row,
                            to - from);
        }
    }
    EXPECT_EQ(inTurn.spans.x0, grouped.spans.x0);
    EXPECT_EQ(inTurn.spans.x1, grouped.spans.x1);
    EXPECT_TRUE(inTurn.data == grouped.data);
}

/* count starbursts of sizes from 0.2 on and as many dusty disc reflexes
 * along the axis, in that order or reversed. */
void ManyTabled(ka::Flare *flare, int count, bool reversed)
{
    Cleared(flare);
    for (int i = 0; i < count; i++) {
        AddElement(flare, "starburst", {{"intensity", 0.02f}, {"radius", 0.2f + 0.01f * i}});
        AddElement(flare, "dscflx", {{"intensity", 0.05f}, {"dust", 0.5f},
                                     {"position", 0.1f + 0.03f * i}, {"radius", 0.05f}});
    }
    if (reversed)
        std::reverse(flare->elements.begin(), flare->elements.end());
}

void Draw(const ka::Flare &flare, Image *picture)
{
    ka::RenderLight light;
    light.x = 120;
    light.y = 90;
    ASSERT_EQ(0, ka::RenderFlare(&picture->buffer, flare, light, nullptr));
}

TEST(RenderGroups, TablesOfManyElementsKeptAndAskedForInAnotherOrderAreWhatFreshFillsGive)
{
    ka::Flare forward, reversed;
    ManyTabled(&forward, 50, false);
    ManyTabled(&reversed, 50, true);
    Image first, kept, fresh;
    Draw(forward, &first);
    Draw(reversed, &kept);
    ka::ForgetKeptTables();
    Draw(reversed, &fresh);
    EXPECT_TRUE(SamePixels(fresh, kept));
    EXPECT_FALSE(SamePixels(fresh, first)) << "the order shows";
}

TEST(RenderGroups, TablesAFlareStillReadsStayAndThoseNoRenderReadsForAWhileAreLetGo)
{
    ka::ForgetKeptTables();
    ka::Flare large, small;
    ManyTabled(&large, 200, false);
    ManyTabled(&small, 1, false);
    auto drawn = [](const ka::Flare &flare) {
        Image picture(120, 90);   /* the renderer adds: a fresh buffer each time */
        Draw(flare, &picture);
        return picture;
    };
    const Image first = drawn(large);
    const size_t largeKept = ka::KeptTableCount();
    EXPECT_GE(largeKept, 400u) << "a table each and a dust tile each";
    for (int i = 0; i < 300; i++)
        drawn(large);
    EXPECT_EQ(ka::KeptTableCount(), largeKept) << "read by every render: all kept";
    for (int i = 0; i < 300; i++) {
        drawn(small);
        if (i % 50 == 0)
            drawn(large);   /* drawn now and then: still kept */
    }
    EXPECT_EQ(ka::KeptTableCount(), largeKept);
    for (int i = 0; i < 300; i++)
        drawn(small);
    EXPECT_LE(ka::KeptTableCount(), 10u) << "the large flare's tables went";
    EXPECT_TRUE(SamePixels(drawn(large), first)) << "filled afresh into the slots let go of";
}

} // namespace

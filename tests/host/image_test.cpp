// Display conversion services: the colour cube, gamma correction and the
// dither of an image already quantised to cube indices, as the plug-in's
// paletted preview calls them (5 x 9 x 5 levels, rows padded to 4 bytes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "errors.h"
#include "host/kalvos_core.h"

namespace {

std::vector<float> Cube()
{
    std::vector<float> map(256 * 3, -1.0f);
    EXPECT_EQ(0, Ki_Compute_Colormap(0, 5, 9, 5, reinterpret_cast<KaColor *>(map.data())));
    return map;
}

TEST(Colormap, EntryIndexSpellsOutTheLevelsAndImpossibleCubesAreRefused)
{
    std::vector<float> map = Cube();
    // entry 45 r + 5 g + b is (r / 4, g / 8, b / 4)
    for (int r = 0; r < 5; r++)
        for (int g = 0; g < 9; g++)
            for (int b = 0; b < 5; b++) {
                int i = 45 * r + 5 * g + b;
                ASSERT_FLOAT_EQ(map[3 * i], r / 4.0f);
                ASSERT_FLOAT_EQ(map[3 * i + 1], g / 8.0f);
                ASSERT_FLOAT_EQ(map[3 * i + 2], b / 4.0f);
            }
    EXPECT_EQ(map[3 * 225], -1.0f) << "past the cube nothing is written";

    ka::ClearErrors();
    std::fill(map.begin(), map.end(), -1.0f);
    KaColor *m = reinterpret_cast<KaColor *>(map.data());
    EXPECT_EQ(-1, Ki_Compute_Colormap(0, 5, 9, 5, nullptr));
    EXPECT_EQ(-1, Ki_Compute_Colormap(1, 5, 9, 5, m));
    EXPECT_EQ(-1, Ki_Compute_Colormap(0, 1, 9, 5, m));
    EXPECT_EQ(-1, Ki_Compute_Colormap(0, 8, 8, 8, m));   // 512 entries
    EXPECT_EQ(map[0], -1.0f);
    EXPECT_EQ(ka::Errors().size(), 4u);
    EXPECT_EQ(0, Ki_Compute_Colormap(0, 2, 2, 2, m));    // 8 entries fit
    EXPECT_FLOAT_EQ(map[3 * 7 + 0], 1.0f);
}

TEST(Gamma, OutIsInToTheOneOverGammaAndBadCallsChangeNothing)
{
    // gamma 1.7: 0.25 ^ (1 / 1.7) is 0.44243, and nothing below zero
    const float in[3][3] = {{0, 0.25f, 1}, {0.5f, 0.1f, 0.9f}, {-0.5f, 2.0f, 1e-6f}};
    const float want[3][3] = {{0, 0.44243f, 1}, {0.66516f, 0.25809f, 0.93990f}, {0, 1.50341f, 0.00029552f}};
    float out[3][3];
    ASSERT_EQ(0, Ki_Gamma_Correct(in, out, 3, 1.7f));
    for (int i = 0; i < 3; i++)
        for (int k = 0; k < 3; k++)
            EXPECT_NEAR(out[i][k], want[i][k], 2e-5f * (1 + want[i][k])) << i << "," << k;

    // a bad gamma or count changes nothing
    ka::ClearErrors();
    float kept[1][3] = {{7, 7, 7}};
    EXPECT_EQ(-1, Ki_Gamma_Correct(in, kept, 1, 0.0f));
    EXPECT_EQ(-1, Ki_Gamma_Correct(in, kept, 1, -2.0f));
    EXPECT_EQ(-1, Ki_Gamma_Correct(in, kept, 1, NAN));
    EXPECT_EQ(-1, Ki_Gamma_Correct(in, kept, -1, 1.7f));
    EXPECT_EQ(-1, Ki_Gamma_Correct(nullptr, kept, 1, 1.7f));
    EXPECT_EQ(0, Ki_Gamma_Correct(nullptr, nullptr, 0, 1.7f));
    EXPECT_EQ(kept[0][0], 7.0f);
    EXPECT_EQ(ka::Errors().size(), 5u);
}

/* An 8-bit DIB as the plug-in lays it out: rows padded to 4 bytes. */
struct Dib {
    int width, height, stride;
    std::vector<unsigned char> bytes;
    Dib(int w, int h) : width(w), height(h), stride((w + 3) & ~3), bytes((size_t)stride * h, 0xEE) {}
    unsigned char &At(int x, int y) { return bytes[(size_t)y * stride + x]; }
    template <typename F> void Fill(F index)
    {
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                At(x, y) = (unsigned char)index(x, y);
    }
    int Dither(const std::vector<float> &map, int32_t *flag)
    {
        return Ki_Dither_Image(bytes.data(), reinterpret_cast<const KaColor *>(map.data()),
                               (int16_t)width, (int16_t)height, 5, 9, 5, flag);
    }
};

int Index(int r, int g, int b) { return 45 * r + 5 * g + b; }

TEST(Dither, BandsOfAGradientBlendWhileFlatAreasStay)
{
    const std::vector<float> map = Cube();
    const int w = 61;
    Dib image(w, 20);
    // red from 0.2 to 0.8, green 0.5, blue 0.05, each truncated to its
    // level as the plug-in does before the call: green level 4, blue 0
    image.Fill([&](int x, int) { return Index((int)((0.2f + 0.6f * x / (w - 1)) * 5), 4, 0); });
    Dib before = image;
    int32_t flag = -1;
    ASSERT_EQ(0, image.Dither(map, &flag));
    EXPECT_EQ(flag, 1);
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < w; x++) {
            int v = image.At(x, y), was = before.At(x, y);
            // only red moves, and by at most one level
            ASSERT_EQ(v % 45, was % 45);
            ASSERT_LE(std::abs(v / 45 - was / 45), 1);
        }
    // far from any step (columns 0 and 1 are red level 1 with the step
    // at 0.4 well away) nothing moves
    EXPECT_EQ(image.At(0, 5), before.At(0, 5));
    // the red level averaged over 8-column strips (away from the
    // image's sides) stays about the same: steps are spread, not moved
    for (int x0 = 4; x0 + 8 <= w - 4; x0 += 8) {
        double a = 0, b = 0;
        for (int y = 0; y < image.height; y++)
            for (int x = x0; x < x0 + 8; x++)
                a += image.At(x, y) / 45, b += before.At(x, y) / 45;
        EXPECT_NEAR(a / (8 * image.height), b / (8 * image.height), 0.25) << "strip " << x0;
    }
}

TEST(Dither, ThinLinesFlatImagesAndSinglePixelsAreKeptAndEveryIndexEndsInTheCube)
{
    const std::vector<float> map = Cube();
    Dib thin(32, 16), flat(7, 3), one(1, 1);
    thin.Fill([](int x, int) { return x == 10 ? Index(4, 8, 4) : Index(0, 0, 0); });
    flat.Fill([](int, int) { return Index(2, 5, 3); });
    one.At(0, 0) = 100;
    for (Dib *image : {&thin, &flat, &one}) {
        SCOPED_TRACE(testing::Message() << image->width << " x " << image->height);
        Dib before = *image;
        int32_t flag = -1;
        ASSERT_EQ(0, image->Dither(map, &flag));
        EXPECT_EQ(flag, 0);
        EXPECT_EQ(image->bytes, before.bytes);
    }

    Dib mixed(37, 11);
    mixed.Fill([](int x, int y) { return (x * 7 + y * 13) % 256; });   // some past 224
    ASSERT_EQ(0, mixed.Dither(map, nullptr));
    for (int y = 0; y < 11; y++)
        for (int x = 0; x < 37; x++)
            ASSERT_LT(mixed.At(x, y), 225) << x << "," << y;
}

TEST(Dither, BadArgumentsLeaveTheImageAlone)
{
    ka::ClearErrors();
    std::vector<float> map = Cube();
    Dib image(8, 8);
    Dib before = image;
    const KaColor *m = reinterpret_cast<const KaColor *>(map.data());
    int32_t flag = 5;
    EXPECT_EQ(-1, Ki_Dither_Image(nullptr, m, 8, 8, 5, 9, 5, &flag));
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(-1, Ki_Dither_Image(image.bytes.data(), nullptr, 8, 8, 5, 9, 5, &flag));
    EXPECT_EQ(-1, Ki_Dither_Image(image.bytes.data(), m, 0, 8, 5, 9, 5, &flag));
    EXPECT_EQ(-1, Ki_Dither_Image(image.bytes.data(), m, 8, -3, 5, 9, 5, &flag));
    EXPECT_EQ(-1, Ki_Dither_Image(image.bytes.data(), m, 8, 8, 5, 9, 6, &flag));   // 270 entries
    std::vector<float> flatMap(256 * 3, 0.5f);   // not a cube
    EXPECT_EQ(-1, Ki_Dither_Image(image.bytes.data(), reinterpret_cast<const KaColor *>(flatMap.data()),
                                  8, 8, 5, 9, 5, &flag));
    EXPECT_EQ(image.bytes, before.bytes);
    EXPECT_EQ(ka::Errors().size(), 6u);
}

} // namespace

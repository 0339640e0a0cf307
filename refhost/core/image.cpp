/*
 * image.cpp - display conversion services of the host API: the colour
 * cube of a palette display (Ki_Compute_Colormap), gamma correction of a
 * colour map (Ki_Gamma_Correct) and dithering of an image already
 * quantised to cube indices (Ki_Dither_Image).  docs/renderer.md explains
 * the choices made for the dither.
 */
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "calllog.h"
#include "errors.h"
#include "host/kalvos_core.h"

namespace {

std::string Levels(int32_t red, int32_t green, int32_t blue)
{
    return std::to_string(red) + " x " + std::to_string(green) + " x " + std::to_string(blue);
}

/* A colour cube must fit a 256-entry palette; a cube that does not is
 * reported for routine. */
bool CheckCubeLevels(const char *routine, int32_t red, int32_t green, int32_t blue)
{
    if (red >= 2 && green >= 2 && blue >= 2 && red <= 256 && green <= 256 && blue <= 256 &&
        red * green * blue <= 256)
        return true;
    ka::ReportError(4, "ERR_BAD_VALUE", routine,
                    "levels " + Levels(red, green, blue) + " (each 2 or more, at most 256 entries)");
    return false;
}

/* 4 x 4 ordered-dither thresholds, (rank + 0.5) / 16. */
const unsigned char kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

/* Lowest and highest level, and the sum of levels, over the (2r + 1)-square
 * window around each pixel of a level plane, clamped to the image: a row
 * pass, then a column pass over whole rows, both on bytes and 16-bit sums
 * (at most 25 levels below 64) so that they vectorise. */
struct Window {
    std::vector<unsigned char> rowLo, rowHi, lo, hi;
    std::vector<uint16_t> rowSum, sum;
};

/* The neighbourhood reaches this far on each side of a pixel. */
const int kReach = 2;

/* The window along one line of n values: out[x] combines in[x - 2 .. x + 2]
 * clamped to the line; the middle is written out so it vectorises. */
template <typename In, typename Out, typename Combine>
void LineWindow(const In *in, Out *out, int n, Combine combine)
{
    for (int x = 0; x < n; x++) {
        if (x == kReach && n > 2 * kReach) {
            for (; x < n - kReach; x++)
                out[x] = (Out)combine(combine(combine(in[x - 2], in[x - 1]),
                                              combine(in[x], in[x + 1])),
                                      in[x + 2]);
            if (x >= n)
                break;
        }
        Out value = in[std::max(0, x - kReach)];
        for (int i = std::max(0, x - kReach) + 1; i <= std::min(n - 1, x + kReach); i++)
            value = (Out)combine(value, in[i]);
        out[x] = value;
    }
}

const auto kLower = [](unsigned char a, unsigned char b) { return a < b ? a : b; };
const auto kHigher = [](unsigned char a, unsigned char b) { return a > b ? a : b; };
const auto kPlus = [](uint16_t a, uint16_t b) { return (uint16_t)(a + b); };

void WindowStats(const std::vector<unsigned char> &level, int width, int height, Window *w)
{
    size_t n = (size_t)width * height;
    for (auto *plane : {&w->rowLo, &w->rowHi, &w->lo, &w->hi})
        plane->resize(n);
    w->rowSum.resize(n);
    w->sum.resize(n);
    for (int y = 0; y < height; y++) {
        size_t row = (size_t)y * width;
        LineWindow(&level[row], &w->rowLo[row], width, kLower);
        LineWindow(&level[row], &w->rowHi[row], width, kHigher);
        LineWindow(&level[row], &w->rowSum[row], width, kPlus);
    }
    /* Columns: each output row combines up to five input rows. */
    for (int y = 0; y < height; y++) {
        int a = std::max(0, y - kReach), b = std::min(height - 1, y + kReach);
        size_t out = (size_t)y * width;
        unsigned char *__restrict lo = &w->lo[out];
        unsigned char *__restrict hi = &w->hi[out];
        uint16_t *__restrict sum = &w->sum[out];
        std::copy_n(&w->rowLo[(size_t)a * width], width, lo);
        std::copy_n(&w->rowHi[(size_t)a * width], width, hi);
        std::copy_n(&w->rowSum[(size_t)a * width], width, sum);
        for (int j = a + 1; j <= b; j++) {
            const unsigned char *__restrict rowLo = &w->rowLo[(size_t)j * width];
            const unsigned char *__restrict rowHi = &w->rowHi[(size_t)j * width];
            const uint16_t *__restrict rowSum = &w->rowSum[(size_t)j * width];
            for (int x = 0; x < width; x++)
                lo[x] = lo[x] < rowLo[x] ? lo[x] : rowLo[x];
            for (int x = 0; x < width; x++)
                hi[x] = hi[x] > rowHi[x] ? hi[x] : rowHi[x];
            for (int x = 0; x < width; x++)
                sum[x] = (uint16_t)(sum[x] + rowSum[x]);
        }
    }
}

/* Pixels in the clamped window around x along an axis of the given size. */
inline int WindowSpan(int x, int size)
{
    return std::min(size - 1, x + kReach) - std::max(0, x - kReach) + 1;
}

/* Redraws the pixels of one channel's level plane whose neighbourhood holds
 * just two neighbouring levels with the ordered dither at its mean. */
void DitherSteps(std::vector<unsigned char> &level, int w, int h, Window &win)
{
    WindowStats(level, w, h, &win);
    for (int y = 0; y < h; y++) {
        int rows = WindowSpan(y, h);
        for (int x = 0; x < w; x++) {
            size_t k = (size_t)y * w + x;
            int lo = win.lo[k];
            if (win.hi[k] != lo + 1)
                continue;
            int count = rows * WindowSpan(x, w);
            /* fraction of the neighbourhood at the upper level */
            int above = win.sum[k] - lo * count;
            int threshold = 2 * kBayer[y & 3][x & 3] + 1;   /* (rank + 0.5) / 16, times 32 */
            level[k] = (unsigned char)(lo + (32 * above > threshold * count));
        }
    }
}

/* Working planes of the dither, kept between calls: under Wine a fresh
 * block of this size costs more than the dither itself (about 5 ms of a
 * 6 ms call for the editor's preview).  Images larger than a preview give
 * their planes back after the call. */
struct DitherScratch {
    std::vector<unsigned char> level[3];
    Window window;
};
thread_local DitherScratch ditherScratch;
const size_t kKeptScratchPixels = 1024 * 768;

} // namespace

using namespace ka;

extern "C" int Ki_Compute_Colormap(int32_t mode, int32_t redLevels, int32_t greenLevels,
                                   int32_t blueLevels, KaColor *map)
{
    LogCall("Ki_Compute_Colormap", mode, redLevels, greenLevels, blueLevels, OutArg{map});
    const char *routine = "Ki_Compute_Colormap()";
    if (!map) {
        ReportError(4, "ERR_NULL_ADDRESS", routine, "null colour map");
        return -1;
    }
    if (mode != 0) {
        ReportError(4, "ERR_BAD_VALUE", routine,
                    "mode " + std::to_string(mode) + " (only 0, the uniform cube, is known)");
        return -1;
    }
    if (!CheckCubeLevels(routine, redLevels, greenLevels, blueLevels))
        return -1;
    for (int r = 0; r < redLevels; r++)
        for (int g = 0; g < greenLevels; g++)
            for (int b = 0; b < blueLevels; b++) {
                float *entry = map[(r * greenLevels + g) * blueLevels + b];
                entry[0] = (float)r / (float)(redLevels - 1);
                entry[1] = (float)g / (float)(greenLevels - 1);
                entry[2] = (float)b / (float)(blueLevels - 1);
            }
    return 0;
}

extern "C" int Ki_Gamma_Correct(const KaColor *in, KaColor *out, int32_t count, float gamma)
{
    LogCall("Ki_Gamma_Correct", OutArg{in}, OutArg{out}, count, gamma);
    const char *routine = "Ki_Gamma_Correct()";
    if (count < 0 || ((!in || !out) && count > 0)) {
        ReportError(4, count < 0 ? "ERR_BAD_VALUE" : "ERR_NULL_ADDRESS", routine,
                    count < 0 ? "negative count" : "null colour map");
        return -1;
    }
    if (!std::isfinite(gamma) || gamma <= 0.0f) {
        ReportError(4, "ERR_BAD_VALUE", routine, "gamma must be a positive number");
        return -1;
    }
    /* out = in ^ (1 / gamma); negative components become 0; in may be out */
    double exponent = 1.0 / gamma;
    for (int32_t i = 0; i < count; i++)
        for (int k = 0; k < 3; k++) {
            float v = in[i][k];
            out[i][k] = v > 0.0f ? (float)std::pow((double)v, exponent) : 0.0f;
        }
    return 0;
}

/* The plug-in hands over an 8-bit bottom-up DIB whose every pixel is
 * already an index 45 r + 5 g + b of the cube (truncated, not rounded),
 * rows padded to a multiple of 4 bytes.  Truncation turns smooth flare
 * gradients into flat bands with hard steps between neighbouring levels.
 * Per channel, wherever a 5 x 5 neighbourhood holds just two neighbouring
 * levels, the pixel is redrawn with an ordered (4 x 4 Bayer) dither at the
 * neighbourhood's mean level, which spreads each step into a soft
 * transition; flat areas and real edges (levels two or more apart: thin
 * rings, streaks) stay exactly as they are.  The fill bytes of each row
 * are never touched, and every pixel written is a valid cube index.
 * *flag (may be null) receives 1 when any pixel changed, else 0. */
namespace {

/* The colour cube's levels per axis and the index weight of each axis
 * (red is the top digit). */
struct CubeAxes {
    int levels[3];
    int weight[3];
};

/* The map must be the cube the indices address: each axis rising. */
bool MapIsCube(const char *routine, const KaColor *map, const CubeAxes &cube)
{
    for (int c = 0; c < 3; c++)
        for (int k = 1; k < cube.levels[c]; k++)
            if (!(map[k * cube.weight[c]][c] > map[(k - 1) * cube.weight[c]][c])) {
                ReportError(4, "ERR_BAD_VALUE", routine,
                            "the colour map is not a cube of " +
                                Levels(cube.levels[0], cube.levels[1], cube.levels[2]) +
                                " levels");
                return false;
            }
    return true;
}

/* Each pixel's cube index split into its three axis levels. */
void SplitIntoLevels(const unsigned char *pixels, int w, int h, size_t stride,
                     const CubeAxes &cube, std::vector<unsigned char> level[3])
{
    for (int c = 0; c < 3; c++)
        level[c].resize((size_t)w * h);
    unsigned char levelOf[3][256];
    for (int v = 0; v < 256; v++) {
        /* red is the top digit: an index past the cube clamps there */
        levelOf[0][v] = (unsigned char)std::min(v / cube.weight[0], cube.levels[0] - 1);
        for (int c = 1; c < 3; c++)
            levelOf[c][v] = (unsigned char)(v / cube.weight[c] % cube.levels[c]);
    }
    for (int y = 0; y < h; y++) {
        const unsigned char *row = pixels + (size_t)y * stride;
        for (int c = 0; c < 3; c++) {
            unsigned char *out = &level[c][(size_t)y * w];
            for (int x = 0; x < w; x++)
                out[x] = levelOf[c][row[x]];
        }
    }
}

/* The three levels joined into cube indices again; 1 when a pixel changed. */
int JoinLevels(const std::vector<unsigned char> level[3], int w, int h, size_t stride,
               const CubeAxes &cube, unsigned char *pixels)
{
    int changed = 0;
    for (int y = 0; y < h; y++) {
        size_t row = (size_t)y * w;
        unsigned char *__restrict out = pixels + (size_t)y * stride;
        for (int x = 0; x < w; x++) {
            auto v = (unsigned char)(level[0][row + x] * cube.weight[0] +
                                     level[1][row + x] * cube.weight[1] + level[2][row + x]);
            changed |= out[x] != v;
            out[x] = v;
        }
    }
    return changed;
}

} // namespace

extern "C" int Ki_Dither_Image(unsigned char *pixels, const KaColor *map, int16_t width,
                               int16_t height, int32_t redLevels, int32_t greenLevels,
                               int32_t blueLevels, int32_t *flag)
{
    LogCall("Ki_Dither_Image", OutArg{pixels}, OutArg{map}, width, height, redLevels, greenLevels,
            blueLevels, OutArg{flag});
    const char *routine = "Ki_Dither_Image()";
    if (flag)
        *flag = 0;
    if (!pixels || !map) {
        ReportError(4, "ERR_NULL_ADDRESS", routine, !pixels ? "null pixels" : "null colour map");
        return -1;
    }
    if (width <= 0 || height <= 0) {
        ReportError(4, "ERR_BAD_VALUE", routine,
                    "size " + std::to_string(width) + " x " + std::to_string(height));
        return -1;
    }
    if (!CheckCubeLevels(routine, redLevels, greenLevels, blueLevels))
        return -1;
    const CubeAxes cube = {{redLevels, greenLevels, blueLevels},
                           {greenLevels * blueLevels, blueLevels, 1}};
    if (!MapIsCube(routine, map, cube))
        return -1;

    const int w = width, h = height;
    const size_t stride = ((size_t)w + 3) & ~(size_t)3;
    const size_t n = (size_t)w * h;
    DitherScratch &scratch = ditherScratch;
    SplitIntoLevels(pixels, w, h, stride, cube, scratch.level);
    for (int c = 0; c < 3; c++)
        DitherSteps(scratch.level[c], w, h, scratch.window);
    int changed = JoinLevels(scratch.level, w, h, stride, cube, pixels);
    if (n > kKeptScratchPixels)
        scratch = DitherScratch();
    if (flag)
        *flag = changed;
    return 0;
}

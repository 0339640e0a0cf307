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
#include "kalvos_core.h"

namespace {

/* A colour cube must fit a 256-entry palette. */
bool CubeLevelsOk(int32_t red, int32_t green, int32_t blue)
{
    return red >= 2 && green >= 2 && blue >= 2 && red <= 256 && green <= 256 && blue <= 256 &&
           red * green * blue <= 256;
}

std::string Levels(int32_t red, int32_t green, int32_t blue)
{
    return std::to_string(red) + " x " + std::to_string(green) + " x " + std::to_string(blue);
}

/* 4 x 4 ordered-dither thresholds, (rank + 0.5) / 16. */
const unsigned char kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

/* Which levels occur, and their sum, over the (2r + 1)-square window
 * around each pixel of a level plane, clamped to the image: a row pass,
 * then a column pass over whole rows, both written so they vectorise.  A
 * level set is a bit mask: 16 bits for axes of up to 16 levels (every
 * usual cube), 64 bits for the longest axis a 256-entry cube can have. */
template <typename Mask> struct Window {
    std::vector<Mask> bits, rowSet, set;
    std::vector<int> levels, rowSum, sum;
};

/* The neighbourhood reaches this far on each side of a pixel. */
const int kReach = 2;

/* The window along one line of n values: out[x] combines in[x - 2 .. x + 2]
 * clamped to the line; the middle is written out so it vectorises. */
template <typename T, typename Combine>
void LineWindow(const T *in, T *out, int n, Combine combine)
{
    for (int x = 0; x < n; x++) {
        if (x == kReach && n > 2 * kReach) {
            for (; x < n - kReach; x++)
                out[x] = combine(combine(combine(in[x - 2], in[x - 1]), combine(in[x], in[x + 1])),
                                 in[x + 2]);
            if (x >= n)
                break;
        }
        T value = in[std::max(0, x - kReach)];
        for (int i = std::max(0, x - kReach) + 1; i <= std::min(n - 1, x + kReach); i++)
            value = combine(value, in[i]);
        out[x] = value;
    }
}

template <typename Mask>
void WindowStats(const std::vector<unsigned char> &level, int width, int height, Window<Mask> *w)
{
    size_t n = (size_t)width * height;
    w->bits.resize(n);
    w->rowSet.resize(n);
    w->rowSum.resize(n);
    w->set.resize(n);
    w->sum.resize(n);
    w->levels.assign(level.begin(), level.end());
    const std::vector<int> &levelInt = w->levels;
    for (size_t k = 0; k < n; k++)
        w->bits[k] = (Mask)((Mask)1 << level[k]);
    auto either = [](Mask a, Mask b) { return (Mask)(a | b); };
    auto plus = [](int a, int b) { return a + b; };
    for (int y = 0; y < height; y++) {
        size_t row = (size_t)y * width;
        LineWindow(&w->bits[row], &w->rowSet[row], width, either);
        LineWindow(&levelInt[row], &w->rowSum[row], width, plus);
    }
    /* Columns: each output row combines up to five input rows. */
    for (int y = 0; y < height; y++) {
        int a = std::max(0, y - kReach), b = std::min(height - 1, y + kReach);
        Mask *__restrict set = &w->set[(size_t)y * width];
        int *__restrict sum = &w->sum[(size_t)y * width];
        std::copy_n(&w->rowSet[(size_t)a * width], width, set);
        std::copy_n(&w->rowSum[(size_t)a * width], width, sum);
        for (int j = a + 1; j <= b; j++) {
            const Mask *__restrict rowSet = &w->rowSet[(size_t)j * width];
            const int *__restrict rowSum = &w->rowSum[(size_t)j * width];
            for (int x = 0; x < width; x++) {
                set[x] |= rowSet[x];
                sum[x] += rowSum[x];
            }
        }
    }
}

/* Pixels in the clamped window around x along an axis of the given size. */
inline int WindowSpan(int x, int size)
{
    return std::min(size - 1, x + kReach) - std::max(0, x - kReach) + 1;
}

/* Redraws the pixels of one channel's level plane whose neighbourhood holds
 * exactly two neighbouring levels with the ordered dither at its mean. */
template <typename Mask>
void DitherSteps(std::vector<unsigned char> &level, int w, int h, Window<Mask> &win)
{
    WindowStats(level, w, h, &win);
    for (int y = 0; y < h; y++) {
        int rows = WindowSpan(y, h);
        for (int x = 0; x < w; x++) {
            size_t k = (size_t)y * w + x;
            Mask set = win.set[k];
            int lo = __builtin_ctzll(set);
            if (lo + 1 >= (int)sizeof(Mask) * 8 || set != (Mask)((Mask)3 << lo))
                continue;
            int count = rows * WindowSpan(x, w);
            /* fraction of the neighbourhood at the upper level */
            int above = win.sum[k] - lo * count;
            int threshold = 2 * kBayer[y & 3][x & 3] + 1;   /* (rank + 0.5) / 16, times 32 */
            level[k] = (unsigned char)(lo + (32 * above > threshold * count));
        }
    }
}

} // namespace

using namespace ka;

extern "C" int Ki_Compute_Colormap(int32_t mode, int32_t redLevels, int32_t greenLevels,
                                   int32_t blueLevels, KaColor *map)
{
    LogLine log;
    LogStart(&log, "Ki_Compute_Colormap");
    LogInt(&log, mode);
    LogInt(&log, redLevels);
    LogInt(&log, greenLevels);
    LogInt(&log, blueLevels);
    LogOut(&log, map);
    LogFinish(&log);
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
    if (!CubeLevelsOk(redLevels, greenLevels, blueLevels)) {
        ReportError(4, "ERR_BAD_VALUE", routine,
                    "levels " + Levels(redLevels, greenLevels, blueLevels) +
                        " (each 2 or more, at most 256 entries)");
        return -1;
    }
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
    LogLine log;
    LogStart(&log, "Ki_Gamma_Correct");
    LogOut(&log, in);
    LogOut(&log, out);
    LogInt(&log, count);
    LogWord(&log, std::to_string(gamma).c_str());
    LogFinish(&log);
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
extern "C" int Ki_Dither_Image(unsigned char *pixels, const KaColor *map, int16_t width,
                               int16_t height, int32_t redLevels, int32_t greenLevels,
                               int32_t blueLevels, int32_t *flag)
{
    LogLine log;
    LogStart(&log, "Ki_Dither_Image");
    LogOut(&log, pixels);
    LogOut(&log, map);
    LogInt(&log, width);
    LogInt(&log, height);
    LogInt(&log, redLevels);
    LogInt(&log, greenLevels);
    LogInt(&log, blueLevels);
    LogOut(&log, flag);
    LogFinish(&log);
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
    if (!CubeLevelsOk(redLevels, greenLevels, blueLevels)) {
        ReportError(4, "ERR_BAD_VALUE", routine,
                    "levels " + Levels(redLevels, greenLevels, blueLevels) +
                        " (each 2 or more, at most 256 entries)");
        return -1;
    }
    /* The map must be the cube the indices address: each axis rising. */
    const int levels[3] = {redLevels, greenLevels, blueLevels};
    const int weight[3] = {greenLevels * blueLevels, blueLevels, 1};
    for (int c = 0; c < 3; c++)
        for (int k = 1; k < levels[c]; k++)
            if (!(map[k * weight[c]][c] > map[(k - 1) * weight[c]][c])) {
                ReportError(4, "ERR_BAD_VALUE", routine,
                            "the colour map is not a cube of " +
                                Levels(redLevels, greenLevels, blueLevels) + " levels");
                return -1;
            }

    const int w = width, h = height;
    const size_t stride = ((size_t)w + 3) & ~(size_t)3;
    const size_t n = (size_t)w * h;
    std::vector<unsigned char> level[3];
    for (int c = 0; c < 3; c++)
        level[c].resize(n);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int v = pixels[(size_t)y * stride + x];
            size_t k = (size_t)y * w + x;
            /* red is the top digit: an index past the cube clamps there */
            level[0][k] = (unsigned char)std::min(v / weight[0], levels[0] - 1);
            for (int c = 1; c < 3; c++)
                level[c][k] = (unsigned char)(v / weight[c] % levels[c]);
        }
    int changed = 0;
    Window<uint16_t> narrow;
    Window<uint64_t> wide;
    for (int c = 0; c < 3; c++) {
        if (levels[c] <= 16)
            DitherSteps(level[c], w, h, narrow);
        else
            DitherSteps(level[c], w, h, wide);
    }
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            size_t k = (size_t)y * w + x;
            int v = level[0][k] * weight[0] + level[1][k] * weight[1] + level[2][k];
            unsigned char &p = pixels[(size_t)y * stride + x];
            if (p != v) {
                p = (unsigned char)v;
                changed = 1;
            }
        }
    if (flag)
        *flag = changed;
    return 0;
}

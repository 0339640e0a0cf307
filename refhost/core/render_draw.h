/*
 * render_draw.h - the renderer's drawing routines: small free functions
 * that add one shape into three float planes.  Each clips its work to the
 * rows and spans its shape can touch before it loops, so a small shape
 * costs in proportion to its own footprint, never to the image.
 *
 * Shapes are described in "flare space": x as in the image, y multiplied by
 * the anamorphic stretch (so a circle of flare space is an ellipse squeezed
 * vertically on the image).  Profiles come as tables sampled at two entries
 * per pixel (or finer), filled once per render, so the pixel loops do only
 * arithmetic, a square root and table reads.
 */
#ifndef REFHOST_RENDER_DRAW_H
#define REFHOST_RENDER_DRAW_H

#include <vector>

namespace ka {

struct RowSpans;

struct Canvas {
    float *r, *g, *b;     /* width * height floats each, rows from the bottom */
    int width, height;
    float stretch;        /* anamorphic: flare-space y = image y * stretch */
    RowSpans *touched;    /* null, or records the pixels drawn into */
    int threads = 1;      /* at most this many threads draw a shape's rows */
};

/* Per row of a canvas, the span of pixels drawn into (x0 >= x1: none). */
struct RowSpans {
    std::vector<int> x0, x1;
    void Reset(int height);
    void Mark(int y, int from, int to)
    {
        if (y < 0 || y >= (int)x0.size() || from >= to)
            return;
        if (from < x0[y])
            x0[y] = from;
        if (to > x1[y])
            x1[y] = to;
    }
};

/* Pixels touched, half-open; empty when x0 >= x1 or y0 >= y1. */
struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};
void Grow(Box *into, const Box &more);

/* Table entries too faint to ever show are stored as 0: blends of such
 * values would otherwise sink into denormals, which are slow. */
inline float Audible(float v)
{
    return v > 1e-9f || v < -1e-9f ? v : 0.0f;
}

/* Colour by distance d from a centre (flare-space pixels): entry
 * i covers d in [i, i + 1) / perPixel; drawn where inner <= d < outer. */
struct RadialTable {
    std::vector<float> r, g, b;   /* count + 1 entries; the last stays 0 */
    float perPixel = 2.0f;
    float inner = 0.0f, outer = 0.0f;
    int count = 0;
};

/* Sizes the table for [inner, outer) and fills every entry with
 * colour(d, rgb) at the entry's middle, at least perPixel entries a pixel.
 * reach is the largest distance any pixel of the canvas can have from the
 * shape's centre: entries past it would never be read, so the table stops
 * there.  Tables also stay small for huge shapes (the resolution then
 * drops, but such a profile barely changes across a pixel anyway). */
template <typename ColourAt>
void FillRadial(RadialTable *t, float inner, float outer, float reach, ColourAt colour,
                float perPixel = 2.0f)
{
    const int kMaxEntries = 1 << 16;
    t->inner = inner > 0.0f ? inner : 0.0f;
    t->outer = outer > t->inner ? outer : t->inner;
    float end = t->outer < reach ? t->outer : reach;
    if (end * perPixel > (float)kMaxEntries)
        perPixel = (float)kMaxEntries / end;
    if (end > 0.0f && end * perPixel < 16.0f)
        perPixel = 16.0f / end;   /* tiny shapes: still a smooth profile */
    t->perPixel = perPixel;
    t->count = (int)(end * perPixel) + 1;
    t->r.assign(t->count + 1, 0.0f);
    t->g.assign(t->count + 1, 0.0f);
    t->b.assign(t->count + 1, 0.0f);
    for (int i = 0; i < t->count; i++) {
        float rgb[3] = {0, 0, 0};
        colour(((float)i + 0.5f) / perPixel, rgb);
        t->r[i] = Audible(rgb[0]);
        t->g[i] = Audible(rgb[1]);
        t->b[i] = Audible(rgb[2]);
    }
}

/* A square tile of texture values (about 1: dust and smudges), wrapped
 * at its sides, laid over a shape: texel (u, v) covers flare-space offsets
 * from the shape's centre of (u + shift) / perPixel, (v + shift) / perPixel. */
struct Texture {
    static const int kSize = 64;        /* texels a side, a power of two */
    std::vector<float> texel;           /* kSize * kSize values */
    float perPixel = 1.0f;
    float shift = 0.0f;
};

/* A round shape (disc, glow, annulus) centred on (cx, cy); the texture,
 * when not null, multiplies it. */
Box DrawRadial(Canvas *c, double cx, double cy, const RadialTable &t,
               const Texture *texture = nullptr);

/* A regular polygon: d is the polygon's own radius (t.outer reaches the
 * corners' circle), rotated by rotation radians in flare space.  Roundness
 * 0 keeps the corners sharp, 1 makes a circle; between, d blends the
 * polygon's radius with the distance from the centre. */
Box DrawPolygon(Canvas *c, double cx, double cy, int sides, float rotation, float roundness,
                const RadialTable &t, const Texture *texture = nullptr);

/* A straight streak through (cx, cy) along the flare-space unit direction
 * (ux, uy): value = along(a) * across(|p|) * rgb, a measured along the
 * direction from alongMin, p across it. */
struct StreakTable {
    std::vector<float> along, across;     /* count + 1 entries, last 0 */
    float alongMin = 0.0f, alongMax = 0.0f, alongPerPixel = 1.0f;
    float acrossMax = 0.0f, acrossPerPixel = 1.0f;
};
Box DrawStreak(Canvas *c, double cx, double cy, float ux, float uy, const float rgb[3],
               const StreakTable &t);

/* Rays from (cx, cy): by the direction's pseudo-angle (0..4, see
 * PseudoAngle) a table gives the rays' summed strength and the inverse of
 * their length in pixels; envelope[] is indexed by d / length (0..1,
 * envelopeCount entries) and colour by d.  Both tables come in levels,
 * each averaged over twice the angle of the one before (levelCount of them
 * and the last once more, angleCount entries each): level[] (indexed like
 * colour) says which a pixel reads, fractional levels blending two, so
 * that a pixel spanning many rays gets their mean, never one of them. */
struct RayTable {
    std::vector<float> strength, inverseLength;   /* (levelCount + 1) * angleCount */
    int angleCount = 0, levelCount = 0;
    std::vector<float> level;                     /* colour.count + 1 entries, 0 .. levelCount - 1 */
    std::vector<float> envelope;                  /* envelopeCount + 1 entries, last 0 */
    int envelopeCount = 0;
    RadialTable colour;
};
Box DrawRays(Canvas *c, double cx, double cy, const RayTable &t);

/* A monotonic stand-in for atan2(y, x) over 0..4 (a full turn) that needs
 * one division: 0 along +x, 1 along +y, 2 along -x, 3 along -y. */
inline float PseudoAngle(float x, float y)
{
    float ax = x < 0 ? -x : x, ay = y < 0 ? -y : y;
    float p = y / (ax + ay + 1e-30f);
    return x < 0 ? 2.0f - p : (y < 0 ? 4.0f + p : p);
}

/* The buffer's roll-off above the knee (render.cpp says why): in place
 * over n floats, vectorised where the CPU allows. */
const float kSoftKnee = 0.8f;
void SoftClipRow(float *row, int n);

/* Adds a half-resolution canvas (small, (width + 1) / 2 by (height + 1) / 2)
 * to the full one, bilinear, wherever the small canvas's drawn spans can
 * reach, then clears those spans: the small canvas is zero outside them
 * before and everywhere after. */
void UpsampleAdd(Canvas *full, Canvas *small, const RowSpans &drawn);

} // namespace ka

#endif

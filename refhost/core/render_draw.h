/*
 * render_draw.h - the renderer's drawing routines over plain float planes.
 *
 * An element turns its parameters into shapes: a centre, the rows it can
 * reach and small profile tables, filled once per render (two entries per
 * pixel or finer), so that the pixel loops do only arithmetic, a square
 * root and table reads.  Once every element has added its shapes, the
 * rows of the canvas are drawn one after another: each row gets every
 * shape that reaches it, over the span of pixels the shape can touch
 * there, and then its roll-off, while the row is still in the cache.  A
 * small shape costs in proportion to its own footprint, never to the
 * image, and the buffer is read and written once per render.
 *
 * Shapes are described in "flare space": x as in the image, y multiplied by
 * the anamorphic stretch (so a circle of flare space is an ellipse squeezed
 * vertically on the image).
 */
#ifndef REFHOST_RENDER_DRAW_H
#define REFHOST_RENDER_DRAW_H

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace ka {

struct RowSpans;

struct Canvas {
    float *r, *g, *b;     /* width * height floats each, rows from the bottom */
    int width, height;
    float stretch;        /* anamorphic: flare-space y = image y * stretch */
    RowSpans *touched;    /* null, or records the pixels drawn into */
    int threads = 1;      /* at most this many threads draw the rows */
    /* when set, a thread starts only for each this many shape pixels, so
     * that a few small shapes are not outrun by the threads' start */
    double pixelsPerThread = 0.0;
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

/* The faintest light a shape adds: its tables end where every colour
 * stays below this, so that a glow's tail or a streak's sheen is not
 * drawn over pixels it would change by less than a sixteenth of an 8-bit
 * display step. */
const float kFaint = 1.0f / 4096;

/* Table entries too faint to ever show are stored as 0: blends of such
 * values would otherwise sink into denormals, which are slow. */
inline float Audible(float v)
{
    return v > 1e-9f || v < -1e-9f ? v : 0.0f;
}

/* Colour by distance d from a centre (flare-space pixels): entry
 * i covers d in [i, i + 1) / perPixel; drawn where inner <= d < outer.
 * used[c] is false for a colour whose entries are all 0.  An entry is
 * four floats side by side, red, green, blue and one more that a shape
 * may use (rays: their level), so that a pixel fetches its entry with
 * one load instead of three gathers. */
struct RadialTable {
    std::vector<float> rgbx;      /* 4 * (count + 1); the last entry stays 0 */
    float perPixel = 2.0f;
    float inner = 0.0f, outer = 0.0f;
    int count = 0;
    bool used[3] = {false, false, false};
    uint64_t stamp = 0;           /* the fill that made the entries (copies share it); 0 unknown */
};

/* A stamp no fill has had before. */
uint64_t NewTableStamp();

/* Narrows the table's [inner, outer) to the entries where some colour
 * reaches faint, and notes the colours it has at all. */
void TrimRadial(RadialTable *t, float faint);

/* Sizes the table for [inner, outer) and fills every entry with
 * colour(d, rgb) at the entry's middle, at least perPixel entries a pixel,
 * then trims it to where its light reaches faint.  reach is the largest
 * distance any pixel of the canvas can have from the shape's centre:
 * entries past it would never be read, so the table stops there.  Tables
 * also stay small for huge shapes (the resolution then drops, but such a
 * profile barely changes across a pixel anyway). */
template <typename ColourAt>
void FillRadial(RadialTable *t, float inner, float outer, float reach, ColourAt colour,
                float perPixel = 2.0f, float faint = kFaint)
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
    t->rgbx.assign(4 * ((size_t)t->count + 1), 0.0f);
    for (int i = 0; i < t->count; i++) {
        float rgb[3] = {0, 0, 0};
        colour(((float)i + 0.5f) / perPixel, rgb);
        for (int c = 0; c < 3; c++)
            t->rgbx[4 * (size_t)i + c] = Audible(rgb[c]);
    }
    TrimRadial(t, faint);
    t->stamp = NewTableStamp();
}

/* A square tile of texture values (about 1: dust and smudges), wrapped
 * at its sides, laid over a shape: texel (u, v) covers flare-space offsets
 * from the shape's centre of (u + shift) / perPixel, (v + shift) / perPixel. */
struct Texture {
    static const int kSize = 64;                        /* texels a side, a power of two */
    std::shared_ptr<const std::vector<float>> texel;    /* kSize * kSize values */
    float perPixel = 1.0f;
    float shift = 0.0f;
    float brightest = 1.0f;                             /* the largest texel */
};

/* A straight streak through a centre along the flare-space unit direction
 * (ux, uy): value = along(a) * across(|p|) * rgb, a measured along the
 * direction from alongMin, p across it. */
struct StreakTable {
    std::vector<float> along, across;     /* count + 1 entries, last 0 */
    float alongMin = 0.0f, alongMax = 0.0f, alongPerPixel = 1.0f;
    float acrossMax = 0.0f, acrossPerPixel = 1.0f;
};

/* Narrows alongMin .. alongMax and acrossMax to where along x across x
 * brightest reaches faint; false when nothing does. */
bool TrimStreak(StreakTable *t, float brightest, float faint);

/* Rays from a centre: by the direction's pseudo-angle (0..4, see
 * PseudoAngle) a table gives the rays' summed strength and the inverse of
 * their length in pixels, and colour by d.  Along a ray the light fades
 * as (1 - u)^1.5 of u = d / length, worked out per pixel rather than read
 * from a table (a load the pixel loop would have to gather), at the
 * middle of one of envelopeCount steps as such a table would hold it.
 * The angle table comes in
 * levels, each averaged over twice the angle of the one before: the
 * colour table's fourth float (0 .. levelCount - 1) says which a pixel
 * reads, fractional levels blending two, so that a pixel spanning many
 * rays gets their mean, never one of them.  An entry of the angle table
 * holds its level's strength and inverse length and then the next
 * level's, so the blend is one load. */
struct RayTable {
    std::vector<float> angular;                   /* 4 * levelCount * angleCount */
    int angleCount = 0, levelCount = 0;
    int envelopeCount = 0;
    RadialTable colour;
};

enum ShapeKind {
    kShapeRadial,    /* round: disc, glow, annulus (its hole skipped) */
    kShapePolygon,   /* a regular polygon, corners on the table's outer circle */
    kShapeStreak,
    kShapeRays,
};

/* One shape to draw; its tables belong to the list that holds it. */
struct Shape {
    ShapeKind kind;
    double cx, cy;                   /* centre, canvas pixels */
    int y0, y1;                      /* rows it can reach, half-open */
    double pixels;                   /* of its bounding box on the canvas */
    const RadialTable *radial;       /* radial and polygon; null for the others */
    const Texture *texture;          /* radial and polygon: null, or multiplies them */
    /* polygon: normals scaled so that the polygon's own radius equals the
     * corner radius on every edge; roundness blends it with the distance */
    int sides;
    float nx[16], ny[16];
    float roundness;
    /* streak */
    const StreakTable *streak;
    float ux, uy;                    /* direction, flare space */
    float rgb[3];
    /* rays */
    const RayTable *rays;
    const RadialTable *folded;       /* null, or a round shape's table on the same centre */
};

/* The sum of radial tables on one centre (JoinRadials), kept under the
 * stamps of the tables summed, in their order. */
struct JointTable {
    std::vector<uint64_t> parts;   /* empty: a part had no stamp, never found again */
    RadialTable table;
    uint64_t pass = 0;             /* the last JoinRadials that used it */
};

/* The shapes of one render and the tables they read.  Tables come from
 * the list (New...Table) and stay at their addresses until it is cleared;
 * Clear keeps their memory for the next render, so that a drag across
 * the preview does not fetch fresh blocks for every frame.  Joint tables
 * are kept whole across Clear, since the tables they sum mostly are. */
struct ShapeList {
    std::vector<Shape> shapes;
    std::deque<RadialTable> radials;
    std::deque<StreakTable> streaks;
    std::deque<RayTable> rays;
    std::deque<Texture> textures;
    std::deque<JointTable> joints;
    size_t radialsUsed = 0, streaksUsed = 0, raysUsed = 0, texturesUsed = 0;
    uint64_t joinPasses = 0;
    void Clear();
};
RadialTable *NewRadialTable(ShapeList *list);
StreakTable *NewStreakTable(ShapeList *list);
RayTable *NewRayTable(ShapeList *list);

/* Keeps a copy of a texture for the list's shapes; null for a texture
 * without its texels. */
const Texture *KeepTexture(ShapeList *list, const Texture &texture);

/* Each adds a shape, reading a table of the list, when it can reach the
 * canvas.  Radial: a round shape centred on (cx, cy), the texture (may be
 * null) multiplying it.  Polygon: a regular polygon whose own radius
 * indexes t (t.outer reaches the corners' circle), rotated by rotation
 * radians in flare space; roundness 0 keeps the corners sharp, 1 makes a
 * circle.  Streak: through (cx, cy) along (ux, uy).  Rays: from (cx, cy). */
void AddRadial(ShapeList *list, const Canvas &c, double cx, double cy, const RadialTable &t,
               const Texture *texture = nullptr);
void AddPolygon(ShapeList *list, const Canvas &c, double cx, double cy, int sides,
                float rotation, float roundness, const RadialTable &t,
                const Texture *texture = nullptr);
void AddStreak(ShapeList *list, const Canvas &c, double cx, double cy, float ux, float uy,
               const float rgb[3], const StreakTable &t);
void AddRays(ShapeList *list, const Canvas &c, double cx, double cy, const RayTable &t);

/* Round untextured shapes on one centre (a glow, halo and ring around the
 * light) become one shape reading the sum of their tables, where each
 * table's entries a pixel divide the sum's by a power of two and the
 * centre lies on a quarter pixel (as the light does): a pixel then reads
 * in the sum the very entries it read in each table, and only the order
 * of the float additions changes.  A sum longer than kJointEntries leaves
 * its finest tables apart.  A round untextured shape on such a centre
 * inside rays on it is then drawn by the rays' loop, which has the
 * distance already, so that their pixels are read and written once. */
const int kJointEntries = 1 << 13;
void JoinRadials(ShapeList *list);

/* Adds every shape of the list to the canvas, row by row, recording the
 * span each row drew into in c->touched (when set); with rollOff, each
 * row's span then gets the buffer's roll-off (render.cpp says why).  The
 * rows are shared among up to c->threads threads: a row never depends on
 * another, so the pixels are the same bit for bit on any number. */
void DrawShapes(Canvas *c, const ShapeList &list, bool rollOff);

/* A monotonic stand-in for atan2(y, x) over 0..4 (a full turn) that needs
 * one division: 0 along +x, 1 along +y, 2 along -x, 3 along -y. */
inline float PseudoAngle(float x, float y)
{
    float ax = x < 0 ? -x : x, ay = y < 0 ? -y : y;
    float p = y / (ax + ay + 1e-30f);
    return x < 0 ? 2.0f - p : (y < 0 ? 4.0f + p : p);
}

/* The roll-off above the knee: in place over n floats of each plane. */
const float kSoftKnee = 0.8f;
void SoftClipRow(float *r, float *g, float *b, int n);

/* Adds a half-resolution canvas (small, (width + 1) / 2 by (height + 1) / 2)
 * to the full one, bilinear, wherever the small canvas's drawn spans can
 * reach, rolls those full-resolution spans off, then clears the small
 * spans: the small canvas is zero outside them before and everywhere
 * after. */
void UpsampleAdd(Canvas *full, Canvas *small, const RowSpans &drawn);

} // namespace ka

#endif

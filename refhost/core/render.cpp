/*
 * render.cpp - the lens-flare renderer and the G-buffer calls of the host
 * API (Ki_Alloc_Global_GBuffer, Ki_Free_Global_GBuffer,
 * Ki_LensFlareApplyToGBuffer).
 *
 * A render adds every enabled element of the flare, one after another, to
 * the buffer's red, green and blue; depth and coverage are only read.  Each
 * element turns its parameters into small profile tables and hands them to
 * a drawing routine of render_draw.cpp, which touches only the element's
 * own footprint.  Random choices (ray angles, reflex sizes) come from a
 * generator seeded by the flare's random seed and the element's type and
 * rank among elements of that type, so the same flare gives the same
 * pixels.  docs/renderer.md describes the model for users.
 */
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "calllog.h"
#include "errors.h"
#include "render.h"
#include "render_draw.h"
#include "store.h"
#include "test_flicker.h"
#include "tokens.h"

namespace ka {

namespace {

const double kPi = 3.14159265358979323846;
const float kDegrees = (float)(kPi / 180.0);
/* Thinnest line drawn, canvas pixels: thinner lines are drawn this wide
 * and proportionally dimmer, so they never break up into dots. */
const float kMinLine = 0.6f;

/* ---- small numeric helpers ---- */

float Clamp(float v, float lo, float hi)
{
    return v > lo ? (v < hi ? v : hi) : lo;   /* NaN gives lo */
}

float Smoothstep(float e0, float e1, float x)
{
    float t = Clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

/* splitmix64: small, fast and the same on every platform. */
struct Random {
    uint64_t state;
    float Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return (float)(z >> 40) * (1.0f / 16777216.0f);   /* [0, 1) */
    }
};

uint64_t HashText(const std::string &text)
{
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001B3ull;
    }
    return h;
}

/* The colour of a gradient at t: linear between neighbouring stops, the
 * end colours beyond the ends; white for a missing or empty gradient. */
void GradientAt(const GradientValue *g, float t, float out[3])
{
    out[0] = out[1] = out[2] = 1.0f;
    if (!g || g->offsets.empty() || g->colors.size() < 3 * g->offsets.size())
        return;
    const std::vector<float> &o = g->offsets;
    const float *c = g->colors.data();
    size_t n = o.size(), i = 0;
    if (!(t > o[0])) {
        std::memcpy(out, c, 3 * sizeof(float));
        return;
    }
    while (i + 1 < n && t > o[i + 1])
        i++;
    if (i + 1 >= n) {
        std::memcpy(out, c + 3 * (n - 1), 3 * sizeof(float));
        return;
    }
    float span = o[i + 1] - o[i];
    float f = span > 0.0f ? Clamp((t - o[i]) / span, 0.0f, 1.0f) : 1.0f;
    for (int k = 0; k < 3; k++)
        out[k] = c[3 * i + k] + f * (c[3 * (i + 1) + k] - c[3 * i + k]);
}

/* ---- reading parameters (values are checked by the store, but a
 * renderer must not trust them: non-finite becomes the fallback) ---- */

/* Where a parameter name of a type lies in its list.  Every render asks
 * each element for the same few names, always the same literals: each is
 * looked up once and kept by the type's and the literal's address (types
 * are never removed).  Owned by Value, used only while a render holds
 * g_halfLock. */
struct FoundParam {
    const ElementType *type;
    const char *name;
    int index;
};
FoundParam g_foundParams[256];

/* An element's value of the parameter with that name, or null. */
const ParamValue *Value(const Element &e, const char *name)
{
    uintptr_t at = ((uintptr_t)e.type >> 4) * 0x9E3779B97F4A7C15ull + (uintptr_t)name;
    FoundParam &f = g_foundParams[(at ^ (at >> 29)) & 255];
    if (f.type != e.type || f.name != name) {
        f = {e.type, name, -1};
        const size_t length = std::strlen(name);
        for (size_t i = 0; e.type && i < e.type->params.size() && f.index < 0; i++) {
            const std::string &own = e.type->params[i].name;
            if (own.size() == length && std::memcmp(own.data(), name, length) == 0)
                f.index = (int)i;
        }
    }
    return f.index >= 0 && (size_t)f.index < e.values.size() ? &e.values[(size_t)f.index]
                                                              : nullptr;
}

float Param(const Element &e, const char *name, float fallback)
{
    const ParamValue *value = Value(e, name);
    float v = value ? value->v[0] : fallback;
    return std::isfinite(v) ? v : fallback;
}

/* Sizes and strengths: never negative, and small enough that products
 * of them stay finite floats. */
float NonNegative(const Element &e, const char *name, float fallback)
{
    return Clamp(Param(e, name, fallback), 0.0f, 1e6f);
}

void ColourParam(const Element &e, const char *name, float out[3])
{
    const ParamValue *v = Value(e, name);
    for (int k = 0; k < 3; k++)
        out[k] = v ? Clamp(v->v[k], 0.0f, 1e6f) : 1.0f;
}

const GradientValue *GradientParam(const Element &e, const char *name)
{
    const ParamValue *v = Value(e, name);
    return v && v->gradient.count() > 0 ? &v->gradient : nullptr;
}

int Sides(const Element &e)
{
    int sides = (int)Param(e, "shape", 0.0f);
    return sides >= 3 && sides <= 16 ? sides : 0;
}

/* ---- the scene every element draws into ---- */

struct Scene {
    Canvas canvas;
    ShapeList *shapes;         /* what the elements add */
    double lightX, lightY;     /* canvas pixels */
    double centreX, centreY;   /* the image centre, canvas pixels */
    float unit;                /* canvas pixels per size unit, scale included */
    float angle;               /* global rotation, radians */
    float glowSize;            /* size factors from the light's distance */
    float reflexSize;
    float axisScale = 1.0f;    /* reflex positions along the axis (one colour of a fringe) */
    float gain[3];             /* the flare's colour, intensity and light */
    float fade;                /* border, approach and distance fades */
    float seen;                /* the light's visibility (occlusion) */
};

/* Where a reflex sits: 0 at the light, 1 at the image centre, 2 at the
 * light's mirror image through the centre. */
void AxisPoint(const Scene &sc, float position, double *x, double *y)
{
    position *= sc.axisScale;
    *x = sc.lightX + position * (sc.centreX - sc.lightX);
    *y = sc.lightY + position * (sc.centreY - sc.lightY);
}

/* Whether a shape of that reach (flare-space pixels) around (cx, cy) can
 * touch the canvas; *far receives the largest distance a canvas pixel has
 * from (cx, cy), plus a margin, which bounds the shape's tables. */
bool Touches(const Scene &sc, double cx, double cy, double outer, float *far)
{
    const Canvas &c = sc.canvas;
    double s = c.stretch;
    double nx = std::max(0.0, std::max(-cx, cx - (c.width - 1)));
    double ny = std::max(0.0, std::max(-cy, cy - (c.height - 1))) * s;
    double fx = std::max(std::fabs(cx), std::fabs(cx - (c.width - 1)));
    double fy = std::max(std::fabs(cy), std::fabs(cy - (c.height - 1))) * s;
    *far = (float)std::min(1e30, std::sqrt(fx * fx + fy * fy) + 2.0);
    return !(nx * nx + ny * ny >= outer * outer);
}

/* A soft-edged disc: 1 inside, brighter towards the rim by brightEdge, a
 * smooth edge softPx wide centred on radius. */
float DiscProfile(float d, float radius, float softPx, float brightEdge)
{
    float edge = 1.0f - Smoothstep(radius - 0.5f * softPx, radius + 0.5f * softPx, d);
    float rim = Smoothstep(0.5f * radius, radius, d);
    return edge * (1.0f + brightEdge * rim * rim);
}

/* ---- tables kept between renders ----
 * A glow's, a streak's, a ring's or a starburst's table costs about as
 * much to fill at the preview size as drawing it does, and while the
 * light is dragged none changes: they depend on sizes, colours and the
 * seed, not on where the light is (unless the shape is wider than the
 * image, when the table's end follows the light).
 * A table is kept under a key holding every input it is made from, bit
 * for bit, so that a kept table is the one a fresh fill would give. */
/* The bytes of the key under construction: one key is built at a time,
 * while a render holds g_halfLock, into this one buffer, so that keys
 * cost no allocation; kept keys copy them. */
std::vector<unsigned char> g_keyBytes;

struct TableKey {
    std::vector<unsigned char> &bytes = g_keyBytes;
    uint64_t hash = 0xCBF29CE484222325ull;   /* FNV-1a of bytes: kept keys that differ rarely need a full compare */
    TableKey() { bytes.clear(); }
    void Add(const void *p, size_t n)
    {
        const unsigned char *b = static_cast<const unsigned char *>(p);
        bytes.insert(bytes.end(), b, b + n);
        for (size_t i = 0; i < n; i++)
            hash = (hash ^ b[i]) * 0x100000001B3ull;
    }
    void Add(float v) { Add(&v, sizeof v); }
    void Add(const GradientValue *g)
    {
        int32_t count = g ? g->count() : -1;
        Add(&count, sizeof count);
        if (g) {
            Add(g->offsets.data(), g->offsets.size() * sizeof(float));
            Add(g->colors.data(), g->colors.size() * sizeof(float));
        }
    }
};

template <class Table>
struct KeptTable {
    std::vector<unsigned char> key;
    uint64_t hash = 0;
    Table table;
    uint64_t render = 0;        /* the last render whose shapes read it */
};

/* Counts renders, so that a table a shape of the render under way reads is
 * not replaced before the shape is drawn: owned by RenderFlare. */
uint64_t g_render = 0;

/* A table that no render has read for this many renders is let go of, so
 * that memory follows the flares drawn lately rather than the largest one
 * ever drawn, while a flare drawn again soon (a preview between a
 * browser's pictures, an undo) still finds its tables. */
const uint64_t kIdleRenders = 64;

/* The tables of the renders so far, by key: used only while a render
 * holds g_halfLock.  Shapes read a kept table where it is, uncopied (a
 * starburst's is hundreds of kilobytes).  A table not kept is filled in
 * place of one that no shape of the render under way reads, or in a new
 * slot when every slot serves it: a flare of thousands of elements, each
 * with tables of its own, keeps them all, and the render after an edit
 * fills only what changed, without fetching fresh memory.  Renders ask
 * for their tables in the same order as the render before, so the slot
 * after the last one found is tried before the index. */
template <class Table>
struct TableMemo {
    std::deque<KeptTable<Table>> slot;
    std::unordered_map<uint64_t, size_t> byHash;
    size_t next = 0, after = 0;
    size_t serving = 0;            /* slots read by the render under way */
    uint64_t servingRender = 0;

    bool Holds(size_t i, const TableKey &key) const
    {
        if (i >= slot.size())
            return false;
        const KeptTable<Table> &k = slot[i];
        return k.hash == key.hash && !k.key.empty() && k.key == key.bytes;
    }
    void Serve(size_t i)
    {
        if (servingRender != g_render) {
            servingRender = g_render;
            serving = 0;
        }
        if (slot[i].render != g_render)
            serving++;
        slot[i].render = g_render;
        after = i + 1;
    }
    const KeptTable<Table> *Find(const TableKey &key)
    {
        size_t i = after;
        if (!Holds(i, key)) {
            auto at = byHash.find(key.hash);
            if (at == byHash.end() || !Holds(at->second, key))
                return nullptr;
            i = at->second;
        }
        Serve(i);
        return &slot[i];
    }
    /* A slot for a new key, serving the render under way. */
    size_t Claim(const TableKey &key)
    {
        size_t i = slot.size();
        if (slot.empty() || (servingRender == g_render && serving >= slot.size())) {
            slot.emplace_back();
        } else {
            while (slot[next].render == g_render)
                next = (next + 1) % slot.size();
            i = next;
            next = (next + 1) % slot.size();
            auto at = byHash.find(slot[i].hash);
            if (at != byHash.end() && at->second == i)
                byHash.erase(at);
        }
        Serve(i);
        slot[i].key = key.bytes;
        slot[i].hash = key.hash;
        byHash[key.hash] = i;
        return i;
    }
    void Forget() { *this = TableMemo(); }
    /* Lets go of every table no render has read for the last idleRenders
     * renders; the slots stay for new keys, and empty ones at the end go. */
    void LetGoOfIdle(uint64_t idleRenders)
    {
        for (size_t i = 0; i < slot.size(); i++) {
            KeptTable<Table> &k = slot[i];
            if (k.key.empty() || k.render + idleRenders > g_render)
                continue;
            auto at = byHash.find(k.hash);
            if (at != byHash.end() && at->second == i)
                byHash.erase(at);
            k = KeptTable<Table>();
        }
        while (!slot.empty() && slot.back().key.empty() && slot.back().render != g_render)
            slot.pop_back();
        next = slot.empty() ? 0 : next % slot.size();
        after = std::min(after, slot.size());
    }
    size_t Kept() const
    {
        return (size_t)std::count_if(slot.begin(), slot.end(),
                                     [](const KeptTable<Table> &k) { return !k.key.empty(); });
    }
    /* The table kept under key, or else one made by fill(table) and then
     * kept; null when fill returns false (nothing to draw, nothing kept).
     * A fill may draw on the element's random sequence (the key then
     * holds its state): an element draws nothing after its table, so a
     * kept table need not leave the sequence where the fill would have. */
    template <class Fill>
    const Table *KeptOrFilled(const TableKey &key, Fill fill)
    {
        if (const KeptTable<Table> *kept = Find(key))
            return &kept->table;
        size_t i = Claim(key);
        if (fill(&slot[i].table))
            return &slot[i].table;
        byHash.erase(key.hash);
        slot[i].key.clear();
        slot[i].render = 0;
        serving--;
        return nullptr;
    }
};

TableMemo<RadialTable> g_glowTables;
TableMemo<StreakTable> g_streakTables;
TableMemo<RadialTable> g_ringTables;
TableMemo<RayTable> g_rayTables;
/* Reflex discs are small, but a chain has many, and a drag moves them
 * without changing one. */
TableMemo<RadialTable> g_discTables;

/* Dust and smudges for a ghost or glow: a smooth noise of a few blotches
 * across the tile and small dark and bright specks, made from the
 * element's own random sequence (a copy, so its other random choices stay
 * as they are).  1 where strength is 0; the mean stays near 1. */
struct Texels {
    std::shared_ptr<const std::vector<float>> texel;
    float brightest = 1.0f;
};

void FillTexels(Texels *tile, const Random &random, float strength)
{
    Random r = random;
    r.state ^= 0xD1B54A32D192ED03ull;
    const int n = Texture::kSize, cells = 8, cell = n / cells;
    float lattice[cells * cells];
    for (float &v : lattice)
        v = r.Next();
    std::vector<float> texel((size_t)n * n, 0.0f);
    for (int v = 0; v < n; v++)
        for (int u = 0; u < n; u++) {
            int i = u / cell, j = v / cell;
            float fu = Smoothstep(0.0f, 1.0f, (float)(u % cell) / cell);
            float fv = Smoothstep(0.0f, 1.0f, (float)(v % cell) / cell);
            auto at = [&](int a, int b) { return lattice[(b % cells) * cells + a % cells]; };
            float top = at(i, j) + fu * (at(i + 1, j) - at(i, j));
            float bottom = at(i, j + 1) + fu * (at(i + 1, j + 1) - at(i, j + 1));
            texel[(size_t)v * n + u] = top + fv * (bottom - top);
        }
    for (int speck = 0; speck < 48; speck++) {
        int u0 = (int)(r.Next() * n), v0 = (int)(r.Next() * n);
        float size = 0.6f + 1.4f * r.Next(), value = r.Next() < 0.7f ? -1.0f : 1.5f;
        for (int dv = -2; dv <= 2; dv++)
            for (int du = -2; du <= 2; du++) {
                float w = 1.0f - Smoothstep(0.0f, size, std::sqrt((float)(du * du + dv * dv)));
                float &t = texel[(size_t)((v0 + dv) & (n - 1)) * n + ((u0 + du) & (n - 1))];
                t += w * value;
            }
    }
    float brightest = 0.0f;
    for (float &t : texel) {
        t = std::max(0.0f, 1.0f + strength * (t - 0.5f));
        brightest = std::max(brightest, t);
    }
    tile->texel = std::make_shared<const std::vector<float>>(std::move(texel));
    tile->brightest = brightest;
}

/* The tiles made so far, so that a preview drag (and the three colours of
 * a fringed ghost) does not make them again. */
TableMemo<Texels> g_textures;

bool MakeTexture(Texture *tex, const Element &e, const Random &random, float radiusPx)
{
    float strength = Clamp(Param(e, "dust", 0.0f), 0.0f, 1.0f);
    if (!(strength > 0.0f) || !(radiusPx > 0.0f))
        return false;
    tex->perPixel = 0.5f * Texture::kSize / radiusPx;   /* the tile spans the shape's diameter */
    tex->shift = 0.5f * Texture::kSize;
    TableKey key;
    key.Add(&random.state, sizeof random.state);
    key.Add(strength);
    const Texels *tile = g_textures.KeptOrFilled(key, [&](Texels *fresh) {
        FillTexels(fresh, random, strength);
        return true;
    });
    tex->texel = tile->texel;
    tex->brightest = tile->brightest;
    return true;
}

/* The end of a table FillRadial makes for [inner, outer) with that reach:
 * all it takes of the reach. */
float TableEnd(float inner, float outer, float reach)
{
    float in = inner > 0.0f ? inner : 0.0f;
    float out = outer > in ? outer : in;
    return out < reach ? out : reach;
}

/* ---- the element types' drawing ---- */

/* What a glow draws, in canvas pixels, from its parameters. */
struct GlowLook {
    float size;                  /* the glow's radius, at least a pixel */
    int falloff;                 /* 0 Gaussian, 1 inverse square, 2 linear */
    float sharpness, hotspot;
    float tail, tailReach;       /* the wide tail; tailReach is size without one */
    float k[3];                  /* colour times gain and strength */
    const GradientValue *gradient;
};

/* The glow's look and centre; false when it has no size. */
bool ReadGlow(const Scene &sc, const Element &e, const float gain[3], GlowLook *g, double *cx,
              double *cy)
{
    float radius = NonNegative(e, "radius", 0.6f) * sc.unit * sc.glowSize;
    if (!(radius > 0.0f))
        return false;
    g->size = std::max(radius, 1.0f);
    float energy = (radius / g->size) * (radius / g->size);
    float colour[3];
    ColourParam(e, "color", colour);
    float strength = NonNegative(e, "intensity", 1.0f) * energy;
    g->falloff = (int)Param(e, "falloff", 1.0f);
    g->sharpness = Clamp(Param(e, "sharpness", 2.0f), 0.01f, 100.0f);
    g->hotspot = NonNegative(e, "hotspot", 0.0f);
    /* the wide tail: an inverse cube of the distance past a core of a
     * tenth of its reach, as light scattered in glass and film falls off */
    g->tail = NonNegative(e, "tail", 0.0f);
    g->tailReach = NonNegative(e, "tailradius", 0.0f) * sc.unit * sc.glowSize;
    if (!(g->tail > 0.0f) || !(g->tailReach > g->size))
        g->tailReach = g->size;
    g->gradient = GradientParam(e, "gradient");
    for (int i = 0; i < 3; i++)
        g->k[i] = gain[i] * colour[i] * strength;
    *cx = sc.lightX;
    *cy = sc.lightY;
    if (const ParamValue *offset = Value(e, "offset")) {
        float ox = Clamp(offset->v[0], -1e4f, 1e4f), oy = Clamp(offset->v[1], -1e4f, 1e4f);
        *cx += ox * sc.unit;
        *cy += oy * sc.unit / sc.canvas.stretch;
    }
    return true;
}

void FillGlow(RadialTable *t, const GlowLook &g, float far, float faint)
{
    const float tailCore = 0.1f * g.tailReach;
    FillRadial(t, 0.0f, g.tailReach, far, [&](float d, float rgb[3]) {
        float u = std::min(d / g.size, 1.0f), u2 = u * u;
        float window = (1.0f - u2 * u2) * (1.0f - u2 * u2);
        float p;
        if (g.falloff == 0)
            p = std::exp(-2.0f * g.sharpness * u2);
        else if (g.falloff == 2)
            p = std::pow(std::max(0.0f, 1.0f - u), g.sharpness);
        else
            p = 1.0f / (1.0f + 4.0f * g.sharpness * g.sharpness * u2);
        p = p * window + g.hotspot * std::exp(-u2 * 400.0f);
        if (g.tailReach > g.size) {
            float q = std::min(d / g.tailReach, 1.0f), q2 = q * q;
            float s = 1.0f + (d / tailCore) * (d / tailCore);
            p += g.tail * (1.0f - q2) * (1.0f - q2) / (s * std::sqrt(s));
        }
        float c[3];
        GradientAt(g.gradient, u, c);
        for (int i = 0; i < 3; i++)
            rgb[i] = g.k[i] * c[i] * p;
    }, 2.0f, faint);
}

void DrawGlow(Scene &sc, const Element &e, const float gain[3], Random &random)
{
    GlowLook g;
    double cx, cy;
    float far;
    if (!ReadGlow(sc, e, gain, &g, &cx, &cy) || !Touches(sc, cx, cy, g.tailReach, &far))
        return;
    Texture texture;
    bool textured = MakeTexture(&texture, e, random, g.size);
    const float faint = kFaint / (textured ? texture.brightest : 1.0f);
    const Texture *kept = textured ? KeepTexture(sc.shapes, texture) : nullptr;
    TableKey key;
    for (float v : {g.size, (float)g.falloff, g.sharpness, g.hotspot, g.tail, g.tailReach, g.k[0],
                    g.k[1], g.k[2], faint, TableEnd(0.0f, g.tailReach, far)})
        key.Add(v);
    key.Add(g.gradient);
    const RadialTable *t =
        g_glowTables.KeptOrFilled(key, [&](RadialTable *fresh) {
            FillGlow(fresh, g, far, faint);
            return true;
        });
    AddRadial(sc.shapes, sc.canvas, cx, cy, *t, kept);
}

/* A ring of the given radius and width (canvas pixels) around (cx, cy),
 * coloured across its width by the gradient (inner edge 0, outer 1).  The
 * profile across the ring is averaged over a pixel's width, so each table
 * entry holds the light a pixel there catches: a ring of a tenth of a
 * pixel draws as a faint, unbroken line of the right brightness, and a
 * wide flat one gets one-pixel edges.  Thin rings are sampled finely
 * enough that where a pixel's centre falls does not show. */
const int kRingSamples = 16;      /* across the filter's reach, per entry */
const float kRingFilter = 1.5f;   /* the reach of a quadratic B-spline */

void FillRing(RadialTable *t, float radius, float width, float softness,
              const GradientValue *gradient, const float k[3], float far)
{
    const float half = 0.5f * width, lo = radius - half, hi = radius + half;
    FillRadial(
        t, lo - kRingFilter, hi + kRingFilter, far,
        [&](float d, float rgb[3]) {
            rgb[0] = rgb[1] = rgb[2] = 0.0f;
            float from = std::max(d - kRingFilter, lo), to = std::min(d + kRingFilter, hi);
            if (!(to > from))
                return;
            float step = (to - from) / kRingSamples;
            for (int s = 0; s < kRingSamples; s++) {
                float at = from + (s + 0.5f) * step;
                float x = (at - radius) / half;
                float bump = (1.0f - x * x) * (1.0f - x * x);
                float u = std::fabs(at - d);
                float spline = u < 0.5f ? 0.75f - u * u : 0.5f * (1.5f - u) * (1.5f - u);
                float v = (1.0f + (bump - 1.0f) * softness) * step * spline;
                float c[3];
                GradientAt(gradient, 0.5f * (x + 1.0f), c);
                for (int i = 0; i < 3; i++)
                    rgb[i] += k[i] * c[i] * v;
            }
        },
        width < 4.0f ? 16.0f : 4.0f);
}

void DrawRing(Scene &sc, double cx, double cy, float radius, float width, float softness,
              const GradientValue *gradient, const float k[3])
{
    const float half = 0.5f * width;
    if (!(radius > 0.0f) || !(half > 0.0f))
        return;
    const float lo = radius - half, hi = radius + half;
    float far;
    if (!Touches(sc, cx, cy, hi + 1.0f, &far))
        return;
    TableKey key;
    for (float v : {radius, width, softness, k[0], k[1], k[2],
                    TableEnd(lo - kRingFilter, hi + kRingFilter, far)})
        key.Add(v);
    key.Add(gradient);
    const RadialTable *t =
        g_ringTables.KeptOrFilled(key, [&](RadialTable *fresh) {
            FillRing(fresh, radius, width, softness, gradient, k, far);
            return true;
        });
    AddRadial(sc.shapes, sc.canvas, cx, cy, *t);
}

void DrawAnnulus(Scene &sc, const Element &e, const float gain[3], Random &)
{
    float radius = NonNegative(e, "radius", 0.5f) * sc.unit * sc.glowSize;
    float width = NonNegative(e, "width", 0.2f) * radius;
    float softness = Clamp(Param(e, "softness", 1.0f), 0.0f, 1.0f);
    float colour[3], k[3];
    ColourParam(e, "color", colour);
    float strength = NonNegative(e, "intensity", 1.0f);
    for (int i = 0; i < 3; i++)
        k[i] = gain[i] * colour[i] * strength;
    DrawRing(sc, sc.lightX, sc.lightY, radius, width, softness, GradientParam(e, "gradient"), k);
}

/* What a streak element draws, in canvas pixels, from its parameters. */
struct StreakLook {
    float length;
    int count;
    float angle;                 /* of the first streak, radians */
    float w;                     /* line width, at least kMinLine */
    bool symmetric;              /* through the light, else from it */
    float randomLength, taper;
    float rgb[3];
};

/* The streaks' look; false when they have no length or thickness. */
bool ReadStreaks(const Scene &sc, const Element &e, const float gain[3], StreakLook *look)
{
    look->length = NonNegative(e, "length", 1.0f) * sc.unit * sc.glowSize;
    look->count = (int)Clamp(std::round(Param(e, "count", 1.0f)), 1.0f, 64.0f);
    look->angle = sc.angle + Param(e, "angle", 0.0f) * kDegrees;
    float thickness = NonNegative(e, "thickness", 0.01f) * sc.unit;
    look->symmetric = Param(e, "symmetric", 1.0f) >= 0.5f;
    look->randomLength = Clamp(Param(e, "randomlength", 0.0f), 0.0f, 1.0f);
    look->taper = Clamp(Param(e, "taper", 1.5f), 0.05f, 50.0f);
    if (!(look->length > 0.0f) || !(thickness > 0.0f))
        return false;
    look->w = std::max(thickness, kMinLine);
    float colour[3];
    ColourParam(e, "color", colour);
    float strength = NonNegative(e, "intensity", 1.0f) * thickness / look->w;
    for (int i = 0; i < 3; i++)
        look->rgb[i] = gain[i] * colour[i] * strength;
    return true;
}

/* Across: a sharp core and a faint wide sheen, ending smoothly; the table
 * ends where the canvas does. */
void FillAcross(StreakTable *t, float w, float far)
{
    int nAcross = (int)(std::min(t->acrossMax, far) * t->acrossPerPixel) + 1;
    t->across.assign(nAcross + 1, 0.0f);
    for (int i = 0; i < nAcross; i++) {
        float p = ((float)i + 0.5f) / t->acrossPerPixel;
        float q = p / t->acrossMax, window = (1.0f - q * q) * (1.0f - q * q);
        float core = std::exp(-(p / w) * (p / w));
        float sheen = 0.12f * std::exp(-(p / (4.0f * w)) * (p / (4.0f * w)));
        t->across[i] = q < 1.0f ? Audible((core + sheen) * window) : 0.0f;
    }
}

/* Along a streak of length l from t->alongMin to t->alongMax. */
void FillAlong(StreakTable *t, float l, const StreakLook &look)
{
    t->alongPerPixel = std::min(1.0f, 65536.0f / (t->alongMax - t->alongMin));
    int nAlong = (int)((t->alongMax - t->alongMin) * t->alongPerPixel) + 1;
    t->along.assign(nAlong + 1, 0.0f);
    for (int i = 0; i < nAlong; i++) {
        float a = t->alongMin + ((float)i + 0.5f) / t->alongPerPixel;
        float v;
        if (a < 0.0f && !look.symmetric)
            v = Smoothstep(-2.0f * look.w, 0.0f, a);
        else
            v = std::pow(std::max(0.0f, 1.0f - std::fabs(a) / l), look.taper);
        t->along[i] = Audible(v);
    }
}

void DrawStreaks(Scene &sc, const Element &e, const float gain[3], Random &random)
{
    StreakLook look;
    float far;
    if (!ReadStreaks(sc, e, gain, &look) ||
        !Touches(sc, sc.lightX, sc.lightY, look.length + 10.0f * look.w, &far))
        return;
    /* the across table is filled only for a streak whose table is not
     * kept (the keys hold what it is made from) */
    StreakTable t;
    t.acrossMax = 10.0f * look.w;
    t.acrossPerPixel = std::min(4.0f, 4096.0f / std::min(t.acrossMax, far));
    const float brightest = std::max(look.rgb[0], std::max(look.rgb[1], look.rgb[2]));
    double step = (look.symmetric ? kPi : 2.0 * kPi) / look.count;
    for (int s = 0; s < look.count; s++) {
        float l = look.length * (1.0f - look.randomLength * random.Next());
        if (!(l > 0.5f))
            continue;
        /* one-sided rays start with a short fade just behind the light */
        t.alongMin = std::max(look.symmetric ? -l : -2.0f * look.w, -far);
        t.alongMax = std::min(l, far);
        TableKey key;
        for (float v : {l, look.w, look.taper, look.symmetric ? 1.0f : 0.0f, t.alongMin,
                        t.alongMax, TableEnd(0.0f, t.acrossMax, far), brightest})
            key.Add(v);
        const StreakTable *one =
            g_streakTables.KeptOrFilled(key, [&](StreakTable *fresh) {
                if (t.across.empty())
                    FillAcross(&t, look.w, far);
                FillAlong(&t, l, look);
                *fresh = t;
                return TrimStreak(fresh, brightest, kFaint);
            });
        double theta = look.angle + s * step;
        if (one)
            AddStreak(sc.shapes, sc.canvas, sc.lightX, sc.lightY, (float)std::cos(theta),
                      (float)std::sin(theta), look.rgb, *one);
    }
}

/* The true angle at the middle of each of count equal steps of the
 * pseudo-angle, per count (a power of two): made once, kept for later
 * renders; used only while a render holds g_halfLock. */
std::map<int, std::vector<float>> g_subAngles;

const std::vector<float> &SubAngles(int count)
{
    std::vector<float> &angles = g_subAngles[count];
    if (angles.empty()) {
        angles.resize(count);
        for (int j = 0; j < count; j++) {
            float pa = ((float)j + 0.5f) * 4.0f / count;
            float x = pa < 1 ? 1 - pa : pa < 3 ? std::fabs(pa - 2) - 1 : pa - 3;
            float y = pa < 2 ? 1 - std::fabs(pa - 1) : std::fabs(pa - 3) - 1;
            angles[j] = (float)std::atan2(y, x);
        }
    }
    return angles;
}

/* What a starburst or shimmer draws, in canvas pixels, from its
 * parameters. */
struct RayLook {
    float radius;
    int rays;
    float randomness, sharpness;
    float rotation;                                 /* radians */
    float k[3];                                     /* colour times gain and strength */
    const GradientValue *gradient;
    const std::vector<unsigned char> *pattern;      /* null, or relative ray lengths */
};

void ReadRays(const Scene &sc, const Element &e, const float gain[3], RayLook *look)
{
    look->radius = NonNegative(e, "radius", 0.5f) * sc.unit * sc.glowSize;
    look->rays = (int)Clamp(std::round(Param(e, "rays", 32.0f)), 1.0f, 2000.0f);
    look->randomness = Clamp(Param(e, "randomness", 0.5f), 0.0f, 1.0f);
    look->sharpness = Clamp(Param(e, "sharpness", 3.0f), 0.01f, 100.0f);
    look->rotation = sc.angle + Param(e, "angle", 0.0f) * kDegrees;
    const ParamValue *patternValue = Value(e, "raypattern");
    look->pattern =
        patternValue && !patternValue->data.empty() ? &patternValue->data : nullptr;
    float colour[3];
    ColourParam(e, "color", colour);
    float strength = NonNegative(e, "intensity", 1.0f);
    for (int i = 0; i < 3; i++)
        look->k[i] = gain[i] * colour[i] * strength;
    look->gradient = GradientParam(e, "gradient");
}

/* Samples a bin of the angle table: each bin holds its rays' mean, not a
 * point of them. */
const int kRaySamples = 4;

/* Angular resolution, in bins of the full turn: about a pixel and a half
 * along the outer rim, but coarser when many wide rays would make filling
 * the table slow (such rays overlap into a smooth pattern anyway). */
int RayBins(const RayLook &look)
{
    double typicalHalf = std::min(kPi, kPi / look.rays / look.sharpness);
    double binBudget = 1e6 * kPi / (look.rays * typicalHalf);
    int n = 256;
    while (n < 16384 && n < 1.5f * 2.0f * kPi * look.radius && 2.0 * n <= binBudget)
        n *= 2;
    return n;
}

/* Draws the rays, at random angles, widths and lengths, into n bins: the
 * strength of each bin and the sum of its strengths times lengths. */
void SpreadRays(const RayLook &look, int n, Random &random, std::vector<float> *binStrength,
                std::vector<float> *lengthSum)
{
    const int rays = look.rays;
    const std::vector<float> &subAngle = SubAngles(kRaySamples * n);
    float binWidth = (float)(2.0 * kPi / n);
    for (int i = 0; i < rays; i++) {
        double theta = look.rotation +
                       2.0 * kPi * (i + 0.8 * look.randomness * (random.Next() - 0.5)) / rays;
        float amplitude = 1.0f - 0.7f * look.randomness * random.Next();
        float length = 1.0f - 0.75f * look.randomness * random.Next();
        if (look.pattern)
            length *= 0.25f + 0.75f * (*look.pattern)[i % look.pattern->size()] / 255.0f;
        float half = (float)(kPi / rays) / look.sharpness * (0.6f + 0.8f * random.Next());
        float halfDrawn = Clamp(half, binWidth, (float)kPi);
        amplitude *= half / halfDrawn / kRaySamples;
        int from = (int)(PseudoAngle((float)std::cos(theta - halfDrawn),
                                     (float)std::sin(theta - halfDrawn)) * n / 4.0f) & (n - 1);
        int to = (int)(PseudoAngle((float)std::cos(theta + halfDrawn),
                                   (float)std::sin(theta + halfDrawn)) * n / 4.0f) & (n - 1);
        int bins = halfDrawn * 2.0f >= 2.0f * kPi - binWidth ? n : ((to - from) & (n - 1)) + 1;
        double thetaWrapped = std::remainder(theta, 2.0 * kPi);   /* like atan2: -pi .. pi */
        for (int b = 0, j = from; b < bins; b++, j = (j + 1) & (n - 1)) {
            float wt = 0.0f;
            for (int q = 0; q < kRaySamples; q++) {
                float dTheta = (float)(subAngle[kRaySamples * j + q] - thetaWrapped);
                dTheta -= dTheta > (float)kPi ? (float)(2.0 * kPi) : dTheta < (float)-kPi ? (float)(-2.0 * kPi) : 0.0f;
                float x = dTheta / halfDrawn;
                if (std::fabs(x) < 1.0f)
                    wt += (1.0f - x * x) * (1.0f - x * x);
            }
            (*binStrength)[j] += Audible(amplitude * wt);
            (*lengthSum)[j] += amplitude * wt * length;
        }
    }
}

/* Coarser copies of the pattern for pixels that span several bins: each
 * level a tent filter over twice the previous one's reach, the last one
 * repeated so that a pixel may blend a level with the next.  A level's
 * rays reach as far as the longest ray it blends, so that the tips of
 * long rays do not dim where a short one lies beside.  Fills t's angle
 * table; returns the strongest bin of any level. */
float FillRayLevels(RayTable *t, int n, float radius, std::vector<float> &binStrength,
                    const std::vector<float> &lengthSum)
{
    int levels = 1;
    while ((2 << levels) <= n)
        levels++;
    t->angleCount = n;
    t->levelCount = levels;
    std::vector<float> levelStrength((size_t)(levels + 1) * n), levelInverse((size_t)(levels + 1) * n);
    std::vector<float> reach(n), nextStrength(n), nextReach(n);
    for (int j = 0; j < n; j++)
        reach[j] = binStrength[j] > 0.0f ? lengthSum[j] / binStrength[j] : 0.0f;
    for (int level = 0; level <= levels; level++) {
        float *S = &levelStrength[(size_t)level * n], *I = &levelInverse[(size_t)level * n];
        for (int j = 0; j < n; j++) {
            S[j] = binStrength[j];
            I[j] = reach[j] > 0.0f ? 1.0f / (reach[j] * radius) : 0.0f;
        }
        int stride = 1 << level;
        if (level + 1 >= levels)
            continue;
        for (int j = 0; j < n; j++) {
            int a = (j - stride) & (n - 1), b = (j + stride) & (n - 1);
            nextStrength[j] =
                Audible(0.25f * binStrength[a] + 0.5f * binStrength[j] + 0.25f * binStrength[b]);
            nextReach[j] = std::max(reach[j], std::max(reach[a], reach[b]));
        }
        binStrength.swap(nextStrength);
        reach.swap(nextReach);
    }
    t->angular.resize((size_t)4 * levels * n);
    for (size_t j = 0; j < (size_t)levels * n; j++) {
        float *a = &t->angular[4 * j];
        a[0] = levelStrength[j];
        a[1] = levelInverse[j];
        a[2] = levelStrength[j + n];
        a[3] = levelInverse[j + n];
    }
    return *std::max_element(levelStrength.begin(), levelStrength.end());
}

/* The colour by distance, with the level a pixel there reads in its
 * fourth float. */
void FillRayColour(RayTable *t, const RayLook &look, float far, float strongest)
{
    const float radius = look.radius;
    /* rays fade in off the centre, where they would crowd into moire */
    float fadeIn = 3.0f + 0.04f * radius;
    FillRadial(&t->colour, 0.0f, radius, far, [&](float d, float rgb[3]) {
        float c[3];
        GradientAt(look.gradient, d / radius, c);
        float f = Smoothstep(0.0f, fadeIn, d);
        for (int i = 0; i < 3; i++)
            rgb[i] = look.k[i] * c[i] * f;
    }, 2.0f, strongest > 0.0f ? kFaint / strongest : kFaint);
    /* a pixel at distance d spans about n / (2 pi d) bins */
    for (int i = 0; i <= t->colour.count; i++) {
        float d = ((float)i + 0.5f) / t->colour.perPixel;
        float bins = (float)t->angleCount / (2.0f * (float)kPi * d);
        t->colour.rgbx[4 * (size_t)i + 3] =
            Clamp(std::log2(std::max(bins, 1.0f)), 0.0f, (float)(t->levelCount - 1));
    }
}

void FillRays(RayTable *t, const RayLook &look, float far, Random &random)
{
    int n = RayBins(look);
    std::vector<float> binStrength(n, 0.0f), lengthSum(n, 0.0f);
    SpreadRays(look, n, random, &binStrength, &lengthSum);
    float strongest = FillRayLevels(t, n, look.radius, binStrength, lengthSum);
    t->envelopeCount = 256;
    FillRayColour(t, look, far, strongest);
}

void DrawRayElement(Scene &sc, const Element &e, const float gain[3], Random &random)
{
    RayLook look;
    ReadRays(sc, e, gain, &look);
    float far;
    if (!(look.radius > 1.0f) || !Touches(sc, sc.lightX, sc.lightY, look.radius, &far))
        return;
    TableKey key;
    for (float v : {look.radius, (float)look.rays, look.randomness, look.sharpness, look.rotation,
                    look.k[0], look.k[1], look.k[2], TableEnd(0.0f, look.radius, far)})
        key.Add(v);
    key.Add(look.gradient);
    key.Add(&random.state, sizeof random.state);
    int32_t patternSize = look.pattern ? (int32_t)look.pattern->size() : -1;
    key.Add(&patternSize, sizeof patternSize);
    if (look.pattern)
        key.Add(look.pattern->data(), look.pattern->size());
    const RayTable *t = g_rayTables.KeptOrFilled(key, [&](RayTable *fresh) {
        FillRays(fresh, look, far, random);
        return true;
    });
    AddRays(sc.shapes, sc.canvas, sc.lightX, sc.lightY, *t);
}

/* How a disc or polygon reflex looks, apart from its place and colour. */
struct DiscLook {
    int sides;            /* 0 round, else the aperture's blade count */
    float rotation;       /* radians */
    float roundness;      /* 0 sharp corners .. 1 round */
    float softness;       /* edge width, a fraction of the radius */
    float brightEdge;     /* extra brightness towards the rim */
    const Texture *texture;
};

/* One disc or polygon reflex of radius (canvas pixels) at (cx, cy). */
void DrawDisc(Scene &sc, double cx, double cy, float radius, const DiscLook &look,
              const float k[3])
{
    if (!(radius > 0.0f))
        return;
    float size = std::max(radius, 1.0f);
    float energy = (radius / size) * (radius / size);
    float softPx = std::max(look.softness * size, 1.0f);
    float kk[3] = {k[0] * energy, k[1] * energy, k[2] * energy};
    float far;
    if (!Touches(sc, cx, cy, size + 0.5f * softPx, &far))
        return;
    const Texture *texture = nullptr;
    if (look.texture) {   /* the tile spans each reflex's own diameter */
        Texture scaled = *look.texture;
        scaled.perPixel = 0.5f * Texture::kSize / size;
        texture = KeepTexture(sc.shapes, scaled);
    }
    /* a polygon's own radius is at most twice a pixel's distance */
    const float outer = size + 0.5f * softPx, reach = 2.0f * far;
    const float faint = kFaint / (texture ? texture->brightest : 1.0f);
    TableKey key;
    for (float v : {size, softPx, look.brightEdge, kk[0], kk[1], kk[2], faint,
                    TableEnd(0.0f, outer, reach)})
        key.Add(v);
    const RadialTable *table =
        g_discTables.KeptOrFilled(key, [&](RadialTable *fresh) {
            FillRadial(fresh, 0.0f, outer, reach, [&](float d, float rgb[3]) {
                float v = DiscProfile(d, size, softPx, look.brightEdge);
                for (int i = 0; i < 3; i++)
                    rgb[i] = kk[i] * v;
            }, 2.0f, faint);
            return true;
        });
    AddPolygon(sc.shapes, sc.canvas, cx, cy, look.sides, look.rotation, look.roundness,
               *table, texture);
}

DiscLook ReadDiscLook(const Element &e, float rotation, float softness, float brightEdge)
{
    DiscLook look;
    look.sides = Sides(e);
    look.rotation = rotation;
    look.roundness = Clamp(Param(e, "roundness", 0.0f), 0.0f, 1.0f);
    look.softness = Clamp(Param(e, "softness", softness), 0.0f, 1.0f);
    look.brightEdge = NonNegative(e, "brightedge", brightEdge);
    look.texture = nullptr;
    return look;
}

void DrawReflexChain(Scene &sc, const Element &e, const float gain[3], Random &random)
{
    int count = (int)Clamp(std::round(Param(e, "count", 5.0f)), 1.0f, 200.0f);
    float start = Clamp(Param(e, "start", 0.3f), -1e3f, 1e3f);
    float end = Clamp(Param(e, "end", 1.9f), -1e3f, 1e3f);
    float radius = NonNegative(e, "radius", 0.06f) * sc.unit * sc.reflexSize;
    float variation = Clamp(Param(e, "sizevariation", 0.5f), 0.0f, 1.0f);
    float strength = NonNegative(e, "intensity", 1.0f);
    const GradientValue *gradient = GradientParam(e, "gradient");
    DiscLook look = ReadDiscLook(e, sc.angle, 0.3f, 0.15f);
    Texture texture;
    if (MakeTexture(&texture, e, random, radius))
        look.texture = &texture;
    for (int i = 0; i < count; i++) {
        float along = count > 1 ? (float)i / (count - 1) : 0.5f;
        float jitter = (random.Next() - 0.5f) * 0.5f / count;
        float size = radius * (1.0f - variation * random.Next());
        float bright = strength * (0.45f + 0.55f * random.Next());
        float c[3], k[3];
        GradientAt(gradient, along, c);
        for (int j = 0; j < 3; j++)
            k[j] = gain[j] * c[j] * bright;
        double x, y;
        AxisPoint(sc, start + (end - start) * Clamp(along + jitter, 0.0f, 1.0f), &x, &y);
        texture.shift = 0.5f * Texture::kSize + 23.0f * i;   /* each reflex its own dust */
        DrawDisc(sc, x, y, size, look, k);
    }
}

void DrawDiscReflex(Scene &sc, const Element &e, const float gain[3], Random &random)
{
    double x, y;
    AxisPoint(sc, Clamp(Param(e, "position", 1.0f), -1e3f, 1e3f), &x, &y);
    float radius = NonNegative(e, "radius", 0.1f) * sc.unit * sc.reflexSize;
    float colour[3], k[3];
    ColourParam(e, "color", colour);
    float strength = NonNegative(e, "intensity", 1.0f);
    for (int i = 0; i < 3; i++)
        k[i] = gain[i] * colour[i] * strength;
    DiscLook look = ReadDiscLook(e, sc.angle + Param(e, "rotation", 0.0f) * kDegrees, 0.2f, 0.0f);
    Texture texture;
    if (MakeTexture(&texture, e, random, radius))
        look.texture = &texture;
    DrawDisc(sc, x, y, radius, look, k);
}

void DrawRingReflex(Scene &sc, const Element &e, const float gain[3], Random &)
{
    double x, y;
    AxisPoint(sc, Clamp(Param(e, "position", 1.0f), -1e3f, 1e3f), &x, &y);
    float radius = NonNegative(e, "radius", 0.2f) * sc.unit * sc.reflexSize;
    float width = NonNegative(e, "width", 0.1f) * radius;
    float colour[3], k[3];
    ColourParam(e, "color", colour);
    float strength = NonNegative(e, "intensity", 1.0f);
    for (int i = 0; i < 3; i++)
        k[i] = gain[i] * colour[i] * strength;
    DrawRing(sc, x, y, radius, width, 1.0f, GradientParam(e, "gradient"), k);
}

void DrawPrismReflex(Scene &sc, const Element &e, const float gain[3], Random &)
{
    double x, y;
    AxisPoint(sc, Clamp(Param(e, "position", 1.0f), -1e3f, 1e3f), &x, &y);
    float radius = NonNegative(e, "radius", 0.2f) * sc.unit * sc.reflexSize;
    if (!(radius > 0.0f))
        return;
    float size = std::max(radius, 1.0f);
    float energy = (radius / size) * (radius / size);
    float fill = NonNegative(e, "fill", 0.3f);
    float strength = NonNegative(e, "intensity", 1.0f) * energy;
    const GradientValue *gradient = GradientParam(e, "gradient");
    float softPx = std::max(0.04f * size, 1.0f);
    float far;
    if (!Touches(sc, x, y, size + 0.5f * softPx, &far))
        return;
    RadialTable &t = *NewRadialTable(sc.shapes);
    FillRadial(&t, 0.0f, size + 0.5f * softPx, far, [&](float d, float rgb[3]) {
        float u = d / size;
        float rim = Smoothstep(0.3f, 1.0f, u);
        float v = (fill + (1.0f - fill) * rim * rim) * DiscProfile(d, size, softPx, 0.0f);
        float c[3];
        GradientAt(gradient, u, c);
        for (int i = 0; i < 3; i++)
            rgb[i] = gain[i] * strength * c[i] * v;
    });
    AddRadial(sc.shapes, sc.canvas, x, y, t);
}

typedef void (*ElementDrawer)(Scene &, const Element &, const float *, Random &);
const ElementDrawer kDrawers[kRenderCount] = {
    DrawGlow,        DrawAnnulus,    DrawStreaks,    DrawRayElement,
    DrawReflexChain, DrawDiscReflex, DrawRingReflex, DrawPrismReflex,
};

/* Renderers centred on the light, which "glowbehindobjects" keeps lit. */
bool IsGlow(int renderer)
{
    return renderer == kRenderGlow || renderer == kRenderAnnulus || renderer == kRenderStreaks ||
           renderer == kRenderRays;
}

/* ---- what the buffer says about the light ---- */

/* Mean coverage over a disc around the light (samples inside the image
 * only, at most 9 x 9 of them); 1 when no sample falls inside. */
float MeanCoverage(const KaGBuffer *buffer, double x, double y, double radius)
{
    if (!buffer->coverage)
        return 1.0f;
    int steps = radius >= 1.0 ? 4 : 0;
    double step = steps ? radius / steps : 0.0;
    double sum = 0.0;
    int n = 0;
    for (int j = -steps; j <= steps; j++)
        for (int i = -steps; i <= steps; i++) {
            if (i * i + j * j > steps * steps)
                continue;
            double px = std::floor(x + i * step + 0.5), py = std::floor(y + j * step + 0.5);
            if (px < 0 || py < 0 || px >= buffer->width || py >= buffer->height)
                continue;
            float c = buffer->coverage[(size_t)py * buffer->width + (size_t)px];
            if (!std::isfinite(c))
                continue;
            sum += Clamp(c, 0.0f, 1.0f);
            n++;
        }
    return n ? (float)(sum / n) : 1.0f;
}

/* 0 on the border (and beyond), 1 from a tenth of the smaller side inside. */
float BorderFade(const KaGBuffer *buffer, double x, double y)
{
    double inside = std::min(std::min(x, buffer->width - 1 - x), std::min(y, buffer->height - 1 - y));
    double margin = std::max(1.0, 0.1 * std::min(buffer->width, buffer->height));
    return Smoothstep(0.0f, 1.0f, (float)(inside / margin));
}

/* refDistance over the light's distance (the depth at the light's pixel),
 * 1 when the buffer has no usable depth there. */
float DistanceRatio(const KaGBuffer *buffer, const Flare &flare, double x, double y)
{
    double px = std::floor(x + 0.5), py = std::floor(y + 0.5);
    if (!buffer->depth || px < 0 || py < 0 || px >= buffer->width || py >= buffer->height)
        return 1.0f;
    float depth = buffer->depth[(size_t)py * buffer->width + (size_t)px];
    if (!std::isfinite(depth) || depth <= 0.0f || !std::isfinite(flare.refDistance) ||
        flare.refDistance <= 0.0f)
        return 1.0f;
    return Clamp(flare.refDistance / depth, 0.0f, 1e6f);
}

/* Scratch planes of the half-resolution (fast drag) render: owned by
 * RenderFlare, kept between renders, all zero outside a render. */
std::vector<float> g_halfPlanes;
int g_halfWidth = 0, g_halfHeight = 0;
RowSpans g_halfSpans;
RowSpans g_fullSpans;    /* what a full-resolution render drew into */
ShapeList g_shapes;      /* what the elements of the render under way add */
std::mutex g_halfLock;   /* guards the scratch planes, both span lists and the shapes */
std::atomic<int> g_threadSetting{0};   /* SetRenderThreads: 0 automatic */

void Progress(KaProgressFn progress, const char *phase, float fraction)
{
    if (progress)
        progress(Ki_Inquire_Token(phase), fraction);
}

/* A live G-buffer of ours is registered here by Ki_Alloc_Global_GBuffer
 * and removed by Ki_Free_Global_GBuffer. */
struct HostGBuffer {
    KaGBuffer buffer;      /* first, so the record's address is the block's */
    int32_t depthHeight;
};
std::mutex g_buffersLock;
std::unordered_set<const KaGBuffer *> g_buffers;

/* The flare's globals as every element needs them: gain, size unit,
 * stretch, rotation and the fades the buffer's depth and coverage call
 * for.  The canvas is still the buffer's own. */
void SetUpScene(Scene *sc, KaGBuffer *buffer, const Flare &flare, const RenderLight &light)
{
    const int width = buffer->width, height = buffer->height;
    /* Light positions far outside stay far outside, without overflowing. */
    const double lx = std::isfinite(light.x) ? std::max(-1e7, std::min(1e7, light.x)) : 0.0;
    const double ly = std::isfinite(light.y) ? std::max(-1e7, std::min(1e7, light.y)) : 0.0;

    float intensity = Clamp(flare.intensity, 0.0f, 1e6f);
    for (int i = 0; i < 3; i++) {
        sc->gain[i] = intensity * Clamp(flare.color[i], 0.0f, 1e6f);
        if (flare.useLightParams)
            sc->gain[i] *= Clamp(light.color[i], 0.0f, 1e6f) * Clamp(light.intensity, 0.0f, 1e6f);
        sc->gain[i] = std::min(sc->gain[i], 1e12f);
    }
    float unit = 0.5f * (float)std::min(width, height) *
                 (std::isfinite(flare.scale) ? Clamp(flare.scale, 0.0f, 1e4f) : 1.0f);
    float stretch = flare.anamorphicStretch;
    stretch = std::isfinite(stretch) && stretch > 0.0f ? Clamp(stretch, 0.01f, 100.0f) : 1.0f;

    sc->fade = flare.fadeIfNearBorder ? BorderFade(buffer, lx, ly) : 1.0f;
    double occlusionPx = std::isfinite(flare.occlusionRadius)
                             ? std::min(1e6, std::max(0.0, (double)flare.occlusionRadius * unit))
                             : 0.0;
    sc->seen = MeanCoverage(buffer, lx, ly, occlusionPx);
    if (flare.fadeIfApproachingObjects)
        sc->fade *= MeanCoverage(buffer, lx, ly, 3.0 * occlusionPx + 1.0);
    float ratio = DistanceRatio(buffer, flare, lx, ly);
    if (flare.fadeWithDistance)
        sc->fade *= std::min(1.0f, ratio * ratio);

    sc->canvas = {buffer->red, buffer->green, buffer->blue, width, height, stretch, nullptr};
    sc->shapes = &g_shapes;
    sc->lightX = lx;
    sc->lightY = ly;
    sc->centreX = 0.5 * (width - 1);
    sc->centreY = 0.5 * (height - 1);
    sc->unit = unit;
    sc->angle = (std::isfinite(flare.angle) ? std::fmod(flare.angle, 360.0f) : 0.0f) * kDegrees;
    sc->glowSize = flare.scaleGlowWithDistance ? Clamp(ratio, 0.05f, 20.0f) : 1.0f;
    sc->reflexSize = flare.scaleReflexesWithDistance ? Clamp(ratio, 0.05f, 20.0f) : 1.0f;
}

/* Points the scene at the canvas it draws into: the buffer itself, or for
 * fast drag the half-resolution scratch planes, with every position and
 * size halved.  Returns whether it is the half one.  The caller holds
 * g_halfLock. */
bool PrepareCanvas(Scene *sc, bool fastDrag)
{
    const int width = sc->canvas.width, height = sc->canvas.height;
    if (!(fastDrag && width >= 16 && height >= 16)) {
        g_fullSpans.Reset(height);
        sc->canvas.touched = &g_fullSpans;
        return false;
    }
    int hw = (width + 1) / 2, hh = (height + 1) / 2;
    if (hw != g_halfWidth || hh != g_halfHeight) {
        g_halfPlanes.assign(3 * (size_t)hw * hh, 0.0f);
        g_halfWidth = hw;
        g_halfHeight = hh;
    }
    size_t plane = (size_t)hw * hh;
    sc->canvas = {g_halfPlanes.data(), g_halfPlanes.data() + plane,
                  g_halfPlanes.data() + 2 * plane, hw, hh, sc->canvas.stretch, &g_halfSpans};
    g_halfSpans.Reset(hh);
    sc->lightX = 0.5 * sc->lightX - 0.25;
    sc->lightY = 0.5 * sc->lightY - 0.25;
    sc->centreX = 0.5 * sc->centreX - 0.25;
    sc->centreY = 0.5 * sc->centreY - 0.25;
    sc->unit *= 0.5f;
    return true;
}

/* Reflexes and rings split into their colours. */
bool HasFringes(int renderer)
{
    return renderer == kRenderAnnulus || renderer == kRenderReflexChain ||
           renderer == kRenderDiscReflex || renderer == kRenderRingReflex ||
           renderer == kRenderPrismReflex;
}

/* Chromatic aberration: the element drawn once per colour, red at
 * (1 + fringe) times its distance along the axis and its size, green as
 * it is, blue at (1 - fringe) times, each with the same random choices. */
void DrawFringes(Scene &sc, const Element &e, int renderer, const float g[3], const Random &random,
                 float fringe)
{
    Scene one = sc;
    for (int c = 0; c < 3; c++) {
        if (!(g[c] > 0.0f))
            continue;
        float scale = 1.0f + fringe * (float)(1 - c);
        float gc[3] = {0.0f, 0.0f, 0.0f};
        gc[c] = g[c];
        one.axisScale = sc.axisScale * scale;
        one.reflexSize = sc.reflexSize * scale;
        one.glowSize = sc.glowSize * scale;
        Random r = random;
        kDrawers[renderer](one, e, gc, r);
    }
}

/* The elements drawn so far per type, kept for the next render: used
 * only while a render holds g_halfLock. */
std::vector<std::pair<const ElementType *, int>> g_ranks;

/* How many elements of the type (by name) came before; counts this one. */
int RankOf(std::vector<std::pair<const ElementType *, int>> *ranks, const ElementType *type)
{
    for (std::pair<const ElementType *, int> &r : *ranks)
        if (r.first == type || r.first->name == type->name)
            return r.second++;
    ranks->push_back({type, 1});
    return 0;
}

/* Every enabled element in list order, with one progress update each. */
void DrawElements(Scene &sc, const Flare &flare, KaProgressFn progress)
{
    /* elements of each type so far */
    std::vector<std::pair<const ElementType *, int>> &rank = g_ranks;
    rank.clear();
    size_t count = flare.elements.size();
    for (size_t i = 0; i < count; i++) {
        const Element *e = flare.elements[i].get();
        if (flare.enabled && e && e->enabled && e->type && e->type->renderer >= 0 &&
            e->type->renderer < kRenderCount) {
            int renderer = e->type->renderer;
            float visible = (IsGlow(renderer) && flare.glowBehindObjects) ||
                                    !flare.fadeIfBehindObjects
                                ? 1.0f
                                : sc.seen;
            float g[3];
            for (int k = 0; k < 3; k++)
                g[k] = sc.gain[k] * sc.fade * visible;
            Random random;
            random.state = HashText(e->type->name) ^
                           ((uint64_t)(uint32_t)flare.randomSeed * 0x9E3779B97F4A7C15ull) ^
                           ((uint64_t)RankOf(&rank, e->type) << 48);
            float fringe = HasFringes(renderer) ? Clamp(Param(*e, "chromatic", 0.0f), 0.0f, 0.5f)
                                                : 0.0f;
            if (fringe > 0.0f)
                DrawFringes(sc, *e, renderer, g, random, fringe);
            else if (g[0] > 0.0f || g[1] > 0.0f || g[2] > 0.0f)
                kDrawers[renderer](sc, *e, g, random);
        }
        Progress(progress, "update", (float)(i + 1) / (float)count);
    }
    if (count == 0)
        Progress(progress, "update", 1.0f);
}

void LetGoOfIdleTables()
{
    g_glowTables.LetGoOfIdle(kIdleRenders);
    g_streakTables.LetGoOfIdle(kIdleRenders);
    g_ringTables.LetGoOfIdle(kIdleRenders);
    g_rayTables.LetGoOfIdle(kIdleRenders);
    g_discTables.LetGoOfIdle(kIdleRenders);
    g_textures.LetGoOfIdle(kIdleRenders);
}

} // namespace

size_t KeptTableCount()
{
    std::lock_guard<std::mutex> scratchHold(g_halfLock);
    return g_glowTables.Kept() + g_streakTables.Kept() + g_ringTables.Kept() +
           g_rayTables.Kept() + g_discTables.Kept() + g_textures.Kept();
}

void ForgetKeptTables()
{
    std::lock_guard<std::mutex> scratchHold(g_halfLock);
    g_glowTables.Forget();
    g_streakTables.Forget();
    g_ringTables.Forget();
    g_rayTables.Forget();
    g_discTables.Forget();
    g_textures.Forget();
}

void SetRenderThreads(int count)
{
    g_threadSetting = std::max(0, count);
}

namespace {

/* Starting a thread costs tens of microseconds; a quarter of a million
 * shape pixels take about a millisecond to draw. */
const double kPixelsPerThread = 1 << 18;

void ChooseThreads(Canvas *c, long long imagePixels)
{
    int setting = g_threadSetting;
    if (setting > 0) {
        c->threads = std::min(setting, 256);
        return;
    }
    unsigned hardware = std::thread::hardware_concurrency();
    c->threads = imagePixels >= kThreadedPixels && hardware > 1 ? (int)std::min(hardware, 256u) : 1;
    c->pixelsPerThread = kPixelsPerThread;
}

} // namespace

int RenderFlare(KaGBuffer *buffer, const Flare &flare, const RenderLight &light,
                KaProgressFn progress)
{
    if (!buffer || buffer->width <= 0 || buffer->height <= 0 || !buffer->red || !buffer->green ||
        !buffer->blue)
        return -1;
    Progress(progress, "start", 0.0f);
    Scene sc;
    SetUpScene(&sc, buffer, flare, light);
    std::lock_guard<std::mutex> scratchHold(g_halfLock);
    bool half = PrepareCanvas(&sc, flare.fastDrag);
    ChooseThreads(&sc.canvas, (long long)buffer->width * buffer->height);
    g_render++;
    g_shapes.Clear();
    DrawElements(sc, flare, progress);
    /* The buffer leaves the host display-ready: where the flare drew, a
     * channel above the knee rolls off smoothly towards 1.0 instead of
     * running past it, so a hot core burns to white the way film does, and
     * a display that keeps only the low byte of value x 255 never wraps.
     * Values at or below the knee stay exactly as they are.  The roll-off
     * is rational, not exponential, so that it vectorises. */
    JoinRadials(&g_shapes);
    DrawShapes(&sc.canvas, g_shapes, !half);
    if (half) {
        Canvas full = {buffer->red, buffer->green, buffer->blue, buffer->width, buffer->height,
                       sc.canvas.stretch, nullptr};
        UpsampleAdd(&full, &sc.canvas, g_halfSpans);
    }
    g_shapes.Clear();
    if (g_render % kIdleRenders == 0)
        LetGoOfIdleTables();
    Progress(progress, "end", 1.0f);
    return 0;
}

} // namespace ka

using namespace ka;

/* The G-buffer is one block of host memory (Ki_Alloc_Memory, flags 1, 1),
 * so it shows in the host's memory accounting until it is freed: the
 * record, then the planes red, green, blue, depth and coverage, each
 * 64-byte aligned.  A fresh buffer is black with coverage 1 (nothing
 * covers the light) and depth 0 (no depth known). */
extern "C" KaGBuffer *Ki_Alloc_Global_GBuffer(int32_t width, int32_t height, int32_t depthHeight,
                                              int32_t flags)
{
    LogCall("Ki_Alloc_Global_GBuffer", width, height, depthHeight, flags);
    const char *routine = "Ki_Alloc_Global_GBuffer()";
    const int32_t kMaxSide = 16384;
    const int64_t kMaxPixels = (int64_t)1 << 26;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        (int64_t)width * height > kMaxPixels) {
        ReportError(4, "ERR_BAD_GBUFFER_SIZE", routine,
                    "size " + std::to_string(width) + " x " + std::to_string(height) +
                        ": sides run from 1 to 16384, pixels up to 67108864");
        return nullptr;
    }
    if (depthHeight != height && depthHeight != 0) {
        ReportError(4, "ERR_BAD_GBUFFER_SIZE", routine,
                    "depth height " + std::to_string(depthHeight) + " is neither 0 nor the height");
        return nullptr;
    }
    if (flags != 0) {
        ReportError(4, "ERR_BAD_VALUE", routine, "flags " + std::to_string(flags) + " are not 0");
        return nullptr;
    }
    const size_t align = 64;
    size_t plane = ((size_t)width * height * sizeof(float) + align - 1) / align * align;
    size_t head = (sizeof(HostGBuffer) + align - 1) / align * align;
    int planes = depthHeight ? 5 : 4;
    unsigned char *block =
        static_cast<unsigned char *>(Ki_Alloc_Memory(1, 1, head + planes * plane + align));
    if (!block) {
        ReportError(4, "ERR_OUT_OF_MEMORY", routine, "no memory for the G-buffer");
        return nullptr;
    }
    HostGBuffer *g = reinterpret_cast<HostGBuffer *>(block);
    unsigned char *base = block + head;
    base += (align - (uintptr_t)base % align) % align;
    KaGBuffer *b = &g->buffer;
    b->width = width;
    b->height = height;
    b->red = reinterpret_cast<float *>(base);
    b->green = reinterpret_cast<float *>(base + plane);
    b->blue = reinterpret_cast<float *>(base + 2 * plane);
    b->depth = depthHeight ? reinterpret_cast<float *>(base + 3 * plane) : nullptr;
    b->coverage = reinterpret_cast<float *>(base + (planes - 1) * plane);
    std::fill(b->coverage, b->coverage + (size_t)width * height, 1.0f);
    g->depthHeight = depthHeight;
    std::lock_guard<std::mutex> hold(g_buffersLock);
    g_buffers.insert(b);
    return b;
}

extern "C" void Ki_Free_Global_GBuffer(KaGBuffer *buffer)
{
    LogCall("Ki_Free_Global_GBuffer", OutArg{buffer});
    if (!buffer)
        return;
    {
        std::lock_guard<std::mutex> hold(g_buffersLock);
        if (!g_buffers.erase(buffer)) {
            ReportError(4, "ERR_BAD_GBUFFER", "Ki_Free_Global_GBuffer()",
                        "not a G-buffer of Ki_Alloc_Global_GBuffer, or freed already");
            return;
        }
    }
    Ki_Free_Memory(reinterpret_cast<HostGBuffer *>(buffer));
}

extern "C" int Ki_LensFlareApplyToGBuffer(KaGBuffer *buffer, KaToken ownerType,
                                          const char *ownerName, int32_t x, int32_t y,
                                          KaProgressFn progress)
{
    LogCall("Ki_LensFlareApplyToGBuffer", OutArg{buffer}, TokenArg{ownerType}, ownerName, x, y,
            FunctionArg{reinterpret_cast<const void *>(progress)});
    const char *routine = "Ki_LensFlareApplyToGBuffer()";
    if (!buffer || buffer->width <= 0 || buffer->height <= 0 || !buffer->red || !buffer->green ||
        !buffer->blue) {
        ReportError(4, "ERR_BAD_GBUFFER", routine,
                    buffer ? "G-buffer without a size or colour planes" : "null G-buffer");
        return -1;
    }
    const Flare *flare = FindFlare(ownerType, ownerName);
    if (!flare) {
        const char *type = TokenText(ownerType);
        ReportError(4, "ERR_UNKNOWN_OWNER", routine,
                    std::string(type ? type : "(no token)") + " '" + (ownerName ? ownerName : "") +
                        "' has no lens flare");
        return -1;
    }
    if (FlickerSkipsRender())
        return 0;
    RenderLight light;
    light.x = x;
    light.y = y;
    if (const Light *owner = FindLight(ownerName)) {
        std::copy(owner->color, owner->color + 3, light.color);
        light.intensity = owner->intensity;
    }
    return RenderFlare(buffer, *flare, light, progress);
}

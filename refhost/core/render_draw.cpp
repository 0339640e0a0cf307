/*
 * render_draw.cpp - the renderer's drawing routines (see render_draw.h).
 *
 * Every shape first works out, in double precision, the rows it can reach
 * and, per row, the span of pixels inside it, clipped to the canvas; only
 * then does a pixel loop of render_simd.h run, in float, over that span.
 * Centres may lie far outside the canvas and sizes may be huge: spans are
 * clamped before any conversion to int, table indices are clamped to the
 * table.
 */
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "render.h"
#include "render_draw.h"
#include "render_simd.h"

namespace ka {

const SpanLoops kPlainLoops = LoopsOf<Plain>();
#if KA_X86
const SpanLoops kSse2Loops = LoopsOf<Sse2>();
#endif

namespace {

/* ceil/floor of a double as a pixel index clamped to [lo, hi] (lo for
 * NaN).  Clamped, v fits an int, so truncating and stepping once is exact
 * (and cheaper than the library's rounding without SSE4.1); the clamps
 * are a maximum and a minimum rather than branches, which rows near the
 * canvas's sides would mispredict. */
int CeilClamp(double v, int lo, int hi)
{
    v = v > lo ? v : lo;
    v = v < hi ? v : hi;
    int t = (int)v;
    return t + ((double)t < v);
}

int FloorClamp(double v, int lo, int hi)
{
    v = v > lo ? v : lo;
    v = v < hi ? v : hi;
    int t = (int)v;
    return t - ((double)t > v);
}

/* Rows whose flare-space distance from cy stays below reach. */
void RowRange(const Canvas &c, double cy, double reach, int *y0, int *y1)
{
    double half = reach / c.stretch;
    *y0 = CeilClamp(cy - half, 0, c.height);
    *y1 = FloorClamp(cy + half, -1, c.height - 1) + 1;
}

/* Pixels of a row whose distance from cx stays below half. */
void SpanAround(const Canvas &c, double cx, double half, int *x0, int *x1)
{
    *x0 = CeilClamp(cx - half, 0, c.width);
    *x1 = FloorClamp(cx + half, -1, c.width - 1) + 1;
}

/* dx (relative to the centre) for which lo <= coef * dx + offset < hi:
 * narrows [*from, *to]. */
void NarrowSlab(double coef, double offset, double lo, double hi, double *from, double *to)
{
    if (std::fabs(coef) < 1e-12) {
        if (offset < lo || offset >= hi)
            *from = 1.0, *to = -1.0;
        return;
    }
    double a = (lo - offset) / coef, b = (hi - offset) / coef;
    if (a > b)
        std::swap(a, b);
    *from = std::max(*from, a);
    *to = std::min(*to, b);
}

/* The vector level in use: set on first use from the CPU, or by
 * SetRenderSimd; read by every row. */
std::atomic<int> g_simd{-1};

int DetectSimd()
{
#if KA_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl"))
        return 3;
    return __builtin_cpu_supports("avx2") ? 2 : 1;
#else
    return 0;
#endif
}

const SpanLoops &Loops()
{
    int level = g_simd.load(std::memory_order_relaxed);
    if (level < 0) {
        level = DetectSimd();
        g_simd = level;
    }
#if KA_X86
    if (level >= 3)
        return kAvx512Loops;
    if (level == 2)
        return kAvx2Loops;
    if (level == 1)
        return kSse2Loops;
#endif
    return kPlainLoops;
}

RadialLoop RadialLoopOf(const RadialTable &t, const Texture *texture)
{
    RadialLoop loop;
    loop.rgbx = t.rgbx.data();
    loop.perPixel = t.perPixel;
    loop.last = (float)t.count;
    loop.texel = texture ? texture->texel->data() : nullptr;
    loop.texPerPixel = texture ? texture->perPixel : 0.0f;
    loop.texShift = texture ? texture->shift : 0.0f;
    loop.ahead = 0;
    return loop;
}

/* The row's part of the planes, from pixel x0, with only the colours the
 * shape has. */
Span SpanOf(const Canvas &c, int y, int x0, int x1, const bool used[3], double dx0, double dyf)
{
    size_t at = (size_t)y * c.width + x0;
    Span s;
    s.r = used[0] ? c.r + at : nullptr;
    s.g = used[1] ? c.g + at : nullptr;
    s.b = used[2] ? c.b + at : nullptr;
    s.n = x1 - x0;
    s.dx0 = (float)dx0;
    s.dy = (float)dyf;
    s.dy2 = (float)(dyf * dyf);
    return s;
}

/* The part of a row a shape covers: [x0, left) and [right, x1), the hole
 * of an annulus skipped (not drawn as zeros); x0 >= x1 when the row has
 * none of it. */
struct RowCut {
    int x0, x1, left, right;
};

/* The row's flare-space offset from the shape's centre. */
double RowDy(const Canvas &c, const Shape &sh, int y)
{
    return (y - sh.cy) * c.stretch;
}

/* The pixels of row y within outer (flare space) of the shape's centre,
 * less those within inner. */
RowCut CircleCut(const Canvas &c, const Shape &sh, double outer, double inner, int y)
{
    RowCut cut = {0, 0, 0, 0};
    const double dyf = RowDy(c, sh, y);
    double q = outer * outer - dyf * dyf;
    if (q <= 0.0)
        return cut;
    SpanAround(c, sh.cx, std::sqrt(q), &cut.x0, &cut.x1);
    int h0 = cut.x1, h1 = cut.x1;
    if (inner > std::fabs(dyf)) {
        SpanAround(c, sh.cx, std::sqrt(inner * inner - dyf * dyf), &h0, &h1);
        h0 = std::max(h0, cut.x0);
        h1 = std::max(h1, h0);
    }
    cut.left = std::min(h0, cut.x1);
    cut.right = std::max(h1, cut.x0);
    return cut;
}

/* A streak's row: where it crosses both the slab along it and the slab
 * across it. */
RowCut StreakCut(const Canvas &c, const Shape &sh, int y)
{
    const StreakTable &t = *sh.streak;
    const double ux = sh.ux, uy = sh.uy, vx = -uy, vy = ux;
    const double dyf = RowDy(c, sh, y);
    double from = -1e300, to = 1e300;
    NarrowSlab(ux, uy * dyf, t.alongMin, t.alongMax, &from, &to);
    NarrowSlab(vx, vy * dyf, -t.acrossMax, t.acrossMax, &from, &to);
    RowCut cut = {0, 0, 0, 0};
    if (!(from <= to))
        return cut;
    cut.x0 = CeilClamp(sh.cx + from, 0, c.width);
    cut.x1 = FloorClamp(sh.cx + to, -1, c.width - 1) + 1;
    cut.left = cut.right = cut.x1;
    return cut;
}

RowCut CutOf(const Canvas &c, const Shape &sh, int y)
{
    switch (sh.kind) {
    case kShapeRadial:
        return CircleCut(c, sh, sh.radial->outer, sh.radial->inner, y);
    case kShapePolygon:
        return CircleCut(c, sh, sh.radial->outer, 0.0, y);
    case kShapeStreak:
        return StreakCut(c, sh, y);
    case kShapeRays:
        return CircleCut(c, sh, sh.rays->colour.outer, 0.0, y);
    }
    return {0, 0, 0, 0};
}

/* How far on the same pixel of the next row lies, for the loops to fetch
 * it while this row is drawn; 0 on the top row. */
int NextRowAhead(const Canvas &c, int y)
{
    return y + 1 < c.height ? c.width : 0;
}

void RadialRow(const Canvas &c, const Shape &sh, const SpanLoops &loops, int y, const RowCut &cut)
{
    const RadialTable &t = *sh.radial;
    const double dyf = RowDy(c, sh, y);
    RadialLoop loop = RadialLoopOf(t, sh.texture);
    loop.ahead = NextRowAhead(c, y);
    if (cut.left > cut.x0)
        loops.radial(SpanOf(c, y, cut.x0, cut.left, t.used, cut.x0 - sh.cx, dyf), loop);
    if (cut.x1 > cut.right)
        loops.radial(SpanOf(c, y, cut.right, cut.x1, t.used, cut.right - sh.cx, dyf), loop);
}

void PolygonRow(const Canvas &c, const Shape &sh, const SpanLoops &loops, int y, const RowCut &cut)
{
    const RadialTable &t = *sh.radial;
    const double dyf = RowDy(c, sh, y);
    PolygonLoop loop;
    loop.radial = RadialLoopOf(t, sh.texture);
    loop.radial.ahead = NextRowAhead(c, y);
    loop.paired = sh.sides % 2 == 0;
    loop.terms = loop.paired ? sh.sides / 2 : sh.sides;
    loop.roundness = sh.roundness;
    const float fy = (float)dyf;
    for (int k = 0; k < loop.terms; k++) {
        loop.nx[k] = sh.nx[k];
        loop.cy[k] = fy * sh.ny[k];
    }
    loops.polygon(SpanOf(c, y, cut.x0, cut.x1, t.used, cut.x0 - sh.cx, dyf), loop);
}

void StreakRow(const Canvas &c, const Shape &sh, const SpanLoops &loops, int y, const RowCut &cut)
{
    const StreakTable &t = *sh.streak;
    const double ux = sh.ux, uy = sh.uy, vx = -uy, vy = ux;
    const double dyf = RowDy(c, sh, y);
    double dx0 = cut.x0 - sh.cx;
    StreakLoop loop;
    loop.along = t.along.data();
    loop.across = t.across.data();
    loop.a0 = (float)((dx0 * ux + dyf * uy - t.alongMin) * t.alongPerPixel);
    loop.p0 = (float)((dx0 * vx + dyf * vy) * t.acrossPerPixel);
    loop.aStep = sh.ux * t.alongPerPixel;
    loop.pStep = (float)vx * t.acrossPerPixel;
    loop.alongCount = (int)t.along.size();
    loop.acrossCount = (int)t.across.size();
    loop.aLast = (float)(loop.alongCount - 1);
    loop.pLast = (float)(loop.acrossCount - 1);
    loop.ahead = NextRowAhead(c, y);
    bool used[3];
    for (int k = 0; k < 3; k++) {
        loop.rgb[k] = sh.rgb[k];
        used[k] = sh.rgb[k] != 0.0f;
    }
    loops.streak(SpanOf(c, y, cut.x0, cut.x1, used, dx0, dyf), loop);
}

/* The colours of rays and of the round table folded into them, and that
 * table's part of the rays' loop. */
void Fold(const Shape &sh, RayLoop *loop, bool used[3])
{
    const RadialTable *f = sh.folded;
    for (int k = 0; k < 3; k++)
        used[k] = sh.rays->colour.used[k] || (f && f->used[k]);
    loop->folded = f ? f->rgbx.data() : nullptr;
    loop->foldedPerPixel = f ? f->perPixel : 0.0f;
    loop->foldedLast = f ? (float)f->count : 0.0f;
}

void RayRow(const Canvas &c, const Shape &sh, const SpanLoops &loops, int y, const RowCut &cut)
{
    const RayTable &t = *sh.rays;
    const RadialTable &col = t.colour;
    const double dyf = RowDy(c, sh, y);
    int shift = 0;
    while ((1 << shift) < t.angleCount)
        shift++;
    RayLoop loop = {t.angular.data(), col.rgbx.data(), col.perPixel, (float)col.count,
                    (float)t.angleCount / 4.0f, (float)t.envelopeCount,
                    1.0f / (float)t.envelopeCount, t.angleCount, shift, nullptr, 0.0f, 0.0f,
                    NextRowAhead(c, y)};
    bool used[3];
    Fold(sh, &loop, used);
    loops.rays(SpanOf(c, y, cut.x0, cut.x1, used, cut.x0 - sh.cx, dyf), loop);
}

/* Draws one shape's part of row y, where cut (not empty) says. */
void ShapeRow(const Canvas &c, const Shape &sh, const SpanLoops &loops, int y, const RowCut &cut)
{
    switch (sh.kind) {
    case kShapeRadial:
        RadialRow(c, sh, loops, y, cut);
        break;
    case kShapePolygon:
        PolygonRow(c, sh, loops, y, cut);
        break;
    case kShapeStreak:
        StreakRow(c, sh, loops, y, cut);
        break;
    case kShapeRays:
        RayRow(c, sh, loops, y, cut);
        break;
    }
}

/* A shape that reaches rows y0 .. y1 of the canvas, and at most halfWidth
 * pixels to either side of its centre, goes on the list. */
Shape *NewShape(ShapeList *list, const Canvas &c, ShapeKind kind, double cx, double cy,
                double halfWidth, int y0, int y1)
{
    if (y0 >= y1)
        return nullptr;
    int x0, x1;
    SpanAround(c, cx, halfWidth, &x0, &x1);
    list->shapes.emplace_back();
    Shape *sh = &list->shapes.back();
    *sh = Shape();
    sh->kind = kind;
    sh->cx = cx;
    sh->cy = cy;
    sh->y0 = y0;
    sh->y1 = y1;
    sh->pixels = (double)(y1 - y0) * std::max(x1 - x0, 0);
    return sh;
}

bool Drawable(const RadialTable &t)
{
    return t.count > 0 && t.outer > 0.0f && t.outer > t.inner &&
           (t.used[0] || t.used[1] || t.used[2]);
}

} // namespace

void TrimRadial(RadialTable *t, float faint)
{
    int first = t->count, last = -1;
    for (int c = 0; c < 3; c++)
        t->used[c] = false;
    for (int i = 0; i < t->count; i++) {
        bool bright = false;
        for (int c = 0; c < 3; c++) {
            float v = std::fabs(t->rgbx[4 * (size_t)i + c]);
            t->used[c] = t->used[c] || v > 0.0f;
            bright = bright || v >= faint;
        }
        if (bright) {
            first = std::min(first, i);
            last = i;
        }
    }
    if (last < 0) {
        t->outer = t->inner;
        return;
    }
    t->inner = std::max(t->inner, (float)first / t->perPixel);
    t->outer = std::min(t->outer, (float)(last + 1) / t->perPixel);
}

bool TrimStreak(StreakTable *t, float brightest, float faint)
{
    int na = (int)t->along.size() - 1, np = (int)t->across.size() - 1;
    if (na <= 0 || np <= 0)
        return false;
    float alongPeak = *std::max_element(t->along.begin(), t->along.end());
    float acrossPeak = *std::max_element(t->across.begin(), t->across.end());
    int a0 = 0, a1 = na - 1;
    while (a0 <= a1 && t->along[a0] * acrossPeak * brightest < faint)
        a0++;
    while (a1 >= a0 && t->along[a1] * acrossPeak * brightest < faint)
        a1--;
    int p1 = np - 1;
    while (p1 >= 0 && t->across[p1] * alongPeak * brightest < faint)
        p1--;
    if (a0 > a1 || p1 < 0)
        return false;
    /* the along table keeps its origin; only the drawn range narrows */
    float from = t->alongMin + (float)a0 / t->alongPerPixel;
    t->alongMax = std::min(t->alongMax, t->alongMin + (float)(a1 + 1) / t->alongPerPixel);
    t->along.erase(t->along.begin(), t->along.begin() + a0);
    t->alongMin = from;
    t->acrossMax = std::min(t->acrossMax, (float)(p1 + 1) / t->acrossPerPixel);
    return t->alongMax > t->alongMin;
}

void ShapeList::Clear()
{
    shapes.clear();
    radialsUsed = streaksUsed = raysUsed = texturesUsed = 0;
    for (Texture &t : textures)
        t.texel.reset();
}

namespace {

template <class Table>
Table *NextOf(std::deque<Table> *pool, size_t *used)
{
    if (*used == pool->size())
        pool->emplace_back();
    return &(*pool)[(*used)++];
}

} // namespace

RadialTable *NewRadialTable(ShapeList *list)
{
    return NextOf(&list->radials, &list->radialsUsed);
}

StreakTable *NewStreakTable(ShapeList *list)
{
    return NextOf(&list->streaks, &list->streaksUsed);
}

RayTable *NewRayTable(ShapeList *list)
{
    return NextOf(&list->rays, &list->raysUsed);
}

const Texture *KeepTexture(ShapeList *list, const Texture &texture)
{
    if (!texture.texel || (int)texture.texel->size() != Texture::kSize * Texture::kSize)
        return nullptr;
    Texture *kept = NextOf(&list->textures, &list->texturesUsed);
    *kept = texture;
    return kept;
}

void AddRadial(ShapeList *list, const Canvas &c, double cx, double cy, const RadialTable &t,
               const Texture *texture)
{
    if (!Drawable(t))
        return;
    int y0, y1;
    RowRange(c, cy, t.outer, &y0, &y1);
    if (Shape *sh = NewShape(list, c, kShapeRadial, cx, cy, t.outer, y0, y1)) {
        sh->radial = &t;
        sh->texture = texture;
    }
}

namespace {

/* The normals of the last polygon added on this thread: a chain's
 * polygons all turn their corners the same way, so AddPolygon, their
 * owner, works them out once for the chain.  An even polygon's opposite
 * normals are exactly negated: its loop pairs them. */
struct PolygonNormals {
    int sides = 0;
    float rotation = 0.0f;
    float nx[16] = {}, ny[16] = {};
};
thread_local PolygonNormals t_lastNormals;

/* The last stamp handed out: owned by NewTableStamp. */
std::atomic<uint64_t> g_lastStamp{0};

} // namespace

void AddPolygon(ShapeList *list, const Canvas &c, double cx, double cy, int sides,
                float rotation, float roundness, const RadialTable &t, const Texture *texture)
{
    if (sides < 3 || sides > 16 || !(roundness < 1.0f))
        return AddRadial(list, c, cx, cy, t, texture);
    if (!Drawable(t))
        return;
    int y0, y1;
    RowRange(c, cy, t.outer, &y0, &y1);
    Shape *sh = NewShape(list, c, kShapePolygon, cx, cy, t.outer, y0, y1);
    if (!sh)
        return;
    sh->radial = &t;
    sh->texture = texture;
    sh->sides = sides;
    sh->roundness = roundness > 0.0f ? roundness : 0.0f;
    PolygonNormals &last = t_lastNormals;
    if (last.sides != sides || !(last.rotation == rotation)) {
        const double pi = 3.14159265358979323846;
        double toCorner = 1.0 / std::cos(pi / sides);
        const int distinct = sides % 2 == 0 ? sides / 2 : sides;
        for (int k = 0; k < distinct; k++) {
            double a = rotation + pi / sides + 2.0 * pi * k / sides;
            last.nx[k] = (float)(std::cos(a) * toCorner);
            last.ny[k] = (float)(std::sin(a) * toCorner);
        }
        for (int k = distinct; k < sides; k++) {
            last.nx[k] = -last.nx[k - distinct];
            last.ny[k] = -last.ny[k - distinct];
        }
        last.sides = sides;
        last.rotation = rotation;
    }
    std::copy(last.nx, last.nx + sides, sh->nx);
    std::copy(last.ny, last.ny + sides, sh->ny);
}

void AddStreak(ShapeList *list, const Canvas &c, double cx, double cy, float ux, float uy,
               const float rgb[3], const StreakTable &t)
{
    int na = (int)t.along.size() - 1, np = (int)t.across.size() - 1;
    if (na <= 0 || np <= 0 || !(t.alongMax > t.alongMin) || !(t.acrossMax > 0.0f))
        return;
    if (!(rgb[0] != 0.0f || rgb[1] != 0.0f || rgb[2] != 0.0f))
        return;
    /* rows: the flare-space rectangle's corners */
    const double s = c.stretch, vx = -uy, vy = ux;
    double top = -1e300, bottom = 1e300, halfWidth = 0.0;
    for (int corner = 0; corner < 4; corner++) {
        double a = corner & 1 ? t.alongMax : t.alongMin;
        double p = corner & 2 ? t.acrossMax : -t.acrossMax;
        double fy = a * uy + p * vy;
        top = std::max(top, fy);
        bottom = std::min(bottom, fy);
        halfWidth = std::max(halfWidth, std::fabs(a * ux + p * vx));
    }
    int y0 = CeilClamp(cy + bottom / s, 0, c.height);
    int y1 = FloorClamp(cy + top / s, -1, c.height - 1) + 1;
    Shape *sh = NewShape(list, c, kShapeStreak, cx, cy, halfWidth, y0, y1);
    if (!sh)
        return;
    sh->streak = &t;
    sh->ux = ux;
    sh->uy = uy;
    for (int k = 0; k < 3; k++)
        sh->rgb[k] = rgb[k];
}

void AddRays(ShapeList *list, const Canvas &c, double cx, double cy, const RayTable &t)
{
    const RadialTable &col = t.colour;
    int n = t.angleCount;
    if (!Drawable(col) || n <= 0 || (n & (n - 1)) != 0 || t.envelopeCount <= 0 ||
        t.levelCount <= 0 || t.angular.size() < (size_t)4 * t.levelCount * n)
        return;
    int y0, y1;
    RowRange(c, cy, col.outer, &y0, &y1);
    if (Shape *sh = NewShape(list, c, kShapeRays, cx, cy, col.outer, y0, y1)) {
        sh->rays = &t;
    }
}

uint64_t NewTableStamp()
{
    return ++g_lastStamp;
}

namespace {

/* n with per * 2^n == joint exactly, or -1. */
int PowerOfTwoShift(float joint, float per)
{
    for (int n = 0; n <= 16; n++) {
        float scaled = std::ldexp(per, n);
        if (scaled == joint)
            return n;
        if (!(scaled < joint))
            return -1;
    }
    return -1;
}

/* The entries a round shape can read from its table: those of [inner, outer). */
void DrawnEntries(const RadialTable &t, int *lo, int *hi)
{
    *lo = std::max(0, std::min(t.count, (int)std::floor(t.inner * t.perPixel)));
    *hi = std::max(*lo, std::min(t.count, (int)std::ceil(t.outer * t.perPixel)));
}

/* A pixel's offset from a centre on a quarter pixel is exact in float
 * however its span starts, so every shape on that centre finds the same
 * distance for it; elsewhere the rounding of where a span starts could
 * move a distance across an entry's edge. */
bool OnQuarterPixel(double cx)
{
    return std::fabs(cx) <= (double)(1 << 20) && std::floor(4.0 * cx) == 4.0 * cx;
}

bool Joinable(const Shape &a, const Shape &b)
{
    if (b.kind != kShapeRadial || b.texture || b.cx != a.cx || b.cy != a.cy ||
        !OnQuarterPixel(a.cx))
        return false;
    float pa = a.radial->perPixel, pb = b.radial->perPixel;
    return PowerOfTwoShift(std::max(pa, pb), std::min(pa, pb)) >= 0;
}

/* The kept joint table summing tables with those stamps, or a slot that
 * no shape of this pass reads, to fill. */
JointTable *JointSlot(ShapeList *list, const std::vector<uint64_t> &parts)
{
    JointTable *free = nullptr;
    for (JointTable &j : list->joints) {
        if (!parts.empty() && j.parts == parts) {
            j.pass = list->joinPasses;
            return &j;
        }
        if (j.pass != list->joinPasses && (!free || j.pass < free->pass))
            free = &j;
    }
    if (!free) {
        list->joints.emplace_back();
        free = &list->joints.back();
    }
    free->pass = list->joinPasses;
    free->parts.clear();
    return free;
}

/* Sums the members' tables into joint at perPixel entries a pixel. */
void FillJoint(RadialTable *joint, const ShapeList &list, const std::vector<int> &members,
               float perPixel)
{
    joint->perPixel = perPixel;
    joint->inner = list.shapes[members[0]].radial->inner;
    joint->outer = 0.0f;
    joint->count = 0;
    for (int c = 0; c < 3; c++)
        joint->used[c] = false;
    for (int m : members) {
        const RadialTable &t = *list.shapes[m].radial;
        int lo, hi;
        DrawnEntries(t, &lo, &hi);
        joint->count = std::max(joint->count, hi << PowerOfTwoShift(perPixel, t.perPixel));
        joint->inner = std::min(joint->inner, t.inner);
        joint->outer = std::max(joint->outer, t.outer);
        for (int c = 0; c < 3; c++)
            joint->used[c] = joint->used[c] || t.used[c];
    }
    joint->rgbx.assign(4 * ((size_t)joint->count + 1), 0.0f);
    for (int m : members) {
        const RadialTable &t = *list.shapes[m].radial;
        int lo, hi, shift = PowerOfTwoShift(perPixel, t.perPixel);
        DrawnEntries(t, &lo, &hi);
        for (int i = lo; i < hi; i++)
            for (int k = i << shift; k < (i + 1) << shift; k++)
                for (int c = 0; c < 3; c++)
                    joint->rgbx[4 * (size_t)k + c] += t.rgbx[4 * (size_t)i + c];
    }
    joint->stamp = NewTableStamp();
}

/* Of the shapes from first on that can join it (untaken), the most that
 * keep the sum within kJointEntries, at the finest resolution that does;
 * *perPixel receives it.  Fewer than two: nothing joins. */
std::vector<int> JointMembers(const ShapeList &list, const std::vector<char> &taken, int first,
                              float *perPixel)
{
    const Shape &a = list.shapes[first];
    std::vector<int> candidates;
    for (int j = first; j < (int)list.shapes.size(); j++)
        if (!taken[j] && Joinable(a, list.shapes[j]))
            candidates.push_back(j);
    if (candidates.size() < 2)
        return {};
    std::vector<float> levels;
    for (int j : candidates)
        levels.push_back(list.shapes[j].radial->perPixel);
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    for (int l = (int)levels.size() - 1; l >= 0 && candidates.size() >= 2; l--) {
        std::vector<int> members;
        long long entries = 0;
        for (int j : candidates) {
            const RadialTable &t = *list.shapes[j].radial;
            if (t.perPixel > levels[l])
                continue;
            int lo, hi;
            DrawnEntries(t, &lo, &hi);
            entries = std::max(entries, (long long)hi << PowerOfTwoShift(levels[l], t.perPixel));
            members.push_back(j);
        }
        if (members.size() >= 2 && entries <= kJointEntries) {
            *perPixel = levels[l];
            return members;
        }
    }
    return {};
}

} // namespace

void JoinRadials(ShapeList *list)
{
    list->joinPasses++;
    const int n = (int)list->shapes.size();
    std::vector<char> taken(n, 0), gone(n, 0);
    for (int i = 0; i < n; i++) {
        Shape &first = list->shapes[i];
        if (taken[i] || !Joinable(first, first))
            continue;
        float perPixel = 0.0f;
        std::vector<int> members = JointMembers(*list, taken, i, &perPixel);
        if (members.empty())
            continue;
        std::vector<uint64_t> parts;
        for (int m : members) {
            uint64_t stamp = list->shapes[m].radial->stamp;
            if (!stamp) {
                parts.clear();
                break;
            }
            parts.push_back(stamp);
        }
        JointTable *joint = JointSlot(list, parts);
        if (joint->parts.empty()) {
            FillJoint(&joint->table, *list, members, perPixel);
            joint->parts = parts;
        }
        for (int m : members) {
            const Shape &sh = list->shapes[m];
            first.y0 = std::min(first.y0, sh.y0);
            first.y1 = std::max(first.y1, sh.y1);
            first.pixels = std::max(first.pixels, sh.pixels);
            taken[m] = 1;
            gone[m] = m != i;
        }
        first.radial = &joint->table;
    }
    for (int i = 0; i < n; i++) {
        const Shape &round = list->shapes[i];
        if (gone[i] || !Joinable(round, round))
            continue;
        for (Shape &rays : list->shapes)
            if (rays.kind == kShapeRays && !rays.folded && rays.cx == round.cx &&
                rays.cy == round.cy && rays.rays->colour.outer >= round.radial->outer) {
                rays.folded = round.radial;
                gone[i] = 1;
                break;
            }
    }
    int kept = 0;
    for (int i = 0; i < n; i++)
        if (!gone[i])
            list->shapes[kept++] = list->shapes[i];
    list->shapes.resize(kept);
}

namespace {

/* Everything a shape's cuts are worked out from. */
struct CutKey {
    ShapeKind kind;
    double cx, cy;
    int y0, y1, width, height;
    float stretch, outer, inner, ux, uy, alongMin, alongMax;
    bool operator==(const CutKey &o) const
    {
        return kind == o.kind && cx == o.cx && cy == o.cy && y0 == o.y0 && y1 == o.y1 &&
               width == o.width && height == o.height && stretch == o.stretch &&
               outer == o.outer && inner == o.inner && ux == o.ux && uy == o.uy &&
               alongMin == o.alongMin && alongMax == o.alongMax;
    }
};

CutKey CutKeyOf(const Canvas &c, const Shape &sh)
{
    CutKey k = {sh.kind, sh.cx, sh.cy, sh.y0, sh.y1, c.width, c.height, c.stretch,
                0, 0, 0, 0, 0, 0};
    switch (sh.kind) {
    case kShapeRadial:
        k.inner = sh.radial->inner;
        k.outer = sh.radial->outer;
        break;
    case kShapePolygon:
        k.outer = sh.radial->outer;
        break;
    case kShapeStreak:
        k.outer = sh.streak->acrossMax;
        k.ux = sh.ux;
        k.uy = sh.uy;
        k.alongMin = sh.streak->alongMin;
        k.alongMax = sh.streak->alongMax;
        break;
    case kShapeRays:
        k.outer = sh.rays->colour.outer;
        break;
    }
    return k;
}

/* The cuts of every row of the last render's shapes, by their place in the
 * list.  A preview renders again with the light where it was whenever a
 * parameter changes, and then most shapes are what they were: where a
 * shape's key is unchanged its cuts are taken as they are.  Used only
 * while DrawShapes holds g_cutsLock. */
struct KeptCuts {
    CutKey key;
    bool known = false;
    std::vector<RowCut> rows;   /* from the shape's first row */
};
std::vector<KeptCuts> g_cuts;
std::mutex g_cutsLock;

/* A shape reaching a block of rows, and its cuts by row. */
struct Reaching {
    const Shape *shape;
    const RowCut *cuts;
};
/* The shapes reaching the block a thread draws: owned by DrawShapes,
 * kept for the thread's next render. */
thread_local std::vector<Reaching> t_reaching;

/* Rows a thread takes at once: the shapes reaching the block are found
 * once, and the cuts of the block's rows a shape does not have yet are
 * worked out together, before any of them is drawn, so that their square
 * roots and divisions overlap instead of each waiting for the pixel loop
 * before it. */
const int kRowsAtOnce = 8;

/* Shapes [first, last) of the list, drawn over every row before the next
 * group's: a flare of thousands of elements has more tables than the
 * cache holds, and rows drawn with all of them at once would fetch every
 * table again for each block of rows.  Each pixel still gets the shapes
 * in list order, so the sums are the same bit for bit. */
struct ShapeGroup {
    int first, last;
};

/* The table and cut bytes a group may read while its rows are drawn:
 * half the cache one core has to itself, so that the block's rows fit
 * beside them. */
const size_t kGroupBytes = 1 << 19;

template <class T>
size_t BytesOf(const std::vector<T> &v)
{
    return v.size() * sizeof(T);
}

/* What drawing a shape reads besides the canvas. */
size_t ShapeBytes(const Shape &sh)
{
    size_t bytes = (size_t)std::max(sh.y1 - sh.y0, 0) * sizeof(RowCut);
    if (sh.radial)
        bytes += BytesOf(sh.radial->rgbx);
    if (sh.texture && sh.texture->texel)
        bytes += BytesOf(*sh.texture->texel);
    if (sh.streak)
        bytes += BytesOf(sh.streak->along) + BytesOf(sh.streak->across);
    if (sh.rays)
        bytes += BytesOf(sh.rays->angular) + BytesOf(sh.rays->colour.rgbx);
    if (sh.folded)
        bytes += BytesOf(sh.folded->rgbx);
    return bytes;
}

/* The list cut into groups of at most kGroupBytes each (a shape larger
 * than that on its own), or one group when the whole list fits twice
 * that: most flares then draw in one sweep over the rows. */
void GroupShapes(const ShapeList &list, std::vector<ShapeGroup> *groups)
{
    groups->clear();
    const int n = (int)list.shapes.size();
    size_t total = 0, inGroup = 0;
    for (const Shape &sh : list.shapes)
        total += ShapeBytes(sh);
    if (total <= 2 * kGroupBytes) {
        groups->push_back({0, n});
        return;
    }
    for (int i = 0; i < n; i++) {
        size_t bytes = ShapeBytes(list.shapes[i]);
        if (groups->empty() || inGroup + bytes > kGroupBytes) {
            groups->push_back({i, i});
            inGroup = 0;
        }
        groups->back().last = i + 1;
        inGroup += bytes;
    }
}

/* The rows a group's shapes reach, [*y0, *y1), and the pixels of their
 * bounding boxes. */
void GroupExtent(const Canvas &c, const ShapeList &list, const ShapeGroup &group, int *y0,
                 int *y1, double *pixels)
{
    *y0 = c.height;
    *y1 = 0;
    *pixels = 0.0;
    for (int i = group.first; i < group.last; i++) {
        const Shape &sh = list.shapes[i];
        *y0 = std::min(*y0, sh.y0);
        *y1 = std::max(*y1, sh.y1);
        *pixels += sh.pixels;
    }
}

/* Forgets the kept cuts of every shape whose key changed.  The caller
 * holds g_cutsLock. */
void RenewCuts(const Canvas &c, const ShapeList &list)
{
    const int n = (int)list.shapes.size();
    if (g_cuts.size() < (size_t)n)
        g_cuts.resize(n);
    for (int i = 0; i < n; i++) {
        const Shape &sh = list.shapes[i];
        CutKey key = CutKeyOf(c, sh);
        KeptCuts &kept = g_cuts[i];
        if (kept.known && kept.key == key)
            continue;
        kept.key = key;
        kept.known = false;
        kept.rows.resize(std::max(sh.y1 - sh.y0, 0));
    }
}

/* The shapes reaching rows [top, bottom) of a group, in list order, with their cuts:
 * those not kept are worked out for these rows, and kept ones of the next
 * block fetched.  Each block writes only its own rows' cuts. */
void FindReaching(const Canvas &c, const ShapeList &list, const ShapeGroup &group, int top,
                  int bottom, std::vector<Reaching> *reaching)
{
    reaching->clear();
    for (int i = group.first; i < group.last; i++) {
        const Shape &sh = list.shapes[i];
        if (sh.y1 <= top || sh.y0 >= bottom)
            continue;
        RowCut *at = g_cuts[i].rows.data() - sh.y0;
        reaching->push_back({&sh, at});
        if (g_cuts[i].known) {
            /* the buffer's clear since the render before pushed the kept
             * cuts out of the cache: the next block's come in while this
             * one is drawn */
            const int last = std::min(bottom + kRowsAtOnce, sh.y1) - 1;
            for (int y = std::max(bottom, sh.y0); y <= last; y += 4)
                __builtin_prefetch(at + y);
            if (last >= bottom)
                __builtin_prefetch(at + last);
            continue;
        }
        for (int y = std::max(top, sh.y0); y < std::min(bottom, sh.y1); y++)
            at[y] = CutOf(c, sh, y);
    }
}

/* Draws rows [top, bottom) row by row, the reaching shapes in list order,
 * then rolls off (with rollOff) and records the span each row drew in
 * touched (when set). */
void DrawBlock(const Canvas &c, const SpanLoops &loops, const std::vector<Reaching> &reaching,
               int top, int bottom, bool rollOff, RowSpans *touched)
{
    for (int y = top; y < bottom; y++) {
        int from = INT_MAX, to = INT_MIN;
        for (const Reaching &r : reaching) {
            const Shape &sh = *r.shape;
            if (y < sh.y0 || y >= sh.y1)
                continue;
            const RowCut &cut = r.cuts[y];
            if (cut.x0 >= cut.x1)
                continue;
            ShapeRow(c, sh, loops, y, cut);
            from = std::min(from, cut.x0);
            to = std::max(to, cut.x1);
        }
        if (from >= to)
            continue;
        if (rollOff) {
            size_t row = (size_t)y * c.width + from;
            loops.softClip(c.r + row, c.g + row, c.b + row, to - from);
        }
        if (touched)
            touched->Mark(y, from, to);
    }
}

int ThreadsFor(const Canvas &c, int rows, double pixels)
{
    int threads = std::min(c.threads, rows);
    if (c.pixelsPerThread > 0.0)
        threads = std::min(threads, std::max(1, (int)(pixels / c.pixelsPerThread)));
    return threads;
}

/* Draws a group's shapes over the rows they reach, the rows shared among
 * the canvas's threads in blocks. */
void DrawGroup(const Canvas &canvas, const ShapeList &list, const ShapeGroup &group,
               bool rollOff, RowSpans *touched)
{
    int y0, y1;
    double pixels;
    GroupExtent(canvas, list, group, &y0, &y1, &pixels);
    if (y0 >= y1)
        return;
    const SpanLoops &loops = Loops();
    /* Blocks are dealt out one at a time, so that a thread that drew cheap
     * rows takes more; each row is drawn by exactly one thread. */
    std::atomic<int> next{y0};
    auto work = [&]() {
        std::vector<Reaching> &reaching = t_reaching;
        for (;;) {
            int top = next.fetch_add(kRowsAtOnce);
            if (top >= y1)
                return;
            int bottom = std::min(top + kRowsAtOnce, y1);
            FindReaching(canvas, list, group, top, bottom, &reaching);
            DrawBlock(canvas, loops, reaching, top, bottom, rollOff, touched);
        }
    };
    std::vector<std::thread> helpers;
    for (int i = 1, threads = ThreadsFor(canvas, y1 - y0, pixels); i < threads; i++)
        helpers.emplace_back(work);
    work();
    for (std::thread &t : helpers)
        t.join();
}

/* The groups of the render under way and the spans they drew: used only
 * while DrawShapes holds g_cutsLock. */
std::vector<ShapeGroup> g_groups;
RowSpans g_groupSpans;

/* After every group: the roll-off (with rollOff) and the record of each
 * row's span, as one sweep would have done them. */
void FinishRows(Canvas *c, bool rollOff)
{
    const SpanLoops &loops = Loops();
    for (int y = 0; y < c->height; y++) {
        int from = g_groupSpans.x0[y], to = g_groupSpans.x1[y];
        if (from >= to)
            continue;
        if (rollOff) {
            size_t row = (size_t)y * c->width + from;
            loops.softClip(c->r + row, c->g + row, c->b + row, to - from);
        }
        if (c->touched)
            c->touched->Mark(y, from, to);
    }
}

} // namespace

void DrawShapes(Canvas *c, const ShapeList &list, bool rollOff)
{
    if (list.shapes.empty())
        return;
    std::lock_guard<std::mutex> hold(g_cutsLock);
    RenewCuts(*c, list);
    GroupShapes(list, &g_groups);
    if (g_groups.size() == 1) {
        DrawGroup(*c, list, g_groups[0], rollOff, c->touched);
    } else {
        g_groupSpans.Reset(c->height);
        for (const ShapeGroup &group : g_groups)
            DrawGroup(*c, list, group, false, &g_groupSpans);
        FinishRows(c, rollOff);
    }
    for (size_t i = 0; i < list.shapes.size(); i++)
        g_cuts[i].known = true;
}

void SoftClipRow(float *r, float *g, float *b, int n)
{
    if (n > 0)
        Loops().softClip(r, g, b, n);
}

int SetRenderSimd(int level)
{
    int best = DetectSimd();
    g_simd = level < 0 || level > best ? best : level;
    return g_simd;
}

void RowSpans::Reset(int height)
{
    x0.assign(height, INT_MAX);
    x1.assign(height, INT_MIN);
}

void UpsampleAdd(Canvas *full, Canvas *small, const RowSpans &drawn)
{
    const int sw = small->width, sh = small->height, width = full->width;
    if (sw <= 0 || sh <= 0 || (int)drawn.x0.size() < sh)
        return;
    /* A full pixel (x, y) samples small (x / 2 - 0.25, y / 2 - 0.25): 3/4 of
     * the nearest small pixel and 1/4 of the next one, in each direction.
     * Per full row, the two small rows it blends are mixed over the union
     * of their spans (one pixel wider on each side for the horizontal
     * taps), and only the full pixels those can reach are added to. */
    std::vector<float> mixed((size_t)sw + 2, 0.0f), even(sw), odd(sw), wide((size_t)width + 2);
    float *m = mixed.data() + 1;   /* m[-1] and m[sw] repeat the edges */
    float *planes[3] = {small->r, small->g, small->b};
    float *out[3] = {full->r, full->g, full->b};
    for (int y = 0; y < full->height; y++) {
        int i = std::min(y >> 1, sh - 1);
        int other = (y & 1) ? std::min(i + 1, sh - 1) : std::max(i - 1, 0);
        int ua = std::min(drawn.x0[i], drawn.x0[other]);
        int ub = std::max(drawn.x1[i], drawn.x1[other]);
        if (ua >= ub)
            continue;
        int ma = std::max(ua - 2, 0), mb = std::min(ub + 2, sw);
        int xa = std::max(2 * (ua - 1), 0), xb = std::min(2 * (ub + 1), width);
        for (int p = 0; p < 3; p++) {
            const float *a = planes[p] + (size_t)i * sw, *b = planes[p] + (size_t)other * sw;
            for (int x = ma; x < mb; x++)
                m[x] = 0.75f * a[x] + 0.25f * b[x];
            m[-1] = m[0];
            m[sw] = m[sw - 1];
            /* full pixel 2j takes 1/4 of small j - 1 and 3/4 of j, 2j + 1
             * 3/4 of j and 1/4 of j + 1: worked out in plain loops over j
             * that the compiler vectorises, then interleaved */
            const int j0 = xa >> 1, j1 = (xb + 1) >> 1;
            for (int j = j0; j < j1; j++)
                even[j] = 0.25f * m[j - 1] + 0.75f * m[j];
            for (int j = j0; j < j1; j++)
                odd[j] = 0.75f * m[j] + 0.25f * m[j + 1];
            for (int j = j0; j < j1; j++) {
                wide[2 * j] = even[j];
                wide[2 * j + 1] = odd[j];
            }
            float *o = out[p] + (size_t)y * width;
            for (int x = xa; x < xb; x++)
                o[x] += wide[x];
        }
        const size_t at = (size_t)y * width + xa;
        SoftClipRow(out[0] + at, out[1] + at, out[2] + at, xb - xa);
    }
    for (int y = 0; y < sh; y++)
        if (drawn.x0[y] < drawn.x1[y])
            for (int p = 0; p < 3; p++)
                std::fill(planes[p] + (size_t)y * sw + drawn.x0[y],
                          planes[p] + (size_t)y * sw + drawn.x1[y], 0.0f);
}

} // namespace ka

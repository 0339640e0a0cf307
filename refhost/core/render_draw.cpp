/*
 * render_draw.cpp - the renderer's drawing routines (see render_draw.h).
 *
 * Every routine first works out, in double precision, the rows its shape
 * can reach and, per row, the span of pixels inside the shape, clipped to
 * the canvas; only then does it loop, in float, over that span.  Centres
 * may lie far outside the canvas and sizes may be huge: spans are clamped
 * before any conversion to int, table indices are clamped to the table.
 */
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "render.h"
#include "render_draw.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KA_X86 1
#else
#define KA_X86 0
#endif

namespace ka {

namespace {

/* ceil/floor of a double as a pixel index clamped to [lo, hi]. */
int CeilClamp(double v, int lo, int hi)
{
    if (!(v > lo))
        return lo;
    if (v >= hi)
        return hi;
    return (int)std::ceil(v);
}

int FloorClamp(double v, int lo, int hi)
{
    if (!(v > lo))
        return lo;
    if (v >= hi)
        return hi;
    return (int)std::floor(v);
}

/* Rows whose flare-space distance from cy stays below reach. */
void RowRange(const Canvas *c, double cy, double reach, int *y0, int *y1)
{
    double half = reach / c->stretch;
    *y0 = CeilClamp(cy - half, 0, c->height);
    *y1 = FloorClamp(cy + half, -1, c->height - 1) + 1;
}

/* Pixels of a row whose distance from cx stays below half. */
void SpanAround(const Canvas *c, double cx, double half, int *x0, int *x1)
{
    *x0 = CeilClamp(cx - half, 0, c->width);
    *x1 = FloorClamp(cx + half, -1, c->width - 1) + 1;
}

void GrowRow(Canvas *c, Box *box, int y, int x0, int x1)
{
    if (x0 >= x1)
        return;
    if (c->touched)
        c->touched->Mark(y, x0, x1);
    Box row;
    row.x0 = x0;
    row.x1 = x1;
    row.y0 = y;
    row.y1 = y + 1;
    Grow(box, row);
}

/* Runs row(y, &x0, &x1) for every row of [y0, y1), which draws the row and
 * gives the span it drew (x0 >= x1: none); the spans then grow the box and
 * the canvas's record, in row order.  With the canvas allowing threads
 * and enough pixels to draw (work), the rows are split into as many
 * contiguous bands, one thread each: a row never depends on another, so
 * the pixels are the same bit for bit whatever the split. */
template <typename Row>
Box ForRows(Canvas *c, int y0, int y1, double work, Row row)
{
    Box box;
    if (y0 >= y1)
        return box;
    const double kThreadWork = 65536.0;   /* pixels below which a thread costs more than it saves */
    int bands = std::min(c->threads, y1 - y0);
    if (bands > 1 && work >= kThreadWork * bands) {
        std::vector<int> spans(2 * (size_t)(y1 - y0));
        std::vector<std::thread> helpers;
        auto runBand = [&](int band) {
            int from = y0 + (int)((int64_t)(y1 - y0) * band / bands);
            int to = y0 + (int)((int64_t)(y1 - y0) * (band + 1) / bands);
            for (int y = from; y < to; y++)
                row(y, &spans[2 * (size_t)(y - y0)], &spans[2 * (size_t)(y - y0) + 1]);
        };
        for (int band = 1; band < bands; band++)
            helpers.emplace_back(runBand, band);
        runBand(0);
        for (std::thread &t : helpers)
            t.join();
        for (int y = y0; y < y1; y++)
            GrowRow(c, &box, y, spans[2 * (size_t)(y - y0)], spans[2 * (size_t)(y - y0) + 1]);
        return box;
    }
    for (int y = y0; y < y1; y++) {
        int x0, x1;
        row(y, &x0, &x1);
        GrowRow(c, &box, y, x0, x1);
    }
    return box;
}

/* Walks the rows of a disc of flare-space radius outer around (cx, cy):
 * span(y, dyf, x0, x1) gets each row's clipped, non-empty pixel span and
 * the row's flare-space offset; the spans drawn grow the box. */
template <typename Span>
Box ForEachDiscRow(Canvas *c, double cx, double cy, double outer, Span span)
{
    int y0, y1;
    RowRange(c, cy, outer, &y0, &y1);
    double work = (double)(y1 - y0) * std::min(2.0 * outer, (double)c->width);
    return ForRows(c, y0, y1, work, [&](int y, int *x0, int *x1) {
        *x0 = *x1 = 0;
        double dyf = (y - cy) * c->stretch;
        double q = outer * outer - dyf * dyf;
        if (q <= 0.0)
            return;
        SpanAround(c, cx, std::sqrt(q), x0, x1);
        if (*x0 < *x1)
            span(y, dyf, *x0, *x1);
    });
}

void RadialSpanScalar(float *R, float *G, float *B, int n, float dx0, float dy2, float perPixel,
                      float last, const float *tr, const float *tg, const float *tb)
{
    for (int i = 0; i < n; i++) {
        float dx = dx0 + (float)i;
        float f = std::sqrt(dx * dx + dy2) * perPixel;
        int k = (int)(f < last ? f : last);
        R[i] += tr[k];
        G[i] += tg[k];
        B[i] += tb[k];
    }
}

void SoftClipScalar(float *row, int n)
{
    const float knee = kSoftKnee, room = 1.0f - kSoftKnee;
    for (int x = 0; x < n; x++) {
        float over = std::max(row[x] - knee, 0.0f);
        row[x] = std::min(row[x], knee) + room * over / (over + room);
    }
}

#if KA_X86
/* The AVX2 loops hand their last few pixels to SSE2 or plain code: they
 * clear the upper halves of the vector registers first (the compiler does
 * not before such a tail call), since SSE code that runs while those are
 * dirty runs several times slower, here and in everything after it. */

/* Four pixels at a time; the same arithmetic as the scalar loop (IEEE
 * square root and division), so the same table entries and sums. */
void RadialSpanSse2(float *R, float *G, float *B, int n, float dx0, float dy2, float perPixel,
                    float last, const float *tr, const float *tg, const float *tb)
{
    const __m128 step = _mm_set_ps(3.0f, 2.0f, 1.0f, 0.0f), vdy2 = _mm_set1_ps(dy2);
    const __m128 vper = _mm_set1_ps(perPixel), vlast = _mm_set1_ps(last);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128 dx = _mm_add_ps(_mm_set1_ps(dx0 + (float)i), step);
        __m128 f = _mm_mul_ps(_mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), vdy2)), vper);
        alignas(16) int k[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(k), _mm_cvttps_epi32(_mm_min_ps(f, vlast)));
        _mm_storeu_ps(R + i, _mm_add_ps(_mm_loadu_ps(R + i),
                                        _mm_set_ps(tr[k[3]], tr[k[2]], tr[k[1]], tr[k[0]])));
        _mm_storeu_ps(G + i, _mm_add_ps(_mm_loadu_ps(G + i),
                                        _mm_set_ps(tg[k[3]], tg[k[2]], tg[k[1]], tg[k[0]])));
        _mm_storeu_ps(B + i, _mm_add_ps(_mm_loadu_ps(B + i),
                                        _mm_set_ps(tb[k[3]], tb[k[2]], tb[k[1]], tb[k[0]])));
    }
    RadialSpanScalar(R + i, G + i, B + i, n - i, dx0 + (float)i, dy2, perPixel, last, tr, tg, tb);
}

__attribute__((target("avx2"))) void RadialSpanAvx2(float *R, float *G, float *B, int n,
                                                    float dx0, float dy2, float perPixel,
                                                    float last, const float *tr,
                                                    const float *tg, const float *tb)
{
    const __m256 step = _mm256_set_ps(7.0f, 6.0f, 5.0f, 4.0f, 3.0f, 2.0f, 1.0f, 0.0f);
    const __m256 vdy2 = _mm256_set1_ps(dy2), vper = _mm256_set1_ps(perPixel);
    const __m256 vlast = _mm256_set1_ps(last);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256 dx = _mm256_add_ps(_mm256_set1_ps(dx0 + (float)i), step);
        __m256 f = _mm256_mul_ps(_mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(dx, dx), vdy2)), vper);
        __m256i k = _mm256_cvttps_epi32(_mm256_min_ps(f, vlast));
        _mm256_storeu_ps(R + i, _mm256_add_ps(_mm256_loadu_ps(R + i), _mm256_i32gather_ps(tr, k, 4)));
        _mm256_storeu_ps(G + i, _mm256_add_ps(_mm256_loadu_ps(G + i), _mm256_i32gather_ps(tg, k, 4)));
        _mm256_storeu_ps(B + i, _mm256_add_ps(_mm256_loadu_ps(B + i), _mm256_i32gather_ps(tb, k, 4)));
    }
    _mm256_zeroupper();
    RadialSpanSse2(R + i, G + i, B + i, n - i, dx0 + (float)i, dy2, perPixel, last, tr, tg, tb);
}

void SoftClipSse2(float *row, int n)
{
    const __m128 knee = _mm_set1_ps(kSoftKnee), room = _mm_set1_ps(1.0f - kSoftKnee);
    const __m128 zero = _mm_setzero_ps();
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        __m128 v = _mm_loadu_ps(row + x);
        __m128 over = _mm_max_ps(_mm_sub_ps(v, knee), zero);
        __m128 rolled = _mm_div_ps(_mm_mul_ps(room, over), _mm_add_ps(over, room));
        _mm_storeu_ps(row + x, _mm_add_ps(_mm_min_ps(v, knee), rolled));
    }
    SoftClipScalar(row + x, n - x);
}

__attribute__((target("avx2"))) void SoftClipAvx2(float *row, int n)
{
    const __m256 knee = _mm256_set1_ps(kSoftKnee), room = _mm256_set1_ps(1.0f - kSoftKnee);
    const __m256 zero = _mm256_setzero_ps();
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        __m256 v = _mm256_loadu_ps(row + x);
        __m256 over = _mm256_max_ps(_mm256_sub_ps(v, knee), zero);
        __m256 rolled = _mm256_div_ps(_mm256_mul_ps(room, over), _mm256_add_ps(over, room));
        _mm256_storeu_ps(row + x, _mm256_add_ps(_mm256_min_ps(v, knee), rolled));
    }
    _mm256_zeroupper();
    SoftClipSse2(row + x, n - x);
}
#endif

/* The vector level in use: set on first use from the CPU, or by
 * SetRenderSimd; read by every span. */
std::atomic<int> g_simd{-1};

int DetectSimd()
{
#if KA_X86
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? 2 : 1;
#else
    return 0;
#endif
}

int Simd()
{
    int level = g_simd.load(std::memory_order_relaxed);
    if (level < 0) {
        level = DetectSimd();
        g_simd = level;
    }
    return level;
}

void RadialSpan(float *R, float *G, float *B, int n, float dx0, float dy2, float perPixel,
                float last, const float *tr, const float *tg, const float *tb)
{
#if KA_X86
    int level = Simd();
    if (level >= 2)
        return RadialSpanAvx2(R, G, B, n, dx0, dy2, perPixel, last, tr, tg, tb);
    if (level == 1)
        return RadialSpanSse2(R, G, B, n, dx0, dy2, perPixel, last, tr, tg, tb);
#endif
    RadialSpanScalar(R, G, B, n, dx0, dy2, perPixel, last, tr, tg, tb);
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

} // namespace

void Grow(Box *into, const Box &more)
{
    if (more.Empty())
        return;
    if (into->Empty()) {
        *into = more;
        return;
    }
    into->x0 = std::min(into->x0, more.x0);
    into->y0 = std::min(into->y0, more.y0);
    into->x1 = std::max(into->x1, more.x1);
    into->y1 = std::max(into->y1, more.y1);
}

/* The texture at a flare-space offset from the shape's centre: nearest
 * texel, wrapped. */
inline float TextureAt(const Texture &tex, float dx, float dy)
{
    const int mask = Texture::kSize - 1;
    int u = (int)std::floor(dx * tex.perPixel + tex.shift) & mask;
    int v = (int)std::floor(dy * tex.perPixel + tex.shift) & mask;
    return tex.texel[(size_t)v * Texture::kSize + u];
}

void TexturedSpan(float *R, float *G, float *B, int n, float dx0, float dy, float perPixel,
                  float last, const float *tr, const float *tg, const float *tb,
                  const Texture &tex)
{
    for (int i = 0; i < n; i++) {
        float dx = dx0 + (float)i;
        float f = std::sqrt(dx * dx + dy * dy) * perPixel;
        int k = (int)(f < last ? f : last);
        float m = TextureAt(tex, dx, dy);
        R[i] += m * tr[k];
        G[i] += m * tg[k];
        B[i] += m * tb[k];
    }
}

Box DrawRadial(Canvas *c, double cx, double cy, const RadialTable &t, const Texture *texture)
{
    if (t.count <= 0 || !(t.outer > 0.0f))
        return Box();
    if (texture && (int)texture->texel.size() != Texture::kSize * Texture::kSize)
        texture = nullptr;
    const double outer = t.outer, inner = t.inner;
    const float last = (float)t.count;
    return ForEachDiscRow(c, cx, cy, outer, [&](int y, double dyf, int x0, int x1) {
        /* the hole of an annulus is skipped, not drawn as zeros */
        int h0 = x1, h1 = x1;
        if (inner > std::fabs(dyf)) {
            SpanAround(c, cx, std::sqrt(inner * inner - dyf * dyf), &h0, &h1);
            h0 = std::max(h0, x0);
            h1 = std::max(h1, h0);
        }
        size_t row = (size_t)y * c->width;
        float dy2 = (float)(dyf * dyf);
        int left = std::min(h0, x1);
        int right = std::max(h1, x0);
        if (texture) {
            if (left > x0)
                TexturedSpan(c->r + row + x0, c->g + row + x0, c->b + row + x0, left - x0,
                             (float)(x0 - cx), (float)dyf, t.perPixel, last, t.r.data(),
                             t.g.data(), t.b.data(), *texture);
            if (x1 > right)
                TexturedSpan(c->r + row + right, c->g + row + right, c->b + row + right,
                             x1 - right, (float)(right - cx), (float)dyf, t.perPixel, last,
                             t.r.data(), t.g.data(), t.b.data(), *texture);
            return;
        }
        if (left > x0)
            RadialSpan(c->r + row + x0, c->g + row + x0, c->b + row + x0, left - x0,
                       (float)(x0 - cx), dy2, t.perPixel, last, t.r.data(), t.g.data(),
                       t.b.data());
        if (x1 > right)
            RadialSpan(c->r + row + right, c->g + row + right, c->b + row + right, x1 - right,
                       (float)(right - cx), dy2, t.perPixel, last, t.r.data(), t.g.data(),
                       t.b.data());
    });
}

Box DrawPolygon(Canvas *c, double cx, double cy, int sides, float rotation, float roundness,
                const RadialTable &t, const Texture *texture)
{
    if (texture && (int)texture->texel.size() != Texture::kSize * Texture::kSize)
        texture = nullptr;
    if (sides < 3 || sides > 16 || !(roundness < 1.0f))
        return DrawRadial(c, cx, cy, t, texture);
    Box box;
    if (t.count <= 0 || !(t.outer > 0.0f))
        return box;
    /* Projections on the edge normals, scaled so that the polygon's own
     * radius equals the corner radius on every edge. */
    float nx[16], ny[16];
    const double pi = 3.14159265358979323846;
    double toCorner = 1.0 / std::cos(pi / sides);
    for (int k = 0; k < sides; k++) {
        double a = rotation + pi / sides + 2.0 * pi * k / sides;
        nx[k] = (float)(std::cos(a) * toCorner);
        ny[k] = (float)(std::sin(a) * toCorner);
    }
    const float round = roundness > 0.0f ? roundness : 0.0f;
    const double outer = t.outer;
    const float last = (float)t.count, perPixel = t.perPixel;
    const float *tr = t.r.data(), *tg = t.g.data(), *tb = t.b.data();
    return ForEachDiscRow(c, cx, cy, outer, [&](int y, double dyf, int x0, int x1) {
        size_t row = (size_t)y * c->width;
        float *R = c->r + row, *G = c->g + row, *B = c->b + row;
        float fy = (float)dyf, dx0 = (float)(x0 - cx);
        for (int x = x0; x < x1; x++) {
            float fx = dx0 + (float)(x - x0);
            float m = fx * nx[0] + fy * ny[0];
            for (int k = 1; k < sides; k++)
                m = std::max(m, fx * nx[k] + fy * ny[k]);
            if (round > 0.0f)
                m += round * (std::sqrt(fx * fx + fy * fy) - m);
            float f = m * perPixel;
            int i = (int)(f < last ? f : last);
            float w = texture ? TextureAt(*texture, fx, fy) : 1.0f;
            R[x] += w * tr[i];
            G[x] += w * tg[i];
            B[x] += w * tb[i];
        }
    });
}

Box DrawStreak(Canvas *c, double cx, double cy, float ux, float uy, const float rgb[3],
               const StreakTable &t)
{
    int na = (int)t.along.size() - 1, np = (int)t.across.size() - 1;
    if (na <= 0 || np <= 0 || !(t.alongMax > t.alongMin) || !(t.acrossMax > 0.0f))
        return Box();
    const double s = c->stretch;
    const double vx = -uy, vy = ux;
    /* rows: the flare-space rectangle's corners */
    double top = -1e300, bottom = 1e300;
    for (int corner = 0; corner < 4; corner++) {
        double a = corner & 1 ? t.alongMax : t.alongMin;
        double p = corner & 2 ? t.acrossMax : -t.acrossMax;
        double fy = a * uy + p * vy;
        top = std::max(top, fy);
        bottom = std::min(bottom, fy);
    }
    int y0 = CeilClamp(cy + bottom / s, 0, c->height);
    int y1 = FloorClamp(cy + top / s, -1, c->height - 1) + 1;
    const float aPer = t.alongPerPixel, pPer = t.acrossPerPixel;
    const float aLast = (float)na, pLast = (float)np;
    const float *along = t.along.data(), *across = t.across.data();
    const float cr = rgb[0], cg = rgb[1], cb = rgb[2];
    double perRow = std::fabs(uy) > 1e-3 ? std::min((double)c->width, 2.0 * t.acrossMax / std::fabs(uy))
                                         : (double)c->width;
    double work = (double)(y1 - y0) * perRow;
    return ForRows(c, y0, y1, work, [&](int y, int *x0, int *x1) {
        *x0 = *x1 = 0;
        double dyf = (y - cy) * s;
        double from = -1e300, to = 1e300;
        NarrowSlab(ux, uy * dyf, t.alongMin, t.alongMax, &from, &to);
        NarrowSlab(vx, vy * dyf, -t.acrossMax, t.acrossMax, &from, &to);
        if (!(from <= to))
            return;
        *x0 = CeilClamp(cx + from, 0, c->width);
        *x1 = FloorClamp(cx + to, -1, c->width - 1) + 1;
        if (*x0 >= *x1)
            return;
        double dx0 = *x0 - cx;
        float a0 = (float)((dx0 * ux + dyf * uy - t.alongMin) * aPer);
        float p0 = (float)((dx0 * vx + dyf * vy) * pPer);
        float aStep = ux * aPer, pStep = (float)vx * pPer;
        size_t row = (size_t)y * c->width;
        float *R = c->r + row, *G = c->g + row, *B = c->b + row;
        for (int x = *x0; x < *x1; x++) {
            float i = (float)(x - *x0);
            float fa = a0 + i * aStep;
            float fp = std::fabs(p0 + i * pStep);
            fa = std::min(std::max(fa, 0.0f), aLast);
            fp = std::min(fp, pLast);
            float v = along[(int)fa] * across[(int)fp];
            R[x] += v * cr;
            G[x] += v * cg;
            B[x] += v * cb;
        }
    });
}

/* What a row of rays reads (see RayTable). */
struct RayTables {
    const float *strength, *inverseLength, *env, *level, *tr, *tg, *tb;
    float perPixel, last, angleScale, envScale, envLast;
    int n;
};

void RaySpanScalar(const RayTables &t, float *R, float *G, float *B, int count, float dx0,
                   float fy)
{
    const int n = t.n, mask = n - 1;
    const float fy2 = fy * fy;
    for (int x = 0; x < count; x++) {
        float fx = dx0 + (float)x;
        float d = std::sqrt(fx * fx + fy2);
        float fc = std::min(d * t.perPixel, t.last);
        int k = (int)fc;
        float lv = t.level[k];
        int l = (int)lv;
        float f = lv - (float)l;
        int j = ((int)(PseudoAngle(fx, fy) * t.angleScale) & mask) + l * n;
        float s = t.strength[j] + f * (t.strength[j + n] - t.strength[j]);
        float il = t.inverseLength[j] + f * (t.inverseLength[j + n] - t.inverseLength[j]);
        float te = std::min(d * il * t.envScale, t.envLast);
        float w = s * t.env[(int)te];
        R[x] += w * t.tr[k];
        G[x] += w * t.tg[k];
        B[x] += w * t.tb[k];
    }
}

#if KA_X86
/* Eight pixels at a time with gathers; the scalar loop's arithmetic in the
 * same order, so the same table entries. */
__attribute__((target("avx2"))) void RaySpanAvx2(const RayTables &t, float *R, float *G,
                                                 float *B, int count, float dx0, float fy)
{
    const __m256 step = _mm256_set_ps(7.0f, 6.0f, 5.0f, 4.0f, 3.0f, 2.0f, 1.0f, 0.0f);
    const __m256 vfy = _mm256_set1_ps(fy), vfy2 = _mm256_set1_ps(fy * fy);
    const __m256 ay = _mm256_set1_ps(std::fabs(fy));
    const __m256 zero = _mm256_setzero_ps(), two = _mm256_set1_ps(2.0f);
    const __m256 offset = _mm256_set1_ps(fy < 0 ? 4.0f : 0.0f);
    const __m256i mask = _mm256_set1_epi32(t.n - 1), vn = _mm256_set1_epi32(t.n);
    const __m256 signMask = _mm256_set1_ps(-0.0f);
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        __m256 fx = _mm256_add_ps(_mm256_set1_ps(dx0 + (float)x), step);
        __m256 d = _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(fx, fx), vfy2));
        __m256i k = _mm256_cvttps_epi32(
            _mm256_min_ps(_mm256_mul_ps(d, _mm256_set1_ps(t.perPixel)), _mm256_set1_ps(t.last)));
        __m256 lv = _mm256_i32gather_ps(t.level, k, 4);
        __m256i l = _mm256_cvttps_epi32(lv);
        __m256 f = _mm256_sub_ps(lv, _mm256_cvtepi32_ps(l));
        __m256 ax = _mm256_andnot_ps(signMask, fx);
        __m256 p = _mm256_div_ps(vfy, _mm256_add_ps(_mm256_add_ps(ax, ay), _mm256_set1_ps(1e-30f)));
        __m256 right = _mm256_add_ps(offset, p);   /* y < 0: 4 + p, else p (+0) */
        __m256 pa = _mm256_blendv_ps(right, _mm256_sub_ps(two, p), _mm256_cmp_ps(fx, zero, _CMP_LT_OQ));
        __m256i j = _mm256_add_epi32(
            _mm256_and_si256(_mm256_cvttps_epi32(_mm256_mul_ps(pa, _mm256_set1_ps(t.angleScale))), mask),
            _mm256_mullo_epi32(l, vn));
        __m256i jn = _mm256_add_epi32(j, vn);
        __m256 s0 = _mm256_i32gather_ps(t.strength, j, 4), s1 = _mm256_i32gather_ps(t.strength, jn, 4);
        __m256 i0 = _mm256_i32gather_ps(t.inverseLength, j, 4);
        __m256 i1 = _mm256_i32gather_ps(t.inverseLength, jn, 4);
        __m256 s = _mm256_add_ps(s0, _mm256_mul_ps(f, _mm256_sub_ps(s1, s0)));
        __m256 il = _mm256_add_ps(i0, _mm256_mul_ps(f, _mm256_sub_ps(i1, i0)));
        __m256 te = _mm256_min_ps(_mm256_mul_ps(_mm256_mul_ps(d, il), _mm256_set1_ps(t.envScale)),
                                  _mm256_set1_ps(t.envLast));
        __m256 w = _mm256_mul_ps(s, _mm256_i32gather_ps(t.env, _mm256_cvttps_epi32(te), 4));
        _mm256_storeu_ps(R + x, _mm256_add_ps(_mm256_loadu_ps(R + x), _mm256_mul_ps(w, _mm256_i32gather_ps(t.tr, k, 4))));
        _mm256_storeu_ps(G + x, _mm256_add_ps(_mm256_loadu_ps(G + x), _mm256_mul_ps(w, _mm256_i32gather_ps(t.tg, k, 4))));
        _mm256_storeu_ps(B + x, _mm256_add_ps(_mm256_loadu_ps(B + x), _mm256_mul_ps(w, _mm256_i32gather_ps(t.tb, k, 4))));
    }
    _mm256_zeroupper();
    RaySpanScalar(t, R + x, G + x, B + x, count - x, dx0 + (float)x, fy);
}
#endif

Box DrawRays(Canvas *c, double cx, double cy, const RayTable &t)
{
    Box box;
    const RadialTable &col = t.colour;
    int n = t.angleCount;
    if (col.count <= 0 || !(col.outer > 0.0f) || n <= 0 || (n & (n - 1)) != 0 ||
        t.envelopeCount <= 0 || t.levelCount <= 0 || (int)t.level.size() < col.count + 1 ||
        t.strength.size() < (size_t)(t.levelCount + 1) * n ||
        t.inverseLength.size() < t.strength.size())
        return box;
    const double outer = col.outer;
    const float last = (float)col.count, perPixel = col.perPixel;
    RayTables rt = {t.strength.data(), t.inverseLength.data(), t.envelope.data(), t.level.data(),
                    col.r.data(), col.g.data(), col.b.data(), perPixel, last,
                    (float)n / 4.0f, (float)t.envelopeCount, (float)t.envelopeCount, n};
    const bool wide = Simd() >= 2;
    return ForEachDiscRow(c, cx, cy, outer, [&](int y, double dyf, int x0, int x1) {
        size_t row = (size_t)y * c->width + x0;
        float fy = (float)dyf, dx0 = (float)(x0 - cx);
#if KA_X86
        if (wide)
            return RaySpanAvx2(rt, c->r + row, c->g + row, c->b + row, x1 - x0, dx0, fy);
#endif
        RaySpanScalar(rt, c->r + row, c->g + row, c->b + row, x1 - x0, dx0, fy);
    });
}

void SoftClipRow(float *row, int n)
{
#if KA_X86
    int level = Simd();
    if (level >= 2)
        return SoftClipAvx2(row, n);
    if (level == 1)
        return SoftClipSse2(row, n);
#endif
    SoftClipScalar(row, n);
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
    std::vector<float> mixed((size_t)sw + 2, 0.0f);
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
            float *o = out[p] + (size_t)y * width;
            int x = xa;
            if (x & 1) {   /* odd start: the right half of a pair */
                int j = x >> 1;
                o[x] += 0.75f * m[j] + 0.25f * m[j + 1];
                x++;
            }
            int pairEnd = xb & ~1;
            for (; x < pairEnd; x += 2) {
                int j = x >> 1;
                o[x] += 0.25f * m[j - 1] + 0.75f * m[j];
                o[x + 1] += 0.75f * m[j] + 0.25f * m[j + 1];
            }
            if (x < xb) {   /* odd end: the left half of a pair */
                int j = x >> 1;
                o[x] += 0.25f * m[j - 1] + 0.75f * m[j];
            }
        }
    }
    for (int y = 0; y < sh; y++)
        if (drawn.x0[y] < drawn.x1[y])
            for (int p = 0; p < 3; p++)
                std::fill(planes[p] + (size_t)y * sw + drawn.x0[y],
                          planes[p] + (size_t)y * sw + drawn.x1[y], 0.0f);
}

} // namespace ka

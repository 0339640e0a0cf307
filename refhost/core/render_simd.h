/*
 * render_simd.h - the renderer's pixel loops, written once over a few
 * vector operations and compiled for four instruction sets: plain C++
 * (one pixel at a time) and SSE2 (four) in render_draw.cpp, AVX2 (eight)
 * in render_simd_avx2.cpp, AVX-512 (sixteen) in render_simd_avx512.cpp.
 * Every lane does the same IEEE operations in the same order as the plain
 * loop (no fused multiply-adds, exact square roots and divisions), so all
 * four give the same pixels.
 *
 * The loops and the operations have internal linkage: each file that
 * includes this gets its own copy, compiled for its own instruction set,
 * and nothing of one can end up called from the other.  For the same
 * reason this header includes no library header with inline code.
 */
#ifndef REFHOST_RENDER_SIMD_H
#define REFHOST_RENDER_SIMD_H

#include <stdint.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KA_X86 1
#else
#define KA_X86 0
#endif

namespace ka {

/* n pixels of one row from the planes' pointers (a null plane is a colour
 * the shape does not have), the first of them dx0 from the shape's centre
 * along x, the row dy from it (flare space); dy2 is dy * dy as the row
 * works it out. */
struct Span {
    float *r, *g, *b;
    int n;
    float dx0, dy, dy2;
};

/* A profile by distance (RadialTable), optionally times a texture tile of
 * 64 x 64 texels. */
struct RadialLoop {
    const float *rgbx;             /* four floats an entry */
    float perPixel, last;          /* entries a pixel; the last index */
    const float *texel;            /* null: no texture */
    float texPerPixel, texShift;
    int ahead;                     /* floats to the same pixel of the next row; 0: none */
};

/* A regular polygon: its own radius is the largest of fx * nx[k] + cy[k]
 * (cy[k] = dy * ny[k] for the row), blended with the distance by roundness.
 * Paired: side k + terms is side k turned half a turn, its nx and cy
 * exactly negated, so that the largest of |fx * nx[k] + cy[k]| over the
 * first terms sides is the same radius for half the work. */
struct PolygonLoop {
    RadialLoop radial;
    int terms;                     /* the sides, or half of them when paired */
    bool paired;
    float nx[16], cy[16];
    float roundness;
};

/* A streak: table positions a0 + i * aStep along, |p0 + i * pStep| across;
 * aLast = alongCount - 1, pLast = acrossCount - 1. */
struct StreakLoop {
    const float *along, *across;
    int alongCount, acrossCount;
    int ahead;                     /* as RadialLoop's */
    float a0, p0, aStep, pStep, aLast, pLast;
    float rgb[3];
};

/* Rays (RayTable): angleCount = 1 << angleShift; the envelope in
 * envScale steps over a ray's length, envStep = 1 / envScale. */
struct RayLoop {
    const float *angular, *colour;   /* colour: RadialTable::rgbx, level fourth */
    float perPixel, last, angleScale, envScale, envStep;
    int angleCount, angleShift;
    const float *folded;             /* null, or a round table on the centre drawn with the rays */
    float foldedPerPixel, foldedLast;
    int ahead;                       /* as RadialLoop's */
};

/* The loops of one instruction set. */
struct SpanLoops {
    void (*radial)(const Span &, const RadialLoop &);
    void (*polygon)(const Span &, const PolygonLoop &);
    void (*streak)(const Span &, const StreakLoop &);
    void (*rays)(const Span &, const RayLoop &);
    void (*softClip)(float *r, float *g, float *b, int n);   /* the three planes of a row */
};

extern const SpanLoops kPlainLoops;
#if KA_X86
extern const SpanLoops kSse2Loops;
extern const SpanLoops kAvx2Loops;
extern const SpanLoops kAvx512Loops;
#endif

/* The roll-off's knee and what is left above it. */
const float kLoopKnee = 0.8f, kLoopRoom = 1.0f - kLoopKnee;

/* The loops' helpers go inline into each loop, which then keeps its
 * vectors in registers: a call per vector passes them through memory
 * (on Windows always) and spills the rest around it. */
#define KA_LOOP_INLINE inline __attribute__((always_inline))
#define KA_LOOP_INLINE_LAMBDA __attribute__((always_inline))

namespace {

/* ---- one lane ---- */

struct Plain {
    static const int N = 1;
    typedef float F;
    typedef int32_t I;
    static F Set(float v) { return v; }
    static I SetI(int32_t v) { return v; }
    static F Index(int i) { return (float)i; }   /* the pixel numbers i .. i + N - 1 */
    static F Load(const float *p) { return *p; }
    static void Store(float *p, F v) { *p = v; }
    static F Sqrt(F v) { return __builtin_sqrtf(v); }
    static F Min(F a, F b) { return a < b ? a : b; }   /* as the vector instructions: b for NaN */
    static F Max(F a, F b) { return a > b ? a : b; }
    static F Abs(F v) { return __builtin_fabsf(v); }
    static I Trunc(F v) { return (int32_t)v; }         /* callers keep v inside int range */
    static F ToFloat(I v) { return (float)v; }
    static I Floor(F v)
    {
        I t = (int32_t)v;
        return (float)t > v ? t - 1 : t;
    }
    static I AndI(I a, int32_t mask) { return a & mask; }
    static I AddI(I a, I b) { return a + b; }
    static I ShlI(I a, int count) { return a << count; }
    static void StoreI(int32_t *p, I v) { *p = v; }
    static I LoadI(const int32_t *p) { return *p; }
    static F Gather(const float *table, I k) { return table[k]; }
    /* Up to 64 floats to pick from by index (0 .. 63), as a texture's row
     * or a short table; the second form reads only the first count. */
    struct Row64 {
        const float *at;
    };
    static Row64 LoadRow64(const float *p) { return {p}; }
    static Row64 LoadRow64(const float *p, int) { return {p}; }
    static F Pick(const Row64 &row, I u) { return row.at[u]; }
    /* table[k] where every lane's k lies within 0 .. N - 1 */
    static F PickRun(const float *table, I k) { return table[k]; }
    /* whether Pick and PickRun beat gathers (and are worth their set-up) */
    static const bool kPermutes = false;
    static const bool kMasks = false;   /* whether a span's last pixels go as one masked vector */
    static float First(F v) { return v; }   /* the first lane and the last */
    static float Last(F v) { return v; }
    /* Of a table of four-float entries, the entry that starts at
     * table + at[lane] for each lane, one float of it in each of out;
     * offsets are never negative, and as unsigned they need no sign
     * extension. */
    static void Gather4At(const float *table, const int32_t *at, F out[4])
    {
        for (int c = 0; c < 4; c++)
            out[c] = table[(uint32_t)at[0] + c];
    }
    static F SelectLess(F a, F b, F yes, F no) { return a < b ? yes : no; }
    static int Above(F a, F b) { return !(a <= b); }   /* a bit per lane; NaN counts as above */
};

#if KA_X86
struct Sse2 {
    static const int N = 4;
    typedef __m128 F;
    typedef __m128i I;
    static F Set(float v) { return _mm_set1_ps(v); }
    static I SetI(int32_t v) { return _mm_set1_epi32(v); }
    static F Index(int i) { return _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(i), _mm_set_epi32(3, 2, 1, 0))); }
    static F Load(const float *p) { return _mm_loadu_ps(p); }
    static void Store(float *p, F v) { _mm_storeu_ps(p, v); }
    static F Sqrt(F v) { return _mm_sqrt_ps(v); }
    static F Min(F a, F b) { return _mm_min_ps(a, b); }
    static F Max(F a, F b) { return _mm_max_ps(a, b); }
    static F Abs(F v) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), v); }
    static I Trunc(F v) { return _mm_cvttps_epi32(v); }
    static F ToFloat(I v) { return _mm_cvtepi32_ps(v); }
    static I Floor(F v)
    {
        I t = _mm_cvttps_epi32(v);
        return _mm_add_epi32(t, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(t), v)));
    }
    static I AndI(I a, int32_t mask) { return _mm_and_si128(a, _mm_set1_epi32(mask)); }
    static I AddI(I a, I b) { return _mm_add_epi32(a, b); }
    static I ShlI(I a, int count) { return _mm_sll_epi32(a, _mm_cvtsi32_si128(count)); }
    static void StoreI(int32_t *p, I v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }
    static I LoadI(const int32_t *p)
    {
        return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    }
    static F Gather(const float *table, I k)
    {
        alignas(16) int32_t i[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(i), k);
        return _mm_set_ps(table[i[3]], table[i[2]], table[i[1]], table[i[0]]);
    }
    struct Row64 {
        const float *at;
    };
    static Row64 LoadRow64(const float *p) { return {p}; }
    static Row64 LoadRow64(const float *p, int) { return {p}; }
    static F Pick(const Row64 &row, I u) { return Gather(row.at, u); }
    static F PickRun(const float *table, I k) { return Gather(table, k); }
    static const bool kPermutes = false;
    static const bool kMasks = false;
    static float First(F v) { return _mm_cvtss_f32(v); }
    static float Last(F v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, 3)); }
    static void Gather4At(const float *table, const int32_t *at, F out[4])
    {
        const uint32_t *u = reinterpret_cast<const uint32_t *>(at);
        F a = _mm_loadu_ps(table + u[0]), b = _mm_loadu_ps(table + u[1]);
        F c = _mm_loadu_ps(table + u[2]), d = _mm_loadu_ps(table + u[3]);
        F ab0 = _mm_unpacklo_ps(a, b), ab1 = _mm_unpackhi_ps(a, b);
        F cd0 = _mm_unpacklo_ps(c, d), cd1 = _mm_unpackhi_ps(c, d);
        out[0] = _mm_movelh_ps(ab0, cd0);
        out[1] = _mm_movehl_ps(cd0, ab0);
        out[2] = _mm_movelh_ps(ab1, cd1);
        out[3] = _mm_movehl_ps(cd1, ab1);
    }
    static F SelectLess(F a, F b, F yes, F no)
    {
        F m = _mm_cmplt_ps(a, b);
        return _mm_or_ps(_mm_and_ps(m, yes), _mm_andnot_ps(m, no));
    }
    static int Above(F a, F b) { return _mm_movemask_ps(_mm_cmpnle_ps(a, b)); }
};
#endif

/* ---- the loops: each does whole vectors from pixel i on and returns
 * where it stopped; the plain loop then does the rest, pixel by pixel,
 * with the same arithmetic ---- */

/* A texture's texels are nearest, wrapped: texel (u, v) for flare-space
 * offsets (dx, dy) from the shape's centre.  A span lies on one row, so
 * its texels come from one row of the tile (v of the span's dy, worked out
 * once with the same arithmetic as for every pixel), picked by u; none
 * when the shape has no texture. */
template <class V>
KA_LOOP_INLINE typename V::Row64 TextureRow(const RadialLoop &t, float dy)
{
    if (!t.texel)
        return typename V::Row64();
    const int size = 64;
    int v = Plain::AndI(Plain::Floor(dy * t.texPerPixel + t.texShift), size - 1);
    return V::LoadRow64(t.texel + size * v);
}

template <class V>
KA_LOOP_INLINE typename V::F TexelAt(const RadialLoop &t, const typename V::Row64 &row,
                                     typename V::F dx)
{
    return V::Pick(row, V::AndI(V::Floor(dx * V::Set(t.texPerPixel) + V::Set(t.texShift)), 63));
}

/* The pixels of a vector a loop reads and writes: all of them, or (on a
 * set that masks its lanes) the first few, the others neither read nor
 * written. */
struct AllLanes {
};

template <class Lanes>
struct IsAllLanes {
    static const bool value = false;
};

template <>
struct IsAllLanes<AllLanes> {
    static const bool value = true;
};

template <class V, class Lanes>
KA_LOOP_INLINE typename V::F LoadLanes(const float *p, Lanes lanes)
{
    if constexpr (IsAllLanes<Lanes>::value)
        return V::Load(p);
    else
        return V::LoadMasked(p, lanes);
}

template <class V, class Lanes>
KA_LOOP_INLINE void StoreLanes(float *p, typename V::F v, Lanes lanes)
{
    if constexpr (IsAllLanes<Lanes>::value)
        V::Store(p, v);
    else
        V::StoreMasked(p, v, lanes);
}

/* Calls vector(i, AllLanes()) for each whole vector from pixel i on and,
 * on a set that masks its lanes, vector(i, mask) once more for the span's
 * last pixels when at least least are left (a span of a few pixels, a
 * small reflex's or a steep streak's, then costs one vector rather than a
 * few narrower ones and single pixels); returns where it stopped. */
template <class V, class Vector>
KA_LOOP_INLINE int EachVector(int n, int i, Vector vector, int least = 1)
{
    for (; i + V::N <= n; i += V::N)
        vector(i, AllLanes());
    if constexpr (V::kMasks) {
        if (i + least <= n) {
            vector(i, V::FirstLanes(n - i));
            i = n;
        }
    }
    return i;
}

/* The pixels of a vector on the next row, ahead floats on, fetched a row
 * before they are drawn: a reflex or a streak's arm lies mostly where no
 * other shape has fetched its pixels, so that otherwise every vector
 * waits for its planes to come from memory.  Narrow vectors leave it to
 * the wide ones (a fetch brings 16 floats). */
template <class V>
KA_LOOP_INLINE void FetchAhead(const Span &s, int i, int ahead)
{
    if (V::N < 8 || !ahead)
        return;
    if (s.r)
        __builtin_prefetch(s.r + i + ahead, 1);
    if (s.g)
        __builtin_prefetch(s.g + i + ahead, 1);
    if (s.b)
        __builtin_prefetch(s.b + i + ahead, 1);
}

/* Adds a colour (times w) to the colours the span has. */
template <class V, class Lanes = AllLanes>
KA_LOOP_INLINE void AddColour(const Span &s, int i, const typename V::F rgb[3], typename V::F w,
                              Lanes lanes = Lanes())
{
    if (s.r)
        StoreLanes<V>(s.r + i, LoadLanes<V>(s.r + i, lanes) + w * rgb[0], lanes);
    if (s.g)
        StoreLanes<V>(s.g + i, LoadLanes<V>(s.g + i, lanes) + w * rgb[1], lanes);
    if (s.b)
        StoreLanes<V>(s.b + i, LoadLanes<V>(s.b + i, lanes) + w * rgb[2], lanes);
}

template <class V, class Lanes>
KA_LOOP_INLINE void AddUnweighted(const Span &s, int i, const typename V::F rgb[3], Lanes lanes)
{
    if (s.r)
        StoreLanes<V>(s.r + i, LoadLanes<V>(s.r + i, lanes) + rgb[0], lanes);
    if (s.g)
        StoreLanes<V>(s.g + i, LoadLanes<V>(s.g + i, lanes) + rgb[1], lanes);
    if (s.b)
        StoreLanes<V>(s.b + i, LoadLanes<V>(s.b + i, lanes) + rgb[2], lanes);
}

/* Of a table of four-float entries, entry k of each lane. */
template <class V>
KA_LOOP_INLINE void Gather4(const float *table, typename V::I k, typename V::F out[4])
{
    int32_t at[V::N];
    V::StoreI(at, V::ShlI(k, 2));
    V::Gather4At(table, at, out);
}

/* Adds entry k of a radial table, times the texture (its row for the
 * span) when it has one. */
template <class V, class Lanes>
KA_LOOP_INLINE void AddEntry(const Span &s, int i, const RadialLoop &t, typename V::I k,
                             typename V::F dx, const typename V::Row64 &row, Lanes lanes)
{
    typename V::F e[4];
    Gather4<V>(t.rgbx, k, e);
    if (t.texel)
        AddColour<V>(s, i, e, TexelAt<V>(t, row, dx), lanes);
    else
        AddUnweighted<V>(s, i, e, lanes);
}

template <class V>
KA_LOOP_INLINE int Pixels(Span s, RadialLoop t, int i)
{
    typedef typename V::F F;
    const F dx0 = V::Set(s.dx0), dy2 = V::Set(s.dy2);
    const F per = V::Set(t.perPixel), last = V::Set(t.last), zero = V::Set(0.0f);
    const typename V::Row64 row = TextureRow<V>(t, s.dy);
    return EachVector<V>(s.n, i, [&](int at, auto lanes) KA_LOOP_INLINE_LAMBDA {
        FetchAhead<V>(s, at, t.ahead);
        F dx = V::Index(at) + dx0;
        F f = V::Min(V::Max(V::Sqrt(dx * dx + dy2) * per, zero), last);
        AddEntry<V>(s, at, t, V::Trunc(f), dx, row, lanes);
    }, 8);   /* a round pixel costs little: fewer go four at a time and one by one */
}

/* A side's term of the polygon's radius at dx: fx * nx[k] + cy[k], or its
 * magnitude when paired (the larger of it and its opposite side's). */
template <class V, bool Paired>
KA_LOOP_INLINE typename V::F SideTerm(typename V::F dx, typename V::F nx, typename V::F cy)
{
    return Paired ? V::Abs(dx * nx + cy) : dx * nx + cy;
}

/* Terms > 0: that many terms, the loop over them unrolled; 0: p.terms. */
template <class V, int Terms, bool Paired>
KA_LOOP_INLINE int PolygonPixels(const Span &s, const PolygonLoop &p, int i)
{
    typedef typename V::F F;
    const RadialLoop &t = p.radial;
    const F dx0 = V::Set(s.dx0), dy2 = V::Set(s.dy2);
    const F per = V::Set(t.perPixel), last = V::Set(t.last), zero = V::Set(0.0f);
    const F round = V::Set(p.roundness);
    const typename V::Row64 row = TextureRow<V>(t, s.dy);
    const int terms = Terms > 0 ? Terms : p.terms;
    F nx[Terms > 0 ? Terms : 1], cy[Terms > 0 ? Terms : 1];
    for (int k = 0; k < Terms; k++) {
        nx[k] = V::Set(p.nx[k]);
        cy[k] = V::Set(p.cy[k]);
    }
    return EachVector<V>(s.n, i, [&](int at, auto lanes) KA_LOOP_INLINE_LAMBDA {
        FetchAhead<V>(s, at, t.ahead);
        F dx = V::Index(at) + dx0;
        F m;
        if (Terms > 0) {
            m = SideTerm<V, Paired>(dx, nx[0], cy[0]);
            for (int k = 1; k < Terms; k++)
                m = V::Max(m, SideTerm<V, Paired>(dx, nx[k], cy[k]));
        } else {
            m = SideTerm<V, Paired>(dx, V::Set(p.nx[0]), V::Set(p.cy[0]));
            for (int k = 1; k < terms; k++)
                m = V::Max(m, SideTerm<V, Paired>(dx, V::Set(p.nx[k]), V::Set(p.cy[k])));
        }
        if (p.roundness > 0.0f)
            m = m + round * (V::Sqrt(dx * dx + dy2) - m);
        F f = V::Min(V::Max(m * per, zero), last);
        AddEntry<V>(s, at, t, V::Trunc(f), dx, row, lanes);
    });
}

/* Squares, hexagons and octagons with their loops unrolled. */
template <class V>
KA_LOOP_INLINE int Pixels(Span s, PolygonLoop p, int i)
{
    if (i >= s.n)   /* a masked last vector did them all: none of the set-up again */
        return i;
    if (!p.paired)
        return PolygonPixels<V, 0, false>(s, p, i);
    switch (p.terms) {
    case 2:
        return PolygonPixels<V, 2, true>(s, p, i);
    case 3:
        return PolygonPixels<V, 3, true>(s, p, i);
    case 4:
        return PolygonPixels<V, 4, true>(s, p, i);
    default:
        return PolygonPixels<V, 0, true>(s, p, i);
    }
}

/* A streak's table values for a vector of indices k, a short table's
 * (count entries, at most 64) from registers (row), a long one's through
 * the window of Width entries its indices span, or gathered where that is
 * too narrow.  The indices are trunc(f) along, trunc(min(|f|, lastIndex))
 * across (Folded), of f that rises or falls monotonically across the
 * lanes: so they lie between the first lane's and the last's (from 0
 * where a folded f changes sign), along at most an entry a pixel apart
 * and across four. */
template <class V, int Width, bool Folded>
KA_LOOP_INLINE typename V::F StreakTableAt(const float *table, int count, float lastIndex,
                                           const typename V::Row64 &row, typename V::F f,
                                           typename V::I k)
{
    if (!V::kPermutes)
        return V::Gather(table, k);
    if (count <= 64)
        return V::Pick(row, k);
    float f0 = V::First(f), f1 = V::Last(f);
    int first = Plain::Trunc(Folded ? Plain::Min(Plain::Abs(f0), lastIndex) : f0);
    int last = Plain::Trunc(Folded ? Plain::Min(Plain::Abs(f1), lastIndex) : f1);
    int lo = first < last ? first : last, hi = first < last ? last : first;
    if (Folded && (f0 < 0.0f) != (f1 < 0.0f))
        lo = 0;
    if (hi - lo >= Width)
        return V::Gather(table, k);
    lo = lo < count - Width ? lo : count - Width;
    typename V::I at = V::AddI(k, V::SetI(-lo));
    if constexpr (Width == 64)
        return V::Pick(V::LoadRow64(table + lo), at);
    else
        return V::PickRun(table + lo, at);
}

template <class V>
KA_LOOP_INLINE int Pixels(Span s, StreakLoop t, int i)
{
    typedef typename V::F F;
    typedef typename V::Row64 Row;
    const F a0 = V::Set(t.a0), p0 = V::Set(t.p0), aStep = V::Set(t.aStep), pStep = V::Set(t.pStep);
    const F aLast = V::Set(t.aLast), pLast = V::Set(t.pLast), zero = V::Set(0.0f);
    const Row alongRow = V::kPermutes && t.alongCount <= 64 ? V::LoadRow64(t.along, t.alongCount) : Row();
    const Row acrossRow =
        V::kPermutes && t.acrossCount <= 64 ? V::LoadRow64(t.across, t.acrossCount) : Row();
    const F rgb[3] = {V::Set(t.rgb[0]), V::Set(t.rgb[1]), V::Set(t.rgb[2])};
    return EachVector<V>(s.n, i, [&](int at, auto lanes) KA_LOOP_INLINE_LAMBDA {
        FetchAhead<V>(s, at, t.ahead);
        F x = V::Index(at);
        F fa = V::Min(V::Max(a0 + x * aStep, zero), aLast);
        F p = p0 + x * pStep;
        F fp = V::Min(V::Abs(p), pLast);
        F v = StreakTableAt<V, V::N, false>(t.along, t.alongCount, t.aLast, alongRow, fa,
                                            V::Trunc(fa)) *
              StreakTableAt<V, 64, true>(t.across, t.acrossCount, t.pLast, acrossRow, p,
                                         V::Trunc(fp));
        AddColour<V>(s, at, rgb, v, lanes);
    });
}

/* The rays' colour times w to the lanes' pixels, after the folded round
 * table's entry when there is one (at foldedAt, as Gather4At reads it):
 * the same sums as the round shape drawn first. */
template <class V, class Lanes>
KA_LOOP_INLINE void AddRayColour(const Span &s, int i, Lanes lanes, const RayLoop &t,
                                 const int32_t *foldedAt, const typename V::F colour[3],
                                 typename V::F w)
{
    typedef typename V::F F;
    float *planes[3] = {s.r, s.g, s.b};
    F e[4] = {};
    if (t.folded)
        V::Gather4At(t.folded, foldedAt, e);
    for (int c = 0; c < 3; c++) {
        if (!planes[c])
            continue;
        F v = LoadLanes<V>(planes[c] + i, lanes);
        if (t.folded)
            v = v + e[c];
        StoreLanes<V>(planes[c] + i, v + w * colour[c], lanes);
    }
}

/* Rays in blocks of up to kRayBlock vectors, in three passes over each:
 * distance, the pseudo-angle and the tables' offsets; the colour and the
 * level; the angle table, the envelope and the sums.  A vector's chain of
 * two square roots, a division and three table reads one after the other
 * is longer than the reorder window reaches, so done a vector at a time
 * the reads of the next vector waited for the sums of this one; within a
 * pass the vectors of a block do not depend on each other, and the
 * offsets come from memory, not out of a register lane by lane.  Where
 * the set masks its lanes, a span ends on a vector whose
 * lanes past the span are worked out (from offsets clamped into the
 * tables) but neither read nor written: a tail of narrower vectors and
 * single pixels cost more than that. */
const int kRayBlock = 8;

/* What the passes over a block hand on, per lane. */
template <class V>
struct RayBlock {
    static const int kLanes = kRayBlock * V::N;
    float dist[kLanes], fraction[kLanes], rgb[3][kLanes];   /* d; the level's fraction; colour */
    int32_t colourAt[kLanes], angleAt[kLanes], foldedAt[kLanes];
};

/* The first pass: distance, pseudo-angle and the tables' offsets of the
 * lanes pixels from i. */
template <class V>
KA_LOOP_INLINE void RayOffsets(const Span &s, const RayLoop &t, int i, int lanes, RayBlock<V> *b)
{
    typedef typename V::F F;
    const F dx0 = V::Set(s.dx0), fy = V::Set(s.dy), fy2 = V::Set(s.dy2);
    const F ay = V::Set(s.dy < 0 ? -s.dy : s.dy), tiny = V::Set(1e-30f);
    const F two = V::Set(2.0f), zero = V::Set(0.0f);
    const F offset = V::Set(s.dy < 0 ? 4.0f : 0.0f);   /* below the centre: 4 + p, else p */
    const F per = V::Set(t.perPixel), last = V::Set(t.last), angleScale = V::Set(t.angleScale);
    const F foldedPer = V::Set(t.foldedPerPixel), foldedLast = V::Set(t.foldedLast);
    for (int v = 0; v < lanes; v += V::N) {
        FetchAhead<V>(s, i + v, t.ahead);
        F fx = V::Index(i + v) + dx0;
        F d = V::Sqrt(fx * fx + fy2);
        V::Store(b->dist + v, d);
        V::StoreI(b->colourAt + v, V::ShlI(V::Trunc(V::Min(V::Max(d * per, zero), last)), 2));
        if (t.folded)
            V::StoreI(b->foldedAt + v,
                      V::ShlI(V::Trunc(V::Min(V::Max(d * foldedPer, zero), foldedLast)), 2));
        F p = fy / (V::Abs(fx) + ay + tiny);
        F pa = V::SelectLess(fx, zero, two - p, offset + p);
        V::StoreI(b->angleAt + v, V::AndI(V::Trunc(pa * angleScale), t.angleCount - 1));
    }
}

/* The second pass: the colour and the level, and the angle table's
 * offsets at that level. */
template <class V>
KA_LOOP_INLINE void RayColours(const RayLoop &t, int lanes, RayBlock<V> *b)
{
    typedef typename V::F F;
    typedef typename V::I I;
    for (int v = 0; v < lanes; v += V::N) {
        F colour[4];   /* red, green, blue, level */
        V::Gather4At(t.colour, b->colourAt + v, colour);
        I l = V::Trunc(colour[3]);
        V::Store(b->fraction + v, colour[3] - V::ToFloat(l));
        I j = V::AddI(V::LoadI(b->angleAt + v), V::ShlI(l, t.angleShift));
        V::StoreI(b->angleAt + v, V::ShlI(j, 2));
        for (int c = 0; c < 3; c++)
            V::Store(b->rgb[c] + v, colour[c]);
    }
}

/* The third pass: the angle table, the envelope and the sums. */
template <class V>
KA_LOOP_INLINE void RaySums(const Span &s, const RayLoop &t, int i, int lanes,
                            const RayBlock<V> &b)
{
    typedef typename V::F F;
    const F zero = V::Set(0.0f), envScale = V::Set(t.envScale), envStep = V::Set(t.envStep);
    const F one = V::Set(1.0f), half = V::Set(0.5f);
    for (int v = 0; v < lanes; v += V::N) {
        F a[4];   /* strength and inverse length, this level and the next */
        V::Gather4At(t.angular, b.angleAt + v, a);
        F f = V::Load(b.fraction + v);
        F strength = a[0] + f * (a[2] - a[0]);
        F il = a[1] + f * (a[3] - a[1]);
        F d = V::Load(b.dist + v);
        F te = V::Min(V::Max(d * il * envScale, zero), envScale);   /* the last step: 0 */
        F rest = V::Max(one - (V::ToFloat(V::Trunc(te)) + half) * envStep, zero);
        F colour[3] = {V::Load(b.rgb[0] + v), V::Load(b.rgb[1] + v), V::Load(b.rgb[2] + v)};
        F w = strength * (rest * V::Sqrt(rest));
        if constexpr (V::kMasks)
            if (s.n - i - v < V::N) {
                AddRayColour<V>(s, i + v, V::FirstLanes(s.n - i - v), t, b.foldedAt + v, colour,
                                w);
                continue;
            }
        AddRayColour<V>(s, i + v, AllLanes(), t, b.foldedAt + v, colour, w);
    }
}

template <class V>
KA_LOOP_INLINE int Pixels(Span s, RayLoop t, int i)
{
    RayBlock<V> block;
    /* with masked lanes, a partial vector ends the span; without, the
     * pixels after the last whole vector are left to a narrower set */
    const int end = V::kMasks ? s.n + V::N - 1 : s.n;
    while (i + V::N <= end) {
        int lanes = (end - i) / V::N * V::N;
        if (lanes > RayBlock<V>::kLanes)
            lanes = RayBlock<V>::kLanes;
        RayOffsets<V>(s, t, i, lanes, &block);
        RayColours<V>(t, lanes, &block);
        RaySums<V>(s, t, i, lanes, block);
        i += lanes;
    }
    return i < s.n ? i : s.n;
}

/* over = max(v - knee, 0); v = min(v, knee) + room * over / (over + room) */
template <class V>
KA_LOOP_INLINE typename V::F SoftClip(typename V::F v)
{
    typedef typename V::F F;
    const F knee = V::Set(kLoopKnee), room = V::Set(kLoopRoom);
    F over = V::Max(v - knee, V::Set(0.0f));
    return V::Min(v, knee) + room * over / (over + room);
}

/* The three planes in one pass: one branch a vector in the usual case
 * away from the core, where no plane has a value above the knee; a plane
 * whose vector has none is not written. */
template <class V>
KA_LOOP_INLINE int SoftClipPixels(float *r, float *g, float *b, int n, int i)
{
    typedef typename V::F F;
    const F knee = V::Set(kLoopKnee);
    for (; i + V::N <= n; i += V::N) {
        F vr = V::Load(r + i), vg = V::Load(g + i), vb = V::Load(b + i);
        int hr = V::Above(vr, knee), hg = V::Above(vg, knee), hb = V::Above(vb, knee);
        if (!(hr | hg | hb))
            continue;
        if (hr)
            V::Store(r + i, SoftClip<V>(vr));
        if (hg)
            V::Store(g + i, SoftClip<V>(vg));
        if (hb)
            V::Store(b + i, SoftClip<V>(vb));
    }
    return i;
}

/* A whole span: vectors of V, then of four (when V is wider), then single
 * pixels. */
template <class V, class Loop>
void WholeSpan(const Span &s, const Loop &t)
{
    int i = Pixels<V>(s, t, 0);
#if KA_X86
    if (V::N > Sse2::N)
        i = Pixels<Sse2>(s, t, i);
#endif
    Pixels<Plain>(s, t, i);
}

template <class V>
void SoftClipSpan(float *r, float *g, float *b, int n)
{
    int i = SoftClipPixels<V>(r, g, b, n, 0);
#if KA_X86
    if (V::N > Sse2::N)
        i = SoftClipPixels<Sse2>(r, g, b, n, i);
#endif
    SoftClipPixels<Plain>(r, g, b, n, i);
}

#if KA_X86
/* The loops of a set wider than SSE (compiled only where it is enabled)
 * leave the upper parts of the vector registers clear: SSE code that runs
 * while they are dirty runs several times slower. */
template <class V, class Loop>
void WideSpan(const Span &s, const Loop &t)
{
    WholeSpan<V>(s, t);
    _mm256_zeroupper();
}

template <class V>
void WideSoftClipSpan(float *r, float *g, float *b, int n)
{
    SoftClipSpan<V>(r, g, b, n);
    _mm256_zeroupper();
}

template <class V>
constexpr SpanLoops WideLoopsOf()
{
    return {WideSpan<V, RadialLoop>, WideSpan<V, PolygonLoop>, WideSpan<V, StreakLoop>,
            WideSpan<V, RayLoop>, WideSoftClipSpan<V>};
}
#endif

template <class V>
constexpr SpanLoops LoopsOf()
{
    return {WholeSpan<V, RadialLoop>, WholeSpan<V, PolygonLoop>, WholeSpan<V, StreakLoop>,
            WholeSpan<V, RayLoop>, SoftClipSpan<V>};
}

} // namespace

} // namespace ka

#endif

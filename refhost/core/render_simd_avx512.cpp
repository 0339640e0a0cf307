/*
 * render_simd_avx512.cpp - the pixel loops of render_simd.h, sixteen
 * pixels at a time with AVX-512 (F, DQ, BW, VL); the last few pixels of a
 * span go four at a time, then one by one, as elsewhere.  The whole file
 * is compiled for AVX-512 (the pragmas below), so it includes nothing with
 * inline code that the rest of the program might share; render_draw.cpp
 * calls these loops only on a CPU (and a system) that has AVX-512.
 * Without fused multiply-adds, the same results as the plain loops.
 *
 * Nothing here asks for stack memory aligned beyond 16 bytes (no aligned
 * arrays, no aligned stores): GCC for Windows does not realign the stack,
 * so an aligned move of a whole vector to the stack faults there whenever
 * the slot is not aligned.  The Windows build's spills are unaligned moves
 * (x86_64-w64-mingw32-objdump -d of this file's object).
 */
#if defined(__x86_64__) || defined(__i386__)

/* AVX-512 brings fused multiply-adds, which the compilers would otherwise
 * form from a multiply and an add, rounding once instead of twice. */
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#else
/* GCC 12's AVX-512 header fills undefined vectors from themselves */
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>
#include <stdint.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512dq,avx512bw,avx512vl"))), \
                             apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq,avx512bw,avx512vl")
#pragma GCC optimize("fp-contract=off")
#endif

#include "render_simd.h"

namespace ka {

namespace {

struct Avx512 {
    static const int N = 16;
    typedef __m512 F;
    typedef __m512i I;
    static F Set(float v) { return _mm512_set1_ps(v); }
    static I SetI(int32_t v) { return _mm512_set1_epi32(v); }
    static F Index(int i)
    {
        return _mm512_cvtepi32_ps(_mm512_add_epi32(
            _mm512_set1_epi32(i),
            _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15)));
    }
    static F Load(const float *p) { return _mm512_loadu_ps(p); }
    static void Store(float *p, F v) { _mm512_storeu_ps(p, v); }
    static F Sqrt(F v) { return _mm512_sqrt_ps(v); }
    static F Min(F a, F b) { return _mm512_min_ps(a, b); }
    static F Max(F a, F b) { return _mm512_max_ps(a, b); }
    static F Abs(F v) { return _mm512_andnot_ps(_mm512_set1_ps(-0.0f), v); }
    static I Trunc(F v) { return _mm512_cvttps_epi32(v); }
    static F ToFloat(I v) { return _mm512_cvtepi32_ps(v); }
    static I Floor(F v)
    {
        I t = _mm512_cvttps_epi32(v);
        __mmask16 above = _mm512_cmp_ps_mask(_mm512_cvtepi32_ps(t), v, _CMP_GT_OQ);
        return _mm512_mask_sub_epi32(t, above, t, _mm512_set1_epi32(1));
    }
    static I AndI(I a, int32_t mask) { return _mm512_and_si512(a, _mm512_set1_epi32(mask)); }
    static I AddI(I a, I b) { return _mm512_add_epi32(a, b); }
    static I ShlI(I a, int count) { return _mm512_sll_epi32(a, _mm_cvtsi32_si128(count)); }
    static F Gather(const float *table, I k) { return _mm512_i32gather_ps(k, table, 4); }
    /* in four registers: a permute of two pairs and a choice between
     * them by the index's bit 5 replace a gather */
    struct Row64 {
        F q[4];
    };
    static Row64 LoadRow64(const float *p)
    {
        return {{_mm512_loadu_ps(p), _mm512_loadu_ps(p + 16), _mm512_loadu_ps(p + 32),
                 _mm512_loadu_ps(p + 48)}};
    }
    static Row64 LoadRow64(const float *p, int count)   /* the first count, the rest 0 */
    {
        Row64 row;
        for (int j = 0; j < 4; j++) {
            int rest = count - 16 * j;
            __mmask16 m = rest >= 16 ? 0xFFFF : rest > 0 ? (__mmask16)((1u << rest) - 1) : 0;
            row.q[j] = m ? _mm512_maskz_loadu_ps(m, p + 16 * j) : _mm512_setzero_ps();
        }
        return row;
    }
    static F Pick(const Row64 &row, I u)
    {
        F low = _mm512_permutex2var_ps(row.q[0], u, row.q[1]);
        F high = _mm512_permutex2var_ps(row.q[2], u, row.q[3]);
        return _mm512_mask_blend_ps(_mm512_test_epi32_mask(u, _mm512_set1_epi32(32)), low, high);
    }
    static F PickRun(const float *table, I k)
    {
        return _mm512_permutexvar_ps(k, _mm512_loadu_ps(table));
    }
    static const bool kPermutes = true;
    static const bool kMasks = true;
    typedef __mmask16 Mask;
    static Mask FirstLanes(int n) { return (Mask)((1u << n) - 1); }   /* 0 < n < 16 */
    static F LoadMasked(const float *p, Mask m) { return _mm512_maskz_loadu_ps(m, p); }
    static void StoreMasked(float *p, F v, Mask m) { _mm512_mask_storeu_ps(p, m, v); }
    static float First(F v) { return _mm512_cvtss_f32(v); }
    static float Last(F v)
    {
        __m128 high = _mm512_extractf32x4_ps(v, 3);
        return _mm_cvtss_f32(_mm_shuffle_ps(high, high, 3));
    }
    static void StoreI(int32_t *p, I v) { _mm512_storeu_si512(p, v); }
    static I LoadI(const int32_t *p) { return _mm512_loadu_si512(p); }
    static void Gather4At(const float *table, const int32_t *at, F out[4])
    {
        /* q[0] holds the entries of lanes 0, 4, 8, 12 in its four quarters,
         * q[1] those of 1, 5, 9, 13, and so on: then each quarter is a four
         * by four transpose */
        const uint32_t *u = reinterpret_cast<const uint32_t *>(at);
        F q[4];
        for (int c = 0; c < 4; c++) {
            F v = _mm512_castps128_ps512(_mm_loadu_ps(table + u[c]));
            v = _mm512_insertf32x4(v, _mm_loadu_ps(table + u[c + 4]), 1);
            v = _mm512_insertf32x4(v, _mm_loadu_ps(table + u[c + 8]), 2);
            q[c] = _mm512_insertf32x4(v, _mm_loadu_ps(table + u[c + 12]), 3);
        }
        F ab0 = _mm512_unpacklo_ps(q[0], q[1]), ab1 = _mm512_unpackhi_ps(q[0], q[1]);
        F cd0 = _mm512_unpacklo_ps(q[2], q[3]), cd1 = _mm512_unpackhi_ps(q[2], q[3]);
        out[0] = _mm512_shuffle_ps(ab0, cd0, 0x44);
        out[1] = _mm512_shuffle_ps(ab0, cd0, 0xEE);
        out[2] = _mm512_shuffle_ps(ab1, cd1, 0x44);
        out[3] = _mm512_shuffle_ps(ab1, cd1, 0xEE);
    }
    static F SelectLess(F a, F b, F yes, F no)
    {
        return _mm512_mask_blend_ps(_mm512_cmp_ps_mask(a, b, _CMP_LT_OQ), no, yes);
    }
    static int Above(F a, F b) { return _mm512_cmp_ps_mask(a, b, _CMP_NLE_UQ); }
};

} // namespace

const SpanLoops kAvx512Loops = WideLoopsOf<Avx512>();

} // namespace ka

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif

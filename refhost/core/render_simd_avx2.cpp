/*
 * render_simd_avx2.cpp - the pixel loops of render_simd.h, eight pixels at
 * a time with AVX2 and its gathers.  The whole file is compiled for AVX2
 * (the pragmas below), so it includes nothing with inline code that the
 * rest of the program might share; render_draw.cpp calls these loops only
 * on a CPU that has AVX2.  Without fused multiply-adds, the same results
 * as the plain loops.
 */
#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>
#include <stdint.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "render_simd.h"

namespace ka {

namespace {

struct Avx2 {
    static const int N = 8;
    typedef __m256 F;
    typedef __m256i I;
    static F Set(float v) { return _mm256_set1_ps(v); }
    static I SetI(int32_t v) { return _mm256_set1_epi32(v); }
    static F Index(int i)
    {
        return _mm256_cvtepi32_ps(
            _mm256_add_epi32(_mm256_set1_epi32(i), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
    }
    static F Load(const float *p) { return _mm256_loadu_ps(p); }
    static void Store(float *p, F v) { _mm256_storeu_ps(p, v); }
    static F Sqrt(F v) { return _mm256_sqrt_ps(v); }
    static F Min(F a, F b) { return _mm256_min_ps(a, b); }
    static F Max(F a, F b) { return _mm256_max_ps(a, b); }
    static F Abs(F v) { return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), v); }
    static I Trunc(F v) { return _mm256_cvttps_epi32(v); }
    static F ToFloat(I v) { return _mm256_cvtepi32_ps(v); }
    static I Floor(F v)
    {
        I t = _mm256_cvttps_epi32(v);
        return _mm256_add_epi32(
            t, _mm256_castps_si256(_mm256_cmp_ps(_mm256_cvtepi32_ps(t), v, _CMP_GT_OQ)));
    }
    static I AndI(I a, int32_t mask) { return _mm256_and_si256(a, _mm256_set1_epi32(mask)); }
    static I AddI(I a, I b) { return _mm256_add_epi32(a, b); }
    static I ShlI(I a, int count) { return _mm256_sll_epi32(a, _mm_cvtsi32_si128(count)); }
    static F Gather(const float *table, I k) { return _mm256_i32gather_ps(table, k, 4); }
    struct Row64 {
        const float *at;
    };
    static Row64 LoadRow64(const float *p) { return {p}; }
    static Row64 LoadRow64(const float *p, int) { return {p}; }
    static F Pick(const Row64 &row, I u) { return Gather(row.at, u); }
    static F PickRun(const float *table, I k)
    {
        return _mm256_permutevar8x32_ps(_mm256_loadu_ps(table), k);
    }
    static const bool kPermutes = true;
    static const bool kMasks = true;
    typedef __m256i Mask;
    static Mask FirstLanes(int n)   /* 0 < n < 8 */
    {
        return _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    }
    static F LoadMasked(const float *p, Mask m) { return _mm256_maskload_ps(p, m); }
    static void StoreMasked(float *p, F v, Mask m) { _mm256_maskstore_ps(p, m, v); }
    static float First(F v) { return _mm256_cvtss_f32(v); }
    static float Last(F v)
    {
        __m128 high = _mm256_extractf128_ps(v, 1);
        return _mm_cvtss_f32(_mm_shuffle_ps(high, high, 3));
    }
    static void StoreI(int32_t *p, I v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v); }
    static I LoadI(const int32_t *p)
    {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    }
    static void Gather4At(const float *table, const int32_t *at, F out[4])
    {
        /* lanes 0..3 in the low halves, 4..7 in the high ones */
        const uint32_t *u = reinterpret_cast<const uint32_t *>(at);
        F a = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(table + u[0])),
                                   _mm_loadu_ps(table + u[4]), 1);
        F b = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(table + u[1])),
                                   _mm_loadu_ps(table + u[5]), 1);
        F c = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(table + u[2])),
                                   _mm_loadu_ps(table + u[6]), 1);
        F d = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(table + u[3])),
                                   _mm_loadu_ps(table + u[7]), 1);
        F ab0 = _mm256_unpacklo_ps(a, b), ab1 = _mm256_unpackhi_ps(a, b);
        F cd0 = _mm256_unpacklo_ps(c, d), cd1 = _mm256_unpackhi_ps(c, d);
        out[0] = _mm256_shuffle_ps(ab0, cd0, 0x44);
        out[1] = _mm256_shuffle_ps(ab0, cd0, 0xEE);
        out[2] = _mm256_shuffle_ps(ab1, cd1, 0x44);
        out[3] = _mm256_shuffle_ps(ab1, cd1, 0xEE);
    }
    static F SelectLess(F a, F b, F yes, F no)
    {
        return _mm256_blendv_ps(no, yes, _mm256_cmp_ps(a, b, _CMP_LT_OQ));
    }
    static int Above(F a, F b) { return _mm256_movemask_ps(_mm256_cmp_ps(a, b, _CMP_NLE_UQ)); }
};

} // namespace

const SpanLoops kAvx2Loops = WideLoopsOf<Avx2>();

} // namespace ka

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif

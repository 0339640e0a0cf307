/*
 * render.h - the reference host's lens-flare renderer, as the tests and
 * the benchmarks reach it.  The plug-in goes through
 * Ki_LensFlareApplyToGBuffer (kalvos_core.h) instead.
 *
 * Element types name the drawing routine they use by an ElementRenderer
 * (flare.h).
 */
#ifndef REFHOST_RENDER_H
#define REFHOST_RENDER_H

#include "flare.h"
#include "host/kalvos_core.h"

namespace ka {

/* What a render needs besides the flare: where the light is and what it
 * looks like.  lightColor/lightIntensity matter only with uselightparams. */
struct RenderLight {
    double x = 0, y = 0;          /* G-buffer pixels, y upward from the bottom row */
    float color[3] = {1, 1, 1};
    float intensity = 1;
};

/* How many threads a render may draw with: 0 (the default) uses every
 * hardware thread for images of kThreadedPixels or more, but no more than
 * one for each quarter of a million pixels its shapes cover, and one
 * thread below; other counts are used as they are (tests and benchmarks
 * compare).
 * The pixels are the same whatever the count. */
const long long kThreadedPixels = 1 << 22;
void SetRenderThreads(int count);

/* Forgets every table and dust tile kept from earlier renders, so that
 * the next render fills them all afresh (tests compare the two). */
void ForgetKeptTables();
/* How many tables and dust tiles are kept now.  One that no render has
 * read for a while is let go of. */
size_t KeptTableCount();

/* The vector instructions the drawing loops use: 0 plain C++, 1 SSE2, 2
 * AVX2, 3 AVX-512; -1 (and a level the CPU lacks) picks the best the CPU has, which
 * is also what renders use until this is called.  Returns the level now
 * in use.  Results agree with plain C++ within 1/1024. */
int SetRenderSimd(int level);

/* Adds the flare to the buffer's red, green and blue; returns 0, or -1 for
 * a buffer that cannot be drawn into.  progress may be null. */
int RenderFlare(KaGBuffer *buffer, const Flare &flare, const RenderLight &light,
                KaProgressFn progress);

} // namespace ka

#endif

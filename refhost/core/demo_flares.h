/*
 * demo_flares.h - the flares the reference host ships as lens effect
 * texts: the default flare of a new light and the demo effects.  They
 * are read with the .lnz reader, so they sit here rather than in the
 * catalogue, which the reader itself needs.
 */
#ifndef REFHOST_DEMO_FLARES_H
#define REFHOST_DEMO_FLARES_H

#include <string>
#include <vector>

#include "flare.h"

namespace ka {

/* The flare every new light starts with: globals at their defaults and a
 * glow, streaks, a halo, a ring and a set of reflexes. */
void DefaultFlare(Flare *flare);

/* Ready-made effects (the demo's lensfx folder), kept as lens effect file
 * texts. */
struct DemoEffect {
    std::string file;            /* "sunburst.lnz", ... */
    const char *text;            /* the file's contents */
};
const std::vector<DemoEffect> &DemoEffects();
/* Replaces everything in the flare with the effect; false (and an error
 * report) when the text does not read, the flare then unchanged. */
bool BuildDemoEffect(const DemoEffect &effect, Flare *flare);

} // namespace ka

#endif

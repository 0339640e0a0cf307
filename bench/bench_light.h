// bench_light.h - the point light whose flare the renderer's benches and
// pictures set up and draw, made on first use.
#ifndef BENCH_LIGHT_H
#define BENCH_LIGHT_H

#include "host/kalvos_core.h"
#include "store.h"

inline ka::Flare *LightFlare(const char *name)
{
    KaToken light = Ki_Inquire_Token("light");
    if (!ka::FindFlare(light, name))
        Ki_Light(name, Ki_Inquire_Token("model"), Ki_Inquire_Token("point"), 1, 0);
    return ka::FindFlare(light, name);
}

#endif

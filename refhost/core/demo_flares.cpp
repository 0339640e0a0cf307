/*
 * demo_flares.cpp - the default flare and the demo effects, read from the
 * lens effect texts built into the host (embedded.h).
 */
#include <cstring>

#include "demo_flares.h"
#include "embedded.h"
#include "errors.h"
#include "lnz.h"

namespace ka {

namespace {

/* Parses an embedded effect into *flare; a text the reader refuses is a
 * fault of that file in the tree, reported, and leaves *flare alone. */
bool ParseEmbedded(const char *name, const char *text, Flare *flare)
{
    std::string why;
    if (ParseLnz(text, std::strlen(text), flare, &why) == LNZ_OK)
        return true;
    ReportError(4, "ERR_LNZ_READ", "DemoEffects()", std::string(name) + ": " + why);
    return false;
}

} // namespace

void DefaultFlare(Flare *flare)
{
    if (flare)
        ParseEmbedded(kDefaultFlareText[0].file, kDefaultFlareText[0].text, flare);
}

const std::vector<DemoEffect> &DemoEffects()
{
    static const std::vector<DemoEffect> effects = [] {
        std::vector<DemoEffect> list;
        for (const EmbeddedText *t = kDemoEffectTexts; t->file; t++)
            list.push_back({t->file, t->text});
        return list;
    }();
    return effects;
}

bool BuildDemoEffect(const DemoEffect &effect, Flare *flare)
{
    return flare && effect.text && ParseEmbedded(effect.file.c_str(), effect.text, flare);
}

} // namespace ka

/*
 * describe.cpp - host extras around whole flares: a readable dump
 * (Kh_Describe_Flare, flarehost --dump-flare) and writing the catalogue's
 * demo effects as .lnz files (Kh_Write_Demo_Effects).
 */
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "calllog.h"
#include "demo_flares.h"
#include "errors.h"
#include "file_io.h"
#include "lnz.h"
#include "refhost_api.h"
#include "store.h"
#include "text_lines.h"
#include "tokens.h"

namespace ka {

namespace {

const size_t kPieceSize = 512;   /* the most one piece of a description adds, NUL included */

const char *OnOffText(bool on)
{
    return on ? "on" : "off";
}

void DescribeValue(std::string *out, const ParamDef &d, const ParamValue &v)
{
    AppendFormat(out, kPieceSize, "    %s (%s)", d.name.c_str(), ParamTypeKeyword(d.type));
    /* gradients and data keep nothing meaningful in the numeric value */
    int n = d.type == ParamType::Gradient || d.type == ParamType::ArbitraryData ? 0 : ComponentCount(d.type);
    for (int i = 0; i < n; i++)
        AppendFormat(out, kPieceSize, " %g", (double)v.v[i]);
    if (d.type == ParamType::Gradient) {
        AppendFormat(out, kPieceSize, " gradient of %d:", v.gradient.count());
        for (int s = 0; s < v.gradient.count(); s++) {
            const float *rgb = &v.gradient.colors[3 * (size_t)s];
            AppendFormat(out, kPieceSize, "%s %g (%g %g %g)", s ? "," : "",
                         (double)v.gradient.offsets[(size_t)s], (double)rgb[0], (double)rgb[1],
                         (double)rgb[2]);
        }
    }
    if (d.type == ParamType::List || d.type == ParamType::ArbitraryData)
        *out += " data of " + std::to_string(v.data.size()) + " bytes \"" +
                EscapeBytes(v.data.data(), v.data.size()) + "\"";
    *out += '\n';
}

std::string DescribeFlare(const Flare &f)
{
    std::string out;
    AppendFormat(&out, kPieceSize, "  enabled %s\n", OnOffText(f.enabled));
    AppendFormat(&out, kPieceSize,
                 "  intensity %g\n  scale %g\n  occlusionradius %g\n  anamorphicstretch %g\n",
                 (double)f.intensity, (double)f.scale, (double)f.occlusionRadius,
                 (double)f.anamorphicStretch);
    AppendFormat(&out, kPieceSize, "  fastdrag %s\n  randomseed %d\n", OnOffText(f.fastDrag),
                 f.randomSeed);
    AppendFormat(&out, kPieceSize, "  color %g %g %g\n", (double)f.color[0], (double)f.color[1],
                 (double)f.color[2]);
    AppendFormat(&out, kPieceSize, "  uselightparams %s\n  angle %g\n  glowbehindobjects %s\n",
                 OnOffText(f.useLightParams), (double)f.angle, OnOffText(f.glowBehindObjects));
    AppendFormat(&out, kPieceSize,
                 "  fadeifnearborder %s\n  fadeifbehindobjects %s\n  fadeifapproachingobjects %s\n",
                 OnOffText(f.fadeIfNearBorder), OnOffText(f.fadeIfBehindObjects),
                 OnOffText(f.fadeIfApproachingObjects));
    AppendFormat(&out, kPieceSize, "  fadewithdistance %s\n  refdistance %g\n",
                 OnOffText(f.fadeWithDistance), (double)f.refDistance);
    AppendFormat(&out, kPieceSize, "  scaleglowwithdistance %s\n  scalereflexeswithdistance %s\n",
                 OnOffText(f.scaleGlowWithDistance), OnOffText(f.scaleReflexesWithDistance));
    AppendFormat(&out, kPieceSize, "  %u elements\n", (unsigned)f.elements.size());
    for (size_t i = 0; i < f.elements.size(); i++) {
        const Element &e = *f.elements[i];
        AppendFormat(&out, kPieceSize, "  element %u: %s \"%s\" %s %s\n", (unsigned)i,
                     e.type->name.c_str(), e.type->description.c_str(), e.guid.c_str(),
                     OnOffText(e.enabled));
        for (size_t p = 0; p < e.type->params.size() && p < e.values.size(); p++)
            DescribeValue(&out, e.type->params[p], e.values[p]);
    }
    return out;
}

} // namespace

} // namespace ka

using namespace ka;

extern "C" int Kh_Describe_Flare(KaToken ownerType, const char *ownerName, char *out, int outSize)
{
    const Flare *flare = FindFlare(ownerType, ownerName);
    if (!flare) {
        ReportError(4, "ERR_NO_SUCH_OBJECT", "Kh_Describe_Flare()",
                    std::string("no lens flare for ") + (ownerName ? ownerName : "(null)"));
        return -1;
    }
    std::string text = "lens flare of " + std::string(TokenText(ownerType)) + " \"" + ownerName +
                       "\"\n" + DescribeFlare(*flare);
    if (out && outSize > 0) {
        size_t n = std::min(text.size(), (size_t)outSize - 1);
        std::memcpy(out, text.data(), n);
        out[n] = '\0';
    }
    return (int)text.size();
}

extern "C" int Kh_Write_Demo_Effects(const char *folder)
{
    std::string base, why;
    if (!DemoFolder(folder, "Kh_Write_Demo_Effects()", "ERR_LNZ_WRITE", &base))
        return 0;
    int written = 0;
    for (const DemoEffect &effect : DemoEffects()) {
        Flare flare;
        if (!BuildDemoEffect(effect, &flare))
            continue;
        if (SaveLnzFile((base + effect.file).c_str(), flare, &why) == LNZ_OK)
            written++;
        else
            ReportError(4, "ERR_LNZ_WRITE", "Kh_Write_Demo_Effects()", base + effect.file + ": " + why);
    }
    return written;
}

/*
 * flare.cpp - parameter type keywords, lookups on an element's values by
 * parameter name, and the deep copy of a flare.
 */
#include <cmath>
#include <cstdio>
#include <cstring>

#include "flare.h"

namespace ka {

const std::vector<FlareSwitchField> &FlareSwitches()
{
    static const std::vector<FlareSwitchField> table = {
        {"enabled", false, &Flare::enabled},
        {"fastdrag", true, &Flare::fastDrag},
        {"uselightparams", true, &Flare::useLightParams},
        {"glowbehindobjects", true, &Flare::glowBehindObjects},
        {"fadeifnearborder", true, &Flare::fadeIfNearBorder},
        {"fadeifbehindobjects", true, &Flare::fadeIfBehindObjects},
        {"fadeifapproachingobjects", true, &Flare::fadeIfApproachingObjects},
        {"fadewithdistance", true, &Flare::fadeWithDistance},
        {"scaleglowwithdistance", true, &Flare::scaleGlowWithDistance},
        {"scalereflexeswithdistance", true, &Flare::scaleReflexesWithDistance},
    };
    return table;
}

const std::vector<FlareFloatField> &FlareFloats()
{
    static const std::vector<FlareFloatField> table = {
        {"intensity", &Flare::intensity},
        {"scale", &Flare::scale},
        {"occlusionradius", &Flare::occlusionRadius},
        {"anamorphicstretch", &Flare::anamorphicStretch},
        {"angle", &Flare::angle},
        {"refdistance", &Flare::refDistance},
    };
    return table;
}

namespace {

struct TypeKeyword {
    ParamType type;
    const char *keyword;
};

const TypeKeyword kTypeKeywords[] = {
    {ParamType::IntSlider, "intslider"},     {ParamType::FloatSlider, "floatslider"},
    {ParamType::Angle, "angle"},             {ParamType::Checkbox, "checkbox"},
    {ParamType::Color, "color"},             {ParamType::Point, "point"},
    {ParamType::List, "list"},               {ParamType::Gradient, "gradient"},
    {ParamType::ArbitraryData, "arbitrarydata"},
};

} // namespace

const char *ParamTypeKeyword(ParamType type)
{
    for (const TypeKeyword &k : kTypeKeywords)
        if (k.type == type)
            return k.keyword;
    return "";
}

bool ParamTypeFromKeyword(const std::string &keyword, ParamType *type)
{
    for (const TypeKeyword &k : kTypeKeywords)
        if (keyword == k.keyword) {
            *type = k.type;
            return true;
        }
    return false;
}

int Element::ParamIndex(const char *name) const
{
    if (!type || !name)
        return -1;
    /* the renderer looks up every parameter of every element each render:
     * lengths first, so most names are passed over without a compare */
    size_t length = std::strlen(name);
    for (size_t i = 0; i < type->params.size() && i < values.size(); i++) {
        const std::string &own = type->params[i].name;
        if (own.size() == length && std::memcmp(own.data(), name, length) == 0)
            return (int)i;
    }
    return -1;
}

float Element::Float(const char *name, float fallback) const
{
    const ParamValue *value = Value(name);
    return value ? value->v[0] : fallback;
}

const ParamValue *Element::Value(const char *name) const
{
    int index = ParamIndex(name);
    return index < 0 ? nullptr : &values[(size_t)index];
}

Flare::Flare(const Flare &other)
{
    *this = other;
}

void CopyGlobals(const Flare &from, Flare *to)
{
    static_cast<FlareGlobals &>(*to) = from;
}

Flare &Flare::operator=(const Flare &other)
{
    if (this == &other)
        return *this;
    CopyGlobals(other, this);
    elements.clear();
    elements.reserve(other.elements.size());
    for (const std::unique_ptr<Element> &e : other.elements)
        elements.push_back(std::make_unique<Element>(*e));
    ElementsReplaced(this);
    return *this;
}

int ComponentCount(ParamType type)
{
    return type == ParamType::Color || type == ParamType::Point ? 3 : 1;
}

bool ValidValue(const ParamDef &def, const float *v, std::string *why)
{
    int n = ComponentCount(def.type);
    for (int i = 0; i < n; i++) {
        if (!std::isfinite(v[i])) {
            *why = "value of \"" + def.name + "\" is not a finite number";
            return false;
        }
        if (def.absMin[i] <= def.absMax[i] && (v[i] < def.absMin[i] || v[i] > def.absMax[i])) {
            char text[160];
            std::snprintf(text, sizeof text, "%.9g is outside %.9g..%.9g", (double)v[i],
                          (double)def.absMin[i], (double)def.absMax[i]);
            *why = "value of \"" + def.name + "\": " + text;
            return false;
        }
    }
    if (def.type == ParamType::Checkbox && v[0] != 0.0f && v[0] != 1.0f) {
        *why = "check box \"" + def.name + "\" takes 0 or 1";
        return false;
    }
    return true;
}

bool ValidGradient(const float *offsets, const float *colors, long long count, std::string *why)
{
    if (count < 0 || count > kMaxGradientStops) {
        *why = "gradient of " + std::to_string(count) + " entries (0 to " +
               std::to_string(kMaxGradientStops) + " allowed)";
        return false;
    }
    if (count > 0 && (!offsets || !colors)) {
        *why = "gradient of " + std::to_string(count) + " entries without " +
               (offsets ? "colours" : "offsets");
        return false;
    }
    for (long long i = 0; i < count; i++) {
        if (!std::isfinite(offsets[i]) || offsets[i] < 0.0f || offsets[i] > 1.0f) {
            *why = "gradient offset " + std::to_string(i) + " is outside 0..1";
            return false;
        }
        if (i > 0 && offsets[i] < offsets[i - 1]) {
            *why = "gradient offset " + std::to_string(i) + " is below the one before";
            return false;
        }
        for (int c = 0; c < 3; c++)
            if (!std::isfinite(colors[3 * i + c])) {
                *why = "gradient colour " + std::to_string(i) + " is not finite";
                return false;
            }
    }
    return true;
}

bool ValidData(const ParamDef &def, const unsigned char *data, long long size, std::string *why)
{
    if (size < 0 || size > (long long)kMaxDataBytes) {
        *why = "data of " + std::to_string(size) + " bytes (0 to " + std::to_string(kMaxDataBytes) +
               " allowed)";
        return false;
    }
    if (size > 0 && !data) {
        *why = "data of " + std::to_string(size) + " bytes at a null address";
        return false;
    }
    if (def.type == ParamType::List && size > 0 &&
        (data[size - 1] != 0 || std::memchr(data, 0, (size_t)size - 1))) {
        *why = "list entries of \"" + def.name + "\" must be one NUL-terminated text";
        return false;
    }
    return true;
}

} // namespace ka

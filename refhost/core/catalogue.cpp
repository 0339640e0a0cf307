/*
 * catalogue.cpp - the reference host's element types.
 *
 * Sizes are in units of half the smaller image side (times the flare's
 * scale), the unit the editor's radius overlay draws with.  Positions of
 * reflexes run along the axis from the light through the image centre:
 * 0 at the light, 1 at the centre, 2 at the light's mirror image.  What
 * each parameter does is the renderer's business (render.cpp,
 * docs/renderer.md); parameter guids are derived from the type and
 * parameter names so that they stay the same from one run to the next.
 */
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <initializer_list>
#include <mutex>
#include <random>

#include "catalogue.h"
#include "errors.h"

namespace ka {

namespace {

/* The catalogue: owned here, built on first use, only ever appended to. */
struct Catalogue {
    std::vector<std::unique_ptr<ElementType>> owned;
    std::vector<const ElementType *> types;
    long long nextParameterId = 1000;
};
Catalogue g_catalogue;
std::once_flag g_builtinsOnce;

/* Fresh element guids: seeded once from the system, owned by NewGuid. */
std::mutex g_guidLock;
std::mt19937_64 g_guidRandom;
bool g_guidSeeded = false;

uint64_t Fnv1a(const std::string &text, uint64_t seed)
{
    uint64_t h = seed;
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001B3ull;
    }
    return h;
}

std::string FormatGuid(uint64_t hi, uint64_t lo)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", (unsigned)(hi >> 32),
                  (unsigned)(hi >> 16) & 0xFFFF, (unsigned)hi & 0xFFFF, (unsigned)(lo >> 48),
                  (unsigned long long)(lo & 0xFFFFFFFFFFFFull));
    return text;
}

std::string StableGuid(const std::string &typeName, const std::string &paramName)
{
    std::string key = typeName + "/" + paramName;
    return FormatGuid(Fnv1a(key, 0xCBF29CE484222325ull), Fnv1a(key, 0x84222325CBF29CE4ull));
}

std::string NewGuid()
{
    std::lock_guard<std::mutex> hold(g_guidLock);
    if (!g_guidSeeded) {
        std::random_device device;
        g_guidRandom.seed(((uint64_t)device() << 32) ^ device());
        g_guidSeeded = true;
    }
    uint64_t hi = g_guidRandom(), lo = g_guidRandom();
    return FormatGuid(hi, lo);
}

/* ---- parameter definitions ---- */

void Fill3(float *v, float a, float b, float c)
{
    v[0] = a;
    v[1] = b;
    v[2] = c;
}

ParamDef Slider(ParamType type, const char *name, const char *description, float uiMin,
                float uiMax, float absMin, float absMax, float value, int precision)
{
    ParamDef p;
    p.type = type;
    p.name = name;
    p.description = description;
    p.uiMin[0] = uiMin;
    p.uiMax[0] = uiMax;
    p.absMin[0] = absMin;
    p.absMax[0] = absMax;
    p.defaultValue[0] = value;
    p.precision = precision;
    p.floatArg = type != ParamType::IntSlider;
    p.delta[0] = type == ParamType::IntSlider ? 1.0f : (uiMax - uiMin) / 100.0f;
    return p;
}

ParamDef Float(const char *name, const char *description, float uiMin, float uiMax,
               float absMin, float absMax, float value, int precision)
{
    return Slider(ParamType::FloatSlider, name, description, uiMin, uiMax, absMin, absMax, value,
                  precision);
}

/* A size: "radius" and "length" get the editor's radius overlay. */
ParamDef Size(const char *name, const char *description, float value)
{
    return Float(name, description, 0.0f, 2.0f, 0.0f, 50.0f, value, 3);
}

/* A fraction shown as a percentage (1.0 shows as 100.0 %).  At least one
 * decimal: the editor shows a precision of 0 as the unscaled whole number. */
ParamDef Percent(const char *name, const char *description, float uiMax, float absMax,
                 float value, int precision = 1)
{
    ParamDef p = Float(name, description, 0.0f, uiMax, 0.0f, absMax, value, precision);
    p.percentage = true;
    return p;
}

ParamDef Int(const char *name, const char *description, int uiMin, int uiMax, int absMin,
             int absMax, int value)
{
    return Slider(ParamType::IntSlider, name, description, (float)uiMin, (float)uiMax,
                  (float)absMin, (float)absMax, (float)value, 0);
}

ParamDef Angle(const char *name, const char *description, float value)
{
    return Slider(ParamType::Angle, name, description, 0.0f, 360.0f, -3600.0f, 3600.0f, value, 1);
}

/* Position along the light-centre axis. */
ParamDef AxisPosition(const char *name, const char *description, float value)
{
    return Float(name, description, -1.0f, 3.0f, -20.0f, 20.0f, value, 3);
}

ParamDef Checkbox(const char *name, const char *description, bool on)
{
    ParamDef p;
    p.type = ParamType::Checkbox;
    p.name = name;
    p.description = description;
    p.defaultValue[0] = on ? 1.0f : 0.0f;
    p.delta[0] = 1.0f;
    p.precision = 0;
    p.floatArg = false;
    return p;
}

ParamDef Color(const char *name, const char *description, float r, float g, float b)
{
    ParamDef p;
    p.type = ParamType::Color;
    p.name = name;
    p.description = description;
    Fill3(p.uiMin, 0, 0, 0);
    Fill3(p.uiMax, 1, 1, 1);
    Fill3(p.absMin, 0, 0, 0);
    Fill3(p.absMax, 16, 16, 16);   /* over-bright colours are allowed */
    Fill3(p.defaultValue, r, g, b);
    Fill3(p.delta, 1.0f / 255, 1.0f / 255, 1.0f / 255);
    p.precision = 3;
    return p;
}

ParamDef Point(const char *name, const char *description, float x, float y, float z)
{
    ParamDef p;
    p.type = ParamType::Point;
    p.name = name;
    p.description = description;
    Fill3(p.uiMin, -2, -2, -2);
    Fill3(p.uiMax, 2, 2, 2);
    Fill3(p.absMin, -50, -50, -50);
    Fill3(p.absMax, 50, 50, 50);
    Fill3(p.defaultValue, x, y, z);
    Fill3(p.delta, 0.01f, 0.01f, 0.01f);
    p.precision = 3;
    return p;
}

/* entries: "name:value,name:value"; value: the entry chosen at first. */
ParamDef List(const char *name, const char *description, const char *entries, int value)
{
    ParamDef p;
    p.type = ParamType::List;
    p.name = name;
    p.description = description;
    p.defaultValue[0] = (float)value;
    p.precision = 0;
    p.floatArg = false;
    p.defaultData = entries;
    /* the range spans the entries' values */
    bool first = true;
    for (const char *c = std::strchr(entries, ':'); c; c = std::strchr(c + 1, ':')) {
        float v = (float)std::atoi(c + 1);
        p.uiMin[0] = p.absMin[0] = first ? v : std::min(p.absMin[0], v);
        p.uiMax[0] = p.absMax[0] = first ? v : std::max(p.absMax[0], v);
        first = false;
    }
    return p;
}

struct Stop {
    float offset, r, g, b;
};

ParamDef Gradient(const char *name, const char *description, std::initializer_list<Stop> stops)
{
    ParamDef p;
    p.type = ParamType::Gradient;
    p.name = name;
    p.description = description;
    p.precision = 0;
    for (const Stop &s : stops) {
        p.defaultGradient.offsets.push_back(s.offset);
        p.defaultGradient.colors.insert(p.defaultGradient.colors.end(), {s.r, s.g, s.b});
    }
    return p;
}

ParamDef Data(const char *name, const char *description, std::initializer_list<unsigned char> bytes)
{
    ParamDef p;
    p.type = ParamType::ArbitraryData;
    p.name = name;
    p.description = description;
    p.precision = 0;
    p.defaultData.assign(bytes.begin(), bytes.end());
    return p;
}

const char *kShapes = "Circle:0,Pentagon:5,Hexagon:6,Heptagon:7,Octagon:8";

/* ---- the built-in types ---- */

std::unique_ptr<ElementType> Type(const char *name, const char *description, int renderer,
                                  std::initializer_list<ParamDef> params)
{
    std::unique_ptr<ElementType> t(new ElementType);
    t->name = name;
    t->description = description;
    t->renderer = renderer;
    t->params.assign(params.begin(), params.end());
    return t;
}

const Stop kWarmGlow[] = {{0.0f, 1.0f, 1.0f, 1.0f}, {0.35f, 1.0f, 0.86f, 0.62f},
                          {1.0f, 0.95f, 0.4f, 0.12f}};
const Stop kSpectrum[] = {{0.0f, 0.35f, 0.15f, 1.0f}, {0.3f, 0.15f, 0.55f, 1.0f},
                          {0.5f, 0.2f, 1.0f, 0.35f}, {0.7f, 1.0f, 0.9f, 0.15f},
                          {1.0f, 1.0f, 0.25f, 0.1f}};

const ElementType *AddType(std::unique_ptr<ElementType> type);

void AddBuiltins()
{
    AddType(Type(
        "glow", "Glow", kRenderGlow,
        {Size("radius", "Radius", 0.6f),
         Percent("intensity", "Intensity", 2.0f, 50.0f, 0.9f),
         Color("color", "Color", 1.0f, 0.9f, 0.75f),
         List("falloff", "Falloff", "Gaussian:0,Inverse Square:1,Linear:2", 1),
         Float("sharpness", "Sharpness", 0.1f, 10.0f, 0.01f, 100.0f, 2.0f, 2),
         Percent("hotspot", "Hot Spot", 1.0f, 10.0f, 0.3f),
         Gradient("gradient", "Radial Colors",
                  {kWarmGlow[0], kWarmGlow[1], kWarmGlow[2]}),
         Point("offset", "Offset", 0.0f, 0.0f, 0.0f),
         Percent("tail", "Tail", 1.0f, 10.0f, 0.06f),
         Size("tailradius", "Tail Radius", 1.2f),
         Percent("dust", "Dust", 1.0f, 1.0f, 0.0f)}));

    AddType(Type(
        "halo", "Halo", kRenderAnnulus,
        {Size("radius", "Radius", 0.55f),
         Percent("width", "Width", 1.0f, 4.0f, 0.25f, 1),
         Percent("intensity", "Intensity", 2.0f, 50.0f, 0.2f),
         Color("color", "Color", 1.0f, 1.0f, 1.0f),
         Gradient("gradient", "Colors Across",
                  {kSpectrum[0], kSpectrum[1], kSpectrum[2], kSpectrum[3], kSpectrum[4]}),
         Percent("chromatic", "Color Fringes", 0.2f, 0.5f, 0.0f)}));

    AddType(Type(
        "ring", "Ring", kRenderAnnulus,
        {Size("radius", "Radius", 0.3f),
         Percent("width", "Width", 0.2f, 4.0f, 0.03f, 1),
         Percent("intensity", "Intensity", 2.0f, 50.0f, 0.3f),
         Color("color", "Color", 0.7f, 0.85f, 1.0f),
         Percent("softness", "Softness", 1.0f, 1.0f, 0.5f),
         Percent("chromatic", "Color Fringes", 0.2f, 0.5f, 0.03f)}));

    AddType(Type(
        "streak", "Streaks", kRenderStreaks,
        {Size("length", "Length", 1.2f),
         Int("count", "Number of Streaks", 1, 16, 1, 64, 3),
         Angle("angle", "Angle", 15.0f),
         Float("thickness", "Thickness", 0.0f, 0.05f, 0.0f, 1.0f, 0.008f, 4),
         Percent("intensity", "Intensity", 2.0f, 50.0f, 0.6f),
         Color("color", "Color", 0.85f, 0.9f, 1.0f),
         Checkbox("symmetric", "Through the Light", true),
         Percent("randomlength", "Random Length", 1.0f, 1.0f, 0.3f),
         Float("taper", "Taper", 0.2f, 8.0f, 0.05f, 50.0f, 1.5f, 2)}));

    AddType(Type(
        "starburst", "Starburst", kRenderRays,
        {Size("radius", "Radius", 0.9f),
         Int("rays", "Number of Rays", 1, 200, 1, 1000, 48),
         Percent("intensity", "Intensity", 2.0f, 50.0f, 0.35f),
         Percent("randomness", "Randomness", 1.0f, 1.0f, 0.6f),
         Float("sharpness", "Ray Sharpness", 0.1f, 10.0f, 0.01f, 100.0f, 3.0f, 2),
         Color("color", "Color", 1.0f, 0.9f, 0.75f),
         Gradient("gradient", "Radial Colors",
                  {{0.0f, 1.0f, 1.0f, 1.0f}, {0.5f, 1.0f, 0.8f, 0.5f}, {1.0f, 1.0f, 0.5f, 0.2f}}),
         Angle("angle", "Rotation", 0.0f),
         /* relative ray lengths, repeated around the circle */
         Data("raypattern", "Ray Pattern",
              {255, 140, 200, 90, 230, 120, 180, 100, 250, 130, 170, 110})}));

    AddType(Type(
        "shimmer", "Shimmer", kRenderRays,
        {Size("radius", "Radius", 0.45f),
         Int("rays", "Number of Rays", 10, 500, 1, 2000, 180),
         Percent("intensity", "Intensity", 2.0f, 50.0f, 0.4f),
         Percent("randomness", "Randomness", 1.0f, 1.0f, 0.9f),
         Float("sharpness", "Ray Sharpness", 0.1f, 10.0f, 0.01f, 100.0f, 6.0f, 2),
         Color("color", "Color", 0.8f, 0.9f, 1.0f)}));

    AddType(Type(
        "inter", "Reflex Chain", kRenderReflexChain,
        {Int("count", "Number of Reflexes", 1, 30, 1, 200, 7),
         AxisPosition("start", "Start Position", 0.3f),
         AxisPosition("end", "End Position", 1.9f),
         Size("radius", "Radius", 0.06f),
         Percent("sizevariation", "Size Variation", 1.0f, 1.0f, 0.7f),
         Percent("intensity", "Intensity", 2.0f, 50.0f, 0.25f),
         Gradient("gradient", "Colors Along Chain",
                  {{0.0f, 0.4f, 0.9f, 0.5f}, {0.5f, 0.3f, 0.5f, 1.0f}, {1.0f, 1.0f, 0.5f, 0.3f}}),
         List("shape", "Shape", kShapes, 6),
         Percent("softness", "Edge Softness", 1.0f, 1.0f, 0.3f),
         Percent("roundness", "Roundness", 1.0f, 1.0f, 0.2f),
         Percent("brightedge", "Bright Edge", 1.0f, 10.0f, 0.15f),
         Percent("dust", "Dust", 1.0f, 1.0f, 0.2f),
         Percent("chromatic", "Color Fringes", 0.2f, 0.5f, 0.02f)}));

    AddType(Type(
        "dscflx", "Disc Reflex", kRenderDiscReflex,
        {AxisPosition("position", "Position", 1.4f),
         Size("radius", "Radius", 0.12f),
         Percent("intensity", "Intensity", 2.0f, 50.0f, 0.3f),
         Color("color", "Color", 0.5f, 0.8f, 1.0f),
         Percent("softness", "Edge Softness", 1.0f, 1.0f, 0.25f),
         Percent("brightedge", "Bright Edge", 1.0f, 10.0f, 0.4f),
         List("shape", "Shape", kShapes, 0),
         Angle("rotation", "Rotation", 0.0f),
         Percent("roundness", "Roundness", 1.0f, 1.0f, 0.3f),
         Percent("dust", "Dust", 1.0f, 1.0f, 0.25f),
         Percent("chromatic", "Color Fringes", 0.2f, 0.5f, 0.03f)}));

    AddType(Type(
        "rngflx", "Ring Reflex", kRenderRingReflex,
        {AxisPosition("position", "Position", 1.7f),
         Size("radius", "Radius", 0.22f),
         Percent("width", "Width", 1.0f, 4.0f, 0.12f, 1),
         Percent("intensity", "Intensity", 2.0f, 50.0f, 0.25f),
         Color("color", "Color", 1.0f, 1.0f, 1.0f),
         Gradient("gradient", "Colors Across",
                  {kSpectrum[0], kSpectrum[1], kSpectrum[2], kSpectrum[3], kSpectrum[4]}),
         Percent("chromatic", "Color Fringes", 0.2f, 0.5f, 0.04f)}));

    AddType(Type(
        "prflx", "Prism Reflex", kRenderPrismReflex,
        {AxisPosition("position", "Position", 0.6f),
         Size("radius", "Radius", 0.18f),
         Percent("intensity", "Intensity", 2.0f, 50.0f, 0.2f),
         Percent("fill", "Inner Fill", 1.0f, 4.0f, 0.3f),
         Gradient("gradient", "Radial Colors",
                  {{0.0f, 0.2f, 0.1f, 0.5f}, {0.55f, 0.2f, 0.3f, 1.0f}, {0.7f, 0.2f, 1.0f, 0.4f},
                   {0.85f, 1.0f, 0.9f, 0.2f}, {1.0f, 1.0f, 0.2f, 0.1f}}),
         Percent("chromatic", "Color Fringes", 0.2f, 0.5f, 0.0f)}));
}

void EnsureBuiltins()
{
    std::call_once(g_builtinsOnce, AddBuiltins);
}

bool HasType(const std::string &name)
{
    for (const ElementType *t : g_catalogue.types)
        if (t->name == name)
            return true;
    return false;
}

} // namespace

const std::vector<const ElementType *> &ElementTypes()
{
    EnsureBuiltins();
    return g_catalogue.types;
}

const ElementType *FindElementType(const std::string &name)
{
    for (const ElementType *t : ElementTypes())
        if (t->name == name)
            return t;
    return nullptr;
}

namespace {

const ElementType *AddType(std::unique_ptr<ElementType> type)
{
    const char *routine = "RegisterElementType()";
    if (!type || type->name.empty()) {
        ReportError(4, "ERR_BAD_ELEMENT_TYPE", routine, "element type without a name");
        return nullptr;
    }
    if (HasType(type->name)) {
        ReportError(4, "ERR_BAD_ELEMENT_TYPE", routine,
                    "element type '" + type->name + "' exists already");
        return nullptr;
    }
    if (type->renderer < kRenderNone || type->renderer >= kRenderCount) {
        ReportError(4, "ERR_BAD_ELEMENT_TYPE", routine,
                    "element type '" + type->name + "' names no renderer");
        return nullptr;
    }
    if (type->description.empty())
        type->description = type->name;
    for (ParamDef &p : type->params) {
        if (p.guid.empty())
            p.guid = StableGuid(type->name, p.name);
        if (p.parameterId == 0)
            p.parameterId = ++g_catalogue.nextParameterId;
    }
    const ElementType *added = type.get();
    g_catalogue.owned.push_back(std::move(type));
    g_catalogue.types.push_back(added);
    return added;
}

} // namespace

const ElementType *RegisterElementType(std::unique_ptr<ElementType> type)
{
    EnsureBuiltins();   /* so that the built-in types come first */
    return AddType(std::move(type));
}

std::unique_ptr<Element> NewElement(const ElementType *type)
{
    if (!type)
        return nullptr;
    std::unique_ptr<Element> e(new Element);
    e->type = type;
    e->guid = NewGuid();
    e->enabled = true;
    e->values.resize(type->params.size());
    for (size_t i = 0; i < type->params.size(); i++) {
        const ParamDef &def = type->params[i];
        ParamValue &v = e->values[i];
        for (int k = 0; k < 3; k++)
            v.v[k] = def.defaultValue[k];
        if (def.type == ParamType::Gradient)
            v.gradient = def.defaultGradient;
        if (def.type == ParamType::List) {
            v.data.assign(def.defaultData.begin(), def.defaultData.end());
            v.data.push_back('\0');
        } else if (def.type == ParamType::ArbitraryData)
            v.data.assign(def.defaultData.begin(), def.defaultData.end());
    }
    return e;
}

} // namespace ka

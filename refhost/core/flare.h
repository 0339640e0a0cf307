/*
 * flare.h - the reference host's lens flares: element type catalogue,
 * flare records and lights.  Portable C++: no Win32 in here, so the store,
 * the protocol, the renderer and the file formats also build natively.
 */
#ifndef REFHOST_FLARE_H
#define REFHOST_FLARE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ka {

enum class ParamType {
    IntSlider,
    FloatSlider,
    Angle,
    Checkbox,
    Color,
    Point,
    List,
    Gradient,
    ArbitraryData,
};

const char *ParamTypeKeyword(ParamType type);          /* "intslider", ... */
bool ParamTypeFromKeyword(const std::string &keyword, ParamType *type);

struct GradientValue {
    std::vector<float> offsets;  /* n entries, 0..1, ascending */
    std::vector<float> colors;   /* 3n floats: red, green, blue */
    int count() const { return (int)offsets.size(); }
};

/* One parameter definition of an element type.  Texts are owned by the
 * definition and stay put while the type exists (types are never removed). */
struct ParamDef {
    ParamType type = ParamType::FloatSlider;
    std::string name;         /* internal name the renderer looks up */
    std::string description;  /* label a user sees */
    std::string guid;
    long long parameterId = 0;
    float absMin[3] = {0, 0, 0}, absMax[3] = {1, 1, 1};
    float uiMin[3] = {0, 0, 0}, uiMax[3] = {1, 1, 1};
    float defaultValue[3] = {0, 0, 0};
    float delta[3] = {0, 0, 0};
    int precision = 2;
    bool floatArg = true;
    bool percentage = false;
    GradientValue defaultGradient;   /* gradient parameters */
    std::string defaultData;         /* list ("name:value,...") and arbitrary data */
};

/* The drawing routine an element type names in its `renderer` field; the
 * parameters each one reads, by name, are listed in docs/renderer.md. */
enum ElementRenderer {
    kRenderNone = -1,
    kRenderGlow = 0,      /* radial glow around the light */
    kRenderAnnulus,       /* halo or ring around the light */
    kRenderStreaks,       /* long thin rays through the light */
    kRenderRays,          /* many radial rays of random length: starburst, shimmer */
    kRenderReflexChain,   /* several reflexes spread along the axis */
    kRenderDiscReflex,    /* one disc or polygon on the axis */
    kRenderRingReflex,    /* one ring on the axis */
    kRenderPrismReflex,   /* one disc coloured by a radial gradient on the axis */
    kRenderCount
};

struct ElementType {
    std::string name;         /* "glow", "ring", "inter", ... */
    std::string description;  /* "Glow", ... shown in lists */
    std::vector<ParamDef> params;
    int renderer = -1;        /* index into the renderer's table; -1 draws nothing */
};

/* The value of one parameter of one element. */
struct ParamValue {
    float v[4] = {0, 0, 0, 0};       /* up to three components used */
    GradientValue gradient;
    std::vector<unsigned char> data; /* arbitrary data; lists keep their text here, NUL-terminated */
};

struct Element {
    const ElementType *type = nullptr;
    std::string guid;         /* unique, stable while the element exists */
    bool enabled = true;
    std::vector<ParamValue> values;   /* parallel to type->params */

    int ParamIndex(const char *name) const;            /* -1 when the type has none */
    float Float(const char *name, float fallback) const;
    const ParamValue *Value(const char *name) const;
};

/* Everything of a flare but its elements. */
struct FlareGlobals {
    bool enabled = true;
    float intensity = 1.0f;
    float scale = 1.0f;
    float occlusionRadius = 0.1f;
    float anamorphicStretch = 1.0f;
    bool fastDrag = false;
    int randomSeed = 1;
    float color[3] = {1.0f, 1.0f, 1.0f};
    bool useLightParams = true;
    float angle = 0.0f;                 /* degrees */
    bool glowBehindObjects = false;
    bool fadeIfNearBorder = true;
    bool fadeIfBehindObjects = true;
    bool fadeIfApproachingObjects = false;
    bool fadeWithDistance = false;
    float refDistance = 10.0f;
    bool scaleGlowWithDistance = false;
    bool scaleReflexesWithDistance = false;
};

/* Where each guid stands in a flare's element list, so that a keyword call
 * naming an element finds it without walking the list (a write-back names
 * every element once per parameter).  Open addressing over positions; a
 * position found is always checked against the list itself, and a list
 * changed behind the index's back (tests and benches build flares
 * directly) makes it build itself again. */
struct GuidSlot {
    uint32_t hash;
    int32_t position;    /* kEmptySlot, kFreedSlot or an index into elements */
};
struct GuidIndex {
    std::vector<GuidSlot> slots;   /* a power of two, at most half in use */
    size_t used = 0;               /* positions and freed slots */
    bool duplicates = false;       /* some guid stands twice: the first wins */
    size_t builtFor = 0;           /* the list's length when last in step */
    const void *builtOn = nullptr; /* and its storage */
};

struct Flare : FlareGlobals {
    /* Elements live on the heap so that texts handed out (guids) keep
     * their address while other elements are inserted or moved. */
    std::vector<std::unique_ptr<Element>> elements;
    GuidIndex guidIndex;   /* kept by the calls below; never copied */

    Flare() = default;
    Flare(const Flare &other);
    Flare &operator=(const Flare &other);
};

/* The position of the first element with that guid, or -1: constant time
 * while the list changes only through the calls below. */
int FindElement(Flare *flare, const char *guid);
/* The host's own changes of the element list, keeping the index in step. */
void InsertElementAt(Flare *flare, size_t at, std::unique_ptr<Element> element);
void EraseElementAt(Flare *flare, size_t at);
void SwapElements(Flare *flare, size_t a, size_t b);
/* The list was replaced or changed otherwise: built again when next needed. */
void ElementsReplaced(Flare *flare);

/* Everything but the element list. */
void CopyGlobals(const Flare &from, Flare *to);

/* The rules every parameter value obeys, however it arrives (protocol or
 * file): finite components within the definition's absolute range (a
 * range with min > max is open), check boxes 0 or 1; gradient offsets
 * ascending in 0..1; list data a NUL-terminated text.  On failure *why
 * says what is wrong. */
const int kMaxGradientStops = 1024;
const size_t kMaxDataBytes = 1u << 20;
int ComponentCount(ParamType type);      /* 3 for colours and points, else 1 */
bool ValidValue(const ParamDef &def, const float *v, std::string *why);
bool ValidGradient(const float *offsets, const float *colors, long long count, std::string *why);
bool ValidData(const ParamDef &def, const unsigned char *data, long long size, std::string *why);

/* The flare's global switches and numbers by keyword, for every reader and
 * writer of flares (the protocol, .lnz files). */
struct FlareSwitchField {
    const char *keyword;
    bool takesEnabled;        /* the protocol writes "keyword" "enabled" value */
    bool Flare::*field;
};
struct FlareFloatField {
    const char *keyword;
    float Flare::*field;
};
const std::vector<FlareSwitchField> &FlareSwitches();
const std::vector<FlareFloatField> &FlareFloats();

struct Light {
    std::string name;
    std::string model = "point";
    float color[3] = {1.0f, 1.0f, 1.0f};
    float intensity = 1.0f;
    bool bdfSave = true;
    Flare flare;
};

} // namespace ka

#endif

/*
 * lens_flare_model.h - the editor's copy of one lens flare: globals and a
 * doubly linked list of elements, each with its parameter definitions and
 * current values, in host order.  Nodes live in host memory; texts are the
 * host's and are never freed or changed here.
 */
#ifndef LENS_FLARE_MODEL_H
#define LENS_FLARE_MODEL_H

#include <windows.h>
#include "host/kalvos_core.h"

class CColourSlider;
struct TinySlider;

struct ElementParameter {
    KaToken type;                  /* token of "intslider", "floatslider", ... */
    uint64_t parameterId;          /* kept, never interpreted */
    const char *guid;
    const char *description;       /* label shown in the panel */
    const char *name;
    float absMin[3], absMax[3];
    float uiMin[3], uiMax[3];
    float defaultValue[3];
    float delta[3];
    int64_t precision;             /* the panel reads the low 16 bits */
    KaToken floatArg;              /* switch */
    KaToken displayAsPercentage;   /* switch */
    float Kv_Current_Value[4];     /* 16 bytes; up to three floats used */
    int32_t gradientCount;
    float *gradientColors;         /* own copy: gradientCount RGB triples */
    float *gradientOffsets;        /* own copy: gradientCount offsets 0..1 */
    int32_t arbitraryDataSize;     /* bytes */
    unsigned char *arbitraryData;  /* own copy */
    /* Panel fields: zero when read, owned by the parameter panel. */
    HWND control;
    HWND label;
    CColourSlider *gradientControl;
    TinySlider *slider;
    int32_t controlId;
    ElementParameter *prev, *next;
};

struct FlareElement {
    KaToken enabled;               /* switch */
    const char *description;       /* line of the editor's element list */
    const char *name;              /* element type name */
    const char *guid;              /* identity in every host command */
    int32_t numParameters;
    ElementParameter *firstParameter;
    FlareElement *prev, *next;
};

struct LensFlareModel {
    KaToken enabled;
    float intensity;
    float scale;
    float occlusionRadius;
    float anamorphicStretch;
    KaToken fastDrag;
    int32_t randomSeed;
    float color[3];
    KaToken useLightParams;
    float angle;                   /* degrees */
    KaToken glowBehindObjects;
    KaToken fadeIfNearBorder;
    KaToken fadeIfBehindObjects;
    KaToken fadeIfApproachingObjects;
    KaToken fadeWithDistance;
    float refDistance;
    KaToken scaleGlowWithDistance;
    KaToken scaleReflexesWithDistance;
    int32_t numElements;
    FlareElement *firstElement;
};

void ReadLensFlare(LensFlareModel **model, KaToken handleType, const char *handleName);
void FreeLensFlareModel(LensFlareModel **model);
FlareElement *AppendElement(LensFlareModel *model);
ElementParameter *AppendParameter(FlareElement *element);
void RemoveElement(LensFlareModel *model, FlareElement *element);

void WriteLensFlare(LensFlareModel **model, KaToken handleType, const char *handleName);

/* Element and file commands on the flare; each is one host call. */
enum InsertPlacement { INSERT_BEFORE, INSERT_AFTER, INSERT_AT_START, INSERT_AT_END };
void InsertFlareElement(KaToken handleType, const char *handleName, InsertPlacement placement,
                        const char *typeName, const char *selectedGuid, const char **newGuid);
void DeleteFlareElement(KaToken handleType, const char *handleName, const char *guid);
void MoveFlareElement(KaToken handleType, const char *handleName, bool down, const char *guid);
void SendFastDragSwitch(KaToken handleType, const char *handleName, KaToken fastDrag);
int32_t SaveFlareToFile(KaToken handleType, const char *handleName, const char *path);
int32_t LoadFlareFromFile(KaToken handleType, const char *handleName, const char *path);

#endif

/*
 * model_read.cpp - building the editor's copy of a lens flare from the
 * host in one pass: one inquiry for the globals, one per element and one
 * per parameter.  Arrays the host hands out stay the host's, so they are
 * copied into blocks the model owns.
 */
#include <cstring>

#include "host/host_helpers.h"
#include "model/lens_flare_model.h"

namespace {

void *CopyHostBlock(const void *source, size_t bytes)
{
    void *copy = Ki_Alloc_Memory(0, 1, bytes);
    if (copy)
        std::memcpy(copy, source, bytes);
    return copy;
}

void ReadGlobals(LensFlareModel *m, KaToken type, const char *name, int32_t *count)
{
    const KaToken enabled = Token("enabled");
    Ki_Inquire_LensFlare(type, name,
        enabled, &m->enabled, 1,
        Token("intensity"), &m->intensity, 1,
        Token("scale"), &m->scale, 1,
        Token("occlusionradius"), &m->occlusionRadius, 1,
        Token("anamorphicstretch"), &m->anamorphicStretch, 1,
        Token("fastdrag"), enabled, &m->fastDrag, 1,
        Token("randomseed"), &m->randomSeed, 1,
        Token("color"), m->color, 1,
        Token("uselightparams"), enabled, &m->useLightParams, 1,
        Token("angle"), &m->angle, 1,
        Token("glowbehindobjects"), enabled, &m->glowBehindObjects, 1,
        Token("fadeifnearborder"), enabled, &m->fadeIfNearBorder, 1,
        Token("fadeifbehindobjects"), enabled, &m->fadeIfBehindObjects, 1,
        Token("fadeifapproachingobjects"), enabled, &m->fadeIfApproachingObjects, 1,
        Token("fadewithdistance"), enabled, &m->fadeWithDistance, 1,
        Token("refdistance"), &m->refDistance, 1,
        Token("scaleglowwithdistance"), enabled, &m->scaleGlowWithDistance, 1,
        Token("scalereflexeswithdistance"), enabled, &m->scaleReflexesWithDistance, 1,
        Token("numelements"), count, 1,
        0);
}

void ReadParameter(ElementParameter *p, KaToken type, const char *name, int32_t e, int32_t index)
{
    const KaToken def = Token("definition");
    float *hostColors = nullptr;
    float *hostOffsets = nullptr;
    unsigned char *hostData = nullptr;
    Ki_Inquire_LensFlare(type, name,
        Token("element"), &e, 1,
        Token("parameter"), &index,
        Token("parameterid"), &p->parameterId,
        def, Token("type"), &p->type,
        def, Token("guid"), &p->guid,
        def, Token("description"), &p->description,
        def, Token("name"), &p->name,
        def, Token("absminrange"), p->absMin,
        def, Token("absmaxrange"), p->absMax,
        def, Token("uiminrange"), p->uiMin,
        def, Token("uimaxrange"), p->uiMax,
        def, Token("defaultvalue"), p->defaultValue,
        def, Token("delta"), p->delta,
        def, Token("precision"), &p->precision,
        def, Token("floatarg"), Token("enabled"), &p->floatArg,
        def, Token("displayaspercentage"), Token("enabled"), &p->displayAsPercentage,
        Token("value"), p->Kv_Current_Value,
        Token("gradientdata"), &p->gradientCount, &hostColors, &hostOffsets,
        Token("arbitrarydata"), &p->arbitraryDataSize, &hostData,
        1, 0);
    /* A negative count from a faulty host would turn into a huge copy. */
    if (p->gradientCount > 0) {
        size_t n = (size_t)p->gradientCount;
        if (hostColors)
            p->gradientColors = static_cast<float *>(CopyHostBlock(hostColors, n * 12));
        if (hostOffsets)
            p->gradientOffsets = static_cast<float *>(CopyHostBlock(hostOffsets, n * 4));
    }
    if (p->arbitraryDataSize > 0 && hostData)
        p->arbitraryData = static_cast<unsigned char *>(
            CopyHostBlock(hostData, (size_t)p->arbitraryDataSize));
}

template <typename Node> Node *LastNode(Node *first)
{
    Node *last = first;
    while (last && last->next)
        last = last->next;
    return last;
}

/* A zero-filled record from the host allocator, linked in after last, the
 * last node of the list that starts at *first (null when it is empty). */
template <typename Node> Node *LinkAfter(Node **first, Node *last)
{
    Node *node = static_cast<Node *>(Ki_Alloc_Memory(0, 1, sizeof(Node)));
    if (!node)
        return nullptr;
    node->prev = last;
    if (last)
        last->next = node;
    else
        *first = node;
    return node;
}

/* The read appends element after element: it keeps the last one rather
 * than walk the list to it each time, which made a read grow with the
 * square of the flare's size. */
FlareElement *AppendElementAfter(LensFlareModel *model, FlareElement *last)
{
    FlareElement *element = LinkAfter(&model->firstElement, last);
    if (element)
        model->numElements++;
    return element;
}

ElementParameter *AppendParameterAfter(FlareElement *element, ElementParameter *last)
{
    ElementParameter *parameter = LinkAfter(&element->firstParameter, last);
    if (parameter)
        element->numParameters++;
    return parameter;
}

} // namespace

void ReadLensFlare(LensFlareModel **model, KaToken type, const char *name)
{
    if (!*model)
        *model = static_cast<LensFlareModel *>(Ki_Alloc_Memory(0, 1, sizeof(LensFlareModel)));
    LensFlareModel *m = *model;
    if (!m)
        return;
    int32_t elementCount = 0;
    ReadGlobals(m, type, name, &elementCount);
    FlareElement *element = LastNode(m->firstElement);
    for (int32_t e = 0; e < elementCount; e++) {
        element = AppendElementAfter(m, element);
        if (!element)
            return;
        int32_t parameterCount = 0;
        Ki_Inquire_LensFlare(type, name,
            Token("element"), &e,
            Token("numparameterdefinitions"), &parameterCount,
            Token("enabled"), &element->enabled,
            Token("description"), &element->description,
            Token("name"), &element->name,
            Token("guid"), &element->guid,
            1, 0);
        ElementParameter *parameter = nullptr;
        for (int32_t p = 0; p < parameterCount; p++) {
            parameter = AppendParameterAfter(element, parameter);
            if (!parameter)
                return;
            ReadParameter(parameter, type, name, e, p);
        }
    }
}

FlareElement *AppendElement(LensFlareModel *model)
{
    return AppendElementAfter(model, LastNode(model->firstElement));
}

ElementParameter *AppendParameter(FlareElement *element)
{
    return AppendParameterAfter(element, LastNode(element->firstParameter));
}

void RemoveElement(LensFlareModel *model, FlareElement *element)
{
    if (element->prev)
        element->prev->next = element->next;
    else
        model->firstElement = element->next;
    if (element->next)
        element->next->prev = element->prev;
    ElementParameter *parameter = element->firstParameter;
    while (parameter) {
        ElementParameter *next = parameter->next;
        Ki_Free_Memory(parameter->gradientColors);
        Ki_Free_Memory(parameter->gradientOffsets);
        Ki_Free_Memory(parameter->arbitraryData);
        Ki_Free_Memory(parameter);
        parameter = next;
    }
    element->firstParameter = nullptr;
    element->numParameters = 0;
    Ki_Free_Memory(element);
    model->numElements--;
}

void FreeLensFlareModel(LensFlareModel **model)
{
    if (!*model)
        return;
    while ((*model)->firstElement)
        RemoveElement(*model, (*model)->firstElement);
    Ki_Free_Memory(*model);
    *model = nullptr;
}

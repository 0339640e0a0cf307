/*
 * model_write.cpp - sending the model back to the host: the whole model in
 * one pass (globals, each element's switch, each parameter's value), and
 * the single commands that change the flare's structure or its files.
 * Switches go by value, numbers and the colour by address.
 */
#include "host/host_helpers.h"
#include "model/lens_flare_model.h"

namespace {

void WriteGlobals(const LensFlareModel *m, KaToken type, const char *name)
{
    const KaToken enabled = Token("enabled");
    Ki_LensFlare(type, name,
        enabled, m->enabled, 1,
        Token("intensity"), &m->intensity, 1,
        Token("scale"), &m->scale, 1,
        Token("occlusionradius"), &m->occlusionRadius, 1,
        Token("anamorphicstretch"), &m->anamorphicStretch, 1,
        Token("fastdrag"), enabled, m->fastDrag, 1,
        Token("randomseed"), &m->randomSeed, 1,
        Token("color"), Token("rgb"), m->color, 1,
        Token("uselightparams"), enabled, m->useLightParams, 1,
        Token("angle"), &m->angle, 1,
        Token("glowbehindobjects"), enabled, m->glowBehindObjects, 1,
        Token("fadeifnearborder"), enabled, m->fadeIfNearBorder, 1,
        Token("fadeifbehindobjects"), enabled, m->fadeIfBehindObjects, 1,
        Token("fadeifapproachingobjects"), enabled, m->fadeIfApproachingObjects, 1,
        Token("fadewithdistance"), enabled, m->fadeWithDistance, 1,
        Token("refdistance"), &m->refDistance, 1,
        Token("scaleglowwithdistance"), enabled, m->scaleGlowWithDistance, 1,
        Token("scalereflexeswithdistance"), enabled, m->scaleReflexesWithDistance, 1,
        0);
}

} // namespace

void WriteLensFlare(LensFlareModel **model, KaToken type, const char *name)
{
    if (!*model)
        return;
    const LensFlareModel *m = *model;
    WriteGlobals(m, type, name);
    for (const FlareElement *e = m->firstElement; e; e = e->next) {
        Ki_LensFlare(type, name, Token("element"), e->guid, Token("enabled"), e->enabled, 1, 0);
        int32_t index = 0;
        for (const ElementParameter *p = e->firstParameter; p; p = p->next, index++) {
            Ki_LensFlare(type, name,
                Token("element"), e->guid, 1,
                Token("parameter"), &index,
                Token("value"), p->Kv_Current_Value,
                Token("gradientdata"), &p->gradientCount, p->gradientColors, p->gradientOffsets,
                Token("arbitrarydata"), &p->arbitraryDataSize, p->arbitraryData,
                1, 0);
        }
    }
}

void InsertFlareElement(KaToken type, const char *name, InsertPlacement placement,
                        const char *typeName, const char *selectedGuid, const char **newGuid)
{
    switch (placement) {
    case INSERT_BEFORE:
    case INSERT_AFTER:
        Ki_LensFlare(type, name, Token("insert"),
                     Token(placement == INSERT_BEFORE ? "before" : "after"), typeName,
                     selectedGuid, newGuid, 0);
        break;
    case INSERT_AT_START:
    case INSERT_AT_END:
        Ki_LensFlare(type, name, Token("insert"),
                     Token(placement == INSERT_AT_START ? "start" : "end"), typeName, newGuid, 0);
        break;
    }
}

void DeleteFlareElement(KaToken type, const char *name, const char *guid)
{
    Ki_LensFlare(type, name, Token("delete"), guid, 0);
}

void MoveFlareElement(KaToken type, const char *name, bool down, const char *guid)
{
    Ki_LensFlare(type, name, Token("move"), Token(down ? "down" : "up"), guid, 0);
}

void SendFastDragSwitch(KaToken type, const char *name, KaToken fastDrag)
{
    Ki_LensFlare(type, name, Token("fastdrag"), Token("enabled"), fastDrag, 0);
}

int32_t SaveFlareToFile(KaToken type, const char *name, const char *path)
{
    int32_t status = -1;
    Ki_LensFlare(type, name, Token("savetofile"), path, &status, 0);
    return status;
}

int32_t LoadFlareFromFile(KaToken type, const char *name, const char *path)
{
    int32_t status = -1;
    Ki_LensFlare(type, name, Token("loadfromfile"), path, &status, 0);
    return status;
}

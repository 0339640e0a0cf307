/*
 * temp_light.cpp - the temporary light, flares made to order on it and
 * library files loaded into it.  Every call here names the temporary
 * light, never the user's.
 */
#include "host/host_helpers.h"
#include "library/temp_light.h"
#include "preview/preview.h"

const char tempLightName[] = "Kalvos___TempLensFlareLight";

bool TempLightExists()
{
    int32_t exists = 0;
    Ki_Handle_Name_Exists(tempLightName, &exists, Token("light"), 0);
    return exists != 0;
}

void CreateTempLight()
{
    if (!TempLightExists())
        Ki_Light(tempLightName, Token("model"), Token("point"), 1, Token("bdfsave"),
                 Token("enabled"), Token("off"), 0);
}

void RemoveTempLight()
{
    if (TempLightExists())
        Ki_Remove(Token("light"), tempLightName, 0);
}

void EmptyTempLight()
{
    int32_t count = 0;
    Ki_Inquire_LensFlare(Token("light"), tempLightName, Token("numelements"), &count, 0);
    for (int32_t i = count - 1; i >= 0; i--) {
        const char *guid = nullptr;
        Ki_Inquire_LensFlare(Token("light"), tempLightName, Token("element"), &i, Token("guid"),
                             &guid, 1, 0);
        if (guid)
            Ki_LensFlare(Token("light"), tempLightName, Token("delete"), guid, 0);
    }
}

void BuildTempFlare(const char *const *typeNames, int32_t count, LensFlareModel **model)
{
    CreateTempLight();
    EmptyTempLight();
    const KaToken light = Token("light");
    for (int32_t i = 0; i < count; i++) {
        const char *guid = nullptr;
        InsertFlareElement(light, tempLightName, INSERT_AT_END, typeNames[i], nullptr, &guid);
    }
    ReadLensFlare(model, light, tempLightName);
}

void WriteTempFlare(LensFlareModel *model)
{
    WriteLensFlare(&model, Token("light"), tempLightName);
}

void RenderTempLight(KaGBuffer *buffer, int16_t x, int16_t y, KaProgressFn progress)
{
    ClearGBuffer(buffer);
    Ki_LensFlareApplyToGBuffer(buffer, Token("light"), tempLightName, x, y, progress);
}

bool RenderTempLightImage(KaGBuffer *buffer, PreviewImage *image, int16_t x, int16_t y)
{
    if (!buffer || !image->valid)
        return false;
    RenderTempLight(buffer, x, y, nullptr);
    ConvertGBufferToImage(buffer, image);
    return true;
}

/* The host appends what it loads, and a new light comes with a default
 * flare: the light is emptied first so that it holds the file alone. */
int32_t LoadFileIntoTempLight(const char *path)
{
    EmptyTempLight();
    int32_t status = -1;
    Ki_LensFlare(Token("light"), tempLightName, Token("loadfromfile"), path, &status, 0);
    return status;
}

const char *LoadFailureReason(int32_t status)
{
    switch (status) {
    case 1:
        return "Cannot read the file";
    case 2:
        return "Not a lens effect file";
    case 3:
        return "Unknown element type";
    }
    return "Cannot load the file";
}

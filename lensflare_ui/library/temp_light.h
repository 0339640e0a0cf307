/*
 * temp_light.h - the host's temporary light "Kalvos___TempLensFlareLight":
 * an owner for a flare the user's light must not see, such as a library
 * file under preview or a flare rendered in part.  Whoever makes it
 * removes it again when done.
 */
#ifndef TEMP_LIGHT_H
#define TEMP_LIGHT_H

#include <stdint.h>

#include "host/kalvos_core.h"
#include "model/lens_flare_model.h"

struct PreviewImage;

extern const char tempLightName[];

bool TempLightExists();
/* Makes the light unless it exists; a new light comes with the host's
 * default flare. */
void CreateTempLight();
void RemoveTempLight();
/* Deletes every element of the light's flare. */
void EmptyTempLight();

/* A flare for the light of the given element types, in order, read back
 * into *model for the caller to fill with values.  The light is made or
 * emptied first. */
void BuildTempFlare(const char *const *typeNames, int32_t count, LensFlareModel **model);
/* Writes a model to the light, its elements' guids the light's. */
void WriteTempFlare(LensFlareModel *model);
/* Empties the light and has the host load the file into it: the host's
 * status, 0 when loaded. */
int32_t LoadFileIntoTempLight(const char *path);
/* Why "loadfromfile" refused a file, by the host's status. */
const char *LoadFailureReason(int32_t status);
/* Renders the light's flare into buffer, cleared first, with the light at
 * (x, y). */
void RenderTempLight(KaGBuffer *buffer, int16_t x, int16_t y, KaProgressFn progress);
/* The same into an image through buffer; false without a buffer or an
 * image. */
bool RenderTempLightImage(KaGBuffer *buffer, PreviewImage *image, int16_t x, int16_t y);

#endif

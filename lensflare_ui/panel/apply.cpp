/*
 * apply.cpp - the one change entry every control of the editor reports to,
 * and the filling of the fixed global controls from the model.
 */
#include "editor/editor.h"
#include "editor/undo.h"
#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "host/kalvos_io.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

void ApplyParameterChange(int16_t controlId)
{
    if (dialogBusy || renderBusy)
        return;
    RecordParameterStep(controlId);
    PluginInstance *instance = currentInstance;
    if (!instance || instance->realtimeUpdates == 0)
        return;
    if (instance->currentElement && currentSection == SECTION_ELEMENT)
        CollectGradientParameters(instance, instance->dialog, instance->currentElement);
    WriteLensFlare(&instance->model, instance->handleType, instance->handleName);
    RefreshPreview(-1, -1);
}

void FillGlobalControls(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    LensFlareModel *m = instance ? instance->model : nullptr;
    if (!m)
        return;
    bool ownedByLight = instance->handleType == Token("light");
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_FLARE_ENABLED, m->enabled);
    if (!ownedByLight)
        m->useLightParams = Token("off");
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_USE_LIGHT_PARAMS, m->useLightParams);
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_FADE_NEAR_BORDER, m->fadeIfNearBorder);
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_FADE_BEHIND, m->fadeIfBehindObjects);
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_FADE_APPROACHING, m->fadeIfApproachingObjects);
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_FADE_WITH_DISTANCE, m->fadeWithDistance);
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_GLOW_BEHIND, m->glowBehindObjects);
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_SCALE_REFLEXES, m->scaleReflexesWithDistance);
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_SCALE_GLOW, m->scaleGlowWithDistance);
    Import_IO_Set_Control_Enable(dialog, IDC_USE_LIGHT_PARAMS, ownedByLight ? 1 : 0);
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_FASTER_UPDATES, m->fastDrag);
    Import_IO_KdInt_To_Dialog(dialog, IDC_RANDOM_SEED, m->randomSeed);
    Import_IO_KdFloat_To_Dialog(dialog, IDC_REF_DISTANCE, m->refDistance);
}

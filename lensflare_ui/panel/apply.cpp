/*
 * apply.cpp - the one change entry every control of the editor reports to.
 * The fixed global controls are filled in global_controls.cpp.
 */
#include "entry/editor_state.h"
#include "entry/plugin.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

void (*parameterChangeListener)(int16_t controlId);

void ApplyParameterChange(int16_t controlId)
{
    if (dialogBusy || renderBusy)
        return;
    if (parameterChangeListener)
        parameterChangeListener(controlId);
    PluginInstance *instance = currentInstance;
    NoteMergedGradientStops(instance, controlId);
    if (!instance || instance->realtimeUpdates == 0)
        return;
    if (instance->currentElement && currentSection == SECTION_ELEMENT)
        CollectGradientParameters(instance, instance->dialog, instance->currentElement);
    WriteLensFlare(&instance->model, instance->handleType, instance->handleName);
    RefreshPreview(-1, -1);
}

/*
 * global_controls.cpp - the fixed controls of the two global sections:
 * the seven fading switches and the five labelled sliders, each listed
 * once, and what fills them from the model.  Every re-read of the model
 * (library load, structural commands) gives the sliders a new model to
 * point at, so they are bound again and show what the host now holds.
 * The sliders show the number they are bound to, also beyond the track's
 * range (a stretch of 2.5 on a track that ends at 2): OK reads their text
 * back and must commit what the user sees.
 */
#include <cfloat>

#include "color/color.h"
#include "controls/controls.h"
#include "entry/editor_state.h"
#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "host/kalvos_io.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

TinySlider *intensitySlider, *scaleSlider, *angleSlider, *stretchSlider, *occlusionSlider;

namespace {

const int16_t kPrecision = 2;

struct FadingSwitch {
    int16_t id;
    KaToken LensFlareModel::*field;
};

/* In the order the fixed controls are filled. */
const FadingSwitch kFadingSwitches[] = {
    {IDC_FADE_NEAR_BORDER, &LensFlareModel::fadeIfNearBorder},
    {IDC_FADE_BEHIND, &LensFlareModel::fadeIfBehindObjects},
    {IDC_FADE_APPROACHING, &LensFlareModel::fadeIfApproachingObjects},
    {IDC_FADE_WITH_DISTANCE, &LensFlareModel::fadeWithDistance},
    {IDC_GLOW_BEHIND, &LensFlareModel::glowBehindObjects},
    {IDC_SCALE_REFLEXES, &LensFlareModel::scaleReflexesWithDistance},
    {IDC_SCALE_GLOW, &LensFlareModel::scaleGlowWithDistance},
};

struct GlobalSlider {
    int16_t placeholderId;       /* the slider takes over its id */
    const char *label;
    float LensFlareModel::*field;
    float uiMin, uiMax;
    float absMin, absMax;
    int16_t section;             /* shown with this section */
    int16_t radius;              /* percent display and the radius overlay */
    TinySlider **record;
};

/* In the order OK reads them back. */
const GlobalSlider kGlobalSliders[] = {
    {IDC_INTENSITY_SLIDER, "Global Intensity", &LensFlareModel::intensity, 0.0f, 4.0f, 0.0f,
     FLT_MAX, SECTION_GLOBAL, 0, &intensitySlider},
    {IDC_SCALE_SLIDER, "Global Scale", &LensFlareModel::scale, 0.1f, 10.0f, 0.1f, FLT_MAX,
     SECTION_GLOBAL, 0, &scaleSlider},
    {IDC_ANGLE_SLIDER, "Global Rotation Angle", &LensFlareModel::angle, 0.0f, 360.0f, 0.0f,
     360.0f, SECTION_GLOBAL, 0, &angleSlider},
    {IDC_STRETCH_SLIDER, "Anamorphic Stretch", &LensFlareModel::anamorphicStretch, 0.5f, 2.0f,
     0.01f, FLT_MAX, SECTION_GLOBAL, 0, &stretchSlider},
    {IDC_OCCLUSION_SLIDER, "Occlusion Radius", &LensFlareModel::occlusionRadius, 0.01f, 2.0f,
     0.001f, FLT_MAX, SECTION_GLOBAL_FADING, 1, &occlusionSlider},
};

LensFlareModel *Model()
{
    return currentInstance ? currentInstance->model : nullptr;
}

} // namespace

KaToken *FadingSwitchField(int id)
{
    LensFlareModel *m = Model();
    if (!m)
        return nullptr;
    for (const FadingSwitch &s : kFadingSwitches)
        if (s.id == id)
            return &(m->*s.field);
    return nullptr;
}

bool SameFadingSwitches(const LensFlareModel &a, const LensFlareModel &b)
{
    for (const FadingSwitch &s : kFadingSwitches)
        if (a.*s.field != b.*s.field)
            return false;
    return true;
}

void CopyFadingSwitches(const LensFlareModel &from, LensFlareModel *to)
{
    for (const FadingSwitch &s : kFadingSwitches)
        to->*s.field = from.*s.field;
}

void FillGlobalControls(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    LensFlareModel *m = Model();
    if (!m)
        return;
    bool ownedByLight = instance->handleType == Token("light");
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_FLARE_ENABLED, m->enabled);
    if (!ownedByLight)
        m->useLightParams = Token("off");
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_USE_LIGHT_PARAMS, m->useLightParams);
    for (const FadingSwitch &s : kFadingSwitches)
        Import_IO_Set_Kalvos_Toggle(dialog, s.id, m->*s.field);
    Import_IO_Set_Control_Enable(dialog, IDC_USE_LIGHT_PARAMS, ownedByLight ? 1 : 0);
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_FASTER_UPDATES, m->fastDrag);
    Import_IO_KdInt_To_Dialog(dialog, IDC_RANDOM_SEED, m->randomSeed);
    Import_IO_KdFloat_To_Dialog(dialog, IDC_REF_DISTANCE, m->refDistance);
}

void CreateGlobalSliders(HWND dialog)
{
    LensFlareModel *m = Model();
    for (const GlobalSlider &g : kGlobalSliders) {
        TinySliderSetup setup = {g.label, 1, g.uiMin, g.uiMax, g.absMin, g.absMax,
                                 m ? &(m->*g.field) : nullptr, kPrecision, g.radius,
                                 g.radius ? DrawRadiusOverlay : nullptr};
        *g.record = CreateLabelledSlider(dialog, g.placeholderId, setup);
        ShowTinySliderTarget(*g.record);
    }
}

/* The edits' EN_UPDATE would otherwise read the refilled texts back into
 * the model, rounded to what they show. */
void RefreshGlobalControls(HWND dialog)
{
    BusyScope busy(dialogBusy);
    FillGlobalControls(dialog);
    LensFlareModel *m = Model();
    for (const GlobalSlider &g : kGlobalSliders) {
        TinySlider *slider = *g.record;
        if (!slider)
            continue;
        slider->floatTarget = m ? &(m->*g.field) : nullptr;
        ShowTinySliderTarget(slider);
    }
    RedrawControl(dialog, IDC_BASE_COLOR);
}

void FinishGlobalSliders()
{
    LensFlareModel *m = Model();
    for (const GlobalSlider &g : kGlobalSliders) {
        if (!*g.record)
            continue;
        float value = FinishLabelledSlider(g.record);
        if (m)
            m->*g.field = value;
    }
}

void FreeGlobalSliders()
{
    for (const GlobalSlider &g : kGlobalSliders)
        FreeTinySlider(g.record);
}

void ShowGlobalSliders(int16_t section, bool show)
{
    for (const GlobalSlider &g : kGlobalSliders) {
        TinySlider *slider = *g.record;
        if (g.section == section && slider && slider->window)
            ShowWindow(slider->window, show ? SW_SHOW : SW_HIDE);
    }
}

const char *GlobalSliderLabel(int16_t controlId)
{
    for (const GlobalSlider &g : kGlobalSliders)
        if (g.placeholderId == controlId && *g.record)
            return g.label;
    return nullptr;
}

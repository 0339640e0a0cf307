/*
 * panel.h - the parameter area: section switching, the panel built from
 * the selected element's parameter definitions, the labelled sliders of
 * the global sections, and the change entry that writes edits back.
 */
#ifndef PANEL_H
#define PANEL_H

#include <windows.h>
#include "host/kalvos_core.h"

struct PluginInstance;
struct FlareElement;
struct LensFlareModel;
struct TinySlider;
struct TinySliderSetup;

void BuildParameterPanel(PluginInstance *instance, HWND dialog, FlareElement *element);
void ShowParameterSection(HWND dialog, int16_t section, bool initialise);
void MoveControlRange(HWND dialog, int firstId, int lastId, int fromAreaId, int toAreaId);
void ShowControlRange(HWND dialog, int firstId, int lastId, bool show);
void GetControlRectInDialog(HWND dialog, int id, RECT *rect);
TinySlider *CreateLabelledSlider(HWND dialog, int16_t placeholderId, const TinySliderSetup &setup);
/* The number in the slider's box; the slider is freed and *slider cleared. */
float FinishLabelledSlider(TinySlider **slider);

void ApplyParameterChange(int16_t controlId);
/* Told of each edit the change entry takes in, before it is written back;
 * the editor's undo history listens while it is open. */
extern void (*parameterChangeListener)(int16_t controlId);
void HandleParameterCommand(PluginInstance *instance, HWND dialog, UINT message, WPARAM wParam,
                            LPARAM lParam);
int16_t DrawColorParameterButton(int16_t controlId, const DRAWITEMSTRUCT *drawItem);
void CollectGradientParameters(PluginInstance *instance, HWND dialog, FlareElement *element);
/* After a change report: the first edit of a gradient whose stops its
 * control could not show one for one says under the preview that they
 * were merged. */
void NoteMergedGradientStops(PluginInstance *instance, int16_t controlId);
void DestroyParameterPanel(PluginInstance *instance, FlareElement *element);
/* Instead of destroying it: the panel's windows put aside for the next
 * build, which takes them back when its rows are the same; a panel with
 * the focus is destroyed.  Release destroys what no build took. */
void KeepParameterPanel(PluginInstance *instance, FlareElement *element);
void ReleaseKeptPanel(PluginInstance *instance);

/* The fixed controls of the global sections (global_controls.cpp). */
extern TinySlider *intensitySlider, *scaleSlider, *angleSlider, *stretchSlider,
    *occlusionSlider;
void FillGlobalControls(HWND dialog);
void CreateGlobalSliders(HWND dialog);
/* After a re-read or restore of the model: binds the labelled sliders to
 * its fields and shows their values without notifying, refills the fixed
 * controls and redraws the base colour. */
void RefreshGlobalControls(HWND dialog);
void FinishGlobalSliders();    /* OK: each slider's text into its field */
void FreeGlobalSliders();
void ShowGlobalSliders(int16_t section, bool show);
/* The label of the labelled slider of that id, or null for any other id. */
const char *GlobalSliderLabel(int16_t controlId);
KaToken *FadingSwitchField(int id);       /* the model's switch of a fading check box, or null */
bool SameFadingSwitches(const LensFlareModel &a, const LensFlareModel &b);
void CopyFadingSwitches(const LensFlareModel &from, LensFlareModel *to);

/* The range warning is shown once per module life. */
extern int16_t rangeWarningShown;

#endif

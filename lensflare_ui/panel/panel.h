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
struct TinySlider;

void BuildParameterPanel(PluginInstance *instance, HWND dialog, FlareElement *element);
void ShowParameterSection(HWND dialog, int16_t section, bool initialise);
void MoveControlRange(HWND dialog, int firstId, int lastId, int fromAreaId, int toAreaId);
void ShowControlRange(HWND dialog, int firstId, int lastId, bool show);
void GetControlRectInDialog(HWND dialog, int id, RECT *rect);
TinySlider *CreateLabelledSlider(HWND dialog, int16_t placeholderId, const char *labelText,
                                 int16_t floatMode, float *valuePointer, float uiMin, float uiMax,
                                 float absMin, float absMax);
float FinishLabelledSlider(HWND dialog, TinySlider *slider);

void ApplyParameterChange(int16_t controlId);
void HandleParameterCommand(PluginInstance *instance, HWND dialog, UINT message, WPARAM wParam,
                            LPARAM lParam);
int16_t DrawColorParameterButton(int16_t controlId, const DRAWITEMSTRUCT *drawItem);
void CollectGradientParameters(PluginInstance *instance, HWND dialog, FlareElement *element);
void DestroyParameterPanel(PluginInstance *instance, FlareElement *element);
void FillGlobalControls(HWND dialog);

/* The range warning is shown once per module life. */
extern int16_t rangeWarningShown;

#endif

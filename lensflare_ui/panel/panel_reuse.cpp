/*
 * panel_reuse.cpp - a panel's windows kept across a change of the shown
 * element.  Making and destroying a row's windows is most of what a new
 * selection, a paste, a duplicate or an add costs, and the element shown
 * next often has the same rows as the one before (a duplicate, a paste of
 * the copied element, a flare of repeated types).  The commands that save
 * the panel put its windows aside here instead of destroying them; the
 * next build takes each row's windows back when the rows are the same
 * (same types, same labels, so the same ids and places) and sets them up
 * as it would new ones.  Whatever is not taken is destroyed as the panel
 * always was.  Nothing here talks to the host.
 */
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "panel/panel_support.h"

namespace {

/* The rows put aside, in the panel's order and linked as an element's
 * parameters are, so the panel's own destruction takes them down; with
 * copies of their labels, as the element they came from may be freed
 * before they are taken.  Owned by the panel; empty between commands. */
std::vector<ElementParameter> keptRows;
std::vector<std::string> keptLabels;
FlareElement keptPanel;

const char *Label(const ElementParameter *p)
{
    return p->description ? p->description : "";
}

/* A focused row keeps the old way: its destruction is what ends the typing. */
bool FocusInPanel(const FlareElement *element)
{
    HWND focus = GetFocus();
    for (const ElementParameter *p = element->firstParameter; focus && p; p = p->next)
        if (p->control && (p->control == focus || IsChild(p->control, focus)))
            return true;
    return false;
}

bool AnyKeptWindow()
{
    for (const ElementParameter &row : keptRows)
        if (row.control || row.label || row.slider || row.gradientControl)
            return true;
    return false;
}

/* The element's rows can take the kept windows one for one. */
bool KeptRowsFit(const FlareElement *element)
{
    if (!element || keptRows.empty())
        return false;
    const ElementParameter *p = element->firstParameter;
    for (const ElementParameter &row : keptRows) {
        if (!p || p->type != row.type || std::strcmp(Label(p), row.description) != 0)
            return false;
        p = p->next;
    }
    return p == nullptr;
}

} // namespace

void KeepParameterPanel(PluginInstance *instance, FlareElement *element)
{
    ReleaseKeptPanel(instance);
    if (!element || element->numParameters == 0 || !element->firstParameter ||
        FocusInPanel(element)) {
        DestroyParameterPanel(instance, element);
        return;
    }
    for (ElementParameter *p = element->firstParameter; p; p = p->next) {
        keptLabels.push_back(Label(p));
        ElementParameter row = {};
        row.type = p->type;
        row.control = p->control;
        row.label = p->label;
        row.slider = p->slider;
        row.gradientControl = p->gradientControl;
        keptRows.push_back(row);
        p->control = p->label = nullptr;
        p->slider = nullptr;
        p->gradientControl = nullptr;
    }
    /* Linked and labelled once the vectors no longer move. */
    for (size_t i = 0; i < keptRows.size(); i++) {
        ElementParameter &row = keptRows[i];
        row.description = keptLabels[i].c_str();
        row.next = i + 1 < keptRows.size() ? &keptRows[i + 1] : nullptr;
        if (row.slider) {
            row.slider->floatTarget = nullptr;
            row.slider->label = row.description;
        }
        if (row.gradientControl)
            row.gradientControl->label = row.description;
    }
    keptPanel = {};
    keptPanel.numParameters = (int32_t)keptRows.size();
    keptPanel.firstParameter = &keptRows[0];
}

ElementParameter *TakeKeptPanel(PluginInstance *instance, const FlareElement *element)
{
    if (KeptRowsFit(element))
        return &keptRows[0];
    ReleaseKeptPanel(instance);
    return nullptr;
}

void ReleaseKeptPanel(PluginInstance *instance)
{
    if (AnyKeptWindow())
        DestroyParameterPanel(instance, &keptPanel);
    keptRows.clear();
    keptLabels.clear();
    keptPanel = {};
}

HWND TakeKeptWindow(ElementParameter *kept, int id)
{
    if (!kept)
        return nullptr;
    if (kept->label && GetDlgCtrlID(kept->label) == id) {
        HWND label = kept->label;
        kept->label = nullptr;
        return label;
    }
    if (!kept->control || GetDlgCtrlID(kept->control) != id)
        return nullptr;
    HWND control = kept->control;
    kept->control = nullptr;
    return control;
}

TinySlider *KeptOrNewTinySlider(ElementParameter *kept, HWND dialog, HINSTANCE module,
                                uint16_t id, const TinySliderSetup &setup)
{
    TinySlider *slider = kept ? kept->slider : nullptr;
    if (!slider || slider->id != id)
        return NewTinySlider(dialog, module, id, ApplyParameterChange, setup);
    kept->slider = nullptr;
    kept->control = nullptr;
    SetUpTinySlider(slider, setup);
    SetTinySliderValue(slider, setup.target ? *setup.target : 0.0f, 1, 0);
    return slider;
}

/* The kept control on its button, as a new one starts; destroying it and
 * making it again would repaint the whole dialog. */
CColourSlider *KeptOrNewGradientControl(ElementParameter *kept, HWND dialog, HINSTANCE module,
                                        const char *label, uint16_t id, int32_t width,
                                        GradientPivots *shown)
{
    CColourSlider *control = kept ? kept->gradientControl : nullptr;
    if (kept)
        kept->gradientControl = nullptr;
    *shown = GradientPivots();
    if (control && control->controlId == id && control->barWidth == width - 2 * control->margin) {
        *shown = control->pivots;
        control->label = label;
        control->StartAfresh();
        return control;
    }
    /* Gone before a new one takes its button over. */
    delete control;
    return new (std::nothrow) CColourSlider(dialog, module, label, 0, id, width,
                                            GRADIENT_ROW_MARGIN, ApplyParameterChange);
}

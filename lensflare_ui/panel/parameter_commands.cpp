/*
 * parameter_commands.cpp - what the panel's controls do once the user has
 * used them: check boxes, colour buttons and lists store their value in
 * the model and report to ApplyParameterChange; colour buttons draw their
 * colour; gradient controls are copied back into the model before it is
 * written; and the whole panel is taken down again.
 */
#include <cstdio>

#include "color/color.h"
#include "controls/controls.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "host/host_helpers.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "panel/panel_support.h"
#include "preview/preview.h"

namespace {

bool HasParameters(const FlareElement *element)
{
    return element && element->numParameters != 0 && element->firstParameter;
}

void CheckBoxClicked(HWND dialog, ElementParameter *parameter, int16_t id)
{
    int32_t old = TruncSaturated(parameter->Kv_Current_Value[0]);
    parameter->Kv_Current_Value[0] = (float)IsDlgButtonChecked(dialog, id);
    if (TruncSaturated(parameter->Kv_Current_Value[0]) != old)
        ApplyParameterChange(id);
}

void ColorButtonClicked(HWND dialog, ElementParameter *parameter, int16_t id)
{
    float *color = parameter->Kv_Current_Value;
    const float before[3] = {color[0], color[1], color[2]};
    SelectColor(dialog, parameter->description ? parameter->description : "", color);
    /* Exact comparison on purpose: a NaN counts as a change. */
    if (color[0] != before[0] || color[1] != before[1] || color[2] != before[2])
        ApplyParameterChange(id);
}

void ListSelectionChanged(HWND dialog, ElementParameter *parameter, int16_t id, int code)
{
    if (code != CBN_SELCHANGE)
        return;
    LRESULT item = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (item == CB_ERR)
        return;
    int32_t old = TruncSaturated(parameter->Kv_Current_Value[0]);
    LRESULT data = SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, item, 0);
    parameter->Kv_Current_Value[0] = (float)(int32_t)data;
    if (TruncSaturated(parameter->Kv_Current_Value[0]) != old)
        ApplyParameterChange(id);
}

void DestroyRowControls(ElementParameter *parameter)
{
    switch (KindOfParameter(parameter)) {
    case ParameterKind::IntSlider:
    case ParameterKind::FloatSlider:
    case ParameterKind::Angle:
        FreeTinySlider(&parameter->slider);
        break;
    case ParameterKind::Checkbox:
    case ParameterKind::Color:
    case ParameterKind::List:
        if (parameter->control)
            DestroyWindow(parameter->control);
        break;
    case ParameterKind::Gradient:
        /* The control hands the button its own procedure back first. */
        delete parameter->gradientControl;
        parameter->gradientControl = nullptr;
        if (parameter->control)
            DestroyWindow(parameter->control);
        break;
    case ParameterKind::Point:
    case ParameterKind::ArbitraryData:
    case ParameterKind::Unknown:
        break;
    }
}

} // namespace

void HandleParameterCommand(PluginInstance *instance, HWND dialog, UINT message, WPARAM wParam,
                            LPARAM lParam)
{
    FlareElement *element = instance ? instance->currentElement : nullptr;
    if (!HasParameters(element))
        return;
    int16_t id = (int16_t)LOWORD(wParam);
    int code = HIWORD(wParam);
    /* Parameters without controls carry the id of the next control, so the
     * type decides which of several matches acts. */
    for (ElementParameter *p = element->firstParameter; p; p = p->next) {
        if (p->controlId != id)
            continue;
        switch (KindOfParameter(p)) {
        case ParameterKind::Checkbox:
            CheckBoxClicked(dialog, p, id);
            break;
        case ParameterKind::Color:
            ColorButtonClicked(dialog, p, id);
            break;
        case ParameterKind::List:
            ListSelectionChanged(dialog, p, id, code);
            return;
        default:
            break;
        }
    }
}

int16_t DrawColorParameterButton(int16_t controlId, const DRAWITEMSTRUCT *drawItem)
{
    FlareElement *element = currentInstance ? currentInstance->currentElement : nullptr;
    if (!HasParameters(element))
        return 0;
    for (ElementParameter *p = element->firstParameter; p; p = p->next)
        if (p->controlId == controlId && KindOfParameter(p) == ParameterKind::Color)
            return DrawColorSwatch(drawItem, p->Kv_Current_Value);
    return 0;
}

/* The model keeps the host's own gradient until the pivots change, and
 * gets it back when they return to it. */
void CollectGradientParameters(PluginInstance *instance, HWND dialog, FlareElement *element)
{
    if (!HasParameters(element))
        return;
    for (ElementParameter *p = element->firstParameter; p; p = p->next) {
        CColourSlider *slider = p->gradientControl;
        if (KindOfParameter(p) != ParameterKind::Gradient || !slider)
            continue;
        bool edited = GradientEdited(slider);
        if (edited || slider->origin.taken)
            StoreGradient(slider, &p->gradientCount, &p->gradientColors, &p->gradientOffsets);
        slider->origin.taken = edited ? 1 : 0;
    }
}

void NoteMergedGradientStops(PluginInstance *instance, int16_t controlId)
{
    FlareElement *element = instance ? instance->currentElement : nullptr;
    if (!HasParameters(element))
        return;
    for (ElementParameter *p = element->firstParameter; p; p = p->next) {
        CColourSlider *slider = p->gradientControl;
        if (p->controlId != controlId || KindOfParameter(p) != ParameterKind::Gradient || !slider)
            continue;
        GradientOrigin &origin = slider->origin;
        if (origin.unshown <= 0 || origin.toldMerged || !GradientEdited(slider))
            return;
        origin.toldMerged = 1;
        char text[200];
        std::snprintf(text, sizeof text,
                      "%.60s: the gradient had %d stops, more or closer together than its "
                      "control can show; this edit merged them into %d.",
                      p->description ? p->description : "Gradient", (int)origin.count,
                      (int)slider->pivots.count);
        ShowPreviewNotice(instance->dialog, text);
        return;
    }
}

void DestroyParameterPanel(PluginInstance *instance, FlareElement *element)
{
    if (!HasParameters(element))
        return;
    for (ElementParameter *p = element->firstParameter; p; p = p->next)
        DestroyRowControls(p);
    for (ElementParameter *p = element->firstParameter; p; p = p->next) {
        p->control = nullptr;
        if (p->label)
            DestroyWindow(p->label);
        p->label = nullptr;
    }
    HWND dialog = instance ? instance->dialog : nullptr;
    if (!dialog)
        return;
    RECT inside;
    GetParameterAreaRect(dialog, &inside);
    InflateRect(&inside, -1, -1);
    InvalidateRect(dialog, &inside, FALSE);
    UpdateWindow(dialog);
}

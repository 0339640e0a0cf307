/*
 * sections.cpp - the three sections of the parameter area.  The global
 * sections' controls are laid out in the template below the visible
 * dialog; start-up moves them into the area, and switching sections shows
 * one set and hides the other.  The labelled sliders replace placeholder
 * frames of the template and take over their ids.
 */
#include <cstdlib>

#include "controls/controls.h"
#include "entry/editor_state.h"
#include "entry/plugin.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "resources/resource_ids.h"

namespace {

const int kLabelledSliderHeight = 30;

void LeaveSection(HWND dialog, int16_t section)
{
    switch (section) {
    case SECTION_GLOBAL:
        ShowGlobalSliders(section, false);
        ShowControlRange(dialog, IDC_FLARE_ENABLED, IDC_BASE_COLOR, false);
        break;
    case SECTION_GLOBAL_FADING:
        ShowGlobalSliders(section, false);
        ShowControlRange(dialog, IDC_FADE_NEAR_BORDER, IDC_OCCLUSION_SLIDER, false);
        break;
    case SECTION_ELEMENT:
        if (currentInstance->currentElement) {
            CollectGradientParameters(currentInstance, dialog, currentInstance->currentElement);
            DestroyParameterPanel(currentInstance, currentInstance->currentElement);
        }
        break;
    }
}

/* Paints the area's inside in the dialog's background, so nothing of the
 * section left behind shows until the new one has painted. */
void ClearParameterArea(HWND dialog)
{
    HWND area = GetDlgItem(dialog, IDC_PARAM_AREA);
    if (!area)
        return;
    HDC dc = GetDC(area);
    if (!dc)
        return;
    int16_t created = 0;
    HBRUSH brush = DialogBackgroundBrush(dialog, dc, &created);
    RECT inside;
    GetClientRect(area, &inside);
    InflateRect(&inside, -1, -1);
    FillRect(dc, &inside, brush);
    if (created)
        DeleteObject(brush);
    ReleaseDC(area, dc);
}

} // namespace

void GetControlRectInDialog(HWND dialog, int id, RECT *rect)
{
    SetRectEmpty(rect);
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        return;
    GetWindowRect(item, rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(rect), 2);
}

void MoveControlRange(HWND dialog, int firstId, int lastId, int fromAreaId, int toAreaId)
{
    RECT from, to;
    GetControlRectInDialog(dialog, fromAreaId, &from);
    GetControlRectInDialog(dialog, toAreaId, &to);
    int dx = to.left - from.left, dy = to.top - from.top;
    for (int id = firstId; id <= lastId; id++) {
        HWND item = GetDlgItem(dialog, id);
        if (!item)
            continue;
        RECT at;
        GetControlRectInDialog(dialog, id, &at);
        SetWindowPos(item, nullptr, at.left + dx, at.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void ShowControlRange(HWND dialog, int firstId, int lastId, bool show)
{
    for (int id = firstId; id <= lastId; id++) {
        HWND item = GetDlgItem(dialog, id);
        if (item)
            ShowWindow(item, show ? SW_SHOW : SW_HIDE);
    }
}

void ShowParameterSection(HWND dialog, int16_t section, bool initialise)
{
    if (initialise) {
        MoveControlRange(dialog, IDC_FLARE_ENABLED, IDC_BASE_COLOR, IDC_GLOBAL_AREA, IDC_PARAM_AREA);
        MoveControlRange(dialog, IDC_FADE_NEAR_BORDER, IDC_OCCLUSION_SLIDER, IDC_FADING_AREA,
                         IDC_PARAM_AREA);
        ShowControlRange(dialog, IDC_FLARE_ENABLED, IDC_BASE_COLOR, false);
        ShowControlRange(dialog, IDC_FADE_NEAR_BORDER, IDC_OCCLUSION_SLIDER, false);
        return;
    }
    if (section == currentSection)
        return;
    LeaveSection(dialog, currentSection);
    ClearParameterArea(dialog);
    ShowGlobalSliders(section, true);
    currentSection = section;
    switch (section) {
    case SECTION_ELEMENT:
        BuildParameterPanel(currentInstance, dialog, currentInstance->currentElement);
        break;
    case SECTION_GLOBAL:
        ShowControlRange(dialog, IDC_FLARE_ENABLED, IDC_BASE_COLOR, true);
        ShowControlRange(dialog, IDC_SEED_LABEL, IDC_RANDOM_SEED, false);
        break;
    case SECTION_GLOBAL_FADING:
        ShowControlRange(dialog, IDC_FADE_NEAR_BORDER, IDC_OCCLUSION_SLIDER, true);
        break;
    }
}

TinySlider *CreateLabelledSlider(HWND dialog, int16_t placeholderId, const TinySliderSetup &setup)
{
    HWND placeholder = GetDlgItem(dialog, placeholderId);
    RECT at = {0, 0, 0, kLabelledSliderHeight};
    if (placeholder) {
        GetClientRect(placeholder, &at);
        MapWindowPoints(placeholder, dialog, reinterpret_cast<POINT *>(&at), 2);
        DestroyWindow(placeholder);
    }
    TinySlider *slider = NewTinySlider(dialog, currentInstance->moduleInstance,
                                       (uint16_t)placeholderId, ApplyParameterChange, setup);
    if (slider)
        MoveWindow(slider->window, at.left, at.top, at.right - at.left + 1, at.bottom - at.top + 1,
                   TRUE);
    return slider;
}

float FinishLabelledSlider(TinySlider **slider)
{
    if (!*slider)
        return 0.0f;
    char text[256] = "";
    if ((*slider)->edit)
        GetWindowTextA((*slider)->edit, text, sizeof text);
    double value = std::atof(text);
    if ((*slider)->percent)
        value /= 100.0;
    FreeTinySlider(slider);
    return (float)value;
}

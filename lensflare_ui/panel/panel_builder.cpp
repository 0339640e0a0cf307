/*
 * panel_builder.cpp - the "Element Parameters" panel: one row of controls
 * per parameter definition of the selected element, in two columns inside
 * the parameter area.  The controls edit the model in place and report to
 * ApplyParameterChange; parameter_commands.cpp handles their commands and
 * takes the panel down again.
 *
 * List texts are "name:value" entries separated by ","; a name or value
 * longer than 127 characters is cut to its first 127, and the rest of that
 * entry is skipped up to its ":" or "," so later entries still parse.
 * A list text is never read past the parameter's data size, so a host that
 * leaves out the terminating NUL costs nothing.
 */
#include <cfloat>
#include <cstdlib>
#include <cstring>

#include "color/color.h"
#include "controls/controls.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "host/host_helpers.h"
#include "host/kalvos_io.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "panel/panel_support.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

/* The range warning is shown at most once while the module stays loaded;
 * owned by the panel builder. */
int16_t rangeWarningShown;

namespace {

const char kDefinitionError[] = "Lens Flare API definition error";
const char kMinimumTooSmall[] =
    "The minimum UI value (-FLT_MAX) is too small. It must be a more finite value, such as zero.";
const char kMaximumTooBig[] =
    "The maximum UI value (FLT_MAX) is too big. It must be a more finite value, such as 100.";
const char kProgrammingError[] = "Programming Error";
const char kNoMatchingEntry[] =
    "The 'param_ptr->Kv_Current_Value' does not match any of the combo box entry types.";

const int kColumnTop = 10;        /* first row's offset below the area's top */
const int kBottomReserve = 7;     /* a first-column row must end above bottom - 7 */
const int kLabelGap = 7;          /* between a label and its button or list */
const int kSliderHeight = 30;
const int kCheckBoxHeight = 30;
const int kColorButtonHeight = 20;
const int kColorRowGap = 5;       /* above a colour row, except at a column's top */
const int kRowSpacing = 6;        /* below colour and list rows */
const int kGradientSpacing = 9;   /* below gradient rows */
const int kListDroppedHeight = 100;
const int kListEntryChars = 127;  /* longest name or value kept */

const DWORD kCheckBoxStyle = WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX;
const DWORD kColorButtonStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
const DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST;
const DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP;
const DWORD kGradientButtonStyle = WS_CHILD | WS_VISIBLE;

/* Where the next row goes, for one build. */
struct PanelLayout {
    HWND dialog;
    HINSTANCE module;
    RECT area;            /* client rectangle of the area, dialog coordinates */
    int half, rest;       /* widths of the two columns' shares */
    bool secondColumn;
    int x, width;         /* of the current column */
    int16_t y;
    int16_t nextId;
    ElementParameter *kept;   /* the kept row whose windows this row takes, or null */
};

void UseFirstColumn(PanelLayout *layout)
{
    layout->secondColumn = false;
    layout->x = layout->area.left + 5;
    layout->width = layout->half - 10;
    layout->y = (int16_t)(layout->area.top + kColumnTop);
}

/* There is no third column: the second may run past the area's bottom. */
void UseSecondColumn(PanelLayout *layout)
{
    layout->secondColumn = true;
    layout->x = layout->area.left + layout->half + 5;
    layout->width = layout->rest - 15;
    layout->y = (int16_t)(layout->area.top + kColumnTop);
}

void FitRow(PanelLayout *layout, int rowHeight)
{
    if (!layout->secondColumn && layout->y + rowHeight >= layout->area.bottom - kBottomReserve)
        UseSecondColumn(layout);
}

bool AtColumnTop(const PanelLayout *layout)
{
    return layout->y == layout->area.top + kColumnTop;
}

HWND CreateRowWindow(const PanelLayout *layout, const char *cls, const char *text, DWORD style,
                     int x, int y, int width, int height, int id)
{
    HWND kept = TakeKeptWindow(layout->kept, id);
    if (kept)
        return kept;
    return CreateWindowExA(0, cls, text, style, x, y, width, height, layout->dialog,
                           reinterpret_cast<HMENU>((INT_PTR)id), layout->module, nullptr);
}

/* A kept window has the font already; a list given it again measures and
 * sizes itself anew. */
void UseAnsiFont(HWND window)
{
    HGDIOBJ font = GetStockObject(ANSI_VAR_FONT);
    if (window && reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)) != font)
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

/* A kept window is most often where it belongs already; a move, even to
 * where it is, is a round trip to the window server. */
void PlaceRowWindow(HWND dialog, HWND window, int x, int y, int width, int height)
{
    RECT now = {0, 0, 0, 0};
    GetWindowRect(window, &now);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT *>(&now), 2);
    if (now.left != x || now.top != y || now.right - now.left != width ||
        now.bottom - now.top != height)
        MoveWindow(window, x, y, width, height, TRUE);
}

int ClientHeight(HWND window)
{
    RECT client = {0, 0, 0, 0};
    if (window)
        GetClientRect(window, &client);
    return client.bottom - client.top;
}

SIZE MeasureLabel(HWND dialog, const char *text)
{
    SIZE extent = {0, 0};
    HDC dc = GetDC(dialog);
    if (!dc)
        return extent;
    HGDIOBJ previous = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    GetTextExtentPoint32A(dc, text, (int)std::strlen(text), &extent);
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    return extent;
}

const char *LabelText(const ElementParameter *parameter)
{
    return parameter->description ? parameter->description : "";
}

/* The label sits centred on its button or list, left of it. */
HWND CreateRowLabel(const PanelLayout *layout, const ElementParameter *parameter, SIZE text,
                    int rowControlHeight, int id)
{
    int top = layout->y + (rowControlHeight - text.cy + 1) / 2;
    HWND label = CreateRowWindow(layout, "static", LabelText(parameter), kLabelStyle, layout->x,
                                 top, text.cx, text.cy, id);
    UseAnsiFont(label);
    return label;
}

/* ---- slider rows ---------------------------------------------------------- */

void WarnAboutInfiniteRange(HWND dialog, const ElementParameter *parameter)
{
    if (parameter->uiMin[0] <= -FLT_MAX && !rangeWarningShown) {
        MessageBoxA(dialog, kMinimumTooSmall, kDefinitionError, MB_OK);
        rangeWarningShown = 1;
    }
    if (parameter->uiMax[0] >= FLT_MAX && !rangeWarningShown) {
        MessageBoxA(dialog, kMaximumTooBig, kDefinitionError, MB_OK);
        rangeWarningShown = 1;
    }
}

/* Radius-like parameters outline their size on the preview while dragged;
 * the names are matched exactly, case included. */
bool IsRadiusName(const char *name)
{
    return name && (std::strcmp(name, "radius") == 0 || std::strcmp(name, "length") == 0);
}

void BuildSliderRow(PanelLayout *layout, ElementParameter *parameter)
{
    FitRow(layout, kSliderHeight);
    int16_t id = layout->nextId++;
    WarnAboutInfiniteRange(layout->dialog, parameter);
    TinySliderSetup setup = {LabelText(parameter),
                             parameter->floatArg == Token("on") ? (int16_t)1 : (int16_t)0,
                             parameter->uiMin[0],
                             parameter->uiMax[0],
                             parameter->absMin[0],
                             parameter->absMax[0],
                             &parameter->Kv_Current_Value[0],
                             (int16_t)(parameter->precision & 0xFFFF),
                             parameter->displayAsPercentage == Token("on") ? (int16_t)1 : (int16_t)0,
                             IsRadiusName(parameter->name) ? DrawRadiusOverlay : nullptr};
    TinySlider *slider =
        KeptOrNewTinySlider(layout->kept, layout->dialog, layout->module, (uint16_t)id, setup);
    if (!slider)
        return;
    parameter->slider = slider;
    parameter->control = slider->window;
    PlaceRowWindow(layout->dialog, slider->window, layout->x, layout->y, layout->width,
                   kSliderHeight);
    if (!(GetWindowLongA(slider->window, GWL_STYLE) & WS_VISIBLE))
        ShowWindow(slider->window, SW_SHOWNORMAL);
    layout->y += ClientHeight(slider->window) + 1;
}

/* ---- check box, colour and list rows ------------------------------------- */

void BuildCheckBoxRow(PanelLayout *layout, ElementParameter *parameter)
{
    FitRow(layout, kCheckBoxHeight);
    int16_t id = layout->nextId++;
    HWND box = CreateRowWindow(layout, "button", LabelText(parameter), kCheckBoxStyle, layout->x,
                               layout->y, layout->width, kCheckBoxHeight, id);
    parameter->control = box;
    if (!box)
        return;
    UseAnsiFont(box);
    bool checked = TruncSaturated(parameter->Kv_Current_Value[0]) != 0;
    SendMessageA(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    layout->y += ClientHeight(box) + 1;
}

void BuildColorRow(PanelLayout *layout, ElementParameter *parameter)
{
    SIZE text = MeasureLabel(layout->dialog, LabelText(parameter));
    /* The gap goes first, so the column test sees where the row will be. */
    if (!AtColumnTop(layout))
        layout->y += kColorRowGap;
    FitRow(layout, kColorButtonHeight);
    int16_t id = layout->nextId;
    layout->nextId += 2;
    HWND button = CreateRowWindow(layout, "button", "", kColorButtonStyle,
                                  layout->x + text.cx + kLabelGap, layout->y,
                                  layout->width - text.cx - kLabelGap, kColorButtonHeight, id);
    parameter->control = button;
    int buttonHeight = ClientHeight(button);
    parameter->label = CreateRowLabel(layout, parameter, text, buttonHeight, id + 1);
    RedrawControl(layout->dialog, id);
    layout->y += buttonHeight + kRowSpacing;
}

/* Reads one "name:value" entry and steps past its ","; false when no
 * complete entry is left (a trailing name without ":" is not one). */
bool NextListEntry(const char **cursor, const char *end, char *name, char *value)
{
    const char *at = *cursor;
    if (at >= end || *at == '\0')
        return false;
    int length = 0;
    for (; at < end && *at != '\0' && *at != ':'; at++)
        if (length < kListEntryChars)
            name[length++] = *at;
    name[length] = '\0';
    if (at >= end || *at != ':')
        return false;
    at++;
    length = 0;
    for (; at < end && *at != '\0' && *at != ','; at++)
        if (length < kListEntryChars)
            value[length++] = *at;
    value[length] = '\0';
    if (at < end && *at == ',')
        at++;
    *cursor = at;
    return true;
}

void FillListRow(HWND dialog, HWND list, const ElementParameter *parameter)
{
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    const char *cursor = reinterpret_cast<const char *>(parameter->arbitraryData);
    const char *end = cursor ? cursor + (parameter->arbitraryDataSize > 0
                                             ? parameter->arbitraryDataSize : 0)
                             : nullptr;
    int32_t current = TruncSaturated(parameter->Kv_Current_Value[0]);
    bool matched = false;
    char name[kListEntryChars + 1];
    char value[kListEntryChars + 1];
    while (cursor && NextListEntry(&cursor, end, name, value)) {
        LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (item == CB_ERR || item == CB_ERRSPACE)
            continue;
        int number = std::atoi(value);
        SendMessageA(list, CB_SETITEMDATA, item, (LPARAM)number);
        if (number == current) {
            SendMessageA(list, CB_SETCURSEL, item, 0);
            matched = true;
        }
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    if (!matched)
        MessageBoxA(dialog, kNoMatchingEntry, kProgrammingError, MB_OK);
}

void BuildListRow(PanelLayout *layout, ElementParameter *parameter)
{
    SIZE text = MeasureLabel(layout->dialog, LabelText(parameter));
    FitRow(layout, 2 * text.cy);
    int16_t id = layout->nextId;
    layout->nextId += 2;
    HWND list = CreateRowWindow(layout, "combobox", "", kListStyle,
                                layout->x + text.cx + kLabelGap, layout->y,
                                layout->width - text.cx - kLabelGap, kListDroppedHeight, id);
    parameter->control = list;
    /* Measured with its font, which sets the height of the closed list. */
    UseAnsiFont(list);
    int listHeight = ClientHeight(list);
    parameter->label = CreateRowLabel(layout, parameter, text, listHeight, id + 1);
    layout->y += listHeight + kRowSpacing;
    if (list)
        FillListRow(layout->dialog, list, parameter);
}

/* ---- gradient rows --------------------------------------------------------- */

/* A plain button that the gradient control takes over.  Without the
 * control (out of memory) the row stays a bare button and the parameter
 * keeps the gradient it was read with; the gradient is checked either way,
 * so that a host's faulty definition is reported when the panel shows. */
void BuildGradientRow(PanelLayout *layout, ElementParameter *parameter)
{
    int32_t height = 0, labelOffset = 0;
    MeasureGradientRow(GRADIENT_ROW_MARGIN, &height, &labelOffset);
    FitRow(layout, height - labelOffset);
    int16_t id = layout->nextId++;
    parameter->control = CreateRowWindow(layout, "button", "", kGradientButtonStyle, layout->x,
                                         layout->y - labelOffset, layout->width, height, id);
    GradientPivots shown;
    CColourSlider *slider =
        KeptOrNewGradientControl(layout->kept, layout->dialog, layout->module,
                                 parameter->description, (uint16_t)id, layout->width, &shown);
    parameter->gradientControl = slider;
    layout->y += height + kGradientSpacing;
    if (!slider) {
        GradientPivots checked = {};
        GradientToPivots(layout->dialog, parameter->gradientCount, parameter->gradientColors,
                         parameter->gradientOffsets, &checked);
        return;
    }
    slider->SetBackground();
    FillGradientControl(slider, layout->dialog, parameter->gradientCount,
                        parameter->gradientColors, parameter->gradientOffsets);
    /* Repainting it repaints its neighbours as well. */
    if (!SamePivotsShown(shown, slider->pivots))
        slider->Refresh();
}

void BuildRow(PanelLayout *layout, ElementParameter *parameter)
{
    switch (KindOfParameter(parameter)) {
    case ParameterKind::IntSlider:
    case ParameterKind::FloatSlider:
    case ParameterKind::Angle:
        BuildSliderRow(layout, parameter);
        break;
    case ParameterKind::Checkbox:
        BuildCheckBoxRow(layout, parameter);
        break;
    case ParameterKind::Color:
        BuildColorRow(layout, parameter);
        break;
    case ParameterKind::List:
        BuildListRow(layout, parameter);
        break;
    case ParameterKind::Gradient:
        BuildGradientRow(layout, parameter);
        break;
    case ParameterKind::Point:
    case ParameterKind::ArbitraryData:
    case ParameterKind::Unknown:
        break;
    }
}

/* A gradient row's button reaches a few pixels into the row below it;
 * kept above that row, it would hide the top of the row's value box. */
void PutGradientsUnderTheirNeighbours(FlareElement *element)
{
    for (ElementParameter *p = element->firstParameter; p; p = p->next)
        if (p->control && KindOfParameter(p) == ParameterKind::Gradient)
            SetWindowPos(p->control, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

} // namespace

void BuildParameterPanel(PluginInstance *instance, HWND dialog, FlareElement *element)
{
    ElementParameter *kept = TakeKeptPanel(instance, element);
    if (!element)
        return;
    PanelLayout layout = {};
    layout.dialog = dialog;
    layout.module = instance->moduleInstance;
    GetParameterAreaRect(dialog, &layout.area);
    /* Kept rows stay where they were and repaint what changes in them. */
    bool everyRowKept = kept != nullptr;
    RECT inside = layout.area;
    InflateRect(&inside, -1, -1);
    if (!everyRowKept)
        InvalidateRect(dialog, &inside, FALSE);
    layout.half = (layout.area.right - layout.area.left) / 2;
    layout.rest = (layout.area.right - layout.area.left) - layout.half;
    instance->currentElement = nullptr;
    if (element->numParameters == 0 || !element->firstParameter)
        return;
    instance->currentElement = element;
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_ELEMENT_ENABLED, element->enabled);

    layout.nextId = IDC_PANEL_FIRST;
    UseFirstColumn(&layout);
    for (ElementParameter *p = element->firstParameter; p; p = p->next) {
        p->control = nullptr;
        p->label = nullptr;
        p->gradientControl = nullptr;
        p->slider = nullptr;
        /* A parameter without controls shares the next control's id. */
        p->controlId = layout.nextId;
        layout.kept = kept;
        BuildRow(&layout, p);
        kept = kept ? kept->next : nullptr;
        if (!layout.secondColumn && layout.y >= layout.area.bottom)
            UseSecondColumn(&layout);
    }
    if (!everyRowKept)
        PutGradientsUnderTheirNeighbours(element);
    ReleaseKeptPanel(instance);
}

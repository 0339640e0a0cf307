/*
 * keyboard_navigation.cpp - the keys that move about the editor, as in a
 * tabbed Windows dialog: Ctrl+Tab and Ctrl+PageDown show the next section,
 * Ctrl+Shift+Tab and Ctrl+PageUp the one before; Tab and Shift+Tab go from
 * control to control.
 *
 * The panel's rows are made without WS_TABSTOP and a slider's value box
 * sits inside its slider, so the dialog manager's own Tab would pass them
 * by.  The editor walks its controls itself instead: those of the shown
 * section in reading order (the panel's in parameter order, which is
 * column by column), then the fixed ones: the preview, its row, and
 * then the column beside the preview, top down.  Hidden and disabled
 * controls are passed by.  The focus is set through WM_NEXTDLGCTL, so the
 * dialog manager still selects a box's text and moves the default button.
 * A letter two buttons share with Alt moves the focus between them.
 */
#include <new>
#include <vector>

#include "controls/controls.h"
#include "editor/editor.h"
#include "entry/plugin.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "resources/resource_ids.h"

namespace {

/* The sections in the order of their tabs. */
const int16_t kSections[] = {SECTION_ELEMENT, SECTION_GLOBAL, SECTION_GLOBAL_FADING};

const int kFixedStops[] = {
    IDC_PREVIEW, IDC_REALTIME_UPDATES, IDC_FASTER_UPDATES, IDC_REDRAW_NOW,
    IDOK, IDC_HELP_BUTTON, IDC_LIBRARY_LOAD, IDC_LIBRARY_SAVE,
    IDC_ELEMENT_LIST, IDC_ELEMENT_ENABLED, IDC_ADD_ELEMENT, IDC_COPY_ELEMENT,
    IDC_REMOVE_ELEMENT, IDC_MOVE_DOWN, IDC_MOVE_UP,
};

/* One place the Tab key stops at. */
struct TabStop {
    HWND row;       /* the control as a whole: a focus inside it is at this stop */
    HWND target;    /* what gets the focus: a slider's value box, else the control */
};

typedef std::vector<TabStop> TabStops;

bool Down(int key)
{
    return GetKeyState(key) < 0;
}

void AddWindow(TabStops *stops, HWND window)
{
    if (window && IsWindowVisible(window) && IsWindowEnabled(window))
        stops->push_back({window, window});
}

void AddItem(TabStops *stops, HWND dialog, int id)
{
    AddWindow(stops, GetDlgItem(dialog, id));
}

void AddSlider(TabStops *stops, const TinySlider *slider)
{
    if (slider && slider->window && slider->edit && IsWindowVisible(slider->window) &&
        IsWindowEnabled(slider->edit))
        stops->push_back({slider->window, slider->edit});
}

void AddPanelStops(TabStops *stops)
{
    const FlareElement *element = currentInstance->currentElement;
    if (!element)
        return;
    for (const ElementParameter *p = element->firstParameter; p; p = p->next) {
        if (p->slider)
            AddSlider(stops, p->slider);
        else
            AddWindow(stops, p->control);
    }
}

void AddGlobalStops(TabStops *stops, HWND dialog)
{
    AddItem(stops, dialog, IDC_FLARE_ENABLED);
    AddItem(stops, dialog, IDC_USE_LIGHT_PARAMS);
    for (const TinySlider *slider : {intensitySlider, scaleSlider, angleSlider, stretchSlider})
        AddSlider(stops, slider);
    AddItem(stops, dialog, IDC_BASE_COLOR);
}

void AddFadingStops(TabStops *stops, HWND dialog)
{
    for (int id = IDC_FADE_NEAR_BORDER; id <= IDC_GLOW_BEHIND; id++)
        AddItem(stops, dialog, id);
    AddItem(stops, dialog, IDC_SCALE_REFLEXES);
    AddItem(stops, dialog, IDC_SCALE_GLOW);
    AddSlider(stops, occlusionSlider);
    AddItem(stops, dialog, IDC_REF_DISTANCE);
}

void CollectStops(HWND dialog, TabStops *stops)
{
    if (currentSection == SECTION_ELEMENT)
        AddPanelStops(stops);
    else if (currentSection == SECTION_GLOBAL)
        AddGlobalStops(stops, dialog);
    else if (currentSection == SECTION_GLOBAL_FADING)
        AddFadingStops(stops, dialog);
    for (int id : kFixedStops)
        AddItem(stops, dialog, id);
}

/* Index of the stop holding the window, or -1. */
int StopOf(const TabStops &stops, HWND window)
{
    if (!window)
        return -1;
    for (size_t i = 0; i < stops.size(); i++)
        if (stops[i].row == window || stops[i].target == window || IsChild(stops[i].row, window))
            return (int)i;
    return -1;
}

void FocusStop(HWND dialog, const TabStop &stop)
{
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)stop.target, TRUE);
}

/* A focus that the section switch hid or destroyed goes to the new
 * section's first control; one in the fixed controls stays. */
void KeepFocusAfterSwitch(HWND dialog)
{
    HWND focus = GetFocus();
    if (focus && focus != dialog && IsChild(dialog, focus) && IsWindowVisible(focus))
        return;
    TabStops stops;
    CollectStops(dialog, &stops);
    if (!stops.empty())
        FocusStop(dialog, stops.front());
}

void ShowNextSection(HWND dialog, bool back)
{
    const int count = (int)(sizeof kSections / sizeof kSections[0]);
    int at = 0;
    while (at < count && kSections[at] != currentSection)
        at++;
    int next = at == count ? 0 : (at + (back ? count - 1 : 1)) % count;
    SendMessageA(dialog, WM_TABSTRIP_CLICKED, (WPARAM)kSections[next], 0);
    KeepFocusAfterSwitch(dialog);
}

/* From the window the key was pressed in: by the time the key comes out
 * of the queue, another program may have taken the focus. */
void MoveFocus(HWND dialog, HWND from, bool back)
{
    TabStops stops;
    CollectStops(dialog, &stops);
    if (stops.empty())
        return;
    int count = (int)stops.size();
    int at = StopOf(stops, from);
    int next;
    if (at < 0)
        next = back ? count - 1 : 0;
    else
        next = (at + (back ? count - 1 : 1)) % count;
    FocusStop(dialog, stops[(size_t)next]);
}

bool HandleKey(HWND dialog, const MSG *msg)
{
    WPARAM key = msg->wParam;
    bool control = Down(VK_CONTROL), shift = Down(VK_SHIFT);
    if (control && (key == VK_TAB || key == VK_NEXT || key == VK_PRIOR)) {
        ShowNextSection(dialog, key == VK_PRIOR || (key == VK_TAB && shift));
        return true;
    }
    if (!control && key == VK_TAB) {
        MoveFocus(dialog, msg->hwnd, shift);
        return true;
    }
    return false;
}

/* As the dialog manager compares letters: in the user's locale. */
char LowerLetter(char c)
{
    CharLowerBuffA(&c, 1);
    return c;
}

/* The letter after a lone '&' of a button's text, lower-cased, or 0. */
char ButtonMnemonic(HWND control)
{
    char text[128];
    if (!IsWindowVisible(control) || !IsWindowEnabled(control) ||
        !GetClassNameA(control, text, sizeof text) || lstrcmpiA(text, "Button") != 0 ||
        (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
        return 0;
    GetWindowTextA(control, text, sizeof text);
    for (const char *c = text; *c && c[1]; c++) {
        if (*c != '&')
            continue;
        if (c[1] != '&')
            return LowerLetter(c[1]);
        c++;
    }
    return 0;
}

/* Remove and Realtime Updates share Alt+R.  Windows' dialog manager then
 * moves the focus to the next button with the letter and presses none;
 * Wine's presses the first, and a stray Alt+R removed an element.  The
 * editor does it the Windows way wherever it runs. */
bool CycleSharedMnemonic(HWND dialog, const MSG *msg)
{
    char letter = LowerLetter((char)msg->wParam);
    HWND first = nullptr, next = nullptr;
    int sharing = 0;
    bool passedFocus = false;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        bool focus = c == msg->hwnd || IsChild(c, msg->hwnd);
        passedFocus |= focus;
        if (ButtonMnemonic(c) != letter)
            continue;
        sharing++;
        if (!first)
            first = c;
        if (passedFocus && !focus && !next)
            next = c;
    }
    if (sharing < 2)
        return false;
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)(next ? next : first), TRUE);
    return true;
}

} // namespace

bool HandleNavigationKey(const MSG *msg)
{
    PluginInstance *instance = currentInstance;
    HWND dialog = instance ? instance->dialog : nullptr;
    if (!msg || !dialog || dialogBusy || !instance->model ||
        (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)))
        return false;
    bool shortcut = msg->message == WM_SYSCHAR;
    if (!shortcut && (msg->message != WM_KEYDOWN || Down(VK_MENU)))
        return false;
    try {
        return shortcut ? CycleSharedMnemonic(dialog, msg) : HandleKey(dialog, msg);
    } catch (const std::bad_alloc &) {
        /* Without room for the list the key does nothing. */
        return true;
    }
}

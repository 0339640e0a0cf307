/*
 * color_selector.cpp - the "Interactive Color Selector": three scroll bars
 * edit a colour in place, either as red, green and blue or as hue,
 * saturation and largest component; from it the named colour dialog and
 * the Windows colour dialog (whose 16 custom colours live in the ini file)
 * can be reached.  "&Undo" and "&Cancel" go back to the colour the dialog
 * opened with.
 */
#include <cmath>
#include <cstdio>

#include "color/color.h"
#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "host/kalvos_io.h"
#include "resources/resource_ids.h"

/* The selector's state, owned by ColorSelectorProc from WM_INITDIALOG to
 * EndDialog; one selector runs at a time. */
static float *editedColor;          /* the caller's colour, edited in place */
static float openingColor[3];       /* for "&Undo" and "&Cancel" */
static int16_t selectorMode;        /* MODE_RGB or MODE_HSL; RGB at each opening */

namespace {

const int16_t MODE_RGB = 0;
const int16_t MODE_HSL = 1;

const int kBarCount = 3;
const int kRgbMaximum = 255;
const int kHueMaximum = 359;
const int kPageExtra = 15;              /* a page is 15 + one step */
const float kLiftedComponent = 1.0f / 255.0f;
const float kBlackLimit = 0.004f;       /* below this S and L count as black */

const char *const kRgbLetters[kBarCount] = {"R", "G", "B"};
const char *const kHslLetters[kBarCount] = {"H", "S", "L"};

const char *const kCustomColorSection = "Saved-Custom-Colors";
const int kCustomColorCount = 16;

/* What DialogBoxParam carries to WM_INITDIALOG. */
struct SelectorRequest {
    const char *title;
    float *color;
};

/* The colour's HSL as the bars use it: an undefined hue counts as 0. */
void BarHsl(const float color[3], float *hue, float *saturation, float *largest)
{
    RgbToHsl(color, hue, saturation, largest);
    if (*hue < 0.0f)
        *hue = 0.0f;
}

void SetBar(HWND dialog, int k, int position)
{
    SetScrollPos(GetDlgItem(dialog, IDC_COLOR_BAR_FIRST + k), SB_CTL, position, TRUE);
}

void ShowRgb(HWND dialog, const float color[3])
{
    for (int k = 0; k < kBarCount; k++) {
        int16_t v = (int16_t)ScaleComponent(color[k]);
        SetBar(dialog, k, v);
        Import_IO_KdInt_To_Dialog(dialog, (int16_t)(IDC_COLOR_VALUE_FIRST + k), v);
        SetDlgItemTextA(dialog, IDC_COLOR_LETTER_FIRST + k, kRgbLetters[k]);
    }
    CheckRadioButton(dialog, IDC_COLOR_MODE_RGB, IDC_COLOR_MODE_HSL, IDC_COLOR_MODE_RGB);
}

void ShowHsl(HWND dialog, const float color[3])
{
    float h, s, l;
    BarHsl(color, &h, &s, &l);
    Import_IO_KdInt_To_Dialog(dialog, IDC_COLOR_VALUE_FIRST, TruncSaturated(h));
    SetBar(dialog, 0, TruncSaturated(h / 359.0 * 255.0));
    Import_IO_KdInt_To_Dialog(dialog, IDC_COLOR_VALUE_SECOND, ScaleComponent(s));
    SetBar(dialog, 1, ScaleComponent(s));
    Import_IO_KdInt_To_Dialog(dialog, IDC_COLOR_VALUE_THIRD, ScaleComponent(l));
    SetBar(dialog, 2, ScaleComponent(l));
    for (int k = 0; k < kBarCount; k++)
        SetDlgItemTextA(dialog, IDC_COLOR_LETTER_FIRST + k, kHslLetters[k]);
    CheckRadioButton(dialog, IDC_COLOR_MODE_RGB, IDC_COLOR_MODE_HSL, IDC_COLOR_MODE_HSL);
}

void ShowColorInSelector(HWND dialog, const float color[3], int16_t mode)
{
    RedrawControl(dialog, IDC_COLOR_SWATCH);
    if (mode == MODE_HSL)
        ShowHsl(dialog, color);
    else
        ShowRgb(dialog, color);
}

/* The bar's new position for a scroll code, kept within 0..maximum. */
int ScrolledPosition(int code, int position, int thumb, int maximum, int step, bool hueBar)
{
    int next = position;
    switch (code) {
    case SB_LINEUP: next = position - step; break;
    case SB_LINEDOWN: next = position + step; break;
    case SB_PAGEUP: next = position - kPageExtra - step; break;
    case SB_PAGEDOWN: next = position + kPageExtra + step; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        /* The hue bar runs 0..255 like the others but stands for 0..359 degrees. */
        next = hueBar ? TruncSaturated(thumb / 255.0 * 359.0) : thumb;
        break;
    case SB_TOP: next = 0; break;
    case SB_BOTTOM: next = maximum; break;
    default: return position;
    }
    if (next < 0)
        next = 0;
    if (next > maximum)
        next = maximum;
    return next;
}

void ScrollRgb(HWND dialog, int k, int code, int thumb)
{
    int position = ScaleComponent(editedColor[k]);
    int next = ScrolledPosition(code, position, thumb, kRgbMaximum, 1, false);
    if (next == position)
        return;
    editedColor[k] = (float)(next / 255.0);
    ShowColorInSelector(dialog, editedColor, selectorMode);
}

void ScrollHsl(HWND dialog, int k, int code, int thumb)
{
    float h, s, l;
    BarHsl(editedColor, &h, &s, &l);
    /* Black has neither hue nor saturation: lift it so the hue bar moves
     * a visible colour. */
    if (l < kBlackLimit && s < kBlackLimit)
        s = l = kLiftedComponent;
    int position, maximum = kRgbMaximum;
    if (k == 0) {
        position = TruncSaturated(h);
        maximum = kHueMaximum;
    } else {
        position = ScaleComponent(k == 1 ? s : l);
    }
    int next = ScrolledPosition(code, position, thumb, maximum, 2, k == 0);
    if (next == position)
        return;
    /* Saturation and the third component never reach 0, so the hue stays
     * defined; black and greys are made in RGB mode. */
    float share = (float)((next == 0 ? 1 : next) / 255.0);
    if (k == 0)
        HslToRgb((float)next, s, l, editedColor);
    else if (k == 1)
        HslToRgb(h, share, l, editedColor);
    else
        HslToRgb(h, s, share, editedColor);
    ShowColorInSelector(dialog, editedColor, selectorMode);
}

void ScrollComponent(HWND dialog, HWND bar, int code, int thumb)
{
    int k = GetDlgCtrlID(bar) - IDC_COLOR_BAR_FIRST;
    if (!editedColor || k < 0 || k >= kBarCount)
        return;
    if (selectorMode == MODE_HSL)
        ScrollHsl(dialog, k, code, thumb);
    else
        ScrollRgb(dialog, k, code, thumb);
}

void InitSelector(HWND dialog, const SelectorRequest *request)
{
    editedColor = request->color;
    for (int k = 0; k < 3; k++)
        openingColor[k] = editedColor[k];
    Import_IO_Center_Window(GetParent(dialog), dialog);
    for (int k = 0; k < kBarCount; k++)
        SetScrollRange(GetDlgItem(dialog, IDC_COLOR_BAR_FIRST + k), SB_CTL, 0, 255, FALSE);
    selectorMode = MODE_RGB;
    ShowColorInSelector(dialog, editedColor, selectorMode);
    SetDlgItemTextA(dialog, IDC_COLOR_GROUP, request->title);
}

void SetMode(HWND dialog, int16_t mode)
{
    CheckRadioButton(dialog, IDC_COLOR_MODE_RGB, IDC_COLOR_MODE_HSL,
                     mode == MODE_HSL ? IDC_COLOR_MODE_HSL : IDC_COLOR_MODE_RGB);
    selectorMode = mode;
    ShowColorInSelector(dialog, editedColor, selectorMode);
}

void RestoreOpeningColor()
{
    for (int k = 0; k < 3; k++)
        editedColor[k] = openingColor[k];
}

INT_PTR SelectorCommand(HWND dialog, int id)
{
    if (!editedColor)
        return 0;
    switch (id) {
    case IDC_COLOR_MODE_RGB:
        SetMode(dialog, MODE_RGB);
        return 1;
    case IDC_COLOR_MODE_HSL:
        SetMode(dialog, MODE_HSL);
        return 1;
    case IDC_COLOR_PALETTE:
        if (ChooseSystemColor(dialog, editedColor) == 1)
            ShowColorInSelector(dialog, editedColor, selectorMode);
        return 1;
    case IDC_COLOR_NAMES:
        SelectNamedColor(dialog, editedColor);
        ShowColorInSelector(dialog, editedColor, selectorMode);
        return 1;
    case IDC_COLOR_UNDO:
        RestoreOpeningColor();
        ShowColorInSelector(dialog, editedColor, selectorMode);
        return 1;
    case IDOK:
        EndDialog(dialog, 1);
        return 1;
    case IDCANCEL:
        RestoreOpeningColor();
        EndDialog(dialog, 0);
        return 1;
    }
    return 0;
}

INT_PTR CALLBACK ColorSelectorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitSelector(dialog, reinterpret_cast<const SelectorRequest *>(lParam));
        return 1;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (item->CtlID != IDC_COLOR_SWATCH || !editedColor)
            return 0;
        DrawColorSwatch(item, editedColor);
        return 1;
    }
    case WM_ACTIVATE:
    case WM_MDIACTIVATE:
    case WM_PALETTECHANGED:
        RedrawControl(dialog, IDC_COLOR_SWATCH);
        return 0;
    case WM_HSCROLL:
        ScrollComponent(dialog, reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_COMMAND:
        return SelectorCommand(dialog, LOWORD(wParam));
    }
    return 0;
}

HINSTANCE TemplateModule()
{
    return currentInstance ? currentInstance->moduleInstance : moduleHandle;
}

/* Grey of custom colour slot i (1..16): white, then 16 levels darker each. */
COLORREF DefaultCustomColor(int i)
{
    BYTE level = (BYTE)(255 - 16 * (i - 1));
    return RGB(level, level, level);
}

void CustomColorKey(char *key, size_t size, int i)
{
    std::snprintf(key, size, "Custom-Color%d", i);
}

void ReadCustomColors(COLORREF custom[kCustomColorCount], const char *ini)
{
    for (int i = 1; i <= kCustomColorCount; i++) {
        char key[32];
        CustomColorKey(key, sizeof key, i);
        UINT value = GetPrivateProfileIntA(kCustomColorSection, key, -1, ini);
        custom[i - 1] = value == 0xFFFFFFFFu ? DefaultCustomColor(i) : (COLORREF)value;
    }
}

void WriteCustomColors(const COLORREF custom[kCustomColorCount], const char *ini)
{
    for (int i = 1; i <= kCustomColorCount; i++) {
        char key[32], value[16];
        CustomColorKey(key, sizeof key, i);
        std::snprintf(value, sizeof value, "%lu", (unsigned long)custom[i - 1]);
        WritePrivateProfileStringA(kCustomColorSection, key, value, ini);
    }
}

} // namespace

INT_PTR SelectColor(HWND parent, const char *title, float color[3])
{
    if (!color)
        return -1;
    SelectorRequest request = {title ? title : "", color};
    INT_PTR result = DialogBoxParamA(TemplateModule(), "ColorSelectorDialog", parent,
                                     ColorSelectorProc, reinterpret_cast<LPARAM>(&request));
    editedColor = nullptr;
    return result;
}

int16_t ChooseSystemColor(HWND owner, float color[3])
{
    static_assert(sizeof(CHOOSECOLORA) == 72, "the dialog record of 64-bit Windows");
    const char *ini = SettingsIniFile();
    COLORREF custom[kCustomColorCount];
    ReadCustomColors(custom, ini);

    CHOOSECOLORA choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = owner;
    choose.hInstance = nullptr;
    choose.rgbResult = WrappedColor(color);
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&choose))
        return 0;

    UnpackColor(choose.rgbResult, color);
    WriteCustomColors(custom, ini);
    return 1;
}

/*
 * named_color_selector.cpp - the "Named Color Selector": the host's colour
 * names in a sorted list, the one matching the colour preselected, and the
 * chosen name's colour shown as a swatch and three byte values.  The dialog
 * works on a copy of the caller's colour; Cancel puts back the copy taken
 * when it opened.
 */
#include "color/color.h"
#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "host/kalvos_io.h"
#include "resources/resource_ids.h"

/* The named dialog's state, owned by SelectNamedColor and the dialog
 * procedure; one dialog at a time. */
static float workingColor[3];   /* the colour the dialog edits */
static float savedColor[3];     /* workingColor as the dialog opened, for Cancel */
static char *selectedName;      /* host copy of the chosen name, or null */

namespace {

void ForgetSelectedName()
{
    if (selectedName)
        Ki_Free_Memory(selectedName);
    selectedName = nullptr;
}

/* Ki_Enumerate's callback: one host colour name per call. */
int AddNamedColor(KaEnumRecord *record)
{
    if (!record->valid || !record->name || !record->color)
        return 0;
    HWND dialog = static_cast<HWND>(record->userData);
    SendDlgItemMessageA(dialog, IDC_NAMED_LIST, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(record->name));
    bool same = true;
    for (int k = 0; k < 3; k++)
        same = same && (int16_t)ScaleComponent(record->color[k]) ==
                           (int16_t)ScaleComponent(workingColor[k]);
    /* The last match in the host's order wins. */
    if (same)
        Import_IO_Copy_String(&selectedName, record->name);
    return 0;
}

void FillNameList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_NAMED_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    Ki_Enumerate(0, "*", 1, static_cast<void *>(dialog), 0, AddNamedColor, Token("colorname"),
                 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    if (selectedName) {
        LRESULT line = SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1,
                                    reinterpret_cast<LPARAM>(selectedName));
        SendMessageA(list, LB_SETCURSEL, line, 0);
    }
}

void InitNamedDialog(HWND dialog)
{
    Import_IO_Center_Window(GetParent(dialog), dialog);
    Ki_Copy(Token("color"), workingColor, savedColor, 0);
    ForgetSelectedName();
    FillNameList(dialog);
    SendMessageA(dialog, WM_COMMAND, IDC_NAMED_SHOW_SELECTED, 0);
}

void ShowSelectedColor(HWND dialog)
{
    if (selectedName)
        Ki_Inquire_Colorname(selectedName, workingColor, 0);
    for (int k = 0; k < 3; k++)
        Import_IO_KdInt_To_Dialog(dialog, (int16_t)(IDC_NAMED_RED + k),
                                  ScaleComponent(workingColor[k]));
    RedrawControl(dialog, IDC_NAMED_SWATCH);
}

void TakeListSelection(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_NAMED_LIST);
    LRESULT line = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (line == LB_ERR)
        return;
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, line, 0);
    if (length != LB_ERR) {
        ForgetSelectedName();
        selectedName = static_cast<char *>(Ki_Alloc_Memory(1, 0, (size_t)length + 1));
        if (selectedName)
            SendMessageA(list, LB_GETTEXT, line, reinterpret_cast<LPARAM>(selectedName));
    }
    SendMessageA(dialog, WM_COMMAND, IDC_NAMED_SHOW_SELECTED, 0);
}

INT_PTR NamedCommand(HWND dialog, int id, int code)
{
    switch (id) {
    case IDC_NAMED_SHOW_SELECTED:
        ShowSelectedColor(dialog);
        return 1;
    case IDC_NAMED_LIST:
        if (code == LBN_SELCHANGE)
            TakeListSelection(dialog);
        return 0;
    case IDOK:
        EndDialog(dialog, 1);
        return 1;
    case IDCANCEL:
        Ki_Copy(Token("color"), savedColor, workingColor, 0);
        EndDialog(dialog, 0);
        return 1;
    }
    return 0;
}

INT_PTR CALLBACK NamedColorSelectorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitNamedDialog(dialog);
        return 1;
    case WM_COMMAND:
        return NamedCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        return item->CtlID == IDC_NAMED_SWATCH ? DrawColorSwatch(item, workingColor) : 0;
    }
    case WM_DESTROY:
        ForgetSelectedName();
        return 0;
    }
    return 0;
}

} // namespace

INT_PTR SelectNamedColor(HWND owner, float color[3])
{
    KaToken colorToken = Token("color");
    Ki_Copy(colorToken, color, workingColor, 0);
    HINSTANCE module = currentInstance ? currentInstance->moduleInstance : moduleHandle;
    INT_PTR result =
        DialogBoxParamA(module, "NamedColorSelector", owner, NamedColorSelectorProc, 0);
    Ki_Copy(colorToken, workingColor, color, 0);
    return result;
}

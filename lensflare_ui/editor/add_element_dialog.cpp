/*
 * add_element_dialog.cpp - "Select Element": which element type to add and
 * where.  The list shows the types the host offers, in the host's order;
 * the choices are module globals read by the editor's "&Add" command.
 */
#include "editor/editor.h"
#include "host/host_helpers.h"
#include "host/kalvos_io.h"
#include "resources/resource_ids.h"

/* Results of the dialog, read by the element list's add command.  The type
 * name is the host's text; the placement survives from one run to the next
 * while the module stays loaded. */
const char *addElementType;
int16_t addElementPlacement = IDC_ADD_AT_END;

/* Set while the dialog fills its list and once it is destroyed, so that
 * list notifications of those moments do not change addElementType.
 * Owned by this file's dialog procedure. */
static int16_t addDialogBusy;

namespace {

int32_t CountElementTypes()
{
    int32_t count = 0;
    Ki_LensFlare_Enumerate_ElementInfo(Token("numelements"), &count, 0);
    return count;
}

void AddElementTypeLine(HWND list, int32_t index)
{
    const char *description = nullptr;
    const char *name = nullptr;
    Ki_LensFlare_Enumerate_ElementInfo(Token("element"), &index, Token("description"),
                                       &description, Token("name"), &name, 1, 0);
    LRESULT line = SendMessageA(list, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(description ? description : ""));
    if (line == LB_ERR || line == LB_ERRSPACE)
        return;
    SendMessageA(list, LB_SETITEMDATA, line, reinterpret_cast<LPARAM>(name));
    if (index == 0)
        addElementType = name;
}

void FillElementTypeList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_ELEMENT_TYPES);
    int32_t count = CountElementTypes();
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int32_t i = 0; i < count; i++)
        AddElementTypeLine(list, i);
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

/* The arrow keys keep to the placements: the template leaves the group
 * open at both ends, so Down from the last placement went on to OK. */
void GroupPlacements(HWND dialog)
{
    const int firsts[] = {IDC_ADD_BEFORE, IDOK};
    for (int first : firsts)
        if (HWND control = GetDlgItem(dialog, first))
            SetWindowLongA(control, GWL_STYLE, GetWindowLongA(control, GWL_STYLE) | WS_GROUP);
}

void InitAddElementDialog(HWND dialog)
{
    addDialogBusy = 1;
    GroupPlacements(dialog);
    CheckRadioButton(dialog, IDC_ADD_BEFORE, IDC_ADD_AT_END, addElementPlacement);
    Import_IO_Center_Window(GetParent(dialog), dialog);
    FillElementTypeList(dialog);
    addDialogBusy = 0;
}

void ChoosePlacement(HWND dialog, int id)
{
    addElementPlacement = (int16_t)id;
    CheckRadioButton(dialog, IDC_ADD_BEFORE, IDC_ADD_AT_END, id);
}

void ChooseSelectedType(HWND dialog)
{
    LRESULT line = SendDlgItemMessageA(dialog, IDC_ELEMENT_TYPES, LB_GETCURSEL, 0, 0);
    if (line == LB_ERR)
        return;
    addElementType = reinterpret_cast<const char *>(
        SendDlgItemMessageA(dialog, IDC_ELEMENT_TYPES, LB_GETITEMDATA, line, 0));
}

INT_PTR AddElementCommand(HWND dialog, int id, int code)
{
    switch (id) {
    case IDC_ADD_BEFORE:
    case IDC_ADD_AFTER:
    case IDC_ADD_AT_START:
    case IDC_ADD_AT_END:
        ChoosePlacement(dialog, id);
        return 1;
    case IDOK:
        EndDialog(dialog, 1);
        return 1;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return 1;
    case IDC_ELEMENT_TYPES:
        /* A double-click only selects: LBN_DBLCLK is not an answer. */
        if (code == LBN_SELCHANGE && !addDialogBusy)
            ChooseSelectedType(dialog);
        return 1;
    }
    return 0;
}

} // namespace

INT_PTR CALLBACK AddElementDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitAddElementDialog(dialog);
        return 0;
    case WM_COMMAND:
        return AddElementCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_DESTROY:
        addDialogBusy = 1;
        return 0;
    }
    return 0;
}

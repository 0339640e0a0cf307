/*
 * editor_dialog.cpp - the modal "Lens Flare Editor".
 */
#include "editor.h"
#include "plugin.h"
#include "kalvos_io.h"
#include "lens_flare_model.h"
#include "resource_ids.h"

INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        Import_IO_Center_Window(GetParent(dialog), dialog);
        currentInstance->dialog = dialog;
        ReadLensFlare(&currentInstance->model, currentInstance->handleType,
                      currentInstance->handleName);
        return 0;
    case WM_DESTROY:
        FreeLensFlareModel(&currentInstance->model);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SetFocus(GetDlgItem(dialog, IDOK));
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            return 1;
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && GetFocus() == GetDlgItem(dialog, IDOK)) {
            WriteLensFlare(&currentInstance->model, currentInstance->handleType,
                           currentInstance->handleName);
            EndDialog(dialog, 1);
        }
        return 1;
    }
    return 0;
}

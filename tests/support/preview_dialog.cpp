/*
 * preview_dialog.cpp - the editor template with only the editor's preview.
 */
#include "preview_dialog.h"

#include "entry/plugin.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

namespace ui {

std::function<void(HDC)> previewDrawn;

namespace {

void SizePreview(HWND dialog, int width, int height)
{
    HWND control = GetDlgItem(dialog, IDC_PREVIEW);
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&box), 2);
    MoveWindow(control, box.left, box.top, width, height, FALSE);
}

/* The preview's client size travels in the creation parameter. */
INT_PTR CALLBACK PreviewDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    int16_t handled = 0;
    LRESULT filtered = EditorPreviewMessage(dialog, message, wParam, lParam, &handled);
    if (handled)
        return filtered;
    switch (message) {
    case WM_INITDIALOG:
        currentInstance->dialog = dialog;
        if (lParam)
            SizePreview(dialog, LOWORD(lParam), HIWORD(lParam));
        SetUpEditorPreview(dialog);
        return TRUE;
    case WM_DESTROY:
        TearDownEditorPreview(dialog);
        currentInstance->dialog = nullptr;
        return 0;
    case WM_DRAWITEM:
        if (wParam == IDC_PREVIEW && previewDrawn)
            previewDrawn(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam)->hDC);
        return TRUE;
    }
    return 0;
}

} // namespace

HWND OpenPreviewDialog(int width, int height)
{
    HWND dialog = CreateDialogParamA(moduleHandle, "LensFlareDialogBox", nullptr,
                                     PreviewDialogProc, MAKELPARAM(width, height));
    if (dialog) {
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
    }
    return dialog;
}

} // namespace ui

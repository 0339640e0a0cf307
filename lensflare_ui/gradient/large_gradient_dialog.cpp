/*
 * large_gradient_dialog.cpp - "Gradient Edit": a modal dialog that shows a
 * gradient control's pivots in a control as wide as the dialog.  The user
 * edits a copy; Ok copies it back whole (selection and interpolation
 * included), Cancel drops it.  Nothing outside sees the edits before Ok:
 * the large control has no change callback and no menu button.
 */
#include <new>

#include "gradient/colour_slider.h"
#include "host/kalvos_io.h"
#include "resources/resource_ids.h"

namespace {

const char kTemplate[] = "LargeGradientEditDialog";
const char kLabel[] = "Gradient";

/* The dialog is modal, so one at a time: the small control that opened it
 * and the dialog's own control, set by WM_INITDIALOG, the latter deleted
 * by WM_DESTROY. */
CColourSlider *sourceSlider;
CColourSlider *largeSlider;

void Large_Init(HWND dialog, CColourSlider *source)
{
    Import_IO_Center_Window(GetParent(dialog), dialog);
    sourceSlider = source;
    RECT item = {0, 0, 0, 0};
    GetClientRect(GetDlgItem(dialog, IDC_LARGE_GRADIENT), &item);
    /* As tall as the item: the band's height is the margin. */
    largeSlider = new (std::nothrow)
        CColourSlider(dialog, source ? source->instance : nullptr, kLabel, 0, IDC_LARGE_GRADIENT,
                      item.right + 1, item.bottom + 1, nullptr);
    if (!largeSlider)
        return;
    largeSlider->SetBackground();
    largeSlider->hasMenuButton = 0;
    if (source)
        largeSlider->pivots = source->pivots;
    largeSlider->Refresh();
}

void Large_Accept(HWND dialog)
{
    if (sourceSlider && largeSlider)
        sourceSlider->pivots = largeSlider->pivots;
    EndDialog(dialog, 1);
}

} // namespace

INT_PTR EditGradientOnLargeDialog(CColourSlider *slider)
{
    if (!slider)
        return -1;
    return DialogBoxParamA(slider->instance, kTemplate, slider->control, LargeGradientDialogProc,
                           reinterpret_cast<LPARAM>(slider));
}

INT_PTR CALLBACK LargeGradientDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        Large_Init(dialog, reinterpret_cast<CColourSlider *>(lParam));
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            Large_Accept(dialog);
            return 1;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return 1;
        }
        return 0;
    case WM_DESTROY:
        delete largeSlider;
        largeSlider = nullptr;
        sourceSlider = nullptr;
        return 0;
    default:
        return 0;
    }
}

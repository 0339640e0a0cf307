/*
 * dialog_background.cpp - the brush a control paints its background with:
 * the one the dialog answers WM_CTLCOLORDLG with, so controls blend into
 * whatever the host's dialogs look like, or the button face when the
 * dialog gives none.
 */
#include "controls/controls.h"

HBRUSH DialogBackgroundBrush(HWND dialog, HDC dc, int16_t *created)
{
    HBRUSH brush = nullptr;
    if (dc)
        brush = reinterpret_cast<HBRUSH>(SendMessageA(dialog, WM_CTLCOLORDLG,
                                                      reinterpret_cast<WPARAM>(dc),
                                                      reinterpret_cast<LPARAM>(dialog)));
    *created = brush ? 0 : 1;
    return brush ? brush : CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
}

HBRUSH DialogBackgroundBrush(HWND dialog, int16_t *created)
{
    HDC dc = GetDC(dialog);
    HBRUSH brush = DialogBackgroundBrush(dialog, dc, created);
    if (dc)
        ReleaseDC(dialog, dc);
    return brush;
}

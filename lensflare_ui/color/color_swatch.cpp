/*
 * color_swatch.cpp - the face of every colour button: a black frame and
 * the colour inside it, its bytes wrapped as the host makes them.
 */
#include "color/color.h"

int16_t DrawColorSwatch(const DRAWITEMSTRUCT *item, const float color[3])
{
    if (!item || item->CtlType != ODT_BUTTON)
        return 0;
    HDC dc = item->hDC;
    RECT frame = item->rcItem;
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT inside = {frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
    HBRUSH fill = CreateSolidBrush(WrappedColor(color));
    if (fill) {
        FillRect(dc, &inside, fill);
        DeleteObject(fill);
    }
    /* Reached by Tab, the button shows it; Space then opens the picker. */
    if (item->itemState & ODS_FOCUS) {
        RECT cue = {inside.left + 1, inside.top + 1, inside.right - 1, inside.bottom - 1};
        DrawFocusRect(dc, &cue);
    }
    return 1;
}

void RedrawControl(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return;
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
}

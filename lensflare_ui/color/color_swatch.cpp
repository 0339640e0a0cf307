/*
 * color_swatch.cpp - the face of every colour button: a black frame and
 * the colour inside it.  Components become bytes as trunc(c x 255) keeping
 * the low 8 bits, as the host turns colours into bytes; the gradient
 * control clamps to 0..1 instead (gradient_mapping.cpp).
 */
#include <cmath>

#include "color/color.h"
#include "host/host_helpers.h"

namespace {

BYTE LowByteOf(float component)
{
    return (BYTE)(TruncSaturated((double)component * 255.0) & 0xFF);
}

} // namespace

int16_t DrawColorSwatch(const DRAWITEMSTRUCT *item, const float color[3])
{
    if (!item || item->CtlType != ODT_BUTTON)
        return 0;
    HDC dc = item->hDC;
    RECT frame = item->rcItem;
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT inside = {frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
    HBRUSH fill = CreateSolidBrush(
        RGB(LowByteOf(color[0]), LowByteOf(color[1]), LowByteOf(color[2])));
    if (fill) {
        FillRect(dc, &inside, fill);
        DeleteObject(fill);
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

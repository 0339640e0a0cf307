/*
 * radius_overlay.cpp - the track callback of radius sliders: while the
 * thumb moves, a white ellipse around the light shows the size the value
 * stands for, drawn over the preview until its next repaint.  It keeps no
 * state of its own.
 */
#include <algorithm>
#include <cmath>

#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "model/lens_flare_model.h"
#include "preview/preview.h"

namespace {

int16_t ToInt16(float value)
{
    return (int16_t)TruncOrIntMin(value);
}

/* A stretch of 0 or one that is not finite would make the ellipse
 * infinitely tall or undefined; the host may hand over such values even
 * though the editor's slider keeps 0.01 and above, and they are drawn as
 * no stretch at all. */
float VerticalRadius(float horizontal, float stretch)
{
    if (stretch == 1.0f || stretch == 0.0f || !std::isfinite(stretch))
        return horizontal;
    return horizontal / stretch;
}

} // namespace

void DrawRadiusOverlay(KaToken phase, int16_t controlId, float value)
{
    if (phase != Token("update"))
        return;
    const LensFlareModel *model = currentInstance ? currentInstance->model : nullptr;
    if (!model || !previewControl || !editorPreview.valid)
        return;
    float rx = value * model->scale;
    float ry = VerticalRadius(rx, model->anamorphicStretch);

    /* Repaint first, so the previous ellipse disappears under the image. */
    InvalidateRect(previewControl, nullptr, FALSE);
    UpdateWindow(previewControl);

    RECT client;
    GetClientRect(previewControl, &client);
    int16_t half = (int16_t)(std::min(client.right - client.left + 1,
                                      client.bottom - client.top + 1) / 2);
    float cx = flareX, cy = flareY;
    int16_t x0 = ToInt16(cx - half * rx), x1 = ToInt16(cx + half * rx);
    int16_t y0 = ToInt16(cy - half * ry), y1 = ToInt16(cy + half * ry);

    HDC dc = GetDC(previewControl);
    if (!dc)
        return;
    HRGN clip = CreateRectRgn(0, 0, client.right, client.bottom);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    if (clip)
        SelectClipRgn(dc, clip);
    /* The light's y counts from the bottom; the DC's from the top. */
    Ellipse(dc, x0 + 1, client.bottom - y0 - 1, x1 + 1, client.bottom - y1 - 1);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SelectClipRgn(dc, nullptr);
    ReleaseDC(previewControl, dc);
    if (clip)
        DeleteObject(clip);
}

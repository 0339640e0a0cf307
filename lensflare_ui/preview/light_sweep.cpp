/*
 * light_sweep.cpp - the preview's light sweep: frames rendered by the host
 * with the light moving along a line across the image, timed by the
 * dialog's sweep timer, and put back where it was at the end.  Optionally
 * a disc at the image centre covers the light (coverage 0 in the G-buffer)
 * so the flare's occlusion fades show; each frame's relative luminance
 * feeds a flash counter whose verdict stays on the preview until the next
 * sweep.
 *
 * Frames go through the preview's own image, buffer and busy flag, without
 * a progress callback: nothing else runs while one renders.  The flare,
 * the stored light position and the ini keys of the editor are never
 * touched.
 */
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "color/color.h"
#include "entry/editor_state.h"
#include "entry/plugin.h"
#include "model/lens_flare_model.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

int sweepDurationMs = 3000;

namespace {

const double kFlashStep = 0.1;     /* of the largest relative luminance, 1.0 */
const double kFlashWindowMs = 1000.0;
const int kMaxFlashesASecond = 3;  /* more than this warns */
const int kFlashesKept = sizeof(FlashCounter::starts) / sizeof(double);
const COLORREF kWarningColor = RGB(255, 208, 0);

/* Owned by SetUpLightSweep / TearDownLightSweep: the editor and the
 * occluder option read from the ini. */
HWND sweepDialog;
bool occluderOn;

/* State of the sweep under way; sweeping is false between sweeps. */
bool sweeping;
LARGE_INTEGER sweepStart, ticksPerSecond;
int16_t pathStartX, pathEndX, pathY;
/* The host's depth under the occluder's box before it went in, restored
 * after; null without an occluder or a depth plane. */
float *savedDepth;
FlashCounter flashes;   /* also read after the sweep, for the warning */
int flashRate;          /* busiest second since the sweep began; 0 before one */
/* sRGB byte to linear light, filled on first use. */
double linearLight[256];

double SrgbToLinear(int byte)
{
    double c = byte / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

/* A flash ends at timeMs: the busiest second is at least the flashes
 * whose rises lie within the second before. */
void RecordFlash(FlashCounter *c, double timeMs)
{
    c->starts[c->count % kFlashesKept] = c->riseMs;
    c->count++;
    int inSecond = 0;
    for (int i = c->count - 1; i >= 0 && i >= c->count - kFlashesKept; i--) {
        if (timeMs - c->starts[i % kFlashesKept] > kFlashWindowMs)
            break;
        inSecond++;
    }
    c->busiestSecond = std::max(c->busiestSecond, inSecond);
}

double ElapsedMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)(now.QuadPart - sweepStart.QuadPart) * 1000.0 / (double)ticksPerSecond.QuadPart;
}

/* The occluder: a disc a fifth of the image's height across at its centre. */
struct Disc {
    double cx, cy, radius;
};

Disc OccluderDisc(int width, int height)
{
    return {0.5 * (width - 1), 0.5 * (height - 1), 0.1 * height};
}

bool InDisc(const Disc &d, int x, int y)
{
    double dx = x - d.cx, dy = y - d.cy;
    return dx * dx + dy * dy <= d.radius * d.radius;
}

/* The pixels around the disc, clipped to the image (inclusive bounds). */
struct Box {
    int left, bottom, right, top;
    size_t Pixels() const { return (size_t)(right - left + 1) * (size_t)(top - bottom + 1); }
};

Box DiscBox(const KaGBuffer *buffer)
{
    Disc d = OccluderDisc(buffer->width, buffer->height);
    return {std::max(0, (int)(d.cx - d.radius)), std::max(0, (int)(d.cy - d.radius)),
            std::min(buffer->width - 1, (int)(d.cx + d.radius) + 1),
            std::min(buffer->height - 1, (int)(d.cy + d.radius) + 1)};
}

/* Covered pixels get coverage 0 and a depth nearer than the light's.  The
 * host reads coverage alone for occlusion and the approach fade, and takes
 * the depth at the light's pixel as the light's distance, the reference
 * distance where the plane holds 0 as the preview's always does; at half
 * that the disc stands in front of the light, and a light behind it sees
 * the distance options as a render would, with the occluder's depth.  The
 * depth is written only when it can be put back. */
void PaintOccluder(KaGBuffer *buffer)
{
    const LensFlareModel *m = currentInstance ? currentInstance->model : nullptr;
    float depth = 0.5f * (m && m->refDistance > 0.0f ? m->refDistance : 1.0f);
    Disc d = OccluderDisc(buffer->width, buffer->height);
    Box box = DiscBox(buffer);
    for (int y = box.bottom; y <= box.top; y++)
        for (int x = box.left; x <= box.right; x++)
            if (InDisc(d, x, y)) {
                size_t i = (size_t)y * buffer->width + x;
                buffer->coverage[i] = 0.0f;
                if (savedDepth)
                    buffer->depth[i] = depth;
            }
}

/* Copies the depth under the disc's box to or from the saved rows. */
void CopyBoxDepth(KaGBuffer *buffer, bool save)
{
    Box box = DiscBox(buffer);
    size_t across = (size_t)(box.right - box.left + 1);
    for (int y = box.bottom; y <= box.top; y++) {
        float *plane = buffer->depth + (size_t)y * buffer->width + box.left;
        float *kept = savedDepth + (size_t)(y - box.bottom) * across;
        std::memcpy(save ? kept : plane, save ? plane : kept, across * sizeof(float));
    }
}

/* Only the box is kept: copying the whole plane into a fresh block added
 * 1.5 to 2.4 ms to a sweep's first frame under Wine. */
void SaveDepthPlane(KaGBuffer *buffer)
{
    Box box = DiscBox(buffer);
    if (!buffer->depth || box.right < box.left || box.top < box.bottom)
        return;
    savedDepth = static_cast<float *>(Ki_Alloc_Memory(1, 0, box.Pixels() * sizeof(float)));
    if (savedDepth)
        CopyBoxDepth(buffer, true);
}

/* Back to the state every preview render starts from. */
void RestoreGBuffer()
{
    KaGBuffer *buffer = PreviewGBuffer();
    if (buffer) {
        ClearGBuffer(buffer);
        if (savedDepth && buffer->depth)
            CopyBoxDepth(buffer, false);
    }
    if (savedDepth)
        Ki_Free_Memory(savedDepth);
    savedDepth = nullptr;
}

/* A line across the image from beyond its left edge to beyond its right
 * edge, through the light when the user has moved it from where the
 * editor put it, else a third of the way down. */
void PlanPath(int width, int height)
{
    int16_t margin = (int16_t)(width / 10 + 1);
    pathStartX = (int16_t)-margin;
    pathEndX = (int16_t)(width - 1 + margin);
    bool placed = flareX != width / 4 || flareY != height / 4;
    pathY = placed ? flareY : (int16_t)(height - 1 - height / 3);
}

bool WarningStands()
{
    return flashRate > kMaxFlashesASecond;
}

/* The dialog's strip under the preview, from its bottom edge (where the
 * progress line runs) down to the row of controls below. */
bool WarningStrip(RECT *strip)
{
    HWND below = sweepDialog ? GetDlgItem(sweepDialog, IDC_REALTIME_UPDATES) : nullptr;
    RECT row;
    if (!previewControl || !below || !GetClientRect(previewControl, strip) ||
        !GetWindowRect(below, &row))
        return false;
    MapWindowPoints(previewControl, sweepDialog, reinterpret_cast<POINT *>(strip), 2);
    MapWindowPoints(nullptr, sweepDialog, reinterpret_cast<POINT *>(&row), 2);
    strip->top = strip->bottom;
    strip->bottom = std::max(strip->top + 3, row.top);
    return true;
}

void InvalidateWarningStrip()
{
    RECT strip;
    if (WarningStrip(&strip))
        InvalidateRect(sweepDialog, &strip, TRUE);
}

void RenderFrame(int16_t x)
{
    if (!RenderPreviewFrame(x, pathY, occluderOn ? PaintOccluder : nullptr, nullptr))
        return;
    const KaGBuffer *buffer = PreviewGBuffer();
    size_t pixels = (size_t)buffer->width * buffer->height;
    AddLuminanceSample(&flashes, ElapsedMs(),
                       ImageLuminance(buffer->red, buffer->green, buffer->blue, pixels));
    bool stood = WarningStands();
    flashRate = flashes.busiestSecond;
    if (WarningStands() != stood)
        InvalidateWarningStrip();
    if (previewControl) {
        InvalidateRect(previewControl, nullptr, FALSE);
        UpdateWindow(previewControl);
    }
}

void EndSweep(bool showLight)
{
    if (!sweeping)
        return;
    sweeping = false;
    if (sweepDialog)
        KillTimer(sweepDialog, IDT_LIGHT_SWEEP);
    RestoreGBuffer();
    if (sweepDialog && GetSystemMenu(sweepDialog, FALSE))
        CheckMenuItem(GetSystemMenu(sweepDialog, FALSE), IDM_PLAY_LIGHT_SWEEP,
                      MF_BYCOMMAND | MF_UNCHECKED);
    if (showLight)
        RefreshPreview(-1, -1);
}

bool IsEditorWindow(HWND window)
{
    return sweepDialog && window && (window == sweepDialog || IsChild(sweepDialog, window));
}

void CheckOccluderItem(HWND dialog)
{
    HMENU menu = GetSystemMenu(dialog, FALSE);
    if (menu)
        CheckMenuItem(menu, IDM_SWEEP_OCCLUDER,
                      MF_BYCOMMAND | (occluderOn ? MF_CHECKED : MF_UNCHECKED));
}

void DrawOccluderOutline(HDC dc, int width, int height)
{
    Disc d = OccluderDisc(width, height);
    HPEN pen = CreatePen(PS_DOT, 1, RGB(160, 160, 160));
    if (!pen)
        return;
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    /* The buffer's y counts from the bottom, the DC's from the top. */
    double top = (height - 1) - d.cy;
    Ellipse(dc, (int)std::lround(d.cx - d.radius), (int)std::lround(top - d.radius),
            (int)std::lround(d.cx + d.radius) + 1, (int)std::lround(top + d.radius) + 1);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void FillWarning(HDC dc, const RECT &area)
{
    COLORREF oldColor = SetDCBrushColor(dc, kWarningColor);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, oldColor);
}

/* The strip under the preview is half a line of the dialog's font high
 * (4 dialog units), so the text stands in a band of the same colour at
 * the preview's bottom edge, right above it. */
void DrawFlashWarning(HDC dc, int width, int height)
{
    char text[80];
    std::snprintf(text, sizeof text, "Warning: this flare flashes %d times a second", flashRate);
    HFONT font = sweepDialog
                     ? reinterpret_cast<HFONT>(SendMessageA(sweepDialog, WM_GETFONT, 0, 0))
                     : nullptr;
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA metrics;
    int lineHeight = GetTextMetricsA(dc, &metrics) ? metrics.tmHeight : 14;
    RECT band = {0, height - lineHeight - 4, width, height};
    FillWarning(dc, band);
    COLORREF oldColor = SetTextColor(dc, RGB(0, 0, 0));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &band, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
    if (oldFont)
        SelectObject(dc, oldFont);
}

} // namespace

void ResetFlashCounter(FlashCounter *c)
{
    c->low = 2.0;    /* above and below anything, so the first sample sets both */
    c->high = -1.0;
    c->direction = 0;
    c->riseMs = 0.0;
    c->count = 0;
    c->busiestSecond = 0;
}

void AddLuminanceSample(FlashCounter *c, double timeMs, double luminance)
{
    if (!std::isfinite(luminance))
        return;
    if (c->direction >= 0 && luminance > c->high)
        c->high = luminance;
    if (c->direction <= 0 && luminance < c->low)
        c->low = luminance;
    if (c->direction <= 0 && luminance - c->low >= kFlashStep) {
        c->direction = 1;
        c->high = luminance;
        c->riseMs = timeMs;
    } else if (c->direction >= 0 && c->high - luminance >= kFlashStep) {
        bool afterRise = c->direction > 0;
        c->direction = -1;
        c->low = luminance;
        if (afterRise)
            RecordFlash(c, timeMs);
    }
}

int BusiestSecondOfFlashes(const double *timesMs, const double *luminances, size_t count)
{
    FlashCounter counter;
    ResetFlashCounter(&counter);
    for (size_t i = 0; i < count; i++)
        AddLuminanceSample(&counter, timesMs[i], luminances[i]);
    return counter.busiestSecond;
}

double ImageLuminance(const float *red, const float *green, const float *blue, size_t count)
{
    if (linearLight[255] == 0.0)
        for (int i = 0; i < 256; i++)
            linearLight[i] = SrgbToLinear(i);
    if (!count || !red || !green || !blue)
        return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < count; i++)
        sum += 0.2126 * linearLight[ShownByte(red[i])] +
               0.7152 * linearLight[ShownByte(green[i])] + 0.0722 * linearLight[ShownByte(blue[i])];
    return sum / (double)count;
}

void SetUpLightSweep(HWND dialog)
{
    TearDownLightSweep();
    sweepDialog = dialog;
    flashRate = 0;
    occluderOn = GetPrivateProfileIntA(editorIniSection, SWEEP_OCCLUDER_KEY, 0, SettingsIniFile()) != 0;
    CheckOccluderItem(dialog);
}

void TearDownLightSweep()
{
    EndSweep(false);
    sweepDialog = nullptr;
}

/* While sweeping any key only stops the sweep; otherwise the shortcut
 * starts one. */
bool HandleLightSweepKey(const MSG *msg)
{
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) ||
        !IsEditorWindow(msg->hwnd) || renderBusy || dialogBusy)
        return false;
    if (sweeping) {
        StopLightSweep();
        return true;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == SWEEP_SHORTCUT_KEY) {
        StartLightSweep();
        return true;
    }
    return false;
}

void ToggleLightSweep(HWND)
{
    if (sweeping)
        StopLightSweep();
    else
        StartLightSweep();
}

void ToggleSweepOccluder(HWND dialog)
{
    occluderOn = !occluderOn;
    WritePrivateProfileStringA(editorIniSection, SWEEP_OCCLUDER_KEY, occluderOn ? "1" : "0",
                               SettingsIniFile());
    CheckOccluderItem(dialog);
}

void StartLightSweep()
{
    KaGBuffer *buffer = PreviewGBuffer();
    if (sweeping || renderBusy || dialogBusy || !sweepDialog || !buffer || !currentInstance ||
        !currentInstance->model)
        return;
    PlanPath(buffer->width, buffer->height);
    if (occluderOn)
        SaveDepthPlane(buffer);
    ResetFlashCounter(&flashes);
    if (WarningStands())
        InvalidateWarningStrip();
    flashRate = 0;
    sweeping = true;
    CheckMenuItem(GetSystemMenu(sweepDialog, FALSE), IDM_PLAY_LIGHT_SWEEP,
                  MF_BYCOMMAND | MF_CHECKED);
    QueryPerformanceFrequency(&ticksPerSecond);
    QueryPerformanceCounter(&sweepStart);
    SetTimer(sweepDialog, IDT_LIGHT_SWEEP, LIGHT_SWEEP_FRAME_MS, nullptr);
    RenderFrame(pathStartX);
}

void StopLightSweep()
{
    EndSweep(true);
}

void LightSweepFrame()
{
    if (!sweeping || renderBusy || dialogBusy)
        return;
    double progress = ElapsedMs() / (sweepDurationMs > 0 ? sweepDurationMs : 1);
    ShowSweepAt(progress);
    if (progress >= 1.0)
        EndSweep(true);
}

void ShowSweepAt(double progress)
{
    if (!sweeping)
        return;
    if (progress > 1.0)
        progress = 1.0;
    RenderFrame((int16_t)(pathStartX + std::lround(progress * (pathEndX - pathStartX))));
}

void DrawLightSweepOverlay(HDC dc)
{
    const BITMAPINFOHEADER *header = editorPreview.header;
    if (!dc || !header || !editorPreview.rendered)
        return;
    int width = header->biWidth, height = header->biHeight;
    if (sweeping && occluderOn)
        DrawOccluderOutline(dc, width, height);
    if (WarningStands())
        DrawFlashWarning(dc, width, height);
}

bool PaintLightSweepStrip(HWND dialog)
{
    RECT strip;
    if (dialog != sweepDialog || !WarningStands() || !WarningStrip(&strip))
        return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    if (dc)
        FillWarning(dc, strip);
    EndPaint(dialog, &paint);
    return true;
}

bool LightSweepRunning()
{
    return sweeping;
}

bool SweepBehindOccluder()
{
    return occluderOn;
}

int SweepFlashRate()
{
    return flashRate;
}

bool FlashWarningStands()
{
    return WarningStands();
}

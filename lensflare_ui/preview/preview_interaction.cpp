/*
 * preview_interaction.cpp - the subclassed preview control: dragging the
 * light with the left button (one render per mouse move, none on
 * release) and the right-button copy of a small rendering to the
 * clipboard as a 24-bit CF_DIB; the same from the keyboard on the focused
 * preview, the arrows moving the light and Ctrl+C copying.
 */
#include <algorithm>
#include <cstring>

#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

namespace {

/* Set from the left press that starts a drag until release, WM_CANCELMODE
 * or the capture going to another window; owned by PreviewWindowProc. */
int16_t dragging;

/* The preview shows a focus frame only when the keyboard brought the
 * focus: a press that drags the light gives the button the focus too,
 * and a frame round every dragged flare would only be in the way.
 * pressing is set while the button's own procedure takes a press. */
bool keyboardFocus;
bool pressing;

/* Pixels an arrow moves the light; with Shift held, the larger step. */
const int kLightStep = 1, kLargeLightStep = 10;

const int kClipWidth = 120, kClipHeight = 90;
const char kClipboardCaption[] = "Clipboard Error";
const char kCopiedNotice[] = "Copied a 120 x 90 picture of the flare";

/* Mouse client coordinates to G-buffer pixels, whose y counts up from the
 * bottom row.  16-bit like the messages: a point left of or above the
 * control while captured comes out negative. */
void MouseToPreview(LPARAM lParam, int16_t *x, int16_t *y)
{
    *x = (int16_t)LOWORD(lParam);
    int16_t mouseY = (int16_t)HIWORD(lParam);
    *y = (int16_t)(PreviewGBufferHeight() - mouseY - 1);
}

void BeginDrag(HWND window, LPARAM lParam)
{
    if (dragging)
        return;
    dragging = 1;
    SetCapture(window);
    int16_t x, y;
    MouseToPreview(lParam, &x, &y);
    RefreshPreview(x, y);
}

void DragLight(LPARAM lParam)
{
    if (!dragging)
        return;
    int16_t x, y;
    MouseToPreview(lParam, &x, &y);
    RefreshPreview(x, y);
}

void EndDrag()
{
    /* The flag goes first: ReleaseCapture sends WM_CAPTURECHANGED. */
    bool wasDragging = dragging != 0;
    dragging = 0;
    if (wasDragging)
        ReleaseCapture();
}

/* Another window took the capture: without it no release comes here, and
 * the light would go on following the pointer with the button up. */
void LoseDrag(HWND window, HWND capturing)
{
    if (capturing != window)
        dragging = 0;
}

/* Renders the flare small, with the light at the same relative position,
 * into images of its own: the editor's image and G-buffer stay as they
 * are. */
void CopyRenderingToClipboard(HWND window)
{
    const BITMAPINFOHEADER *editorHeader = editorPreview.header;
    if (!currentInstance || !editorHeader || editorHeader->biWidth <= 0 ||
        editorHeader->biHeight <= 0)
        return;
    PreviewImage image = {};
    if (CreatePreviewImage(&image, IDC_PREVIEW, kClipWidth, kClipHeight, 3) != 0) {
        FreePreviewImage(&image);
        return;
    }
    KaGBuffer *buffer = Ki_Alloc_Global_GBuffer(kClipWidth, kClipHeight, kClipHeight, 0);
    if (buffer) {
        ClearGBuffer(buffer);
        float x = (float)flareX / (float)editorHeader->biWidth * 120.0f;
        float y = (float)flareY / (float)editorHeader->biHeight * 90.0f;
        Ki_LensFlareApplyToGBuffer(buffer, currentInstance->handleType,
                                   currentInstance->handleName, TruncOrIntMin(x),
                                   TruncOrIntMin(y), nullptr);
        ConvertGBufferToImage(buffer, &image);
        if (CopyImageToClipboard(window, &image))
            ShowPreviewNotice(GetParent(window), kCopiedNotice);
        Ki_Free_Global_GBuffer(buffer);
    }
    FreePreviewImage(&image);
}

/* As far past each edge as the preview is wide or high, as a drag can. */
int16_t WithinReach(int value, int size)
{
    return (int16_t)std::clamp(value, -size, 2 * size - 1);
}

void MoveLightBy(int dx, int dy)
{
    const BITMAPINFOHEADER *header = editorPreview.header;
    if (!header || renderBusy || dragging)
        return;
    RefreshPreview(WithinReach(flareX + dx, header->biWidth),
                   WithinReach(flareY + dy, header->biHeight));
}

bool IsPress(UINT message)
{
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
           message == WM_LBUTTONDBLCLK;
}

} // namespace

bool HandlePreviewKey(const MSG *msg)
{
    if (!msg || msg->message != WM_KEYDOWN || !previewControl || msg->hwnd != previewControl)
        return false;
    if (GetKeyState(VK_MENU) < 0)
        return false;
    if (GetKeyState(VK_CONTROL) < 0) {
        if (msg->wParam != 'C')
            return false;
        CopyRenderingToClipboard(previewControl);
        return true;
    }
    int step = GetKeyState(VK_SHIFT) < 0 ? kLargeLightStep : kLightStep;
    switch (msg->wParam) {
    case VK_LEFT:
        MoveLightBy(-step, 0);
        return true;
    case VK_RIGHT:
        MoveLightBy(step, 0);
        return true;
    case VK_UP:   /* the light's y counts up */
        MoveLightBy(0, step);
        return true;
    case VK_DOWN:
        MoveLightBy(0, -step);
        return true;
    }
    return false;
}

void DrawPreviewFocus(const DRAWITEMSTRUCT *item)
{
    if (!keyboardFocus || item->hwndItem != previewControl || GetFocus() != previewControl)
        return;
    RECT frame;
    GetClientRect(item->hwndItem, &frame);
    InflateRect(&frame, -2, -2);
    DrawFocusRect(item->hDC, &frame);
}

void CancelPreviewDrag()
{
    if (dragging && previewControl && GetCapture() == previewControl)
        ReleaseCapture();
    dragging = 0;
}

PreviewMouseFilter previewMouseFilter;

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    bool taken = previewMouseFilter && previewMouseFilter(window, message, lParam);
    switch (message) {
    case WM_SETFOCUS:
        keyboardFocus = !pressing;
        break;
    case WM_KILLFOCUS:
        keyboardFocus = false;
        break;
    }
    if (IsPress(message)) {
        keyboardFocus = false;
        pressing = true;
    }
    switch (taken ? WM_NULL : message) {
    case WM_LBUTTONDOWN:
        StopLightSweep();
        BeginDrag(window, lParam);
        break;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        StopLightSweep();
        break;
    case WM_MOUSEMOVE:
        DragLight(lParam);
        break;
    case WM_LBUTTONUP:
    case WM_CANCELMODE:
        EndDrag();
        break;
    case WM_CAPTURECHANGED:
        LoseDrag(window, (HWND)lParam);
        break;
    case WM_RBUTTONUP:
        CopyRenderingToClipboard(window);
        break;
    }
    LRESULT result = previousPreviewProc
                         ? CallWindowProcA(previousPreviewProc, window, message, wParam, lParam)
                         : DefWindowProcA(window, message, wParam, lParam);
    if (IsPress(message))
        pressing = false;
    return result;
}

bool CopyImageToClipboard(HWND window, PreviewImage *image)
{
    if (!image || !image->valid || !image->header || !image->pixels)
        return false;
    if (!OpenClipboard(window)) {
        MessageBoxA(window, "The clipboard is currently being used by another application.",
                    kClipboardCaption, MB_OK);
        return false;
    }
    EmptyClipboard();
    size_t pixelBytes = (size_t)image->rowLength * (size_t)image->header->biHeight;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE,
                                pixelBytes + sizeof(BITMAPINFOHEADER));
    unsigned char *bytes = block ? static_cast<unsigned char *>(GlobalLock(block)) : nullptr;
    if (!bytes) {
        if (block)
            GlobalFree(block);
        EmptyClipboard();
        CloseClipboard();
        MessageBoxA(window, "Out of memory while allocating space for clipboard bitmap.",
                    kClipboardCaption, MB_OK);
        return false;
    }
    /* The header alone, no colour table: only 24-bit images come here. */
    std::memcpy(bytes, image->header, sizeof(BITMAPINFOHEADER));
    std::memcpy(bytes + sizeof(BITMAPINFOHEADER), image->pixels, pixelBytes);
    GlobalUnlock(block);
    bool placed = SetClipboardData(CF_DIB, block) != nullptr;
    if (!placed) {
        /* A refused block never became the clipboard's, so it is still
         * ours to free; keeping it would leak it for the process's life. */
        GlobalFree(block);
        MessageBoxA(window, "Error encountered while sending DIB image data to the clipboard.",
                    kClipboardCaption, MB_OK);
    }
    CloseClipboard();
    return placed;
}

/*
 * preview.cpp - the editor's preview: the image record in its 24-bit and
 * paletted forms, the G-buffer the host renders into, the conversion to a
 * DIB, drawing and palette messages, and the render feedback (progress
 * line under the preview, wait cursor through timer 10).
 *
 * Dragging and the clipboard copy are in preview_interaction.cpp.
 */
#include <cmath>
#include <cstring>

#include <immintrin.h>

#include "color/color.h"
#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

/* The editor's preview; created by SetUpEditorPreview, freed by
 * TearDownEditorPreview.  One editor exists at a time. */
PreviewImage editorPreview;
/* Set while RenderPreviewFrame runs.  1 at load: nothing renders before an
 * editor has initialised. */
int16_t renderBusy = 1;
int16_t flareX, flareY;
HWND previewControl;
WNDPROC previousPreviewProc;
bool forcePaletteDisplay;
bool plainVectorConversion;
PreviewView previewView;

namespace {

/* Owned by AllocPreviewGBuffer / FreePreviewGBuffer. */
KaGBuffer *previewGBuffer;
int16_t previewWidth, previewHeight;

/* Pixels of the progress line drawn so far; reset by "start" and "end". */
int16_t progressPosition;
/* Some of the line is on screen.  Erasing repaints part of the dialog,
 * about a fifth of a whole refresh under Wine, so an empty strip (every
 * "start" that follows an "end") is left alone: no pixel would change. */
bool progressLineShown;

/* Loaded by LoadPreviewCursors; shared system cursors, never destroyed. */
HCURSOR arrowCursor, waitCursor;
HCURSOR currentCursor, previousCursor;

/* Filled by the host each time a paletted image is created; the dither
 * of every paletted conversion reads it. */
KaColor colorMap[256];

/* Host tokens of the progress phases, looked up once: the progress
 * callback runs hundreds of times a render. */
KaToken startToken, updateToken, endToken;

const int kRedLevels = 5, kGreenLevels = 9, kBlueLevels = 5;
const float kPaletteGamma = 1.7f;

void LoadPhaseTokens()
{
    if (updateToken)
        return;
    startToken = Ki_Inquire_Token("start");
    updateToken = Ki_Inquire_Token("update");
    endToken = Ki_Inquire_Token("end");
}

/* Colour level of the paletted form: trunc(value x levels), top level for
 * 1.0 and above.  Negative and NaN values give level 0, which keeps every
 * byte inside the colour map. */
int ColorLevel(float value, int levels)
{
    double scaled = (double)value * levels;
    if (!(scaled >= 1.0))
        return 0;
    if (scaled >= levels - 1)
        return levels - 1;
    return (int)scaled;
}

bool PreviewRectInDialog(HWND dialog, RECT *rect)
{
    if (!previewControl || !dialog || !GetClientRect(previewControl, rect))
        return false;
    MapWindowPoints(previewControl, dialog, reinterpret_cast<POINT *>(rect), 2);
    return true;
}

HWND EditorDialog()
{
    return currentInstance ? currentInstance->dialog : nullptr;
}

void LoadPalette(PreviewImage *image)
{
    KaColor corrected[COLOR_MAP_ENTRIES];
    Ki_Gamma_Correct(colorMap, corrected, COLOR_MAP_ENTRIES, kPaletteGamma);
    PALETTEENTRY *entries = image->logicalPalette->palPalEntry;
    if (IsPaletteDisplay()) {
        HDC screen = GetDC(nullptr);
        GetSystemPaletteEntries(screen, 0, 256, entries);
        ReleaseDC(nullptr, screen);
    }
    for (int i = 0; i < COLOR_MAP_ENTRIES; i++) {
        PALETTEENTRY *e = &entries[PALETTE_MAP_FIRST + i];
        e->peRed = (BYTE)TruncOrIntMin(corrected[i][0] * 255.0f);
        e->peGreen = (BYTE)TruncOrIntMin(corrected[i][1] * 255.0f);
        e->peBlue = (BYTE)TruncOrIntMin(corrected[i][2] * 255.0f);
        e->peFlags = 0;
    }
    SetPaletteEntries(image->palette, 0, 256, entries);
}

/* The 225-colour palette: block, GDI palette, colour map.  False when an
 * allocation failed; what was made stays in the record. */
bool CreateImagePalette(PreviewImage *image)
{
    size_t bytes = sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY);
    image->logicalPalette = static_cast<LOGPALETTE *>(Ki_Alloc_Memory(1, 0, bytes));
    if (!image->logicalPalette)
        return false;
    image->logicalPalette->palVersion = 0x300;
    image->logicalPalette->palNumEntries = 256;
    image->palette = CreatePalette(image->logicalPalette);
    if (!image->palette)
        return false;
    Ki_Compute_Colormap(0, kRedLevels, kGreenLevels, kBlueLevels, colorMap);
    LoadPalette(image);
    return true;
}

/* Four channel values as the low bytes of trunc(value x 255.0) in 32-bit
 * lanes.  The products are exact in double precision, and the conversion
 * gives INT32_MIN (low byte 0) for NaN and beyond 32 bits, as the plain
 * rule does. */
__m128i ChannelBytes(const float *values)
{
    const __m128d scale = _mm_set1_pd(255.0);
    __m128 v = _mm_loadu_ps(values);
    __m128i low = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtps_pd(v), scale));
    __m128i high = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(v, v)), scale));
    return _mm_and_si128(_mm_unpacklo_epi64(low, high), _mm_set1_epi32(0xFF));
}

/* Pixels 0x00RRGGBB, two to a 64-bit lane, as their six bytes at the
 * bottom of each lane. */
__m128i PackPixels(__m128i pixels)
{
    return _mm_or_si128(_mm_and_si128(pixels, _mm_set1_epi64x(0xFFFFFF)),
                        _mm_and_si128(_mm_srli_epi64(pixels, 8), _mm_set1_epi64x(0xFFFFFF000000ll)));
}

/* Two 8-byte stores of six bytes each; the two bytes past them belong to
 * the next pixel, which is written after. */
void StoreTwelve(unsigned char *out, __m128i packed)
{
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out), packed);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 6), _mm_unpackhi_epi64(packed, packed));
}

/* Up to the last four pixels, which go through the plain loop so that no
 * store reaches past the row; returns the columns done. */
int FourAtATime(const float *red, const float *green, const float *blue, int width,
                unsigned char *out)
{
    int column = 0;
    for (; column + 4 < width; column += 4, out += 12)
        StoreTwelve(out, PackPixels(_mm_or_si128(
                             _mm_or_si128(ChannelBytes(blue + column),
                                          _mm_slli_epi32(ChannelBytes(green + column), 8)),
                             _mm_slli_epi32(ChannelBytes(red + column), 16))));
    return column;
}

__attribute__((target("avx2"))) __m256i ChannelBytesAvx2(const float *values)
{
    const __m256d scale = _mm256_set1_pd(255.0);
    __m128i low = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(values)), scale));
    __m128i high =
        _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(values + 4)), scale));
    return _mm256_and_si256(_mm256_set_m128i(high, low), _mm256_set1_epi32(0xFF));
}

/* The same, eight pixels at a time, where the processor has AVX2. */
__attribute__((target("avx2"))) int EightAtATime(const float *red, const float *green,
                                                 const float *blue, int width, unsigned char *out)
{
    int column = 0;
    for (; column + 8 < width; column += 8, out += 24) {
        __m256i pixels = _mm256_or_si256(
            _mm256_or_si256(ChannelBytesAvx2(blue + column),
                            _mm256_slli_epi32(ChannelBytesAvx2(green + column), 8)),
            _mm256_slli_epi32(ChannelBytesAvx2(red + column), 16));
        StoreTwelve(out, PackPixels(_mm256_castsi256_si128(pixels)));
        StoreTwelve(out + 12, PackPixels(_mm256_extracti128_si256(pixels, 1)));
    }
    _mm256_zeroupper();
    return column;
}

bool HasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

const bool hasAvx2 = HasAvx2();

} // namespace

void ConvertRowTo24Bit(const float *red, const float *green, const float *blue, int width,
                       unsigned char *out)
{
    int column = hasAvx2 && !plainVectorConversion ? EightAtATime(red, green, blue, width, out)
                                                : FourAtATime(red, green, blue, width, out);
    for (out += 3 * column; column < width; column++) {
        *out++ = ShownByte(blue[column]);
        *out++ = ShownByte(green[column]);
        *out++ = ShownByte(red[column]);
    }
}

namespace {

void ConvertTo24Bit(const KaGBuffer *buffer, PreviewImage *image, int width, int height)
{
    for (int row = 0; row < height; row++) {
        size_t source = (size_t)row * width;
        ConvertRowTo24Bit(buffer->red + source, buffer->green + source, buffer->blue + source, width,
                          image->pixels + (size_t)row * image->rowLength);
    }
}

void ConvertToPaletted(const KaGBuffer *buffer, PreviewImage *image, int width, int height)
{
    for (int row = 0; row < height; row++) {
        size_t source = (size_t)row * width;
        unsigned char *out = image->pixels + (size_t)row * image->rowLength;
        for (int column = 0; column < width; column++, source++) {
            int r = ColorLevel(buffer->red[source], kRedLevels);
            int g = ColorLevel(buffer->green[source], kGreenLevels);
            int b = ColorLevel(buffer->blue[source], kBlueLevels);
            out[column] = (unsigned char)(45 * r + 5 * g + b);
        }
    }
    int32_t ditherFlag = 0;
    Ki_Dither_Image(image->pixels, colorMap, (int16_t)width, (int16_t)height, kRedLevels,
                    kGreenLevels, kBlueLevels, &ditherFlag);
    /* Only pixel bytes move to the palette's range; the fill bytes that pad
     * each row stay as they are. */
    for (int row = 0; row < height; row++) {
        unsigned char *out = image->pixels + (size_t)row * image->rowLength;
        for (int column = 0; column < width; column++)
            out[column] = (unsigned char)(out[column] + PALETTE_MAP_FIRST);
    }
}

/* Realises the image's palette in the DC of its control; true when any
 * entry of the system palette changed. */
bool RealizeInControl(PreviewImage *image, HWND window, bool background)
{
    HWND control = GetDlgItem(window, image->controlId);
    if (!control)
        return false;
    HDC dc = GetDC(control);
    if (!dc)
        return false;
    HPALETTE old = SelectPalette(dc, image->palette, background ? TRUE : FALSE);
    UINT changed = RealizePalette(dc);
    if (old)
        SelectPalette(dc, old, TRUE);
    ReleaseDC(control, dc);
    if (changed == GDI_ERROR || changed == 0)
        return false;
    InvalidateRect(control, nullptr, FALSE);
    return true;
}

void DrawImageItem(PreviewImage *image, const DRAWITEMSTRUCT *item)
{
    if (!image->rendered)
        return;
    HPALETTE old = nullptr;
    if (image->logicalPalette && image->palette) {
        old = SelectPalette(item->hDC, image->palette, TRUE);
        RealizePalette(item->hDC);
    }
    if (image->pixels && image->header) {
        int width = image->header->biWidth, height = image->header->biHeight;
        StretchDIBits(item->hDC, 0, 0, width, height, 0, 0, width, height, image->pixels,
                      reinterpret_cast<const BITMAPINFO *>(image->header),
                      image->paletted ? DIB_PAL_COLORS : DIB_RGB_COLORS, SRCCOPY);
        DrawPreviewNotice(item->hDC, width, height);
    }
    if (old)
        SelectPalette(item->hDC, old, TRUE);
}

LRESULT ActivatePalette(PreviewImage *image, HWND window, int16_t *handled)
{
    if (IsIconic(window) || !image->paletted)
        return 0;
    *handled = 1;
    return RealizeInControl(image, window, false) ? 1 : 0;
}

LRESULT FollowPaletteChange(PreviewImage *image, HWND window, HWND changer, int16_t *handled)
{
    if (IsIconic(window) || !image->paletted || changer == window)
        return 0;
    RealizeInControl(image, window, true);
    *handled = 1;
    return 0;
}

void EraseProgressLine(HWND dialog)
{
    RECT preview;
    if (progressLineShown && PreviewRectInDialog(dialog, &preview)) {
        RECT strip = {preview.left, preview.bottom, preview.right, preview.bottom + 3};
        InvalidateRect(dialog, &strip, TRUE);
        UpdateWindow(dialog);
    }
    progressLineShown = false;
    progressPosition = 0;
}

void ExtendProgressLine(HWND dialog, float fraction)
{
    RECT preview;
    if (!PreviewRectInDialog(dialog, &preview))
        return;
    int16_t p = (int16_t)TruncOrIntMin((float)(preview.right - preview.left) * fraction);
    HDC dc = GetDC(dialog);
    if (dc) {
        progressLineShown |= p != progressPosition;
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
        for (int row = 0; row < 2; row++) {
            MoveToEx(dc, preview.left + progressPosition, preview.bottom + row, nullptr);
            LineTo(dc, preview.left + p, preview.bottom + row);
        }
        SelectObject(dc, oldPen);
        ReleaseDC(dialog, dc);
    }
    progressPosition = p;
    if (p % 25 == 0)
        PumpTimerMessages();
}

void ShowCursorAsCurrent(HCURSOR cursor)
{
    if (!cursor)   /* before any set-up: SetCursor(null) would hide the pointer */
        return;
    previousCursor = currentCursor;
    currentCursor = cursor;
    SetCursor(cursor);
}

} // namespace

void ClearGBuffer(KaGBuffer *buffer)
{
    if (!buffer || buffer->width <= 0 || buffer->height <= 0)
        return;
    size_t count = (size_t)buffer->width * (size_t)buffer->height;
    std::memset(buffer->red, 0, count * sizeof(float));
    std::memset(buffer->green, 0, count * sizeof(float));
    std::memset(buffer->blue, 0, count * sizeof(float));
    for (size_t i = 0; i < count; i++)
        buffer->coverage[i] = 1.0f;
}

bool IsPaletteDisplay()
{
    if (forcePaletteDisplay)
        return true;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    int caps = GetDeviceCaps(screen, RASTERCAPS);
    ReleaseDC(nullptr, screen);
    return (caps & RC_PALETTE) != 0;
}

int CreatePreviewImage(PreviewImage *image, int16_t controlId, int width, int height,
                       int bytesPerPixel)
{
    image->valid = 0;
    image->rendered = 0;
    image->controlId = controlId;
    image->paletted = bytesPerPixel == 1;
    /* Sizes a 16-bit row length and the host's 16-bit dither sizes can hold. */
    int rowLength = ((bytesPerPixel * width * 8 + 31) / 32) * 4;
    if ((bytesPerPixel != 1 && bytesPerPixel != 3) || width <= 0 || height <= 0 ||
        width > 10000 || height > 10000 || rowLength > INT16_MAX)
        return 1;
    if (image->paletted && !CreateImagePalette(image))
        return 1;

    size_t headerBytes = sizeof(BITMAPINFOHEADER) + (image->paletted ? 256 * sizeof(WORD) : 0);
    image->header = static_cast<BITMAPINFOHEADER *>(Ki_Alloc_Memory(1, 0, headerBytes));
    if (!image->header)
        return 1;
    BITMAPINFOHEADER *h = image->header;
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = (WORD)(bytesPerPixel * 8);
    h->biCompression = BI_RGB;
    h->biClrUsed = image->paletted ? 256 : 0;
    if (image->paletted) {
        WORD *indices = reinterpret_cast<WORD *>(h + 1);
        for (int i = 0; i < 256; i++)
            indices[i] = (WORD)i;
    }

    image->rowLength = (int16_t)rowLength;
    image->pixels = static_cast<unsigned char *>(
        Ki_Alloc_Memory(1, 0, (size_t)rowLength * (size_t)height));
    if (!image->pixels)
        return 1;
    image->valid = 1;
    return 0;
}

void FreePreviewImage(PreviewImage *image)
{
    if (image->pixels)
        Ki_Free_Memory(image->pixels);
    if (image->header)
        Ki_Free_Memory(image->header);
    if (image->palette)
        DeleteObject(image->palette);
    if (image->logicalPalette)
        Ki_Free_Memory(image->logicalPalette);
    image->pixels = nullptr;
    image->header = nullptr;
    image->palette = nullptr;
    image->logicalPalette = nullptr;
    image->valid = 0;
    image->rendered = 0;
}

bool AllocPreviewGBuffer(int width, int height)
{
    FreePreviewGBuffer();
    previewWidth = (int16_t)width;
    previewHeight = (int16_t)height;
    previewGBuffer = Ki_Alloc_Global_GBuffer(width, height, height, 0);
    return previewGBuffer != nullptr;
}

void FreePreviewGBuffer()
{
    if (previewGBuffer)
        Ki_Free_Global_GBuffer(previewGBuffer);
    previewGBuffer = nullptr;
}

KaGBuffer *PreviewGBuffer()
{
    return previewGBuffer;
}

int16_t PreviewGBufferHeight()
{
    return previewHeight;
}

namespace {

/* The host's render of the edited flare into buffer, readied by prepare
 * when given, converted into image. */
void DrawEditedFlare(KaGBuffer *buffer, int16_t x, int16_t y, void (*prepare)(KaGBuffer *),
                     KaProgressFn progress, PreviewImage *image)
{
    ClearGBuffer(buffer);
    if (prepare)
        prepare(buffer);
    LoadPhaseTokens();
    Ki_LensFlareApplyToGBuffer(buffer, currentInstance->handleType, currentInstance->handleName,
                               x, y, progress);
    ConvertGBufferToImage(buffer, image);
}

bool PreviewCanRender()
{
    return !renderBusy && previewGBuffer && currentInstance;
}

/* A refresh's frame: the view that stands in (solo, snapshot) while one
 * shows, else the edited flare. */
bool RenderRefreshFrame(int16_t x, int16_t y)
{
    if (!previewView)
        return RenderPreviewFrame(x, y, nullptr, PreviewProgress);
    if (!PreviewCanRender())
        return false;
    renderBusy = 1;
    previewView(previewGBuffer, x, y, &editorPreview);
    renderBusy = 0;
    return true;
}

} // namespace

bool RenderPreviewFrame(int16_t x, int16_t y, void (*prepare)(KaGBuffer *),
                        KaProgressFn progress)
{
    if (!PreviewCanRender())
        return false;
    renderBusy = 1;
    DrawEditedFlare(previewGBuffer, x, y, prepare, progress, &editorPreview);
    renderBusy = 0;
    return true;
}

void RenderEditedFlare(KaGBuffer *buffer, int16_t x, int16_t y, PreviewImage *image)
{
    DrawEditedFlare(buffer, x, y, nullptr, PreviewProgress, image);
}

void ConvertGBufferToImage(const KaGBuffer *gbuffer, PreviewImage *image)
{
    if (!gbuffer || !image || !image->valid || !image->pixels || !image->header)
        return;
    int width = image->header->biWidth, height = image->header->biHeight;
    /* Image and buffer are made with the same size; anything else would
     * read past one of them. */
    if (gbuffer->width != width || gbuffer->height != height || !gbuffer->red ||
        !gbuffer->green || !gbuffer->blue)
        return;
    if (image->paletted)
        ConvertToPaletted(gbuffer, image, width, height);
    else
        ConvertTo24Bit(gbuffer, image, width, height);
    image->rendered = 1;
}

void RefreshPreview(int16_t x, int16_t y)
{
    if (x == -1) {
        x = flareX;
        y = flareY;
    }
    HWND dialog = EditorDialog();
    if (dialog)
        SetTimer(dialog, IDT_RENDER_WAIT, RENDER_WAIT_MS, nullptr);
    SetArrowCursor();
    if (RenderRefreshFrame(x, y) && previewControl)
        InvalidateRect(previewControl, nullptr, FALSE);
    if (dialog)
        KillTimer(dialog, IDT_RENDER_WAIT);
    SetArrowCursor();
    flareX = x;
    flareY = y;
}

int PreviewProgress(KaToken phase, float fraction)
{
    LoadPhaseTokens();
    HWND dialog = EditorDialog();
    if (!dialog)
        return 0;
    if (phase == startToken || phase == endToken)
        EraseProgressLine(dialog);
    else if (phase == updateToken)
        ExtendProgressLine(dialog, fraction);
    return 0;
}

int PumpTimerMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}

void LoadPreviewCursors()
{
    arrowCursor = LoadCursor(nullptr, IDC_ARROW);
    waitCursor = LoadCursor(nullptr, IDC_WAIT);
}

void SetArrowCursor()
{
    ShowCursorAsCurrent(arrowCursor);
}

void SetWaitCursor()
{
    ShowCursorAsCurrent(waitCursor);
}

void RestoreCursor()
{
    if (!previousCursor)
        return;
    currentCursor = previousCursor;
    SetCursor(currentCursor);
}

HCURSOR CurrentCursor()
{
    return currentCursor;
}

LRESULT PreviewImageMessage(PreviewImage *image, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam, int16_t *handled)
{
    *handled = 0;
    if (!image || !image->valid)
        return 0;
    switch (message) {
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (item && item->CtlType == ODT_BUTTON && (int)item->CtlID == image->controlId)
            DrawImageItem(image, item);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == 0)
            return 0;
        return ActivatePalette(image, window, handled);
    case WM_QUERYNEWPALETTE:
        return ActivatePalette(image, window, handled);
    case WM_PALETTECHANGED:
        return FollowPaletteChange(image, window, reinterpret_cast<HWND>(wParam), handled);
    }
    return 0;
}

void ResetRenderFeedback()
{
    renderBusy = 0;
    LoadPreviewCursors();
    SetArrowCursor();
}

LRESULT EditorPreviewMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                             int16_t *handled)
{
    if (message == WM_TIMER && wParam == IDT_RENDER_WAIT) {
        *handled = 1;
        SetWaitCursor();
        return 0;
    }
    return PreviewImageMessage(&editorPreview, dialog, message, wParam, lParam, handled);
}

void SetUpEditorPreview(HWND dialog)
{
    ResetRenderFeedback();
    progressPosition = 0;
    progressLineShown = false;
    CancelPreviewDrag();
    FreePreviewImage(&editorPreview);
    FreePreviewGBuffer();
    previewControl = GetDlgItem(dialog, IDC_PREVIEW);
    if (!previewControl)
        return;
    RECT client;
    GetClientRect(previewControl, &client);
    int width = client.right - client.left + 1;
    int height = client.bottom - client.top + 1;
    CreatePreviewImage(&editorPreview, IDC_PREVIEW, width, height, IsPaletteDisplay() ? 1 : 3);
    AllocPreviewGBuffer(width, height);
    previousPreviewProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        previewControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviewWindowProc)));
    flareX = (int16_t)(width / 4);
    flareY = (int16_t)(height / 4);
}

void TearDownEditorPreview(HWND dialog)
{
    renderBusy = 0;
    ClearPreviewNotice();
    CancelPreviewDrag();
    if (previewControl && previousPreviewProc)
        SetWindowLongPtrA(previewControl, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(previousPreviewProc));
    previousPreviewProc = nullptr;
    previewControl = nullptr;
    FreePreviewImage(&editorPreview);
    FreePreviewGBuffer();
}

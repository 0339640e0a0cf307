/*
 * preview.h - the flare rendered by the host into a DIB shown 1:1 in an
 * owner-drawn button: the image record, the editor's G-buffer, the render
 * with its feedback (progress line, wait cursor), dragging the light and
 * the clipboard copy.
 */
#ifndef PREVIEW_H
#define PREVIEW_H

#include <windows.h>
#include "host/kalvos_core.h"

struct PreviewImage {
    int16_t valid;             /* everything allocated; nothing is drawn while 0 */
    int16_t rendered;          /* pixels hold a conversion */
    int16_t controlId;         /* owner-drawn button the image is drawn into */
    int16_t paletted;          /* 8-bit paletted form, else 24-bit */
    LOGPALETTE *logicalPalette;   /* paletted form: 256 entries, host memory */
    HPALETTE palette;
    BITMAPINFOHEADER *header;  /* followed by 256 WORD indices when paletted */
    unsigned char *pixels;     /* bottom-up rows of rowLength bytes */
    int16_t rowLength;         /* bytes a row, padded to 4 */
};

#define PALETTE_MAP_FIRST  10    /* palette index of colour map entry 0 */
#define COLOR_MAP_ENTRIES  225   /* 5 red x 9 green x 5 blue levels */

/* Module state of the editor's preview (one editor at a time). */
extern PreviewImage editorPreview;
extern int16_t renderBusy;            /* a render is in progress */
extern int16_t flareX, flareY;        /* light position, G-buffer pixels, y up */
extern HWND previewControl;
extern WNDPROC previousPreviewProc;
/* Tests set it to get the paletted form on a true-colour display. */
extern bool forcePaletteDisplay;
/* Tests set it to check the four-pixel conversion where the eight-pixel
 * one would run. */
extern bool plainVectorConversion;

bool IsPaletteDisplay();
int CreatePreviewImage(PreviewImage *image, int16_t controlId, int width, int height,
                       int bytesPerPixel);
void FreePreviewImage(PreviewImage *image);
bool AllocPreviewGBuffer(int width, int height);
void FreePreviewGBuffer();
KaGBuffer *PreviewGBuffer();
int16_t PreviewGBufferHeight();       /* H of the mouse mapping y = H - mouse y - 1 */
/* Red, green and blue to 0, the fourth channel to 1, as before every render. */
void ClearGBuffer(KaGBuffer *buffer);
/* One frame of the editor's preview, for its refresh and the light sweep
 * alike: the G-buffer cleared, then readied by prepare when given, the
 * host's render at x, y reporting to progress (null: none), converted into
 * editorPreview.  False while a render runs or before set-up. */
bool RenderPreviewFrame(int16_t x, int16_t y, void (*prepare)(KaGBuffer *),
                        KaProgressFn progress);
/* What a refresh renders unless a view stands in: the host renders the
 * edited flare into buffer, converted into image. */
void RenderEditedFlare(KaGBuffer *buffer, int16_t x, int16_t y, PreviewImage *image);
/* Another view of the flare (solo, snapshot), set while it shows: every
 * refresh of the preview calls it instead of RenderEditedFlare; the light
 * sweep's frames are always the edited flare. */
typedef void (*PreviewView)(KaGBuffer *buffer, int16_t x, int16_t y, PreviewImage *image);
extern PreviewView previewView;
void ConvertGBufferToImage(const KaGBuffer *gbuffer, PreviewImage *image);
/* One row of the 24-bit form: blue, green, red bytes, each the low byte of
 * trunc(channel x 255.0). */
void ConvertRowTo24Bit(const float *red, const float *green, const float *blue, int width,
                       unsigned char *out);
void RefreshPreview(int16_t x, int16_t y);
LRESULT PreviewImageMessage(PreviewImage *image, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam, int16_t *handled);
int PreviewProgress(KaToken phase, float fraction);
int PumpTimerMessages();

void LoadPreviewCursors();
void SetArrowCursor();
void SetWaitCursor();
void RestoreCursor();
HCURSOR CurrentCursor();

/* Editor start-up and tear-down of everything above.  The start-up begins
 * with ResetRenderFeedback (no render under way, the arrow shown), which
 * the editor also calls as it opens, before the preview's turn. */
void ResetRenderFeedback();
void SetUpEditorPreview(HWND dialog);
void TearDownEditorPreview(HWND dialog);
/* The preview's share of the procedure of the dialog that holds it, asked
 * before anything else: palette and drawing messages of editorPreview and
 * the wait cursor when the render timer fires.  *handled says the message
 * was answered with the result. */
LRESULT EditorPreviewMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                             int16_t *handled);

/* Dragging the light and the right-button clipboard copy. */
LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool CopyImageToClipboard(HWND window, PreviewImage *image);   /* true when placed */
/* Forgets a drag in progress (the editor's set-up and tear-down). */
void CancelPreviewDrag();
/* Keys on the focused preview, from the editor's key filter: the arrows
 * move the light a pixel (Shift: ten), Ctrl+C copies the small rendering
 * as a right click does.  True when the key was the preview's. */
bool HandlePreviewKey(const MSG *msg);
/* The dotted frame of a preview that the keyboard gave the focus, drawn
 * over the picture by the dialog's WM_DRAWITEM. */
void DrawPreviewFocus(const DRAWITEMSTRUCT *item);
/* A part with a handle of its own on the preview (the split view's
 * divider): offered the mouse messages first; true when it took one, which
 * then moves no light. */
typedef bool (*PreviewMouseFilter)(HWND window, UINT message, LPARAM lParam);
extern PreviewMouseFilter previewMouseFilter;

/* A notice in plain words in a band at the preview's foot, right above
 * the flash warning when one stands; it stands for previewNoticeMs (tests
 * shorten it) or until the editor goes.  A new notice replaces the last. */
#define PREVIEW_NOTICE_COLOR RGB(255, 250, 205)
extern int previewNoticeMs;
void ShowPreviewNotice(HWND dialog, const char *text);
void ClearPreviewNotice();
const char *PreviewNotice();   /* "" when none stands */
void DrawPreviewNotice(HDC dc, int width, int height);

/* Track callback of radius sliders: outlines the radius on the preview. */
void DrawRadiusOverlay(KaToken phase, int16_t controlId, float value);

#endif

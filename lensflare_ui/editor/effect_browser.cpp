/*
 * effect_browser.cpp - the "Effect Browser" dialog.  It opens at once on
 * the pictures kept from before and draws the others in slices between
 * messages (the plug-in starts no threads): timer slices, the lowest
 * message there is, so typing, scrolling and painting always come first;
 * the selected file's large picture first, then the tiles in view, then
 * the rest.  Every picture comes from the temporary light, so browsing
 * never touches the edited flare; only Apply does, as Library Load does.
 */
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor/editor.h"
#include "editor/effect_browser.h"
#include "editor/undo.h"
#include "entry/plugin.h"
#include "library/temp_light.h"
#include "panel/panel.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

namespace {

/* The one browser of the process; set from WM_INITDIALOG to WM_DESTROY. */
struct Browser {
    HWND dialog, editor, grid, filter;
    WNDPROC filterProc;               /* the filter box's own procedure */
    EffectCatalogue catalogue;
    EffectThumbnail **shown;          /* the files whose names match the filter */
    int32_t shownCount;
    KaGBuffer *tileBuffer, *pictureBuffer;
    PreviewImage tileImage;           /* 24-bit scratch of one tile */
    PreviewImage picture;             /* the selected file, at the preview's size */
    const EffectThumbnail *pictureOf; /* what picture shows; null while it is to be drawn */
    int16_t tileX, tileY;             /* the light in tile pixels, y up */
    int16_t pictureWidth, pictureHeight;
} browser;

const int kFilterSize = 256;
const char kBrowseKey = 'B';   /* with Ctrl, anywhere in the editor */
const double kSliceMs = 25.0;   /* longest slice of drawing before messages are looked at */
const int kSpacing = 7;         /* pixels between the dialog's parts */

double NowMs()
{
    LARGE_INTEGER t, frequency;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&frequency);
    return (double)t.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

EffectThumbnail *SelectedFile()
{
    LRESULT tile = SendMessageA(browser.grid, GM_GETSELECTION, 0, 0);
    return tile >= 0 && tile < browser.shownCount ? browser.shown[tile] : nullptr;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

bool NameMatches(const char *name, const char *filter)
{
    size_t n = std::strlen(filter);
    for (const char *at = name; *at; at++) {
        size_t i = 0;
        while (i < n && at[i] && Lower(at[i]) == Lower(filter[i]))
            i++;
        if (i == n)
            return true;
    }
    return n == 0;
}

int32_t PendingCount()
{
    int32_t pending = 0;
    for (int32_t i = 0; i < browser.catalogue.count; i++)
        pending += !ThumbnailIsCurrent(browser.catalogue.files[i], browser.tileX, browser.tileY);
    return pending;
}

void ShowStatus()
{
    char text[FILE_NAME_SIZE + 128];
    int32_t all = browser.catalogue.count;
    const char *noun = all == 1 ? "effect" : "effects";
    int n = browser.shownCount == all
                ? std::snprintf(text, sizeof text, "%d %s", (int)all, noun)
                : std::snprintf(text, sizeof text, "%d of %d %s", (int)browser.shownCount,
                                (int)all, noun);
    int32_t pending = PendingCount();
    if (pending)
        n += std::snprintf(text + n, sizeof text - (size_t)n, ", %d to draw", (int)pending);
    if (browser.catalogue.unreadableCount)
        std::snprintf(text + n, sizeof text - (size_t)n, ".  Cannot read the folder %s%s",
                      browser.catalogue.unreadable,
                      browser.catalogue.unreadableCount > 1 ? " and others" : "");
    SetDlgItemTextA(browser.dialog, IDC_BROWSER_STATUS, text);
}

/* The name under the large picture, and the reason a file cannot be used. */
void ShowSelectedName()
{
    const EffectThumbnail *t = SelectedFile();
    char text[FILE_NAME_SIZE + 64] = "";
    if (t && t->state == THUMBNAIL_FAILED)
        std::snprintf(text, sizeof text, "%s\n%s: cannot be applied", t->path, t->reason);
    else if (t)
        std::snprintf(text, sizeof text, "%s", t->path);
    SetDlgItemTextA(browser.dialog, IDC_BROWSER_NAME, text);
    EnableWindow(GetDlgItem(browser.dialog, IDC_BROWSER_APPLY),
                 t && t->state != THUMBNAIL_FAILED);
}

void WakeSlices()
{
    SetTimer(browser.dialog, IDT_BROWSER_SLICE, BROWSER_SLICE_MS, nullptr);
}

void SelectionChanged()
{
    browser.pictureOf = nullptr;
    browser.picture.rendered = 0;
    SetDlgItemTextA(browser.dialog, IDC_BROWSER_PICTURE, "");
    InvalidateRect(GetDlgItem(browser.dialog, IDC_BROWSER_PICTURE), nullptr, FALSE);
    ShowSelectedName();
    WakeSlices();
}

int32_t IndexShown(const EffectThumbnail *t)
{
    for (int32_t i = 0; i < browser.shownCount; i++)
        if (browser.shown[i] == t)
            return i;
    return -1;
}

/* The tiles whose names hold the filter's text; the selection stays on
 * its file while that is among them. */
void ApplyFilter(const EffectThumbnail *keep)
{
    char filter[kFilterSize] = "";
    GetWindowTextA(browser.filter, filter, sizeof filter);
    browser.shownCount = 0;
    for (int32_t i = 0; i < browser.catalogue.count; i++)
        if (NameMatches(browser.catalogue.files[i]->name, filter))
            browser.shown[browser.shownCount++] = browser.catalogue.files[i];
    SendMessageA(browser.grid, GM_SETTILES, (WPARAM)browser.shownCount,
                 reinterpret_cast<LPARAM>(browser.shown));
    int32_t at = IndexShown(keep);
    SendMessageA(browser.grid, GM_SETSELECTION, (WPARAM)(at >= 0 ? at : 0), 0);
    SelectionChanged();
    ShowStatus();
}

/* ---- drawing in slices ------------------------------------------------ */

void DrawPicture(const EffectThumbnail *t)
{
    browser.pictureOf = t;
    int32_t status = LoadFileIntoTempLight(t->path);
    if (status == 0 &&
        RenderTempLightImage(browser.pictureBuffer, &browser.picture, flareX, flareY)) {
        SetDlgItemTextA(browser.dialog, IDC_BROWSER_PICTURE, "");
    } else {
        browser.picture.rendered = 0;
        SetDlgItemTextA(browser.dialog, IDC_BROWSER_PICTURE,
                        status ? LoadFailureReason(status) : "Not enough memory");
    }
    InvalidateRect(GetDlgItem(browser.dialog, IDC_BROWSER_PICTURE), nullptr, FALSE);
}

void DrawTile(EffectThumbnail *t)
{
    DrawEffectThumbnail(t, browser.tileBuffer, &browser.tileImage, browser.tileX, browser.tileY);
    int32_t at = IndexShown(t);
    if (at >= 0)
        SendMessageA(browser.grid, GM_REDRAWTILE, (WPARAM)at, 0);
    if (t == SelectedFile())
        ShowSelectedName();
}

EffectThumbnail *FirstToDraw(EffectThumbnail **files, int32_t first, int32_t last)
{
    for (int32_t i = first; i <= last; i++)
        if (!ThumbnailIsCurrent(files[i], browser.tileX, browser.tileY))
            return files[i];
    return nullptr;
}

/* One picture more, the most wanted first; false when all are drawn. */
bool DrawNext()
{
    const EffectThumbnail *selected = SelectedFile();
    if (selected && browser.pictureOf != selected) {
        DrawPicture(selected);
        return true;
    }
    int32_t range[2] = {0, -1};
    SendMessageA(browser.grid, GM_GETVISIBLE, 0, reinterpret_cast<LPARAM>(range));
    EffectThumbnail *next = FirstToDraw(browser.shown, range[0], range[1]);
    if (!next)
        next = FirstToDraw(browser.shown, 0, browser.shownCount - 1);
    if (!next)
        next = FirstToDraw(browser.catalogue.files, 0, browser.catalogue.count - 1);
    if (!next)
        return false;
    DrawTile(next);
    return true;
}

/* A render of the editor pumps timer messages: a slice then waits. */
void DrawSlice()
{
    if (renderBusy)
        return;
    double start = NowMs();
    bool more;
    do
        more = DrawNext();
    while (more && NowMs() - start < kSliceMs && !HIWORD(GetQueueStatus(QS_INPUT)));
    if (!more)
        KillTimer(browser.dialog, IDT_BROWSER_SLICE);
    ShowStatus();
}

/* ---- keys, layout and the dialog's life ------------------------------- */

/* Arrow and page keys in the filter box move the selection; everything
 * else is typing. */
LRESULT CALLBACK FilterBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN) {
        switch (wParam) {
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
            SendMessageA(browser.grid, GM_MOVESELECTION, wParam, 0);
            return 0;
        }
    }
    return CallWindowProcA(browser.filterProc, box, message, wParam, lParam);
}

void MoveItem(int id, int x, int y, int width, int height)
{
    MoveWindow(GetDlgItem(browser.dialog, id), x, y, width, height, TRUE);
}

int ItemHeight(int id)
{
    RECT r;
    GetWindowRect(GetDlgItem(browser.dialog, id), &r);
    return r.bottom - r.top;
}

/* The picture keeps the preview's size at the right; the grid takes the
 * rest of the height and width. */
void Layout()
{
    RECT client;
    GetClientRect(browser.dialog, &client);
    int statusHeight = ItemHeight(IDC_BROWSER_STATUS);
    int buttonHeight = ItemHeight(IDC_BROWSER_APPLY);
    int filterHeight = ItemHeight(IDC_BROWSER_FILTER);
    int right = client.right - kSpacing;
    int pictureLeft = right - browser.pictureWidth;
    int top = kSpacing + filterHeight + kSpacing;
    int statusTop = client.bottom - kSpacing - statusHeight;
    MoveItem(IDC_BROWSER_GRID, kSpacing, top, pictureLeft - 2 * kSpacing, statusTop - kSpacing - top);
    MoveItem(IDC_BROWSER_PICTURE, pictureLeft, top, browser.pictureWidth, browser.pictureHeight);
    int nameTop = top + browser.pictureHeight + kSpacing;
    MoveItem(IDC_BROWSER_NAME, pictureLeft, nameTop, browser.pictureWidth, 2 * filterHeight);
    int buttonsTop = nameTop + 2 * filterHeight + kSpacing;
    int buttonWidth = (browser.pictureWidth - kSpacing) / 2;
    MoveItem(IDC_BROWSER_APPLY, pictureLeft, buttonsTop, buttonWidth, buttonHeight);
    MoveItem(IDCANCEL, right - buttonWidth, buttonsTop, buttonWidth, buttonHeight);
    MoveItem(IDC_BROWSER_STATUS, kSpacing, statusTop, client.right - 2 * kSpacing, statusHeight);
    InvalidateRect(browser.dialog, nullptr, TRUE);
}

/* Smallest size: one column of tiles beside the picture and its buttons. */
void MinimumSize(MINMAXINFO *limits)
{
    RECT r = {0, 0, GRID_CELL_WIDTH + GetSystemMetrics(SM_CXVSCROLL) + browser.pictureWidth + 4 * kSpacing,
              browser.pictureHeight + 160};
    AdjustWindowRectEx(&r, (DWORD)GetWindowLongA(browser.dialog, GWL_STYLE), FALSE,
                       (DWORD)GetWindowLongA(browser.dialog, GWL_EXSTYLE));
    limits->ptMinTrackSize.x = r.right - r.left;
    limits->ptMinTrackSize.y = r.bottom - r.top;
}

/* The editor's preview size and light, scaled to a tile. */
void TakeEditorLight()
{
    const BITMAPINFOHEADER *header = editorPreview.valid ? editorPreview.header : nullptr;
    browser.pictureWidth = (int16_t)(header ? header->biWidth : THUMBNAIL_WIDTH * 2);
    browser.pictureHeight = (int16_t)(header ? header->biHeight : THUMBNAIL_HEIGHT * 2);
    browser.tileX = (int16_t)(flareX * THUMBNAIL_WIDTH / browser.pictureWidth);
    browser.tileY = (int16_t)(flareY * THUMBNAIL_HEIGHT / browser.pictureHeight);
}

bool AllocateImages()
{
    browser.tileBuffer = Ki_Alloc_Global_GBuffer(THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, THUMBNAIL_HEIGHT, 0);
    browser.pictureBuffer = Ki_Alloc_Global_GBuffer(browser.pictureWidth, browser.pictureHeight,
                                                    browser.pictureHeight, 0);
    if (CreatePreviewImage(&browser.tileImage, 0, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, 3) != 0)
        return false;
    if (CreatePreviewImage(&browser.picture, IDC_BROWSER_PICTURE, browser.pictureWidth,
                           browser.pictureHeight, IsPaletteDisplay() ? 1 : 3) != 0)
        return false;
    return browser.tileBuffer && browser.pictureBuffer;
}

/* The file the editor loaded last, when the library has it. */
const EffectThumbnail *LastLoaded()
{
    for (int32_t i = 0; lastLibraryFile && i < browser.catalogue.count; i++)
        if (lstrcmpiA(browser.catalogue.files[i]->path, lastLibraryFile) == 0)
            return browser.catalogue.files[i];
    return nullptr;
}

void OnInitDialog(HWND dialog, HWND editor)
{
    browser = Browser();
    browser.dialog = dialog;
    browser.editor = editor;
    browser.grid = GetDlgItem(dialog, IDC_BROWSER_GRID);
    browser.filter = GetDlgItem(dialog, IDC_BROWSER_FILTER);
    TakeEditorLight();
    CreateTempLight();
    AllocateImages();
    ScanEffectLibrary(&browser.catalogue, lastLibraryFile);
    browser.shown = static_cast<EffectThumbnail **>(
        std::calloc((size_t)browser.catalogue.count + 1, sizeof(EffectThumbnail *)));
    browser.filterProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        browser.filter, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FilterBoxProc)));
    SendMessageA(browser.filter, EM_LIMITTEXT, kFilterSize - 1, 0);
    Layout();
    if (browser.shown)
        ApplyFilter(LastLoaded());
    SetFocus(browser.filter);
}

void OnDestroy()
{
    KillTimer(browser.dialog, IDT_BROWSER_SLICE);
    if (browser.filterProc)
        SetWindowLongPtrA(browser.filter, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(browser.filterProc));
    FreeEffectCatalogue(&browser.catalogue);
    if (browser.shown)
        std::free(browser.shown);
    FreePreviewImage(&browser.tileImage);
    FreePreviewImage(&browser.picture);
    if (browser.tileBuffer)
        Ki_Free_Global_GBuffer(browser.tileBuffer);
    if (browser.pictureBuffer)
        Ki_Free_Global_GBuffer(browser.pictureBuffer);
    RemoveTempLight();
    browser = Browser();
}

/* A file that no longer loads is crossed instead, and nothing changes. */
void ApplySelected()
{
    EffectThumbnail *t = SelectedFile();
    if (!t || t->state == THUMBNAIL_FAILED)
        return;
    int32_t status = LoadFileIntoTempLight(t->path);
    if (status != 0) {
        t->state = THUMBNAIL_FAILED;
        t->reason = LoadFailureReason(status);
        SendMessageA(browser.grid, GM_REDRAWTILE, (WPARAM)IndexShown(t), 0);
        ShowSelectedName();
        return;
    }
    ApplyLensEffectFile(browser.editor, t->path, t->name);
}

void OnCommand(int id, int code)
{
    switch (id) {
    case IDC_BROWSER_FILTER:
        if (code == EN_CHANGE)
            ApplyFilter(SelectedFile());
        return;
    case IDC_BROWSER_GRID:
        if (code == GRIDN_SELCHANGE)
            SelectionChanged();
        else if (code == GRIDN_DBLCLK)
            ApplySelected();
        return;
    case IDC_BROWSER_APPLY:
    case IDOK:
        ApplySelected();
        return;
    case IDCANCEL:
        EndDialog(browser.dialog, 0);
        return;
    }
}

INT_PTR OnDrawItem(const DRAWITEMSTRUCT *item)
{
    if (item->CtlID != IDC_BROWSER_PICTURE || browser.picture.rendered)
        return 0;
    DrawEmptyPreview(item);
    return 1;
}

} // namespace

INT_PTR CALLBACK EffectBrowserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (browser.dialog == dialog) {
        int16_t handled = 0;
        LRESULT filtered =
            PreviewImageMessage(&browser.picture, dialog, message, wParam, lParam, &handled);
        if (handled)
            return filtered;
    }
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog, reinterpret_cast<HWND>(lParam));
        return FALSE;
    case WM_DESTROY:
        if (browser.dialog == dialog)
            OnDestroy();
        return 0;
    case WM_SIZE:
        if (browser.dialog == dialog)
            Layout();
        return 0;
    case WM_GETMINMAXINFO:
        if (browser.dialog == dialog)
            MinimumSize(reinterpret_cast<MINMAXINFO *>(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == IDT_BROWSER_SLICE && browser.dialog == dialog)
            DrawSlice();
        return 0;
    case WM_DRAWITEM:
        return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
    case WM_COMMAND:
        if (browser.dialog == dialog)
            OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 1;
    }
    return 0;
}

void OpenEffectBrowser(HWND editor)
{
    if (browser.dialog || !currentInstance)
        return;
    StopLightSweep();
    HINSTANCE module = currentInstance->moduleInstance;
    RegisterEffectGridClass(module);
    DialogBoxParamA(module, "EffectBrowser", editor, EffectBrowserProc,
                    reinterpret_cast<LPARAM>(editor));
}

int ApplyLensEffectFile(HWND editor, const char *path, const char *fileName)
{
    char stepName[UNDO_NAME_SIZE];
    std::snprintf(stepName, sizeof stepName, "Apply %s", fileName);
    UndoStep step(stepName);
    char name[FILE_NAME_SIZE];
    std::snprintf(name, sizeof name, "%s", path);
    for (char *c = name; *c; c++)
        *c = Lower(*c);
    bool loaded = LoadChosenLibraryFile(editor, name);
    UpdateWindow(editor);
    return loaded ? 1 : 0;
}

/* Undo's keys typed in the browser are the editor's, so that an artist
 * can try a look and take it back with the browser still open. */
bool UndoKeyInBrowser(const MSG *msg, HWND editor)
{
    MSG inEditor = *msg;
    inEditor.hwnd = editor;
    return HandleUndoKeyMessage(&inEditor);
}

bool HandleBrowserKey(const MSG *msg)
{
    HWND editor = currentInstance ? currentInstance->dialog : nullptr;
    if (editor && browser.dialog && msg->message == WM_KEYDOWN &&
        (msg->hwnd == browser.dialog || IsChild(browser.dialog, msg->hwnd)))
        return UndoKeyInBrowser(msg, editor);
    if (!editor || msg->message != WM_KEYDOWN || msg->wParam != (WPARAM)kBrowseKey ||
        GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0 || GetKeyState(VK_SHIFT) < 0)
        return false;
    if (msg->hwnd != editor && !IsChild(editor, msg->hwnd))
        return false;
    OpenEffectBrowser(editor);
    return true;
}

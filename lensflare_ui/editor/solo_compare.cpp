/*
 * solo_compare.cpp - the preview's other views: the selected element
 * alone, and snapshot A whole or left of a divider the user drags.
 *
 * A view stands in for the host's render of the user's flare: solo and A
 * are copied onto the temporary light, rendered there and the light is
 * removed again, so the user's light sees no call from them.  A's picture
 * is kept while the light stays put, so an edit in the split view costs one
 * render of the current flare; moving the light costs one more.
 */
#include <cstring>
#include <new>

#include "editor/editor.h"
#include "editor/solo_compare.h"
#include "editor/undo.h"
#include "editor/undo_state.h"
#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "library/temp_light.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

namespace {

/* All of it owned by SetUpSoloCompare / TearDownSoloCompare. */
struct Views {
    HWND dialog;
    bool solo;
    const FlareElement *soloShown;   /* element of the last solo render */
    FlareState *snapshot;            /* A, or null */
    bool compareToggled;             /* A whole from the menu */
    bool compareHeld;                /* A whole while the key is down */
    bool split;
    int dividerX;                    /* preview pixels; A is left of it */
    bool draggingDivider;
    PreviewImage snapshotImage;      /* A rendered at snapshotX, snapshotY */
    KaGBuffer *snapshotBuffer;
    int16_t snapshotX, snapshotY;
    PreviewImage currentImage;       /* the current flare's render of the split view */
    bool tempHoldsSnapshot;          /* the temporary light is A's, kept while A shows */
} views;

const char kSoloMark[] = "Solo";
const char kSnapshotMark[] = "A";
const int kDividerGrip = 4;          /* pixels either side of the divider that take it */
const int kDividerStep = 10;         /* pixels a Ctrl+arrow moves it */
const COLORREF kMarkColor = RGB(255, 255, 255);

int PreviewWidth()
{
    return editorPreview.header ? editorPreview.header->biWidth : 0;
}

int PreviewHeight()
{
    return editorPreview.header ? editorPreview.header->biHeight : 0;
}

const FlareElement *SelectedElement()
{
    return CurrentOrSelectedElement(views.dialog);
}

/* The globals and the one element of the user's flare on the temporary
 * light; the element written with the light's guid and its own values. */
void RenderSolo(KaGBuffer *buffer, int16_t x, int16_t y, PreviewImage *image)
{
    const FlareElement *element = SelectedElement();
    views.soloShown = element;
    LensFlareModel *temp = nullptr;
    BuildTempFlare(element ? &element->name : nullptr, element ? 1 : 0, &temp);
    LensFlareModel shown = *currentInstance->model;
    FlareElement alone = {};
    shown.numElements = 0;
    shown.firstElement = nullptr;
    if (element && temp && temp->firstElement) {
        alone = *element;
        alone.guid = temp->firstElement->guid;
        alone.prev = alone.next = nullptr;
        shown.numElements = 1;
        shown.firstElement = &alone;
    }
    WriteTempFlare(&shown);
    RenderTempLight(buffer, x, y, PreviewProgress);
    FreeLensFlareModel(&temp);
    RemoveTempLight();
    views.tempHoldsSnapshot = false;
    ConvertGBufferToImage(buffer, image);
}

bool MakeSnapshotImage()
{
    if (views.snapshotImage.valid && views.snapshotBuffer)
        return true;
    int width = PreviewWidth(), height = PreviewHeight();
    if (CreatePreviewImage(&views.snapshotImage, IDC_PREVIEW, width, height,
                           editorPreview.paletted ? 1 : 3) != 0)
        return false;
    views.snapshotBuffer = Ki_Alloc_Global_GBuffer(width, height, height, 0);
    return views.snapshotBuffer != nullptr;
}

/* The temporary light holds A while A shows, so that moving the light
 * costs a render alone; it is checked each time, since the library
 * requestor removes the light when it closes. */
bool TempLightHoldsSnapshot()
{
    if (!views.tempHoldsSnapshot || !TempLightExists())
        return false;
    int32_t count = -1;
    Ki_Inquire_LensFlare(Token("light"), tempLightName, Token("numelements"), &count, 0);
    return count == views.snapshot->elementCount;
}

void PutSnapshotOnTempLight()
{
    const FlareState *a = views.snapshot;
    const char **types = new (std::nothrow) const char *[(size_t)a->elementCount + 1];
    if (!types)
        return;
    for (int32_t i = 0; i < a->elementCount; i++)
        types[i] = IdentityTypeName(StateIdentityAt(a, i));
    LensFlareModel *temp = nullptr;
    BuildTempFlare(types, a->elementCount, &temp);
    delete[] types;
    if (temp) {
        CopyStateValues(a, temp);
        WriteTempFlare(temp);
    }
    FreeLensFlareModel(&temp);
    views.tempHoldsSnapshot = true;
}

void ReleaseTempLight()
{
    if (views.tempHoldsSnapshot)
        RemoveTempLight();
    views.tempHoldsSnapshot = false;
}

/* A's picture with the light at (x, y), rendered only when it moved. */
bool RenderSnapshot(int16_t x, int16_t y)
{
    if (!views.snapshot || !MakeSnapshotImage())
        return false;
    if (views.snapshotImage.rendered && x == views.snapshotX && y == views.snapshotY)
        return true;
    if (!TempLightHoldsSnapshot())
        PutSnapshotOnTempLight();
    /* One progress line a refresh: the current flare's, or none. */
    RenderTempLight(views.snapshotBuffer, x, y, nullptr);
    ConvertGBufferToImage(views.snapshotBuffer, &views.snapshotImage);
    views.snapshotX = x;
    views.snapshotY = y;
    return true;
}

void CopyPixels(const PreviewImage *from, PreviewImage *to, int firstColumn, int endColumn)
{
    if (!from->rendered || !to->pixels || !from->pixels)
        return;
    int bytesPerPixel = to->paletted ? 1 : 3;
    size_t start = (size_t)firstColumn * bytesPerPixel;
    size_t bytes = (size_t)(endColumn - firstColumn) * bytesPerPixel;
    for (int row = 0; row < PreviewHeight(); row++) {
        size_t at = (size_t)row * to->rowLength + start;
        std::memcpy(to->pixels + at, from->pixels + at, bytes);
    }
    to->rendered = 1;
}

/* A left of the divider, the current flare right of it. */
void ComposeSplit()
{
    int divider = views.dividerX;
    CopyPixels(&views.snapshotImage, &editorPreview, 0, divider);
    CopyPixels(&views.currentImage, &editorPreview, divider, PreviewWidth());
}

void RenderSplit(KaGBuffer *buffer, int16_t x, int16_t y, PreviewImage *image)
{
    RenderEditedFlare(buffer, x, y, image);
    if (!views.currentImage.valid &&
        CreatePreviewImage(&views.currentImage, IDC_PREVIEW, PreviewWidth(), PreviewHeight(),
                           image->paletted ? 1 : 3) != 0)
        return;
    CopyPixels(image, &views.currentImage, 0, PreviewWidth());
    if (RenderSnapshot(x, y))
        ComposeSplit();
}

void RenderView(KaGBuffer *buffer, int16_t x, int16_t y, PreviewImage *image)
{
    if (SnapshotShown()) {
        if (RenderSnapshot(x, y))
            CopyPixels(&views.snapshotImage, image, 0, PreviewWidth());
    } else if (SplitViewShown()) {
        RenderSplit(buffer, x, y, image);
    } else {
        RenderSolo(buffer, x, y, image);
    }
}

void CheckItem(HMENU menu, UINT command, bool on)
{
    CheckMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void UpdateMenu()
{
    HMENU menu = GetSystemMenu(views.dialog, FALSE);
    if (!menu)
        return;
    CheckItem(menu, IDM_SOLO_ELEMENT, views.solo);
    CheckItem(menu, IDM_COMPARE_SNAPSHOT, views.compareToggled);
    CheckItem(menu, IDM_SPLIT_VIEW, views.split);
    UINT held = MF_BYCOMMAND | (views.snapshot ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, IDM_COMPARE_SNAPSHOT, held);
    EnableMenuItem(menu, IDM_SPLIT_VIEW, held);
    EnableMenuItem(menu, IDM_RESTORE_SNAPSHOT, held);
}

/* The view that now stands in for the flare, shown at once; the flare's
 * own picture is rendered again only when a view gives way to it. */
void ShowView()
{
    UpdateMenu();
    PreviewView wanted = SnapshotShown() || SplitViewShown() || views.solo ? RenderView : nullptr;
    if (!views.dialog || (!wanted && !previewView))
        return;
    previewView = wanted;
    RefreshPreview(-1, -1);
    if (!SnapshotShown() && !SplitViewShown())
        ReleaseTempLight();
}

bool NearDivider(int x)
{
    return x >= views.dividerX - kDividerGrip && x <= views.dividerX + kDividerGrip;
}

void MoveDivider(int x)
{
    int width = PreviewWidth();
    views.dividerX = x < 0 ? 0 : (x > width ? width : x);
    ComposeSplit();
    if (previewControl)
        InvalidateRect(previewControl, nullptr, FALSE);
}

/* The divider is the split view's; everywhere else the light moves as
 * ever. */
bool DividerMouse(HWND window, UINT message, LPARAM lParam)
{
    int x = (int16_t)LOWORD(lParam);
    switch (message) {
    case WM_LBUTTONDOWN:
        if (views.draggingDivider || !SplitViewShown() || SnapshotShown() || !NearDivider(x))
            return views.draggingDivider;
        views.draggingDivider = true;
        SetCapture(window);
        return true;
    case WM_MOUSEMOVE:
        if (views.draggingDivider)
            MoveDivider(x);
        return views.draggingDivider;
    case WM_LBUTTONUP:
    case WM_CANCELMODE:
        if (!views.draggingDivider)
            return false;
        views.draggingDivider = false;
        ReleaseCapture();
        return true;
    case WM_CAPTURECHANGED:
        if (views.draggingDivider && (HWND)lParam != window)
            views.draggingDivider = false;
        return false;
    }
    return false;
}

void DrawMark(HDC dc, int x, const char *text)
{
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    COLORREF oldText = SetTextColor(dc, kMarkColor);
    COLORREF oldBack = SetBkColor(dc, RGB(0, 0, 0));
    int oldMode = SetBkMode(dc, OPAQUE);
    TextOutA(dc, x + 4, 3, text, (int)std::strlen(text));
    SetBkMode(dc, oldMode);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    SelectObject(dc, oldFont);
}

void DrawDivider(HDC dc)
{
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    MoveToEx(dc, views.dividerX, 0, nullptr);
    LineTo(dc, views.dividerX, PreviewHeight());
    SelectObject(dc, oldPen);
}

bool IsEditorMessage(const MSG *msg)
{
    return msg->hwnd == views.dialog || IsChild(views.dialog, msg->hwnd);
}

bool NoModifiers()
{
    return GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0 &&
           GetKeyState(VK_SHIFT) >= 0;
}

void HoldCompareKey(bool down)
{
    if (views.compareHeld == down || (down && !views.snapshot))
        return;
    views.compareHeld = down;
    ShowView();
}

void ForgetViews()
{
    ReleaseTempLight();
    FreeFlareState(views.snapshot);
    FreePreviewImage(&views.snapshotImage);
    FreePreviewImage(&views.currentImage);
    if (views.snapshotBuffer)
        Ki_Free_Global_GBuffer(views.snapshotBuffer);
    views = Views();
}

/* Ctrl+Left and Ctrl+Right on the focused preview move the split view's
 * divider, as a drag of it does. */
bool DividerKey(const MSG *msg)
{
    if (msg->message != WM_KEYDOWN || msg->hwnd != previewControl || !SplitViewShown() ||
        SnapshotShown() || GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0 ||
        (msg->wParam != VK_LEFT && msg->wParam != VK_RIGHT))
        return false;
    MoveDivider(views.dividerX + (msg->wParam == VK_LEFT ? -kDividerStep : kDividerStep));
    return true;
}

} // namespace

void SetUpSoloCompare(HWND dialog)
{
    TearDownSoloCompare();
    views.dialog = dialog;
    views.dividerX = PreviewWidth() / 2;
    previewMouseFilter = DividerMouse;
    UpdateMenu();
}

void TearDownSoloCompare()
{
    if (views.draggingDivider && GetCapture())
        ReleaseCapture();
    previewView = nullptr;
    previewMouseFilter = nullptr;
    HoldOutsideState(nullptr);
    ForgetViews();
}

bool HandleSoloCompareKey(const MSG *msg)
{
    if (!views.dialog || !msg || !IsEditorMessage(msg))
        return false;
    if (DividerKey(msg))
        return true;
    if (msg->message == WM_KEYDOWN && msg->wParam == SOLO_SHORTCUT_KEY && NoModifiers()) {
        if (!(msg->lParam & (1 << 30)))   /* not the key's repeats */
            ToggleSolo(views.dialog);
        return true;
    }
    if (msg->wParam != COMPARE_SHORTCUT_KEY)
        return false;
    if (msg->message == WM_KEYDOWN && NoModifiers()) {
        HoldCompareKey(true);
        return true;
    }
    if (msg->message == WM_KEYUP) {
        HoldCompareKey(false);
        return true;
    }
    return false;
}

void SoloFollowsSelection()
{
    if (views.solo && previewView && !SnapshotShown() && !SplitViewShown() &&
        SelectedElement() != views.soloShown)
        RefreshPreview(-1, -1);
}

void DrawSoloCompareMarks(HDC dc)
{
    if (!previewView)
        return;
    if (SnapshotShown()) {
        DrawMark(dc, 0, kSnapshotMark);
    } else if (SplitViewShown()) {
        DrawDivider(dc);
        DrawMark(dc, 0, kSnapshotMark);
    } else if (views.solo) {
        DrawMark(dc, 0, kSoloMark);
    }
}

void ToggleSolo(HWND)
{
    views.solo = !views.solo;
    ShowView();
}

void HoldSnapshot(HWND)
{
    FlareState *state = CaptureCurrentFlare();
    if (!state)
        return;
    HoldOutsideState(state);
    FreeFlareState(views.snapshot);
    views.snapshot = state;
    views.snapshotImage.rendered = 0;
    ReleaseTempLight();
    if (SnapshotShown() || SplitViewShown())
        ShowView();
    else
        UpdateMenu();
}

void ToggleCompareWithSnapshot(HWND)
{
    views.compareToggled = !views.compareToggled && views.snapshot;
    ShowView();
}

void ToggleSplitView(HWND)
{
    views.split = !views.split && views.snapshot;
    ShowView();
}

void RestoreSnapshot(HWND)
{
    RestoreHeldState(views.snapshot, "Restore Snapshot");
}

bool SoloShown()
{
    return views.solo && previewView && !SnapshotShown() && !SplitViewShown();
}

bool SnapshotHeld()
{
    return views.snapshot != nullptr;
}

bool SnapshotShown()
{
    return views.snapshot && (views.compareToggled || views.compareHeld);
}

bool SplitViewShown()
{
    return views.snapshot && views.split;
}

int SplitDividerX()
{
    return views.dividerX;
}

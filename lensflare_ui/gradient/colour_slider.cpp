/*
 * colour_slider.cpp - the gradient control CColourSlider: a dialog button
 * taken over to draw a colour band with one marker per pivot, and to
 * select, drag, add, recolour and delete pivots with the mouse, and to
 * select, recolour and delete them with the keys once Tab reached it.
 *
 * Not here: the popup menu, gradient files and presets (gradient_menu.cpp,
 * gradient_files.cpp), the large edit dialog (large_gradient_dialog.cpp)
 * and the mapping to and from the model (gradient_mapping.cpp).
 *
 * The background brush is released when it is replaced (SetBackground) and
 * by the destructor, but only when the control made it itself: a brush the
 * dialog answers WM_CTLCOLORDLG with stays the dialog's.
 */
#include <cstdio>
#include <cstring>

#include "color/color.h"
#include "controls/controls.h"
#include "gradient/colour_slider.h"

namespace {

const char kPickTitle[] = "Select pivot color";
const int kMarkerHalfWidth = 3;      /* hit and drawing half width of a marker */
const int kMarkerReach = 7;          /* markers reach below the band by this */
const int kAddInset = 3;             /* no adding this close to the band's ends */
const int kMaxAddCount = 99;         /* a control with this many pivots takes no more */
const uint32_t kGrey = 0x808080;
const COLORREF kSelectedFill = RGB(0, 192, 0);
const COLORREF kMenuButtonFill = RGB(255, 255, 0);
const int kGreyRed = 71, kGreyGreen = 150, kGreyBlue = 28, kGreyShift = 8;

/* One press at a time: whichever control holds the mouse capture owns
 * these; set by a press on a pivot, cleared by release or cancel. */
bool capturing;   /* a pivot press holds the capture */
bool moved;       /* a drag changed a position since the press */

CColourSlider *Slider_Get(HWND window)
{
    return reinterpret_cast<CColourSlider *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

int Intensity(int red, int green, int blue)
{
    return ((red * kGreyRed + green * kGreyGreen + blue * kGreyBlue) >> kGreyShift) & 0xFF;
}

int IntensityOf(uint32_t c)
{
    return Intensity(RedByte(c), GreenByte(c), BlueByte(c));
}

uint32_t GreyOf(uint32_t c)
{
    int i = IntensityOf(c);
    return PackBytes(i, i, i);
}

uint32_t Shown(const CColourSlider *s, uint32_t c)
{
    return s->greyMode ? GreyOf(c) : c;
}

/* Channel by channel trunc(c0 x u + c1 x t), kept to 8 bits. */
uint32_t Mix(uint32_t c0, uint32_t c1, float u, float t)
{
    return PackBytes((int)(RedByte(c0) * u + RedByte(c1) * t),
                     (int)(GreenByte(c0) * u + GreenByte(c1) * t),
                     (int)(BlueByte(c0) * u + BlueByte(c1) * t));
}

/* Marker centre of a position in control coordinates. */
int PivotX(const CColourSlider *s, int32_t position)
{
    return position * s->barWidth / GRADIENT_LAST_POSITION + s->left;
}

/* A band too narrow to hold a position maps every x to the start. */
int32_t PositionAt(const CColourSlider *s, int x)
{
    if (s->barWidth <= 0)
        return 0;
    return (x - s->left) * GRADIENT_LAST_POSITION / s->barWidth;
}

bool InMarkerRows(const CColourSlider *s, int y)
{
    return s->top < y && y < s->top + s->margin + kMarkerReach;
}

/* 1-based index of the first pivot under the point, 0 for none. */
int32_t HitTest(const CColourSlider *s, int x, int y)
{
    if (!InMarkerRows(s, y))
        return 0;
    for (int32_t i = 0; i < s->pivots.count; i++) {
        int px = PivotX(s, s->pivots.positions[i]);
        if (px - kMarkerHalfWidth <= x && x <= px + kMarkerHalfWidth)
            return i + 1;
    }
    return 0;
}

bool InAddZone(const CColourSlider *s, int x, int y)
{
    return InMarkerRows(s, y) && s->left + kAddInset < x &&
           x < s->left + s->barWidth - kAddInset && s->pivots.count < kMaxAddCount;
}

/* The menu button's triangle, in client pixels. */
RECT MenuButtonRect(const CColourSlider *s)
{
    int right = (int16_t)(2 * s->margin + s->barWidth);
    int centre = (int16_t)(s->margin + 3);
    return {right - 6, centre - 8, right - 1, centre + 2};
}

bool OnMenuButton(const CColourSlider *s, int x, int y)
{
    if (!s->hasMenuButton)
        return false;
    RECT r = MenuButtonRect(s);
    return r.left <= x && x <= r.right && r.top <= y && y <= r.bottom;
}

/* Shift+F10 or the menu key: the menu drops from under the triangle that
 * opens it for the mouse. */
void OpenMenuByKey(CColourSlider *s)
{
    if (!s->hasMenuButton)
        return;
    RECT r = MenuButtonRect(s);
    POINT below = {r.left, r.bottom + 1};
    ClientToScreen(s->control, &below);
    ShowPopupMenuAt(s, below, TPM_LEFTBUTTON);
}

/* ---- pivot edits ------------------------------------------------------- */

int32_t InsertPivot(GradientPivots *p, int32_t position, uint32_t colour)
{
    if (p->count >= kMaxAddCount)
        return -1;
    int32_t at;
    if (position == 0)
        at = 0;
    else if (position == GRADIENT_LAST_POSITION)
        at = p->count;
    else {
        at = 1;
        while (at < p->count && p->positions[at] < position)
            at++;
    }
    for (int32_t i = p->count; i > at; i--) {
        p->colours[i] = p->colours[i - 1];
        p->positions[i] = p->positions[i - 1];
    }
    p->colours[at] = colour;
    p->positions[at] = position;
    p->count++;
    return at;
}

/* The first pivot stays; selection flags stay where they are. */
void DeletePivot(GradientPivots *p, int32_t n)
{
    if (p->count <= 1 || n <= 1 || n > p->count)
        return;
    for (int32_t i = n; i < p->count; i++) {
        p->colours[i - 1] = p->colours[i];
        p->positions[i - 1] = p->positions[i];
    }
    p->count--;
}

uint32_t DefaultColour(const GradientPivots *p, int32_t position)
{
    if (p->count <= 1)
        return kGrey;
    for (int32_t k = 1; k < p->count; k++) {
        int32_t before = p->positions[k - 1], after = p->positions[k];
        if (before < position && position < after) {
            float t = (float)(position - before) / (float)(after - before + 1);
            float u = 1.0f - t;
            uint32_t c0 = p->colours[k - 1], c1 = p->colours[k];
            return Mix(c0, c1, u, t);
        }
    }
    return kGrey;
}

/* Offers colour in the picker; true with the picked colour in *colour. */
bool PickColour(CColourSlider *s, uint32_t *colour)
{
    float rgb[3];
    UnpackColor(*colour, rgb);
    if (!SelectColor(s->control, kPickTitle, rgb))
        return false;
    if (s->greyMode) {
        int i = Intensity(ScaleComponent(rgb[0]), ScaleComponent(rgb[1]), ScaleComponent(rgb[2]));
        *colour = PackBytes(i, i, i);
    } else {
        *colour = WrappedColor(rgb);
    }
    return true;
}

void ReportChange(CColourSlider *s)
{
    if (s->changeCallback)
        s->changeCallback((int16_t)s->controlId);
}

/* ---- drawing ------------------------------------------------------------ */

void DrawBand(const CColourSlider *s, HDC image)
{
    const GradientPivots &p = s->pivots;
    int m = s->margin, w = s->barWidth;
    double scale = w / 99.0;
    HGDIOBJ oldPen = SelectObject(image, GetStockObject(DC_PEN));
    int segments = p.count > 1 ? p.count - 1 : 1;
    for (int k = 0; k < segments; k++) {
        int start, end;
        uint32_t c0, c1;
        if (p.count > 1) {
            start = (int)(p.positions[k] * scale);
            end = (int)(p.positions[k + 1] * scale);
            c0 = Shown(s, p.colours[k]);
            c1 = Shown(s, p.colours[k + 1]);
        } else {
            start = (int)(p.positions[0] * scale);
            end = (int)(99.0 * scale);
            c0 = c1 = Shown(s, p.colours[0]);
        }
        for (int x = start; x < end && x < w + m; x++) {
            float t = (float)(x - start) / (float)(end - start);
            float u = 1.0f - t;
            SetDCPenColor(image, Mix(c0, c1, u, t));
            MoveToEx(image, x + m, 0, nullptr);
            LineTo(image, x + m, m);
        }
    }
    SelectObject(image, oldPen);
}

void FillPolygon(HDC image, const POINT *points, int count, COLORREF fill)
{
    HBRUSH brush = CreateSolidBrush(fill);
    HGDIOBJ oldBrush = SelectObject(image, brush);
    HGDIOBJ oldPen = SelectObject(image, GetStockObject(BLACK_PEN));
    int oldMode = SetPolyFillMode(image, WINDING);
    Polygon(image, points, count);
    SetPolyFillMode(image, oldMode);
    SelectObject(image, oldPen);
    SelectObject(image, oldBrush);
    DeleteObject(brush);
}

void DrawLine(HDC image, int width, COLORREF colour, int x0, int y0, int x1, int y1)
{
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ oldPen = SelectObject(image, pen);
    MoveToEx(image, x0, y0, nullptr);
    LineTo(image, x1, y1);
    SelectObject(image, oldPen);
    DeleteObject(pen);
}

void DrawEdgesAndCaps(const CColourSlider *s, HDC image)
{
    int m = s->margin, w = s->barWidth;
    MoveToEx(image, m, 0, nullptr);
    LineTo(image, m + w, 0);
    MoveToEx(image, m, m, nullptr);
    LineTo(image, m + w, m);

    COLORREF first = Shown(s, s->pivots.colours[0]);
    POINT left[3] = {{m, 0}, {0, 0}, {m, m}};
    FillPolygon(image, left, 3, first);
    DrawLine(image, 1, first, m, 1, m, m - 1);

    COLORREF last = Shown(s, s->pivots.colours[s->pivots.count - 1]);
    POINT right[3] = {{m + w, 0}, {2 * m + w, 0}, {m + w, m}};
    FillPolygon(image, right, 3, last);
    DrawLine(image, 2, last, m + w, 1, m + w, m - 1);
}

/* The selected pivot's values right-aligned above the control's right
 * end, the label left-aligned above its left end, on the dialog's
 * background. */
void DrawLabelLine(const CColourSlider *s, HDC dc, uint32_t colour, int32_t position)
{
    char text[64];
    if (s->greyMode)
        snprintf(text, sizeof text, "Intensity=%d,Pos=%d",
                 IntensityOf(colour), (int)position);
    else
        snprintf(text, sizeof text, "R=%d,G=%d,B=%d,Pos=%d", RedByte(colour), GreenByte(colour),
                 BlueByte(colour), (int)position);
    int length = (int)strlen(text);
    int right = s->barWidth + 2 * s->margin;

    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(dc, RGB(0, 0, 0));
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, text, length, &extent);

    int16_t created = 0;
    HBRUSH brush = DialogBackgroundBrush(s->dialog, dc, &created);
    RECT cleared = {0, -extent.cy, right, s->margin};
    FillRect(dc, &cleared, brush);
    if (created)
        DeleteObject(brush);

    int baseline = -(extent.cy / 6);
    UINT oldAlign = SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
    TextOutA(dc, right, baseline, text, length);
    if (s->label) {
        SetTextAlign(dc, TA_LEFT | TA_BOTTOM);
        TextOutA(dc, 0, baseline, s->label, (int)strlen(s->label));
    }
    SetTextAlign(dc, oldAlign);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

void DrawMarkers(const CColourSlider *s, HDC image, HDC labelDc)
{
    if (s->detached)
        return;
    for (int32_t i = 0; i < s->pivots.count; i++) {
        int x = s->barWidth * s->pivots.positions[i] / GRADIENT_LAST_POSITION + s->margin;
        POINT marker[5] = {{x, 7}, {x + 3, 12}, {x + 3, 22}, {x - 3, 22}, {x - 3, 12}};
        bool selected = s->pivots.selected[i] != 0;
        FillPolygon(image, marker, 5, selected ? kSelectedFill : GetSysColor(COLOR_BTNFACE));
        if (selected)
            DrawLabelLine(s, labelDc, s->pivots.colours[i], s->pivots.positions[i]);
    }
}

void DrawMenuButton(const CColourSlider *s, HDC image)
{
    if (!s->hasMenuButton)
        return;
    int r = s->barWidth + 2 * s->margin, c = s->margin + 3;
    POINT fill[3] = {{r - 1, c - 3}, {r - 6, c - 6}, {r - 6, c + 2}};
    HRGN region = CreatePolygonRgn(fill, 3, ALTERNATE);
    if (region) {
        HBRUSH yellow = CreateSolidBrush(kMenuButtonFill);
        FillRgn(image, region, yellow);
        DeleteObject(yellow);
        DeleteObject(region);
    }
    POINT outline[4] = {{r - 1, c - 3}, {r - 6, c - 8}, {r - 6, c + 2}, {r - 1, c - 3}};
    HGDIOBJ oldPen = SelectObject(image, GetStockObject(BLACK_PEN));
    Polyline(image, outline, 4);
    SelectObject(image, oldPen);
}

/* The whole control, drawn off-screen and copied in one go so that a drag
 * does not flicker.  dc is the control's; labelDc has the control's origin
 * too but reaches the dialog's surface above it, where the label line goes. */
void Slider_Paint(const CColourSlider *s, HDC dc, HDC labelDc)
{
    int width = s->barWidth + 2 * s->margin, height = 2 * s->margin;
    if (width <= 0 || height <= 0 || s->pivots.count < 1)
        return;
    HDC image = CreateCompatibleDC(dc);
    HBITMAP bitmap = image ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    if (bitmap) {
        HGDIOBJ oldBitmap = SelectObject(image, bitmap);
        SetMapMode(image, GetMapMode(dc));
        RECT all = {0, 0, width, height};
        FillRect(image, &all, s->background);
        DrawBand(s, image);
        DrawEdgesAndCaps(s, image);
        DrawMarkers(s, image, labelDc);
        DrawMenuButton(s, image);
        if (GetFocus() == s->control)
            DrawFocusRect(image, &all);
        BitBlt(dc, s->left - s->margin, s->top, width, height, image, 0, 0, SRCCOPY);
        SelectObject(image, oldBitmap);
        DeleteObject(bitmap);
    }
    if (image)
        DeleteDC(image);
}

/* A button's DC may reach the dialog around it (CS_PARENTDC), but not on
 * every system: the label line is drawn through the dialog's own DC, moved
 * to the control's origin, so that it shows wherever the control runs. */
void Slider_Redraw(CColourSlider *s)
{
    HDC dc = GetDC(s->control);
    if (!dc)
        return;
    HDC labelDc = GetDC(s->dialog);
    if (labelDc) {
        POINT origin = {0, 0};
        MapWindowPoints(s->control, s->dialog, &origin, 1);
        POINT oldOrigin;
        SetViewportOrgEx(labelDc, origin.x, origin.y, &oldOrigin);
        Slider_Paint(s, dc, labelDc);
        SetViewportOrgEx(labelDc, oldOrigin.x, oldOrigin.y, nullptr);
        ReleaseDC(s->dialog, labelDc);
    } else {
        Slider_Paint(s, dc, dc);
    }
    ReleaseDC(s->control, dc);
}

RECT ControlRectInDialog(const CColourSlider *s)
{
    RECT r = {0, 0, 0, 0};
    GetClientRect(s->control, &r);
    MapWindowPoints(s->control, s->dialog, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

void Slider_PaintWindow(CColourSlider *s)
{
    RECT inDialog = ControlRectInDialog(s);
    ValidateRect(s->dialog, &inDialog);
    Slider_Redraw(s);
    ValidateRect(s->control, nullptr);
}

void Slider_EraseBackground(CColourSlider *s, HDC dc)
{
    RECT client;
    GetClientRect(s->control, &client);
    FillRect(dc, &client, s->background);
}

/* ---- mouse --------------------------------------------------------------- */

void SelectPivot(CColourSlider *s, int32_t n)
{
    std::memset(s->pivots.selected, 0, sizeof s->pivots.selected);
    s->pivots.selected[n - 1] = 1;
    s->Refresh();
}

/* Moves inner pivot n (1-based) to position, never onto or past a
 * neighbour; true when its position changed. */
bool MovePivot(CColourSlider *s, int32_t n, int32_t position)
{
    GradientPivots &p = s->pivots;
    if (n <= 1 || n >= p.count)
        return false;
    if (position >= p.positions[n] || position <= p.positions[n - 2])
        return false;
    int32_t old = p.positions[n - 1];
    p.positions[n - 1] = position;
    Slider_Redraw(s);
    return position != old;
}

bool IsEndPivot(const CColourSlider *s, int32_t n)
{
    return n == 1 || n == s->pivots.count;
}

void Slider_ButtonDown(CColourSlider *s, int x, int y)
{
    if (OnMenuButton(s, x, y)) {
        ShowPopupMenu(s);
        return;
    }
    int32_t pivot = HitTest(s, x, y);
    /* Capture first: a press still holding it ends through its own
     * WM_CAPTURECHANGED before this one takes the press state. */
    if (pivot)
        SetCapture(s->control);
    moved = false;
    s->armed = 1;
    s->grabbed = pivot;
    if (pivot) {
        SelectPivot(s, pivot);
        capturing = true;
    }
}

HCURSOR CursorOver(CColourSlider *s, int x, int y)
{
    if (OnMenuButton(s, x, y))
        return LoadCursorA(s->instance, "IDC_MENU_CURSOR");
    int32_t pivot = s->grabbed ? s->grabbed : HitTest(s, x, y);
    if (!pivot)
        return InAddZone(s, x, y) ? LoadCursorA(s->instance, "IDC_ADDPIV")
                                  : LoadCursorA(nullptr, IDC_ARROW);
    if (IsEndPivot(s, pivot))
        return LoadCursorA(s->instance, "IDC_COLEND");
    return LoadCursorA(nullptr, IDC_SIZEWE);
}

void Slider_MouseMove(CColourSlider *s, int x, int y)
{
    s->lastMouseX = x;
    s->lastMouseY = y;
    SetCursor(CursorOver(s, x, y));
    if (OnMenuButton(s, x, y) || !s->grabbed || IsEndPivot(s, s->grabbed) || !s->armed)
        return;
    if (MovePivot(s, s->grabbed, PositionAt(s, x)))
        moved = true;
}

/* Ends a press: the capture goes, unless another window has taken it
 * already, and a drag is reported once.  The flags go first:
 * ReleaseCapture sends WM_CAPTURECHANGED. */
void EndPress(CColourSlider *s)
{
    bool wasCapturing = capturing, wasMoved = moved;
    capturing = false;
    moved = false;
    if (wasCapturing) {
        if (GetCapture() == s->control)
            ReleaseCapture();
        if (wasMoved)
            ReportChange(s);
    }
}

void AddPivotAt(CColourSlider *s, int32_t position)
{
    uint32_t colour = DefaultColour(&s->pivots, position);
    if (!PickColour(s, &colour))
        return;
    /* A single colour becomes a ramp that ends in the new colour. */
    if (s->pivots.count == 1)
        InsertPivot(&s->pivots, GRADIENT_LAST_POSITION, colour);
    int32_t at = InsertPivot(&s->pivots, position, colour);
    if (at < 0)
        return;
    Slider_Redraw(s);
    ReportChange(s);
    SelectPivot(s, at + 1);
}

/* A dragged pivot that followed the pointer to the release: snapped to a
 * whole position, its marker may stand a few pixels from the pointer. */
bool FollowedToRelease(const CColourSlider *s, int x)
{
    int32_t n = s->grabbed;
    return n > 1 && n < s->pivots.count && s->pivots.positions[n - 1] == PositionAt(s, x);
}

/* A release on no pivot inside the add zone adds one there, also at the
 * end of a press on a pivot that a neighbour held back from the pointer. */
void Slider_ButtonUp(CColourSlider *s, int x, int y)
{
    bool onGrabbed = FollowedToRelease(s, x);
    EndPress(s);
    if (!onGrabbed && !HitTest(s, x, y) && InAddZone(s, x, y))
        AddPivotAt(s, PositionAt(s, x));
    s->armed = 0;
    s->grabbed = 0;
}

void RecolourPivot(CColourSlider *s, int32_t n)
{
    uint32_t colour = s->pivots.colours[n - 1];
    if (PickColour(s, &colour)) {
        uint32_t old = s->pivots.colours[n - 1];
        s->pivots.colours[n - 1] = colour;
        Slider_Redraw(s);
        if (colour != old)
            ReportChange(s);
    }
    SelectPivot(s, n);
}

void Slider_DoubleClick(CColourSlider *s, int x, int y)
{
    moved = false;
    int32_t n = HitTest(s, x, y);
    if (n)
        RecolourPivot(s, n);
}

/* ---- keys ---------------------------------------------------------------- */

int32_t SelectedPivot(const CColourSlider *s)
{
    for (int32_t i = 0; i < s->pivots.count; i++)
        if (s->pivots.selected[i])
            return i + 1;
    return 0;
}

/* Ctrl+Left and Ctrl+Right: inner pivot n a position along, as a drag
 * moves it. */
void NudgePivot(CColourSlider *s, int32_t n, int32_t step)
{
    if (n > 1 && MovePivot(s, n, s->pivots.positions[n - 1] + step))
        ReportChange(s);
}

/* Insert: a pivot halfway between the selected one and the next (the one
 * before, from the last), asking for its colour as a click that adds does;
 * nothing where they stand side by side. */
void InsertPivotByKey(CColourSlider *s, int32_t n)
{
    const GradientPivots &p = s->pivots;
    if (p.count >= kMaxAddCount)
        return;
    if (p.count == 1) {
        AddPivotAt(s, GRADIENT_LAST_POSITION / 2);
        return;
    }
    int32_t after = n < p.count ? n : p.count - 1;
    int32_t from = p.positions[after - 1], to = p.positions[after];
    if (to - from >= 2)
        AddPivotAt(s, from + (to - from) / 2);
}

/* Reached with Tab, the control takes the keys a mouse user has buttons
 * for: Left, Right, Home and End select a pivot, Ctrl+Left and Ctrl+Right
 * move it, Insert adds one after it, Space picks the selected pivot's
 * colour as a double click does, Delete removes it where a right click
 * would, and the menu key opens the gradient menu. */
void Slider_Key(CColourSlider *s, WPARAM key)
{
    int32_t n = SelectedPivot(s), count = s->pivots.count;
    bool control = GetKeyState(VK_CONTROL) < 0;
    switch (key) {
    case VK_LEFT:
        if (control)
            NudgePivot(s, n, -1);
        else
            SelectPivot(s, n > 1 ? n - 1 : 1);
        break;
    case VK_RIGHT:
        if (control)
            NudgePivot(s, n, 1);
        else
            SelectPivot(s, n < count ? n + 1 : count);
        break;
    case VK_INSERT:
        InsertPivotByKey(s, n ? n : 1);
        break;
    case VK_HOME:
        SelectPivot(s, 1);
        break;
    case VK_END:
        SelectPivot(s, count);
        break;
    case VK_SPACE:
        RecolourPivot(s, n ? n : 1);
        break;
    case VK_APPS:
        OpenMenuByKey(s);
        break;
    case VK_DELETE:
        if (n <= 1 || (n == count && count > 2))
            break;
        DeletePivot(&s->pivots, n);
        Slider_Redraw(s);
        ReportChange(s);
        SelectPivot(s, n - 1);
        break;
    }
}

/* The last pivot of a ramp of three or more is not deleted: the button's
 * own procedure gets the click instead. */
LRESULT Slider_RightDown(CColourSlider *s, HWND window, WPARAM wParam, LPARAM lParam)
{
    int32_t n = HitTest(s, LOWORD(lParam), HIWORD(lParam));
    if (!n)
        return 1;
    if (n == s->pivots.count && s->pivots.count > 2)
        return s->previousProc ? CallWindowProcA(s->previousProc, window, WM_RBUTTONDOWN, wParam,
                                                 lParam)
                               : 0;
    DeletePivot(&s->pivots, n);
    Slider_Redraw(s);
    ReportChange(s);
    return 1;
}

void Slider_CancelMode(CColourSlider *s)
{
    EndPress(s);
    s->grabbed = 0;
    s->armed = 0;
}

void Slider_Command(CColourSlider *s, WPARAM wParam)
{
    if (CarryOutGradientCommand(s, LOWORD(wParam)) && s->changeCallback)
        s->changeCallback((int16_t)s->controlId);
    s->Refresh();
}

LRESULT CALLBACK ColourSliderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CColourSlider *s = Slider_Get(window);
    if (!s)
        return DefWindowProcA(window, message, wParam, lParam);
    /* Signed: with the capture the pointer may be left of or above the control. */
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    switch (message) {
    case WM_LBUTTONDOWN:
        Slider_ButtonDown(s, x, y);
        return 1;
    case WM_MOUSEMOVE:
        Slider_MouseMove(s, x, y);
        return 1;
    case WM_LBUTTONUP:
        Slider_ButtonUp(s, x, y);
        return 1;
    case WM_LBUTTONDBLCLK:
        Slider_DoubleClick(s, x, y);
        return 1;
    case WM_RBUTTONDOWN:
        return Slider_RightDown(s, window, wParam, lParam);
    case WM_CANCELMODE:
        Slider_CancelMode(s);
        return 1;
    case WM_CAPTURECHANGED:
        /* Taken in mid-press by another window, the press ends as it does
         * at WM_CANCELMODE; kept, the pivot would follow the pointer with
         * the button up. */
        if (capturing && reinterpret_cast<HWND>(lParam) != window)
            Slider_CancelMode(s);
        return 1;
    case WM_COMMAND:
        Slider_Command(s, wParam);
        return 1;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        Slider_Key(s, wParam);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam != VK_F10 || GetKeyState(VK_SHIFT) >= 0)
            break;
        OpenMenuByKey(s);
        return 0;
    case WM_KEYUP:
    case WM_CHAR:
        /* The button would push itself and click. */
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        s->Refresh();
        return 0;
    case WM_PAINT:
        Slider_PaintWindow(s);
        return 1;
    case WM_PRINTCLIENT:
        Slider_EraseBackground(s, reinterpret_cast<HDC>(wParam));
        Slider_Paint(s, reinterpret_cast<HDC>(wParam), reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_ERASEBKGND:
        Slider_EraseBackground(s, reinterpret_cast<HDC>(wParam));
        return 1;
    default:
        break;
    }
    if (!s->previousProc)
        return 0;
    return CallWindowProcA(s->previousProc, window, message, wParam, lParam);
}

} // namespace

CColourSlider::CColourSlider(HWND dialog, HINSTANCE instance, const char *label,
                             int16_t greyMode, uint16_t controlId, int32_t width, int32_t margin,
                             GradientChangeFn changeCallback)
    : pivots(), previousProc(nullptr), changeCallback(changeCallback),
      control(GetDlgItem(dialog, controlId)), dialog(dialog), controlId(controlId),
      instance(instance), label(label), greyMode(greyMode), hasMenuButton(1),
      background(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))), ownsBackground(1), detached(0),
      lastMouseX(0), lastMouseY(0), grabbed(0), armed(0), left(margin), top(0),
      barWidth(width - 2 * margin), margin(margin), origin()
{
    StartAfresh();
    if (!control)
        return;
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previousProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ColourSliderProc)));
}

CColourSlider::~CColourSlider()
{
    detached = 1;
    if (dialog)
        InvalidateRect(dialog, nullptr, TRUE);
    if (control && previousProc) {
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
        SetWindowLongPtrA(control, GWLP_USERDATA, 0);
    }
    if (control && GetCapture() == control) {
        capturing = false;
        moved = false;
        ReleaseCapture();
    }
    if (ownsBackground && background)
        DeleteObject(background);
    ForgetGradientOrigin(this);
}

void CColourSlider::StartAfresh()
{
    pivots = GradientPivots();
    pivots.colours[0] = 0xFFFFFF;
    pivots.positions[0] = 0;
    pivots.selected[0] = 1;
    pivots.count = 1;
    pivots.interpolation = Ki_Inquire_Token("linear");
    lastMouseX = lastMouseY = 0;
    grabbed = 0;
    armed = 0;
    ForgetGradientOrigin(this);
}

void CColourSlider::SetBackground()
{
    if (ownsBackground && background)
        DeleteObject(background);
    background = DialogBackgroundBrush(dialog, &ownsBackground);
}

void CColourSlider::Refresh()
{
    if (!control || !dialog)
        return;
    RECT inDialog = ControlRectInDialog(this);
    InvalidateRect(dialog, &inDialog, FALSE);
}

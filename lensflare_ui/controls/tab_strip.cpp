/*
 * tab_strip.cpp - the section tab strip "TABBEDLF": a row of text tabs with
 * a raised outline above the editor's parameter area.  A click tells the
 * parent which tab was hit; only the parent's select message changes which
 * tab is drawn as selected.
 *
 * Not here: scrolling, keyboard handling and focus.  The parent owns the
 * record and the tab list; the window owns the brushes it made itself.
 */
#include <cstring>

#include "controls/controls.h"
#include "entry/plugin.h"
#include "resources/resource_ids.h"

namespace {

const int kTabPadding = 13;          /* tab width = title width + 13 */
const int kStripPadding = 14;        /* strip height = text height + 14 */
const int kHitTop = 4;               /* rows above this miss every tab */
const int kTitleInset = 7;
const int kSelectedLift = 2;         /* title and outline of the selected tab */
const int kSelectedWiden = 2;
const COLORREF kSelectedTitleColour = 0x0000BF;

/* The strip font, shared by every strip; created by RegisterTabStripClass,
 * deleted by DeleteTabStripFonts. */
HFONT stripFont;

/* Set while a click on a tab holds the mouse; owned by the strip procedure. */
bool stripCaptured;

TabStrip *Strip_Get(HWND window)
{
    return reinterpret_cast<TabStrip *>(GetWindowLongPtrA(window, 0));
}

bool Tab_IsShown(const TabItem &tab)
{
    return tab.title != nullptr;
}

bool Tab_IsSelected(const TabItem &tab)
{
    return (tab.flags & TAB_SELECTED) != 0;
}

int TextWidth(HDC dc, const char *text)
{
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
    return size.cx;
}

/* Index of the tab under (x, y), or -1. */
int Strip_HitTest(const TabStrip *strip, int x, int y)
{
    if (!strip->tabs || y < kHitTop || y > strip->height)
        return -1;
    int left = 0;
    for (int i = 0; i < strip->tabCount; i++) {
        const TabItem &tab = strip->tabs[i];
        if (!Tab_IsShown(tab))
            continue;
        if (x >= left && x <= left + tab.width - 1)
            return i;
        left += tab.width;
    }
    return -1;
}

void Strip_ButtonDown(TabStrip *strip, HWND window, int x, int y)
{
    int hit = Strip_HitTest(strip, x, y);
    if (hit < 0)
        return;
    SetCapture(window);
    stripCaptured = true;
    SendMessageA(strip->parent, WM_TABSTRIP_CLICKED, (WPARAM)(LONG_PTR)strip->tabs[hit].id,
                 (LPARAM)strip);
}

void Strip_ButtonUp(HWND window)
{
    if (!stripCaptured)
        return;
    stripCaptured = false;
    if (GetCapture() == window)
        ReleaseCapture();
}

/* A setter: marks the tab and repaints the strip at once, so the new tab
 * shows before the section behind it is built. */
LRESULT Strip_Select(TabStrip *strip, WORD id)
{
    if (!strip->window)
        return 0;
    for (int i = 0; strip->tabs && i < strip->tabCount; i++) {
        TabItem &tab = strip->tabs[i];
        if (!Tab_IsShown(tab))
            continue;
        tab.flags &= (uint16_t)~TAB_SELECTED;
        if ((WORD)tab.id == id)
            tab.flags |= TAB_SELECTED;
    }
    InvalidateRect(strip->window, nullptr, TRUE);
    UpdateWindow(strip->window);
    return 0;
}

void Strip_EraseBackground(TabStrip *strip, HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, strip->background ? strip->background : GetSysColorBrush(COLOR_WINDOW));
}

void Line(HDC dc, int x0, int y0, int x1, int y1)
{
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

struct TabPens {
    HPEN highlight;
    HPEN shadow;
    HGDIOBJ black;
};

void Strip_DrawTitle(HDC dc, const TabItem &tab, int x, int stripHeight, const RECT &box)
{
    bool selected = Tab_IsSelected(tab);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(dc, selected ? kSelectedTitleColour
                                                   : GetSysColor(COLOR_WINDOWTEXT));
    int y = stripHeight - 2 - (selected ? kSelectedLift : 0);
    ExtTextOutA(dc, x + kTitleInset, y, ETO_CLIPPED, &box, tab.title, (UINT)strlen(tab.title),
                nullptr);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

/* One tab's title and outline.  Lines end one pixel short of their second
 * point, as LineTo draws them. */
void Strip_DrawTab(TabStrip *strip, HDC dc, const TabPens &pens, const TabItem &tab, int x,
                   int textHeight, bool previousSelected)
{
    int height = strip->height;
    bool selected = Tab_IsSelected(tab);
    int s = selected ? kSelectedWiden : 0;
    int r = x + tab.width;
    int t = height - textHeight - 3 - (selected ? 3 : 0);
    int f = strip->shortRightEdges ? 1 : 0;

    RECT box = {x, t, r, height};
    Strip_DrawTitle(dc, tab, x, height, box);
    if (selected) {
        RECT foot = {x, height - 2, r, height};
        FillRect(dc, &foot, strip->selection ? strip->selection : GetSysColorBrush(COLOR_BTNFACE));
    }

    HGDIOBJ oldPen = SelectObject(dc, pens.highlight);
    /* The selected neighbour's wider outline already covers this edge. */
    if (!previousSelected) {
        Line(dc, x, height - 1, x, t - 1);
        Line(dc, x + 1, t - 1, x + 1, t);
    }
    Line(dc, x + 2, t - 2, r + s - 2, t - 2);
    SelectObject(dc, pens.black);
    Line(dc, r + s - 1, height - f, r + s - 1, t - 1);
    Line(dc, r + s - 2, t - 1, r + s - 2, t);
    SelectObject(dc, pens.shadow);
    Line(dc, r + s - 2, height - f, r + s - 2, t - 1);
    SelectObject(dc, oldPen);
}

void Strip_Paint(TabStrip *strip, HDC dc)
{
    if (!strip->tabs)
        return;
    TabPens pens;
    pens.highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    pens.shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    pens.black = GetStockObject(BLACK_PEN);
    if (pens.highlight && pens.shadow) {
        UINT oldAlign = SetTextAlign(dc, TA_BOTTOM);
        HGDIOBJ oldFont = stripFont ? SelectObject(dc, stripFont) : nullptr;
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);

        int x = 0;
        bool previousSelected = false;
        for (int i = 0; i < strip->tabCount; i++) {
            const TabItem &tab = strip->tabs[i];
            if (!Tab_IsShown(tab))
                continue;
            Strip_DrawTab(strip, dc, pens, tab, x, metrics.tmHeight, previousSelected);
            previousSelected = Tab_IsSelected(tab);
            x += tab.width;
        }

        if (oldFont)
            SelectObject(dc, oldFont);
        SetTextAlign(dc, oldAlign);
    }
    if (pens.highlight)
        DeleteObject(pens.highlight);
    if (pens.shadow)
        DeleteObject(pens.shadow);
}

void Strip_PaintWindow(TabStrip *strip, HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc)
        Strip_Paint(strip, dc);
    EndPaint(window, &paint);
}

void Strip_ReleaseBackground(TabStrip *strip)
{
    if (strip->background && strip->ownsBackground)
        DeleteObject(strip->background);
    strip->background = nullptr;
    strip->ownsBackground = 0;
}

void Strip_ReleaseBrushes(TabStrip *strip)
{
    Strip_ReleaseBackground(strip);
    if (strip->selection)
        DeleteObject(strip->selection);
    strip->selection = nullptr;
}

/* The parent frees the record after destroying the window, and nothing
 * else would release the brushes the strip made. */
void Strip_Destroyed(TabStrip *strip, HWND window)
{
    SetWindowLongPtrA(window, 0, 0);
    if (stripCaptured && GetCapture() == window) {
        stripCaptured = false;
        ReleaseCapture();
    }
    Strip_ReleaseBrushes(strip);
    if (strip->window == window)
        strip->window = nullptr;
}

} // namespace

/* Called at every start of the editor: the font is made only when there is
 * none yet, so a repeated call does not lose the earlier one. */
void RegisterTabStripClass(void)
{
    if (!stripFont) {
        int points = GetSystemMetrics(SM_CXSCREEN) < 800 ? -8 : -9;
        HDC screen = GetDC(nullptr);
        int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen)
            ReleaseDC(nullptr, screen);
        stripFont = CreateFontA(MulDiv(points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                0, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                VARIABLE_PITCH | FF_SWISS, "Helv");
    }
    WNDCLASSA cls = {};
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = TabStripProc;
    cls.cbClsExtra = 0;
    cls.cbWndExtra = sizeof(TabStrip *);
    cls.hInstance = moduleHandle;
    cls.lpszClassName = TABSTRIP_CLASS;
    RegisterClassA(&cls);   /* fails harmlessly once the class exists */
}

HWND CreateTabStrip(HWND parent, TabStrip *strip, TabItem *tabs, int16_t tabCount, int16_t width)
{
    if (!strip)
        return nullptr;
    strip->parent = parent;
    strip->tabCount = tabs ? tabCount : 0;
    strip->tabs = tabs;
    strip->background = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
    strip->ownsBackground = 1;
    strip->selection = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));

    int textHeight = 0;
    int x = 0;
    HDC screen = GetDC(nullptr);
    if (screen) {
        HGDIOBJ oldFont = stripFont ? SelectObject(screen, stripFont) : nullptr;
        TEXTMETRICA metrics = {};
        GetTextMetricsA(screen, &metrics);
        textHeight = metrics.tmHeight;
        for (int i = 0; i < strip->tabCount; i++) {
            TabItem &tab = tabs[i];
            if (!Tab_IsShown(tab))
                continue;
            tab.flags = 0;
            tab.left = (int16_t)x;
            tab.width = (int16_t)(TextWidth(screen, tab.title) + kTabPadding);
            strip->totalWidth = (int16_t)(x + tab.width);
            x += tab.width;
        }
        if (oldFont)
            SelectObject(screen, oldFont);
        ReleaseDC(nullptr, screen);
    }

    strip->height = (int16_t)(textHeight + kStripPadding);
    strip->width = width > 0 ? width : (int16_t)GetSystemMetrics(SM_CXSCREEN);
    HWND window = CreateWindowExA(0, TABSTRIP_CLASS, nullptr, WS_CHILD, 0, 0, strip->width,
                                  strip->height, parent, nullptr, moduleHandle, nullptr);
    if (!window) {
        Strip_ReleaseBrushes(strip);
        return nullptr;
    }
    strip->window = window;
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(strip));
    return window;
}

/* The dialog's WM_CTLCOLORDLG brush stays the dialog's: the strip deletes
 * only a background it made itself. */
void SetTabStripBackground(HWND parent, TabStrip *strip)
{
    if (!strip)
        return;
    Strip_ReleaseBackground(strip);
    strip->background = DialogBackgroundBrush(parent, &strip->ownsBackground);
    if (strip->window)
        InvalidateRect(strip->window, nullptr, TRUE);
}

void DeleteTabStripFonts(void)
{
    if (stripFont)
        DeleteObject(stripFont);
    stripFont = nullptr;
}

LRESULT CALLBACK TabStripProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TabStrip *strip = Strip_Get(window);
    if (!strip)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_PAINT:
        Strip_PaintWindow(strip, window);
        return 0;
    case WM_PRINTCLIENT:
        if (lParam & PRF_ERASEBKGND)
            Strip_EraseBackground(strip, window, (HDC)wParam);
        Strip_Paint(strip, (HDC)wParam);
        return 0;
    case WM_ERASEBKGND:
        Strip_EraseBackground(strip, window, (HDC)wParam);
        return 1;
    case WM_LBUTTONDOWN:
        Strip_ButtonDown(strip, window, (short)LOWORD(lParam), (short)HIWORD(lParam));
        return 0;
    case WM_LBUTTONUP:
        Strip_ButtonUp(window);
        return 0;
    case WM_CAPTURECHANGED:
        /* Capture taken elsewhere: a later release must not free it. */
        if ((HWND)lParam != window)
            stripCaptured = false;
        return 0;
    case WM_TABSTRIP_SELECT:
        return Strip_Select(strip, LOWORD(wParam));
    case WM_NCDESTROY:
        Strip_Destroyed(strip, window);
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

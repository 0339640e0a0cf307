/*
 * effect_grid.cpp - the browser's grid of effect pictures ("EFFECTGRID"):
 * tiles in rows as wide as the window allows, scrolled vertically, one
 * selected.  The tiles are the browser's; the grid only shows them and
 * never keeps the focus, which stays in the browser's filter box.
 */
#include <cstdlib>

#include "editor/effect_browser.h"

namespace {

struct EffectGrid {
    HWND window;
    HFONT font;                  /* the dialog's, from WM_SETFONT */
    EffectThumbnail **tiles;     /* the browser's list */
    int32_t count;
    int32_t selected;            /* -1 for none */
    int32_t scrollTop;           /* pixels of the tile rows above the window */
};

EffectGrid *Grid_Get(HWND window)
{
    return reinterpret_cast<EffectGrid *>(GetWindowLongPtrA(window, 0));
}

const COLORREF kPendingColour = RGB(48, 48, 56);
const COLORREF kFailedColour = RGB(24, 24, 24);
const COLORREF kCrossColour = RGB(220, 40, 40);
const int kCrossWidth = 3;
const int kWheelStep = GRID_CELL_HEIGHT / 2;
const int kLineStep = 24;

SIZE ClientSize(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    SIZE size = {r.right - r.left, r.bottom - r.top};
    return size;
}

int32_t Columns(const EffectGrid *grid)
{
    int32_t columns = ClientSize(grid->window).cx / GRID_CELL_WIDTH;
    return columns < 1 ? 1 : columns;
}

int32_t ContentHeight(const EffectGrid *grid)
{
    int32_t columns = Columns(grid);
    return (grid->count + columns - 1) / columns * GRID_CELL_HEIGHT;
}

RECT CellRect(const EffectGrid *grid, int32_t tile)
{
    int32_t columns = Columns(grid);
    int32_t left = (ClientSize(grid->window).cx - columns * GRID_CELL_WIDTH) / 2;
    if (left < 0)
        left = 0;
    RECT r;
    r.left = left + tile % columns * GRID_CELL_WIDTH;
    r.top = tile / columns * GRID_CELL_HEIGHT - grid->scrollTop;
    r.right = r.left + GRID_CELL_WIDTH;
    r.bottom = r.top + GRID_CELL_HEIGHT;
    return r;
}

RECT PictureRect(const EffectGrid *grid, int32_t tile)
{
    RECT cell = CellRect(grid, tile);
    RECT r = {cell.left + GRID_MARGIN, cell.top + GRID_MARGIN,
              cell.left + GRID_MARGIN + THUMBNAIL_WIDTH, cell.top + GRID_MARGIN + THUMBNAIL_HEIGHT};
    return r;
}

void VisibleTiles(const EffectGrid *grid, int32_t *first, int32_t *last)
{
    int32_t columns = Columns(grid);
    int32_t height = ClientSize(grid->window).cy;
    *first = grid->scrollTop / GRID_CELL_HEIGHT * columns;
    *last = (grid->scrollTop + height + GRID_CELL_HEIGHT - 1) / GRID_CELL_HEIGHT * columns - 1;
    if (*last >= grid->count)
        *last = grid->count - 1;
}

/* Clamps the scroll position and sets the bar; setters only invalidate. */
void UpdateScrollBar(EffectGrid *grid)
{
    int32_t page = ClientSize(grid->window).cy;
    int32_t most = ContentHeight(grid) - page;
    if (grid->scrollTop > most)
        grid->scrollTop = most;
    if (grid->scrollTop < 0)
        grid->scrollTop = 0;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = ContentHeight(grid) - 1;
    info.nPage = (UINT)(page > 0 ? page : 0);
    info.nPos = grid->scrollTop;
    SetScrollInfo(grid->window, SB_VERT, &info, TRUE);
}

void ScrollTo(EffectGrid *grid, int32_t top)
{
    grid->scrollTop = top;
    UpdateScrollBar(grid);
    InvalidateRect(grid->window, nullptr, FALSE);
}

void ScrollIntoView(EffectGrid *grid, int32_t tile)
{
    if (tile < 0)
        return;
    RECT cell = CellRect(grid, tile);
    int32_t height = ClientSize(grid->window).cy;
    if (cell.top < 0)
        ScrollTo(grid, grid->scrollTop + cell.top);
    else if (cell.bottom > height)
        ScrollTo(grid, grid->scrollTop + cell.bottom - height);
}

void Select(EffectGrid *grid, int32_t tile, bool notify)
{
    if (tile >= grid->count)
        tile = grid->count - 1;
    if (tile < 0)
        tile = grid->count ? 0 : -1;
    bool changed = tile != grid->selected;
    grid->selected = tile;
    ScrollIntoView(grid, tile);
    InvalidateRect(grid->window, nullptr, FALSE);
    if (changed && notify)
        SendMessageA(GetParent(grid->window), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(grid->window), GRIDN_SELCHANGE),
                     reinterpret_cast<LPARAM>(grid->window));
}

void MoveSelection(EffectGrid *grid, UINT key)
{
    int32_t columns = Columns(grid);
    int32_t rowsInView = ClientSize(grid->window).cy / GRID_CELL_HEIGHT;
    if (rowsInView < 1)
        rowsInView = 1;
    int32_t step = 0;
    switch (key) {
    case VK_LEFT:
        step = -1;
        break;
    case VK_RIGHT:
        step = 1;
        break;
    case VK_UP:
        step = -columns;
        break;
    case VK_DOWN:
        step = columns;
        break;
    case VK_PRIOR:
        step = -columns * rowsInView;
        break;
    case VK_NEXT:
        step = columns * rowsInView;
        break;
    }
    /* Up from the first row stays; everything else stops at the ends. */
    int32_t target = grid->selected < 0 ? 0 : grid->selected + step;
    if (key == VK_UP && target < 0)
        target = grid->selected;
    Select(grid, target, true);
}

void DrawCross(HDC dc, const RECT &r)
{
    HPEN pen = CreatePen(PS_SOLID, kCrossWidth, kCrossColour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, r.left + kCrossWidth, r.top + kCrossWidth, nullptr);
    LineTo(dc, r.right - kCrossWidth, r.bottom - kCrossWidth);
    MoveToEx(dc, r.right - kCrossWidth, r.top + kCrossWidth, nullptr);
    LineTo(dc, r.left + kCrossWidth, r.bottom - kCrossWidth);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void FillColour(HDC dc, const RECT &r, COLORREF colour)
{
    COLORREF old = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void DrawPicture(HDC dc, const EffectThumbnail *t, const RECT &r)
{
    if (t->state == THUMBNAIL_READY && t->pixels) {
        BITMAPINFOHEADER header = {};
        header.biSize = sizeof header;
        header.biWidth = THUMBNAIL_WIDTH;
        header.biHeight = THUMBNAIL_HEIGHT;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, r.left, r.top, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, 0, 0, 0,
                          THUMBNAIL_HEIGHT, t->pixels, reinterpret_cast<BITMAPINFO *>(&header),
                          DIB_RGB_COLORS);
        return;
    }
    if (t->state != THUMBNAIL_FAILED) {
        FillColour(dc, r, kPendingColour);
        return;
    }
    FillColour(dc, r, kFailedColour);
    DrawCross(dc, r);
    RECT text = r;
    InflateRect(&text, -8, -8);
    COLORREF oldColour = SetTextColor(dc, RGB(255, 255, 255));
    DrawTextA(dc, t->reason, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, oldColour);
}

void DrawTile(EffectGrid *grid, HDC dc, int32_t tile)
{
    RECT cell = CellRect(grid, tile);
    bool selected = tile == grid->selected;
    FillRect(dc, &cell, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    RECT picture = PictureRect(grid, tile);
    DrawPicture(dc, grid->tiles[tile], picture);
    RECT name = {cell.left + 2, picture.bottom + 2, cell.right - 2, cell.bottom - 2};
    COLORREF oldColour =
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextA(dc, grid->tiles[tile]->name, -1, &name,
              DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(dc, oldColour);
}

void PaintGrid(EffectGrid *grid, HDC dc)
{
    RECT client;
    GetClientRect(grid->window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ oldFont = grid->font ? SelectObject(dc, grid->font) : nullptr;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    int32_t first, last;
    VisibleTiles(grid, &first, &last);
    for (int32_t tile = first; tile <= last; tile++)
        DrawTile(grid, dc, tile);
    SetBkMode(dc, oldMode);
    if (oldFont)
        SelectObject(dc, oldFont);
}

/* Drawn off screen first: a scroll repaints every tile in view. */
void Grid_Paint(EffectGrid *grid)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(grid->window, &paint);
    SIZE size = ClientSize(grid->window);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, size.cx, size.cy) : nullptr;
    if (bitmap) {
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        PaintGrid(grid, memory);
        BitBlt(dc, 0, 0, size.cx, size.cy, memory, 0, 0, SRCCOPY);
        SelectObject(memory, oldBitmap);
        DeleteObject(bitmap);
    } else {
        PaintGrid(grid, dc);
    }
    if (memory)
        DeleteDC(memory);
    EndPaint(grid->window, &paint);
}

int32_t TileAt(const EffectGrid *grid, int x, int y)
{
    int32_t first, last;
    VisibleTiles(grid, &first, &last);
    for (int32_t tile = first; tile <= last; tile++) {
        RECT cell = CellRect(grid, tile);
        POINT p = {x, y};
        if (PtInRect(&cell, p))
            return tile;
    }
    return -1;
}

void Grid_Click(EffectGrid *grid, int x, int y, bool twice)
{
    int32_t tile = TileAt(grid, x, y);
    if (tile < 0)
        return;
    Select(grid, tile, true);
    if (twice)
        SendMessageA(GetParent(grid->window), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(grid->window), GRIDN_DBLCLK),
                     reinterpret_cast<LPARAM>(grid->window));
}

/* How far the scroll bar's arrows and pages move the view; 0 for the
 * other codes. */
int32_t ScrollStep(const EffectGrid *grid, int code)
{
    int32_t page = ClientSize(grid->window).cy;
    switch (code) {
    case SB_LINEUP:
        return -kLineStep;
    case SB_LINEDOWN:
        return kLineStep;
    case SB_PAGEUP:
        return -page;
    case SB_PAGEDOWN:
        return page;
    }
    return 0;
}

void Grid_Scroll(EffectGrid *grid, int code)
{
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
        SCROLLINFO info = {};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(grid->window, SB_VERT, &info);
        ScrollTo(grid, info.nTrackPos);
    } else if (int32_t step = ScrollStep(grid, code)) {
        ScrollTo(grid, grid->scrollTop + step);
    }
}

void Grid_SetTiles(EffectGrid *grid, int32_t count, EffectThumbnail **tiles)
{
    grid->tiles = tiles;
    grid->count = tiles ? count : 0;
    grid->selected = -1;
    grid->scrollTop = 0;
    UpdateScrollBar(grid);
    InvalidateRect(grid->window, nullptr, FALSE);
}

LRESULT Grid_Create(HWND window)
{
    EffectGrid *grid = static_cast<EffectGrid *>(std::calloc(1, sizeof(EffectGrid)));
    if (!grid)
        return -1;
    grid->window = window;
    grid->selected = -1;
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(grid));
    return 0;
}

void Grid_Destroy(HWND window, EffectGrid *grid)
{
    SetWindowLongPtrA(window, 0, 0);
    std::free(grid);
}

LRESULT CALLBACK EffectGridProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
        return Grid_Create(window);
    EffectGrid *grid = Grid_Get(window);
    if (!grid)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        Grid_Destroy(window, grid);
        return 0;
    case WM_PAINT:
        Grid_Paint(grid);
        return 0;
    case WM_PRINTCLIENT:
        PaintGrid(grid, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFONT:
        grid->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_SIZE:
        UpdateScrollBar(grid);
        ScrollIntoView(grid, grid->selected);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_VSCROLL:
        Grid_Scroll(grid, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        ScrollTo(grid, grid->scrollTop - (short)HIWORD(wParam) / WHEEL_DELTA * kWheelStep);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        Grid_Click(grid, (short)LOWORD(lParam), (short)HIWORD(lParam),
                   message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_SETFOCUS:
        SetFocus(GetNextDlgTabItem(GetParent(window), window, TRUE));
        return 0;
    case GM_SETTILES:
        Grid_SetTiles(grid, (int32_t)wParam, reinterpret_cast<EffectThumbnail **>(lParam));
        return 0;
    case GM_SETSELECTION:
        Select(grid, (int32_t)wParam, false);
        return 0;
    case GM_GETSELECTION:
        return grid->selected;
    case GM_MOVESELECTION:
        MoveSelection(grid, (UINT)wParam);
        return 0;
    case GM_GETVISIBLE: {
        int32_t *range = reinterpret_cast<int32_t *>(lParam);
        VisibleTiles(grid, &range[0], &range[1]);
        return 0;
    }
    case GM_REDRAWTILE: {
        RECT cell = CellRect(grid, (int32_t)wParam);
        InvalidateRect(window, &cell, FALSE);
        return 0;
    }
    case GM_GETTILERECT:
        *reinterpret_cast<RECT *>(lParam) = PictureRect(grid, (int32_t)wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

void RegisterEffectGridClass(HINSTANCE module)
{
    WNDCLASSA cls = {};
    if (GetClassInfoA(module, EFFECT_GRID_CLASS, &cls))
        return;
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = EffectGridProc;
    cls.cbWndExtra = sizeof(EffectGrid *);
    cls.hInstance = module;
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    cls.lpszClassName = EFFECT_GRID_CLASS;
    RegisterClassA(&cls);
}

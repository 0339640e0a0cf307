/*
 * window_probes.cpp - looking at controls from a test: what a control
 * paints into a memory DC through WM_PRINTCLIENT, and how many GDI objects
 * the process holds (for leak checks).
 */
#include <windows.h>
#include <winternl.h>

#include "ui_driver.h"

namespace ui {

Capture PrintClient(HWND window)
{
    Capture out;
    RECT client;
    GetClientRect(window, &client);
    out.width = client.right;
    out.height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = out.width;
    info.bmiHeader.biHeight = -out.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        SendMessageA(window, WM_PRINTCLIENT, (WPARAM)memory, PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
        out.rgb.resize((size_t)out.width * out.height * 3);
        const unsigned char *bgra = static_cast<const unsigned char *>(bits);
        for (size_t i = 0; i < (size_t)out.width * out.height; i++) {
            out.rgb[i * 3 + 0] = bgra[i * 4 + 2];
            out.rgb[i * 3 + 1] = bgra[i * 4 + 1];
            out.rgb[i * 3 + 2] = bgra[i * 4 + 0];
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    return out;
}

int CountColour(const Capture &image, COLORREF colour)
{
    int count = 0;
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++)
            count += image.Pixel(x, y) == colour;
    return count;
}

/* Live GDI objects of this process.  Wine's GetGuiResources counts
 * nothing, so this falls back to the GDI handle table that the process
 * environment block points to (24-byte cells: the handle's upper word at
 * offset 12, a type at 14 that is 0 for a free cell).  The layout is
 * checked with a probe brush first; -1 when neither way works. */
#pragma GCC diagnostic push
/* The compiler cannot see the TEB behind NtCurrentTeb's segment read. */
#pragma GCC diagnostic ignored "-Warray-bounds"
int CountGdiObjects()
{
    DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted)
        return (int)counted;
    const unsigned char *peb =
        reinterpret_cast<const unsigned char *>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const unsigned char *table = *reinterpret_cast<const unsigned char *const *>(peb + 0xF8);
    if (!table)
        return -1;
    auto cell = [table](UINT_PTR handle) { return table + (handle & 0xFFFF) * 24; };
    auto upper = [](const unsigned char *c) { return *reinterpret_cast<const USHORT *>(c + 12); };
    HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
    UINT_PTR handle = reinterpret_cast<UINT_PTR>(probe);
    bool live = upper(cell(handle)) == HIWORD(handle) && cell(handle)[14] != 0;
    DeleteObject(probe);
    if (!live || cell(handle)[14] != 0)
        return -1;
    int count = 0;
    for (UINT_PTR i = 0; i < 0x10000; i++)
        count += cell(i)[14] != 0;
    return count;
}

std::optional<int> GdiObjectsGained(int rounds, int settled, const std::function<void(int)> &round)
{
    int before = -1;
    for (int i = 0; i < rounds; i++) {
        round(i);
        if (i == settled)
            before = CountGdiObjects();
    }
    if (before < 0)
        return std::nullopt;
    return CountGdiObjects() - before;
}
#pragma GCC diagnostic pop

} // namespace ui

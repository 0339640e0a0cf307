/*
 * capture.cpp - reading a window's pixels back from its device context and
 * writing them as PNG.  Works under Wine's null display driver, where
 * PrintWindow gives nothing for windows that paint only on WM_PAINT.  The
 * PNG is made in memory and saved as the host saves all its files, so a
 * failed write keeps an older picture of that name.
 */
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

#include "host_app.h"
#include "refhost_api.h"

COLORREF Capture::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    const unsigned char *p = &rgb[((size_t)y * width + x) * 3];
    return RGB(p[0], p[1], p[2]);
}

bool CaptureWindow(HWND window, bool clientOnly, Capture *out)
{
    RECT box;
    if (clientOnly)
        GetClientRect(window, &box);
    else {
        GetWindowRect(window, &box);
        OffsetRect(&box, -box.left, -box.top);
    }
    int width = box.right, height = box.bottom;
    if (width <= 0 || height <= 0)
        return false;
    HDC source = clientOnly ? GetDC(window) : GetWindowDC(window);
    if (!source)
        return false;
    bool ok = false;
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   /* top-down */
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY)) {
            GdiFlush();
            out->width = width;
            out->height = height;
            out->rgb.resize((size_t)width * height * 3);
            const unsigned char *bgra = static_cast<const unsigned char *>(bits);
            for (size_t i = 0; i < (size_t)width * height; i++) {
                out->rgb[i * 3 + 0] = bgra[i * 4 + 2];
                out->rgb[i * 3 + 1] = bgra[i * 4 + 1];
                out->rgb[i * 3 + 2] = bgra[i * 4 + 0];
            }
            ok = true;
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(window, source);
    return ok;
}

bool WritePng(const Capture &capture, const char *path)
{
    if (capture.width <= 0 || capture.height <= 0)
        return false;
    int size = 0;
    unsigned char *png = stbi_write_png_to_mem(capture.rgb.data(), capture.width * 3, capture.width,
                                               capture.height, 3, &size);
    if (!png)
        return false;
    bool written = Kh_Save_File(path, png, size) == 0;
    STBIW_FREE(png);
    return written;
}

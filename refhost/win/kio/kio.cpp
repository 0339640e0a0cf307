/*
 * kio.cpp - the host's dialog utility library (vc64_kio.dll).
 *
 * Choices of this host: floats are shown with up to four decimals and
 * trailing zeros dropped ("0.5", "10", "0.0001"); a window is centred over
 * its parent's window rectangle, or over the work area when it has no
 * parent, and kept on the screen; switches other than "on" show unticked.
 */
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/kalvos_io.h"

extern "C" KIO_API void Import_IO_Center_Window(HWND parent, HWND window)
{
    if (!window)
        return;
    RECT area, box;
    if (!parent || !GetWindowRect(parent, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window, &box);
    int width = box.right - box.left, height = box.bottom - box.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    if (x + width > screenW)
        x = screenW - width;
    if (y + height > screenH)
        y = screenH - height;
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

extern "C" KIO_API void Import_IO_Copy_String(char **copy, const char *text)
{
    if (!copy)
        return;
    /* Copy before releasing the old block: text may be that very block. */
    char *block = nullptr;
    if (text) {
        size_t length = std::strlen(text);
        block = static_cast<char *>(Ki_Alloc_Memory(1, 0, length + 1));
        if (block)
            std::memcpy(block, text, length + 1);
    }
    if (*copy)
        Ki_Free_Memory(*copy);
    *copy = block;
}

extern "C" KIO_API void Import_IO_KdFloat_To_Dialog(HWND dialog, int16_t id, float value)
{
    char text[64];
    if (!std::isfinite(value)) {
        std::snprintf(text, sizeof text, "%g", (double)value);
    } else {
        std::snprintf(text, sizeof text, "%.4f", (double)value);
        char *end = text + std::strlen(text) - 1;
        while (end > text && *end == '0')
            *end-- = '\0';
        if (*end == '.')
            *end = '\0';
        if (std::strcmp(text, "-0") == 0)
            std::strcpy(text, "0");
    }
    SetDlgItemTextA(dialog, id, text);
}

extern "C" KIO_API void Import_IO_KdInt_To_Dialog(HWND dialog, int16_t id, int32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", (int)value);
    SetDlgItemTextA(dialog, id, text);
}

extern "C" KIO_API void Import_IO_Set_Control_Enable(HWND dialog, int16_t id, int16_t enable)
{
    HWND control = GetDlgItem(dialog, id);
    if (control)
        EnableWindow(control, enable != 0);
}

extern "C" KIO_API void Import_IO_Set_Kalvos_Toggle(HWND dialog, int16_t id, KaToken onOff)
{
    CheckDlgButton(dialog, id, onOff == Ki_Inquire_Token("on") ? BST_CHECKED : BST_UNCHECKED);
}

extern "C" KIO_API void Import_IO_Flip_Kalvos_Toggle(HWND dialog, int16_t id, KaToken *onOff)
{
    if (!onOff)
        return;
    KaToken on = Ki_Inquire_Token("on");
    *onOff = (*onOff == on) ? Ki_Inquire_Token("off") : on;
    Import_IO_Set_Kalvos_Toggle(dialog, id, *onOff);
}

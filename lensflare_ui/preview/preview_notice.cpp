/*
 * preview_notice.cpp - a short notice in plain words at the foot of the
 * preview image, where the user looks after an edit: drawn with the image
 * until its timer ends it, so renders in between keep it.  One notice at a
 * time; the light sweep's flash warning keeps the bottom line to itself.
 */
#include <windows.h>

#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

int previewNoticeMs = PREVIEW_NOTICE_MS;

namespace {

const int kBandPadding = 4;   /* pixels above and below the text */

/* The notice standing and the dialog whose timer ends it; set by
 * ShowPreviewNotice, cleared by ClearPreviewNotice. */
char noticeText[256];
HWND noticeDialog;

void CALLBACK NoticeTimeUp(HWND, UINT, UINT_PTR, DWORD)
{
    ClearPreviewNotice();
}

void InvalidatePreviewImage()
{
    if (previewControl)
        InvalidateRect(previewControl, nullptr, FALSE);
}

} // namespace

void ShowPreviewNotice(HWND dialog, const char *text)
{
    if (!dialog || !text || !text[0])
        return;
    lstrcpynA(noticeText, text, sizeof noticeText);
    noticeDialog = dialog;
    SetTimer(dialog, IDT_PREVIEW_NOTICE, (UINT)previewNoticeMs, NoticeTimeUp);
    InvalidatePreviewImage();
}

void ClearPreviewNotice()
{
    if (noticeDialog)
        KillTimer(noticeDialog, IDT_PREVIEW_NOTICE);
    noticeDialog = nullptr;
    if (!noticeText[0])
        return;
    noticeText[0] = 0;
    InvalidatePreviewImage();
}

const char *PreviewNotice()
{
    return noticeText;
}

void DrawPreviewNotice(HDC dc, int width, int height)
{
    if (!dc || !noticeText[0])
        return;
    HFONT font = noticeDialog
                     ? reinterpret_cast<HFONT>(SendMessageA(noticeDialog, WM_GETFONT, 0, 0))
                     : nullptr;
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA metrics;
    int band = (GetTextMetricsA(dc, &metrics) ? metrics.tmHeight : 14) + kBandPadding;
    int bottom = FlashWarningStands() ? height - band : height;
    RECT area = {0, bottom - band, width, bottom};
    COLORREF oldBrush = SetDCBrushColor(dc, PREVIEW_NOTICE_COLOR);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, oldBrush);
    COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, noticeText, -1, &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldText);
    if (oldFont)
        SelectObject(dc, oldFont);
}

// The preview's notice band in the real editor: its words stand at the
// foot of the image through renders, right above the flash warning when a
// sweep left one, and go with their timer or the editor.
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "element_fixture.h"
#include "panel/panel.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "ui_driver.h"

namespace {

const COLORREF kWarningAmber = RGB(255, 208, 0);

/* Rows of the preview's left column, bottom up, until one is neither
 * amber nor the notice's colour: how many of each. */
void CountFootRows(HWND preview, int *amber, int *notice, bool *noticeAboveAmber)
{
    Capture image = ui::Pixels(preview);
    RECT client;
    GetClientRect(preview, &client);
    *amber = *notice = 0;
    *noticeAboveAmber = true;
    for (int y = client.bottom - 1; y >= 0; y--) {
        COLORREF c = image.Pixel(1, y);
        if (c == kWarningAmber && *notice == 0)
            ++*amber;
        else if (c == PREVIEW_NOTICE_COLOR)
            ++*notice;
        else if (c == kWarningAmber)
            *noticeAboveAmber = false;
        else
            break;
    }
}

} // namespace

TEST(PreviewNotice, StandsThroughRendersAboveTheFlashWarningAndGoesWithItsTimerOrTheEditor)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow"});
    host.Edit([&](HWND d) {
        HWND preview = GetDlgItem(d, IDC_PREVIEW);
        int amber = 0, notice = 0;
        bool above = true;
        previewNoticeMs = 300;
        ShowPreviewNotice(d, "Something to know");
        ui::Click(d, IDC_REDRAW_NOW);
        CountFootRows(preview, &amber, &notice, &above);
        EXPECT_STREQ(PreviewNotice(), "Something to know");
        EXPECT_EQ(amber, 0);
        EXPECT_GT(notice, 10) << "a line's band at the foot, kept through a render";
        DWORD start = GetTickCount();
        while (PreviewNotice()[0] && GetTickCount() - start < 5000)
            ui::Pump();
        CountFootRows(preview, &amber, &notice, &above);
        EXPECT_EQ(notice, 0) << "ended by its timer";

        /* A glow over the whole preview flickering twice a second. */
        SetWindowTextA(scaleSlider->edit, "8");
        SetWindowTextA(intensitySlider->edit, "3");
        sweepDurationMs = 1500;
        Kh_Set_Render_Flicker(2);
        SendMessageA(d, WM_SYSCOMMAND, IDM_PLAY_LIGHT_SWEEP, 0);
        start = GetTickCount();
        while (LightSweepRunning() && GetTickCount() - start < 20000)
            ui::Pump();
        Kh_Set_Render_Flicker(0);
        sweepDurationMs = 3000;
        ASSERT_TRUE(FlashWarningStands());
        previewNoticeMs = PREVIEW_NOTICE_MS;
        ShowPreviewNotice(d, "Something else");
        CountFootRows(preview, &amber, &notice, &above);
        EXPECT_GT(amber, 10) << "the warning keeps the bottom line";
        EXPECT_GT(notice, 10);
        EXPECT_TRUE(above);
    });
    EXPECT_STREQ(PreviewNotice(), "") << "gone with the editor";
}

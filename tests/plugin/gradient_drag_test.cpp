// Pivot drags with real mouse messages, in the small control at several
// widths and in the large dialog.
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "picker_steps.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

const uint16_t kButtonId = 78;

/* Drags the second of four pivots, from its marker in two steps, to each
 * pixel of position 40's span; no drag may add or delete a pivot, nor ask
 * for a colour (the driver refuses the picker). */
void ExpectDragsKeepThePivots(CColourSlider *s)
{
    const int y = s->top + s->margin / 2 + 1;
    for (int x = XForPosition(s, 40); x < XForPosition(s, 41); x++) {
        s->pivots = GradientPivots{};
        s->pivots.count = 4;
        const int positions[] = {0, 30, 70, 99};
        for (int i = 0; i < 4; i++) {
            s->pivots.positions[i] = positions[i];
            s->pivots.colours[i] = 0x102030u * (uint32_t)(i + 1);
        }
        int from = XForPosition(s, 30);
        ui::LeftDown(s->control, from, y);
        ui::MouseMove(s->control, (from + x) / 2, y, true);
        ui::MouseMove(s->control, x, y, true);
        ui::LeftUp(s->control, x, y);
        ASSERT_EQ(s->pivots.count, 4) << "band " << s->barWidth << " x " << x;
        EXPECT_EQ(s->pivots.positions[1], 40) << "band " << s->barWidth << " x " << x;
    }
}

} // namespace

TEST(GradientDrag, NoDragAddsOrDeletesAPivotAtAnyWidthOrInTheLargeDialog)
{
    HWND window = ui::TestParentWindow("GradientDragTestWindow", DefWindowProcA, 900, 160,
                                       WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_NE(window, nullptr);
    for (int width : {130, 330, 730}) {
        ui::Driver driver;
        driver.Refuse("Interactive Color Selector");
        CreateWindowA("button", "", WS_CHILD | WS_VISIBLE, 20, 40, width, 37, window,
                      (HMENU)(UINT_PTR)kButtonId, moduleHandle, nullptr);
        CColourSlider *small = new CColourSlider(window, moduleHandle, "Ramp", 0, kButtonId, width,
                                                 15, nullptr);
        ExpectDragsKeepThePivots(small);
        if (width == 330) {
            driver.When("Gradient Edit", [&](HWND dialog) {
                CColourSlider *large = LargeSlider(dialog);
                ASSERT_NE(large, nullptr);
                ExpectDragsKeepThePivots(large);
                ui::Click(dialog, IDCANCEL);
            });
            SendMessageA(small->control, WM_COMMAND, IDM_GRADIENT_LARGE_DIALOG, 0);
        }
        HWND button = small->control;
        delete small;
        DestroyWindow(button);
    }
    DestroyWindow(window);
}

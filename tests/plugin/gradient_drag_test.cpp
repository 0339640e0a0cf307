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

int MarkerX(const CColourSlider *s, int position)
{
    return position * s->barWidth / GRADIENT_LAST_POSITION + s->left;
}

void SetPivots(CColourSlider *s, const std::vector<int> &positions)
{
    s->pivots = GradientPivots{};
    s->pivots.count = (int32_t)positions.size();
    for (size_t i = 0; i < positions.size(); i++) {
        s->pivots.positions[i] = positions[i];
        s->pivots.colours[i] = 0x102030u * (uint32_t)(i + 1);
    }
}

/* Presses on the marker of pivot n, moves to x in two steps, releases
 * there. */
void Drag(CColourSlider *s, int n, int x)
{
    int y = s->top + s->margin / 2 + 1;
    int from = MarkerX(s, s->pivots.positions[n]);
    ui::LeftDown(s->control, from, y);
    ui::MouseMove(s->control, (from + x) / 2, y, true);
    ui::MouseMove(s->control, x, y, true);
    ui::LeftUp(s->control, x, y);
}

/* Drags the second of four pivots to each pixel of one position's span;
 * no drag may add or delete a pivot.  A release that asked for a colour
 * would leave the picker open and the test would not end. */
void ExpectDragsKeepThePivots(CColourSlider *s)
{
    for (int dx = 0; dx <= s->barWidth / GRADIENT_LAST_POSITION; dx++) {
        SetPivots(s, {0, 30, 70, 99});
        int x = MarkerX(s, 40) + dx;
        Drag(s, 1, x);
        ASSERT_EQ(s->pivots.count, 4) << "band " << s->barWidth << " x " << x;
        EXPECT_EQ(s->pivots.positions[1], (x - s->left) * GRADIENT_LAST_POSITION / s->barWidth)
            << "band " << s->barWidth << " x " << x;
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

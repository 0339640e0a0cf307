// Pivot drags with real mouse messages, in the small control at several
// widths and in the large dialog, and what the editor writes back of a
// gradient: exact as read until edited, exact where an edit did not reach.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "editor/editor.h"
#include "element_fixture.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "model/lens_flare_model.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

const uint16_t kButtonId = 78;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateTestWindow()
{
    WNDCLASSA cls = {};
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = moduleHandle;
    cls.lpszClassName = "GradientDragTestWindow";
    RegisterClassA(&cls);
    return CreateWindowA("GradientDragTestWindow", "drag test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                         0, 0, 900, 160, nullptr, nullptr, moduleHandle, nullptr);
}

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

CColourSlider *LargeSlider(HWND dialog)
{
    return reinterpret_cast<CColourSlider *>(
        GetWindowLongPtrA(GetDlgItem(dialog, IDC_LARGE_GRADIENT), GWLP_USERDATA));
}

} // namespace

TEST(GradientDrag, NoDragAddsOrDeletesAPivotAtAnyWidthOrInTheLargeDialog)
{
    HWND window = CreateTestWindow();
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

TEST(GradientWriteBack, AGradientGoesBackExactUntilEditedAndAnEditKeepsWhatItDidNotMove)
{
    fx::Define("type t_exact\nparam gradient ramp\nstop 0.0 0.3 0.6 0.9\nstop 0.35 0.1 0.2 0.3\n"
               "stop 0.7 0.45 0.55 0.05\nstop 1.0 1 1 1\nend\n");
    const float kColors[] = {0.3f, 0.6f, 0.9f, 0.1f, 0.2f, 0.3f, 0.45f, 0.55f, 0.05f, 1, 1, 1};
    struct Case {
        const char *what;
        bool drag;
    } cases[] = {{"opened and closed", false}, {"second pivot dragged", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        HostSession host;
        fx::SetFlareTypes(host, {"t_exact"});
        int dragged = -1;
        host.Edit([&](HWND dialog) {
            ElementParameter *ramp = currentInstance->currentElement
                                         ? currentInstance->currentElement->firstParameter
                                         : nullptr;
            ASSERT_NE(ramp, nullptr);
            ASSERT_NE(ramp->gradientControl, nullptr);
            if (c.drag) {
                CColourSlider *s = ramp->gradientControl;
                Drag(s, 1, MarkerX(s, 50) + 1);
                dragged = s->pivots.positions[1];
            }
        });

        int32_t e = 0, p = 0, count = 0;
        float *colors = nullptr, *offsets = nullptr;
        Ki_Inquire_LensFlare(fx::T("light"), host.light.c_str(), fx::T("element"), &e, 1,
                             fx::T("parameter"), &p, fx::T("gradientdata"), &count, &colors,
                             &offsets, 1, 0);
        ASSERT_EQ(count, 4);
        const float want[] = {0.0f, c.drag ? dragged / 99.0f : 0.35f, 0.7f, 1.0f};
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(offsets[i], want[i]) << i;
        for (int i = 0; i < 12; i++)
            EXPECT_EQ(colors[i], kColors[i]) << i;
        if (c.drag) {
            EXPECT_NE(dragged, 34);
        }
    }
}

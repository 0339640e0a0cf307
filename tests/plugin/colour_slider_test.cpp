// The gradient control on a button of a test window, driven through its
// own mouse messages and read back through its pivots, the change reports,
// the cursor it sets, the colour picker it opens and its pixels; the large
// edit dialog opened through the control's command; and pivot drags at
// several widths and in the large dialog.
#include <cstring>
#include <functional>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "picker_steps.h"
#include "resources/resource_ids.h"
#include "control_parent_test.h"
#include "ui_driver.h"

namespace {

const uint16_t kButtonId = 77;
const int kButtonX = 20, kButtonY = 40;
const int kWidth = 330;   /* band W = 300 from x0 = 15 */
const int kMargin = 15;
const int kBandY = 10;    /* inside the band and the marker rows */
using ui::kDialogColour;
const char kPicker[] = "Interactive Color Selector";

/* Reports of the control under test; cleared by the fixture. */
std::vector<int16_t> changes;

void OnChange(int16_t id)
{
    changes.push_back(id);
}

/* The control's geometry with W = 300, x0 = 15: a marker's centre. */
int MarkerX(int position)
{
    return position * 300 / 99 + 15;
}

/* What Windows sends for a double click. */
void DoubleClick(HWND window, int x, int y)
{
    Click(window, x, y);
    SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
    ui::LeftUp(window, x, y);
}

int SelectedIndex(const GradientPivots &p)
{
    for (int i = 0; i < p.count; i++)
        if (p.selected[i])
            return i;
    return -1;
}

/* Drags the second of four pivots, from its marker in two steps, to each
 * pixel of position 40's span; no drag may add or delete a pivot, nor ask
 * for a colour (the driver refuses the picker). */
void ExpectDragsKeepThePivots(CColourSlider *s)
{
    const int y = s->top + s->margin / 2 + 1;
    for (int x = XForPosition(s, 40); x < XForPosition(s, 41); x++) {
        SetPivots(s, {0, 30, 70, 99}, {0x102030, 0x204060, 0x306090, 0x4080C0}, -1);
        int from = XForPosition(s, 30);
        ui::LeftDown(s->control, from, y);
        ui::MouseMove(s->control, (from + x) / 2, y, true);
        ui::MouseMove(s->control, x, y, true);
        ui::LeftUp(s->control, x, y);
        ASSERT_EQ(s->pivots.count, 4) << "band " << s->barWidth << " x " << x;
        EXPECT_EQ(s->pivots.positions[1], 40) << "band " << s->barWidth << " x " << x;
    }
}

/* Presses the second of four pivots and drags it toward position 80:
 * its neighbour at 60 holds it at 59; released there, away from every
 * marker, the press asks for a colour and adds a pivot of it at 80. */
void ExpectAHeldBackReleaseAdds(CColourSlider *s, ui::Driver &driver)
{
    const int y = s->top + s->margin / 2 + 1;
    SetPivots(s, {0, 30, 60, 99}, {0x102030, 0x204060, 0x306090, 0x4080C0}, -1);
    int to = XForPosition(s, 80);
    driver.When(kPicker, Choose(255, 0, 0));
    int from = XForPosition(s, 30);
    ui::LeftDown(s->control, from, y);
    for (int x = from; x <= to; x++)
        ui::MouseMove(s->control, x, y, true);
    ui::LeftUp(s->control, to, y);
    EXPECT_EQ(Positions(s->pivots), (std::vector<int>{0, 59, 60, 80, 99}))
        << "band " << s->barWidth;
    EXPECT_EQ(s->pivots.colours[3], RGB(255, 0, 0)) << "band " << s->barWidth;
}

class ColourSliderTest : public ui::ControlParentTest {
protected:
    void SetUp() override
    {
        changes.clear();
        ASSERT_NE(OpenParent("ColourSliderTestWindow", ui::BrushParentProc, 420, 160,
                             WS_OVERLAPPEDWINDOW | WS_VISIBLE),
                  nullptr);
        slider = Make(kButtonId, false);
    }

    void TearDown() override
    {
        delete slider;
        CloseParent();
    }

    /* A panel row's button taken over as the panel does it. */
    CColourSlider *Make(uint16_t id, bool grey)
    {
        CreateWindowA("button", "", WS_CHILD | WS_VISIBLE, kButtonX, kButtonY, kWidth, 37, parent,
                      (HMENU)(UINT_PTR)id, moduleHandle, nullptr);
        CColourSlider *made =
            new CColourSlider(parent, moduleHandle, "Ramp", grey ? 1 : 0, id, kWidth, kMargin,
                              OnChange);
        made->SetBackground();
        made->Refresh();
        return made;
    }

    HWND Button() const { return slider->control; }

    CColourSlider *slider = nullptr;
    ui::Driver driver;
};

} // namespace

TEST_F(ColourSliderTest, ANewControlShowsALinearWhiteBandWithTheLeftEndSelectedOnTheWindowsBrush)
{
    EXPECT_EQ(slider->pivots.interpolation, Ki_Inquire_Token("linear"));
    Capture face = ui::Pixels(Button());
    EXPECT_EQ(face.Pixel(160, 2), RGB(255, 255, 255)) << "band";
    EXPECT_EQ(face.Pixel(MarkerX(50), 0), RGB(0, 0, 0)) << "top edge";
    EXPECT_EQ(face.Pixel(MarkerX(50), 15), RGB(0, 0, 0)) << "bottom edge";
    EXPECT_EQ(face.Pixel(MarkerX(0), 18), RGB(0, 192, 0)) << "selected marker at the left end";
    EXPECT_EQ(face.Pixel(MarkerX(50), 25), kDialogColour) << "below the band";
    EXPECT_EQ(face.Pixel(327, 16), RGB(255, 255, 0)) << "menu button";

    ui::parentBrush = nullptr;
    CColourSlider *other = Make(kButtonId + 1, false);
    EXPECT_NE(other->background, dialogBrush);
    EXPECT_EQ(ui::PrintClient(other->control).Pixel(MarkerX(50), 25), GetSysColor(COLOR_BTNFACE))
        << "without the window's brush, the button face";
    delete other;
}

TEST_F(ColourSliderTest, TheCaptionIsTheLabelAndTheSelectedPivotsValuesAboveTheBand)
{
    /* The caption above the control, then the same drawn over it as
     * Windows draws it: the pivot's values right-aligned at the right end,
     * the label at the left. */
    Capture shown = ui::Pixels(parent);
    HDC dc = GetDC(parent);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    SIZE extent;
    const char values[] = "R=255,G=255,B=255,Pos=0";
    GetTextExtentPoint32A(dc, values, (int)strlen(values), &extent);
    RECT strip = {kButtonX, kButtonY - extent.cy, kButtonX + kWidth, kButtonY};
    FillRect(dc, &strip, dialogBrush);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
    TextOutA(dc, strip.right, kButtonY - extent.cy / 6, values, (int)strlen(values));
    SetTextAlign(dc, TA_LEFT | TA_BOTTOM);
    TextOutA(dc, kButtonX, kButtonY - extent.cy / 6, "Ramp", 4);
    SelectObject(dc, oldFont);
    ReleaseDC(parent, dc);
    Capture drawn;
    ASSERT_TRUE(CaptureWindow(parent, true, &drawn));
    int differing = 0, dark = 0;
    for (int y = strip.top; y < kButtonY; y++)
        for (int x = kButtonX; x < strip.right; x++) {
            dark += drawn.Pixel(x, y) == RGB(0, 0, 0);
            differing += shown.Pixel(x, y) != drawn.Pixel(x, y);
        }
    EXPECT_GT(dark, 50) << "the oracle holds text";
    EXPECT_EQ(differing, 0);
}

TEST_F(ColourSliderTest, DeletingTheControlGivesTheButtonItsOwnProcedureBack)
{
    HWND button = Button();
    WNDPROC own = slider->previousProc;
    delete slider;
    slider = nullptr;
    EXPECT_EQ((WNDPROC)GetWindowLongPtrA(button, GWLP_WNDPROC), own);
    EXPECT_EQ(GetWindowLongPtrA(button, GWLP_USERDATA), 0);
    Click(button, 165, kBandY);   /* an ordinary button again */
}

TEST_F(ColourSliderTest, ControlsComingAndGoingLeaveNoGdiObjectsBehind)
{
    std::optional<int> gained = ui::GdiObjectsGained(30, 9, [&](int i) {
        ui::parentBrush = i % 2 ? dialogBrush : nullptr;
        CColourSlider *extra = Make((uint16_t)(kButtonId + 2 + i), false);
        extra->SetBackground();
        extra->pivots.count = 2;
        extra->pivots.positions[1] = 99;
        extra->pivots.selected[1] = 1;
        ui::Pixels(parent);
        ui::PrintClient(extra->control);
        ui::RightDown(extra->control, MarkerX(99), kBandY);
        HWND taken = extra->control;
        delete extra;
        DestroyWindow(taken);
    });
    if (!gained)
        GTEST_SKIP() << "no way to count GDI objects here";
    EXPECT_LE(*gained, 8) << "a leaked brush per control would show as 20";
}

TEST_F(ColourSliderTest, AClickOnTheBandOffersTheNeighboursBlendAndAddsASelectedPivotOfTheChoice)
{
    std::vector<int> offered;
    driver.When(kPicker, [&](HWND picker) {
        EXPECT_EQ(ui::ItemText(picker, IDC_COLOR_GROUP), "Select pivot color");
        offered = Bars(picker);
        Choose(10, 20, 30)(picker);
    });
    Click(Button(), 165, kBandY);   /* no pivot near */
    EXPECT_EQ(offered, (std::vector<int>{128, 128, 128})) << "grey for a single colour";
    EXPECT_EQ(Positions(slider->pivots), (std::vector<int>{0, 49, 99})) << "150 of 300 pixels";
    uint32_t picked = RGB(10, 20, 30);
    EXPECT_EQ(Colours(slider->pivots), (std::vector<uint32_t>{0xFFFFFF, picked, picked}));
    EXPECT_EQ(SelectedIndex(slider->pivots), 1);
    EXPECT_EQ(changes, (std::vector<int16_t>{(int16_t)kButtonId}));
    EXPECT_EQ(ui::Pixels(Button()).Pixel(MarkerX(49), 18), RGB(0, 192, 0));

    changes.clear();
    SetPivots(slider, {0, 99}, {0x000000, 0xFFFFFF});
    driver.When(kPicker, [&](HWND picker) {
        offered = Bars(picker);
        ui::Click(picker, IDCANCEL);
    });
    Click(Button(), MarkerX(49) + 1, kBandY);
    EXPECT_EQ(offered, (std::vector<int>{124, 124, 124})) << "trunc(255 x 49 / 100)";
    EXPECT_EQ(slider->pivots.count, 2) << "Cancel adds nothing";
    EXPECT_TRUE(changes.empty());
}

TEST_F(ColourSliderTest, ADoubleClickRecoloursAPivotAndReportsOnlyARealChange)
{
    std::vector<int> offered;
    SetPivots(slider, {0, 99}, {0x000000, 0xFFFFFF});
    driver.When(kPicker, [&](HWND picker) {
        offered = Bars(picker);
        ui::Click(picker, IDOK);
    });
    DoubleClick(Button(), MarkerX(99), kBandY);
    EXPECT_EQ(offered, (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(SelectedIndex(slider->pivots), 1);
    EXPECT_TRUE(changes.empty()) << "the same colour";

    driver.When(kPicker, Choose(0, 0, 200));
    DoubleClick(Button(), MarkerX(99), kBandY);
    EXPECT_EQ(Colours(slider->pivots), (std::vector<uint32_t>{0x000000, RGB(0, 0, 200)}));
    EXPECT_EQ(changes.size(), 1u);

    driver.When(kPicker, [](HWND picker) {
        Scroll(picker, IDC_COLOR_BAR_FIRST, SB_THUMBTRACK, 77);
        ui::Click(picker, IDCANCEL);
    });
    DoubleClick(Button(), MarkerX(0), kBandY);
    EXPECT_EQ(Colours(slider->pivots), (std::vector<uint32_t>{0x000000, RGB(0, 0, 200)}));
    EXPECT_EQ(SelectedIndex(slider->pivots), 0) << "selected even when cancelled";
    EXPECT_EQ(changes.size(), 1u);
}

TEST_F(ColourSliderTest, AGreyControlKeepsAndShowsOnlyIntensities)
{
    CColourSlider *grey = Make(kButtonId + 1, true);
    grey->pivots.colours[0] = RGB(255, 0, 0);
    driver.When(kPicker, Choose(0, 255, 0));
    Click(grey->control, 165, kBandY);
    /* (0 x 71 + 255 x 150 + 0 x 28) >> 8 = 149 */
    EXPECT_EQ(Colours(grey->pivots),
              (std::vector<uint32_t>{RGB(255, 0, 0), RGB(149, 149, 149),
                                     RGB(149, 149, 149)}));
    /* Red is shown as its intensity (255 x 71) >> 8 = 70. */
    EXPECT_EQ(ui::PrintClient(grey->control).Pixel(16, 2), RGB(70, 70, 70));
    delete grey;
}

TEST_F(ColourSliderTest, ADragStopsOneShortOfTheNeighbourAndReportsOnReleaseAndEndPivotsStay)
{
    SetPivots(slider, {0, 50, 60, 99}, {0xFF, 0xFF00, 0xFF0000, 0xFFFFFF});
    ui::LeftDown(Button(), MarkerX(50), kBandY);
    EXPECT_EQ(SelectedIndex(slider->pivots), 1);
    for (int x = MarkerX(50); x <= 240; x++)
        ui::MouseMove(Button(), x, kBandY, true);
    EXPECT_EQ(Positions(slider->pivots), (std::vector<int>{0, 59, 60, 99}));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEWE));
    EXPECT_TRUE(changes.empty()) << "reported on release";
    /* Held back, the pivot stays away from the release: a new pivot's
     * colour is asked for there; Cancel adds none. */
    bool asked = false;
    driver.When(kPicker, [&](HWND picker) {
        asked = true;
        ui::Click(picker, IDCANCEL);
    });
    ui::LeftUp(Button(), 240, kBandY);
    EXPECT_TRUE(asked);
    EXPECT_EQ(Positions(slider->pivots), (std::vector<int>{0, 59, 60, 99}));
    EXPECT_EQ(changes.size(), 1u);

    ui::LeftDown(Button(), MarkerX(99), kBandY);
    ui::MouseMove(Button(), MarkerX(80), kBandY, true);
    EXPECT_EQ(GetCursor(), LoadCursorA(moduleHandle, "IDC_COLEND"));
    ui::LeftUp(Button(), MarkerX(80), kBandY + 20);   /* below the add zone: no pivot added */
    EXPECT_EQ(Positions(slider->pivots), (std::vector<int>{0, 59, 60, 99}));
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(SelectedIndex(slider->pivots), 3);
}

TEST_F(ColourSliderTest, ADragCancelledOrRobbedOfTheCaptureReportsOnceAndTheNextMoveDragsNothing)
{
    const struct {
        const char *how;
        std::function<void(HWND)> end;
    } endings[] = {
        {"cancel", [](HWND button) { SendMessageA(button, WM_CANCELMODE, 0, 0); }},
        {"capture taken", [this](HWND) {
             SetCapture(parent);
             EXPECT_EQ(GetCapture(), parent) << "the taker keeps it";
             ReleaseCapture();
         }},
        {"another control pressed", [this](HWND) {
             CColourSlider *other = Make(kButtonId + 1, false);
             Click(other->control, MarkerX(0), kBandY);
             delete other;
         }},
    };
    for (const auto &e : endings) {
        SCOPED_TRACE(e.how);
        changes.clear();
        SetPivots(slider, {0, 59, 60, 99}, {0xFF, 0xFF00, 0xFF0000, 0xFFFFFF});
        ui::LeftDown(Button(), MarkerX(59), kBandY);
        ui::MouseMove(Button(), MarkerX(30), kBandY, true);
        e.end(Button());
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(changes.size(), 1u);
        ui::MouseMove(Button(), MarkerX(40), kBandY, true);
        /* x 105, where the marker of 30 is drawn, stands for 29 (90 of 300 pixels) */
        EXPECT_EQ(Positions(slider->pivots), (std::vector<int>{0, 29, 60, 99}));
        EXPECT_EQ(changes.size(), 1u);
    }
}

TEST_F(ColourSliderTest, RightClicksDeleteInnerPivotsAndTheLastOfTwoButNeverTheFirst)
{
    struct Case {
        const char *what;
        std::vector<int> before;
        int clickAt;   /* a position */
        std::vector<int> after;
        size_t reports;
    } cases[] = {
        {"last of three", {0, 50, 99}, 99, {0, 50, 99}, 0},
        {"last of two", {0, 99}, 99, {0}, 1},
        {"first", {0, 50, 99}, 0, {0, 50, 99}, 1},
        {"middle", {0, 30, 60, 99}, 30, {0, 60, 99}, 1},
        {"off the pivots", {0, 50, 99}, 25, {0, 50, 99}, 0},
    };
    for (const Case &c : cases) {
        changes.clear();
        SetPivots(slider, c.before, std::vector<uint32_t>(c.before.size(), 0x123456));
        ui::RightDown(Button(), MarkerX(c.clickAt), kBandY);
        ui::RightUp(Button(), MarkerX(c.clickAt), kBandY);
        EXPECT_EQ(Positions(slider->pivots), c.after) << c.what;
        EXPECT_EQ(changes.size(), c.reports) << c.what;
    }
}

TEST_F(ColourSliderTest, TheCursorsFollowWhatIsUnderThePointerAndNinetyNinePivotsRefuseAdds)
{
    SetPivots(slider, {0, 50, 99}, {0xFF, 0xFF00, 0xFF0000});
    struct Place {
        const char *what;
        int x, y;
        HCURSOR expected;
    } places[] = {
        {"empty band", MarkerX(25), kBandY, LoadCursorA(moduleHandle, "IDC_ADDPIV")},
        {"below the marker rows", MarkerX(25), 22, LoadCursorA(nullptr, IDC_ARROW)},
        {"first pivot", MarkerX(0) + 3, kBandY, LoadCursorA(moduleHandle, "IDC_COLEND")},
        {"last pivot", MarkerX(99), 21, LoadCursorA(moduleHandle, "IDC_COLEND")},
        {"middle pivot", MarkerX(50) - 3, kBandY, LoadCursorA(nullptr, IDC_SIZEWE)},
        {"menu button", 327, 16, LoadCursorA(moduleHandle, "IDC_MENU_CURSOR")},
    };
    for (const Place &c : places) {
        ui::MouseMove(Button(), c.x, c.y, false);
        EXPECT_EQ(GetCursor(), c.expected) << c.what;   /* each loads, as checked below */
    }
    slider->hasMenuButton = 0;
    ui::MouseMove(Button(), 327, 16, false);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW)) << "no menu button";

    /* Ninety-nine pivots, crowded at position 2, refuse adds; ninety-eight may grow. */
    std::vector<int> positions(99, 2);
    positions.front() = 0;
    positions.back() = 99;
    SetPivots(slider, positions, std::vector<uint32_t>(99, 0x00FF00));
    ui::MouseMove(Button(), MarkerX(50), kBandY, false);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
    driver.Refuse(kPicker);
    Click(Button(), MarkerX(50), kBandY);
    positions.erase(positions.begin() + 1);
    SetPivots(slider, positions, std::vector<uint32_t>(98, 0x00FF00));
    ui::MouseMove(Button(), MarkerX(50), kBandY, false);
    EXPECT_EQ(GetCursor(), LoadCursorA(moduleHandle, "IDC_ADDPIV")) << "one fewer may grow";

    /* The control's own cursors are 32 pixels square with their hot spots. */
    struct Case {
        const char *name;
        DWORD x, y;
    } cases[] = {{"IDC_ADDPIV", 14, 5}, {"IDC_COLEND", 16, 15}, {"IDC_MENU_CURSOR", 1, 1}};
    for (const Case &c : cases) {
        HCURSOR cursor = LoadCursorA(moduleHandle, c.name);
        ASSERT_NE(cursor, nullptr) << c.name;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(cursor, &info)) << c.name;
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(info.xHotspot, c.x) << c.name;
        EXPECT_EQ(info.yHotspot, c.y) << c.name;
        BITMAP mask = {};
        GetObjectA(info.hbmMask, sizeof mask, &mask);
        EXPECT_EQ(mask.bmWidth, 32) << c.name;
        EXPECT_EQ(mask.bmHeight, info.hbmColor ? 32 : 64) << c.name << ": AND and XOR masks";
        DeleteObject(info.hbmMask);
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
    }
}

/* ---- the large edit dialog ------------------------------------------------ */

TEST_F(ColourSliderTest, TheLargeDialogShowsTheWholeItemAndEditsACopyThatOnlyOkCopiesBack)
{
    struct Case {
        const char *what;
        bool edit;   /* cardinal, and the last pivot selected */
        int button;
    } cases[] = {
        {"edited, Cancel", true, IDCANCEL},
        {"unedited, OK", false, IDOK},
        {"edited, OK", true, IDOK},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        changes.clear();
        SetPivots(slider, {0, 40, 99}, {0xFF, 0xFF00, 0xFF0000}, 1);
        GradientPivots before = slider->pivots, edited = {};
        driver.When("Gradient Edit", [&](HWND dialog) {
            CColourSlider *large = LargeSlider(dialog);
            ASSERT_NE(large, nullptr);
            RECT item;
            GetClientRect(GetDlgItem(dialog, IDC_LARGE_GRADIENT), &item);
            EXPECT_EQ(large->margin, item.bottom + 1);
            EXPECT_EQ(large->barWidth, item.right + 1 - 2 * (item.bottom + 1));
            EXPECT_EQ(large->hasMenuButton, 0);
            EXPECT_STREQ(large->label, "Gradient");
            ui::MouseMove(large->control, XForPosition(large, 20), large->margin / 2 + 1, false);
            EXPECT_EQ(GetCursor(), LoadCursorA(moduleHandle, "IDC_ADDPIV")) << "its own cursors";
            EXPECT_EQ(ui::ItemText(dialog, IDOK), "Ok");
            EXPECT_EQ(ui::ItemText(dialog, IDCANCEL), "Cancel");
            EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU, 0);
            EXPECT_TRUE(SamePivots(large->pivots, before)) << "selection travels too";
            if (c.edit) {
                SendMessageA(large->control, WM_COMMAND, IDM_GRADIENT_CARDINAL, 0);
                int lastX = large->left + large->barWidth;
                Click(large->control, lastX, 5);
                EXPECT_EQ(large->pivots.interpolation, Ki_Inquire_Token("cardinal"));
                EXPECT_EQ(SelectedIndex(large->pivots), 2);
            }
            edited = large->pivots;
            ui::Click(dialog, c.button);
        });
        EXPECT_EQ(SendMessageA(Button(), WM_COMMAND, IDM_GRADIENT_LARGE_DIALOG, 0), 1);
        EXPECT_TRUE(SamePivots(slider->pivots, c.button == IDOK ? edited : before));
        EXPECT_EQ(changes.size(), c.button == IDOK ? 1u : 0u) << "OK reports, even unedited";
    }
}

TEST(GradientDrag, AFollowedDragAddsNothingAndAHeldBackOneAddsWhereReleasedAtAnyWidth)
{
    HWND window = ui::TestParentWindow("GradientDragTestWindow", DefWindowProcA, 900, 160,
                                       WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_NE(window, nullptr);
    for (int width : {130, 330, 730}) {
        SCOPED_TRACE(width);
        CreateWindowA("button", "", WS_CHILD | WS_VISIBLE, 20, 40, width, 37, window,
                      (HMENU)(UINT_PTR)(kButtonId + 1), moduleHandle, nullptr);
        CColourSlider *small = new CColourSlider(window, moduleHandle, "Ramp", 0, kButtonId + 1,
                                                 width, 15, nullptr);
        {
            ui::Driver driver;
            ExpectAHeldBackReleaseAdds(small, driver);
            driver.Refuse(kPicker);
            ExpectDragsKeepThePivots(small);
        }
        if (width == 330) {
            ui::Driver driver;
            driver.When("Gradient Edit", [&](HWND dialog) {
                CColourSlider *large = LargeSlider(dialog);
                ASSERT_NE(large, nullptr);
                ExpectAHeldBackReleaseAdds(large, driver);
                driver.Refuse(kPicker);
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

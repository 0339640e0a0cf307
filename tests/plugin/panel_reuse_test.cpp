// A panel shown for an element whose rows are those of the element shown
// before: what it shows and edits must be the new element's, exactly as a
// panel built afresh for it (after a trip to another section) shows them.
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "element_fixture.h"
#include "entry/editor_state.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "host_app.h"
#include "panel/panel.h"
#include "ui_driver.h"

namespace {

const char kTwinType[] =
    "type t_twin\ndescription Twin\n"
    "param floatslider size\ndescription Size\nuimax 10\nabsmax 10\ndefault 2\n"
    "param checkbox flag\ndescription Flag\n"
    "param color tint\ndescription Tint\ndefault 0.2 0.4 0.6\n"
    "param list mode\ndescription Mode\nlist Low:0,High:1\nabsmax 5\n"
    "param gradient ramp\ndescription Ramp\nstop 0 1 1 1\nstop 0.5 1 0 0\nstop 1 0 0 0\n"
    "end\n";

/* Ids of the rows: slider, check box, colour (label + 1), list (label + 1),
 * gradient. */
enum { kSize = 10000, kFlag = 10001, kTint = 10002, kMode = 10004, kRamp = 10006 };

/* The second twin: every value unlike the first's defaults. */
void GiveSecondTwinValues(const HostSession &host)
{
    std::string guid = fx::HostElements(host)[1].guid;
    const float values[4][3] = {{7.25f}, {1}, {0.6f, 0.2f, 0.4f}, {1}};
    for (int32_t p = 0; p < 4; p++)
        ASSERT_EQ(Ki_LensFlare(T("light"), host.light.c_str(), T("element"), guid.c_str(), 1,
                               T("parameter"), &p, T("value"), values[p], 1, 0),
                  0);
    int32_t p = 4, stops = 2;
    float colors[6] = {0, 0, 1, 0, 1, 0};
    float offsets[2] = {0, 1};
    ASSERT_EQ(Ki_LensFlare(T("light"), host.light.c_str(), T("element"), guid.c_str(), 1,
                           T("parameter"), &p, T("gradientdata"), &stops, colors, offsets, 1, 0),
              0);
}

/* The editor open on a flare of that many twins, the second with values
 * unlike the others' defaults. */
void EditTwins(int twins, const std::function<void(HostSession &host, HWND dialog)> &steps)
{
    fx::Define(kTwinType);
    HostSession host;
    fx::SetFlareTypes(host, std::vector<const char *>((size_t)twins, "t_twin"));
    GiveSecondTwinValues(host);
    host.Edit([&](HWND dialog) { steps(host, dialog); });
}

CColourSlider *Ramp(HWND dialog)
{
    return reinterpret_cast<CColourSlider *>(
        GetWindowLongPtrA(GetDlgItem(dialog, kRamp), GWLP_USERDATA));
}

/* What the panel shows, row by row. */
struct Shown {
    std::string size;
    bool flag;
    COLORREF tint;
    LRESULT mode;
    std::vector<int> pivots;      /* position, colour, selected per pivot */
    std::vector<std::string> boxes;   /* each row window: id, place, text */
    bool operator==(const Shown &o) const
    {
        return size == o.size && flag == o.flag && tint == o.tint && mode == o.mode &&
               pivots == o.pivots && boxes == o.boxes;
    }
};

Shown PanelShown(HWND dialog)
{
    Shown shown;
    shown.size = ui::Text(GetDlgItem(GetDlgItem(dialog, kSize), TINYSLIDER_EDIT_ID));
    shown.flag = ui::IsChecked(dialog, kFlag);
    HWND tint = GetDlgItem(dialog, kTint);
    RedrawWindow(tint, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Capture face = ui::Pixels(tint);
    shown.tint = face.Pixel(face.width / 2, face.height / 2);
    shown.mode = SendDlgItemMessageA(dialog, kMode, CB_GETCURSEL, 0, 0);
    if (CColourSlider *ramp = Ramp(dialog))
        for (int i = 0; i < ramp->pivots.count; i++)
            shown.pivots.insert(shown.pivots.end(), {ramp->pivots.positions[i],
                                                     (int)ramp->pivots.colours[i],
                                                     ramp->pivots.selected[i]});
    for (int id = kSize; id <= kRamp; id++) {
        HWND window = GetDlgItem(dialog, id);
        RECT r = fx::RectInDialog(dialog, window);
        shown.boxes.push_back(std::to_string(id) + (window ? " " : " none ") +
                              std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                              std::to_string(r.right) + "," + std::to_string(r.bottom) + " " +
                              ui::Text(window));
    }
    return shown;
}

/* A click on the gradient's marker at that position selects its pivot. */
void ClickRampMarker(HWND dialog, int position)
{
    CColourSlider *ramp = Ramp(dialog);
    ASSERT_NE(ramp, nullptr);
    int x = position * ramp->barWidth / GRADIENT_LAST_POSITION + ramp->left;
    int y = ramp->top + ramp->margin / 2 + 1;
    ui::LeftDown(ramp->control, x, y);
    ui::LeftUp(ramp->control, x, y);
}

/* The parameter area as the dialog shows it once what is invalid has been
 * painted, or once every window in it has been painted afresh. */
std::vector<COLORREF> AreaShown(HWND dialog, bool afresh)
{
    UINT flags = RDW_UPDATENOW | RDW_ALLCHILDREN;
    if (afresh)
        flags |= RDW_INVALIDATE | RDW_ERASE | RDW_FRAME;
    RedrawWindow(dialog, nullptr, nullptr, flags);
    Capture shown;
    EXPECT_TRUE(CaptureWindow(dialog, true, &shown));
    RECT area = fx::RectInDialog(dialog, GetDlgItem(dialog, IDC_PARAM_AREA));
    std::vector<COLORREF> pixels;
    for (int y = area.top; y < area.bottom; y++)
        for (int x = area.left; x < area.right; x++)
            pixels.push_back(shown.Pixel(x, y));
    return pixels;
}

} // namespace

TEST(PanelReuse, KeptRowsRepaintWhatChangedSoThePanelLooksAsIfPaintedAfresh)
{
    /* The third twin has the first one's values: only the ramp's selected
     * pivot tells their panels apart. */
    EditTwins(3, [](HostSession &, HWND dialog) {
        fx::SelectLine(dialog, 0);
        ClickRampMarker(dialog, 49);
        AreaShown(dialog, true);
        HWND ramp = GetDlgItem(dialog, kRamp);
        for (int line : {2, 1, 0}) {
            fx::SelectLine(dialog, line);
            ASSERT_EQ(GetDlgItem(dialog, kRamp), ramp) << "the rows were kept";
            std::vector<COLORREF> painted = AreaShown(dialog, false);
            EXPECT_TRUE(painted == AreaShown(dialog, true)) << "line " << line;
        }
    });
}

TEST(PanelReuse, UndoAndRedoOfAValueKeepThePanelsWindowsAndShowTheValueAsPaintedAfresh)
{
    EditTwins(2, [](HostSession &host, HWND dialog) {
        fx::SelectLine(dialog, 1);
        HWND size = GetDlgItem(dialog, kSize), ramp = GetDlgItem(dialog, kRamp);
        SetWindowTextA(GetDlgItem(size, TINYSLIDER_EDIT_ID), "3.5");
        SetFocus(GetDlgItem(dialog, IDC_ELEMENT_LIST));   /* the typing is a step */
        AreaShown(dialog, true);
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_UNDO, 0);
        EXPECT_EQ(fx::HostValue(host, 1, 0)[0], 7.25f);
        EXPECT_EQ(std::atof(ui::Text(GetDlgItem(size, TINYSLIDER_EDIT_ID)).c_str()), 7.25);
        EXPECT_EQ(GetDlgItem(dialog, kSize), size) << "the slider was kept";
        EXPECT_EQ(GetDlgItem(dialog, kRamp), ramp) << "the gradient was kept";
        std::vector<COLORREF> painted = AreaShown(dialog, false);
        EXPECT_TRUE(painted == AreaShown(dialog, true)) << "after the undo";
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_REDO, 0);
        EXPECT_EQ(fx::HostValue(host, 1, 0)[0], 3.5f);
        EXPECT_EQ(GetDlgItem(dialog, kSize), size);
        painted = AreaShown(dialog, false);
        EXPECT_TRUE(painted == AreaShown(dialog, true)) << "after the redo";

        /* An undo that shows another section leaves no kept row behind. */
        fx::ShowSection(dialog, SECTION_GLOBAL);
        SetWindowTextA(intensitySlider->edit, "2");
        fx::ShowSection(dialog, SECTION_ELEMENT);
        SetFocus(GetDlgItem(dialog, IDC_ELEMENT_LIST));
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_UNDO, 0);
        EXPECT_EQ(currentSection, SECTION_GLOBAL);
        for (int id = kSize; id <= kRamp; id++)
            EXPECT_EQ(GetDlgItem(dialog, id), nullptr) << id;
    });
}

TEST(PanelReuse, AnElementWithTheSameRowsShowsItsOwnValuesAsAPanelBuiltAfresh)
{
    EditTwins(2, [](HostSession &, HWND dialog) {
        fx::SelectLine(dialog, 0);
        ClickRampMarker(dialog, 49);
        ASSERT_EQ(Ramp(dialog)->pivots.selected[1], 1) << "the middle pivot is selected";
        fx::SelectLine(dialog, 1);
        Shown taken = PanelShown(dialog);
        EXPECT_EQ(std::atof(taken.size.c_str()), 7.25);
        EXPECT_TRUE(taken.flag);
        EXPECT_EQ(taken.tint, RGB(153, 51, 102));
        EXPECT_EQ(taken.mode, 1);
        /* Blue at 0, green at 99, the first pivot selected as in a new control. */
        EXPECT_EQ(taken.pivots, (std::vector<int>{0, 0xFF0000, 1, 99, 0x00FF00, 0}));

        fx::ShowSection(dialog, SECTION_GLOBAL);
        fx::ShowSection(dialog, SECTION_ELEMENT);
        EXPECT_TRUE(PanelShown(dialog) == taken);
    });
}

TEST(PanelReuse, AfterAMoveAndAReselectionTheSliderEditsTheElementAsReadAgain)
{
    fx::Define(kTwinType);
    HostSession host;
    fx::SetFlareTypes(host, {"t_twin", "t_twin"});
    GiveSecondTwinValues(host);
    std::string second = fx::HostElements(host)[1].guid;
    host.Edit([&](HWND dialog) {
        fx::SelectLine(dialog, 1);
        ui::Click(dialog, IDC_MOVE_UP);
        ASSERT_EQ(fx::HostElements(host)[0].guid, second);
        SetWindowTextA(GetDlgItem(GetDlgItem(dialog, kSize), TINYSLIDER_EDIT_ID), "3.5");
        EXPECT_EQ(fx::HostValue(host, 0, 0)[0], 3.5f);
        fx::SelectLine(dialog, 1);
        SetWindowTextA(GetDlgItem(GetDlgItem(dialog, kSize), TINYSLIDER_EDIT_ID), "4.5");
        EXPECT_EQ(fx::HostValue(host, 1, 0)[0], 4.5f);
        EXPECT_EQ(fx::HostValue(host, 0, 0)[0], 3.5f);
    });
    EXPECT_EQ(fx::HostValue(host, 0, 0)[0], 3.5f);
    EXPECT_EQ(fx::HostValue(host, 1, 0)[0], 4.5f);
}

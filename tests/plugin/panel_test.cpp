// The parameter panel in the real editor, on elements of types defined
// for the tests; and the gradient mapping on its own.
#include <array>
#include <climits>
#include <cstring>
#include <functional>
#include <iterator>
#include <gtest/gtest.h>

#include "color/color.h"
#include "controls/controls.h"
#include "editor/editor.h"
#include "element_fixture.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "panel/panel.h"
#include "picker_steps.h"
#include "preview/preview.h"
#include "ui_driver.h"

namespace {

/* Both faults of a gradient definition end with the same reminder; as
 * the driver's Seen() gives them. */
std::string NotAt(const char *entry, const char *offset)
{
    return std::string("Programming Error|The ") + entry + " entry of one of the gradient color " +
           "maps does not use an 'offset' value of " + offset + " (the first entry must be at " +
           "0.0 and the last entry must be at 1.0).";
}
const std::string kFirstNotAtStart = NotAt("first", "0.0");
const std::string kLastNotAtEnd = NotAt("last", "1.0");

/* Enough rows to overrun both columns whatever the dialog font's height. */
const int kColumnsSliders = 14;

const char kInfiniteType[] =
    "type t_infinite\nparam floatslider wide\n"
    "uimin -FLT_MAX\nuimax FLT_MAX\nabsmin -FLT_MAX\nabsmax FLT_MAX\nend\n";
const char kMaxOnlyType[] =
    "type t_maxonly\nparam floatslider tall\nuimax FLT_MAX\nabsmax FLT_MAX\nend\n";

const char kNoMatchListType[] =
    "type t_nomatch\nparam list mode\nlist Low:0,High:1\nabsmax 5\ndefault 2\nend\n";

const char kRadiusType[] =
    "type t_radius\n"
    "param floatslider radius\npercentage on\nprecision 3\n"
    "param floatslider length\n"
    "param floatslider Radius\n"
    "param intslider count\nfloatarg off\nuimax 20\nabsmax 50\n"
    "end\n";

const char kLateGradientType[] =
    "type t_grad_late\nparam gradient ramp\nstop 0.2 1 0 0\nstop 1.0 0 0 1\nend\n";

SIZE AnsiTextSize(HWND window, const char *text)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    SIZE size;
    GetTextExtentPoint32A(dc, text, (int)std::strlen(text), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size;
}

/* Left, top, right and bottom of a dialog item. */
using Box = std::array<int, 4>;
Box Corners(HWND dialog, int id)
{
    RECT r = fx::RectInDialog(dialog, GetDlgItem(dialog, id));
    return {(int)r.left, (int)r.top, (int)r.right, (int)r.bottom};
}

enum { LEFT, TOP, RIGHT, BOTTOM };

bool Overlap(const Box &a, const Box &b)
{
    return a[LEFT] < b[RIGHT] && b[LEFT] < a[RIGHT] && a[TOP] < b[BOTTOM] && b[TOP] < a[BOTTOM];
}

/* Each box inside the area, none over another. */
void ExpectInsideWithoutOverlap(const Box &area, const std::vector<Box> &boxes)
{
    for (size_t i = 0; i < boxes.size(); i++) {
        const Box &b = boxes[i];
        EXPECT_TRUE(b[LEFT] >= area[LEFT] && b[TOP] > area[TOP] && b[RIGHT] <= area[RIGHT] &&
                    b[BOTTOM] <= area[BOTTOM])
            << "box " << i << " leaves the area";
        for (size_t k = i + 1; k < boxes.size(); k++)
            EXPECT_FALSE(Overlap(b, boxes[k])) << "boxes " << i << " and " << k;
    }
}

ElementParameter *Parameter(const PluginInstance *instance, int index)
{
    ElementParameter *p = instance->currentElement ? instance->currentElement->firstParameter
                                                   : nullptr;
    while (p && index-- > 0)
        p = p->next;
    return p;
}

/* A combo box's entries as "text=data", in order. */
std::vector<std::string> ComboEntries(HWND list)
{
    std::vector<std::string> entries;
    for (int i = 0; i < (int)SendMessageA(list, CB_GETCOUNT, 0, 0); i++) {
        char text[256] = "";
        SendMessageA(list, CB_GETLBTEXT, i, (LPARAM)text);
        entries.push_back(text + ("=" + std::to_string(SendMessageA(list, CB_GETITEMDATA, i, 0))));
    }
    return entries;
}

void SelectComboItem(HWND dialog, int id, int item, WORD code = CBN_SELCHANGE)
{
    HWND list = GetDlgItem(dialog, id);
    SendMessageA(list, CB_SETCURSEL, item, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)list);
}

/* The editor on a flare of four elements: a row of each type with a value
 * ("Row Test"), a list whose value matches no entry, a list of long and
 * malformed names, and more sliders than the first column holds. */
struct PanelRows : testing::Test {
    void SetUp() override
    {
        fx::Define(fx::kRowsType);
        fx::Define(kNoMatchListType);
        fx::Define(("type t_longlist\nparam list mode\nlist " + std::string(200, 'A') +
                    ":5,B:7,Odd\nabsmax 10\ndefault 7\nend\n").c_str());
        std::string columns = "type t_columns\n";
        for (int i = 0; i < kColumnsSliders; i++)
            columns += "param floatslider c" + std::to_string(i) + "\n";
        fx::Define((columns + "end\n").c_str());
        fx::SetFlareTypes(host, {"t_rows", "t_nomatch", "t_longlist", "t_columns"});
    }
    void Edit(std::function<void(HWND dialog)> step) { host.Edit(driver, std::move(step)); }

    HostSession host;
    ui::Driver driver;
};

/* The rows of "Row Test": slider, check box, colour button, list. */
const int kRowControls[] = {10000, 10001, 10002, 10004};
/* Its labels, each with its control's id plus one. */
const int kRowLabels[] = {10003, 10005};

} // namespace

TEST_F(PanelRows, TypesWithoutControlsShareTheNextId)
{
    Edit([&](HWND dialog) {
        const int kIds[] = {10000, 10001, 10001, 10001, 10002, 10004, 10006};
        for (int i = 0; i < 7; i++)
            EXPECT_EQ(Parameter(host.instance, i)->controlId, kIds[i]) << i;
        EXPECT_EQ(GetDlgItem(dialog, 10006), nullptr);
        EXPECT_EQ(Parameter(host.instance, 1)->control, nullptr);
    });
}

TEST_F(PanelRows, RowsStackInReadingOrderInOneColumnInsideTheArea)
{
    Edit([&](HWND dialog) {
        Box area = Corners(dialog, IDC_PARAM_AREA);
        std::vector<Box> boxes;
        for (int id : kRowControls)
            boxes.push_back(Corners(dialog, id));
        for (int id : kRowLabels)
            boxes.push_back(Corners(dialog, id));
        ExpectInsideWithoutOverlap(area, boxes);
        for (int id : kRowControls)
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, id))) << id;
        const Box &slider = boxes[0];
        for (size_t i = 1; i < std::size(kRowControls); i++) {
            EXPECT_GE(boxes[i][TOP], boxes[i - 1][BOTTOM]) << "row " << i << " below row " << i - 1;
            EXPECT_EQ(boxes[i][RIGHT], slider[RIGHT]) << "row " << i << " ends with the column";
        }
        EXPECT_LT(2 * slider[RIGHT], area[LEFT] + area[RIGHT]) << "in the first column";
        EXPECT_EQ(Corners(dialog, 10001)[LEFT], slider[LEFT]) << "the check box starts the row";
    });
}

TEST_F(PanelRows, LabelsStartTheirRowLeftOfTheirControlCentredOnItAndHoldTheirText)
{
    Edit([&](HWND dialog) {
        int column = Corners(dialog, 10000)[LEFT];
        for (const char *text : {"Tint", "Mode"}) {
            /* Centred on the control, half a pixel low where that cannot be exact. */
            int id = text[0] == 'T' ? 10003 : 10005;
            SIZE size = AnsiTextSize(dialog, text);
            Box label = Corners(dialog, id), control = Corners(dialog, id - 1);
            EXPECT_EQ(ui::Text(GetDlgItem(dialog, id)), text);
            EXPECT_EQ(label[LEFT], column) << text << " starts its row";
            EXPECT_LE(label[RIGHT], control[LEFT]) << text << " left of its control";
            EXPECT_GE(label[RIGHT] - label[LEFT], size.cx) << text << " fits its box";
            EXPECT_GE(label[BOTTOM] - label[TOP], size.cy) << text << " fits its box";
            int low = label[TOP] + label[BOTTOM] - control[TOP] - control[BOTTOM];
            EXPECT_TRUE(low == 0 || low == 1) << text << " " << low;
        }
    });
}

TEST_F(PanelRows, ACheckBoxShowsItsDescriptionInTheAnsiFontAndItsValue)
{
    Edit([&](HWND dialog) {
        HWND box = GetDlgItem(dialog, 10001);
        EXPECT_EQ(ui::Text(box), "Flag");
        Box corners = Corners(dialog, 10001);
        EXPECT_LT(AnsiTextSize(dialog, "Flag").cx, corners[RIGHT] - corners[LEFT]);
        EXPECT_FALSE(ui::IsChecked(dialog, 10001));
        EXPECT_EQ(SendMessageA(box, WM_GETFONT, 0, 0), (LRESULT)GetStockObject(ANSI_VAR_FONT));
    });
}

TEST_F(PanelRows, AColourButtonShowsTheParametersColourInsideAFrame)
{
    Edit([&](HWND dialog) {
        RedrawWindow(GetDlgItem(dialog, 10002), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Capture face = ui::Pixels(GetDlgItem(dialog, 10002));
        ASSERT_GT(face.width, 4);
        EXPECT_EQ(face.Pixel(0, 0), RGB(0, 0, 0));
        EXPECT_EQ(face.Pixel(face.width / 2, face.height / 2), RGB(51, 102, 153));
        /* Only owner-drawn buttons of colour rows are drawn. */
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.hDC = GetDC(dialog);
        SetRect(&item.rcItem, 0, 0, 4, 4);
        EXPECT_EQ(DrawColorParameterButton(10000, &item), 0) << "a slider";
        item.CtlType = ODT_STATIC;
        EXPECT_EQ(DrawColorParameterButton(10002, &item), 0);
        ReleaseDC(dialog, item.hDC);
    });
}

TEST_F(PanelRows, AListOffersItsEntriesWithTheCurrentValueSelected)
{
    Edit([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, 10004);
        EXPECT_EQ(ComboEntries(list), (std::vector<std::string>{"Low=0", "High=1"}));
        EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 1);
    });
}

TEST_F(PanelRows, CheckBoxesListsAndColoursWriteOnlyWhenTheValueChanges)
{
    Edit([&](HWND dialog) {
        HWND box = GetDlgItem(dialog, 10001);
        size_t writes = fx::WriteCalls(host.instance->model);
        host.ClearLog();
        ui::Click(dialog, 10001);
        EXPECT_EQ(host.Log("Ki_LensFlare").size(), writes);
        EXPECT_EQ(fx::HostValue(host, 0, 3)[0], 1.0f);
        host.ClearLog();
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(10001, BN_CLICKED), (LPARAM)box);
        EXPECT_TRUE(host.Log().empty()) << "state unchanged";
        SelectComboItem(dialog, 10004, 1);
        EXPECT_TRUE(host.Log().empty()) << "the item already selected";
        SelectComboItem(dialog, 10004, 0, CBN_DROPDOWN);
        EXPECT_TRUE(host.Log().empty()) << "only CBN_SELCHANGE counts";
        SelectComboItem(dialog, 10004, 0);
        EXPECT_EQ(host.Log("Ki_LensFlare").size(), writes);
        EXPECT_EQ(fx::HostValue(host, 0, 5)[0], 0.0f);
        host.ClearLog();
        driver.When("Interactive Color Selector", Choose(51, 204, 153));   /* green alone */
        ui::Click(dialog, 10002);
        EXPECT_EQ(host.Log("Ki_LensFlare").size(), writes);
        EXPECT_FLOAT_EQ(fx::HostValue(host, 0, 4)[1], 0.8f);
    });
}

TEST_F(PanelRows, AListValueThatMatchesNoEntryIsReportedAndSelectsNothing)
{
    Edit([&](HWND dialog) {
        EXPECT_TRUE(driver.Boxes().empty());
        fx::SelectLine(dialog, 1);
        EXPECT_EQ(driver.Seen(), (std::vector<std::string>{
                                    "Programming Error|The 'param_ptr->Kv_Current_Value' does not "
                                    "match any of the combo box entry types."}));
        EXPECT_EQ(SendDlgItemMessageA(dialog, 10000, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 10000, CB_GETCURSEL, 0, 0), CB_ERR);
    });
}

TEST_F(PanelRows, LongListNamesAreCutAndANameWithoutAValueAddsNothing)
{
    Edit([&](HWND dialog) {
        fx::SelectLine(dialog, 2);
        EXPECT_TRUE(driver.Boxes().empty());
        HWND list = GetDlgItem(dialog, 10000);
        EXPECT_EQ(ComboEntries(list),
                  (std::vector<std::string>{std::string(127, 'A') + "=5", "B=7"}))
            << "cut to 127 characters; a name without ':' adds nothing";
        EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 1);
    });
}

TEST_F(PanelRows, SliderRowsFillTheFirstColumnThenTheSecondWhichDoesNotWrap)
{
    Edit([&](HWND dialog) {
        fx::SelectLine(dialog, 3);
        Box area = Corners(dialog, IDC_PARAM_AREA);
        std::vector<Box> column[2];
        std::vector<Box> all;
        for (int i = 0; i < kColumnsSliders; i++) {
            Box r = Corners(dialog, IDC_PANEL_FIRST + i);
            bool second = !column[1].empty() ||
                          (!column[0].empty() && r[LEFT] != column[0][0][LEFT]);
            column[second].push_back(r);
            all.push_back(r);
        }
        ASSERT_FALSE(column[1].empty()) << "the sliders need the second column";
        ExpectInsideWithoutOverlap({area[LEFT], area[TOP], area[RIGHT], INT_MAX}, all);
        for (const std::vector<Box> &rows : column)
            for (size_t k = 1; k < rows.size(); k++) {
                EXPECT_EQ(rows[k][LEFT], rows[0][LEFT]) << "one column: no third " << k;
                EXPECT_EQ(rows[k][RIGHT], rows[0][RIGHT]) << k;
                EXPECT_GE(rows[k][TOP], rows[k - 1][BOTTOM]) << "reading order " << k;
            }
        EXPECT_GE(column[1][0][LEFT], column[0][0][RIGHT]) 
            << "the second column right of the first";
        EXPECT_EQ(column[1][0][TOP], column[0][0][TOP]) << "both columns start at one height";
        const Box &firstEnd = column[0].back(), &secondEnd = column[1].back();
        int pitch = column[0][1][TOP] - column[0][0][TOP];
        EXPECT_LT(firstEnd[BOTTOM], area[BOTTOM]) << "the last row of the first column fits";
        EXPECT_LT(area[BOTTOM] - firstEnd[BOTTOM], pitch + column[0][0][TOP] - area[TOP])
            << "another row would not fit with the margin the rows keep at the top";
        EXPECT_GT(secondEnd[BOTTOM], firstEnd[BOTTOM]) << "the second column takes the rest";
    });
}

TEST(Panel, SlidersFollowTheirDefinitionAndAnInfiniteUiRangeIsReportedOncePerModuleLife)
{
    fx::Define(kInfiniteType);
    fx::Define(kMaxOnlyType);
    fx::Define(kRadiusType);
    rangeWarningShown = 0;   /* as when the module is loaded */
    HostSession host;
    fx::SetFlareTypes(host, {"t_infinite", "t_maxonly", "t_radius", "glow"});
    const std::string kTooSmall = "Lens Flare API definition error|The minimum UI value (-FLT_MAX) "
                                  "is too small. It must be a more finite value, such as zero.";
    ui::Driver driver;
    host.Edit(driver, [&](HWND dialog) {
        EXPECT_EQ(driver.Seen(), (std::vector<std::string>{kTooSmall}));
        TinySlider *slider = Parameter(host.instance, 0)->slider;
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(slider->floatMax, 3.4028235e38f) << "configured with the range regardless";
        fx::SelectLine(dialog, 1);
        fx::SelectLine(dialog, 0);
        EXPECT_EQ(driver.Boxes().size(), 1u);
        rangeWarningShown = 0;
        fx::SelectLine(dialog, 1);
        EXPECT_EQ(driver.Seen(), (std::vector<std::string>{
                                    kTooSmall, "Lens Flare API definition error|The maximum UI "
                                               "value (FLT_MAX) is too big. It must be a more "
                                               "finite value, such as 100."}));

        SCOPED_TRACE("radius and length sliders outline on the preview");
        fx::SelectLine(dialog, 2);
        TinySlider *radius = Parameter(host.instance, 0)->slider;
        ASSERT_NE(radius, nullptr);
        EXPECT_EQ(radius->trackCallback, DrawRadiusOverlay);
        EXPECT_EQ(radius->percent, 1);
        EXPECT_EQ(radius->precision, 3);
        EXPECT_EQ(radius->mode, (uint32_t)SLIDER_MODE_FLOAT);
        EXPECT_EQ(Parameter(host.instance, 1)->slider->trackCallback, DrawRadiusOverlay);
        EXPECT_EQ(Parameter(host.instance, 2)->slider->trackCallback, nullptr) << "\"Radius\"";
        TinySlider *count = Parameter(host.instance, 3)->slider;
        EXPECT_EQ(count->mode, (uint32_t)SLIDER_MODE_INTEGER);
        EXPECT_EQ(count->intMax, 20);
        EXPECT_EQ(count->floatTarget, &Parameter(host.instance, 3)->Kv_Current_Value[0]);
    });
}

TEST(Panel, AGradientRowReportsAFaultyDefinitionAndOkWritesTheCorrection)
{
    fx::Define(kLateGradientType);
    HostSession host;
    fx::SetFlareTypes(host, {"t_grad_late"});
    ui::Driver driver;
    host.Edit(driver, [&](HWND) {
        EXPECT_EQ(driver.Seen(), (std::vector<std::string>{kFirstNotAtStart}));
        ElementParameter *ramp = Parameter(host.instance, 0);
        ASSERT_NE(ramp->gradientControl, nullptr);
        EXPECT_FLOAT_EQ(ramp->gradientOffsets[0], 0.2f) << "the model waits for a copy back";
    });
    EXPECT_EQ(fx::HostRamp(host, 0).offsets, (std::vector<float>{0.0f, 1.0f}))
        << "OK copies the corrected gradient back";
}

/* ---- gradient mapping and swatches on their own ------------------------- */

TEST(PanelGradientPivots, ModelGradientsBecomePivotsAsDefined)
{
    struct Case {
        const char *what;
        std::vector<float> offsets, colors;
        std::vector<int32_t> positions;
        std::vector<uint32_t> colours;
        std::vector<std::string> boxes;
    };
    std::vector<Case> cases = {
        {"two entries at position 0", {0.0f, 0.004f, 1.0f}, {1, 0, 0, 0, 1, 0, 0, 0, 1},
         {0, 99}, {0x0000FF, 0xFF0000}, {}},
        {"empty", {}, {}, {0}, {0xFFFFFF}, {}},
        {"neither end", {0.5f, 0.7f}, {0, 0, 0, 1, 1, 1}, {0, 99}, {0, 0xFFFFFF},
         {kFirstNotAtStart, kLastNotAtEnd}},
        {"ends beyond 0..1", {-0.5f, 1.5f}, {0, 0, 0, 1, 1, 1}, {0, 99}, {0, 0xFFFFFF},
         {kFirstNotAtStart}},
        {"components outside 0..1 clamp", {0.0f}, {1.2f, -0.5f, 0.5f}, {0}, {0x7F00FF}, {}},
        /* 0.3 is step 29.7 of 99 */
        {"offsets truncate to whole steps", {0.0f, 0.3f, 1.0f},
         {0.5f, 1, 0, 0.2f, 0.2f, 0.2f, 1, 1, 1}, {0, 29, 99}, {0x00FF7F, 0x333333, 0xFFFFFF}, {}},
    };
    /* Of 150 entries the first 100 show, the last of them pinned to the
     * end with its box, wherever the gradient's own last entry is. */
    for (float last : {1.0f, 0.9f}) {
        Case longOne{last == 1.0f ? "150 entries" : "150 entries, the last at 0.9",
                     {}, {}, {0, 99}, {0x0000FF, 0x00FF00}, {kLastNotAtEnd}};
        for (int i = 0; i < 150; i++) {
            longOne.offsets.push_back(i < 99 ? 0.0f : i == 99 ? 0.5f : i < 149 ? 0.8f : last);
            float r = i < 99, g = i == 99, b = i > 99;
            longOne.colors.insert(longOne.colors.end(), {r, g, b});
        }
        cases.push_back(longOne);
    }
    /* What the editor writes for position k, (float)(k / 99.0), is k
     * again, for every k (for 51 of them the float times 99 is just
     * under k). */
    Case own{"every offset the editor writes", {}, {}, {}, {}, {}};
    for (int k = 0; k <= 99; k++) {
        own.offsets.push_back((float)(k / 99.0));
        own.colors.insert(own.colors.end(), {0, 0, 0});
        own.positions.push_back(k);
        own.colours.push_back(0);
    }
    cases.push_back(own);
    /* The first 100 of 1024 even steps lie on positions 0 .. 9 (99/1023
     * is 9.58 positions); the last kept is pinned to the end with its
     * box. */
    Case steps{"1024 entries", {}, {}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 99}, {}, {kLastNotAtEnd}};
    for (int i = 0; i < 1024; i++) {
        steps.offsets.push_back(i / 1023.0f);
        steps.colors.insert(steps.colors.end(), {0, 0, 0});
    }
    steps.colours.assign(steps.positions.size(), 0);
    cases.push_back(steps);

    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ui::Driver driver;
        GradientPivots pivots = {};
        GradientToPivots(ui::TestOwnerWindow(), (int32_t)c.offsets.size(), c.colors.data(),
                         c.offsets.data(), &pivots);
        ASSERT_EQ(pivots.count, (int32_t)c.positions.size());
        EXPECT_EQ(Positions(pivots), c.positions);
        EXPECT_EQ(Colours(pivots), c.colours);
        EXPECT_EQ(driver.Seen(), c.boxes);
    }
}

namespace {

/* The top rows of a value box as the dialog shows them: its frame. */
std::vector<COLORREF> BoxTop(const Capture &shown, HWND dialog, HWND box)
{
    RECT r = fx::RectInDialog(dialog, box);
    std::vector<COLORREF> rows;
    for (int y = r.top + 1; y < r.top + 4; y++)
        for (int x = r.left; x < r.right; x++)
            rows.push_back(shown.Pixel(x, y));
    return rows;
}

} // namespace

/* Every value box of the types the host offers, in the panel the editor
 * builds for each, shows its frame as a box that no other row comes near does:
 * a row above it that reaches into its slider must not paint over it. */
TEST(PanelLayout, EveryValueBoxOfEveryOfferedTypeShowsItsWholeFrame)
{
    HostSession host;
    std::vector<std::string> types;
    int32_t count = 0;
    Ki_LensFlare_Enumerate_ElementInfo(T("numelements"), &count, 0);
    for (int32_t i = 0; i < count; i++) {
        const char *name = nullptr;
        Ki_LensFlare_Enumerate_ElementInfo(T("element"), &i, T("name"), &name, 1, 0);
        types.push_back(name ? name : "");
    }
    ASSERT_GE(types.size(), 10u);
    std::vector<const char *> names;
    for (const std::string &t : types)
        names.push_back(t.c_str());
    fx::SetFlareTypes(host, names);
    host.Edit([&](HWND dialog) {
        /* The first row of the first column starts the panel: nothing above it. */
        fx::SelectLine(dialog, 0);
        ElementParameter *first = host.instance->currentElement->firstParameter;
        ASSERT_NE(first->slider, nullptr);
        std::vector<COLORREF> frame = BoxTop(ui::Pixels(dialog), dialog, first->slider->edit);
        for (int line = 0; line < (int)types.size(); line++) {
            fx::SelectLine(dialog, line);
            Capture shown = ui::Pixels(dialog);
            for (ElementParameter *p = host.instance->currentElement->firstParameter; p;
                 p = p->next) {
                /* Rows of the second column may run past the dialog's bottom. */
                if (!p->slider || fx::RectInDialog(dialog, p->slider->edit).bottom > shown.height)
                    continue;
                EXPECT_EQ(BoxTop(shown, dialog, p->slider->edit), frame)
                    << types[line] << " " << p->description;
            }
        }
    });
}

// The section tab strip: layout of the tabs, the hit test behind a click
// and its notification, the select message and the raised outlines in
// pixels.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "controls/controls.h"
#include "entry/plugin.h"
#include "host_app.h"
#include "resources/resource_ids.h"
#include "control_parent_test.h"
#include "ui_driver.h"

namespace {

using ui::kDialogColour;
const COLORREF kSelectedTitle = RGB(191, 0, 0);

struct Click {
    WPARAM id;
    LPARAM strip;
};

/* What the test parent saw; reset by the fixture. */
std::vector<Click> clicks;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TABSTRIP_CLICKED:
        clicks.push_back({wParam, lParam});
        return 1;
    default:
        return ui::BrushParentProc(window, message, wParam, lParam);
    }
}

struct Spot {
    int x, y;
    COLORREF colour;
};

void ExpectSpots(const Capture &image, std::initializer_list<Spot> spots)
{
    for (const Spot &s : spots)
        EXPECT_EQ(image.Pixel(s.x, s.y), s.colour) << "at " << s.x << "," << s.y;
}

int TopOutlineRow(const Capture &image, int x, COLORREF background)
{
    for (int y = 0; y < image.height; y++)
        if (image.Pixel(x, y) != background)
            return y;
    return -1;
}

class TabStripTest : public ui::ControlParentTest {
protected:
    void SetUp() override
    {
        clicks.clear();
        RegisterTabStripClass();
        ASSERT_NE(OpenParent("TabStripTestParent", ParentProc, 700, 200), nullptr);
    }

    void TearDown() override
    {
        if (strip.window)
            DestroyWindow(strip.window);
        CloseParent();
        DeleteTabStripFonts();
    }

    void Create(int16_t width = 500)
    {
        ASSERT_NE(CreateTabStrip(parent, &strip, tabs, 3, width), nullptr);
    }

    void Select(WPARAM id) { SendMessageA(strip.window, WM_TABSTRIP_SELECT, id, 0); }
    int Selected() const
    {
        int selected = -1, count = 0;
        for (int i = 0; i < 3; i++)
            if (tabs[i].flags & TAB_SELECTED) {
                selected = tabs[i].id;
                count++;
            }
        return count > 1 ? -2 : selected;
    }

    TabItem tabs[3] = {
        {0, 0, 0, "Element Parameters", SECTION_ELEMENT},
        {0, 0, 0, "Global Parameters", SECTION_GLOBAL},
        {0, 0, 0, "Global Fading Parameters", SECTION_GLOBAL_FADING},
    };
    TabStrip strip = {};
};

TEST_F(TabStripTest, TabsAreTheirTitlePlusThirteenWideSideBySideInAHiddenStripAsWideAsAsked)
{
    Create();
    /* The titles measured in the strip font made by its recipe,
     * independently of the control. */
    HDC screen = GetDC(nullptr);
    int points = GetSystemMetrics(SM_CXSCREEN) < 800 ? -8 : -9;
    HFONT font = CreateFontA(MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, 400,
                             0, 0, 0, 0, 0, 0, 0, 0x22, "Helv");
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(screen, &metrics);
    int x = 0;
    for (int i = 0; i < 3; i++) {
        SIZE title = {};
        GetTextExtentPoint32A(screen, tabs[i].title, (int)strlen(tabs[i].title), &title);
        EXPECT_EQ(tabs[i].left, x) << tabs[i].title;
        EXPECT_EQ(tabs[i].width, title.cx + 13) << tabs[i].title;
        x += tabs[i].width;
    }
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    EXPECT_EQ(strip.totalWidth, x);
    EXPECT_EQ(strip.height, metrics.tmHeight + 14);

    RECT client;
    GetClientRect(strip.window, &client);
    EXPECT_EQ(client.right, 500);
    EXPECT_EQ(client.bottom, strip.height);
    EXPECT_FALSE(GetWindowLongA(strip.window, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(GetParent(strip.window), parent);
    DestroyWindow(strip.window);
    Create(0);
    EXPECT_EQ(strip.width, GetSystemMetrics(SM_CXSCREEN)) << "a zero width is the screen's";
}

TEST_F(TabStripTest, TheDialogsBrushOrAFaceColouredOneReplacesTheStripsOwnAndOnlyTheStripsAreFreed)
{
    struct Case {
        const char *what;
        HBRUSH given;   /* by the dialog */
        COLORREF shown;
    } cases[] = {
        {"the dialog's brush", dialogBrush, kDialogColour},
        {"no dialog brush", nullptr, GetSysColor(COLOR_BTNFACE)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ui::parentBrush = c.given;
        Create();
        HBRUSH own = strip.background, selection = strip.selection;
        EXPECT_EQ(GetObjectType(own), (DWORD)OBJ_BRUSH);
        EXPECT_EQ(ui::PrintClient(strip.window).Pixel(strip.width - 2, 1),
                  GetSysColor(COLOR_WINDOW));
        SetTabStripBackground(parent, &strip);
        HBRUSH taken = strip.background;
        EXPECT_EQ(GetObjectType(own), 0u);
        EXPECT_EQ(ui::PrintClient(strip.window).Pixel(strip.width - 2, 1), c.shown);
        DestroyWindow(strip.window);
        EXPECT_EQ(strip.window, nullptr);
        EXPECT_EQ(GetObjectType(selection), 0u);
        EXPECT_EQ(GetObjectType(taken), c.given ? (DWORD)OBJ_BRUSH : 0u);
    }
}

TEST_F(TabStripTest, ManyStripsLeaveNoGdiObjectsBehind)
{
    std::optional<int> gained = ui::GdiObjectsGained(200, 0, [&](int i) {
        TabStrip extra = {};
        ASSERT_NE(CreateTabStrip(parent, &extra, tabs, 3, 400), nullptr);
        ui::parentBrush = i % 2 ? nullptr : dialogBrush;
        SetTabStripBackground(parent, &extra);
        SendMessageA(extra.window, WM_TABSTRIP_SELECT, SECTION_GLOBAL, 0);
        ui::PrintClient(extra.window);
        ui::LeftDown(extra.window, 5, 10);
        DestroyWindow(extra.window);   /* while it holds the capture */
        /* The font comes and goes with the editor. */
        DeleteTabStripFonts();
        RegisterTabStripClass();
    });
    if (!gained)
        GTEST_SKIP() << "no way to count GDI objects here";
    EXPECT_EQ(*gained, 0) << "many strips leave no GDI objects behind";
}

TEST_F(TabStripTest, UntitledItemsTakeNoRoomAndCanBeNeitherHitNorSelected)
{
    tabs[1].title = nullptr;
    tabs[1].flags = 0x40;
    Create();
    EXPECT_EQ(tabs[2].left, tabs[0].width);
    EXPECT_EQ(strip.totalWidth, tabs[0].width + tabs[2].width);
    EXPECT_EQ(tabs[1].flags, 0x40);

    ui::LeftDown(strip.window, tabs[0].width + 1, 8);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].id, (WPARAM)SECTION_GLOBAL_FADING);
    Select(SECTION_GLOBAL);
    EXPECT_EQ(tabs[1].flags, 0x40);
    EXPECT_EQ(Selected(), -1);
}

TEST_F(TabStripTest, APressNotifiesTheTabHitFromItsFourthRowDownButSelectsNothing)
{
    Create();
    struct Case {
        int x, y;
        int id;   /* -1: no tab */
    } cases[] = {
        {tabs[1].left + 5, 3, -1},
        {tabs[1].left + 5, 4, SECTION_GLOBAL},
        {0, strip.height - 1, SECTION_ELEMENT},
        {tabs[0].width - 1, 10, SECTION_ELEMENT},
        {tabs[0].width, 10, SECTION_GLOBAL},
        {strip.totalWidth - 1, 10, SECTION_GLOBAL_FADING},
        {strip.totalWidth, 10, -1},
        {-1, 10, -1},
    };
    for (const Case &c : cases) {
        clicks.clear();
        ui::LeftDown(strip.window, c.x, c.y);
        EXPECT_EQ(GetCapture(), c.id < 0 ? nullptr : strip.window) << c.x << "," << c.y;
        ui::LeftUp(strip.window, c.x, c.y);
        EXPECT_EQ(GetCapture(), nullptr);
        std::vector<WPARAM> ids;
        for (const Click &click : clicks) {
            ids.push_back(click.id);
            EXPECT_EQ(click.strip, (LPARAM)&strip);
        }
        EXPECT_EQ(ids, c.id < 0 ? std::vector<WPARAM>{} : std::vector<WPARAM>{(WPARAM)c.id})
            << "press at " << c.x << "," << c.y;
    }
    EXPECT_EQ(Selected(), -1);
}

TEST_F(TabStripTest, TheSelectMessageSelectsByTheLowWordAndAnUnknownIdSelectsNone)
{
    Create();
    Select(SECTION_GLOBAL);
    EXPECT_EQ(Selected(), SECTION_GLOBAL);
    Select(MAKEWPARAM(SECTION_GLOBAL_FADING, 7));   /* only the low word counts */
    EXPECT_EQ(Selected(), SECTION_GLOBAL_FADING);
    Select(9999);
    EXPECT_EQ(Selected(), -1);
}

TEST_F(TabStripTest, RightButtonPressesChangeNothing)
{
    Create();
    Select(SECTION_GLOBAL);
    ui::RightDown(strip.window, tabs[0].left + 5, 10);
    ui::RightUp(strip.window, tabs[0].left + 5, 10);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Selected(), SECTION_GLOBAL);
}

TEST_F(TabStripTest, AWindowOfTheClassWithoutItsRecordIgnoresEverything)
{
    HWND bare = CreateWindowA(TABSTRIP_CLASS, nullptr, WS_CHILD, 0, 0, 100, 20, parent, nullptr,
                              moduleHandle, nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(SendMessageA(bare, WM_TABSTRIP_SELECT, SECTION_GLOBAL, 0), 0);
    ui::LeftDown(bare, 5, 10);
    ui::PrintClient(bare);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(GetCapture(), nullptr);
    DestroyWindow(bare);
}

TEST_F(TabStripTest, ASelectedTabIsRaisedWithAFootAndItsTitleLiftedAndShortRightEdgesStopAtTheStrip)
{
    Create();
    SetTabStripBackground(parent, &strip);
    const int h = strip.height, left = tabs[1].left, r = left + tabs[1].width;
    const COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    Capture plain = ui::PrintClient(strip.window);
    Select(SECTION_GLOBAL);
    Capture raised = ui::PrintClient(strip.window);

    /* Three rows taller (of the 14 over the text, 3 below it and 2 above
     * are no outline) and two columns wider, with a foot. */
    EXPECT_EQ(TopOutlineRow(plain, left + 5, kDialogColour), 9);
    EXPECT_EQ(TopOutlineRow(raised, left + 5, kDialogColour), 6);
    EXPECT_NE(plain.Pixel(r + 1, h - 3), RGB(0, 0, 0));
    ExpectSpots(plain, {{left + 5, 9, highlight}, {r - 1, h - 3, RGB(0, 0, 0)}});
    ExpectSpots(raised, {{r + 1, h - 3, RGB(0, 0, 0)}, {r, h - 3, shadow},
                         {r + 1, h - 1, RGB(0, 0, 0)},
                         {left + 3, h - 1, face}, {r - 3, h - 2, face}});   /* the foot */

    /* Every tab begins with its highlight edge but the one after it. */
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(plain.Pixel(tabs[i].left, h - 2), highlight) << tabs[i].title;
    EXPECT_EQ(TopOutlineRow(raised, tabs[2].left + 5, kDialogColour), 9) << "its outline";
    EXPECT_NE(raised.Pixel(tabs[2].left, h - 3), highlight);

    /* Each inked pixel of the plain title, and only those, in the selected
     * title's colour two rows up. */
    int ink = 0, lifted = 0, moved = 0;
    for (int y = 2; y < h - 2; y++)
        for (int x = left + 3; x < r - 3; x++) {
            bool dark = plain.Pixel(x, y) == GetSysColor(COLOR_WINDOWTEXT);
            bool red = raised.Pixel(x, y - 2) == kSelectedTitle;
            ink += dark;
            lifted += red;
            moved += dark && red;
        }
    EXPECT_GT(ink, 10);
    EXPECT_EQ(moved, ink);
    EXPECT_EQ(lifted, ink);

    /* A window taller than the strip shows the row below the strip's own
     * height, where a full right edge begins and a short one does not. */
    const int first = tabs[0].left + tabs[0].width;
    MoveWindow(strip.window, 0, 0, strip.width, h + 3, FALSE);
    ExpectSpots(ui::PrintClient(strip.window),
                {{first - 1, h, RGB(0, 0, 0)}, {first - 2, h, shadow}});
    strip.shortRightEdges = 1;
    ExpectSpots(ui::PrintClient(strip.window),
                {{first - 1, h, kDialogColour}, {first - 2, h, kDialogColour},
                 {first - 1, h - 1, RGB(0, 0, 0)}, {first - 2, h - 1, shadow}});
}

} // namespace

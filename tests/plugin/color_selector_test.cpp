// The colour selector dialogs run modally on a fresh host: the HSL model,
// the scroll bars in both modes, Undo, Cancel and OK, the named colour
// dialog and the Windows colour dialog with the custom colours in the ini
// file.  Expected colours are worked out by hand from the HSL definitions
// or asked of the host; the dialogs are driven with their own messages.
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "color/color.h"
#include "host_session.h"
#include "picker_steps.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

const float kByte = 1.0f / 255.0f;

struct Rgb {
    float r, g, b;
};

void ExpectColor(const float *actual, Rgb expected, const std::string &what,
                 float tolerance = 1e-6f)
{
    EXPECT_NEAR(actual[0], expected.r, tolerance) << what << ": red";
    EXPECT_NEAR(actual[1], expected.g, tolerance) << what << ": green";
    EXPECT_NEAR(actual[2], expected.b, tolerance) << what << ": blue";
}

/* The three numbers a selector shows, in the boxes from that id on. */
std::vector<int> Shown(HWND dialog, int first = IDC_COLOR_VALUE_FIRST)
{
    std::vector<int> values;
    for (int k = 0; k < 3; k++)
        values.push_back(std::atoi(ui::ItemText(dialog, first + k).c_str()));
    return values;
}

/* The middle of a swatch button, as it last painted itself. */
COLORREF SwatchMiddle(HWND dialog, int id)
{
    Capture face = ui::Pixels(GetDlgItem(dialog, id));
    return face.Pixel(face.width / 2, face.height / 2);
}

std::string Letters(HWND dialog)
{
    std::string letters;
    for (int k = 0; k < 3; k++)
        letters += ui::ItemText(dialog, IDC_COLOR_LETTER_FIRST + k);
    return letters;
}

const char *const kCustom = "Saved-Custom-Colors";

/* The slots' greys as decimal colours: white, then 16 levels darker each. */
const char *const kGreys[16] = {"16777215", "15724527", "14671839", "13619151",
                                "12566463", "11513775", "10461087", "9408399",
                                "8355711",  "7303023",  "6250335",  "5197647",
                                "4144959",  "3092271",  "2039583",  "986895"};

/* The line with that text in the named dialog's list, or LB_ERR. */
LRESULT NameLine(HWND list, const char *name)
{
    return SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, reinterpret_cast<LPARAM>(name));
}

/* A fresh host with its ini file and plug-in instance, and the driver. */
struct ColorDialogs : testing::Test {
    HostSession host;
    ui::Driver driver;

    /* Runs the selector on color with one step; it answers 1 for OK. */
    void Select(float color[3], std::function<void(HWND)> step, INT_PTR answer = 1)
    {
        driver.Then(std::move(step));
        EXPECT_EQ(SelectColor(ui::TestOwnerWindow(), "Pivot Color", color), answer);
    }
    /* The ini file's custom colour of that slot, 1 to 16. */
    std::string Custom(int slot)
    {
        char text[64];
        GetPrivateProfileStringA(kCustom, ("Custom-Color" + std::to_string(slot)).c_str(),
                                 "<none>", text, sizeof text, host.services.iniFile.c_str());
        return text;
    }
};

} // namespace

// ---- the HSL model ----

TEST(ColorHsl, PrimariesGreysAndBlackGiveTheirHueSaturationAndLargest)
{
    struct Case {
        Rgb rgb;
        float h, s, l;
    } cases[] = {
        {{1, 0, 0}, 0, 1, 1},
        {{1, 1, 0}, 60, 1, 1},
        {{0, 1, 0}, 120, 1, 1},
        {{0, 1, 1}, 180, 1, 1},
        {{0, 0, 1}, 240, 1, 1},
        {{1, 0, 1}, 300, 1, 1},
        {{0.5f, 0.25f, 0.25f}, 0, 0.5f, 0.5f},
        {{0.2f, 0.4f, 0.1f}, 100, 0.75f, 0.4f},
        /* the nearest to grey and to black that bytes can be */
        {{1, 1, 254 / 255.0f}, 60, 1 / 255.0f, 1},
        {{1 / 255.0f, 0, 0}, 0, 1, 1 / 255.0f},
        {{0.2f, 0.2f, 0.2f}, HUE_UNDEFINED, 0, 0.2f},
        {{0, 0, 0}, HUE_UNDEFINED, 0, 0},
        {{1, 1, 1}, HUE_UNDEFINED, 0, 1},
    };
    for (const Case &c : cases) {
        const float rgb[3] = {c.rgb.r, c.rgb.g, c.rgb.b};
        float h = 1, s = -1, l = -1;
        RgbToHsl(rgb, &h, &s, &l);
        EXPECT_NEAR(h, c.h, 1e-4) << c.rgb.r << "," << c.rgb.g << "," << c.rgb.b;
        EXPECT_NEAR(s, c.s, 1e-6) << c.rgb.r << "," << c.rgb.g << "," << c.rgb.b;
        EXPECT_NEAR(l, c.l, 1e-6) << c.rgb.r << "," << c.rgb.g << "," << c.rgb.b;
    }
}

TEST(ColorHsl, RgbThroughHslAndBackOverAGridAndHuesOutsideOneTurnWrap)
{
    for (int r = 0; r <= 255; r += 15)
        for (int g = 0; g <= 255; g += 15)
            for (int b = 0; b <= 255; b += 15) {
                const float rgb[3] = {r / 255.0f, g / 255.0f, b / 255.0f};
                float h, s, l, back[3];
                RgbToHsl(rgb, &h, &s, &l);
                HslToRgb(h, s, l, back);
                ExpectColor(back, {rgb[0], rgb[1], rgb[2]},
                            std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b),
                            2e-6f);
            }

    /* Hues outside one turn wrap; hues that are no number do not break. */
    float a[3], b[3];
    for (float hue : {-60.0f, 420.0f, 780.0f, -9999.0f, 1e9f}) {
        float inTurn = std::fmod(hue, 360.0f);
        if (inTurn < 0)
            inTurn += 360.0f;
        HslToRgb(hue, 0.8f, 0.9f, a);
        HslToRgb(inTurn, 0.8f, 0.9f, b);
        ExpectColor(a, {b[0], b[1], b[2]}, "wrapped hue", 1e-5f);
    }
    /* Just below a full turn is red, whichever sector takes it. */
    HslToRgb(std::nextafter(360.0f, 0.0f), 1, 1, a);
    ExpectColor(a, {1, 0, 0}, "hue 360-", 1e-5f);
    HslToRgb(-1e-7f, 1, 1, a);
    ExpectColor(a, {1, 0, 0}, "hue 0-", 1e-5f);
    for (float odd : {NAN, INFINITY, -INFINITY}) {
        HslToRgb(odd, 1, 1, a);
        EXPECT_TRUE(std::isfinite(a[0]) && std::isfinite(a[1]) && std::isfinite(a[2]));
    }
    HslToRgb(123, 0, 0.25f, a);
    ExpectColor(a, {0.25f, 0.25f, 0.25f}, "no saturation: grey whatever the hue");
}

// ---- the interactive selector ----

TEST_F(ColorDialogs, OpensInRgbModeShowingTheColoursBytesInTheBoxesBarsAndSwatch)
{
    float color[3] = {0.2f, 0.5f, 1.0f};
    Select(color, [&](HWND dialog) {
        EXPECT_EQ(Letters(dialog), "RGB");
        EXPECT_TRUE(ui::IsChecked(dialog, IDC_COLOR_MODE_RGB));
        EXPECT_FALSE(ui::IsChecked(dialog, IDC_COLOR_MODE_HSL));
        EXPECT_EQ(Shown(dialog), (std::vector<int>{51, 127, 255}));
        EXPECT_EQ(Bars(dialog), (std::vector<int>{51, 127, 255}));
        int low = -1, high = -1;
        GetScrollRange(GetDlgItem(dialog, IDC_COLOR_BAR_THIRD), SB_CTL, &low, &high);
        EXPECT_EQ(high, 255) << "a full byte puts the thumb at the end";
        /* The first paint of the dialog may still be on its way. */
        RedrawWindow(GetDlgItem(dialog, IDC_COLOR_SWATCH), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_UPDATENOW);
        EXPECT_EQ(SwatchMiddle(dialog, IDC_COLOR_SWATCH), RGB(51, 127, 255));
        EXPECT_EQ(ui::Pixels(GetDlgItem(dialog, IDC_COLOR_SWATCH)).Pixel(0, 0), RGB(0, 0, 0))
            << "the frame";
        Scroll(dialog, IDC_COLOR_BAR_FIRST, SB_BOTTOM);
        EXPECT_EQ(SwatchMiddle(dialog, IDC_COLOR_SWATCH), RGB(255, 127, 255)) << "redrawn";
        ui::Click(dialog, IDC_COLOR_UNDO);
        ui::Click(dialog, IDOK);
    });
    ExpectColor(color, {0.2f, 0.5f, 1.0f}, "OK without a change");
}

TEST_F(ColorDialogs, EveryOpeningStartsInRgbModeWhateverTheLastOneChose)
{
    float color[3] = {0.3f, 0.6f, 0.9f};
    Select(color, [&](HWND dialog) {
        ui::Click(dialog, IDC_COLOR_MODE_HSL);
        ui::Click(dialog, IDOK);
    });
    Select(color, [&](HWND dialog) {
        EXPECT_EQ(Letters(dialog), "RGB") << "HSL was chosen in the last opening";
        EXPECT_TRUE(ui::IsChecked(dialog, IDC_COLOR_MODE_RGB));
        ui::Click(dialog, IDOK);
    });
}

TEST_F(ColorDialogs, HslModeShowsAGreyAsHueZeroAndChangesOnlyTheDisplay)
{
    float grey[3] = {0.2f, 0.2f, 0.2f};
    Select(grey, [&](HWND dialog) {
        ui::Click(dialog, IDC_COLOR_MODE_HSL);
        EXPECT_TRUE(ui::IsChecked(dialog, IDC_COLOR_MODE_HSL));
        EXPECT_FALSE(ui::IsChecked(dialog, IDC_COLOR_MODE_RGB));
        EXPECT_EQ(Letters(dialog), "HSL");
        EXPECT_EQ(Shown(dialog), (std::vector<int>{0, 0, 51}));
        ExpectColor(grey, {0.2f, 0.2f, 0.2f}, "a mode changes only the display");

        Scroll(dialog, IDC_COLOR_BAR_SECOND, SB_LINEDOWN);
        EXPECT_EQ(Shown(dialog), (std::vector<int>{0, 2, 51}));
        /* Hue 0 with saturation 2/255: red stays, the others drop by 2/255 of it. */
        ExpectColor(grey, {0.2f, 0.2f * 253 / 255, 0.2f * 253 / 255}, "saturation 2/255");

        ui::Click(dialog, IDC_COLOR_MODE_RGB);
        EXPECT_EQ(Letters(dialog), "RGB");
        EXPECT_EQ(Shown(dialog), (std::vector<int>{51, 50, 50}));
        ui::Click(dialog, IDOK);
    });
}

TEST_F(ColorDialogs, HuesRunUpTo359AndTheThumbsFollowTheMode)
{
    float red[3] = {1, 0, 0};
    Select(red, [&](HWND dialog) {
        ui::Click(dialog, IDC_COLOR_MODE_HSL);
        EXPECT_EQ(Shown(dialog), (std::vector<int>{0, 255, 255}));
        EXPECT_EQ(Bars(dialog), (std::vector<int>{0, 255, 255})) << "the thumbs follow the mode";
        Scroll(dialog, IDC_COLOR_BAR_FIRST, SB_THUMBTRACK, 255);
        EXPECT_EQ(Shown(dialog), (std::vector<int>{359, 255, 255}));
        EXPECT_EQ(Bars(dialog)[0], 255);
        Scroll(dialog, IDC_COLOR_BAR_FIRST, SB_THUMBTRACK, 128);
        EXPECT_EQ(Shown(dialog)[0], 180);
        EXPECT_EQ(Bars(dialog)[0], 127) << "trunc(180 / 359 x 255)";
        ui::Click(dialog, IDOK);
    });
}

/* Undo goes back to the opening colour (hue 210, saturation 1, largest 1). */
TEST_F(ColorDialogs, UndoGoesBackToTheOpeningColourInEitherModeAndKeepsTheMode)
{
    float sky[3] = {0, 0.5f, 1};
    Select(sky, [&](HWND dialog) {
        Scroll(dialog, IDC_COLOR_BAR_FIRST, SB_THUMBTRACK, 100);
        Scroll(dialog, IDC_COLOR_BAR_SECOND, SB_TOP);
        ui::Click(dialog, IDC_COLOR_UNDO);
        ExpectColor(sky, {0, 0.5f, 1}, "after Undo", 0);
        EXPECT_EQ(Shown(dialog), (std::vector<int>{0, 127, 255}));

        ui::Click(dialog, IDC_COLOR_MODE_HSL);
        Scroll(dialog, IDC_COLOR_BAR_THIRD, SB_TOP);
        Scroll(dialog, IDC_COLOR_BAR_FIRST, SB_PAGEUP);
        ui::Click(dialog, IDC_COLOR_UNDO);
        EXPECT_EQ(Letters(dialog), "HSL") << "Undo keeps the mode";
        EXPECT_EQ(Shown(dialog), (std::vector<int>{210, 255, 255}));
        ExpectColor(sky, {0, 0.5f, 1}, "after Undo in HSL", 0);

        /* saturation 238/255 at hue 210 (sector 3, f = 0.5) */
        Scroll(dialog, IDC_COLOR_BAR_SECOND, SB_PAGEUP);
        ui::Click(dialog, IDOK);
    });
    ExpectColor(sky, {17 * kByte, 136 * kByte, 1}, "OK keeps the last change");
}

TEST_F(ColorDialogs, EscapeRestoresTheColourEditedInPlace)
{
    float edited[3] = {0.3f, 0.6f, 0.9f};
    Select(edited, [&](HWND dialog) {
        Scroll(dialog, IDC_COLOR_BAR_FIRST, SB_BOTTOM);
        ui::Click(dialog, IDC_COLOR_MODE_HSL);
        Scroll(dialog, IDC_COLOR_BAR_FIRST, SB_PAGEDOWN);
        EXPECT_NE(edited[0], 0.3f) << "edited in place while the dialog runs";
        ui::Key(dialog, VK_ESCAPE);
    }, 0);
    ExpectColor(edited, {0.3f, 0.6f, 0.9f}, "Escape", 0);
}

TEST_F(ColorDialogs, RgbBarsStepByOneAndPageBySixteenWithinTheRange)
{
    struct Case {
        int start, code, thumb, expected;
    } cases[] = {
        {250, SB_PAGEDOWN, 0, 255}, {10, SB_PAGEUP, 0, 0},       {100, SB_PAGEDOWN, 0, 116},
        {100, SB_PAGEUP, 0, 84},    {100, SB_LINEDOWN, 0, 101},  {100, SB_LINEUP, 0, 99},
        {0, SB_LINEUP, 0, 0},       {255, SB_LINEDOWN, 0, 255},  {100, SB_TOP, 0, 0},
        {100, SB_BOTTOM, 0, 255},   {100, SB_THUMBTRACK, 77, 77}, {100, SB_THUMBPOSITION, 200, 200},
        {100, SB_ENDSCROLL, 0, 100},
    };
    for (const Case &c : cases) {
        float color[3] = {0.5f, (float)(c.start / 255.0), 0.25f};
        Select(color, [&](HWND dialog) {
            Scroll(dialog, IDC_COLOR_BAR_SECOND, c.code, c.thumb);
            EXPECT_EQ(Shown(dialog)[1], c.expected) << c.start << " code " << c.code;
            EXPECT_EQ(Bars(dialog)[1], c.expected) << c.start << " code " << c.code;
            ui::Click(dialog, IDOK);
        });
        ExpectColor(color, {0.5f, (float)(c.expected / 255.0), 0.25f},
                    std::to_string(c.start) + " code " + std::to_string(c.code), 1e-7f);
    }
}

TEST_F(ColorDialogs, HslBarsStepByTwoPageBySeventeenAndStopAtOneNotZero)
{
    const float p = 254.0f / (255.0f * 255.0f);   /* (1 - S) x L with S = L = 1/255 */
    struct Case {
        Rgb start;
        int bar, code, thumb;
        Rgb expected;
        float tolerance = 1e-6f;
    } cases[] = {
        /* green is hue 120 at full saturation and largest component */
        {{0, 1, 0}, IDC_COLOR_BAR_FIRST, SB_PAGEDOWN, 0, {0, 1, 17.0f / 60}},   /* hue 137 */
        {{0, 1, 0}, IDC_COLOR_BAR_FIRST, SB_PAGEUP, 0, {17.0f / 60, 1, 0}},     /* hue 103 */
        {{0, 1, 0}, IDC_COLOR_BAR_FIRST, SB_LINEDOWN, 0, {0, 1, 1.0f / 30}},    /* hue 122 */
        {{0, 1, 0}, IDC_COLOR_BAR_FIRST, SB_LINEUP, 0, {1.0f / 30, 1, 0}},      /* hue 118 */
        {{0, 1, 0}, IDC_COLOR_BAR_FIRST, SB_BOTTOM, 0, {1, 0, 1.0f / 60}},      /* hue 359 */
        {{0, 1, 0}, IDC_COLOR_BAR_FIRST, SB_TOP, 0, {1, 0, 0}},                 /* hue 0 */
        /* the largest component is exact: 100/255 paged by 17 */
        {{100 * kByte, 0, 0}, IDC_COLOR_BAR_THIRD, SB_PAGEDOWN, 0, {117 * kByte, 0, 0}},
        {{100 * kByte, 0, 0}, IDC_COLOR_BAR_THIRD, SB_THUMBTRACK, 200, {200 * kByte, 0, 0}},
        /* grey: hue 0, saturation 0; the third bar to 0 gives 1/255 */
        {{0.2f, 0.2f, 0.2f}, IDC_COLOR_BAR_THIRD, SB_TOP, 0, {kByte, kByte, kByte}},
        /* hue 0, saturation 0.5, largest 0.5 */
        {{0.5f, 0.25f, 0.25f}, IDC_COLOR_BAR_THIRD, SB_TOP, 0, {kByte, kByte / 2, kByte / 2}},
        /* hue 0, saturation 0.5, largest 1: saturation to 0 gives 1/255 */
        {{1, 0.5f, 0.5f}, IDC_COLOR_BAR_SECOND, SB_TOP, 0, {1, 254 * kByte, 254 * kByte}},
        {{1, 0.5f, 0.5f}, IDC_COLOR_BAR_SECOND, SB_BOTTOM, 0, {1, 0, 0}},
        /* the end of a scroll moves nothing: a grey stays grey */
        {{0.2f, 0.2f, 0.2f}, IDC_COLOR_BAR_SECOND, SB_ENDSCROLL, 0, {0.2f, 0.2f, 0.2f}},
        /* black on the hue bar is first lifted to 1/255: hue 2 is sector 0
         * with f = 1/30, (L, t, p); hue 180 is sector 3 with f = 0, (p, L, L) */
        {{0, 0, 0}, IDC_COLOR_BAR_FIRST, SB_LINEDOWN, 0,
         {kByte, (1 - (29.0f / 30) * kByte) * kByte, p}, 1e-8f},
        {{0, 0, 0}, IDC_COLOR_BAR_FIRST, SB_THUMBTRACK, 128, {p, kByte, kByte}, 1e-8f},
    };
    for (const Case &c : cases) {
        float color[3] = {c.start.r, c.start.g, c.start.b};
        Select(color, [&](HWND dialog) {
            ui::Click(dialog, IDC_COLOR_MODE_HSL);
            Scroll(dialog, c.bar, c.code, c.thumb);
            ui::Click(dialog, IDOK);
        });
        ExpectColor(color, c.expected,
                    "bar " + std::to_string(c.bar) + " code " + std::to_string(c.code),
                    c.tolerance);
    }
}

// ---- the named colour dialog ----

TEST_F(ColorDialogs, NamedDialogPreselectsTheLastMatchOkTakesTheNamesColourCancelNothing)
{
    struct Pick {
        const char *name;
        std::vector<int> shown;
    };
    struct Case {
        const char *what;
        Rgb start;
        std::vector<int> shown;    /* on opening */
        const char *preselected;   /* the host's last name of those bytes */
        std::vector<Pick> picks;
        int button;
        Rgb taken;
    } cases[] = {
        /* 0.003 is byte 0: the colour is that of "cyan" and of "aqua". */
        {"cyan at byte resolution, OK", {0.003f, 1, 1}, {0, 255, 255}, "aqua", {}, IDOK, {0, 1, 1}},
        {"the same cyan, Cancel", {0.003f, 1, 1}, {0, 255, 255}, "aqua", {}, IDCANCEL, {0.003f, 1, 1}},
        {"red picked, Cancel", {0.5f, 0.5f, 0.5f}, {127, 127, 127}, nullptr,
         {{"red", {255, 0, 0}}}, IDCANCEL, {0.5f, 0.5f, 0.5f}},
        {"no name has this colour; two picks, OK", {0.123f, 0.456f, 0.789f}, {31, 116, 201},
         nullptr, {{"skyblue", {135, 206, 235}}, {"gold", {255, 215, 0}}}, IDOK,
         {1, 215 * kByte, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        host.ClearLog();
        int64_t blocks = LiveHostBlocks();
        float color[3] = {c.start.r, c.start.g, c.start.b};
        driver.Then([&](HWND dialog) { ui::Click(dialog, IDC_COLOR_NAMES); });
        driver.When("Named Color Selector", [&](HWND named) {
            HWND list = GetDlgItem(named, IDC_NAMED_LIST);
            EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 165) << "all the host's names";
            EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0),
                      c.preselected ? NameLine(list, c.preselected) : LB_ERR);
            EXPECT_EQ(Shown(named, IDC_NAMED_RED), c.shown);
            RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            EXPECT_GT(ui::CountColour(ui::Pixels(list), RGB(0, 0, 0)), 100) << "the list paints its names";
            for (const Pick &pick : c.picks) {
                SendMessageA(list, LB_SETCURSEL, NameLine(list, pick.name), 0);
                SendMessageA(named, WM_COMMAND, MAKEWPARAM(IDC_NAMED_LIST, LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(list));
                EXPECT_EQ(Shown(named, IDC_NAMED_RED), pick.shown) << pick.name;
                EXPECT_EQ(SwatchMiddle(named, IDC_NAMED_SWATCH),
                          RGB(pick.shown[0], pick.shown[1], pick.shown[2]));
            }
            ui::Click(named, c.button);
        });
        driver.Then([&](HWND dialog) {
            EXPECT_EQ(ui::Text(dialog), "Interactive Color Selector");
            EXPECT_EQ(Shown(dialog), c.button == IDOK && !c.picks.empty() ? c.picks.back().shown
                                                                           : c.shown);
            ui::Click(dialog, IDOK);
        });
        EXPECT_EQ(SelectColor(ui::TestOwnerWindow(), "Named", color), 1);
        ExpectColor(color, c.taken, "the name's colour");
        EXPECT_EQ(LiveHostBlocks(), blocks) << "the selected name's copies are freed";
        EXPECT_EQ(host.Log("Ki_Enumerate"),
                  std::vector<std::string>{"Ki_Enumerate 0 \"*\" 1 data 0 fn colorname 0"});
    }
}

// ---- the Windows colour dialog and the custom colours ----

TEST_F(ColorDialogs, WindowsDialogOkWritesAllSixteenCustomColoursCancelNoneAndThePaletteButtonShowsTheChoice)
{
    struct Case {
        const char *what;
        std::vector<std::pair<const char *, const char *>> saved;   /* key, ini text */
        int button;
        std::vector<std::string> written;                           /* all sixteen, or none */
    } cases[] = {
        {"nothing saved: the greys", {}, IDOK, {}},
        {"saved and bad entries",
         {{"Custom-Color3", "255"}, {"Custom-Color7", "-1"}, {"Custom-Color16", "junk"}}, IDOK, {}},
        {"cancel", {{"Custom-Color3", "255"}}, IDCANCEL, {}},
    };
    /* The greys for every slot not saved; -1 reads as grey, junk as 0. */
    for (int i = 1; i <= 16; i++) {
        cases[0].written.push_back(kGreys[i - 1]);
        cases[1].written.push_back(i == 3 ? "255" : i == 16 ? "0" : kGreys[i - 1]);
        cases[2].written.push_back(i == 3 ? "255" : "<none>");
    }
    for (const Case &c : cases) {
        const char *ini = host.services.iniFile.c_str();
        WritePrivateProfileStringA(kCustom, nullptr, nullptr, ini);   /* the last case's */
        for (const auto &entry : c.saved)
            WritePrivateProfileStringA(kCustom, entry.first, entry.second, ini);
        float color[3] = {0.5f, 0.25f, 1.0f};
        driver.Then([&](HWND chooser) { ui::Click(chooser, c.button); });
        EXPECT_EQ(ChooseSystemColor(ui::TestOwnerWindow(), color), c.button == IDOK) << c.what;
        /* OK returns the bytes of the colour it was given. */
        if (c.button == IDOK)
            ExpectColor(color, {127 * kByte, 63 * kByte, 1}, c.what);
        else
            ExpectColor(color, {0.5f, 0.25f, 1.0f}, c.what, 0);
        for (int i = 1; i <= 16; i++)
            EXPECT_EQ(Custom(i), c.written[i - 1]) << c.what << " slot " << i;
    }

    float color[3] = {0.5f, 0.25f, 1.0f};
    driver.Then([&](HWND dialog) { ui::Click(dialog, IDC_COLOR_PALETTE); });
    driver.Then([&](HWND chooser) {
        EXPECT_NE(ui::Text(chooser), "Interactive Color Selector");
        SetDlgItemTextA(chooser, 706, "10");   /* the chooser's red box */
        ui::Click(chooser, IDOK);
    });
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(Shown(dialog), (std::vector<int>{10, 63, 255}));
        ui::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(SelectColor(ui::TestOwnerWindow(), "Palette", color), 0);
    ExpectColor(color, {0.5f, 0.25f, 1.0f}, "Cancel in the selector undoes the palette", 0);
    EXPECT_EQ(Custom(16), kGreys[15]) << "the ini file keeps what was chosen";
}

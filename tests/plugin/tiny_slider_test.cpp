// The compact slider, driven through its own messages: typing into the
// buddy edit box, pressing, dragging and releasing the mouse, and read back
// through the record, the callbacks, the edit text and rendered pixels.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "controls/controls.h"
#include "entry/plugin.h"
#include "host_app.h"
#include "ui_driver.h"

namespace {

const int16_t kSliderId = 42;
using ui::kDialogColour;

struct TrackCall {
    KaToken phase;
    int16_t id;
    float value;
};

/* What the callbacks saw; cleared by the fixture. */
std::vector<int16_t> changes;
std::vector<TrackCall> tracks;

void OnChange(int16_t id)
{
    changes.push_back(id);
}

void OnTrack(KaToken phase, int16_t id, float value)
{
    tracks.push_back({phase, id, value});
}




bool IsDark(COLORREF c)
{
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 96;
}

int CountDark(const Capture &image, int left, int top, int right, int bottom)
{
    int count = 0;
    for (int y = top; y < bottom; y++)
        for (int x = left; x < right; x++)
            count += IsDark(image.Pixel(x, y));
    return count;
}

/* Tick marks in the row three below the base line, away from the thumb. */
int CountTicks(const Capture &image, int thumbX)
{
    int row = image.height - 5, count = 0;
    for (int x = 0; x < image.width; x++)
        if (std::abs(x - thumbX) > 7 && IsDark(image.Pixel(x, row)))
            count++;
    return count;
}


class TinySliderTest : public testing::Test {
protected:
    void SetUp() override
    {
        changes.clear();
        tracks.clear();
        dialogBrush = ui::DialogBrush();
        ui::parentBrush = dialogBrush;
        parent = ui::TestParentWindow("TinySliderTestParent", ui::BrushParentProc, 500, 200);
        ASSERT_NE(parent, nullptr);
        ASSERT_NE(CreateTinySlider(parent, moduleHandle, &rec, kSliderId, OnChange), nullptr);
    }

    void TearDown() override
    {
        DestroyTinySlider(&rec.window);
        DestroyWindow(parent);
        ui::parentBrush = nullptr;
    }

    /* The order every creator follows: background, set-up, place, value. */
    void Configure(uint32_t mode, float min, float max, float absMin, float absMax,
                   int16_t precision, int16_t percent, float value)
    {
        SetTinySliderBackground(parent, &rec);
        SetUpTinySlider(&rec, {"Value:", (int16_t)(mode == SLIDER_MODE_FLOAT), min, max, absMin,
                               absMax, &target, precision, percent, OnTrack});
        MoveWindow(rec.window, 10, 10, 296, 30, TRUE);
        SetTinySliderValue(&rec, value, 1, 0);
    }

    void Type(const char *text) { SetWindowTextA(rec.edit, text); }
    std::string EditText() const
    {
        char text[256] = "";
        GetWindowTextA(rec.edit, text, sizeof text);
        return text;
    }
    void Press(int x) { SendMessageA(rec.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 25)); }
    void Move(int x) { SendMessageA(rec.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 25)); }
    void Release(int x) { SendMessageA(rec.window, WM_LBUTTONUP, 0, MAKELPARAM(x, 25)); }

    std::vector<std::string> Phases() const
    {
        std::vector<std::string> names;
        for (const TrackCall &call : tracks) {
            const char *name = "?";
            for (const char *phase : {"start", "update", "end"})
                if (call.phase == Ki_Inquire_Token(phase))
                    name = phase;
            names.push_back(name);
        }
        return names;
    }

    HWND parent = nullptr;
    HBRUSH dialogBrush = nullptr;
    TinySlider rec = {};
    float target = -1.0f;
};

using PhaseList = std::vector<std::string>;

TEST_F(TinySliderTest, FreshSliderShowsZeroAndTheSampleCaption)
{
    EXPECT_EQ(EditText(), "0.000");
    ASSERT_NE(rec.label, nullptr);
    EXPECT_STREQ(rec.label, "This is sample text:");
    EXPECT_EQ(rec.thumbX, 6);
    EXPECT_EQ(GetDlgCtrlID(rec.window), kSliderId);
    EXPECT_EQ(GetDlgCtrlID(rec.edit), TINYSLIDER_EDIT_ID);
    EXPECT_EQ(GetParent(rec.edit), rec.window);
    EXPECT_FALSE(GetWindowLongA(rec.window, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ((HFONT)SendMessageA(rec.edit, WM_GETFONT, 0, 0), rec.font);
    EXPECT_TRUE(changes.empty());

    /* The caption is drawn above the base line; without a label that area
     * stays empty. */
    Capture withCaption = ui::PrintClient(rec.window);
    EXPECT_GT(CountDark(withCaption, 6, 0, 220, 30 - 9), 20);
    rec.label = "";
    EXPECT_EQ(CountDark(ui::PrintClient(rec.window), 6, 0, 220, 30 - 9), 0);
}

TEST_F(TinySliderTest, TypedNumbersReachTheTargetWithinTheAbsoluteRangeOnly)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 10.0f, 2, 0, 0.0f);
    EXPECT_EQ(EditText(), "0.00");
    EXPECT_EQ(target, 0.0f);

    Type("5");
    EXPECT_EQ(EditText(), "5");            /* beyond the track, but allowed */
    EXPECT_EQ(rec.thumbX, 296 - 7);
    EXPECT_EQ(rec.floatValue, 1.0f);
    EXPECT_EQ(target, 5.0f);
    EXPECT_EQ(changes, std::vector<int16_t>{kSliderId});

    Type("20");
    EXPECT_EQ(EditText(), "1.00");         /* the slider value, not the bound one */
    EXPECT_EQ(target, 10.0f);
    EXPECT_EQ(changes.size(), 2u);

    Type("-3");
    EXPECT_EQ(EditText(), "0.00");
    EXPECT_EQ(target, 0.0f);
    EXPECT_EQ(rec.thumbX, 6);

    Type("0.5");
    EXPECT_EQ(EditText(), "0.5");
    EXPECT_EQ(target, 0.5f);
    EXPECT_EQ(rec.thumbX, 147);            /* trunc(0.5 x 283 + 6) */
    EXPECT_TRUE(tracks.empty());           /* typing is no drag */
}

TEST_F(TinySliderTest, TextThatIsNotANumberReadsAsZeroThenClamps)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 10.0f, 2.0f, 8.0f, 1, 0, 5.0f);
    Type("abc");
    EXPECT_EQ(target, 2.0f);
    EXPECT_EQ(EditText(), "2.0");
    Type("nan");
    EXPECT_EQ(target, 2.0f);
    Type("");
    EXPECT_EQ(target, 2.0f);
    Type("1e30");
    EXPECT_EQ(target, 8.0f);
    EXPECT_EQ(EditText(), "8.0");
    std::string longText(600, '7');
    Type(longText.c_str());
    EXPECT_EQ(target, 8.0f);
}

TEST_F(TinySliderTest, PercentSliderShowsAndReadsPercentages)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 1, 1, 0.25f);
    EXPECT_EQ(EditText(), "25.0");

    /* The "%" sits right of the edit box, above the base line. */
    rec.label = "";
    const int percentArea[4] = {296 - 6 - 20, 0, 296 - 6, 30 - 9};
    EXPECT_GT(CountDark(ui::PrintClient(rec.window), percentArea[0], percentArea[1], percentArea[2],
                        percentArea[3]),
              3);
    rec.percent = 0;
    EXPECT_EQ(CountDark(ui::PrintClient(rec.window), percentArea[0], percentArea[1], percentArea[2],
                        percentArea[3]),
              0);
    rec.percent = 1;

    Type("50");
    EXPECT_EQ(rec.floatValue, 0.5f);
    EXPECT_EQ(target, 0.5f);
    EXPECT_EQ(EditText(), "50");
    Type("150");
    EXPECT_EQ(target, 1.0f);
    EXPECT_EQ(EditText(), "100.0");
}

TEST_F(TinySliderTest, PrecisionChoosesTheDecimalsAndOutOfRangePrecisionsStillShowText)
{
    struct Case {
        int16_t precision;
        int16_t percent;
        float value;
        const char *text;
    } cases[] = {
        {0, 0, 3.75f, "3"},  {1, 0, 3.75f, "3.8"},  {2, 0, 3.75f, "3.75"},
        {3, 0, 3.75f, "3.750"}, {4, 0, 3.75f, "3.7500"},
        {0, 1, 0.5f, "0"},   /* whole numbers are shown unscaled */
        {2, 1, 0.125f, "12.50"},
        {-3, 0, 3.75f, "3"}, {9, 0, 3.75f, "3.7500"},
    };
    for (const Case &c : cases) {
        Configure(SLIDER_MODE_FLOAT, 0.0f, 10.0f, 0.0f, 10.0f, c.precision, c.percent, c.value);
        EXPECT_EQ(EditText(), c.text) << "precision " << c.precision;
    }
}

TEST_F(TinySliderTest, IntegerSliderDropsFractionsAndBindsBothTargets)
{
    int32_t intTarget = -1;
    Configure(SLIDER_MODE_INTEGER, 0.0f, 10.0f, 0.0f, 100.0f, 0, 0, 4.0f);
    rec.intTarget = &intTarget;
    EXPECT_EQ(EditText(), "4");
    EXPECT_EQ(rec.thumbX, 119);            /* trunc(0.4 x 283 + 6) */

    SetTinySliderValue(&rec, 57.9f, 1, 1);
    EXPECT_EQ(rec.intValue, 10);
    EXPECT_EQ(EditText(), "10");
    EXPECT_FLOAT_EQ(target, 57.9f);
    EXPECT_EQ(intTarget, 57);
    EXPECT_EQ(changes.size(), 1u);

    SetTinySliderValue(&rec, 500.0f, 1, 1);
    EXPECT_EQ(target, 100.0f);
    EXPECT_EQ(intTarget, 100);

    Type("-5");
    EXPECT_EQ(EditText(), "0");
    EXPECT_EQ(rec.intValue, 0);
    EXPECT_EQ(intTarget, 0);
    EXPECT_EQ(rec.thumbX, 6);
}

TEST_F(TinySliderTest, NotificationsFollowCommittedChangesOnly)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 10.0f, 2, 0, 0.5f);
    SetTinySliderValue(&rec, 0.75f, 1, 0);
    EXPECT_TRUE(changes.empty());
    SetTinySliderValue(&rec, 0.75f, 1, 1);          /* same value, same bound */
    EXPECT_TRUE(changes.empty());
    SetTinySliderValue(&rec, 0.25f, 0, 1);
    EXPECT_EQ(changes, std::vector<int16_t>{kSliderId});
    EXPECT_EQ(EditText(), "0.75");                  /* updateText off */
    SetTinySliderValue(&rec, 3.0f, 1, 1);           /* slider value 1, bound 3 */
    SetTinySliderValue(&rec, 4.0f, 1, 1);           /* value stays 1, bound moves */
    EXPECT_EQ(changes.size(), 3u);

    rec.changeCallback = nullptr;
    Type("0.1");
    EXPECT_EQ(target, 0.1f);
    EXPECT_EQ(changes.size(), 3u);
}

TEST_F(TinySliderTest, ValuesThatAreNoNumbersOrInfiniteStayInRange)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, -5.0f, 5.0f, 2, 0, 0.5f);
    SetTinySliderValue(&rec, NAN, 1, 1);
    EXPECT_EQ(rec.floatValue, 0.0f);
    EXPECT_EQ(target, 0.0f);
    EXPECT_EQ(EditText(), "0.00");
    SetTinySliderValue(&rec, INFINITY, 1, 0);
    EXPECT_EQ(rec.floatValue, 1.0f);
    EXPECT_EQ(target, 5.0f);
    EXPECT_EQ(rec.thumbX, 289);
    SetTinySliderValue(&rec, -INFINITY, 1, 0);
    EXPECT_EQ(target, -5.0f);
    EXPECT_EQ(rec.thumbX, 6);

    int32_t intTarget = 0;
    rec.mode = SLIDER_MODE_INTEGER;
    rec.intTarget = &intTarget;
    rec.absMin = -1e30f;
    rec.absMax = 1e30f;
    SetTinySliderValue(&rec, 1e20f, 1, 0);
    EXPECT_EQ(rec.intValue, 1);
    EXPECT_EQ(intTarget, INT32_MAX);
    SetTinySliderValue(&rec, NAN, 1, 0);
    EXPECT_EQ(intTarget, 0);
}

TEST_F(TinySliderTest, ZeroWidthRangesAndNarrowSlidersKeepTheThumbAtTheLeftEnd)
{
    Configure(SLIDER_MODE_FLOAT, 3.0f, 3.0f, 0.0f, 10.0f, 2, 0, 3.0f);
    EXPECT_EQ(rec.thumbX, 6);
    EXPECT_EQ(EditText(), "3.00");
    Press(100);
    Move(200);
    Release(200);
    EXPECT_EQ(rec.floatValue, 3.0f);
    EXPECT_TRUE(changes.empty());

    Configure(SLIDER_MODE_INTEGER, 2.0f, 2.0f, 0.0f, 10.0f, 0, 0, 2.0f);
    EXPECT_EQ(rec.thumbX, 6);
    Capture image = ui::PrintClient(rec.window);
    EXPECT_EQ(CountTicks(image, rec.thumbX), 0);

    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.7f);
    MoveWindow(rec.window, 10, 10, 8, 30, TRUE);
    EXPECT_EQ(rec.width, 8);
    EXPECT_EQ(rec.thumbX, 6);
    Press(3);
    Move(-40);
    Move(40);
    Release(40);
    EXPECT_EQ(rec.thumbX, 6);
    EXPECT_EQ(rec.floatValue, 0.0f);

    /* The widest range a float can hold. */
    Configure(SLIDER_MODE_FLOAT, -3.4028235e38f, 3.4028235e38f, -3.4028235e38f,
              3.4028235e38f, 2, 0, 0.0f);
    EXPECT_EQ(rec.thumbX, 147);
    Press(289);
    Move(289);
    Release(289);
    EXPECT_TRUE(std::isfinite(rec.floatValue));
    EXPECT_EQ(rec.floatValue, 3.4028235e38f);
    EXPECT_EQ(rec.thumbX, 289);
}

TEST_F(TinySliderTest, TicksMarkEveryIntegerOfShortRangesExceptUnderTheThumb)
{
    struct Case {
        float min, max, value;
        int ticks;
    } cases[] = {
        {0, 10, 0, 10}, {0, 10, 5, 10}, {0, 11, 0, 0}, {-3, 3, 1, 6}, {4, 4, 4, 0},
    };
    for (const Case &c : cases) {
        Configure(SLIDER_MODE_INTEGER, c.min, c.max, c.min, c.max, 0, 0, c.value);
        EXPECT_EQ(CountTicks(ui::PrintClient(rec.window), rec.thumbX), c.ticks)
            << "range " << c.min << ".." << c.max << " value " << c.value;
    }
    Configure(SLIDER_MODE_FLOAT, 0, 10, 0, 10, 2, 0, 0);
    EXPECT_EQ(CountTicks(ui::PrintClient(rec.window), rec.thumbX), 0);

    /* 0..10 with the value 0: the first tick at trunc(1/10 * 283 + 6). */
    Configure(SLIDER_MODE_INTEGER, 0, 10, 0, 10, 0, 0, 0);
    Capture image = ui::PrintClient(rec.window);
    EXPECT_TRUE(IsDark(image.Pixel(34, 30 - 7)));
    EXPECT_TRUE(IsDark(image.Pixel(34, 30 - 4)));
    EXPECT_FALSE(IsDark(image.Pixel(34, 30 - 3)));
    EXPECT_TRUE(IsDark(image.Pixel(289, 30 - 5)));
}

TEST_F(TinySliderTest, ThumbAndBaseLineSitOnTheirPixels)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.5f);
    const int h = 30, t = rec.thumbX;
    ASSERT_EQ(t, 147);
    Capture image = ui::PrintClient(rec.window);
    EXPECT_EQ(image.Pixel(2, 2), kDialogColour);
    EXPECT_TRUE(IsDark(image.Pixel(6, h - 8)));
    EXPECT_TRUE(IsDark(image.Pixel(296 - 7, h - 8)));
    EXPECT_FALSE(IsDark(image.Pixel(5, h - 8)));
    EXPECT_FALSE(IsDark(image.Pixel(296 - 6, h - 8)));
    EXPECT_TRUE(IsDark(image.Pixel(t, h - 7)));         /* tip */
    EXPECT_TRUE(IsDark(image.Pixel(t - 6, h - 1)));     /* base corners */
    EXPECT_TRUE(IsDark(image.Pixel(t + 6, h - 1)));
    EXPECT_FALSE(IsDark(image.Pixel(t - 7, h - 1)));
    EXPECT_FALSE(IsDark(image.Pixel(t + 7, h - 1)));
    EXPECT_FALSE(IsDark(image.Pixel(t, h - 3)));        /* unfilled */
    EXPECT_EQ(CountDark(image, 0, h - 7, 296, h), CountDark(image, t - 6, h - 7, t + 7, h));
}

TEST_F(TinySliderTest, DraggingPastEitherEndHoldsTheThumbAtTheTrackEnds)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.5f);
    Press(147);
    EXPECT_EQ(GetCapture(), rec.window);
    Move(-50);
    EXPECT_EQ(rec.thumbX, 6);
    EXPECT_EQ(rec.floatValue, 0.0f);
    EXPECT_EQ(target, 0.0f);                    /* targets follow the drag live */
    EXPECT_EQ(EditText(), "0.00");
    Move(1000);
    EXPECT_EQ(rec.thumbX, 296 - 7);
    EXPECT_EQ(rec.floatValue, 1.0f);
    EXPECT_TRUE(changes.empty());               /* nothing committed yet */
    Release(1000);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(changes, std::vector<int16_t>{kSliderId});
    EXPECT_EQ(Phases(), (PhaseList{"start", "update", "update", "end"}));
    EXPECT_EQ(tracks.front().value, 0.5f);
    EXPECT_EQ(tracks.back().value, 1.0f);
    EXPECT_EQ(tracks.back().id, kSliderId);

    /* The same for an integer range. */
    tracks.clear();
    Configure(SLIDER_MODE_INTEGER, -5.0f, 5.0f, -5.0f, 5.0f, 0, 0, 0.0f);
    Press(150);
    Move(-1);
    EXPECT_EQ(rec.intValue, -5);
    EXPECT_EQ(EditText(), "-5");
    Move(30000);
    EXPECT_EQ(rec.intValue, 5);
    Release(30000);
    EXPECT_EQ(rec.thumbX, 289);
    EXPECT_EQ(tracks.back().value, 5.0f);
}

TEST_F(TinySliderTest, AClickAwayFromTheThumbMovesItOnRelease)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 100.0f, 0.0f, 100.0f, 3, 0, 0.0f);
    Press(147);
    EXPECT_EQ(rec.thumbX, 6);                   /* not yet */
    EXPECT_EQ(Phases(), PhaseList{"start"});
    Release(147);
    /* 141 of the track's 283 pixels of 0..100 */
    EXPECT_NEAR(rec.floatValue, 49.8233f, 1e-4f);
    EXPECT_EQ(target, rec.floatValue);
    EXPECT_NEAR(rec.thumbX, 147, 1);
    EXPECT_EQ(EditText(), "49.823");
    EXPECT_EQ(changes, std::vector<int16_t>{kSliderId});
    EXPECT_EQ(Phases(), (PhaseList{"start", "end"}));
    EXPECT_EQ(tracks.back().value, rec.floatValue);
}

TEST_F(TinySliderTest, GesturesThatEndOnTheStartingValueCommitNothing)
{
    struct Case {
        const char *what;
        uint32_t mode;
        float max, value;
        std::vector<int> moves;   /* pressed on the thumb, released at the last move */
        float midway;             /* the value after the first move */
    } cases[] = {
        {"press and release on the thumb", SLIDER_MODE_FLOAT, 1, 0.5f, {}, 0},
        {"out to 8 of 10 and back", SLIDER_MODE_INTEGER, 10, 5, {250, 150}, 8},
        {"out and past the left end", SLIDER_MODE_FLOAT, 1, 0, {200, -20}, 0.6855f},   /* 194 of 283 */
    };
    for (const Case &c : cases) {
        changes.clear();
        tracks.clear();
        bool integer = c.mode == SLIDER_MODE_INTEGER;
        Configure(c.mode, 0, c.max, 0, c.max, integer ? 0 : 2, 0, c.value);
        int x = rec.thumbX;
        Press(x);
        for (int m : c.moves)
            Move(x = m);
        Release(x);
        EXPECT_EQ(integer ? (float)rec.intValue : rec.floatValue, c.value) << c.what;
        EXPECT_TRUE(changes.empty()) << c.what;
        ASSERT_EQ(tracks.size(), c.moves.size() + 2) << c.what;
        EXPECT_EQ(Phases().front(), "start") << c.what;
        EXPECT_EQ(Phases().back(), "end") << c.what;
        EXPECT_EQ(tracks.back().value, c.value) << c.what;
        if (!c.moves.empty()) {
            EXPECT_NEAR(tracks[1].value, c.midway, 1e-4f) << c.what;
        }
    }
}

TEST_F(TinySliderTest, StrayMouseMessagesDoNothing)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.5f);
    Move(20);
    Release(20);
    SendMessageA(rec.window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 25));
    SendMessageA(rec.window, WM_RBUTTONUP, 0, MAKELPARAM(20, 25));
    EXPECT_EQ(rec.floatValue, 0.5f);
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(tracks.empty());

    /* While one slider drags, another ignores moves and releases. */
    TinySlider other = {};
    ASSERT_NE(CreateTinySlider(parent, moduleHandle, &other, 7, OnChange), nullptr);
    Press(147);
    SendMessageA(other.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 25));
    SendMessageA(other.window, WM_LBUTTONUP, 0, MAKELPARAM(200, 25));
    EXPECT_EQ(other.thumbX, 6);
    EXPECT_EQ(GetCapture(), rec.window);
    Release(147);
    EXPECT_TRUE(changes.empty());
    DestroyTinySlider(&other.window);
}

TEST_F(TinySliderTest, LosingTheCaptureEndsTheDragWhereTheThumbIs)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.0f);
    Press(6);
    Move(289);
    SendMessageA(rec.window, WM_CANCELMODE, 0, 0);
    EXPECT_NE(GetCapture(), rec.window);
    EXPECT_EQ(changes, std::vector<int16_t>{kSliderId});
    EXPECT_EQ(Phases(), (PhaseList{"start", "update", "end"}));
    Move(100);                                   /* no longer dragging */
    Release(100);
    EXPECT_EQ(rec.floatValue, 1.0f);
    EXPECT_EQ(tracks.size(), 3u);

    /* Another window taking the capture does the same. */
    tracks.clear();
    Press(289);
    Move(100);
    SetCapture(parent);
    EXPECT_EQ(Phases(), (PhaseList{"start", "update", "end"}));
    EXPECT_EQ(changes.size(), 2u);
    ReleaseCapture();
}

TEST_F(TinySliderTest, DestroyingInMidDragCallsNobodyBack)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.0f);
    Press(6);
    Move(200);
    tracks.clear();
    DestroyTinySlider(&rec.window);
    EXPECT_EQ(rec.window, nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(tracks.empty());
    EXPECT_TRUE(changes.empty());
    DestroyTinySlider(&rec.window);              /* a second call is harmless */
}

TEST_F(TinySliderTest, ResizingMovesTheEditBoxAndKeepsTheThumbOnItsValue)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 1, 1.0f);
    MoveWindow(rec.window, 0, 0, 400, 40, TRUE);
    EXPECT_EQ(rec.width, 400);
    EXPECT_EQ(rec.height, 40);
    EXPECT_EQ(rec.thumbX, 400 - 7);

    /* The box ends where the "%" (in the slider's font) begins. */
    SIZE percent = {};
    HDC dc = GetDC(rec.window);
    HGDIOBJ old = SelectObject(dc, rec.font);
    GetTextExtentPoint32A(dc, "%", 1, &percent);
    SelectObject(dc, old);
    ReleaseDC(rec.window, dc);
    RECT edit, editClient;
    GetWindowRect(rec.edit, &edit);
    MapWindowPoints(nullptr, rec.window, (POINT *)&edit, 2);
    GetClientRect(rec.edit, &editClient);
    EXPECT_EQ(edit.left, 400 - percent.cx - 66);
    EXPECT_EQ(edit.right, 400 - 6 - percent.cx);
    EXPECT_EQ(edit.top, 40 - editClient.bottom - 17);
    EXPECT_EQ(edit.right - edit.left, 60);       /* moved, not resized */
    EXPECT_EQ(edit.bottom - edit.top, 20);
}

TEST_F(TinySliderTest, SettingAValueRepaintsOnlyTheThumbStripAtOnce)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.0f);
    ShowWindow(parent, SW_SHOWNA);
    ShowWindow(rec.window, SW_SHOWNA);
    UpdateWindow(parent);
    const COLORREF marker = RGB(255, 0, 255);
    HDC dc = GetDC(rec.window);
    HBRUSH brush = CreateSolidBrush(marker);
    RECT whole = {0, 0, 296, 30};
    FillRect(dc, &whole, brush);
    DeleteObject(brush);
    ReleaseDC(rec.window, dc);

    SetTinySliderValue(&rec, 0.5f, 1, 0);
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(rec.window, &dirty, FALSE)) << "painted at once";
    Capture shown;
    ASSERT_TRUE(CaptureWindow(rec.window, true, &shown));
    EXPECT_EQ(shown.Pixel(2, 2), marker) << "the caption is not repainted";
    EXPECT_EQ(shown.Pixel(2, 30 - 8), marker) << "nor the base line above the strip";
    EXPECT_NE(shown.Pixel(2, 30 - 2), marker) << "the thumb strip is";
}

TEST_F(TinySliderTest, BackgroundComesFromTheDialogAndOnlyOwnObjectsAreDeleted)
{
    HBRUSH own = rec.background;
    ASSERT_NE(own, nullptr);
    SetTinySliderBackground(parent, &rec);
    EXPECT_EQ(rec.background, dialogBrush);
    EXPECT_EQ(GetObjectType(own), 0u);            /* the first brush was the slider's */
    SetTinySliderBackground(parent, &rec);       /* the dialog's brush survives a repeat */
    EXPECT_EQ(GetObjectType(dialogBrush), (DWORD)OBJ_BRUSH);
    EXPECT_EQ(ui::PrintClient(rec.window).Pixel(3, 3), kDialogColour);

    HFONT font = rec.font;
    DestroyTinySlider(&rec.window);
    EXPECT_EQ(GetObjectType(font), 0u);
    EXPECT_EQ(GetObjectType(dialogBrush), (DWORD)OBJ_BRUSH);

    /* A parent without an answer: the slider makes a brush and frees it. */
    ui::parentBrush = nullptr;
    TinySlider plain = {};
    ASSERT_NE(CreateTinySlider(parent, moduleHandle, &plain, 9, nullptr), nullptr);
    SetTinySliderBackground(parent, &plain);
    HBRUSH made = plain.background;
    EXPECT_EQ(GetObjectType(made), (DWORD)OBJ_BRUSH);
    LOGBRUSH colour = {};
    GetObject(made, sizeof colour, &colour);
    EXPECT_EQ(colour.lbColor, GetSysColor(COLOR_BTNFACE));
    DestroyTinySlider(&plain.window);
    EXPECT_EQ(GetObjectType(made), 0u);
}

TEST_F(TinySliderTest, ManySlidersLeaveNoGdiObjectsBehind)
{
    std::optional<int> gained = ui::GdiObjectsGained(200, 9, [&](int i) {
        TinySlider extra = {};
        ASSERT_NE(CreateTinySlider(parent, moduleHandle, &extra, 100 + i, OnChange), nullptr);
        if (i % 3 != 0)
            SetTinySliderBackground(parent, &extra);
        ui::parentBrush = i % 3 == 1 ? nullptr : dialogBrush;
        extra.percent = 1;
        extra.mode = (uint32_t)(i % 2);
        extra.intMax = 10;
        MoveWindow(extra.window, 0, 0, 296, 30, TRUE);
        SetTinySliderValue(&extra, 0.25f, 1, 1);
        ui::PrintClient(extra.window);
        SendMessageA(extra.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 25));
        SendMessageA(extra.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(70, 25));
        SendMessageA(extra.window, WM_LBUTTONUP, 0, MAKELPARAM(80, 25));
        DestroyTinySlider(&extra.window);
    });
    if (!gained)
        GTEST_SKIP() << "no way to count GDI objects here";
    /* A leak of one object a slider would show as 190 more; the system's
     * own caches may still settle by a handful. */
    EXPECT_LE(*gained, 8);
}

} // namespace

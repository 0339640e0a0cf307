// The compact slider, driven through its own messages: typing into the
// buddy edit box, pressing, dragging and releasing the mouse, and read back
// through the record, the callbacks, the edit text and rendered pixels.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "controls/controls.h"
#include "entry/plugin.h"
#include "host_app.h"
#include "control_parent_test.h"
#include "ui_driver.h"

namespace {

const int16_t kSliderId = 42;
using ui::kDialogColour;

struct TrackCall {
    std::string phase;   /* "start", "update", "end" or "?" */
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
    const char *name = "?";
    for (const char *known : {"start", "update", "end"})
        if (phase == Ki_Inquire_Token(known))
            name = known;
    tracks.push_back({name, id, value});
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

/* The painted base line: the row with the most ink, and its inked ends. */
struct Line {
    int y, left, right;
};

Line BaseLine(const Capture &image)
{
    Line line = {0, image.width, -1};
    for (int y = 1; y < image.height; y++)
        if (CountDark(image, 0, y, image.width, y + 1) >
            CountDark(image, 0, line.y, image.width, line.y + 1))
            line.y = y;
    for (int x = 0; x < image.width; x++)
        if (IsDark(image.Pixel(x, line.y))) {
            line.left = std::min(line.left, x);
            line.right = x;
        }
    return line;
}

const COLORREF kMarker = RGB(255, 0, 255);

class TinySliderTest : public ui::ControlParentTest {
protected:
    void SetUp() override
    {
        changes.clear();
        tracks.clear();
        ASSERT_NE(OpenParent("TinySliderTestParent", ui::BrushParentProc, 500, 200), nullptr);
        ASSERT_NE(CreateTinySlider(parent, moduleHandle, &rec, kSliderId, OnChange), nullptr);
    }

    void TearDown() override
    {
        DestroyTinySlider(&rec.window);
        CloseParent();
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

    /* Over the whole slider, so that what is drawn again afterwards shows. */
    void PaintOver(COLORREF colour)
    {
        HDC dc = GetDC(rec.window);
        HBRUSH brush = CreateSolidBrush(colour);
        RECT whole = {0, 0, 296, 30};
        FillRect(dc, &whole, brush);
        DeleteObject(brush);
        ReleaseDC(rec.window, dc);
    }
    void Type(const char *text) { SetWindowTextA(rec.edit, text); }
    std::string EditText() const { return ui::Text(rec.edit); }
    RECT EditRect() const
    {
        RECT edit;
        GetWindowRect(rec.edit, &edit);
        MapWindowPoints(nullptr, rec.window, (POINT *)&edit, 2);
        return edit;
    }
    void Press(int x) { ui::LeftDown(rec.window, x, 25); }
    void Move(int x) { ui::MouseMove(rec.window, x, 25, true); }
    void Release(int x) { ui::LeftUp(rec.window, x, 25); }
    float Value() const
    {
        return rec.mode == SLIDER_MODE_INTEGER ? (float)rec.intValue : rec.floatValue;
    }

    TinySlider rec = {};
    float target = -1.0f;
};

/* A place of a rendered slider and whether it is inked. */
struct Ink {
    int x, y;
    bool dark;
};

void ExpectInk(const Capture &image, std::initializer_list<Ink> places)
{
    for (const Ink &p : places)
        EXPECT_EQ(IsDark(image.Pixel(p.x, p.y)), p.dark) << "at " << p.x << "," << p.y;
}

const int kSkip = -99999;   /* a step's field that is not checked */

TEST_F(TinySliderTest, AFreshSliderIsHiddenShowsZeroInItsOwnFontAndTakesTheDialogsBrush)
{
    EXPECT_EQ(EditText(), "0.000");
    EXPECT_STREQ(rec.label, "This is sample text:");
    EXPECT_EQ(rec.thumbX, 6);
    EXPECT_FALSE(GetWindowLongA(rec.window, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ((HFONT)SendMessageA(rec.edit, WM_GETFONT, 0, 0), rec.font);

    HBRUSH own = rec.background;
    ASSERT_NE(own, nullptr);
    SetTinySliderBackground(parent, &rec);
    EXPECT_EQ(rec.background, dialogBrush);
    EXPECT_EQ(GetObjectType(own), 0u);            /* the first brush was the slider's */
    SetTinySliderBackground(parent, &rec);       /* the dialog's brush survives a repeat */
    EXPECT_EQ(GetObjectType(dialogBrush), (DWORD)OBJ_BRUSH);
    EXPECT_EQ(ui::PrintClient(rec.window).Pixel(3, 3), kDialogColour);
}

TEST_F(TinySliderTest, CaptionAndPercentSignAreDrawnAboveTheBaseLine)
{
    /* The caption at the left, the "%" right of the edit box. */
    auto darkAbove = [&](int left, int right) {
        return CountDark(ui::PrintClient(rec.window), left, 0, right, 30 - 9);
    };
    EXPECT_GT(darkAbove(6, 220), 20);
    rec.label = "";
    EXPECT_EQ(darkAbove(6, 220), 0);
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 1, 1, 0.25f);
    rec.label = "";
    EXPECT_GT(darkAbove(296 - 6 - 20, 296 - 6), 3);
    rec.percent = 0;
    EXPECT_EQ(darkAbove(296 - 6 - 20, 296 - 6), 0);
}

/* One step of a value case: the text typed, or (when null) the value set
 * with its flags; then the edit text, the float and integer targets, the
 * thumb's place as a fraction of the track and the change count, each
 * unless kSkip (or null). */
struct Step {
    const char *typed;
    float value;
    int16_t updateText, notify;
    const char *edit;
    float target;
    float thumb;
    int changes, intTarget;
};

/* A slider configured so, then the steps on it. */
struct ValueCase {
    const char *what;
    uint32_t mode;
    float min, max, absMin, absMax;
    int16_t precision, percent;
    float value;
    bool silent;   /* no change callback */
    const char *shown;
    float thumb;
    std::vector<Step> steps;
};

class TinySliderValues : public TinySliderTest {
protected:
    /* The track's ends are those of the painted base line. */
    void MeasureTrack()
    {
        Configure(SLIDER_MODE_FLOAT, 0, 1, 0, 1, 0, 0, 0);
        Line line = BaseLine(ui::PrintClient(rec.window));
        trackLeft = line.left;
        trackRight = line.right;
        ASSERT_LT(trackLeft, trackRight);
    }
    void ExpectThumbAt(float fraction)
    {
        if (fraction != kSkip) {
            EXPECT_NEAR(rec.thumbX, trackLeft + fraction * (trackRight - trackLeft), 1.0f)
                << "a fraction " << fraction << " of the track";
        }
    }
    void Run(std::initializer_list<ValueCase> cases)
    {
        MeasureTrack();
        for (const ValueCase &c : cases) {
            SCOPED_TRACE(c.what);
            changes.clear();
            Configure(c.mode, c.min, c.max, c.absMin, c.absMax, c.precision, c.percent, c.value);
            rec.intTarget = &intTarget;
            rec.changeCallback = c.silent ? nullptr : OnChange;
            EXPECT_EQ(EditText(), c.shown);
            ExpectThumbAt(c.thumb);
            for (const Step &s : c.steps)
                RunStep(s);
        }
        EXPECT_TRUE(tracks.empty()) << "typing and setting are no drag";
    }
    void RunStep(const Step &s)
    {
        SCOPED_TRACE(s.typed ? std::string(s.typed).substr(0, 8) : std::to_string(s.value));
        if (s.typed)
            Type(s.typed);
        else
            SetTinySliderValue(&rec, s.value, s.updateText, s.notify);
        if (s.edit) {
            EXPECT_EQ(EditText(), s.edit);
        }
        if (s.target != kSkip) {
            EXPECT_FLOAT_EQ(target, s.target);
        }
        ExpectThumbAt(s.thumb);
        if (s.changes != kSkip) {
            EXPECT_EQ(changes, std::vector<int16_t>(s.changes, kSliderId));
        }
        if (s.intTarget != kSkip) {
            EXPECT_EQ(intTarget, s.intTarget);
        }
    }

    int32_t intTarget = -1;
    int trackLeft = 0, trackRight = 0;
};

TEST_F(TinySliderValues, TypedTextIsClampedToTheAbsoluteRangeNotTheTracks)
{
    Run({{"typed within the absolute range only",
         SLIDER_MODE_FLOAT, 0, 1, 0, 10, 2, 0, 0, false, "0.00", 0,
          {{"5", 0, 0, 0, "5", 5, 1, 1, kSkip},   /* beyond the track, but allowed */
           {"20", 0, 0, 0, "1.00", 10, kSkip, 2, kSkip},   /* the slider value, not the bound */
           {"-3", 0, 0, 0, "0.00", 0, 0, kSkip, kSkip},
           {"0.5", 0, 0, 0, "0.5", 0.5f, 0.5f, kSkip, kSkip}}}});
}

TEST_F(TinySliderValues, TypedTextThatIsNoNumberReadsAsZeroBeforeTheClamp)
{
    const std::string longText(600, '7');
    Run({{"text that is no number reads as zero",
         SLIDER_MODE_FLOAT, 0, 10, 2, 8, 1, 0, 5, false, "5.0", kSkip,
          {{"abc", 0, 0, 0, "2.0", 2, kSkip, kSkip, kSkip},
           {"nan", 0, 0, 0, nullptr, 2, kSkip, kSkip, kSkip},
           {"", 0, 0, 0, nullptr, 2, kSkip, kSkip, kSkip},
           {"1e30", 0, 0, 0, "8.0", 8, kSkip, kSkip, kSkip},
           {longText.c_str(), 0, 0, 0, nullptr, 8, kSkip, kSkip, kSkip}}}});
}

TEST_F(TinySliderValues, PercentagesAreTypedAndShownAsHundredths)
{
    Run({{"percentages", SLIDER_MODE_FLOAT, 0, 1, 0, 1, 1, 1, 0.25f, false, "25.0", kSkip,
          {{"50", 0, 0, 0, "50", 0.5f, kSkip, kSkip, kSkip},
           {"150", 0, 0, 0, "100.0", 1, kSkip, kSkip, kSkip}}}});
}

TEST_F(TinySliderValues, IntegerSlidersDropFractions)
{
    Run({{"integers drop fractions", SLIDER_MODE_INTEGER, 0, 10, 0, 100, 0, 0, 4, false, "4", 0.4f,
          {{nullptr, 57.9f, 1, 1, "10", 57.9f, kSkip, 1, 57},
           {nullptr, 500, 1, 1, nullptr, 100, kSkip, kSkip, 100},
           {"-5", 0, 0, 0, "0", kSkip, 0, kSkip, 0}}}});
}

TEST_F(TinySliderValues, IntegerTargetsSaturate)
{
    Run({{"integer targets saturate",
         SLIDER_MODE_INTEGER, 0, 1, -1e30f, 1e30f, 0, 0, 0, false, "0", kSkip,
          {{nullptr, 1e20f, 1, 0, "1", kSkip, kSkip, kSkip, INT32_MAX},
           {nullptr, NAN, 1, 0, nullptr, kSkip, kSkip, kSkip, 0}}}});
}

TEST_F(TinySliderValues, OnlyANotifiedChangeOfTheValueOrItsBoundCallsBack)
{
    Run({{"committed changes only",
         SLIDER_MODE_FLOAT, 0, 1, 0, 10, 2, 0, 0.5f, false, "0.50", kSkip,
          {{nullptr, 0.75f, 1, 0, nullptr, kSkip, kSkip, 0, kSkip},
           {nullptr, 0.75f, 1, 1, nullptr, kSkip, kSkip, 0, kSkip},   /* same value, same bound */
           {nullptr, 0.25f, 0, 1, "0.75", kSkip, kSkip, 1, kSkip},    /* updateText off */
           {nullptr, 3, 1, 1, nullptr, kSkip, kSkip, 2, kSkip},       /* slider value 1, bound 3 */
           /* value stays, bound moves */
           {nullptr, 4, 1, 1, nullptr, kSkip, kSkip, 3, kSkip}}}});
}

TEST_F(TinySliderValues, ASliderWithoutAChangeCallbackStillTakesTypedValues)
{
    Run({{"no change callback", SLIDER_MODE_FLOAT, 0, 1, 0, 10, 2, 0, 0.5f, true, "0.50", kSkip,
          {{"0.1", 0, 0, 0, nullptr, 0.1f, kSkip, 0, kSkip}}}});
}

TEST_F(TinySliderValues, ValuesThatAreNoNumberBecomeZeroAndInfinitiesTheAbsoluteBounds)
{
    Run({{"no numbers and infinities",
         SLIDER_MODE_FLOAT, 0, 1, -5, 5, 2, 0, 0.5f, false, "0.50", kSkip,
          {{nullptr, NAN, 1, 1, "0.00", 0, kSkip, kSkip, kSkip},
           {nullptr, INFINITY, 1, 0, nullptr, 5, 1, kSkip, 5},
           {nullptr, -INFINITY, 1, 0, nullptr, -5, 0, kSkip, -5}}}});
}

/* Precisions choose the decimals; those out of 0..4 still show text, as 0 or 4. */
TEST_F(TinySliderValues, PrecisionChoosesTheDecimalsAndOneOutOfRangeStillShowsText)
{
    Run({{"precision 0", SLIDER_MODE_FLOAT, 0, 10, 0, 10, 0, 0, 3.75f, false, "3", kSkip, {}},
         {"precision -3", SLIDER_MODE_FLOAT, 0, 10, 0, 10, -3, 0, 3.75f, false, "3", kSkip, {}},
         {"precision 9", SLIDER_MODE_FLOAT, 0, 10, 0, 10, 9, 0, 3.75f, false, "3.7500", kSkip, {}},
         /* whole numbers are shown unscaled */
         {"percent, precision 0",
          SLIDER_MODE_FLOAT, 0, 10, 0, 10, 0, 1, 0.5f, false, "0", kSkip, {}}});
}

TEST_F(TinySliderTest, RangesOfZeroWidthNarrowSlidersAndTheWidestRangeKeepTheThumbOnTheTrack)
{
    /* Configured at `width`, pressed, dragged past the left end and on to
     * `to`, released there; a changed value is committed. */
    struct Case {
        const char *what;
        uint32_t mode;
        float min, max;
        int width;
        float value;
        int thumb, press, to;
        float end;
        int endThumb;
    } cases[] = {
        {"float range of zero width", SLIDER_MODE_FLOAT, 3, 3, 296, 3, 6, 100, 200, 3, 6},
        {"integer range of zero width", SLIDER_MODE_INTEGER, 2, 2, 296, 2, 6, 100, 200, 2, 6},
        {"narrower than its margins", SLIDER_MODE_FLOAT, 0, 1, 8, 0.7f, 6, 3, 40, 0, 6},
        {"the widest float range", SLIDER_MODE_FLOAT, -3.4028235e38f, 3.4028235e38f, 296, 0, 147,
         289, 289, 3.4028235e38f, 289},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        changes.clear();
        Configure(c.mode, c.min, c.max, c.min, c.max, 2, 0, c.value);
        MoveWindow(rec.window, 10, 10, c.width, 30, TRUE);
        EXPECT_EQ(rec.thumbX, c.thumb);
        Press(c.press);
        Move(-40);
        Move(c.to);
        Release(c.to);
        EXPECT_EQ(Value(), c.end);
        EXPECT_EQ(rec.thumbX, c.endThumb);
        EXPECT_EQ(changes, std::vector<int16_t>(c.end != c.value ? 1 : 0, kSliderId));
    }
}

TEST_F(TinySliderTest, IntegerRangesOfAtMostTenStepsDrawATickAtEveryWholeValue)
{
    struct Case {
        uint32_t mode;
        float min, max, value;
        int ticks;
    } cases[] = {
        {SLIDER_MODE_INTEGER, 0, 10, 0, 10}, {SLIDER_MODE_INTEGER, 0, 10, 5, 10},
        {SLIDER_MODE_INTEGER, 0, 11, 0, 0},  {SLIDER_MODE_INTEGER, -3, 3, 1, 6},
        {SLIDER_MODE_INTEGER, 4, 4, 4, 0},   {SLIDER_MODE_FLOAT, 0, 10, 0, 0},
    };
    for (const Case &c : cases) {
        Configure(c.mode, c.min, c.max, c.min, c.max, 0, 0, c.value);
        /* The ink in the row three below the base line, less the thumb's. */
        Capture image = ui::PrintClient(rec.window);
        const int y = 30 - 5, t = rec.thumbX;
        EXPECT_EQ(CountDark(image, 0, y, 296, y + 1) - CountDark(image, t - 7, y, t + 8, y + 1),
                  c.ticks)
            << "mode " << c.mode << " range " << c.min << ".." << c.max << " value " << c.value;
    }
}

TEST_F(TinySliderTest, TheBaseLineTheOutlinedThumbAndTheTicksAreInkedAtTheirPlaces)
{
    /* The line runs from six pixels in to seven from the right; the thumb
     * of the middle value sits midway along it and is the only ink below. */
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.5f);
    const int h = 30, t = rec.thumbX;
    Capture image = ui::PrintClient(rec.window);
    Line line = BaseLine(image);
    EXPECT_EQ(line.y, h - 8);
    EXPECT_LE(std::abs(2 * t - line.left - line.right), 1) << "midway";
    ExpectInk(image, {{6, h - 8, true}, {296 - 7, h - 8, true},
                      {5, h - 8, false}, {296 - 6, h - 8, false},
                      {t, h - 7, true},                             /* tip */
                      {t - 6, h - 1, true}, {t + 6, h - 1, true},   /* base corners */
                      {t - 7, h - 1, false}, {t + 7, h - 1, false},
                      {t, h - 3, false}});                          /* unfilled */
    EXPECT_EQ(CountDark(image, 0, h - 7, 296, h), CountDark(image, t - 6, h - 7, t + 7, h));

    /* Ticks hang four rows below the line: 0..10 with the value 0 has the
     * first a tenth of the way along it, the last at its end. */
    Configure(SLIDER_MODE_INTEGER, 0, 10, 0, 10, 0, 0, 0);
    const int tick = line.left + (line.right - line.left) / 10;
    ExpectInk(ui::PrintClient(rec.window),
              {{tick, h - 7, true}, {tick, h - 4, true}, {tick, h - 3, false},
               {line.right, h - 5, true}});
}

TEST_F(TinySliderTest, ResizingStretchesTheTrackAndMovesTheEditBoxWithoutResizingIt)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 1, 1.0f);
    RECT before = EditRect();
    int lineBefore = BaseLine(ui::PrintClient(rec.window)).right;
    MoveWindow(rec.window, 0, 0, 400, 40, TRUE);
    EXPECT_EQ(rec.height, 40);
    rec.label = "";   /* the "%" is the only ink above the line */
    Capture image = ui::PrintClient(rec.window);
    Line line = BaseLine(image);
    EXPECT_GT(line.right, lineBefore) << "the line stretched";
    EXPECT_EQ(rec.thumbX, line.right) << "the full value at the stretched line's end";

    RECT edit = EditRect();
    EXPECT_GT(edit.left, before.left) << "moved";
    EXPECT_EQ(edit.right - edit.left, before.right - before.left) << "not resized";
    EXPECT_EQ(edit.bottom - edit.top, before.bottom - before.top) << "not resized";
    EXPECT_TRUE(edit.top >= 0 && edit.bottom <= line.y) << "inside, above the base line";
    /* The box ends where the "%" begins: its ink right of the box, none under it. */
    EXPECT_EQ(CountDark(image, edit.left, 0, edit.right, line.y), 0) << "no ink under the box";
    int percentLeft = image.width, percentRight = -1;
    for (int x = edit.right; x < image.width; x++)
        if (CountDark(image, x, 0, x + 1, line.y) > 0) {
            percentLeft = std::min(percentLeft, x);
            percentRight = x;
        }
    EXPECT_LE(percentLeft - edit.right, 2) << "the \"%\" next to the box";
    EXPECT_LT(percentRight, image.width) << "and inside the slider";
}

TEST_F(TinySliderTest, ASetValueRepaintsOnlyTheThumbStripAndAtOnce)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.0f);
    ShowWindow(parent, SW_SHOWNA);
    ShowWindow(rec.window, SW_SHOWNA);
    UpdateWindow(parent);
    PaintOver(kMarker);

    SetTinySliderValue(&rec, 0.5f, 1, 0);
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(rec.window, &dirty, FALSE)) << "painted at once";
    Capture shown;
    ASSERT_TRUE(CaptureWindow(rec.window, true, &shown));
    EXPECT_EQ(shown.Pixel(2, 2), kMarker) << "the caption is not repainted";
    EXPECT_EQ(shown.Pixel(2, 30 - 8), kMarker) << "nor the base line above the strip";
    EXPECT_NE(shown.Pixel(2, 30 - 2), kMarker) << "the thumb strip is";
}

/* A panel taken over by an element of the same values sets every slider
 * to what it shows: nothing is drawn again, but the box has nothing left
 * to undo, as after a new text. */
TEST_F(TinySliderTest, AValueAlreadyShownRepaintsNothingAndLeavesTheBoxNothingToUndo)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.5f);
    ShowWindow(parent, SW_SHOWNA);
    ShowWindow(rec.window, SW_SHOWNA);
    UpdateWindow(parent);
    SendMessageA(rec.edit, EM_SETSEL, 0, -1);
    SendMessageA(rec.edit, EM_REPLACESEL, TRUE, (LPARAM) "0.50");
    ASSERT_TRUE(SendMessageA(rec.edit, EM_CANUNDO, 0, 0)) << "typed";
    PaintOver(kMarker);

    SetTinySliderValue(&rec, 0.5f, 1, 0);
    Capture shown;
    ASSERT_TRUE(CaptureWindow(rec.window, true, &shown));
    EXPECT_EQ(shown.Pixel(2, 30 - 2), kMarker) << "the thumb strip is as it was";
    EXPECT_EQ(EditText(), "0.50");
    EXPECT_FALSE(SendMessageA(rec.edit, EM_CANUNDO, 0, 0));

    SetTinySliderValue(&rec, 0.75f, 1, 0);
    ASSERT_TRUE(CaptureWindow(rec.window, true, &shown));
    EXPECT_NE(shown.Pixel(2, 30 - 2), kMarker) << "a new value's thumb is drawn";
    EXPECT_EQ(EditText(), "0.75");
}

TEST_F(TinySliderTest, DragsFollowThePointerWithinTheTrackAndCommitOnlyANewValue)
{
    /* Pressed at `press` (the thumb when -1), moved through `moves` and
     * ended at the last place: released there, or the capture lost there
     * to WM_CANCELMODE or to another window; the value, the target and the
     * edit text midway follow the pointer, the end commits a changed value,
     * and later moves and releases do nothing. */
    enum End { kRelease, kCancelMode, kCaptureTaken };
    struct Case {
        const char *what;
        uint32_t mode;
        float min, max;
        int16_t precision;
        float value;
        int press;
        std::vector<int> moves;
        float midway;
        const char *midwayText;
        float end;
        const char *endText;
        End ending = kRelease;
    } cases[] = {
        {"past both ends", SLIDER_MODE_FLOAT, 0, 1, 2, 0.5f, -1, {-50, 1000}, 0, "0.00", 1, "1.00"},
        {"integers past both ends", SLIDER_MODE_INTEGER, -5, 5, 0, 0, -1, {-1, 30000}, -5, "-5", 5, "5"},
        /* 141 of the track's 283 pixels of 0..100 */
        {"a click off the thumb", SLIDER_MODE_FLOAT, 0, 100, 3, 0, 147, {}, 0, nullptr, 49.8233f, "49.823"},
        {"a click on the thumb", SLIDER_MODE_FLOAT, 0, 1, 2, 0.5f, -1, {}, 0, nullptr, 0.5f, "0.50"},
        {"out to 8 of 10 and back", SLIDER_MODE_INTEGER, 0, 10, 0, 5, -1, {250, 150}, 8, "8", 5, "5"},
        {"to the right end, then WM_CANCELMODE", SLIDER_MODE_FLOAT, 0, 1, 2, 0, -1, {289}, 1,
         "1.00", 1, "1.00", kCancelMode},
        /* 94 of 283 */
        {"back from the right end, then another window captures", SLIDER_MODE_FLOAT, 0, 1, 2, 1,
         -1, {100}, 0.3322f, "0.33", 0.3322f, "0.33", kCaptureTaken},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        changes.clear();
        tracks.clear();
        Configure(c.mode, c.min, c.max, c.min, c.max, c.precision, 0, c.value);
        int startThumb = rec.thumbX, x = c.press < 0 ? rec.thumbX : c.press;
        Press(x);
        EXPECT_EQ(rec.thumbX, startThumb) << "a press alone moves nothing";
        for (size_t m = 0; m < c.moves.size(); m++) {
            Move(x = c.moves[m]);
            if (m == 0) {
                EXPECT_NEAR(target, c.midway, 1e-4f);
                EXPECT_EQ(EditText(), c.midwayText);
                EXPECT_TRUE(changes.empty()) << "nothing committed yet";
            }
        }
        if (c.ending == kRelease)
            Release(x);
        else if (c.ending == kCancelMode)
            SendMessageA(rec.window, WM_CANCELMODE, 0, 0);
        else
            SetCapture(parent);
        EXPECT_EQ(GetCapture(), c.ending == kCaptureTaken ? parent : nullptr);
        ReleaseCapture();
        float value = Value();
        EXPECT_NEAR(value, c.end, 1e-4f);
        EXPECT_EQ(target, value);
        EXPECT_EQ(EditText(), c.endText);
        EXPECT_EQ(changes, std::vector<int16_t>(c.end != c.value ? 1 : 0, kSliderId));
        ASSERT_EQ(tracks.size(), c.moves.size() + 2);
        for (size_t k = 0; k < tracks.size(); k++)
            EXPECT_EQ(tracks[k].phase, k == 0 ? "start" : k + 1 < tracks.size() ? "update" : "end")
                << "call " << k;
        EXPECT_EQ(tracks.front().value, c.value);
        if (!c.moves.empty()) {
            EXPECT_NEAR(tracks[1].value, c.midway, 1e-4f);
        }
        EXPECT_EQ(tracks.back().value, value);
        EXPECT_EQ(tracks.back().id, kSliderId);
        Move(60);
        Release(60);
        EXPECT_EQ(Value(), value) << "no longer dragging";
        EXPECT_EQ(tracks.size(), c.moves.size() + 2);
    }
}

TEST_F(TinySliderTest, RightClicksAndMovesAndReleasesOnAnotherSliderDuringADragDoNothing)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.5f);
    ui::RightDown(rec.window, 20, 25);
    ui::RightUp(rec.window, 20, 25);
    EXPECT_EQ(rec.floatValue, 0.5f);
    EXPECT_TRUE(tracks.empty());
    TinySlider other = {};
    ASSERT_NE(CreateTinySlider(parent, moduleHandle, &other, 7, OnChange), nullptr);
    Press(147);
    ui::MouseMove(other.window, 200, 25, true);
    ui::LeftUp(other.window, 200, 25);
    EXPECT_EQ(other.thumbX, 6);
    EXPECT_EQ(GetCapture(), rec.window);
    Release(147);
    EXPECT_TRUE(changes.empty());
    DestroyTinySlider(&other.window);
}

TEST_F(TinySliderTest, DestroyingADraggingSliderReleasesTheCaptureSilently)
{
    Configure(SLIDER_MODE_FLOAT, 0.0f, 1.0f, 0.0f, 1.0f, 2, 0, 0.0f);
    Press(6);
    Move(200);
    tracks.clear();
    changes.clear();
    DestroyTinySlider(&rec.window);
    EXPECT_EQ(rec.window, nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(tracks.empty());
    EXPECT_TRUE(changes.empty());
    DestroyTinySlider(&rec.window);              /* a second call is harmless */
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
        ui::LeftDown(extra.window, 50, 25);
        ui::MouseMove(extra.window, 70, 25, true);
        ui::LeftUp(extra.window, 80, 25);
        DestroyTinySlider(&extra.window);
    });
    if (!gained)
        GTEST_SKIP() << "no way to count GDI objects here";
    /* A leak of one object a slider would show as 190 more; the system's
     * own caches may still settle by a handful. */
    EXPECT_LE(*gained, 8);
}

} // namespace

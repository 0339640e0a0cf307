// The preview's light sweep in the real dialog: started by menu and key,
// its path as the host's render calls show it, stopped by mouse, key,
// command and close, the occluder's G-buffer and its fade, the flash
// counter; the host's flare and the stored light position are the oracle
// that nothing of it stays.
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "element_fixture.h"
#include "entry/plugin.h"
#include "panel/panel.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "preview_fixture.h"
#include "ui_driver.h"

namespace {

using preview_test::Point;
using preview_test::RenderPositions;

void WaitForSweepEnd()
{
    DWORD start = GetTickCount();
    while (LightSweepRunning() && GetTickCount() - start < 20000) {
        ui::Pump();
        Sleep(2);
    }
}

struct SweepGuard {
    SweepGuard(int ms) { sweepDurationMs = ms; }
    ~SweepGuard() { sweepDurationMs = 3000; }
};

} // namespace

/* A flare that flickers f times a second, seen for three seconds at 60 and
 * at 30 frames a second, flashes f times in its busiest second: a person
 * counts whole flashes, so 3 a second stays within the rule of three. */
TEST(LightSweep, AFlareFlickeringFTimesASecondFlashesFTimesInItsBusiestSecond)
{
    for (int framesASecond : {60, 30}) {
        for (int rate : {0, 2, 3, 4, 5, 10}) {
            std::vector<double> times, luminances;
            for (int i = 0; i < 3 * framesASecond; i++) {
                bool bright = rate && i * rate % framesASecond < framesASecond / 2;
                times.push_back(1000.0 * i / framesASecond);
                luminances.push_back(bright ? 0.45 : 0.3);
            }
            EXPECT_EQ(BusiestSecondOfFlashes(times.data(), luminances.data(), times.size()), rate)
                << rate << " a second at " << framesASecond << " frames a second";
        }
    }
}

TEST(LightSweep, FlashCounterCountsRisesAndFallsOfATenthOfLinearLuminanceInTheBusiestSecond)
{
    struct Row {
        const char *name;
        std::vector<double> samples;   /* one every 33 ms */
        int busiestSecond;
    };
    const Row rows[] = {
        {"steady", {0.4, 0.4, 0.4, 0.4, 0.4, 0.4}, 0},
        {"small wobble", {0.40, 0.45, 0.40, 0.49, 0.41, 0.48, 0.40}, 0},
        {"one rise and fall", {0.1, 0.3, 0.3, 0.1, 0.1}, 1},
        {"a rise alone", {0.1, 0.2, 0.5, 0.9}, 0},
        {"slow climb then drop", {0.10, 0.15, 0.21, 0.26, 0.05}, 1},
        {"on and off at 30 frames a second: 15 whole flashes 66 ms apart fit in one second",
         {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1,
          0, 1, 0, 1, 0, 1, 0, 1},
         15},
        {"two of an eighth", {0.5, 0.625, 0.5, 0.625, 0.5}, 2},
    };
    for (const Row &row : rows) {
        FlashCounter counter;
        ResetFlashCounter(&counter);
        for (size_t i = 0; i < row.samples.size(); i++)
            AddLuminanceSample(&counter, 33.0 * (double)i, row.samples[i]);
        EXPECT_EQ(counter.busiestSecond, row.busiestSecond) << row.name;
    }

    /* The luminance it counts weighs linear light as the screen shows it:
     * the preview's bytes, where 7.0 wraps to 249 and 1.2 to a dark 50. */
    const float black = 0.0f, white = 1.0f, over = 7.0f, half = 0.5f, past = 1.2f;
    struct Pixel {
        float r, g, b;
        double expected;
    } pixels[] = {
        {black, black, black, 0.0}, {white, white, white, 1.0}, {over, over, over, 0.9473},
        {past, past, past, 0.0319},
        {white, black, black, 0.2126}, {black, white, black, 0.7152},
        {black, black, white, 0.0722}, {half, half, half, 0.2122},   /* byte 127 */
    };
    for (const Pixel &p : pixels)
        EXPECT_NEAR(ImageLuminance(&p.r, &p.g, &p.b, 1), p.expected, 5e-4) << p.r;
}

TEST(LightSweep, MenuOrKeyStartsASweepAThirdOfTheWayDownThatEndsOrIsStoppedWhereTheLightWas)
{
    SweepGuard fast(300);
    const std::function<void(HWND)> starts[] = {
        [](HWND d) { SendMessageA(d, WM_SYSCOMMAND, IDM_PLAY_LIGHT_SWEEP, 0); },
        [](HWND d) { ui::Key(GetDlgItem(d, IDC_ELEMENT_LIST), SWEEP_SHORTCUT_KEY); },
    };
    struct Stop {
        const char *name;
        std::function<void(HWND)> act;
        bool writes;   /* the action itself writes the element back */
    };
    /* In one editor, so the close comes last and the command first writes. */
    const Stop stops[] = {
        {"left press",
         [](HWND) {
             ui::LeftDown(previewControl, 5, 5);
             ui::LeftUp(previewControl, 5, 5);
         },
         false},
        {"right press", [](HWND) { ui::RightDown(previewControl, 5, 5); }, false},
        {"key", [](HWND d) { ui::Key(GetDlgItem(d, IDC_ELEMENT_LIST), 'A'); }, false},
        {"command", [](HWND d) { fx::SelectLine(d, 0); }, true},
        {"close", [](HWND d) { SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
    };
    const Stop &close = stops[4];
    HostSession host;
    fx::SetFlareTypes(host, {"glow"});
    std::string flare = fx::SavedFlare(host);
    Point stored{};
    ui::Driver driver;
    for (const auto &start : starts) {
        driver.Then([&](HWND d) {
            stored = {flareX, flareY};
            host.ClearLog();
            start(d);
        });
        driver.Then([&](HWND d) {
            EXPECT_TRUE(fx::SystemMenuItem(d, IDM_PLAY_LIGHT_SWEEP).checked);
            WaitForSweepEnd();
            EXPECT_FALSE(fx::SystemMenuItem(d, IDM_PLAY_LIGHT_SWEEP).checked);
            const KaGBuffer *b = PreviewGBuffer();
            std::vector<Point> path = RenderPositions(host);
            ASSERT_GE(path.size(), 3u);
            EXPECT_EQ(path.back(), stored);
            path.pop_back();
            EXPECT_LT(path.front().x, 0);
            EXPECT_GE(path.back().x, b->width);
            for (size_t i = 0; i < path.size(); i++) {
                EXPECT_EQ(path[i].y, b->height - 1 - b->height / 3) << i;
                if (i) {
                    EXPECT_GE(path[i].x, path[i - 1].x) << i;
                }
            }
            EXPECT_EQ(fx::SavedFlare(host), flare);
        });
    }
    auto putBack = [&](const Stop &stop) {
        SCOPED_TRACE(stop.name);
        EXPECT_FALSE(LightSweepRunning());
        std::vector<Point> path = RenderPositions(host);
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.front(), stored) << "the light is put back first";
        EXPECT_EQ(host.Log("Ki_LensFlare").empty(), !stop.writes);
        if (!stop.writes) {
            EXPECT_EQ(fx::SavedFlare(host), flare);
        }
    };
    for (const Stop &stop : stops) {
        driver.Then([&](HWND d) {
            sweepDurationMs = 60000;
            stored = {flareX, flareY};
            SendMessageA(d, WM_SYSCOMMAND, IDM_PLAY_LIGHT_SWEEP, 0);
            ShowSweepAt(0.3);
            ASSERT_TRUE(LightSweepRunning()) << stop.name;
            host.ClearLog();
            stop.act(d);
        });
        if (&stop != &close)
            driver.Then([&](HWND) { putBack(stop); });
    }
    host.OpenEditor();
    putBack(close);
}

namespace {

/* The editor on a light whose flare is one glow, the body run with the
 * switch of that id off, then on, with sweeps slow enough to be held; the
 * occluder is left off as the next test expects. */
void EditGlowWithSwitchOffAndOn(int id,
                                const std::function<void(HWND, HostSession &, bool on)> &body)
{
    SweepGuard slow(60000);
    HostSession host;
    fx::SetFlareTypes(host, {"glow"});
    host.Edit([&](HWND d) {
        for (bool on : {false, true}) {
            SCOPED_TRACE(on ? "switch on" : "switch off");
            if (on != ui::IsChecked(d, id))
                ui::Click(d, id);
            body(d, host, on);
        }
        if (SweepBehindOccluder())
            SendMessageA(d, WM_SYSCOMMAND, IDM_SWEEP_OCCLUDER, 0);
    });
}

/* A sweep held at `along` of its path, with or without the occluder, the
 * choice shown in the menu and kept in the settings; look runs while it
 * shows, and once it stops the host's depths and coverage are back. */
void LookAtSweep(HWND d, bool occluded, double along, const std::function<void()> &look)
{
    if (SweepBehindOccluder() != occluded)
        SendMessageA(d, WM_SYSCOMMAND, IDM_SWEEP_OCCLUDER, 0);
    EXPECT_EQ(fx::SystemMenuItem(d, IDM_SWEEP_OCCLUDER).checked, occluded);
    EXPECT_EQ(GetPrivateProfileIntA("Lens-Flare-UI", SWEEP_OCCLUDER_KEY, 0, SettingsIniFile()),
              occluded ? 1 : 0);
    const KaGBuffer *b = PreviewGBuffer();
    size_t n = (size_t)b->width * b->height;
    std::vector<float> depth(b->depth, b->depth + n), coverage(b->coverage, b->coverage + n);
    SendMessageA(d, WM_SYSCOMMAND, IDM_PLAY_LIGHT_SWEEP, 0);
    ShowSweepAt(along);
    look();
    SendMessageA(d, WM_SYSCOMMAND, IDM_PLAY_LIGHT_SWEEP, 0);
    for (size_t i = 0; i < n; i++) {
        ASSERT_EQ(b->coverage[i], coverage[i]) << "cleared again at " << i;
        ASSERT_EQ(b->depth[i], depth[i]) << "restored at " << i;
    }
}

} // namespace

TEST(LightSweep, TheOccluderHidesTheLightBehindItOnlyForFlaresThatFadeBehindObjects)
{
    EditGlowWithSwitchOffAndOn(IDC_FADE_BEHIND, [&](HWND d, HostSession &, bool fadeBehind) {
        KaGBuffer *b = PreviewGBuffer();
        /* Depths as a host may leave them, to come back after the disc. */
        for (int i = 0; i < b->width * b->height; i++)
            b->depth[i] = 1.0f + (float)(i % 97);
        RefreshPreview((int16_t)((b->width - 1) / 2), (int16_t)((b->height - 1) / 2));
        double lit[2];
        for (int occluded = 0; occluded < 2; occluded++) {
            LookAtSweep(d, occluded != 0, 0.5, [&] {
                lit[occluded] =
                    ImageLuminance(b->red, b->green, b->blue, (size_t)b->width * b->height);
                size_t centre = (size_t)(b->height / 2) * b->width + b->width / 2;
                EXPECT_EQ(b->coverage[centre], occluded ? 0.0f : 1.0f);
                EXPECT_EQ(b->coverage[0], 1.0f) << "outside the disc";
            });
        }
        EXPECT_GT(lit[0], 0.0);
        if (fadeBehind)
            EXPECT_LT(lit[1], lit[0] * 0.9);
        else
            EXPECT_DOUBLE_EQ(lit[1], lit[0]);
    });
}

namespace {

/* Share of a disc of radius r, its centre d from that of a disc of radius
 * R, that lies outside the latter. */
double UncoveredShare(double r, double R, double d)
{
    const double pi = 3.14159265358979323846;
    if (d >= r + R)
        return 1.0;
    if (d <= R - r)
        return 0.0;
    double a = r * r * std::acos((d * d + r * r - R * R) / (2 * d * r)) +
               R * R * std::acos((d * d + R * R - r * r) / (2 * d * R)) -
               0.5 * std::sqrt((-d + r + R) * (d + r - R) * (d - r + R) * (d + r + R));
    return 1.0 - a / (pi * r * r);
}

} // namespace

TEST(LightSweep, ALightBesideTheOccluderFadesAsItApproachesOnlyWithThatOption)
{
    EditGlowWithSwitchOffAndOn(IDC_FADE_APPROACHING, [&](HWND d, HostSession &host,
                                                          bool approaching) {
        const KaGBuffer *b = PreviewGBuffer();
        const LensFlareModel *m = currentInstance->model;
        const double cx = 0.5 * (b->width - 1), cy = 0.5 * (b->height - 1);
        const double disc = 0.1 * b->height;
        /* Clear of the disc by more than the occlusion radius, inside
         * three times it: "Fade if Behind Objects" sees nothing. */
        const double occlusion = m->occlusionRadius * 0.5 * b->height * m->scale;
        const double gap = disc + 1.5 * occlusion;
        RefreshPreview((int16_t)std::lround(cx + gap), (int16_t)std::lround(cy));
        const double along = (cx + gap + b->width / 10 + 1) / (b->width + 2 * (b->width / 10 + 1) - 1);
        std::vector<float> red[2];
        Point light[2];
        for (int occluded = 0; occluded < 2; occluded++) {
            host.ClearLog();
            LookAtSweep(d, occluded != 0, along, [&] {
                light[occluded] = RenderPositions(host).back();
                red[occluded].assign(b->red, b->red + (size_t)b->width * b->height);
                size_t centre = (size_t)(b->height / 2) * b->width + b->width / 2;
                if (occluded) {
                    EXPECT_GT(b->depth[centre], 0.0f) << "a known depth";
                    EXPECT_LT(b->depth[centre], m->refDistance) << "in front of the light";
                }
                EXPECT_EQ(b->depth[0], 0.0f) << "outside the disc";
            });
        }
        EXPECT_EQ(light[0].x, light[1].x);
        double apart = std::hypot(light[1].x - cx, light[1].y - cy);
        ASSERT_GT(apart, disc + occlusion + 2.0) << "beside the disc, not behind it";
        /* Red over the pixels at most 0.5 unoccluded, where the host's roll-off
         * leaves light additive, so a fade scales the sum as it scales a pixel. */
        double plain = 0.0, faded = 0.0;
        for (size_t i = 0; i < red[0].size(); i++)
            if (red[0][i] <= 0.5f) {
                plain += red[0][i];
                faded += red[1][i];
            }
        double share = faded / plain;
        if (approaching)
            EXPECT_NEAR(share, UncoveredShare(3.0 * occlusion + 1.0, disc, apart), 0.04);
        else
            EXPECT_DOUBLE_EQ(share, 1.0);
    });
}

namespace {

/* Whether every sampled pixel of the dialog's strip under the preview,
 * down to the row below it, shows the warning's amber, or every one the
 * dialog's own background (as just left of the strip). */
enum StripLook { kAmber, kClear, kMixed };
StripLook LookOfStrip(HWND dialog)
{
    RECT above;
    GetClientRect(previewControl, &above);
    MapWindowPoints(previewControl, dialog, reinterpret_cast<POINT *>(&above), 2);
    int bottom = fx::RectInDialog(dialog, GetDlgItem(dialog, IDC_REALTIME_UPDATES)).top;
    Capture shown = ui::Pixels(dialog);
    COLORREF background = shown.Pixel(above.left - 3, above.bottom);
    int amber = 0, clear = 0, samples = 0;
    for (int y = above.bottom; y < bottom; y++)
        for (int x = above.left; x < above.right; x += 7) {
            COLORREF c = shown.Pixel(x, y);
            amber += GetRValue(c) == 255 && GetGValue(c) == 208 && GetBValue(c) == 0;
            clear += c == background;
            samples++;
        }
    return amber == samples ? kAmber : clear == samples ? kClear : kMixed;
}

} // namespace

TEST(LightSweep, AFlickeringFlareWarnsUnderThePreviewUntilTheNextSweepAndASteadyOneDoesNot)
{
    SweepGuard quick(1500);
    HostSession host;
    fx::SetFlareTypes(host, {"glow"});
    host.Edit([&](HWND d) {
        /* A glow over the whole preview, so its frames move the mean. */
        SetWindowTextA(scaleSlider->edit, "8");
        SetWindowTextA(intensitySlider->edit, "3");
        for (int flicker : {0, 2}) {
            SCOPED_TRACE(flicker);
            sweepDurationMs = 1500;
            EXPECT_EQ(LookOfStrip(d), kClear);
            Kh_Set_Render_Flicker(flicker);
            SendMessageA(d, WM_SYSCOMMAND, IDM_PLAY_LIGHT_SWEEP, 0);
            WaitForSweepEnd();
            Kh_Set_Render_Flicker(0);
            EXPECT_EQ(SweepFlashRate() > 3, flicker != 0) << SweepFlashRate();
            StripLook look = flicker ? kAmber : kClear;
            EXPECT_EQ(LookOfStrip(d), look);
            /* A render's "start" and "end" erase the progress line's rows. */
            ui::Click(d, IDC_REDRAW_NOW);
            EXPECT_EQ(LookOfStrip(d), look) << "after a render";
            sweepDurationMs = 200;
            SendMessageA(d, WM_SYSCOMMAND, IDM_PLAY_LIGHT_SWEEP, 0);
            WaitForSweepEnd();
            EXPECT_EQ(LookOfStrip(d), kClear) << "after a steady sweep";
        }
    });
}

// Gradient rows of the parameter panel in the real editor: the control
// that a row's button carries, an edit reaching the model and the host,
// the copy back when the section is left, panels that come and go, and what
// the editor writes back of a gradient: exact as read until edited, on
// every path that writes, whatever its stops; exact where an edit did not
// reach; and the notice when an edit merged stops the control could not
// show apart.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/undo.h"
#include "element_fixture.h"
#include "gradient/colour_slider.h"
#include "model/lens_flare_model.h"
#include "picker_steps.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "ui_driver.h"

namespace {

const char kRampType[] =
    "type t_ramp\ndescription Ramp Element\n"
    "param floatslider size\ndescription Size\n"
    "param gradient ramp\ndescription Glow Ramp\nstop 0 0 0 0\nstop 1 1 1 1\n"
    "end\n";
const char kPicker[] = "Interactive Color Selector";
const int kBandY = 10;   /* inside the band and the marker rows */

/* The current element's parameter whose row carries a gradient control. */
ElementParameter *Ramp(const HostSession &host)
{
    FlareElement *element = host.instance->currentElement;
    for (ElementParameter *p = element ? element->firstParameter : nullptr; p; p = p->next)
        if (p->gradientControl)
            return p;
    return nullptr;
}

/* A host that knows the ramp type; each test makes its own flare of it. */
struct GradientRow : testing::Test {
    void SetUp() override { fx::Define(kRampType); }
    HostSession host;
};

} // namespace

TEST_F(GradientRow, TheRowsButtonCarriesAControlOfTheStopsWhoseEditReachesTheModelAndTheHostAtOnce)
{
    fx::SetFlareTypes(host, {"t_ramp"});
    ui::Driver driver;
    std::vector<float> offsets, colors;   /* the model's, before OK */
    host.Edit(driver, [&](HWND dialog) {
        ElementParameter *ramp = Ramp(host);
        ASSERT_NE(ramp, nullptr);
        CColourSlider *slider = ramp->gradientControl;
        EXPECT_EQ(slider->control, GetDlgItem(dialog, ramp->controlId));
        EXPECT_STREQ(slider->label, "Glow Ramp");
        EXPECT_EQ(slider->margin, GRADIENT_ROW_MARGIN);
        EXPECT_EQ(Colours(slider->pivots), (std::vector<uint32_t>{0x000000, 0xFFFFFF}));
        EXPECT_EQ(Positions(slider->pivots), (std::vector<int>{0, 99}));
        size_t expectedWrites = fx::WriteCalls(host.instance->model);
        host.ClearLog();
        int x = XForPosition(slider, 49);
        driver.When(kPicker, Choose(255, 51, 0));
        Click(slider->control, x, kBandY);   /* the picker runs on the release */

        ASSERT_EQ(ramp->gradientCount, 3) << "copied into the model before the write";
        offsets.assign(ramp->gradientOffsets, ramp->gradientOffsets + 3);
        colors.assign(ramp->gradientColors, ramp->gradientColors + 9);
        EXPECT_EQ(offsets, (std::vector<float>{0, (float)(49 / 99.0), 1}));
        EXPECT_EQ(std::vector<float>(colors.begin() + 3, colors.begin() + 6),
                  (std::vector<float>{1, (float)(51 / 255.0), 0}));
        std::vector<std::string> writes = host.Log("Ki_LensFlare");
        EXPECT_EQ(writes.size(), expectedWrites);
        EXPECT_EQ(fx::CountContaining(writes, "gradientdata &3 "), 1u);
        EXPECT_EQ(host.Log("Ki_LensFlareApplyToGBuffer").size(), 1u);
    });

    fx::HostGradient after = fx::HostRamp(host, 1);
    EXPECT_EQ(after.offsets, offsets);
    EXPECT_EQ(after.colors, colors);
}

TEST_F(GradientRow, PanelsWithGradientsComeAndGoWithoutLeaks)
{
    fx::SetFlareTypes(host, {"t_ramp", "t_ramp"});
    host.Edit([&](HWND dialog) {
        int64_t blocksBefore = 0;
        std::optional<int> gained = ui::GdiObjectsGained(30, 9, [&](int i) {
            fx::SelectLine(dialog, i % 2);
            UpdateWindow(dialog);
            if (i == 9)
                blocksBefore = LiveHostBlocks();
        });
        EXPECT_EQ(LiveHostBlocks(), blocksBefore);
        EXPECT_LE(gained.value_or(0), 8) << "a brush per row would show as 20";
    });
}

TEST_F(GradientRow, WithRealtimeOffAnEditWaitsUntilTheSectionIsLeft)
{
    fx::SetFlareTypes(host, {"t_ramp", "t_ramp"});
    host.Edit([&](HWND dialog) {
        fx::SelectLine(dialog, 0);
        ui::Click(dialog, IDC_REALTIME_UPDATES);
        ElementParameter *ramp = Ramp(host);
        ASSERT_NE(ramp, nullptr);
        int16_t id = ramp->controlId;
        CColourSlider *slider = ramp->gradientControl;
        host.ClearLog();
        /* the last of two */
        ui::RightDown(slider->control, slider->left + slider->barWidth, kBandY);
        EXPECT_EQ(slider->pivots.count, 1);
        EXPECT_EQ(ramp->gradientCount, 2) << "the model waits";
        EXPECT_TRUE(host.Log().empty());

        fx::ShowSection(dialog, SECTION_GLOBAL);
        EXPECT_EQ(ramp->gradientCount, 1);
        EXPECT_EQ(ramp->gradientColors[0], 0.0f);
        EXPECT_EQ(ramp->gradientControl, nullptr);
        EXPECT_EQ(GetDlgItem(dialog, id), nullptr) << "the row's button is gone";
        EXPECT_TRUE(host.Log("Ki_LensFlare").empty());
    });
    EXPECT_EQ(fx::HostRamp(host, 1).count, 1) << "OK writes the copied gradient";
}

TEST(GradientWriteBack, AGradientGoesBackExactUntilEditedAndAnEditKeepsWhatItDidNotMove)
{
    fx::Define("type t_exact\nparam gradient ramp\nstop 0.0 0.3 0.6 0.9\nstop 0.35 0.1 0.2 0.3\n"
               "stop 0.7 0.45 0.55 0.05\nstop 1.0 1 1 1\nend\n");
    struct Case {
        const char *what;
        bool drag;
    } cases[] = {{"opened and closed", false}, {"second pivot dragged", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        HostSession host;
        fx::SetFlareTypes(host, {"t_exact"});
        host.Edit([&](HWND dialog) {
            ElementParameter *ramp = Ramp(host);
            ASSERT_NE(ramp, nullptr);
            if (c.drag) {
                CColourSlider *s = ramp->gradientControl;
                int y = s->top + s->margin / 2 + 1;
                ui::LeftDown(s->control, XForPosition(s, 35), y);
                ui::MouseMove(s->control, XForPosition(s, 50), y, true);
                ui::LeftUp(s->control, XForPosition(s, 50), y);
            }
        });

        fx::HostGradient written = fx::HostRamp(host, 0);
        EXPECT_EQ(written.offsets,
                  (std::vector<float>{0.0f, c.drag ? 50 / 99.0f : 0.35f, 0.7f, 1.0f}));
        EXPECT_EQ(written.colors, (std::vector<float>{0.3f, 0.6f, 0.9f, 0.1f, 0.2f, 0.3f, 0.45f,
                                                      0.55f, 0.05f, 1, 1, 1}));
    }
}

namespace {

const char kKeepType[] =
    "type t_keep\ndescription Keep Element\n"
    "param floatslider size\ndescription Size\n"
    "param gradient ramp\ndescription Glow Ramp\nstop 0 0 0 0\nstop 1 1 1 1\n"
    "end\n";

struct Stops {
    const char *what;
    std::vector<float> offsets;
    bool merged;   /* the control cannot show them one for one */
};

/* Offsets the editor writes for these positions. */
std::vector<float> EditorOffsets(std::vector<int> positions)
{
    std::vector<float> out;
    for (int k : positions)
        out.push_back((float)(k / 99.0));
    return out;
}

std::vector<float> EvenOffsets(int count)
{
    std::vector<float> out;
    for (int i = 0; i < count; i++)
        out.push_back((float)i / (float)(count - 1));
    return out;
}

/* The shapes the gradient control cannot all show one for one. */
std::vector<Stops> Shapes()
{
    return {
        {"five stops the editor wrote", EditorOffsets({0, 1, 49, 50, 99}), false},
        {"a hard edge", {0.0f, 0.5f, 0.5f, 1.0f}, true},
        {"stops closer than a position", {0.0f, 0.3f, 0.302f, 0.3045f, 1.0f}, true},
        {"100 stops the editor wrote", EditorOffsets([] {
             std::vector<int> all;
             for (int k = 0; k <= 99; k++)
                 all.push_back(k);
             return all;
         }()), false},
        {"128 stops", EvenOffsets(128), true},
        {"1024 stops", EvenOffsets(1024), true},
    };
}

/* Colours no byte holds exactly, so a copy through the control shows. */
std::vector<float> OddColours(size_t count, int seed)
{
    std::vector<float> out;
    for (size_t i = 0; i < 3 * count; i++)
        out.push_back((float)std::fmod(0.1234567 + 0.0731 * (double)(i + seed), 1.0));
    return out;
}

/* Sets parameter 1 of element e of the light's flare through the host. */
void SetHostRamp(HostSession &host, int32_t e, const std::vector<float> &offsets,
                 const std::vector<float> &colours)
{
    std::string guid = fx::HostElements(host)[(size_t)e].guid;
    int32_t p = 1, count = (int32_t)offsets.size();
    Ki_LensFlare(T("light"), host.light.c_str(), T("element"), guid.c_str(), 1, T("parameter"), &p,
                 T("gradientdata"), &count, colours.data(), offsets.data(), 1, 0);
}

void WaitForSweepEnd()
{
    DWORD start = GetTickCount();
    while (LightSweepRunning() && GetTickCount() - start < 20000) {
        ui::Pump();
        Sleep(2);
    }
}

} // namespace

TEST(GradientWriteBack, UneditedGradientsOfEveryShapeGoBackByteForByteOnEveryPathThatWrites)
{
    fx::Define(kKeepType);
    for (const Stops &shape : Shapes()) {
        SCOPED_TRACE(shape.what);
        HostSession host;
        fx::SetFlareTypes(host, {"t_keep", "t_keep"});
        SetHostRamp(host, 0, shape.offsets, OddColours(shape.offsets.size(), 0));
        SetHostRamp(host, 1, shape.offsets, OddColours(shape.offsets.size(), 5));
        ASSERT_EQ(fx::HostRamp(host, 1).count, (int32_t)shape.offsets.size());
        const std::string before = fx::SavedFlare(host);
        auto expectKept = [&](const char *after) {
            EXPECT_TRUE(fx::SavedFlare(host) == before)
                << "after " << after << " the host's ramp has " << fx::HostRamp(host, 1).count
                << " stops";
        };
        ui::Driver driver;
        host.Edit(driver, [&](HWND dialog) {
            SendMessageA(dialog, WM_COMMAND, IDC_REDRAW_NOW, 0);
            expectKept("Redraw Now");
            fx::SelectLine(dialog, 1);
            fx::SelectLine(dialog, 0);
            expectKept("selecting the other element and back");
            fx::ShowSection(dialog, SECTION_GLOBAL_FADING);
            ui::Click(dialog, IDC_FADE_NEAR_BORDER);
            fx::ShowSection(dialog, SECTION_GLOBAL);
            fx::ShowSection(dialog, SECTION_ELEMENT);
            UndoLastStep(dialog);
            expectKept("the sections and an undo");
            RedoNextStep(dialog);
            UndoLastStep(dialog);
            expectKept("a redo and an undo");
            sweepDurationMs = 200;
            SendMessageA(dialog, WM_SYSCOMMAND, IDM_PLAY_LIGHT_SWEEP, 0);
            WaitForSweepEnd();
            sweepDurationMs = 3000;
            expectKept("the light sweep");
            if (ui::IsChecked(dialog, IDC_REALTIME_UPDATES))
                ui::Click(dialog, IDC_REALTIME_UPDATES);
            fx::SelectLine(dialog, 1);
            SendMessageA(dialog, WM_COMMAND, IDC_REDRAW_NOW, 0);
            expectKept("Redraw Now without realtime updates");
        });
        expectKept("OK");
        /* More stops than the control's 100 pivots: the box for the last
         * pivot shown, and still the whole gradient back. */
        bool cutShort = shape.offsets.size() > 100;
        EXPECT_EQ(driver.Boxes().empty(), !cutShort);
        for (const ui::MessageBoxSeen &box : driver.Boxes())
            EXPECT_NE(box.text.find("The last entry"), std::string::npos) << box.text;

        ui::Driver closing;
        closing.Then([](HWND dialog) { SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); });
        host.OpenEditor();
        expectKept("the close box");
    }
}

TEST(GradientWriteBack, AnEditOfStopsTheControlCannotShowApartGoesThroughAndSaysSoOnce)
{
    fx::Define(kKeepType);
    std::vector<Stops> shapes = Shapes();
    shapes.push_back({"stops one for one", {0.0f, 0.25f, 0.5f, 1.0f}, false});
    previewNoticeMs = 300;
    for (const Stops &shape : shapes) {
        SCOPED_TRACE(shape.what);
        HostSession host;
        fx::SetFlareTypes(host, {"t_keep"});
        SetHostRamp(host, 0, shape.offsets, OddColours(shape.offsets.size(), 0));
        host.Edit([&](HWND dialog) {
            ElementParameter *ramp = Ramp(host);
            ASSERT_NE(ramp, nullptr);
            CColourSlider *s = ramp->gradientControl;
            HWND preview = GetDlgItem(dialog, IDC_PREVIEW);
            for (int edit = 0; edit < 2; edit++) {
                int32_t before = s->pivots.count;
                if (edit == 0) {
                    ASSERT_GT(before, 2);
                    /* an inner pivot goes */
                    int32_t p = s->pivots.positions[before / 2];
                    ui::RightDown(s->control, p * s->barWidth / 99 + s->left, kBandY);
                    ASSERT_EQ(s->pivots.count, before - 1);
                } else {
                    SendMessageA(s->control, WM_COMMAND, IDM_GRADIENT_REFLEX, 0);
                    ASSERT_EQ(s->pivots.count, 3);
                }
                EXPECT_EQ(fx::HostRamp(host, 1).count, s->pivots.count) << "the edit went through";
                std::string notice = PreviewNotice();
                UpdateWindow(preview);
                int noticePixels = ui::CountColour(ui::Pixels(preview), PREVIEW_NOTICE_COLOR);
                if (shape.merged && edit == 0) {
                    EXPECT_NE(notice.find("Glow Ramp"), std::string::npos) << notice;
                    EXPECT_NE(notice.find("merged"), std::string::npos) << notice;
                    EXPECT_GT(noticePixels, 1000) << "a band under the image";
                } else {
                    EXPECT_EQ(notice, "") << "edit " << edit;
                    EXPECT_EQ(noticePixels, 0) << "edit " << edit;
                }
                DWORD start = GetTickCount();
                while (PreviewNotice()[0] && GetTickCount() - start < 5000)
                    ui::Pump();
                EXPECT_STREQ(PreviewNotice(), "") << "a notice stands a while only";
            }
        });
    }
    previewNoticeMs = PREVIEW_NOTICE_MS;
}

// The editor dialog run modally on a light of the reference host, driven
// by the UI driver (a box's text set as typing sets it: WM_SETTEXT sends
// EN_UPDATE and EN_CHANGE); outcomes read from the host's call log, the
// ini file, the controls and the preview's pixels.
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "element_fixture.h"
#include "host_session.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "preview_fixture.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

using fx::WriteCalls;

TEST(Editor, RealtimeUpdatesTheSweepsOccluderAndTheLastLibraryFileGoToTheIniFileForTheNextOpening)
{
    HostSession host;
    const char *ini = host.services.iniFile.c_str();
    WritePrivateProfileStringA("Lens-Flare-UI", "Last-Library-SaveTo-Filename", "lensfx\\glow.lnz",
                               ini);
    EXPECT_EQ(host.Edit([&](HWND dialog) {
        ASSERT_NE(lastLibraryFile, nullptr);
        EXPECT_STREQ(lastLibraryFile, "lensfx\\glow.lnz");
        WritePrivateProfileStringA("Lens-Flare-UI", "Last-Library-SaveTo-Filename", "changed", ini);
        EXPECT_TRUE(ui::IsChecked(dialog, IDC_REALTIME_UPDATES));
        EXPECT_FALSE(ui::IsEnabled(dialog, IDC_REDRAW_NOW));
        for (int on : {0, 1}) {
            ui::Click(dialog, IDC_REALTIME_UPDATES);
            EXPECT_EQ(GetPrivateProfileIntA("Lens-Flare-UI", "Realtime-Updates", -9, ini), on);
            EXPECT_EQ(ui::IsEnabled(dialog, IDC_REDRAW_NOW), on == 0);
        }
        ui::Click(dialog, IDC_REALTIME_UPDATES);
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SWEEP_OCCLUDER, 0);
    }), 1);
    char path[300] = "";
    GetPrivateProfileStringA("Lens-Flare-UI", "Last-Library-SaveTo-Filename", "", path, sizeof path,
                             ini);
    EXPECT_STREQ(path, "lensfx\\glow.lnz");
    EXPECT_EQ(lastLibraryFile, nullptr) << "released once written";
    EXPECT_EQ(GetPrivateProfileIntA("Lens-Flare-UI", "Realtime-Updates", -9, "kalvos.ini"), -9)
        << "with a services object nothing goes to kalvos.ini";
    host.Edit([&](HWND dialog) {
        EXPECT_FALSE(ui::IsChecked(dialog, IDC_REALTIME_UPDATES));
        EXPECT_TRUE(ui::IsEnabled(dialog, IDC_REDRAW_NOW));
        EXPECT_TRUE(fx::SystemMenuItem(dialog, IDM_SWEEP_OCCLUDER).checked);
        EXPECT_TRUE(SweepBehindOccluder());
    });
}

TEST(Editor, TheSeedAndTheDistanceKeepTheirMinimumsAndADistanceChangeBelowATenThousandthOnlyStores)
{
    HostSession host;
    host.Edit([&](HWND dialog) {
        LensFlareModel *m = host.instance->model;
        for (const char *low : {"0", "-5", "seed"}) {
            SetDlgItemTextA(dialog, IDC_RANDOM_SEED, low);
            EXPECT_EQ(ui::ItemText(dialog, IDC_RANDOM_SEED), "1") << low;
            EXPECT_EQ(m->randomSeed, 1);
        }
        SetDlgItemTextA(dialog, IDC_REF_DISTANCE, "0.0001");
        EXPECT_EQ(ui::ItemText(dialog, IDC_REF_DISTANCE), "0.001");
        EXPECT_FLOAT_EQ(m->refDistance, 0.001f);
        SetDlgItemTextA(dialog, IDC_REF_DISTANCE, "10");
        host.ClearLog();
        SetDlgItemTextA(dialog, IDC_REF_DISTANCE, "10.00005");
        EXPECT_FLOAT_EQ(m->refDistance, 10.00005f);
        EXPECT_TRUE(host.Log().empty()) << "stored without a redraw";
    });
}

TEST(Editor, TheEditorOpensWithOneRenderWithTheLightAQuarterIn)
{
    HostSession host;
    host.Edit([&](HWND) {
        std::vector<preview_test::Point> renders = preview_test::RenderPositions(host);
        ASSERT_EQ(renders.size(), 1u);
        EXPECT_EQ(renders[0].x, PreviewGBuffer()->width / 4);
        EXPECT_EQ(renders[0].y, PreviewGBuffer()->height / 4);
    });
}

TEST(Editor, EachSwitchClickWritesAndRendersOnce)
{
    struct Case {
        const char *what;
        bool realtimeOff;
        int control;
        KaToken LensFlareModel::*field;
        bool wholeFlare;   /* or only the fast drag switch */
    } cases[] = {
        {"a fading switch", false, IDC_FADE_NEAR_BORDER, &LensFlareModel::fadeIfNearBorder, true},
        {"faster updates", false, IDC_FASTER_UPDATES, &LensFlareModel::fastDrag, false},
        {"the flare switch, realtime off", true, IDC_FLARE_ENABLED, &LensFlareModel::enabled, true},
    };
    HostSession host;
    host.Edit([&](HWND dialog) {
        LensFlareModel *m = host.instance->model;
        for (const Case &c : cases) {
            SCOPED_TRACE(c.what);
            if (c.realtimeOff == ui::IsChecked(dialog, IDC_REALTIME_UPDATES))
                ui::Click(dialog, IDC_REALTIME_UPDATES);
            KaToken before = m->*c.field;
            host.ClearLog();
            ui::Click(dialog, c.control);
            EXPECT_NE(m->*c.field, before);
            std::vector<std::string> writes = host.Log("Ki_LensFlare");
            if (c.wholeFlare) {
                EXPECT_GT(writes.size(), 1u);
                EXPECT_EQ(writes.size(), WriteCalls(m));
            } else {
                EXPECT_EQ(writes, std::vector<std::string>{
                                      "Ki_LensFlare light \"Light01\" fastdrag enabled on 0"});
            }
            EXPECT_EQ(host.Log("Ki_LensFlareApplyToGBuffer").size(), 1u);
        }
    });
}

TEST(Editor, WithRealtimeOffNothingReachesTheHostUntilRedrawNowOrOkWhichReadsTheSlidersBack)
{
    HostSession host;
    int64_t before = LiveHostBlocks();
    size_t expectedWrites = 0;
    host.Edit([&](HWND dialog) {
        ui::Click(dialog, IDC_REALTIME_UPDATES);
        expectedWrites = WriteCalls(host.instance->model);
        host.ClearLog();
        ui::Click(dialog, IDC_FADE_BEHIND);
        ui::Click(dialog, IDC_SCALE_GLOW);
        SetDlgItemTextA(dialog, IDC_RANDOM_SEED, "77");
        EXPECT_TRUE(host.Log().empty());
        EXPECT_EQ(host.instance->model->randomSeed, 77);
        ui::Click(dialog, IDC_REDRAW_NOW);
        EXPECT_EQ(host.Log("Ki_LensFlare").size(), expectedWrites);
        EXPECT_EQ(host.Log("Ki_LensFlareApplyToGBuffer").size(), 1u);
        host.ClearLog();
        ui::Click(dialog, IDC_FADE_BEHIND);
        ASSERT_NE(intensitySlider, nullptr);
        SetWindowTextA(intensitySlider->edit, "2.5");
        EXPECT_TRUE(host.Log().empty());
    });
    EXPECT_EQ(host.Log("Ki_LensFlare").size(), expectedWrites) << "OK commits";
    EXPECT_TRUE(host.Log("Ki_LensFlareApplyToGBuffer").empty());
    float intensity = -1.0f;
    Ki_Inquire_LensFlare(fx::T("light"), host.light.c_str(), fx::T("intensity"), &intensity, 1, 0);
    EXPECT_FLOAT_EQ(intensity, 2.5f);
    EXPECT_EQ(LiveHostBlocks(), before);
}

TEST(Editor, TheDisabledCopyCommandDoesNothing)
{
    HostSession host;
    host.Edit([&](HWND dialog) {
        EXPECT_FALSE(ui::IsEnabled(dialog, IDC_COPY_ELEMENT));
        host.ClearLog();
        SendMessageA(dialog, WM_COMMAND, IDC_COPY_ELEMENT, 0);
        EXPECT_TRUE(host.Log().empty());
    });
}

TEST(Editor, EnterAndEscapeInABoxLeaveTheEditorOpen)
{
    HostSession host;
    ui::Driver driver;
    HWND editor = nullptr;
    driver.Then([&](HWND dialog) {
        editor = dialog;
        HWND seed = GetDlgItem(dialog, IDC_RANDOM_SEED);
        SetFocus(seed);
        ui::Key(seed, VK_RETURN);
        ui::Key(seed, VK_ESCAPE);
    });
    host.Edit(driver, [&](HWND dialog) {
        EXPECT_EQ(dialog, editor);
    });
}

TEST(Editor, TabsShowEachSectionsControlsInsideTheParameterArea)
{
    struct Row {
        int section;
        std::vector<int> shown, hidden;
    } rows[] = {
        {SECTION_ELEMENT, {}, {IDC_FLARE_ENABLED, IDC_FADE_NEAR_BORDER}},
        /* the seed stays hidden */
        {SECTION_GLOBAL, {IDC_FLARE_ENABLED, IDC_INTENSITY_SLIDER, IDC_BASE_COLOR},
         {IDC_RANDOM_SEED, IDC_OCCLUSION_SLIDER}},
        {SECTION_GLOBAL_FADING, {IDC_FADE_NEAR_BORDER, IDC_OCCLUSION_SLIDER},
         {IDC_FLARE_ENABLED, IDC_INTENSITY_SLIDER}},
    };
    HostSession host;
    host.Edit([&](HWND dialog) {
        for (const Row &row : rows) {
            SCOPED_TRACE(row.section);
            if (&row != rows)   /* the editor opens on the first */
                SendMessageA(dialog, WM_TABSTRIP_CLICKED, row.section, 0);
            EXPECT_EQ(currentSection, row.section);
            for (int id : row.shown)
                EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, id))) << id;
            for (int id : row.hidden)
                EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, id))) << id;
        }
        RECT area, box;
        GetWindowRect(GetDlgItem(dialog, IDC_PARAM_AREA), &area);
        GetWindowRect(GetDlgItem(dialog, IDC_FADE_NEAR_BORDER), &box);
        EXPECT_TRUE(box.left >= area.left && box.bottom <= area.bottom);
    });
}

TEST(Editor, WithoutItsTabStripTheEditorStaysBusyButRedrawNowAndOkStillWrite)
{
    /* A class of that name that refuses every window makes the strip fail. */
    WNDCLASSA refusing = {};
    refusing.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_NCCREATE)
            return FALSE;
        return DefWindowProcA(window, message, wParam, lParam);
    };
    refusing.hInstance = moduleHandle;
    refusing.cbWndExtra = 8;
    refusing.lpszClassName = "TABBEDLF";
    UnregisterClassA("TABBEDLF", moduleHandle);   /* an earlier editor's */
    ASSERT_TRUE(RegisterClassA(&refusing));
    HostSession host;
    size_t expectedWrites = 0;
    host.Edit([&](HWND dialog) {
        EXPECT_EQ(dialogBusy, 1);
        EXPECT_EQ(intensitySlider, nullptr) << "no sliders without the strip";
        expectedWrites = WriteCalls(host.instance->model);
        host.ClearLog();
        ui::Click(dialog, IDC_FADE_NEAR_BORDER);
        ui::Click(dialog, IDC_FLARE_ENABLED);
        SetDlgItemTextA(dialog, IDC_RANDOM_SEED, "99");
        EXPECT_TRUE(host.Log().empty()) << "every path that tests the busy flag stays idle";
        SendMessageA(dialog, WM_COMMAND, IDC_REDRAW_NOW, 0);
        EXPECT_EQ(host.Log("Ki_LensFlare").size(), expectedWrites);
        host.ClearLog();
    });
    EXPECT_EQ(host.Log("Ki_LensFlare").size(), expectedWrites) << "OK still commits";
    UnregisterClassA("TABBEDLF", moduleHandle);
}

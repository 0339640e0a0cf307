// Solo and snapshot views in the real dialog.  The oracle of every picture
// is the editor's own preview of a flare the host holds: the element alone
// is the preview of a flare of just that element, A is the preview of the
// flare before the edit.  The host's saved flare, its call log for the
// light and the temporary light's absence show that the views leave the
// user's flare alone.
#include <algorithm>
#include <gtest/gtest.h>

#include "editor/editor.h"
#include "editor/solo_compare.h"
#include "element_fixture.h"
#include "entry/plugin.h"
#include "key_steps.h"
#include "library/temp_light.h"
#include "preview/preview.h"
#include "ui_driver.h"

namespace {

const int kMarkRows = 20;   /* the corner marks sit in the top rows */

/* The preview as the editor first shows a flare of these types. */
Capture PreviewOf(HostSession &host, const std::vector<const char *> &types)
{
    fx::SetFlareTypes(host, types);
    Capture shown;
    host.Edit([&](HWND) { shown = ui::Pixels(previewControl); });
    return shown;
}

/* Pixels of columns [from, to) below the marks that differ, leaving out
 * margin pixels at the edges (a focused preview's frame). */
int Differences(const Capture &a, const Capture &b, int from, int to, int margin = 0)
{
    int n = 0;
    for (int y = kMarkRows; y < a.height - margin && y < b.height - margin; y++)
        for (int x = std::max(from, margin); x < to && x < a.width - margin; x++)
            n += a.Pixel(x, y) != b.Pixel(x, y);
    return n;
}

int Differences(const Capture &a, const Capture &b)
{
    return Differences(a, b, 0, a.width);
}

std::vector<std::string> LinesOfLight(const HostSession &host)
{
    std::vector<std::string> lines;
    for (const std::string &line : host.Log())
        if (line.find("\"" + host.light + "\"") != std::string::npos)
            lines.push_back(line);
    return lines;
}

void Menu(HWND dialog, UINT command)
{
    SendMessageA(dialog, WM_SYSCOMMAND, command, 0);
}

} // namespace

TEST(SoloCompare, SoloDrawsTheSelectedElementAloneFollowsTheSelectionAndLeavesTheLightAlone)
{
    HostSession host;
    Capture glow = PreviewOf(host, {"glow"});
    Capture ring = PreviewOf(host, {"ring"});
    Capture both = PreviewOf(host, {"glow", "ring"});
    ASSERT_GT(Differences(glow, both), 100) << "the ring shows in the whole flare";
    ASSERT_GT(Differences(ring, both), 100) << "the glow shows in the whole flare";
    std::string saved = fx::SavedFlare(host);
    int64_t blocks = LiveHostBlocks();
    host.Edit([&](HWND dialog) {
        host.ClearLog();
        fx::SelectLine(dialog, 0);
        std::vector<std::string> selecting = LinesOfLight(host);
        fx::SelectLine(dialog, 1);
        host.ClearLog();
        Menu(dialog, IDM_SOLO_ELEMENT);
        EXPECT_TRUE(SoloShown());
        EXPECT_TRUE(fx::SystemMenuItem(dialog, IDM_SOLO_ELEMENT).checked);
        EXPECT_EQ(Differences(ui::Pixels(previewControl), ring), 0) << "the ring alone";
        EXPECT_TRUE(LinesOfLight(host).empty()) << "no call names the user's light";
        fx::SelectLine(dialog, 0);
        EXPECT_EQ(Differences(ui::Pixels(previewControl), glow), 0) << "follows to the glow";
        EXPECT_EQ(LinesOfLight(host), selecting) << "the selection's own calls, no more";
        EXPECT_FALSE(TempLightExists());
        Menu(dialog, IDM_SOLO_ELEMENT);
        EXPECT_FALSE(SoloShown());
        EXPECT_EQ(Differences(ui::Pixels(previewControl), both), 0) << "the whole flare again";
        Menu(dialog, IDM_SOLO_ELEMENT);
    });
    EXPECT_EQ(fx::SavedFlare(host), saved);
    EXPECT_EQ(LiveHostBlocks(), blocks);
    host.Edit([&](HWND dialog) {
        EXPECT_FALSE(SoloShown()) << "ended at close";
        EXPECT_FALSE(fx::SystemMenuItem(dialog, IDM_SOLO_ELEMENT).checked);
        EXPECT_EQ(Differences(ui::Pixels(previewControl), both), 0);
    });
}

TEST(SoloCompare, EditsWhileSoloedReachTheFlareAndShowInTheSoloPreview)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    host.Edit([&](HWND dialog) {
        Menu(dialog, IDM_SOLO_ELEMENT);
        Capture before = ui::Pixels(previewControl);
        host.ClearLog();
        ui::Click(dialog, IDC_ELEMENT_ENABLED);
        EXPECT_EQ(fx::HostElements(host)[0].enabled, fx::T("off")) << "the edit reached the host";
        Capture after = ui::Pixels(previewControl);
        EXPECT_GT(Differences(before, after), 100) << "the glow went from the solo preview";
        EXPECT_EQ(fx::CountContaining(host.Log("Ki_LensFlareApplyToGBuffer"), host.light), 0u);
    });
}

TEST(SoloCompare, KeysTurnSoloOnAndOffAndShowTheSnapshotWhileHeld)
{
    HostSession host;
    Capture both = PreviewOf(host, {"glow", "ring"});
    Capture ring = PreviewOf(host, {"ring"});
    fx::SetFlareTypes(host, {"glow", "ring"});
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        Menu(dialog, IDM_HOLD_SNAPSHOT);
        EXPECT_FALSE(fx::SystemMenuItem(dialog, IDM_COMPARE_SNAPSHOT).grey);
        fx::SelectLine(dialog, 0);
        ui::Click(dialog, IDC_REMOVE_ELEMENT);
        ASSERT_EQ(Differences(ui::Pixels(previewControl), ring), 0);
        PostMessageA(GetDlgItem(dialog, IDC_ELEMENT_LIST), WM_KEYDOWN, COMPARE_SHORTCUT_KEY, 1);
    });
    driver.Then([&](HWND dialog) {
        EXPECT_TRUE(SnapshotShown()) << "while held";
        EXPECT_EQ(Differences(ui::Pixels(previewControl), both), 0) << "A, the flare before";
        PostMessageA(GetDlgItem(dialog, IDC_ELEMENT_LIST), WM_KEYUP, COMPARE_SHORTCUT_KEY,
                     0xC0000001);
    });
    driver.Then([&](HWND dialog) {
        EXPECT_FALSE(SnapshotShown()) << "let go";
        EXPECT_EQ(Differences(ui::Pixels(previewControl), ring), 0);
        ui::Key(GetDlgItem(dialog, IDC_ELEMENT_LIST), SOLO_SHORTCUT_KEY);
    });
    driver.Then([&](HWND dialog) {
        EXPECT_TRUE(SoloShown());
        ui::Key(GetDlgItem(dialog, IDC_ELEMENT_LIST), SOLO_SHORTCUT_KEY);
    });
    driver.Then([&](HWND dialog) {
        EXPECT_FALSE(SoloShown());
        CloseWithOk(dialog);
    });
    host.OpenEditor();
}

TEST(SoloCompare, SplitViewShowsAOnTheLeftTheDividerDragsWithoutTheLightAndRestoreIsOneUndoStep)
{
    HostSession host;
    Capture both = PreviewOf(host, {"glow", "ring"});
    Capture ring = PreviewOf(host, {"ring"});
    fx::SetFlareTypes(host, {"glow", "ring"});
    int64_t blocks = LiveHostBlocks();
    host.Edit([&](HWND dialog) {
        EXPECT_TRUE(fx::SystemMenuItem(dialog, IDM_SPLIT_VIEW).grey) << "no snapshot yet";
        Menu(dialog, IDM_HOLD_SNAPSHOT);
        fx::SelectLine(dialog, 0);
        ui::Click(dialog, IDC_REMOVE_ELEMENT);
        std::string edited = fx::SavedFlare(host);
        host.ClearLog();

        Menu(dialog, IDM_SPLIT_VIEW);
        int divider = SplitDividerX();
        Capture split = ui::Pixels(previewControl);
        EXPECT_EQ(divider, split.width / 2);
        EXPECT_EQ(Differences(split, both, 0, divider), 0) << "A left of the divider";
        EXPECT_EQ(Differences(split, ring, divider + 1, split.width), 0) << "now right of it";
        EXPECT_GT(Differences(split, ring, 0, divider), 100);

        int16_t x = flareX, y = flareY;
        host.ClearLog();
        ui::LeftDown(previewControl, divider + 2, 80);
        ui::MouseMove(previewControl, 40, 80, true);
        ui::LeftUp(previewControl, 40, 80);
        EXPECT_EQ(SplitDividerX(), 40);
        EXPECT_EQ(flareX, x) << "the light stays";
        EXPECT_EQ(flareY, y);
        EXPECT_TRUE(host.Log("Ki_LensFlareApplyToGBuffer").empty()) << "no render to move it";
        split = ui::Pixels(previewControl);
        EXPECT_EQ(Differences(split, both, 0, 40), 0);
        EXPECT_EQ(Differences(split, ring, 41, split.width), 0);
        ui::LeftDown(previewControl, 200, 30);
        ui::LeftUp(previewControl, 200, 30);
        EXPECT_EQ(flareX, 200) << "elsewhere the light moves as ever";
        Menu(dialog, IDM_SPLIT_VIEW);
        EXPECT_EQ(fx::SavedFlare(host), edited) << "the views left the flare";

        Menu(dialog, IDM_RESTORE_SNAPSHOT);
        EXPECT_EQ(fx::ElementNames(host), (std::vector<std::string>{"glow", "ring"}));
        EXPECT_EQ(fx::SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text,
                  "Undo Restore Snapshot\tCtrl+Z");
        Menu(dialog, IDM_SYSTEM_UNDO);
        EXPECT_EQ(fx::SavedFlare(host), edited) << "one undo step brings the edit back";
        Menu(dialog, IDM_SYSTEM_REDO);
        EXPECT_EQ(fx::ElementNames(host), (std::vector<std::string>{"glow", "ring"}));
    });
    EXPECT_FALSE(TempLightExists());
    EXPECT_EQ(LiveHostBlocks(), blocks);
}

TEST(SoloCompare, CtrlArrowsOnTheFocusedPreviewMoveTheDividerWithinThePreviewAndNotTheLight)
{
    HostSession host;
    Capture both = PreviewOf(host, {"glow", "ring"});
    Capture ring = PreviewOf(host, {"ring"});
    fx::SetFlareTypes(host, {"glow", "ring"});
    int middle = 0;
    int16_t x = 0, y = 0;
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        Menu(dialog, IDM_HOLD_SNAPSHOT);
        fx::SelectLine(dialog, 0);
        ui::Click(dialog, IDC_REMOVE_ELEMENT);
        Menu(dialog, IDM_SPLIT_VIEW);
        middle = SplitDividerX();
        x = flareX;
        y = flareY;
        SetFocus(previewControl);
        host.ClearLog();
        HoldKeys(true, false);
        for (int i = 0; i < 3; i++)
            ui::Key(previewControl, VK_LEFT);
    });
    driver.Then([&](HWND) {
        EXPECT_EQ(SplitDividerX(), middle - 30);
        Capture split = ui::Pixels(previewControl);
        const int frame = 4;   /* the focused preview's dotted frame is inside it */
        EXPECT_EQ(Differences(split, both, 0, middle - 30, frame), 0) << "A left of the divider";
        EXPECT_EQ(Differences(split, ring, middle - 29, split.width, frame), 0) << "now right";
        EXPECT_EQ(flareX, x) << "the light stays";
        EXPECT_EQ(flareY, y);
        EXPECT_TRUE(host.Log("Ki_LensFlareApplyToGBuffer").empty()) << "no render to move it";
        for (int i = 0; i < 40; i++)
            ui::Key(previewControl, VK_RIGHT);
    });
    host.Edit(driver, [&](HWND) {
        HoldKeys(false, false);
        EXPECT_EQ(SplitDividerX(), PreviewGBuffer()->width) << "no further than the edge";
    });
}

TEST(SoloCompare, ViewsLeaveNoGdiObjectsBehindAfterClose)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    std::optional<int> gained = ui::GdiObjectsGained(8, 3, [&](int) {
        host.Edit([&](HWND dialog) {
            Menu(dialog, IDM_SOLO_ELEMENT);
            Menu(dialog, IDM_HOLD_SNAPSHOT);
            Menu(dialog, IDM_SPLIT_VIEW);
            Menu(dialog, IDM_COMPARE_SNAPSHOT);
            ui::Pixels(previewControl);
        });
    });
    EXPECT_LE(gained.value_or(0), 0);
}

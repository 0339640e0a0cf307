// The editor's element list and its structural commands, in the real
// dialog on a light of the reference host.  The host's element order and
// values and its call log are the oracle.
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "editor/element_clipboard.h"
#include "element_fixture.h"
#include "panel/panel.h"
#include "ui_driver.h"

using fx::HostElements;

namespace {

/* Queues the steps of one "&Add": the click in the editor, then OK in the
 * add dialog with the type of the given host name chosen. */
void QueueAdd(ui::Driver &driver, int16_t placement, const char *typeName)
{
    driver.Then([=](HWND dialog) {
        addElementPlacement = placement;
        ui::Click(dialog, IDC_ADD_ELEMENT);
    });
    driver.When("Select Element", [=](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_ELEMENT_TYPES);
        int lines = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < lines; i++) {
            const char *name = (const char *)SendMessageA(list, LB_GETITEMDATA, i, 0);
            if (name && std::string(name) == typeName) {
                SendMessageA(list, LB_SETCURSEL, i, 0);
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ELEMENT_TYPES, LBN_SELCHANGE),
                             (LPARAM)list);
            }
        }
        ui::Click(dialog, IDOK);
    });
}

/* What reaches the element list while it draws: each time its drawing is
 * turned back on it updates its scroll bar (dozens of round trips to the
 * server under Wine), and a change of its lines, selection or scroll
 * while it draws is drawn at once. */
struct ListWatch {
    WNDPROC original = nullptr;
    bool drawing = true;
    int drawingTurnedOn = 0;
    int changesWhileDrawing = 0;
};
ListWatch listWatch;

LRESULT CALLBACK WatchedListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETREDRAW:
        listWatch.drawing = wParam != 0;
        listWatch.drawingTurnedOn += wParam != 0;
        break;
    case LB_RESETCONTENT:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX:
        listWatch.changesWhileDrawing += listWatch.drawing;
        break;
    }
    return CallWindowProcA(listWatch.original, list, message, wParam, lParam);
}

void WatchList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_ELEMENT_LIST);
    listWatch = ListWatch();
    listWatch.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchedListProc)));
}

void StartCounting()
{
    listWatch.drawingTurnedOn = listWatch.changesWhileDrawing = 0;
}

void ExpectDrawnOnce(const char *command)
{
    EXPECT_EQ(listWatch.drawingTurnedOn, 1) << command;
    EXPECT_EQ(listWatch.changesWhileDrawing, 0) << command;
    EXPECT_TRUE(listWatch.drawing) << command;
}

} // namespace

TEST(ElementList, EveryCommandThatChangesTheLinesDrawsTheListOnce)
{
    HostSession host;
    std::vector<const char *> types(12, "glow");
    types[5] = "ring";
    fx::SetFlareTypes(host, types);
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        WatchList(dialog);
        fx::SelectLine(dialog, 5);
        std::vector<float> shown = fx::HostValue(host, 5, 0);
        SetWindowTextA(GetDlgItem(GetDlgItem(dialog, IDC_PANEL_FIRST), TINYSLIDER_EDIT_ID), "0.5");
        ASSERT_EQ(fx::HostValue(host, 5, 0)[0], 0.5f);
        StartCounting();
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_UNDO, 0);
        EXPECT_EQ(fx::HostValue(host, 5, 0), shown);
        EXPECT_EQ(listWatch.drawingTurnedOn, 0) << "an undone value leaves the list as it was";
        const std::pair<const char *, void (*)(HWND)> commands[] = {
            {"Move Down", [](HWND d) { ui::Click(d, IDC_MOVE_DOWN); }},
            {"Duplicate", DuplicateSelectedElement},
            {"Undo", [](HWND d) { SendMessageA(d, WM_SYSCOMMAND, IDM_SYSTEM_UNDO, 0); }},
            {"Redo", [](HWND d) { SendMessageA(d, WM_SYSCOMMAND, IDM_SYSTEM_REDO, 0); }},
            {"Remove", [](HWND d) { ui::Click(d, IDC_REMOVE_ELEMENT); }},
        };
        for (const auto &command : commands) {
            StartCounting();
            command.second(dialog);
            ExpectDrawnOnce(command.first);
        }
        EXPECT_EQ(fx::ListCount(dialog), 12);
        fx::SelectLine(dialog, 8);
        StartCounting();
    });
    QueueAdd(driver, IDC_ADD_AFTER, "halo");
    host.Edit(driver, [&](HWND dialog) {
        ExpectDrawnOnce("Add");
        EXPECT_EQ(fx::ListSelection(dialog), 9);
    });
}

TEST(ElementList, RemoveWritesNothingFirstAndTheLastRemovalLeavesNothingToActOn)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    std::vector<fx::HostElement> before = HostElements(host);
    host.Edit([&](HWND dialog) {
        fx::SelectLine(dialog, 1);
        host.ClearLog();
        ui::Click(dialog, IDC_REMOVE_ELEMENT);
        std::vector<std::string> calls = host.Log("Ki_LensFlare");
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls[0], "Ki_LensFlare light \"Light01\" delete \"" + before[1].guid + "\" 0");
        EXPECT_EQ(fx::ListSelection(dialog), 0);
        EXPECT_EQ(host.instance->currentElement->guid, before[0].guid);
        EXPECT_EQ(host.Log("Ki_LensFlareApplyToGBuffer").size(), 1u);

        ui::Click(dialog, IDC_REMOVE_ELEMENT);
        EXPECT_EQ(fx::ListCount(dialog), 0);
        EXPECT_FALSE(ui::IsEnabled(dialog, IDC_LIBRARY_SAVE));
        EXPECT_FALSE(ui::IsChecked(dialog, IDC_ELEMENT_ENABLED));
        EXPECT_EQ(GetDlgItem(dialog, IDC_PANEL_FIRST), nullptr);
        EXPECT_EQ(host.instance->currentElement, nullptr);
    });
    EXPECT_TRUE(HostElements(host).empty());
}

TEST(ElementList, MovingKeepsTheElementSelectedAtTheTopAfterSavingThePanel)
{
    HostSession host;
    std::vector<const char *> types(16, "glow");
    types[3] = "ring";
    fx::SetFlareTypes(host, types);
    std::string ringGuid = HostElements(host)[3].guid;
    host.Edit([&](HWND dialog) {
        fx::SelectLine(dialog, 3);
        host.ClearLog();
        ui::Click(dialog, IDC_MOVE_DOWN);
        std::vector<std::string> calls = host.Log("Ki_LensFlare");
        int move = fx::FirstLineWith(calls, " move down \"" + ringGuid + "\"");
        ASSERT_GE(move, 0);
        /* The whole write-back, ring's values included, went first. */
        EXPECT_EQ((size_t)move, fx::WriteCalls(host.instance->model));
        EXPECT_EQ(fx::ListSelection(dialog), 4);
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_ELEMENT_LIST, LB_GETTOPINDEX, 0, 0), 4);
        ASSERT_NE(host.instance->currentElement, nullptr);
        EXPECT_EQ(host.instance->currentElement->guid, ringGuid);
        EXPECT_EQ(host.instance->currentElement->firstParameter->control,
                  GetDlgItem(dialog, IDC_PANEL_FIRST));
        ui::Click(dialog, IDC_MOVE_UP);
        EXPECT_EQ(fx::ListSelection(dialog), 3);
    });
    EXPECT_EQ(HostElements(host)[3].guid, ringGuid);
}

TEST(ElementList, EachPlacementPutsTheNewElementWhereItSaysAndSelectsIt)
{
    struct Case {
        int16_t placement;
        size_t added;
        std::vector<std::string> expected;   /* ring selected, halo added */
    } cases[] = {
        {IDC_ADD_BEFORE, 1, {"glow", "halo", "ring", "glow"}},
        {IDC_ADD_AFTER, 2, {"glow", "ring", "halo", "glow"}},
        {IDC_ADD_AT_START, 0, {"halo", "glow", "ring", "glow"}},
        {IDC_ADD_AT_END, 3, {"glow", "ring", "glow", "halo"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.placement);
        HostSession host;
        fx::SetFlareTypes(host, {"glow", "ring", "glow"});
        size_t writes = 0;
        ui::Driver driver;
        driver.Then([&](HWND dialog) {
            fx::SelectLine(dialog, 1);
            writes = fx::WriteCalls(host.instance->model);
            host.ClearLog();
        });
        QueueAdd(driver, c.placement, "halo");
        host.Edit(driver, [&](HWND dialog) {
            /* The panel's edits went to the host before the insert. */
            EXPECT_EQ(fx::FirstLineWith(host.Log("Ki_LensFlare"), " insert "), (int)writes);
            ASSERT_EQ(fx::ElementNames(host), c.expected);
            EXPECT_EQ(fx::ListSelection(dialog), (int)c.added);
            EXPECT_EQ(host.instance->currentElement->guid, HostElements(host)[c.added].guid);
            EXPECT_NE(GetDlgItem(dialog, IDC_PANEL_FIRST), nullptr) << "its panel is built";
        });
    }
}

/* An element without parameters is no current element: the commands
 * idle, and "before" and "after" go next to the line that is selected,
 * or with no line at the nearest end. */
TEST(ElementList, WithoutACurrentElementCommandsIdleAndAddsGoNextToTheSelectedLine)
{
    fx::Define(fx::kBareType);
    {
        HostSession host;
        fx::SetFlareTypes(host, {"glow", "t_bare", "ring"});
        ui::Driver driver;
        driver.Then([&](HWND dialog) {
            ASSERT_TRUE(ui::IsChecked(dialog, IDC_ELEMENT_ENABLED));
            fx::SelectLine(dialog, 1);
            EXPECT_EQ(host.instance->currentElement, nullptr);
            EXPECT_FALSE(ui::IsChecked(dialog, IDC_ELEMENT_ENABLED)) << "no element: \"off\"";
            EXPECT_EQ(GetDlgItem(dialog, IDC_PANEL_FIRST), nullptr);
            host.ClearLog();
            ui::Click(dialog, IDC_REMOVE_ELEMENT);
            ui::Click(dialog, IDC_MOVE_UP);
            SendMessageA(dialog, WM_COMMAND, IDC_ELEMENT_ENABLED, 0);
            EXPECT_TRUE(host.Log().empty());
            EXPECT_EQ(fx::ListCount(dialog), 3);
        });
        QueueAdd(driver, IDC_ADD_AFTER, "halo");
        host.Edit(driver, [](HWND) {});
        EXPECT_EQ(fx::ElementNames(host),
                  (std::vector<std::string>{"glow", "t_bare", "halo", "ring"}));
    }
    for (int16_t placement : {IDC_ADD_BEFORE, IDC_ADD_AFTER}) {
        HostSession host;
        fx::SetFlareTypes(host, {});
        ui::Driver driver;
        QueueAdd(driver, placement, "halo");
        host.Edit(driver, [&](HWND dialog) {
            std::vector<std::string> calls = host.Log("Ki_LensFlare");
            const char *expected = placement == IDC_ADD_BEFORE ? " insert start \"halo\" &out 0"
                                                               : " insert end \"halo\" &out 0";
            EXPECT_EQ(fx::CountContaining(calls, expected), 1u) << placement;
            EXPECT_EQ(fx::ListCount(dialog), 1);
            EXPECT_TRUE(ui::IsEnabled(dialog, IDC_LIBRARY_SAVE));
        });
    }
}

TEST(ElementList, WithRealtimeOffOnlyTheElementSectionWritesOnSelectionAndEnabledWritesAtOnce)
{
    fx::Define(fx::kRowsType);
    HostSession host;
    fx::SetFlareTypes(host, {"t_rows", "glow"});
    host.Edit([&](HWND dialog) {
        ui::Click(dialog, IDC_REALTIME_UPDATES);   /* off */
        ElementParameter *flag = host.instance->currentElement->firstParameter->next->next->next;
        ASSERT_EQ(flag->controlId, IDC_PANEL_FIRST + 1);
        host.ClearLog();
        ui::Click(dialog, IDC_PANEL_FIRST + 1);
        EXPECT_TRUE(host.Log().empty()) << "realtime updates are off";
        fx::SelectLine(dialog, 1);
        EXPECT_EQ(host.Log("Ki_LensFlare").size(), fx::WriteCalls(host.instance->model));
        EXPECT_EQ(fx::HostValue(host, 0, 3)[0], 1.0f);

        for (int section : {SECTION_GLOBAL, SECTION_GLOBAL_FADING}) {
            SCOPED_TRACE(section);
            fx::ShowSection(dialog, section);
            host.ClearLog();
            fx::SelectLine(dialog, 0);
            EXPECT_TRUE(host.Log().empty());
            EXPECT_EQ(host.instance->currentElement, host.instance->model->firstElement);
            fx::SelectLine(dialog, 1);
            EXPECT_TRUE(host.Log().empty());
            EXPECT_EQ(host.instance->currentElement, host.instance->model->firstElement->next);
            EXPECT_EQ(GetDlgItem(dialog, IDC_PANEL_FIRST), nullptr);
        }

        SCOPED_TRACE("element enabled writes and redraws");
        fx::ShowSection(dialog, SECTION_ELEMENT);
        host.ClearLog();
        ui::Click(dialog, IDC_ELEMENT_ENABLED);
        EXPECT_FALSE(ui::IsChecked(dialog, IDC_ELEMENT_ENABLED));
        EXPECT_EQ(host.Log("Ki_LensFlare").size(), fx::WriteCalls(host.instance->model));
        EXPECT_EQ(host.Log("Ki_LensFlareApplyToGBuffer").size(), 1u);
        EXPECT_EQ(HostElements(host)[1].enabled, fx::T("off"));
        fx::SelectLine(dialog, 0);
        EXPECT_TRUE(ui::IsChecked(dialog, IDC_ELEMENT_ENABLED)) << "follows the selection";
    });
}

/* Realtime updates off hold a global edit back from the host; Move and
 * Remove read the flare back from the host, which must not drop it. */
TEST(ElementList, WithRealtimeOffAnEditHeldBackOnAGlobalSectionSurvivesMoveAndRemove)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring", "halo"});
    auto hostScale = [&host](const char *value) {
        return fx::SavedFlare(host).find(std::string("\nscale ") + value + "\n") != std::string::npos;
    };
    host.Edit([&](HWND dialog) {
        ui::Click(dialog, IDC_REALTIME_UPDATES);   /* off */
        for (int section : {SECTION_GLOBAL, SECTION_ELEMENT}) {
            SCOPED_TRACE(section);
            fx::ShowSection(dialog, SECTION_GLOBAL);
            SetWindowTextA(scaleSlider->edit, "2");
            fx::ShowSection(dialog, section);
            EXPECT_TRUE(hostScale("1")) << "held back";
            ui::Click(dialog, IDC_MOVE_DOWN);
            EXPECT_TRUE(hostScale("2")) << "Move wrote it before reading the flare back";
            EXPECT_FLOAT_EQ(host.instance->model->scale, 2.0f);

            fx::ShowSection(dialog, SECTION_GLOBAL);
            SetWindowTextA(scaleSlider->edit, "3");
            fx::ShowSection(dialog, section);
            ui::Click(dialog, IDC_REMOVE_ELEMENT);
            EXPECT_TRUE(hostScale("3")) << "so did Remove";
            EXPECT_FLOAT_EQ(host.instance->model->scale, 3.0f);
            SetWindowTextA(scaleSlider->edit, "1");
            ui::Click(dialog, IDC_REDRAW_NOW);
        }
        EXPECT_EQ(fx::ListCount(dialog), 1);
    });
}

TEST(ElementList, HostMemoryComesBackAfterAHundredAddMoveRemoveCycles)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    const int kCycles = 100;
    int64_t before = 0;
    ui::Driver driver;
    driver.Then([&](HWND dialog) { before = LiveHostBlocks(); });
    for (int i = 0; i < kCycles; i++) {
        QueueAdd(driver, IDC_ADD_AT_END, "ring");
        driver.Then([&](HWND dialog) {
            ui::Click(dialog, IDC_MOVE_UP);
            ui::Click(dialog, IDC_REMOVE_ELEMENT);
        });
    }
    host.Edit(driver, [&](HWND dialog) {
        EXPECT_EQ(LiveHostBlocks(), before);
    });
    EXPECT_EQ(fx::ElementNames(host), (std::vector<std::string>{"glow", "ring"}));
}

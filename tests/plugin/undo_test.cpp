// The editor's undo history, driven with real key messages and system menu
// commands in the real dialog; the host's own saved flare is the oracle.
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "editor/undo.h"
#include "element_fixture.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "key_steps.h"
#include "panel/panel.h"
#include "picker_steps.h"
#include "preview/light_sweep.h"
#include "ui_driver.h"

namespace {

/* One chord pressed in the control of that id (the focus is set there
 * again: tests running beside this one can take it); the modal loop
 * handles the posted key before the next step runs. */
void QueueChord(ui::Driver &driver, UINT key, bool shift = false, int id = IDC_ELEMENT_LIST)
{
    driver.Then([=](HWND dialog) {
        HoldKeys(true, shift);
        HWND target = id == IDC_INTENSITY_SLIDER ? intensitySlider->edit : GetDlgItem(dialog, id);
        SetFocus(target);
        ui::Key(target, key);
    });
    driver.Then([](HWND) { HoldKeys(false, false); });
}

void Undo(HWND dialog)
{
    SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_UNDO, 0);
}

void Redo(HWND dialog)
{
    SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_REDO, 0);
}

/* Control id of the shown element's parameter of that name. */
int ControlOf(const char *name)
{
    for (ElementParameter *p = currentInstance->currentElement->firstParameter; p; p = p->next)
        if (p->name && std::string(p->name) == name)
            return p->controlId;
    ADD_FAILURE() << name;
    return 0;
}

/* Typing into a slider's box without the focus in it: one committed value. */
void TypeInto(TinySlider *slider, const char *text)
{
    ASSERT_NE(slider, nullptr);
    SetWindowTextA(slider->edit, text);
}

} // namespace

using fx::SavedFlare;
using fx::SystemMenuItem;

TEST(Undo, MixedEditsUndoneByKeysGiveBackTheOpeningFlareAndRedoneTheFinalOne)
{
    fx::Define(fx::kRowsType);
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "t_rows", "ring", "halo"});
    const std::string opening = SavedFlare(host);
    std::string final;
    bool glowBehind = false;
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        glowBehind = ui::IsChecked(dialog, IDC_GLOW_BEHIND);
        SetFocus(GetDlgItem(dialog, IDC_ELEMENT_LIST));
        fx::SelectLine(dialog, 1);
        ui::Click(dialog, ControlOf("flag"));
        fx::SelectLine(dialog, 1);
        SetWindowTextA(GetDlgItem(GetDlgItem(dialog, ControlOf("first")), TINYSLIDER_EDIT_ID),
                       "7.25");
        ui::Click(dialog, IDC_ELEMENT_ENABLED);
        ui::Click(dialog, IDC_MOVE_UP);
        fx::SelectLine(dialog, 3);
        ui::Click(dialog, IDC_REMOVE_ELEMENT);
        fx::ShowSection(dialog, SECTION_GLOBAL);
        TypeInto(intensitySlider, "3.5");
        ui::Click(dialog, IDC_FLARE_ENABLED);
        fx::ShowSection(dialog, SECTION_GLOBAL_FADING);
        ui::Click(dialog, IDC_GLOW_BEHIND);
        ui::Click(dialog, IDC_FASTER_UPDATES);
        final = SavedFlare(host);
        ASSERT_NE(final, opening);
    });
    for (int i = 0; i < 9; i++)
        QueueChord(driver, 'Z');
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(SavedFlare(host), opening);
        EXPECT_TRUE(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).grey);
        EXPECT_EQ(fx::ListCount(dialog), 4);
        EXPECT_EQ(fx::ListSelection(dialog), 1) << "the first step's element is shown";
        EXPECT_EQ(currentSection, SECTION_ELEMENT);
        EXPECT_FALSE(ui::IsChecked(dialog, ControlOf("flag")));
        EXPECT_TRUE(ui::IsChecked(dialog, IDC_ELEMENT_ENABLED));
    });
    for (int i = 0; i < 9; i++)
        QueueChord(driver, i % 2 ? 'Y' : 'Z', i % 2 == 0);
    host.Edit(driver, [&](HWND dialog) {
        EXPECT_EQ(SavedFlare(host), final);
        EXPECT_TRUE(SystemMenuItem(dialog, IDM_SYSTEM_REDO).grey);
        EXPECT_EQ(fx::ListCount(dialog), 3);
        EXPECT_EQ(currentSection, SECTION_GLOBAL_FADING) << "where the last step shows";
        EXPECT_NE(ui::IsChecked(dialog, IDC_GLOW_BEHIND), glowBehind);
    });
    EXPECT_EQ(SavedFlare(host), final) << "OK keeps the redone flare";
}

TEST(Undo, TheSystemMenuNamesTheStepsGreysWhatCannotBeDoneAndANewEditDropsTheRedoBranch)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    struct Row {
        const char *action;
        std::function<void(HWND)> act;
        const char *undo, *redo;   /* null: greyed */
    };
    ui::Driver driver;
    const Row rows[] = {
        {"opened", [](HWND) {}, nullptr, nullptr},
        {"remove", [](HWND d) { fx::SelectLine(d, 0); ui::Click(d, IDC_REMOVE_ELEMENT); },
         "Undo Remove Element\tCtrl+Z", nullptr},
        {"scale", [](HWND) { TypeInto(scaleSlider, "2"); }, "Undo Global Scale\tCtrl+Z", nullptr},
        {"undo", Undo, "Undo Remove Element\tCtrl+Z", "Redo Global Scale\tCtrl+Y"},
        {"undo again", Undo, nullptr, "Redo Remove Element\tCtrl+Y"},
        {"undo with none left", Undo, nullptr, "Redo Remove Element\tCtrl+Y"},
        {"redo", Redo, "Undo Remove Element\tCtrl+Z", "Redo Global Scale\tCtrl+Y"},
        {"new edit", [](HWND d) { ui::Click(d, IDC_FLARE_ENABLED); },
         "Undo Lens Flare Enabled\tCtrl+Z", nullptr},
        {"redo with none left", Redo, "Undo Lens Flare Enabled\tCtrl+Z", nullptr},
        {"undo", Undo, "Undo Remove Element\tCtrl+Z", "Redo Lens Flare Enabled\tCtrl+Y"},
        {"add at the end",
         [&](HWND d) {
             addElementPlacement = IDC_ADD_AT_END;
             driver.When("Select Element", [](HWND add) { ui::Click(add, IDOK); });
             ui::Click(d, IDC_ADD_ELEMENT);
         },
         "Undo Add Element\tCtrl+Z", nullptr},
        {"move the bottom one down", [](HWND d) { ui::Click(d, IDC_MOVE_DOWN); },
         "Undo Add Element\tCtrl+Z", nullptr},
        {"move up", [](HWND d) { ui::Click(d, IDC_MOVE_UP); }, "Undo Move Up\tCtrl+Z", nullptr},
        {"move down", [](HWND d) { ui::Click(d, IDC_MOVE_DOWN); }, "Undo Move Down\tCtrl+Z",
         nullptr},
        {"element switch", [](HWND d) { ui::Click(d, IDC_ELEMENT_ENABLED); },
         "Undo Element Enabled\tCtrl+Z", nullptr},
        {"faster updates", [](HWND d) { ui::Click(d, IDC_FASTER_UPDATES); },
         "Undo Faster Updates\tCtrl+Z", nullptr},
    };
    host.Edit(driver, [&](HWND dialog) {
        for (const Row &row : rows) {
            row.act(dialog);
            fx::MenuItem undo = SystemMenuItem(dialog, IDM_SYSTEM_UNDO);
            fx::MenuItem redo = SystemMenuItem(dialog, IDM_SYSTEM_REDO);
            EXPECT_EQ(undo.grey, row.undo == nullptr) << row.action;
            EXPECT_EQ(redo.grey, row.redo == nullptr) << row.action;
            EXPECT_EQ(undo.text, row.undo ? row.undo : "Undo\tCtrl+Z") << row.action;
            EXPECT_EQ(redo.text, row.redo ? row.redo : "Redo\tCtrl+Y") << row.action;
        }
        EXPECT_EQ(fx::ListCount(dialog), 2) << "the removal is redone, then one added";
    });
    EXPECT_EQ(fx::HostElements(host).size(), 2u);
}

TEST(Undo, AFailedLibraryLoadThatEmptiedTheFlareIsUndoneWithEveryElement)
{
    fx::Define(fx::kRowsType);
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "t_rows", "ring"});
    const std::string opening = SavedFlare(host);
    std::ofstream(host.Path("notes.lnz"), std::ios::binary) << "shopping list\n";
    ui::Driver driver;
    driver.AnswerBoxesWith({IDOK});
    driver.Then([](HWND dialog) { ui::PostClick(dialog, IDC_LIBRARY_LOAD); });
    driver.When(fx::kLoadTitle, [](HWND dialog) { ui::ChooseFile(dialog, "notes.lnz"); });
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(fx::HostElements(host).size(), 0u);
        EXPECT_EQ(fx::ListCount(dialog), 0);
        EXPECT_EQ(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text, "Undo Library Load\tCtrl+Z");
    });
    QueueChord(driver, 'Z');
    host.Edit(driver, [&](HWND dialog) {
        EXPECT_EQ(SavedFlare(host), opening);
        EXPECT_EQ(fx::ListCount(dialog), 3);
    });
}

TEST(Undo, WithoutRealtimeUpdatesUndoChangesTheModelAndOkCarriesItToTheHost)
{
    HostSession host;
    const std::string opening = SavedFlare(host);
    host.Edit([&](HWND dialog) {
        ui::Click(dialog, IDC_REALTIME_UPDATES);
        fx::ShowSection(dialog, SECTION_GLOBAL);
        TypeInto(angleSlider, "90");
        TypeInto(stretchSlider, "1.5");
        ui::Click(dialog, IDC_FASTER_UPDATES);
        host.ClearLog();
        Undo(dialog);
        EXPECT_EQ(host.Log("Ki_LensFlare").size(), 1u) << "the switch goes back as it came";
        EXPECT_EQ(SavedFlare(host), opening);
        host.ClearLog();
        Undo(dialog);
        EXPECT_EQ(ui::Text(stretchSlider->edit), "1.00");
        EXPECT_EQ(ui::Text(angleSlider->edit), "90.00");
        EXPECT_TRUE(host.Log("Ki_LensFlare").empty()) << "nothing written before OK";
    });
    float angle = -1, stretch = -1;
    Ki_Inquire_LensFlare(fx::T("light"), host.light.c_str(), fx::T("angle"), &angle,
                         fx::T("anamorphicstretch"), &stretch, 1, 0);
    EXPECT_FLOAT_EQ(angle, 90.0f);
    EXPECT_FLOAT_EQ(stretch, 1.0f);
}

TEST(Undo, CtrlZInABoxWithTypingBelongsToTheBoxUntilTheFocusLeavesAndTypingAfterAnUndoIsANewStep)
{
    HostSession host;
    std::string opening;
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        fx::ShowSection(dialog, SECTION_GLOBAL);
        opening = ui::Text(intensitySlider->edit);
        SetFocus(intensitySlider->edit);
        SetWindowTextA(intensitySlider->edit, "2");
        SetWindowTextA(intensitySlider->edit, "2.5");
        SetFocus(nullptr);   /* as while another program is active */
    });
    QueueChord(driver, 'Z', false, IDC_INTENSITY_SLIDER);
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text, "Undo Global Intensity\tCtrl+Z")
            << "the box kept the key, also after the program was left and came back";
    });
    QueueChord(driver, 'Z');
    host.Edit(driver, [&](HWND dialog) {
        EXPECT_TRUE(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).grey) << "both keys were one step";
        EXPECT_EQ(ui::Text(intensitySlider->edit), opening);

        SetFocus(intensitySlider->edit);
        SetWindowTextA(intensitySlider->edit, "3");
        ui::Click(dialog, IDC_FLARE_ENABLED);
        Undo(dialog);
        SetFocus(intensitySlider->edit);
        SetWindowTextA(intensitySlider->edit, "3.5");
        EXPECT_TRUE(SystemMenuItem(dialog, IDM_SYSTEM_REDO).grey) << "the redo branch is dropped";
        Undo(dialog);
        EXPECT_EQ(ui::Text(intensitySlider->edit), "3.00");
    });
}

TEST(Undo, TheHundredAndFirstStepDropsTheOldest)
{
    HostSession host;
    host.Edit([&](HWND dialog) {
        fx::ShowSection(dialog, SECTION_GLOBAL);
        SetFocus(nullptr);
        char text[16];
        for (int i = 1; i <= 101; i++) {
            wsprintfA(text, "%d", i);
            TypeInto(angleSlider, text);
        }
        for (int i = 0; i < 101; i++)
            Undo(dialog);
        EXPECT_TRUE(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).grey);
        EXPECT_EQ(ui::Text(angleSlider->edit), "1.00") << "the opening value went with the oldest step";
    });
}

TEST(Undo, AGradientEditIsOneStepAndItsUndoGivesTheHostsStopsBackExactly)
{
    /* 0.3 is no pivot position (n / 99): a round trip through the control
     * would move it. */
    fx::Define("type t_uramp\ndescription Ramp\nparam gradient ramp\ndescription Ramp\n"
               "stop 0 0 0 0\nstop 0.3 0.1 0.2 0.3\nstop 1 1 1 1\nend\n");
    HostSession host;
    fx::SetFlareTypes(host, {"t_uramp"});
    const std::string opening = SavedFlare(host);
    host.Edit([&](HWND dialog) {
        auto shown = [] {
            return currentInstance->currentElement->firstParameter->gradientControl;
        };
        for (bool realtime : {true, false}) {
            SCOPED_TRACE(realtime ? "realtime" : "realtime off");
            if (realtime != ui::IsChecked(dialog, IDC_REALTIME_UPDATES))
                ui::Click(dialog, IDC_REALTIME_UPDATES);
            ASSERT_NE(shown(), nullptr);
            const CColourSlider *slider = shown();
            ui::RightDown(slider->control, XForPosition(slider, slider->pivots.positions[1]), 10);
            EXPECT_EQ(shown()->pivots.count, 2);
            EXPECT_EQ(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text, "Undo Ramp\tCtrl+Z");
            EXPECT_NE(SavedFlare(host) == opening, realtime);
            Undo(dialog);
            EXPECT_EQ(shown()->pivots.count, 3) << "the panel shows the restored stops";
            EXPECT_EQ(SavedFlare(host), opening);
            Redo(dialog);
            EXPECT_EQ(shown()->pivots.count, 2);
            Undo(dialog);
        }
    });
}

TEST(Undo, EditorSessionsWithEditsAndUndosLeaveNoGdiObjectsAndNoHostBlocks)
{
    const int kSessions = 15;
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring", "halo"});
    int64_t blocksBefore = 0;
    std::optional<int> gained = ui::GdiObjectsGained(kSessions, 4, [&](int s) {
        if (s == 5)   /* as the objects are counted: after session 4 */
            blocksBefore = LiveHostBlocks();
        host.Edit([&](HWND dialog) {
            fx::SelectLine(dialog, 0);
            ui::Click(dialog, IDC_REMOVE_ELEMENT);
            ui::Click(dialog, IDC_MOVE_DOWN);
            TypeInto(intensitySlider, "2");
            Undo(dialog);
            Undo(dialog);
            Undo(dialog);
            Redo(dialog);
            Undo(dialog);
        });
    });
    EXPECT_EQ(fx::HostElements(host).size(), 3u);
    EXPECT_EQ(LiveHostBlocks(), blocksBefore);
    EXPECT_EQ(gained.value_or(0), 0);
}

TEST(Undo, WhileASweepPlaysCtrlZOnlyStopsItAndTheNextCtrlZUndoes)
{
    HostSession host;
    const std::string opening = SavedFlare(host);
    const int defaultDuration = sweepDurationMs;
    std::string edited;
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        ui::Click(dialog, IDC_FLARE_ENABLED);
        edited = SavedFlare(host);
        /* The focus first: its notification is a command, which stops a sweep. */
        HWND list = GetDlgItem(dialog, IDC_ELEMENT_LIST);
        SetFocus(list);
        /* A sweep long enough that a loaded machine cannot see it end
         * before the key arrives, which then would undo. */
        sweepDurationMs = 600000;
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_PLAY_LIGHT_SWEEP, 0);
        ASSERT_TRUE(LightSweepRunning());
        HoldKeys(true, false);
        ui::Key(list, 'Z');
    });
    driver.Then([&](HWND dialog) {
        HoldKeys(false, false);
        sweepDurationMs = defaultDuration;
        EXPECT_FALSE(LightSweepRunning());
        EXPECT_EQ(SavedFlare(host), edited) << "the key went to the sweep alone";
        EXPECT_EQ(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text, "Undo Lens Flare Enabled\tCtrl+Z");
    });
    QueueChord(driver, 'Z');
    host.Edit(driver, [&](HWND dialog) {
        EXPECT_EQ(SavedFlare(host), opening);
        EXPECT_TRUE(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).grey);
    });
}

/* A command as the effect browser or paste will write one: its step is
 * opened first and taken when the command ends, however it ends. */
void ScaleCommand(const char *name, float scale, bool endEarly)
{
    UndoStep step(name);
    currentInstance->model->scale = scale;
    if (endEarly)
        return;
    WriteLensFlare(&currentInstance->model, currentInstance->handleType,
                   currentInstance->handleName);
}

TEST(Undo, AStepObjectRecordsWhenItsCommandEndsEarlyTooButNotWhenNothingChanged)
{
    HostSession host;
    host.Edit([&](HWND dialog) {
        const float opening = currentInstance->model->scale;
        ScaleCommand("Apply same.lnz", opening, true);
        EXPECT_TRUE(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).grey) << "nothing changed";

        ScaleCommand("Apply early.lnz", 2.5f, true);
        EXPECT_EQ(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text, "Undo Apply early.lnz\tCtrl+Z");
        {
            char name[UNDO_NAME_SIZE] = "Paste Glow";
            UndoStep step(name);
            lstrcpyA(name, "gone");   /* the caller's buffer may change before the step ends */
            currentInstance->model->scale = 4.0f;
        }
        EXPECT_EQ(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text, "Undo Paste Glow\tCtrl+Z");
        Undo(dialog);
        EXPECT_EQ(currentInstance->model->scale, 2.5f);
        Undo(dialog);
        EXPECT_EQ(currentInstance->model->scale, opening);
        EXPECT_TRUE(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).grey);
    });
}

TEST(BusyScope, SetsTheFlagOnEveryPathAndNestedScopesPutBackTheValueTheyFound)
{
    int16_t flag = 0;
    auto endsEarly = [&](bool early) {
        BusyScope busy(flag);
        if (early)
            return flag;
        BusyScope inner(flag);
        return flag;
    };
    EXPECT_EQ(endsEarly(true), 1);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(endsEarly(false), 1);
    EXPECT_EQ(flag, 0);
    {
        BusyScope outer(flag);
        {
            BusyScope inner(flag);
            EXPECT_EQ(flag, 1);
        }
        EXPECT_EQ(flag, 1) << "the inner scope leaves the outer one busy";
    }
    EXPECT_EQ(flag, 0);
}

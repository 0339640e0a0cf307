// The words the editor says under the preview where it would otherwise be
// silent: a library file that did not load, a picture copied, a step
// undone or redone.  Each is a notice in the preview's band, read back
// with PreviewNotice(), and never a box or another window.
#include <fstream>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "element_fixture.h"
#include "entry/plugin.h"
#include "key_steps.h"
#include "preview/preview.h"
#include "ui_driver.h"

namespace {

const char kCopied[] = "Copied a 120 x 90 picture of the flare";

BOOL CALLBACK CountShown(HWND window, LPARAM count)
{
    if (IsWindowVisible(window))
        ++*reinterpret_cast<int *>(count);
    return TRUE;
}

/* Top-level windows of this thread on screen: the editor alone when
 * nothing modal came up. */
int WindowsShown()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountShown, reinterpret_cast<LPARAM>(&count));
    return count;
}

void PressChord(HWND window, UINT key)
{
    SetFocus(window);
    HoldKeys(true, false);
    ui::Key(window, key);
}

} // namespace

TEST(Notices, ALibraryFileThatDidNotLoadIsNamedWithTheWayBackAndACancelSaysNothing)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    CreateDirectoryA(host.Path("lensfx").c_str(), nullptr);
    std::ofstream(host.Path("lensfx\\notes.lnz"), std::ios::binary) << "shopping list\n";
    ui::Driver driver;
    driver.Then([](HWND dialog) { ui::PostClick(dialog, IDC_LIBRARY_LOAD); });
    driver.When(fx::kLoadTitle, [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); });
    driver.Then([](HWND dialog) {
        EXPECT_STREQ(PreviewNotice(), "") << "a cancelled load says nothing";
        EXPECT_EQ(fx::ListCount(dialog), 2);
        ui::PostClick(dialog, IDC_LIBRARY_LOAD);
    });
    driver.When(fx::kLoadTitle, [&](HWND d) { ui::ChooseFile(d, host.Path("lensfx\\notes.lnz")); });
    driver.Then([](HWND dialog) {
        EXPECT_EQ(fx::ListCount(dialog), 0) << "the flare went before the load";
        EXPECT_STREQ(PreviewNotice(), "notes.lnz could not be loaded - Ctrl+Z brings your flare back");
        EXPECT_EQ(WindowsShown(), 1);
        PressChord(GetDlgItem(dialog, IDC_ELEMENT_LIST), 'Z');
    });
    host.Edit(driver, [](HWND dialog) {
        HoldKeys(false, false);
        EXPECT_EQ(fx::ListCount(dialog), 2) << "Ctrl+Z did bring the flare back";
    });
    EXPECT_TRUE(driver.Boxes().empty());
}

TEST(Notices, ARightClickCopySaysWhatWasCopiedAndABusyClipboardKeepsItsOwnBox)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow"});
    ui::Driver driver;
    host.Edit(driver, [&](HWND dialog) {
        HWND preview = GetDlgItem(dialog, IDC_PREVIEW);
        ASSERT_TRUE(ui::OpenClipboardSoon(ui::TestOwnerWindow()));
        ui::RightDown(preview, 5, 5);
        ui::RightUp(preview, 5, 5);
        CloseClipboard();
        EXPECT_EQ(driver.Boxes().size(), 1u) << "the busy clipboard's own message";
        EXPECT_STREQ(PreviewNotice(), "") << "nothing was copied";

        /* Another test program may hold the session's clipboard for a
         * moment: each try it foils gives the busy box, the copy none. */
        size_t tries = 0;
        while (tries < 40 && std::string(PreviewNotice()) != kCopied) {
            if (tries++)
                Sleep(25);
            ui::RightDown(preview, 5, 5);
            ui::RightUp(preview, 5, 5);
        }
        EXPECT_STREQ(PreviewNotice(), kCopied);
        EXPECT_EQ(driver.Boxes().size(), tries) << "no box for the copy";
        EXPECT_EQ(WindowsShown(), 1);
    });
}

TEST(Notices, UndoAndRedoByKeyOrMenuSayWhichStepTheyTook)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow"});
    ui::Driver driver;
    driver.Then([](HWND dialog) {
        TinySlider *radius = currentInstance->currentElement->firstParameter->slider;
        ASSERT_NE(radius, nullptr);
        SetFocus(GetDlgItem(dialog, IDC_ELEMENT_LIST));
        SetWindowTextA(radius->edit, "0.3");
        ui::Click(dialog, IDC_FLARE_ENABLED);
        EXPECT_STREQ(PreviewNotice(), "");
        PressChord(GetDlgItem(dialog, IDC_ELEMENT_LIST), 'Z');
    });
    driver.Then([](HWND dialog) {
        HoldKeys(false, false);
        EXPECT_STREQ(PreviewNotice(), "Undone: Lens Flare Enabled");
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_UNDO, 0);
        EXPECT_STREQ(PreviewNotice(), "Undone: Radius");
        PressChord(GetDlgItem(dialog, IDC_ELEMENT_LIST), 'Y');
    });
    driver.Then([](HWND dialog) {
        HoldKeys(false, false);
        EXPECT_STREQ(PreviewNotice(), "Redone: Radius");
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_REDO, 0);
        EXPECT_STREQ(PreviewNotice(), "Redone: Lens Flare Enabled");
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_REDO, 0);
        EXPECT_STREQ(PreviewNotice(), "Redone: Lens Flare Enabled") << "nothing to redo: no word";
        EXPECT_EQ(WindowsShown(), 1);
    });
    host.Edit(driver, [](HWND) {});
    EXPECT_TRUE(driver.Boxes().empty());
}

// The host's dialog utilities on real dialog controls.
#include <cstdlib>
#include <gtest/gtest.h>

#include "host/kalvos_io.h"
#include "host_session.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

/* The editor's template with a procedure that does nothing. */
class Kio : public testing::Test {
protected:
    void SetUp() override
    {
        dialog = CreateDialogParamA(moduleHandle, "LensFlareDialogBox", ui::TestOwnerWindow(),
                                    PlainDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override
    {
        if (dialog)
            DestroyWindow(dialog);
    }
    HWND dialog = nullptr;
    KaToken on = T("on"), off = T("off");
};

} // namespace

TEST_F(Kio, FlippingAToggleChangesBothTheValueAndTheSwitchAndAnyNonZeroFlagEnablesAControl)
{
    KaToken value = off;
    for (KaToken flipped : {on, off}) {
        Import_IO_Flip_Kalvos_Toggle(dialog, IDC_FADE_BEHIND, &value);
        EXPECT_EQ(value, flipped);
        EXPECT_EQ(ui::IsChecked(dialog, IDC_FADE_BEHIND), flipped == on);
    }
    for (int flag : {0, 7}) {
        Import_IO_Set_Control_Enable(dialog, IDC_REDRAW_NOW, flag);
        EXPECT_EQ(ui::IsEnabled(dialog, IDC_REDRAW_NOW), flag != 0);
    }
}

TEST_F(Kio, NumbersAreShownInTheirShortestText)
{
    struct {
        float value;
        const char *text;
    } floats[] = {{0.5f, "0.5"}, {10.0f, "10"}, {0.001f, "0.001"}, {-2.25f, "-2.25"},
                  {123.45678f, "123.4568"}, {0.0f, "0"}};
    for (const auto &c : floats) {
        Import_IO_KdFloat_To_Dialog(dialog, IDC_REF_DISTANCE, c.value);
        EXPECT_EQ(ui::ItemText(dialog, IDC_REF_DISTANCE), c.text) << c.value;
    }
    for (const char *text : {"-42", "2147483647"}) {
        Import_IO_KdInt_To_Dialog(dialog, IDC_RANDOM_SEED, std::atoi(text));
        EXPECT_EQ(ui::ItemText(dialog, IDC_RANDOM_SEED), text);
    }
}

TEST_F(Kio, CentringPutsTheDialogOverItsParent)
{
    HWND parent = ui::TestOwnerWindow();
    MoveWindow(parent, 100, 80, 800, 600, FALSE);
    Import_IO_Center_Window(parent, dialog);
    RECT p, d;
    GetWindowRect(parent, &p);
    GetWindowRect(dialog, &d);
    int dx = (d.left + d.right) / 2 - (p.left + p.right) / 2;
    int dy = (d.top + d.bottom) / 2 - (p.top + p.bottom) / 2;
    EXPECT_LE(std::abs(dx), 1);
    EXPECT_LE(std::abs(dy), 1);
}

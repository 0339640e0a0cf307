// The "Select Element" dialog on its own, run modally from the test
// program's resources; the host's type enumeration is the oracle.
#include <gtest/gtest.h>

#include "editor/editor.h"
#include "element_fixture.h"
#include "entry/plugin.h"
#include "ui_driver.h"

namespace {

/* Taken before any test runs: the placement the module starts with. */
const int16_t kPlacementAtLoad = addElementPlacement;

struct HostType {
    std::string description;
    const char *name;
};

INT_PTR RunAddDialog()
{
    return DialogBoxParamA(moduleHandle, "AddElementDialog", ui::TestOwnerWindow(),
                           AddElementDialogProc, 0);
}

int CheckedPlacement(HWND dialog)
{
    int checked = 0;
    for (int id = IDC_ADD_BEFORE; id <= IDC_ADD_AT_END; id++)
        if (ui::IsChecked(dialog, id))
            checked = checked ? -1 : id;   /* -1: more than one */
    return checked;
}

} // namespace

TEST(ElementListAddDialog, OkTakesTheSelectedTypeAndTheLastPlacementEvenWhenCancelled)
{
    EXPECT_EQ(kPlacementAtLoad, IDC_ADD_AT_END) << "\"Add at end of list\" the first time";
    std::vector<HostType> types;
    int32_t count = 0;
    Ki_LensFlare_Enumerate_ElementInfo(fx::T("numelements"), &count, 0);
    for (int32_t i = 0; i < count; i++) {
        const char *description = nullptr, *name = nullptr;
        Ki_LensFlare_Enumerate_ElementInfo(fx::T("element"), &i, fx::T("description"),
                                           &description, fx::T("name"), &name, 1, 0);
        types.push_back({description ? description : "", name});
    }
    ASSERT_GE(types.size(), 3u);
    addElementPlacement = IDC_ADD_AT_START;
    addElementType = nullptr;
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(ui::Text(dialog), "Select Element");
        EXPECT_EQ(CheckedPlacement(dialog), IDC_ADD_AT_START);
        HWND list = GetDlgItem(dialog, IDC_ELEMENT_TYPES);
        ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), (LRESULT)types.size());
        EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
        for (size_t i = 0; i < types.size(); i++) {
            char line[256] = "";
            SendMessageA(list, LB_GETTEXT, i, (LPARAM)line);
            EXPECT_EQ(line, types[i].description);
        }
        ui::Click(dialog, IDOK);
    });
    EXPECT_EQ(RunAddDialog(), 1);
    ASSERT_NE(addElementType, nullptr);
    EXPECT_STREQ(addElementType, types[0].name);
    EXPECT_EQ(addElementPlacement, IDC_ADD_AT_START);

    SCOPED_TRACE("a placement chosen, then cancel");
    driver.Then([&](HWND dialog) {
        ui::Click(dialog, IDC_ADD_AFTER);
        EXPECT_EQ(CheckedPlacement(dialog), IDC_ADD_AFTER);
        ui::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunAddDialog(), 0);

    SCOPED_TRACE("that placement preset next time, where a double-click only selects");
    HWND opened = nullptr;
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(CheckedPlacement(dialog), IDC_ADD_AFTER);
        opened = dialog;
        HWND list = GetDlgItem(dialog, IDC_ELEMENT_TYPES);
        RECT line;
        SendMessageA(list, LB_GETITEMRECT, 2, (LPARAM)&line);
        int x = line.left + 5, y = (line.top + line.bottom) / 2;
        ui::LeftDown(list, x, y);
        ui::LeftUp(list, x, y);
        SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
        ui::LeftUp(list, x, y);
    });
    driver.Then([&](HWND dialog) {
        /* Still the same dialog's loop: the double-click closed nothing. */
        EXPECT_EQ(dialog, opened);
        ui::Click(dialog, IDOK);
    });
    EXPECT_EQ(RunAddDialog(), 1);
    ASSERT_NE(addElementType, nullptr);
    EXPECT_STREQ(addElementType, types[2].name);
    EXPECT_EQ(addElementPlacement, IDC_ADD_AFTER);
}

/* Each key goes to the checked placement, where the focus is: another
 * program's window may hold the focus in a parallel run. */
TEST(ElementListAddDialog, TheArrowKeysGoRoundThePlacementsAndNeverOnToTheButtons)
{
    HostSession host;
    addElementPlacement = IDC_ADD_AT_END;
    std::vector<int> checked;
    ui::Driver driver;
    auto press = [&](UINT key) {
        driver.Then([key](HWND dialog) { ui::Key(GetDlgItem(dialog, CheckedPlacement(dialog)), key); });
        driver.Then([&](HWND dialog) { checked.push_back(CheckedPlacement(dialog)); });
    };
    driver.Then([](HWND dialog) { SetFocus(GetDlgItem(dialog, IDC_ADD_AT_END)); });
    press(VK_DOWN);
    press(VK_UP);
    press(VK_UP);
    driver.Then([](HWND dialog) { ui::Click(dialog, IDCANCEL); });
    EXPECT_EQ(RunAddDialog(), 0);
    EXPECT_EQ(checked, (std::vector<int>{IDC_ADD_BEFORE, IDC_ADD_AT_END, IDC_ADD_AT_START}));
    addElementPlacement = IDC_ADD_AT_END;
}

TEST(ElementListAddDialog, AHostWithoutTypesGivesAnEmptyListAndTheEditorAddsNothing)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow"});
    Kh_Offer_Element_Types(0);
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        host.ClearLog();
        ui::PostClick(dialog, IDC_ADD_ELEMENT);
    });
    driver.When("Select Element", [](HWND add) {
        EXPECT_EQ(SendDlgItemMessageA(add, IDC_ELEMENT_TYPES, LB_GETCOUNT, 0, 0), 0);
        ui::Click(add, IDOK);
    });
    host.Edit(driver, [&](HWND dialog) {
        EXPECT_EQ(fx::ListCount(dialog), 1);
    });
    Kh_Offer_Element_Types(1);
    std::vector<std::string> calls = host.Log("Ki_LensFlare");
    ASSERT_FALSE(calls.empty()) << "OK writes the flare";
    for (const std::string &call : calls)
        EXPECT_EQ(call.find(" insert "), std::string::npos) << call;
}

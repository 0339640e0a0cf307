// Every demo effect opened in the editor: each element can be selected and
// gets its panel without a single definition warning, and the effect goes
// back to the host byte for byte when nothing was edited; an edit made in
// a panel slider reaches the host.
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "element_fixture.h"
#include "ui_driver.h"

TEST(DemoEffects, EveryElementOfEveryEffectGetsItsPanelWithoutWarningsAndGoesBackUnchanged)
{
    HostSession host;
    std::string folder = host.Path("lensfx");
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_GE(Kh_Write_Demo_Effects(folder.c_str()), 6);
    std::vector<std::string> files = ui::FileNames(folder, "*.lnz");
    ASSERT_GE(files.size(), 6u);
    for (const std::string &file : files) {
        fx::SetFlareTypes(host, {});
        int32_t status = -1;
        Ki_LensFlare(fx::T("light"), host.light.c_str(), fx::T("loadfromfile"),
                     (folder + "\\" + file).c_str(), &status, 0);
        ASSERT_EQ(status, 0) << file;
        const std::string before = fx::SavedFlare(host);
        ui::Driver driver;
        host.Edit(driver, [&](HWND dialog) {
            int lines = fx::ListCount(dialog);
            EXPECT_EQ(lines, host.instance->model->numElements) << file;
            for (int i = 0; i < lines; i++) {
                fx::SelectLine(dialog, i);
                FlareElement *chosen = reinterpret_cast<FlareElement *>(
                    SendDlgItemMessageA(dialog, IDC_ELEMENT_LIST, LB_GETITEMDATA, i, 0));
                ASSERT_NE(chosen, nullptr);
                EXPECT_EQ(host.instance->currentElement, chosen) << file << " line " << i;
                EXPECT_NE(GetDlgItem(dialog, IDC_PANEL_FIRST), nullptr) << file << " line " << i;
            }
            fx::ShowSection(dialog, SECTION_GLOBAL);
            fx::ShowSection(dialog, SECTION_GLOBAL_FADING);
            fx::ShowSection(dialog, SECTION_ELEMENT);
        });
        EXPECT_TRUE(fx::SavedFlare(host) == before) << file << " changed without an edit";
        for (const ui::MessageBoxSeen &box : driver.Boxes())
            ADD_FAILURE() << file << ": \"" << box.caption << "\" " << box.text;
    }
}

TEST(DemoEffects, DraggingAPanelSliderWritesTheValueToTheHost)
{
    HostSession host;
    float written = -1.0f, shown = -2.0f;
    host.Edit([&](HWND dialog) {
        HWND first = GetDlgItem(dialog, IDC_PANEL_FIRST);
        ASSERT_NE(first, nullptr);
        TinySlider *slider = reinterpret_cast<TinySlider *>(GetWindowLongPtrA(first, 0));
        ASSERT_NE(slider, nullptr) << "the first row of the default glow is a slider";
        RECT box;
        GetClientRect(first, &box);
        int y = box.bottom - 3;
        SendMessageA(first, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(slider->thumbX, y));
        SendMessageA(first, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(box.right - 7, y));
        SendMessageA(first, WM_LBUTTONUP, 0, MAKELPARAM(box.right - 7, y));
        shown = slider->floatValue;
        written = fx::HostValue(host, 0, 0)[0];
    });
    EXPECT_FLOAT_EQ(written, shown) << "the slider's end of track reached the host";
}

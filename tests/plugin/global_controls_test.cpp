// The fixed global controls after the model is read again: the labelled
// sliders show the loaded values and OK commits them, not the old ones.
#include <array>
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "element_fixture.h"
#include "panel/panel.h"
#include "ui_driver.h"

namespace {

/* The globals behind the five sliders, in the order of Globals. */
const char *const kGlobalNames[] = {"intensity", "scale", "angle", "anamorphicstretch",
                                    "occlusionradius"};
using Globals = std::array<float, 5>;

void WriteHostGlobals(const HostSession &host, const Globals &g)
{
    for (int i = 0; i < 5; i++)
        Ki_LensFlare(fx::T("light"), host.light.c_str(), fx::T(kGlobalNames[i]), &g[i], 1, 0);
}

} // namespace

TEST(GlobalControls, AfterLibraryLoadTheSlidersShowTheLoadedFlareAndOkKeepsIt)
{
    struct Case {
        Globals file;
        const char *texts[5];   /* the radius in percent */
    } cases[] = {
        {{2.5f, 3.0f, 45.0f, 1.5f, 0.25f}, {"2.50", "3.00", "45.00", "1.50", "25.00"}},
        /* beyond the tracks' ends, within what the fields may hold */
        {{6.0f, 12.0f, 300.0f, 2.5f, 3.0f}, {"6.00", "12.00", "300.00", "2.50", "300.00"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.texts[0]);
        HostSession host;
        std::string file = host.Path("effect.lnz");
        WriteHostGlobals(host, c.file);
        ASSERT_EQ(fx::SaveFlare(host, file), 0);
        WriteHostGlobals(host, {1.0f, 1.0f, 0.0f, 1.0f, 0.1f});

        ui::Driver driver;
        driver.Then([](HWND dialog) {
            fx::ShowSection(dialog, SECTION_GLOBAL);
            ui::PostClick(dialog, IDC_LIBRARY_LOAD);
        });
        driver.When(fx::kLoadTitle, [&](HWND dialog) { ui::ChooseFile(dialog, file); });
        host.Edit(driver, [&](HWND dialog) {
            TinySlider *sliders[] = {intensitySlider, scaleSlider, angleSlider, stretchSlider,
                                     occlusionSlider};
            for (int i = 0; i < 5; i++) {
                ASSERT_NE(sliders[i], nullptr);
                EXPECT_EQ(ui::Text(sliders[i]->edit), c.texts[i]) << kGlobalNames[i];
            }
        });
        Globals kept = {-1, -1, -1, -1, -1};
        for (int i = 0; i < 5; i++)
            Ki_Inquire_LensFlare(fx::T("light"), host.light.c_str(), fx::T(kGlobalNames[i]), &kept[i],
                                 1, 0);
        EXPECT_EQ(kept, c.file);
    }
}

// The fixed global controls after the model is read again: the labelled
// sliders show the loaded values and OK commits them, not the old ones.
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "element_fixture.h"
#include "ui_driver.h"

namespace {

const char kLoadTitle[] = "Select Lens Flare Effect File";

struct Globals {
    float intensity, scale, angle, stretch, radius;
};

void WriteHostGlobals(const HostSession &host, const Globals &g)
{
    Ki_LensFlare(fx::T("light"), host.light.c_str(), fx::T("intensity"), &g.intensity, 1,
                 fx::T("scale"), &g.scale, 1, fx::T("angle"), &g.angle, 1,
                 fx::T("anamorphicstretch"), &g.stretch, 1, fx::T("occlusionradius"), &g.radius,
                 1, 0);
}

Globals ReadHostGlobals(const HostSession &host)
{
    Globals g = {-1, -1, -1, -1, -1};
    Ki_Inquire_LensFlare(fx::T("light"), host.light.c_str(), fx::T("intensity"), &g.intensity, 1,
                         fx::T("scale"), &g.scale, 1, fx::T("angle"), &g.angle, 1,
                         fx::T("anamorphicstretch"), &g.stretch, 1, fx::T("occlusionradius"),
                         &g.radius, 1, 0);
    return g;
}

} // namespace

TEST(GlobalControls, AfterLibraryLoadTheSlidersShowTheLoadedFlareAndOkKeepsIt)
{
    struct Case {
        Globals file;
        const char *texts[5];   /* intensity, scale, angle, stretch, radius in percent */
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
        int32_t status = -1;
        Ki_LensFlare(fx::T("light"), host.light.c_str(), fx::T("savetofile"), file.c_str(),
                     &status, 0);
        ASSERT_EQ(status, 0);
        WriteHostGlobals(host, {1.0f, 1.0f, 0.0f, 1.0f, 0.1f});

        ui::Driver driver;
        driver.Then([](HWND dialog) {
            fx::ShowSection(dialog, SECTION_GLOBAL);
            ui::PostClick(dialog, IDC_LIBRARY_LOAD);
        });
        driver.When(kLoadTitle, [&](HWND dialog) { ui::ChooseFile(dialog, file); });
        host.Edit(driver, [&](HWND dialog) {
            TinySlider *sliders[] = {intensitySlider, scaleSlider, angleSlider, stretchSlider,
                                     occlusionSlider};
            for (int i = 0; i < 5; i++) {
                ASSERT_NE(sliders[i], nullptr);
                EXPECT_EQ(ui::Text(sliders[i]->edit), c.texts[i]) << i;
            }
        });

        Globals kept = ReadHostGlobals(host);
        EXPECT_FLOAT_EQ(kept.intensity, c.file.intensity);
        EXPECT_FLOAT_EQ(kept.scale, c.file.scale);
        EXPECT_FLOAT_EQ(kept.angle, c.file.angle);
        EXPECT_FLOAT_EQ(kept.stretch, c.file.stretch);
        EXPECT_FLOAT_EQ(kept.radius, c.file.radius);
    }
}

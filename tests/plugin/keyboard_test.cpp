// Moving about the editor with the keys, pressed in the real dialog's
// modal loop: the sections by Ctrl+Tab and Ctrl+PageDown/Up, the controls
// by Tab and Shift+Tab, and the gradient control's own keys.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "editor/element_clipboard.h"
#include "element_fixture.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "key_steps.h"
#include "panel/panel.h"
#include "preview/preview.h"
#include "ui_driver.h"

namespace {

const char kKeysType[] =
    "type t_keys\ndescription Key Test\n"
    "param floatslider first\ndescription First\nuimax 10\nabsmax 10\ndefault 2\n"
    "param point where\n"
    "param checkbox flag\ndescription Flag\n"
    "param color tint\ndescription Tint\ndefault 0.2 0.4 0.6\n"
    "param list mode\ndescription Mode\nlist Low:0,High:1\nabsmax 5\ndefault 1\n"
    "param gradient ramp\ndescription Ramp\nstop 0 1 0 0\nstop 0.5 0 1 0\nstop 1 0 0 1\n"
    "param floatslider second\ndescription Second\nuimax 10\nabsmax 10\ndefault 3\n"
    "end\n";

/* The fixed controls a walk reaches after the section's, with realtime
 * updates on (Redraw Now disabled) and Copy disabled. */
const std::vector<std::string> kFixedWalk = {
    "preview", "Realtime Updates", "Faster Updates", "Ok", "Help", "Library Load", "Library Save",
    "list", "Element Enabled", "Add", "Remove", "Move Down", "Move Up"};

/* The focus in the editor.  Test programs running beside this one may
 * activate a window of theirs; the dialog, active again, gives the focus
 * back to the control that had it. */
HWND FocusNow(HWND dialog)
{
    if (!GetFocus())
        SetActiveWindow(dialog);
    return GetFocus();
}

/* What has the focus, named as the user reads it: a panel row by its
 * parameter's name, a labelled slider by its label, a fixed control by
 * its text without "&". */
std::string FocusName(HWND dialog)
{
    HWND focus = FocusNow(dialog);
    if (!focus)
        return "(none)";
    if (const FlareElement *e = currentInstance->currentElement)
        for (const ElementParameter *p = e->firstParameter; p; p = p->next)
            if ((p->slider && p->slider->edit == focus) || (p->control && p->control == focus))
                return p->name;
    for (const TinySlider *s :
         {intensitySlider, scaleSlider, angleSlider, stretchSlider, occlusionSlider})
        if (s && s->edit == focus)
            return s->label;
    if (focus == GetDlgItem(dialog, IDC_ELEMENT_LIST))
        return "list";
    if (focus == GetDlgItem(dialog, IDC_PREVIEW))
        return "preview";
    if (focus == GetDlgItem(dialog, IDC_REF_DISTANCE))
        return "Reference Distance";
    if (focus == GetDlgItem(dialog, IDC_BASE_COLOR))
        return "Base Color";
    std::string name;
    for (char c : ui::Text(focus))
        if (c != '&')
            name += c;
    return name;
}

/* Queues count presses of the key, each where the focus then is, and
 * notes the focus before each press and after the last. */
void QueueWalk(ui::Driver &driver, UINT key, bool control, bool shift, int count,
               std::vector<std::string> *seen)
{
    for (int i = 0; i < count; i++)
        driver.Then([=](HWND dialog) {
            seen->push_back(FocusName(dialog));
            HoldKeys(control, shift);
            ui::Key(FocusNow(dialog), key);
        });
    driver.Then([=](HWND dialog) {
        HoldKeys(false, false);
        seen->push_back(FocusName(dialog));
    });
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

int SelectedTab(HWND dialog)
{
    HWND strip = FindWindowExA(dialog, nullptr, TABSTRIP_CLASS, nullptr);
    const TabStrip *record =
        strip ? reinterpret_cast<const TabStrip *>(GetWindowLongPtrA(strip, 0)) : nullptr;
    if (!record)
        return -1;
    for (int i = 0; i < record->tabCount; i++)
        if (record->tabs[i].flags & TAB_SELECTED)
            return record->tabs[i].id;
    return -1;
}

bool Visible(HWND window)
{
    return window && IsWindowVisible(window);
}

/* The sections whose controls show: element (a panel row), global (its
 * first check box and a slider), fading (its first check box and the
 * occlusion slider). */
std::vector<int> SectionsShown(HWND dialog)
{
    std::vector<int> shown;
    const FlareElement *e = currentInstance->currentElement;
    if (e && e->firstParameter && Visible(e->firstParameter->control))
        shown.push_back(SECTION_ELEMENT);
    if (Visible(GetDlgItem(dialog, IDC_FLARE_ENABLED)) && Visible(intensitySlider->window))
        shown.push_back(SECTION_GLOBAL);
    if (Visible(GetDlgItem(dialog, IDC_FADE_NEAR_BORDER)) && Visible(occlusionSlider->window))
        shown.push_back(SECTION_GLOBAL_FADING);
    return shown;
}

} // namespace

TEST(Keyboard, CtrlTabAndCtrlPageKeysSwitchSectionsWhereverTheFocusIsAndLeaveBoxesAndListsTheirKeys)
{
    fx::Define(kKeysType);
    HostSession host;
    fx::SetFlareTypes(host, {"t_keys", "glow", "ring"});
    struct Chord {
        const char *name;
        UINT key;
        bool shift;
        std::function<HWND(HWND)> where;
        int16_t section;   /* shown afterwards */
    };
    auto item = [](int id) { return [id](HWND d) { return GetDlgItem(d, id); }; };
    auto firstBox = [](HWND) { return currentInstance->currentElement->firstParameter->slider->edit; };
    const Chord chords[] = {
        {"Ctrl+Tab in the element list", VK_TAB, false, item(IDC_ELEMENT_LIST), SECTION_GLOBAL},
        {"Ctrl+PageDown in a value box", VK_NEXT, false,
         [](HWND) { return intensitySlider->edit; }, SECTION_GLOBAL_FADING},
        {"Ctrl+Tab in the distance box", VK_TAB, false, item(IDC_REF_DISTANCE), SECTION_ELEMENT},
        {"Ctrl+Shift+Tab in a panel box", VK_TAB, true, firstBox, SECTION_GLOBAL_FADING},
        {"Ctrl+PageUp on a check box", VK_PRIOR, false, item(IDC_FADE_BEHIND), SECTION_GLOBAL},
        {"Ctrl+PageUp on the dialog", VK_PRIOR, false, [](HWND d) { return d; }, SECTION_ELEMENT},
    };
    ui::Driver driver;
    std::string intensityText;
    for (const Chord &chord : chords) {
        driver.Then([&](HWND dialog) {
            HWND target = chord.where(dialog);
            SetFocus(target);
            intensityText = ui::Text(intensitySlider->edit);
            HoldKeys(true, chord.shift);
            ui::Key(target, chord.key);
        });
        driver.Then([&](HWND dialog) {
            HoldKeys(false, false);
            SCOPED_TRACE(chord.name);
            EXPECT_EQ(currentSection, chord.section);
            EXPECT_EQ(SelectedTab(dialog), chord.section);
            EXPECT_EQ(SectionsShown(dialog), std::vector<int>{chord.section});
            EXPECT_TRUE(Visible(FocusNow(dialog)) && IsChild(dialog, GetFocus()))
                << "the focus stays on a control the user sees";
            EXPECT_EQ(ui::Text(intensitySlider->edit), intensityText) << "no key typed";
        });
    }
    /* PageDown alone is the list's own: it goes to the last line. */
    driver.Then([](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_ELEMENT_LIST);
        SetFocus(list);
        ui::Key(list, VK_NEXT);
    });
    host.Edit(driver, [](HWND dialog) {
        EXPECT_EQ(currentSection, SECTION_ELEMENT);
        EXPECT_EQ(fx::ListSelection(dialog), 2);
    });
    EXPECT_TRUE(driver.Boxes().empty());
}

TEST(Keyboard, TabWalksEverySectionsControlsInReadingOrderThenTheFixedOnesAndShiftTabWalksBack)
{
    fx::Define(kKeysType);
    HostSession host;
    fx::SetFlareTypes(host, {"t_keys", "glow"});
    const std::vector<std::string> panel = {"first", "flag", "tint", "mode", "ramp", "second"};
    const std::vector<std::string> global = {
        "Lens Flare Enabled", "Multiply by Light Color and Intensity", "Global Intensity",
        "Global Scale", "Global Rotation Angle", "Anamorphic Stretch", "Base Color"};
    const std::vector<std::string> fading = {
        "Fade If Near Border", "Fade if Behind Objects", "Fade If Approaching Objects",
        "Fade With Distance", "Glow Behind Objects", "Scale Reflexes With Distance",
        "Scale Glow With Distance", "Occlusion Radius", "Reference Distance"};
    const std::vector<std::string> elementRound = Concat(panel, kFixedWalk);
    std::vector<std::string> forward, back, globalWalk, fadingWalk;
    ui::Driver driver;
    driver.Then([](HWND dialog) {
        SetFocus(currentInstance->currentElement->firstParameter->slider->edit);
        (void)dialog;
    });
    QueueWalk(driver, VK_TAB, false, false, (int)elementRound.size(), &forward);
    QueueWalk(driver, VK_TAB, false, true, (int)elementRound.size(), &back);
    driver.Then([](HWND dialog) {
        fx::ShowSection(dialog, SECTION_GLOBAL);
        SetFocus(GetDlgItem(dialog, IDC_FLARE_ENABLED));
    });
    QueueWalk(driver, VK_TAB, false, false, (int)global.size() + 1, &globalWalk);
    driver.Then([](HWND dialog) {
        fx::ShowSection(dialog, SECTION_GLOBAL_FADING);
        SetFocus(GetDlgItem(dialog, IDC_FADE_NEAR_BORDER));
    });
    QueueWalk(driver, VK_TAB, false, false, (int)fading.size() + 1, &fadingWalk);
    host.Edit(driver, [](HWND) {});

    std::vector<std::string> round = elementRound;
    round.push_back("first");
    EXPECT_EQ(forward, round) << "all the way round and back to the first";
    std::vector<std::string> reversed(round.rbegin(), round.rend());
    EXPECT_EQ(back, reversed);
    EXPECT_EQ(globalWalk, Concat(global, {"preview", "Realtime Updates"}));
    EXPECT_EQ(fadingWalk, Concat(fading, {"preview", "Realtime Updates"}));
    EXPECT_TRUE(driver.Boxes().empty());
}

/* The shown element's parameter of that name, or null. */
const ElementParameter *ShownParameter(const char *name)
{
    for (const ElementParameter *p = currentInstance->currentElement->firstParameter; p;
         p = p->next)
        if (std::string(p->name) == name)
            return p;
    return nullptr;
}

/* Reached by Tab, a colour button and a gradient show the focus; the
 * gradient then selects pivots with Left, Right, Home and End and removes
 * the selected one with Delete (never the first), as the host then holds. */
TEST(Keyboard, AFocusedColourButtonOrGradientShowsItAndTheGradientTakesItsKeys)
{
    fx::Define(kKeysType);
    HostSession host;
    fx::SetFlareTypes(host, {"t_keys"});
    const int32_t rampIndex = 5;
    HWND tint = nullptr, ramp = nullptr;
    Capture tintBefore, rampBefore;
    std::vector<std::string> seen;
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        ASSERT_TRUE(ShownParameter("tint") && ShownParameter("ramp"));
        tint = ShownParameter("tint")->control;
        ramp = ShownParameter("ramp")->control;
        SetFocus(GetDlgItem(dialog, IDC_ELEMENT_LIST));
        tintBefore = ui::Pixels(tint);
        rampBefore = ui::Pixels(ramp);
        SetFocus(currentInstance->currentElement->firstParameter->slider->edit);
    });
    QueueWalk(driver, VK_TAB, false, false, 2, &seen);
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(FocusNow(dialog), tint);
        EXPECT_TRUE(ui::Pixels(tint).rgb != tintBefore.rgb) << "the colour button shows its focus";
    });
    QueueWalk(driver, VK_TAB, false, false, 2, &seen);
    const CColourSlider *slider = nullptr;
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(FocusNow(dialog), ramp);
        EXPECT_TRUE(ui::Pixels(ramp).rgb != rampBefore.rgb) << "the gradient shows its focus";
        slider = ShownParameter("ramp")->gradientControl;
    });
    auto press = [&](UINT key) { driver.Then([&ramp, key](HWND) { ui::Key(ramp, key); }); };
    auto selected = [&]() {
        for (int i = 0; i < slider->pivots.count; i++)
            if (slider->pivots.selected[i])
                return i + 1;
        return 0;
    };
    press(VK_END);
    driver.Then([&](HWND) { EXPECT_EQ(selected(), 3); });
    press(VK_LEFT);
    press(VK_DELETE);
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(slider->pivots.count, 2);
        EXPECT_EQ(fx::HostRamp(host, rampIndex).count, 2) << "the removal reached the host";
        EXPECT_EQ(selected(), 1);
        EXPECT_EQ(FocusNow(dialog), ramp) << "the button never took the key as a click";
    });
    press(VK_RIGHT);
    press(VK_RIGHT);
    driver.Then([&](HWND) { EXPECT_EQ(selected(), 2) << "Right stops at the last pivot"; });
    press(VK_HOME);
    press(VK_DELETE);
    driver.Then([&](HWND) {
        EXPECT_EQ(selected(), 1);
        EXPECT_EQ(slider->pivots.count, 2) << "the first pivot stays";
        /* The menu's own loop takes the keys queued behind the one that
         * opens it: up from no entry is the last, the ring spectrum. */
        ui::Key(ramp, VK_APPS);
        ui::Key(ramp, VK_UP);
        ui::Key(ramp, VK_RETURN);
    });
    host.Edit(driver, [&](HWND dialog) {
        EXPECT_EQ(slider->pivots.count, 7) << "the menu key opened the gradient menu";
        EXPECT_EQ(fx::HostRamp(host, rampIndex).count, 7) << "its command reached the host";
        EXPECT_EQ(FocusNow(dialog), ramp);
    });
    EXPECT_TRUE(driver.Boxes().empty());
}

/* On a focused gradient Ctrl+Left and Ctrl+Right move the selected inner
 * pivot a position, never onto a neighbour nor an end pivot at all, and
 * Insert adds one halfway to the next after asking for its colour, each
 * reaching the host and each one undo step. */
TEST(Keyboard, OnAGradientCtrlArrowsMoveTheSelectedPivotAndInsertAddsOneAfterIt)
{
    fx::Define(kKeysType);
    HostSession host;
    fx::SetFlareTypes(host, {"t_keys"});
    const int32_t rampIndex = 5;
    HWND ramp = nullptr;
    const CColourSlider *slider = nullptr;
    int32_t middle = 0;
    ui::Driver driver;
    auto press = [&](UINT key, bool control, int times) {
        driver.Then([&ramp, key, control, times](HWND) {
            HoldKeys(control, false);
            for (int i = 0; i < times; i++)
                ui::Key(ramp, key);
        });
    };
    driver.Then([&](HWND) {
        ramp = ShownParameter("ramp")->control;
        slider = ShownParameter("ramp")->gradientControl;
        SetFocus(ramp);
        middle = slider->pivots.positions[1];
    });
    press(VK_HOME, false, 1);
    press(VK_LEFT, true, 1);
    press(VK_RIGHT, false, 1);
    press(VK_RIGHT, true, 3);
    driver.Then([&](HWND) {
        EXPECT_EQ(slider->pivots.positions[0], 0) << "an end pivot does not move";
        EXPECT_EQ(slider->pivots.positions[1], middle + 3);
        EXPECT_FLOAT_EQ(fx::HostRamp(host, rampIndex).offsets[1], (float)(middle + 3) / 99.0f);
    });
    press(VK_RIGHT, true, 99);
    driver.Then([&](HWND) {
        EXPECT_EQ(slider->pivots.positions[1], 98) << "held back by the last pivot";
        EXPECT_EQ(slider->pivots.positions[2], 99);
    });
    press(VK_LEFT, true, 30);
    driver.Then([&](HWND) {
        HoldKeys(false, false);
        EXPECT_EQ(slider->pivots.positions[1], 68);
        ui::Key(ramp, VK_INSERT);
    });
    driver.Then([](HWND picker) {
        ASSERT_EQ(ui::Text(picker), "Interactive Color Selector") << "Insert asks for a colour";
        PostMessageA(picker, WM_COMMAND, IDOK, 0);
    });
    host.Edit(driver, [&](HWND dialog) {
        ASSERT_EQ(slider->pivots.count, 4);
        EXPECT_EQ(slider->pivots.positions[2], 83) << "halfway from 68 to 99";
        EXPECT_TRUE(slider->pivots.selected[2]) << "the new pivot is selected";
        EXPECT_EQ(fx::HostRamp(host, rampIndex).count, 4);
        EXPECT_EQ(fx::SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text, "Undo Ramp\tCtrl+Z");
    });
    EXPECT_TRUE(driver.Boxes().empty());
}

/* Pixels of two captures of one size that differ inside r. */
int DifferingPixels(const Capture &a, const Capture &b, const RECT &r)
{
    int differ = 0;
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++)
            differ += a.Pixel(x, y) != b.Pixel(x, y);
    return differ;
}

/* Reached by Tab, the preview shows a dotted frame and its keys move the
 * light (a pixel an arrow, ten with Shift) and copy the small picture to
 * the clipboard, changing nothing of the flare; a click that gives it the
 * focus draws no frame. */
TEST(Keyboard, TabReachesThePreviewWhoseArrowsMoveTheLightAndWhoseCtrlCCopiesItsPicture)
{
    HostSession host;
    const std::string opening = fx::SavedFlare(host);
    Capture unfocused, framed;
    int16_t x0 = 0, y0 = 0;
    std::vector<std::string> seen;
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        x0 = flareX;
        y0 = flareY;
        SetFocus(GetDlgItem(dialog, IDC_REALTIME_UPDATES));
        unfocused = ui::Pixels(previewControl);
    });
    QueueWalk(driver, VK_TAB, false, true, 1, &seen);
    driver.Then([&](HWND) {
        EXPECT_EQ(seen, (std::vector<std::string>{"Realtime Updates", "preview"}));
        framed = ui::Pixels(previewControl);
        RECT inside = {6, 6, framed.width - 6, framed.height - 6};
        RECT all = {0, 0, framed.width, framed.height};
        EXPECT_EQ(DifferingPixels(framed, unfocused, inside), 0);
        EXPECT_GT(DifferingPixels(framed, unfocused, all), 100) << "a dotted frame";
        for (int i = 0; i < 10; i++)
            ui::Key(previewControl, VK_RIGHT);
        ui::Key(previewControl, VK_UP);
    });
    driver.Then([&](HWND) {
        EXPECT_EQ(flareX, x0 + 10);
        EXPECT_EQ(flareY, y0 + 1) << "up is up: the light's y counts from the bottom";
        EXPECT_GT(DifferingPixels(ui::Pixels(previewControl), framed,
                                  {0, 0, framed.width, framed.height}), 100);
        HoldKeys(false, true);
        ui::Key(previewControl, VK_LEFT);
        ui::Key(previewControl, VK_DOWN);
    });
    driver.Then([&](HWND) {
        HoldKeys(false, false);
        EXPECT_EQ(flareX, x0);
        EXPECT_EQ(flareY, y0 - 9);
        for (int i = 0; i < 9; i++)
            ui::Key(previewControl, VK_UP);
    });
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(flareX, x0);
        EXPECT_EQ(flareY, y0);
        EXPECT_TRUE(ui::Pixels(previewControl).rgb == framed.rgb) << "back where it was";
        ASSERT_TRUE(ui::OpenClipboardSoon(dialog));
        EmptyClipboard();
        CloseClipboard();
        HoldKeys(true, false);
        ui::Key(previewControl, 'C');
    });
    driver.Then([&](HWND dialog) {
        HoldKeys(false, false);
        EXPECT_STREQ(PreviewNotice(), "Copied a 120 x 90 picture of the flare");
        ASSERT_TRUE(ui::OpenClipboardSoon(dialog));
        EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
        EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormatA(ELEMENT_CLIPBOARD_FORMAT)))
            << "the picture, not the selected element";
        CloseClipboard();
        ClearPreviewNotice();
        SetFocus(GetDlgItem(dialog, IDC_REALTIME_UPDATES));
        int mouseY = PreviewGBufferHeight() - 1 - flareY;   /* a click where the light is */
        ui::LeftDown(previewControl, flareX, mouseY);
        ui::LeftUp(previewControl, flareX, mouseY);
        EXPECT_EQ(GetFocus(), previewControl);
        EXPECT_TRUE(ui::Pixels(previewControl).rgb == unfocused.rgb) << "no frame after a click";
    });
    host.Edit(driver, [&](HWND) {});
    EXPECT_EQ(fx::SavedFlare(host), opening) << "the light's place is not the flare's";
    EXPECT_TRUE(driver.Boxes().empty());
}

/* Remove and Realtime Updates share Alt+R: it moves the focus from one to
 * the other and presses neither, wherever the focus starts. */
TEST(Keyboard, AltRMovesTheFocusBetweenRemoveAndRealtimeUpdatesAndPressesNeither)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    std::vector<std::string> focused;
    ui::Driver driver;
    auto altR = [&](HWND dialog) {
        PostMessageA(FocusNow(dialog), WM_SYSCHAR, 'r', 1 | (1 << 29));
    };
    driver.Then([&](HWND dialog) {
        SetFocus(GetDlgItem(dialog, IDOK));
        altR(dialog);
    });
    for (int i = 0; i < 3; i++)
        driver.Then([&](HWND dialog) {
            focused.push_back(FocusName(dialog));
            altR(dialog);
        });
    host.Edit(driver, [&](HWND dialog) {
        focused.push_back(FocusName(dialog));
        EXPECT_EQ(fx::ListCount(dialog), 2) << "no element removed";
        EXPECT_TRUE(ui::IsChecked(dialog, IDC_REALTIME_UPDATES)) << "nor realtime updates off";
    });
    ASSERT_EQ(focused.size(), 4u);
    std::vector<std::string> pair = {focused[0], focused[1]};
    std::sort(pair.begin(), pair.end());
    EXPECT_EQ(pair, (std::vector<std::string>{"Realtime Updates", "Remove"}));
    EXPECT_EQ(focused[2], focused[0]) << "and round again";
    EXPECT_EQ(focused[3], focused[1]);
}

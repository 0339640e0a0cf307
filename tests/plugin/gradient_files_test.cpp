// Gradient presets, files and the gradient requestor: a gradient control on
// a small dialog, the real common dialogs driven as a user does, and the
// reference host's gradient files and call log as the oracle.
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <windows.h>

#include "gradient/colour_slider.h"
#include "host_session.h"
#include "library/library.h"
#include "picker_steps.h"
#include "refhost_api.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

const char kLoadTitle[] = "Load Color Gradient File";
const char kSaveTitle[] = "Save Color Gradient File";
const int kSliderId = 1000;

/* A window holding one button, taken over by a gradient control with the
 * panel's margin. */
struct SliderDialog {
    SliderDialog()
    {
        dialog = ui::TestParentWindow("GradientFilesTestWindow", DefWindowProcA, 400, 100,
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        CreateWindowA("button", "", WS_CHILD | WS_VISIBLE, 15, 30, 330, 26, dialog,
                      (HMENU)(UINT_PTR)kSliderId, moduleHandle, nullptr);
        slider = new CColourSlider(dialog, moduleHandle, "Ramp", 0, kSliderId, 330,
                                   GRADIENT_ROW_MARGIN, nullptr);
        slider->SetBackground();
        slider->Refresh();
    }
    ~SliderDialog()
    {
        delete slider;
        DestroyWindow(dialog);
    }
    HWND dialog = nullptr;
    CColourSlider *slider = nullptr;
};

/* A host with a colormap folder, a gradient control, and a driver for the
 * file dialogs that the control's commands open. */
struct GradientSession {
    explicit GradientSession(bool withServices = true) : host("Light01", withServices)
    {
        CreateDirectoryA(host.Path("colormap").c_str(), nullptr);
    }
    std::string File(const char *name) const { return host.Path("colormap\\") + name; }

    /* Runs a load or save command whose file dialog chooses file, or is
     * cancelled (no file); notes the folder and name the dialog showed. */
    int Cancel(int command) { return Run(command, ""); }
    int Run(int command, std::string file)
    {
        const char *title = command == IDM_GRADIENT_LOAD ? kLoadTitle : kSaveTitle;
        driver.When(title, [this, file](HWND dialog) {
            folderShown = ui::Lower(ui::FolderShown(dialog));
            nameShown = ui::FileNameShown(dialog);
            if (!file.empty())
                ui::ChooseFile(dialog, file);
            else
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        return CarryOutGradientCommand(d.slider, command);
    }

    HostSession host;
    SliderDialog d;
    ui::Driver driver;
    std::string folderShown, nameShown;
};

/* A gradient file written by the host itself. */
void WriteGradient(const std::string &path, const std::vector<float> &offsets,
                   const std::vector<float> &colors, const char *interpolation)
{
    ASSERT_EQ(Ki_Save_Gradient_Colormap(path.c_str(), (int32_t)offsets.size(), offsets.data(),
                                        colors.data(), nullptr, T(interpolation)),
              0)
        << path;
}

std::string RememberedFile(const HostSession &host)
{
    char value[FILE_NAME_SIZE] = "";
    GetPrivateProfileStringA("LensFlare", "LastGradientDirectory", "", value, sizeof value,
                             host.services.iniFile.c_str());
    return value;
}

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255);

} // namespace

TEST(GradientPresets, EachPresetGivesItsPivotsAndLinearAndKeepsTheSelection)
{
    HostSession host;
    SliderDialog d;
    struct Case {
        int command;
        std::vector<int> positions;
        std::vector<uint32_t> colours;
    };
    const Case cases[] = {
        {IDM_GRADIENT_SINGLE_WHITE, {0}, {kWhite}},
        {IDM_GRADIENT_WHITE_TO_BLACK, {0, 99}, {kWhite, RGB(0, 0, 0)}},
        {IDM_GRADIENT_REFLEX, {0, 94, 99}, {RGB(0, 128, 255), RGB(0, 128, 255), RGB(0, 0, 0)}},
        {IDM_GRADIENT_RING,
         {0, 16, 32, 49, 65, 81, 99},
         {RGB(128, 0, 128), RGB(95, 0, 191), RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 255, 0),
          RGB(255, 128, 0), RGB(255, 0, 0)}},
        {IDM_GRADIENT_SINGLE_BLUE, {0}, {RGB(102, 102, 255)}},
    };
    GradientPivots &pivots = d.slider->pivots;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        SetPivots(d.slider, {0, 40, 70, 99}, {kRed, kBlue, kWhite, kRed}, 2);
        pivots.interpolation = T("cardinal");
        EXPECT_EQ(CarryOutGradientCommand(d.slider, c.command), 1);
        EXPECT_EQ(Positions(pivots), c.positions);
        EXPECT_EQ(Colours(pivots), c.colours);
        EXPECT_EQ(pivots.interpolation, T("linear"));
        EXPECT_EQ(pivots.selected[2], 1);
        EXPECT_EQ(std::count(pivots.selected, pivots.selected + GRADIENT_MAX_PIVOTS, 1), 1);
    }

    /* The single white colour leaves the selected third pivot out of use:
     * no marker is drawn green until the first is selected. */
    auto greenPixels = [&]() { return ui::CountColour(ui::PrintClient(d.slider->control), RGB(0, 192, 0)); };
    CarryOutGradientCommand(d.slider, IDM_GRADIENT_SINGLE_WHITE);
    EXPECT_EQ(greenPixels(), 0);
    pivots.selected[0] = 1;
    EXPECT_GT(greenPixels(), 0);

    EXPECT_EQ(CarryOutGradientCommand(d.slider, IDM_GRADIENT_CARDINAL), 1);
    EXPECT_EQ(pivots.interpolation, T("cardinal"));
    EXPECT_EQ(CarryOutGradientCommand(d.slider, IDM_GRADIENT_LINEAR), 1);
    EXPECT_EQ(pivots.interpolation, T("linear"));
}

namespace {

/* The gradient menu as it last showed, seen by a timer that then picks its
 * last entry (up from no selection) by the keyboard. */
std::vector<std::string> menuEntries;
RECT menuPlaced;

void CALLBACK PickLastEntryOfShownMenu(HWND, UINT, UINT_PTR, DWORD)
{
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu) || !menuEntries.empty())
        return;
    GetWindowRect(menu, &menuPlaced);
    HMENU shown = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(shown); i++) {
        char text[80] = "";
        GetMenuStringA(shown, i, text, sizeof text, MF_BYPOSITION);
        menuEntries.push_back(text[0] ? text : "-");
    }
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
}

void HoldKey(int key, bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[key] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

} // namespace

TEST(GradientMenu, OpensAtTheCursorWhileAButtonIsDownAndItsChoiceReachesTheControl)
{
    HostSession host;
    SliderDialog d;
    SetPivots(d.slider, {0, 99}, {kRed, kBlue});
    menuEntries.clear();
    UINT_PTR timer = SetTimer(nullptr, 0, 20, PickLastEntryOfShownMenu);
    HoldKey(VK_LBUTTON, false);
    HoldKey(VK_RBUTTON, false);
    ShowPopupMenu(d.slider);
    ui::Pump();
    EXPECT_TRUE(menuEntries.empty()) << "no button down: no menu";
    EXPECT_EQ(d.slider->pivots.count, 2);

    SetCursorPos(60, 70);
    HoldKey(VK_RBUTTON, true);
    ShowPopupMenu(d.slider);
    HoldKey(VK_RBUTTON, false);
    ui::Pump();
    KillTimer(nullptr, timer);

    EXPECT_EQ(menuEntries, (std::vector<std::string>{
                               "&Load Gradient From File...", "&Save Gradient To File...", "-",
                               "&Edit gradient on larger dialog box...", "-",
                               "Reset to Single White Color", "Reset to White-to-Black Transition",
                               "Reset to Reflex Color Spectrum", "Reset to Ring Color Spectrum"}));
    EXPECT_EQ(menuPlaced.left, 60);
    EXPECT_EQ(menuPlaced.top, 70);
    EXPECT_EQ(d.slider->pivots.count, 7) << "the ring spectrum arrived as a command";
}

TEST(GradientMenu, TheMenuKeyAndShiftF10OpenItUnderItsTriangleWithNoButtonDown)
{
    HostSession host;
    SliderDialog d;
    HWND control = d.slider->control;
    SetFocus(control);
    RECT bounds;
    GetWindowRect(control, &bounds);
    HoldKey(VK_LBUTTON, false);
    HoldKey(VK_RBUTTON, false);
    UINT_PTR timer = SetTimer(nullptr, 0, 20, PickLastEntryOfShownMenu);
    for (bool shiftF10 : {false, true}) {
        SCOPED_TRACE(shiftF10 ? "Shift+F10" : "the menu key");
        SetPivots(d.slider, {0, 99}, {kRed, kBlue});
        menuEntries.clear();
        if (!shiftF10) {
            SendMessageA(control, WM_KEYDOWN, VK_APPS, 0);
        } else {
            SendMessageA(control, WM_SYSKEYDOWN, VK_F10, 0);
            EXPECT_TRUE(menuEntries.empty()) << "F10 alone is the window menu's key";
            HoldKey(VK_SHIFT, true);
            SendMessageA(control, WM_SYSKEYDOWN, VK_F10, 0);
            HoldKey(VK_SHIFT, false);
        }
        ui::Pump();
        ASSERT_EQ(menuEntries.size(), 9u);
        EXPECT_GE(menuPlaced.left, bounds.right - 12) << "at the right end, where the triangle is";
        EXPECT_LT(menuPlaced.left, bounds.right);
        EXPECT_GT(menuPlaced.top, bounds.top);
        EXPECT_LT(menuPlaced.top, bounds.bottom);
        EXPECT_EQ(d.slider->pivots.count, 7) << "the ring spectrum arrived as a command";
    }
    KillTimer(nullptr, timer);
}

TEST(GradientFiles, ACmpLoadBringsItsInterpolationAndASaveHandsItBackPositionForPosition)
{
    GradientSession s;
    WriteGradient(s.File("map.cmp"), {0.0f, 0.5f, 1.0f}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, "cardinal");
    const GradientPivots &pivots = s.d.slider->pivots;
    int64_t blocks = LiveHostBlocks();

    EXPECT_EQ(s.Run(IDM_GRADIENT_LOAD, s.File("MAP.CMP")), 1);
    EXPECT_EQ(s.folderShown, ui::Lower(s.host.Path("colormap")));
    EXPECT_EQ(s.nameShown, "");
    EXPECT_EQ(Positions(pivots), (std::vector<int>{0, 49, 99}));
    EXPECT_EQ(Colours(pivots), (std::vector<uint32_t>{kRed, RGB(0, 255, 0), kBlue}));
    EXPECT_EQ(pivots.interpolation, T("cardinal"));
    EXPECT_EQ(RememberedFile(s.host), ui::Lower(s.File("map.cmp"))) << "loaded lower-cased";
    EXPECT_EQ(LiveHostBlocks(), blocks) << "the host's arrays are freed";

    EXPECT_EQ(s.Run(IDM_GRADIENT_SAVE, s.File("saved.grd")), 1);
    EXPECT_EQ(s.nameShown, "map.grd") << "the last file, as a .grd";
    EXPECT_EQ(s.folderShown, ui::Lower(s.host.Path("colormap")));
    EXPECT_EQ(RememberedFile(s.host), s.File("saved.grd"));

    /* Positions 49 and 99 are written as 49 / 99 and 1. */
    EXPECT_EQ(ReadBytes(s.File("saved.grd")), "GRD 1\ninterpolation cardinal\nstops 3\n"
                                              "stop 0 1 0 0\nstop 0.49494949 0 1 0\n"
                                              "stop 1 0 0 1\nend\n");

    /* Every position saved comes back as itself. */
    std::vector<int> every;
    std::vector<uint32_t> colours;
    for (int k = 0; k <= 99; k++) {
        every.push_back(k);
        colours.push_back(RGB(k, 0, 0));
    }
    SetPivots(s.d.slider, every, colours);
    EXPECT_EQ(s.Run(IDM_GRADIENT_SAVE, s.File("every.grd")), 1);
    SetPivots(s.d.slider, {0, 99}, {0, 0});
    EXPECT_EQ(s.Run(IDM_GRADIENT_LOAD, s.File("every.grd")), 1);
    EXPECT_EQ(Positions(pivots), every);
    EXPECT_TRUE(s.driver.Boxes().empty());
}

TEST(GradientFiles, TheChosenNameIsLowerCasedAndMustEndInGrdOrCmp)
{
    GradientSession s;
    WriteGradient(s.File("ramp.grd"), {0.0f, 1.0f}, {1, 1, 1, 0, 0, 1}, "linear");
    std::ofstream(s.File("ramp.txt")) << "not a gradient\n";
    EXPECT_EQ(s.Run(IDM_GRADIENT_LOAD, "RAMP.GRD"), 1);
    GradientPivots before = s.d.slider->pivots;
    s.host.ClearLog();
    EXPECT_EQ(s.Run(IDM_GRADIENT_LOAD, "ramp.txt"), 0) << "taken as cancelled";
    EXPECT_EQ(s.nameShown, "ramp.grd") << "the remembered file";
    for (const std::string &line : s.host.Log("Ki_Load_Gradient_Colormap"))
        EXPECT_EQ(line.find("ramp.txt"), std::string::npos) << "only previews: " << line;
    EXPECT_EQ(s.driver.Seen(), (std::vector<std::string>{
                                   "Filename Error|The filename does not have the file "
                                   "extensions of .grd or .cmp."}));

    EXPECT_EQ(s.Cancel(IDM_GRADIENT_LOAD), 0);
    EXPECT_EQ(s.Cancel(IDM_GRADIENT_SAVE), 1) << "a cancelled save still counts as a change";
    s.driver.When(kSaveTitle, [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(SaveGradientToFile(s.d.slider), 0);
    EXPECT_TRUE(SamePivots(s.d.slider->pivots, before));
}

TEST(GradientFiles, WithoutAnIniFileLoadAndSaveWorkAndNothingIsRemembered)
{
    GradientSession s(false);
    WriteGradient(s.File("one.grd"), {0.0f}, {0, 0, 1}, "linear");
    EXPECT_EQ(s.Run(IDM_GRADIENT_LOAD, "one.grd"), 1);
    EXPECT_EQ(Colours(s.d.slider->pivots), (std::vector<uint32_t>{kBlue}));
    EXPECT_EQ(s.Run(IDM_GRADIENT_SAVE, "two.grd"), 1);
    EXPECT_EQ(s.nameShown, "");
    EXPECT_TRUE(Exists(s.File("two.grd")));
    EXPECT_EQ(s.Cancel(IDM_GRADIENT_LOAD), 0);
    EXPECT_EQ(s.nameShown, "");
    EXPECT_FALSE(Exists(s.host.services.iniFile));
    EXPECT_TRUE(s.driver.Boxes().empty());
}

TEST(GradientFiles, FaultsAreShownAndLeaveThePivotsAndALongFileKeepsItsFirstHundredEntries)
{
    GradientSession s;
    std::ofstream(s.File("broken.grd")) << "GRD 1\ninterpolation linear\nstops 2\nend\n";
    WriteGradient(s.File("locked.grd"), {0.0f, 1.0f}, {0, 0, 0, 1, 1, 1}, "linear");
    GradientPivots &pivots = s.d.slider->pivots;
    SetPivots(s.d.slider, {0, 30, 99}, {kRed, kBlue, kWhite}, 1);
    pivots.interpolation = T("cardinal");
    GradientPivots before = pivots;
    const std::string locked = ReadBytes(s.File("locked.grd"));
    int64_t blocks = LiveHostBlocks();

    /* Held open without sharing, the file exists but cannot be opened. */
    HANDLE held = CreateFileA(s.File("locked.grd").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(s.Run(IDM_GRADIENT_LOAD, "broken.grd"), 1);
    EXPECT_EQ(s.Run(IDM_GRADIENT_LOAD, "locked.grd"), 1);
    EXPECT_EQ(s.Run(IDM_GRADIENT_SAVE, "locked.grd"), 1);
    CloseHandle(held);
    EXPECT_TRUE(SamePivots(pivots, before));
    pivots.count = 0;
    EXPECT_EQ(s.Run(IDM_GRADIENT_SAVE, "empty.grd"), 1);
    EXPECT_FALSE(Exists(s.File("empty.grd")));

    EXPECT_EQ(s.driver.Seen(), (std::vector<std::string>{
                                   "Error|Parsing error encountered in the gradient file.",
                                   "Error|Could not find or open the gradient file.",
                                   "Error|Could not open the gradient file for writing.",
                                   "Error|Too few entry in the gradient (need 1 or more)."}));
    EXPECT_EQ(ReadBytes(s.File("locked.grd")), locked);
    EXPECT_EQ(LiveHostBlocks(), blocks);

    SCOPED_TRACE("150 entries, the first 100 black");
    std::vector<float> offsets, colors;
    for (int i = 0; i < 150; i++) {
        offsets.push_back((float)i / 149.0f);
        colors.insert(colors.end(), {i < 100 ? 0.0f : 1.0f, 0.0f, 0.0f});
    }
    WriteGradient(s.File("long.grd"), offsets, colors, "linear");
    EXPECT_EQ(s.Run(IDM_GRADIENT_LOAD, "long.grd"), 1);
    ASSERT_EQ(pivots.count, 100);
    EXPECT_EQ(pivots.positions[98], 65);   /* 98 / 149 of 99 */
    EXPECT_EQ(pivots.positions[99], 99) << "the last kept entry ends the band";
    EXPECT_EQ(pivots.colours[99], RGB(0, 0, 0)) << "the hundredth entry's own colour";

    offsets.resize(100);
    colors.resize(300);
    WriteGradient(s.File("hundred.grd"), offsets, colors, "linear");
    EXPECT_EQ(s.Run(IDM_GRADIENT_LOAD, "hundred.grd"), 1);
    EXPECT_EQ(pivots.positions[99], 65) << "a file of 100 keeps its own end, 99 / 149 of 99";
}

TEST(GradientRequestor, PreviewsTheSelectedFileAndReturnsTheHostsMemory)
{
    GradientSession s;
    WriteGradient(s.File("halves.grd"), {0.0f, 0.5f, 0.5f, 1.0f},
                  {1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1}, "linear");
    WriteGradient(s.File("ramp.grd"), {0.0f, 1.0f}, {0, 0, 0, 1, 1, 1}, "linear");
    WriteGradient(s.File("green.cmp"), {0.0f}, {0, 1, 0}, "linear");
    std::ofstream(s.File("broken.grd")) << "GRD 1\n";
    int64_t blocks = LiveHostBlocks();

    Capture halves, repainted, afterBroken, ramp, green;
    int64_t blocksWhileOpen = 0;
    s.driver.When("Pick", [&](HWND dialog) {
        HWND hook = ui::HookDialog(dialog, IDC_GRADIENT_FILE_PREVIEW);
        ASSERT_NE(hook, nullptr);
        HWND item = GetDlgItem(hook, IDC_GRADIENT_FILE_PREVIEW);
        auto select = [&](const char *file) {
            ui::TypeFileName(dialog, file);
            ui::NotifySelectionChange(hook);
            return ui::Pixels(item);
        };
        halves = select("halves.grd");
        InvalidateRect(item, nullptr, TRUE);
        repainted = ui::Pixels(item);
        afterBroken = select("broken.grd");
        ramp = select("ramp.grd");
        green = select("green.cmp");
        blocksWhileOpen = LiveHostBlocks();
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    char out[FILE_NAME_SIZE] = "unchanged";
    EXPECT_EQ(RequestGradientFile(ui::TestOwnerWindow(), nullptr, "Pick", nullptr, out,
                                  GetModuleHandleA(nullptr)),
              0);
    EXPECT_STREQ(out, "unchanged");

    /* The item is 250 x 22 dialog units; its halves are the file's two colours. */
    int w = halves.width, h = halves.height;
    ASSERT_GT(w, 250);
    ASSERT_GT(h, 22);
    for (const Capture *shown : {&halves, &repainted, &afterBroken}) {
        EXPECT_EQ(shown->Pixel(0, h / 2), kRed);
        EXPECT_EQ(shown->Pixel(w / 2 - 1, 0), kRed);
        EXPECT_EQ(shown->Pixel(w / 2, h - 1), kBlue);
        EXPECT_EQ(shown->Pixel(w - 1, h / 2), kBlue);
    }
    /* A black-to-white ramp is mid grey half way across. */
    COLORREF middle = ramp.Pixel(w / 2, h / 2);
    EXPECT_NEAR(GetRValue(middle), 127, 1);
    EXPECT_EQ(middle, RGB(GetRValue(middle), GetRValue(middle), GetRValue(middle)));
    EXPECT_EQ(ramp.Pixel(0, h / 2), RGB(0, 0, 0));
    EXPECT_EQ(green.Pixel(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(green.Pixel(w - 1, h - 1), RGB(0, 255, 0));
    EXPECT_GT(blocksWhileOpen, blocks) << "the preview holds the host's arrays";
    EXPECT_EQ(LiveHostBlocks(), blocks);
}

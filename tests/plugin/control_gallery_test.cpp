// A picture of the custom controls for people to look at: compact sliders
// in their kinds and states, the tab strip with each tab selected and
// gradient controls with their pivots and caption lines, drawn
// in one window and saved as build/gallery/controls.png under the source
// tree (or into the folder named by GALLERY_DIR).
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "controls/controls.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "host_app.h"
#include "resources/resource_ids.h"

namespace {

const int kGalleryWidth = 1000;
const int kGalleryHeight = 720;
const int kZoom = 3;

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

/* The source tree holds the test program's build folder somewhere below it. */
std::string GalleryFolder()
{
    if (const char *named = std::getenv("GALLERY_DIR"))
        if (*named)
            return named;
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir = path;
    for (;;) {
        size_t cut = dir.find_last_of("\\/");
        if (cut == std::string::npos)
            return "";
        dir.resize(cut);
        if (Exists(dir + "\\CMakeLists.txt") && Exists(dir + "\\lensflare_ui"))
            return dir + "\\build\\gallery";
    }
}

/* Copies a part of a picture into another, each pixel as a square of
 * kZoom pixels, so that outlines one pixel apart can be told apart. */
void PasteZoomed(const Capture &from, int x, int y, int width, int height, Capture *to, int toX,
                 int toY)
{
    for (int row = 0; row < height * kZoom; row++)
        for (int col = 0; col < width * kZoom; col++) {
            int tx = toX + col, ty = toY + row;
            if (tx >= to->width || ty >= to->height)
                continue;
            COLORREF c = from.Pixel(x + col / kZoom, y + row / kZoom);
            unsigned char *p = &to->rgb[((size_t)ty * to->width + tx) * 3];
            p[0] = GetRValue(c);
            p[1] = GetGValue(c);
            p[2] = GetBValue(c);
        }
}

LRESULT CALLBACK GalleryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC)
        return (LRESULT)GetSysColorBrush(COLOR_BTNFACE);
    return DefWindowProcA(window, message, wParam, lParam);
}

struct SliderSetup {
    TinySliderSetup setup;
    float value;
    const char *typed;   /* typed into the edit box afterwards, or null */
};

class ControlGallery : public testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA cls = {};
        cls.lpfnWndProc = GalleryProc;
        cls.hInstance = moduleHandle;
        cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        cls.lpszClassName = "ControlGallery";
        RegisterClassA(&cls);
        RECT frame = {0, 0, kGalleryWidth, kGalleryHeight};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        window = CreateWindowA("ControlGallery", "controls", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                               0, 0, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                               nullptr, moduleHandle, nullptr);
        RegisterTabStripClass();
    }

    void TearDown() override
    {
        for (CColourSlider *gradient : gradients)
            delete gradient;
        for (TinySlider &slider : sliders)
            DestroyTinySlider(&slider.window);
        for (TabStrip &strip : strips)
            if (strip.window)
                DestroyWindow(strip.window);
        DestroyWindow(window);
        DeleteTabStripFonts();
    }

    void Caption(const char *text, int x, int y, int width)
    {
        HWND label = CreateWindowA("static", text, WS_CHILD | WS_VISIBLE, x, y, width, 16, window,
                                   nullptr, moduleHandle, nullptr);
        SendMessageA(label, WM_SETFONT, (WPARAM)GetStockObject(ANSI_VAR_FONT), FALSE);
    }

    void Slider(TinySlider &slider, const SliderSetup *setup, int x, int y, int width)
    {
        ASSERT_NE(CreateTinySlider(window, moduleHandle, &slider, 10000 + y, nullptr), nullptr);
        SetTinySliderBackground(window, &slider);
        if (setup)
            SetUpTinySlider(&slider, setup->setup);
        MoveWindow(slider.window, x, y, width, 30, TRUE);
        ShowWindow(slider.window, SW_SHOWNORMAL);
        if (setup) {
            SetTinySliderValue(&slider, setup->value, 1, 0);
            if (setup->typed)
                SetWindowTextA(slider.edit, setup->typed);
        }
    }

    void Strip(TabStrip &strip, TabItem *tabs, int selected, bool shortEdges, int y)
    {
        ASSERT_NE(CreateTabStrip(window, &strip, tabs, 3, 480), nullptr);
        strip.shortRightEdges = shortEdges ? 1 : 0;
        MoveWindow(strip.window, 20, y, strip.width, strip.height, TRUE);
        SendMessageA(strip.window, WM_TABSTRIP_SELECT, selected, 0);
        SetTabStripBackground(window, &strip);
        ShowWindow(strip.window, SW_SHOWNORMAL);
    }

    /* A panel row's button taken over by a gradient control; a click on
     * the pivot at position selectAt selects it (no click for -1). */
    CColourSlider *Gradient(int slot, const char *label, int16_t grey, int command, int selectAt,
                            int x, int y)
    {
        const int width = 220, margin = GRADIENT_ROW_MARGIN;
        int32_t height = 0, labelOffset = 0;
        MeasureGradientRow(margin, &height, &labelOffset);
        uint16_t id = (uint16_t)(20000 + slot);
        CreateWindowA("button", "", WS_CHILD | WS_VISIBLE, x, y - labelOffset, width, height,
                      window, (HMENU)(UINT_PTR)id, moduleHandle, nullptr);
        CColourSlider *gradient =
            new CColourSlider(window, moduleHandle, label, grey, id, width, margin, nullptr);
        gradients[slot] = gradient;
        gradient->SetBackground();
        if (command)
            SendMessageA(gradient->control, WM_COMMAND, command, 0);
        if (selectAt >= 0) {
            int px = selectAt * gradient->barWidth / 99 + gradient->left;
            SendMessageA(gradient->control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(px, 10));
            SendMessageA(gradient->control, WM_LBUTTONUP, 0, MAKELPARAM(px, 10));
        }
        return gradient;
    }

    HWND window = nullptr;
    CColourSlider *gradients[4] = {};
    TinySlider sliders[8] = {};
    TabStrip strips[5] = {};
    TabItem tabs[5][3] = {};
};

TEST_F(ControlGallery, DrawsEverySliderKindAndEveryTabStateIntoOnePicture)
{
    ASSERT_NE(window, nullptr);
    const SliderSetup setups[] = {
        {{"Integer 0..10:", 0, 0, 10, 0, 10, nullptr, 0, 0, nullptr}, 3, nullptr},
        {{"Integer -50..50:", 0, -50, 50, -50, 50, nullptr, 0, 0, nullptr}, 20, nullptr},
        {{"Float 0..1:", 1, 0, 1, 0, 1, nullptr, 3, 0, nullptr}, 0.375f, nullptr},
        {{"Percent:", 1, 0, 1, 0, 1, nullptr, 1, 1, nullptr}, 0.25f, nullptr},
        {{"Typed past the track:", 1, 0, 1, 0, 10, nullptr, 2, 0, nullptr}, 0, "5"},
        {{"Empty range 2..2:", 1, 2, 2, 0, 10, nullptr, 2, 0, nullptr}, 2, nullptr},
        {{"Wide:", 0, 0, 5, 0, 5, nullptr, 0, 0, nullptr}, 5, nullptr},
    };
    Caption("Compact sliders", 20, 8, 300);
    Slider(sliders[0], nullptr, 20, 28, 296);   /* as created */
    for (int i = 0; i < 6; i++)
        Slider(sliders[i + 1], &setups[i], 20 + (i % 2) * 370, 68 + (i / 2) * 40, 350);
    Slider(sliders[7], &setups[6], 20, 188, 720);

    const char *titles[3] = {"Element Parameters", "Global Parameters", "Global Fading Parameters"};
    const int16_t ids[3] = {1502, 1500, 1501};
    const int selected[5] = {0, 1502, 1500, 1501, 1500};
    const char *states[5] = {"none selected", "first selected", "second selected",
                             "third selected", "second, short right edges"};
    Caption("Tab strip", 20, 236, 300);
    for (int s = 0; s < 5; s++) {
        for (int t = 0; t < 3; t++)
            tabs[s][t] = {0, 0, 0, titles[t], ids[t]};
        Strip(strips[s], tabs[s], selected[s], s == 4, 258 + s * 42);
        Caption(states[s], 520, 258 + s * 42 + 8, 230);
    }

    Caption("Enlarged 3 times: the second tab selected, and an integer slider's thumb and ticks",
            20, 470, 720);

    Caption("Gradient controls", 760, 8, 230);
    Gradient(0, "As created", 0, 0, -1, 760, 28);
    Gradient(1, "Ring", 0, IDM_GRADIENT_RING, 49, 760, 90);
    Gradient(2, "Grey", 1, IDM_GRADIENT_RING, 99, 760, 152);
    CColourSlider *bare = Gradient(3, "No menu", 0, IDM_GRADIENT_REFLEX, -1, 760, 214);
    Caption("Ring's ends, enlarged 3 times:", 760, 276, 230);
    bare->hasMenuButton = 0;
    bare->pivots.selected[0] = 0;

    ShowWindow(window, SW_SHOWNOACTIVATE);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    Capture picture;
    ASSERT_TRUE(CaptureWindow(window, true, &picture));
    ASSERT_EQ(picture.width, kGalleryWidth);
    /* Something was drawn: the picture is not one flat colour. */
    bool varied = false;
    for (size_t i = 3; i < picture.rgb.size() && !varied; i++)
        varied = picture.rgb[i] != picture.rgb[i % 3];
    EXPECT_TRUE(varied);

    PasteZoomed(picture, 20, 258 + 2 * 42, 240, strips[2].height, &picture, 20, 492);
    PasteZoomed(picture, 20, 68, 240, 30, &picture, 20, 492 + strips[2].height * kZoom + 12);
    /* The ring control's two ends, its caption line above them. */
    PasteZoomed(picture, 760, 86, 76, 46, &picture, 760, 300);
    PasteZoomed(picture, 904, 86, 76, 46, &picture, 760, 450);

    std::string folder = GalleryFolder();
    ASSERT_FALSE(folder.empty()) << "no source tree above the test program; set GALLERY_DIR";
    CreateDirectoryA(folder.substr(0, folder.find_last_of("\\/")).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string file = folder + "\\controls.png";
    ASSERT_TRUE(WritePng(picture, file.c_str())) << file;
    std::printf("gallery: %s\n", file.c_str());
}

} // namespace

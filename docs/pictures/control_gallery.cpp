// A picture of the custom controls for people to look at: compact sliders
// in their kinds and states, the tab strip with each tab selected and
// gradient controls with their pivots and caption lines, drawn in one
// window, with parts enlarged so that outlines a pixel apart can be told
// apart.  Run by `make docs`:
//
//     control_gallery FILE.png
#include <cstdio>
#include <string>

#include "controls/controls.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "host_app.h"
#include "refhost_api.h"
#include "resources/resource_ids.h"

namespace {

const int kGalleryWidth = 1000;
const int kGalleryHeight = 720;
const int kZoom = 3;

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

HWND window;
CColourSlider *gradients[4];
TinySlider sliders[8];
TabStrip strips[5];
TabItem tabs[5][3];

bool CreateGalleryWindow()
{
    WNDCLASSA cls = {};
    cls.lpfnWndProc = GalleryProc;
    cls.hInstance = moduleHandle;
    cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    cls.lpszClassName = "ControlGallery";
    RegisterClassA(&cls);
    RECT frame = {0, 0, kGalleryWidth, kGalleryHeight};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    window = CreateWindowA("ControlGallery", "controls", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                           0, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                           moduleHandle, nullptr);
    RegisterTabStripClass();
    return window != nullptr;
}

void DestroyGallery()
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

bool Slider(TinySlider &slider, const SliderSetup *setup, int x, int y, int width)
{
    if (!CreateTinySlider(window, moduleHandle, &slider, 10000 + y, nullptr))
        return false;
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
    return true;
}

bool Strip(TabStrip &strip, TabItem *items, int selected, bool shortEdges, int y)
{
    if (!CreateTabStrip(window, &strip, items, 3, 480))
        return false;
    strip.shortRightEdges = shortEdges ? 1 : 0;
    MoveWindow(strip.window, 20, y, strip.width, strip.height, TRUE);
    SendMessageA(strip.window, WM_TABSTRIP_SELECT, selected, 0);
    SetTabStripBackground(window, &strip);
    ShowWindow(strip.window, SW_SHOWNORMAL);
    return true;
}

/* A panel row's button taken over by a gradient control; a click on the
 * pivot at position selectAt selects it (no click for -1). */
CColourSlider *Gradient(int slot, const char *label, int16_t grey, int command, int selectAt,
                        int x, int y)
{
    const int width = 220, margin = GRADIENT_ROW_MARGIN;
    int32_t height = 0, labelOffset = 0;
    MeasureGradientRow(margin, &height, &labelOffset);
    uint16_t id = (uint16_t)(20000 + slot);
    CreateWindowA("button", "", WS_CHILD | WS_VISIBLE, x, y - labelOffset, width, height, window,
                  (HMENU)(UINT_PTR)id, moduleHandle, nullptr);
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

bool PlaceControls()
{
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
    bool made = Slider(sliders[0], nullptr, 20, 28, 296);   /* as created */
    for (int i = 0; i < 6; i++)
        made = Slider(sliders[i + 1], &setups[i], 20 + (i % 2) * 370, 68 + (i / 2) * 40, 350) &&
               made;
    made = Slider(sliders[7], &setups[6], 20, 188, 720) && made;

    const char *titles[3] = {"Element Parameters", "Global Parameters", "Global Fading Parameters"};
    const int16_t ids[3] = {1502, 1500, 1501};
    const int selected[5] = {0, 1502, 1500, 1501, 1500};
    const char *states[5] = {"none selected", "first selected", "second selected",
                             "third selected", "second, short right edges"};
    Caption("Tab strip", 20, 236, 300);
    for (int s = 0; s < 5; s++) {
        for (int t = 0; t < 3; t++)
            tabs[s][t] = {0, 0, 0, titles[t], ids[t]};
        made = Strip(strips[s], tabs[s], selected[s], s == 4, 258 + s * 42) && made;
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
    return made;
}

bool DrawGallery(Capture *picture)
{
    ShowWindow(window, SW_SHOWNOACTIVATE);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (!CaptureWindow(window, true, picture) || picture->width != kGalleryWidth)
        return false;
    PasteZoomed(*picture, 20, 258 + 2 * 42, 240, strips[2].height, picture, 20, 492);
    PasteZoomed(*picture, 20, 68, 240, 30, picture, 20, 492 + strips[2].height * kZoom + 12);
    /* The ring control's two ends, its caption line above them. */
    PasteZoomed(*picture, 760, 86, 76, 46, picture, 760, 300);
    PasteZoomed(*picture, 904, 86, 76, 46, picture, 760, 450);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: control_gallery FILE.png\n");
        return 2;
    }
    moduleHandle = GetModuleHandleA(nullptr);
    Kh_Set_Error_Echo(0);
    Capture picture;
    bool drawn = CreateGalleryWindow() && PlaceControls() && DrawGallery(&picture);
    bool written = drawn && WritePng(picture, argv[1]);
    DestroyGallery();
    if (!written) {
        std::fprintf(stderr, "control_gallery: could not %s %s\n", drawn ? "write" : "draw",
                     argv[1]);
        return 1;
    }
    std::printf("control_gallery: %s\n", argv[1]);
    return 0;
}

/*
 * gradient_menu.cpp - the gradient control's popup menu and the commands
 * behind it: file load and save, the interpolation kind, the presets and
 * the large edit dialog.  The files themselves are gradient_files.cpp's.
 */
#include "gradient/colour_slider.h"
#include "host/host_helpers.h"
#include "resources/resource_ids.h"

namespace {

struct PresetPivot {
    uint8_t red, green, blue;
    int32_t position;
};

struct Preset {
    int command;
    int32_t count;
    PresetPivot pivots[7];
};

const Preset kPresets[] = {
    {IDM_GRADIENT_SINGLE_WHITE, 1, {{255, 255, 255, 0}}},
    {IDM_GRADIENT_WHITE_TO_BLACK, 2, {{255, 255, 255, 0}, {0, 0, 0, 99}}},
    {IDM_GRADIENT_REFLEX, 3, {{0, 128, 255, 0}, {0, 128, 255, 94}, {0, 0, 0, 99}}},
    {IDM_GRADIENT_RING,
     7,
     {{128, 0, 128, 0},
      {95, 0, 191, 16},
      {0, 0, 255, 32},
      {0, 255, 0, 49},
      {255, 255, 0, 65},
      {255, 128, 0, 81},
      {255, 0, 0, 99}}},
    {IDM_GRADIENT_SINGLE_BLUE, 1, {{102, 102, 255, 0}}},
};

/* Colours, positions, count and interpolation; the selection flags stay. */
void ApplyPreset(CColourSlider *slider, const Preset &preset)
{
    GradientPivots &pivots = slider->pivots;
    for (int32_t i = 0; i < preset.count; i++) {
        const PresetPivot &p = preset.pivots[i];
        pivots.colours[i] = RGB(p.red, p.green, p.blue);
        pivots.positions[i] = p.position;
    }
    pivots.count = preset.count;
    pivots.interpolation = Token("linear");
}

bool IsDown(int virtualKey)
{
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

} // namespace

void ShowPopupMenuAt(CColourSlider *slider, POINT screen, UINT button)
{
    HMENU menu = LoadMenuA(slider->instance, "COLOR_SLIDER_POPUP_MENU");
    if (!menu)
        return;
    bool linear = slider->pivots.interpolation == Token("linear");
    CheckMenuItem(menu, linear ? IDM_GRADIENT_LINEAR : IDM_GRADIENT_CARDINAL,
                  MF_BYCOMMAND | MF_CHECKED);
    if (HMENU popup = GetSubMenu(menu, 0))
        TrackPopupMenu(popup, button, screen.x, screen.y, 0, slider->control, nullptr);
    DestroyMenu(menu);
}

void ShowPopupMenu(CColourSlider *slider)
{
    bool left = IsDown(VK_LBUTTON);
    if (!left && !IsDown(VK_RBUTTON))
        return;
    POINT cursor;
    GetCursorPos(&cursor);
    ShowPopupMenuAt(slider, cursor, left ? TPM_LEFTBUTTON : TPM_RIGHTBUTTON);
}

int CarryOutGradientCommand(CColourSlider *slider, int command)
{
    switch (command) {
    case IDM_GRADIENT_LOAD:
        return LoadGradientFromFile(slider);
    case IDM_GRADIENT_SAVE:
        SaveGradientToFile(slider);
        return 1;
    case IDM_GRADIENT_LINEAR:
        slider->pivots.interpolation = Token("linear");
        return 1;
    case IDM_GRADIENT_CARDINAL:
        slider->pivots.interpolation = Token("cardinal");
        return 1;
    case IDM_GRADIENT_LARGE_DIALOG:
        return (int)EditGradientOnLargeDialog(slider);
    }
    for (const Preset &preset : kPresets)
        if (preset.command == command)
            ApplyPreset(slider, preset);
    return 1;
}

// What the control tests do in the colour picker and the large gradient
// dialog: scroll its bars, read them back, choose a colour, find the
// dialog's control; a click on a gradient control, its pivots, set and
// compared whole, and where on it a position begins.
#ifndef PICKER_STEPS_H
#define PICKER_STEPS_H

#include <cstring>
#include <functional>
#include <vector>
#include <windows.h>

#include "gradient/colour_slider.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

inline void Scroll(HWND dialog, int bar, int code, int thumb = 0)
{
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, thumb),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, bar)));
}

inline std::vector<int> Bars(HWND picker)
{
    std::vector<int> positions;
    for (int k = 0; k < 3; k++)
        positions.push_back(GetScrollPos(GetDlgItem(picker, IDC_COLOR_BAR_FIRST + k), SB_CTL));
    return positions;
}

/* A picker step that drags the bars to r, g, b and presses OK. */
inline std::function<void(HWND)> Choose(int r, int g, int b)
{
    return [=](HWND picker) {
        const int thumbs[3] = {r, g, b};
        for (int k = 0; k < 3; k++)
            Scroll(picker, IDC_COLOR_BAR_FIRST + k, SB_THUMBTRACK, thumbs[k]);
        ui::Click(picker, IDOK);
    };
}

inline void Click(HWND window, int x, int y)
{
    ui::LeftDown(window, x, y);
    ui::LeftUp(window, x, y);
}

inline CColourSlider *LargeSlider(HWND dialog)
{
    return reinterpret_cast<CColourSlider *>(
        GetWindowLongPtrA(GetDlgItem(dialog, IDC_LARGE_GRADIENT), GWLP_USERDATA));
}

inline std::vector<int> Positions(const GradientPivots &p)
{
    return std::vector<int>(p.positions, p.positions + p.count);
}

inline std::vector<uint32_t> Colours(const GradientPivots &p)
{
    return std::vector<uint32_t>(p.colours, p.colours + p.count);
}

/* Pivots at these positions of these colours, the one at `selected` (none
 * when -1) selected, and shown. */
inline void SetPivots(CColourSlider *slider, std::vector<int> positions,
                      std::vector<uint32_t> colours, int selected = 0)
{
    GradientPivots &p = slider->pivots;
    std::memset(p.selected, 0, sizeof p.selected);
    p.count = (int32_t)positions.size();
    for (size_t i = 0; i < positions.size(); i++) {
        p.positions[i] = positions[i];
        p.colours[i] = colours[i];
    }
    if (selected >= 0)
        p.selected[selected] = 1;
    slider->Refresh();
}

/* Alike in every field, the selection and the slots beyond the count too. */
inline bool SamePivots(const GradientPivots &a, const GradientPivots &b)
{
    return a.count == b.count && a.interpolation == b.interpolation &&
           std::memcmp(a.colours, b.colours, sizeof a.colours) == 0 &&
           std::memcmp(a.positions, b.positions, sizeof a.positions) == 0 &&
           std::memcmp(a.selected, b.selected, sizeof a.selected) == 0;
}

/* The first x that stands for position p: trunc((x - x0) x 99 / W) = p. */
inline int XForPosition(const CColourSlider *slider, int p)
{
    int x = slider->left;
    while ((x - slider->left) * 99 / slider->barWidth < p)
        x++;
    return x;
}

#endif

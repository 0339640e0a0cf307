/*
 * hsl.cpp - the selector's HSL model: hue in degrees, saturation, and a
 * third component that is the largest of red, green and blue (so "L" is
 * really a value, not a lightness).  Everything is computed in 32-bit
 * floats, as the scroll bars' positions depend on the exact results.
 */
#include <cmath>

#include "color/color.h"

void RgbToHsl(const float color[3], float *hue, float *saturation, float *largest)
{
    float r = color[0], g = color[1], b = color[2];
    float high = r, low = r;
    if (g > high)
        high = g;
    if (b > high)
        high = b;
    if (g < low)
        low = g;
    if (b < low)
        low = b;
    float d = high - low;
    float s = std::fabs(high) >= 0.0001f ? d / high : 0.0f;
    *largest = high;
    *saturation = s;
    if (!(s >= 0.0001f)) {
        *hue = HUE_UNDEFINED;
        return;
    }
    float h;
    if (r == high)
        h = (g - b) / d;
    else if (g == high)
        h = 2.0f + (b - r) / d;
    else
        h = 4.0f + (r - g) / d;
    h *= 60.0f;
    if (h < 0.0f)
        h += 360.0f;
    if (h >= 360.0f)
        h = 0.0f;
    *hue = h;
}

void HslToRgb(float hue, float saturation, float largest, float color[3])
{
    float s = saturation, l = largest;
    if (s == 0.0f) {
        color[0] = color[1] = color[2] = l;
        return;
    }
    /* fmod does in one step what adding or subtracting 360 repeatedly
     * does, and ends for any size; a hue that is no number counts as 0. */
    float h = std::isfinite(hue) ? hue : 0.0f;
    if (h < 0.0f || h >= 360.0f) {
        h = std::fmod(h, 360.0f);
        if (h < 0.0f)
            h += 360.0f;
        if (h >= 360.0f)
            h -= 360.0f;
    }
    float x = h / 60.0f;
    int sector = (int)x;
    float f = x - std::floor(x);
    /* A hue just below 360 can give x = 6 after rounding: that is hue 0,
     * where sector 0 with f = 0 gives the same colour as the end of
     * sector 5. */
    if (sector > 5)
        sector = 0;
    float p = (1.0f - s) * l;
    float q = (1.0f - f * s) * l;
    float t = (1.0f - (1.0f - f) * s) * l;
    switch (sector) {
    case 0: color[0] = l; color[1] = t; color[2] = p; break;
    case 1: color[0] = q; color[1] = l; color[2] = p; break;
    case 2: color[0] = p; color[1] = l; color[2] = t; break;
    case 3: color[0] = p; color[1] = q; color[2] = l; break;
    case 4: color[0] = t; color[1] = p; color[2] = l; break;
    default: color[0] = l; color[1] = p; color[2] = q; break;
    }
}

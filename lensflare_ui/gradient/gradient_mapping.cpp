/*
 * gradient_mapping.cpp - converting gradients between the model (float
 * offsets 0..1 and float colours) and a gradient control's pivots (whole
 * positions 0..99 and packed colours), and the row measure of the panel.
 *
 * Two choices where the host may send odd values: colour components are
 * clamped to 0..1 before they become bytes, so 1.2 shows as full intensity
 * instead of wrapping round to a dark value; an offset below 0 is taken as
 * 0 (it still counts as a first entry that is not at 0.0).  A gradient
 * whose colour or offset array is missing is treated as empty.
 */
#include <cmath>
#include <cstring>

#include "color/color.h"
#include "gradient/colour_slider.h"

namespace {

const char kProgrammingError[] = "Programming Error";
const char kFirstNotAtStart[] =
    "The first entry of one of the gradient color maps does not use an 'offset' value of 0.0 "
    "(the first entry must be at 0.0 and the last entry must be at 1.0).";
const char kLastNotAtEnd[] =
    "The last entry of one of the gradient color maps does not use an 'offset' value of 1.0 "
    "(the first entry must be at 0.0 and the last entry must be at 1.0).";
const uint32_t kWhite = 0xFFFFFF;

/* trunc(offset x 99), lowered to 99.  Anything that truncates below 0,
 * and NaN, gives -1: "before the start". */
int32_t RawPosition(float offset)
{
    double p = (double)offset * 99.0;
    if (std::isnan(p) || p <= -1.0)
        return -1;
    if (p > GRADIENT_LAST_POSITION)
        return GRADIENT_LAST_POSITION;
    return (int32_t)p;
}

} // namespace

void MeasureGradientRow(int32_t margin, int32_t *rowHeight, int32_t *labelOffset)
{
    int32_t textHeight = 0;
    HDC screen = GetDC(nullptr);
    if (screen) {
        HGDIOBJ previous = SelectObject(screen, GetStockObject(ANSI_VAR_FONT));
        SIZE extent = {0, 0};
        GetTextExtentPoint32A(screen, "M", 1, &extent);
        textHeight = extent.cy;
        SelectObject(screen, previous);
        ReleaseDC(nullptr, screen);
    }
    *rowHeight = margin + textHeight + 7;
    *labelOffset = -textHeight;
}

void GradientToPivots(HWND owner, int32_t count, const float *colors, const float *offsets,
                      GradientPivots *pivots)
{
    if (!colors || !offsets)
        count = 0;
    int32_t kept = 0;
    bool firstAtStart = true;
    if (count < 1) {
        pivots->colours[0] = kWhite;
        pivots->positions[0] = 0;
        kept = 1;
    } else {
        int32_t n = count < GRADIENT_MAX_PIVOTS ? count : GRADIENT_MAX_PIVOTS;
        for (int32_t i = 0; i < n; i++) {
            int32_t raw = RawPosition(offsets[i]);
            if (i == 0)
                firstAtStart = raw == 0;
            pivots->colours[kept] = ClampedColor(colors + 3 * i);
            pivots->positions[kept] = raw < 0 ? 0 : raw;
            /* Of several entries at one position the first wins. */
            if (i == 0 || pivots->positions[kept] != pivots->positions[kept - 1])
                kept++;
        }
    }
    if (!firstAtStart || pivots->positions[0] != 0) {
        pivots->positions[0] = 0;
        MessageBoxA(owner, kFirstNotAtStart, kProgrammingError, MB_OK);
    }
    if (kept >= 2 && pivots->positions[kept - 1] != GRADIENT_LAST_POSITION) {
        pivots->positions[kept - 1] = GRADIENT_LAST_POSITION;
        MessageBoxA(owner, kLastNotAtEnd, kProgrammingError, MB_OK);
    }
    pivots->count = kept;
}

/* A pivot at the position of an old entry keeps that entry's exact offset,
 * and a pivot whose colour bytes equal an old entry's (the one at its
 * position first) keeps that exact colour: a gradient nobody edited goes
 * back as it came, and an edit changes only what it touched. */
void PivotsToGradient(const GradientPivots *pivots, int32_t *count, float **colors,
                      float **offsets)
{
    int32_t n = pivots->count;
    if (n < 0)
        n = 0;
    if (n > GRADIENT_MAX_PIVOTS)
        n = GRADIENT_MAX_PIVOTS;
    float *oldColors = *colors, *oldOffsets = *offsets;
    int32_t oldCount = oldColors && oldOffsets ? *count : 0;
    *count = n;
    float *newColors = static_cast<float *>(Ki_Alloc_Memory(0, 1, sizeof(float) * 3 * (n ? n : 1)));
    float *newOffsets = static_cast<float *>(Ki_Alloc_Memory(0, 1, sizeof(float) * (n ? n : 1)));
    for (int32_t i = 0; newColors && newOffsets && i < n; i++) {
        UnpackColor(pivots->colours[i], newColors + 3 * i);
        newOffsets[i] = (float)((double)pivots->positions[i] / 99.0);
        int32_t sameColour = -1;
        for (int32_t j = 0; j < oldCount; j++) {
            bool samePosition = RawPosition(oldOffsets[j]) == pivots->positions[i];
            if (samePosition)
                newOffsets[i] = oldOffsets[j];
            if (ClampedColor(oldColors + 3 * j) == pivots->colours[i] &&
                (samePosition || sameColour < 0))
                sameColour = j;
            if (samePosition)
                break;
        }
        if (sameColour >= 0)
            std::memcpy(newColors + 3 * i, oldColors + 3 * sameColour, 3 * sizeof(float));
    }
    if (oldColors)
        Ki_Free_Memory(oldColors);
    if (oldOffsets)
        Ki_Free_Memory(oldOffsets);
    *colors = newColors;
    *offsets = newOffsets;
    if (!newColors || !newOffsets)
        *count = 0;
}

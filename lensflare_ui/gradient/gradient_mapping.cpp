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
 *
 * A panel's control keeps a copy of the model's gradient it was filled
 * from: while its pivots stay as filled, that gradient goes back exactly,
 * whatever its stops (hard edges, stops closer than a position, more than
 * the control shows); an edit keeps the exact offset and colour of every
 * stop it left where it was.
 */
#include <cmath>
#include <cstdlib>
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

/* Same colours and positions of the pivots in use. */
bool SamePivotValues(const GradientPivots *a, const GradientPivots *b)
{
    if (a->count != b->count)
        return false;
    for (int32_t i = 0; i < a->count; i++)
        if (a->colours[i] != b->colours[i] || a->positions[i] != b->positions[i])
            return false;
    return true;
}

void FreeHostBlock(float **block)
{
    if (*block)
        Ki_Free_Memory(*block);
    *block = nullptr;
}

/* New host blocks for n entries; both or neither. */
bool AllocGradient(int32_t n, float **colors, float **offsets)
{
    *colors = static_cast<float *>(Ki_Alloc_Memory(0, 1, sizeof(float) * 3 * (size_t)n));
    *offsets = static_cast<float *>(Ki_Alloc_Memory(0, 1, sizeof(float) * (size_t)n));
    if (*colors && *offsets)
        return true;
    FreeHostBlock(colors);
    FreeHostBlock(offsets);
    return false;
}

/* Pivots to a gradient beside a reference (the gradient they came from):
 * a pivot at the position of a reference entry keeps that entry's exact
 * offset, and one whose colour bytes equal a reference entry's (the one
 * at its position first) keeps that exact colour. */
void PivotsBeside(const GradientPivots *pivots, int32_t n, const GradientOrigin *reference,
                  float *colors, float *offsets)
{
    for (int32_t i = 0; i < n; i++) {
        UnpackColor(pivots->colours[i], colors + 3 * i);
        offsets[i] = (float)((double)pivots->positions[i] / 99.0);
        int32_t sameColour = -1;
        for (int32_t j = 0; j < reference->count; j++) {
            bool samePosition = PositionOfOffset(reference->offsets[j]) == pivots->positions[i];
            if (samePosition)
                offsets[i] = reference->offsets[j];
            if (ClampedColor(reference->colors + 3 * j) == pivots->colours[i] &&
                (samePosition || sameColour < 0))
                sameColour = j;
            if (samePosition)
                break;
        }
        if (sameColour >= 0)
            std::memcpy(colors + 3 * i, reference->colors + 3 * sameColour, 3 * sizeof(float));
    }
}

} // namespace

int32_t PositionOfOffset(float offset)
{
    double p = (double)offset * 99.0;
    if (std::isnan(p) || p <= -1.0)
        return -1;
    if (p > GRADIENT_LAST_POSITION)
        return GRADIENT_LAST_POSITION;
    int32_t nearest = (int32_t)std::lround(p);
    if ((float)(nearest / 99.0) == offset)
        return nearest;
    return (int32_t)p;
}

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

int32_t GradientToPivots(HWND owner, int32_t count, const float *colors, const float *offsets,
                         GradientPivots *pivots)
{
    if (!colors || !offsets || count < 0)
        count = 0;
    int32_t kept = 0;
    if (count < 1) {
        pivots->colours[0] = kWhite;
        pivots->positions[0] = 0;
        kept = 1;
    }
    int32_t n = count < GRADIENT_MAX_PIVOTS ? count : GRADIENT_MAX_PIVOTS;
    for (int32_t i = 0; i < n; i++) {
        int32_t position = PositionOfOffset(offsets[i]);
        pivots->colours[kept] = ClampedColor(colors + 3 * i);
        pivots->positions[kept] = position < 0 ? 0 : position;
        /* Of several entries at one position the first wins. */
        if (i == 0 || pivots->positions[kept] != pivots->positions[kept - 1])
            kept++;
    }
    if (count > 0 && PositionOfOffset(offsets[0]) != 0) {
        pivots->positions[0] = 0;
        MessageBoxA(owner, kFirstNotAtStart, kProgrammingError, MB_OK);
    }
    if (kept >= 2 && pivots->positions[kept - 1] != GRADIENT_LAST_POSITION) {
        pivots->positions[kept - 1] = GRADIENT_LAST_POSITION;
        MessageBoxA(owner, kLastNotAtEnd, kProgrammingError, MB_OK);
    }
    pivots->count = kept;
    return count > kept ? count - kept : 0;
}

void FillGradientControl(CColourSlider *slider, HWND owner, int32_t count, const float *colors,
                         const float *offsets)
{
    GradientOrigin &origin = slider->origin;
    ForgetGradientOrigin(slider);
    if (!colors || !offsets || count < 0)
        count = 0;
    origin.unshown = GradientToPivots(owner, count, colors, offsets, &slider->pivots);
    origin.filled = slider->pivots;
    if (count > 0) {
        origin.colors = static_cast<float *>(std::malloc(sizeof(float) * 3 * (size_t)count));
        origin.offsets = static_cast<float *>(std::malloc(sizeof(float) * (size_t)count));
        /* Without its copy the control stands for its pivots alone. */
        if (!origin.colors || !origin.offsets) {
            ForgetGradientOrigin(slider);
            return;
        }
        std::memcpy(origin.colors, colors, sizeof(float) * 3 * (size_t)count);
        std::memcpy(origin.offsets, offsets, sizeof(float) * (size_t)count);
        /* A gradient whose own ends are off is the control's corrected
         * one from the start; one cut short at the control's 100 pivots
         * gets the box for the last pivot shown, but its own ends are
         * right, so it goes back whole while nobody edits it. */
        origin.corrected =
            PositionOfOffset(offsets[0]) != 0 ||
            (slider->pivots.count >= 2 &&
             PositionOfOffset(offsets[count - 1]) != GRADIENT_LAST_POSITION);
    }
    origin.count = count;
    origin.known = 1;
}

void ForgetGradientOrigin(CColourSlider *slider)
{
    std::free(slider->origin.colors);
    std::free(slider->origin.offsets);
    slider->origin = GradientOrigin();
}

bool SamePivotsShown(const GradientPivots &a, const GradientPivots &b)
{
    if (a.count < 1 || !SamePivotValues(&a, &b))
        return false;
    for (int32_t i = 0; i < a.count; i++)
        if (a.selected[i] != b.selected[i])
            return false;
    return true;
}

bool GradientEdited(const CColourSlider *slider)
{
    const GradientOrigin &origin = slider->origin;
    return !origin.known || origin.corrected || !SamePivotValues(&slider->pivots, &origin.filled);
}

void StoreGradient(const CColourSlider *slider, int32_t *count, float **colors, float **offsets)
{
    const GradientOrigin &origin = slider->origin;
    bool asFilled = !GradientEdited(slider);
    int32_t n = asFilled ? origin.count : slider->pivots.count;
    if (!asFilled && (n < 1 || n > GRADIENT_MAX_PIVOTS))
        n = n < 1 ? 1 : GRADIENT_MAX_PIVOTS;
    /* An empty gradient as read stays without arrays. */
    float *newColors = nullptr, *newOffsets = nullptr;
    bool made = n == 0 || AllocGradient(n, &newColors, &newOffsets);
    if (made && asFilled && n > 0) {
        std::memcpy(newColors, origin.colors, sizeof(float) * 3 * (size_t)n);
        std::memcpy(newOffsets, origin.offsets, sizeof(float) * (size_t)n);
    } else if (made && n > 0) {
        PivotsBeside(&slider->pivots, n, &origin, newColors, newOffsets);
    }
    FreeHostBlock(colors);
    FreeHostBlock(offsets);
    *colors = newColors;
    *offsets = newOffsets;
    *count = made ? n : 0;
}

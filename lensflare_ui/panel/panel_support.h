/*
 * panel_support.h - what the panel builder and the panel's command
 * handlers share: the kind of a parameter (its type keyword's token told
 * apart) and the area the panel is laid out in.
 */
#ifndef PANEL_SUPPORT_H
#define PANEL_SUPPORT_H

#include <windows.h>

struct ElementParameter;

enum class ParameterKind {
    IntSlider,
    FloatSlider,
    Angle,
    Checkbox,
    Color,
    Point,
    List,
    Gradient,
    ArbitraryData,
    Unknown,          /* a keyword the panel does not know: no row */
};

ParameterKind KindOfParameter(const ElementParameter *parameter);

/* Client rectangle of the parameter area (item 1006) in dialog client
 * coordinates; empty when the dialog has no such item. */
void GetParameterAreaRect(HWND dialog, RECT *area);

#endif

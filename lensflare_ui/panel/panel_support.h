/*
 * panel_support.h - what the panel builder and the panel's command
 * handlers share: the kind of a parameter (its type keyword's token told
 * apart) and the area the panel is laid out in; and the kept panel's
 * windows the builder takes back (panel_reuse.cpp).
 */
#ifndef PANEL_SUPPORT_H
#define PANEL_SUPPORT_H

#include <windows.h>

struct ElementParameter;
struct FlareElement;
struct PluginInstance;
struct TinySlider;
struct TinySliderSetup;
class CColourSlider;
struct GradientPivots;

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

/* The kept panel's first row when the element's rows fit it one for one;
 * otherwise the kept panel is released and the answer is null. */
ElementParameter *TakeKeptPanel(PluginInstance *instance, const FlareElement *element);
/* The kept row's window of that id, now the caller's; null for none. */
HWND TakeKeptWindow(ElementParameter *kept, int id);
/* The kept row's slider set up anew, or a new one. */
TinySlider *KeptOrNewTinySlider(ElementParameter *kept, HWND dialog, HINSTANCE module,
                                uint16_t id, const TinySliderSetup &setup);
/* The kept row's gradient control started afresh, or a new one; shown
 * gets the pivots the kept control showed (none for a new control). */
CColourSlider *KeptOrNewGradientControl(ElementParameter *kept, HWND dialog, HINSTANCE module,
                                        const char *label, uint16_t id, int32_t width,
                                        GradientPivots *shown);

#endif

/*
 * controls.h - the plug-in's own controls: the compact slider "TINYSLIDER"
 * that edits one number, and the section tab strip "TABBEDLF".
 */
#ifndef CONTROLS_H
#define CONTROLS_H

#include <windows.h>
#include "host/kalvos_core.h"

/* The dialog's background brush (WM_CTLCOLORDLG, asked with dc or with the
 * dialog's own DC), or a new COLOR_BTNFACE brush, which *created marks as
 * the caller's to delete. */
HBRUSH DialogBackgroundBrush(HWND dialog, HDC dc, int16_t *created);
HBRUSH DialogBackgroundBrush(HWND dialog, int16_t *created);

/* ---- Compact slider ---------------------------------------------------- */

typedef void (*SliderChangeFn)(int16_t controlId);
typedef void (*SliderTrackFn)(KaToken phase, int16_t controlId, float value);

#define TINYSLIDER_CLASS "TINYSLIDER"
#define TINYSLIDER_EDIT_ID 1

struct TinySlider {
    HWND window;
    HWND edit;                 /* buddy edit box, control id 1 */
    uint32_t id;               /* control id; callbacks get its low 16 bits */
    int16_t width;             /* pixels; follows WM_SIZE */
    uint16_t height;           /* pixels; follows WM_SIZE */
    int16_t thumbX;            /* tip of the thumb, 6 .. width - 7 */
    const char *label;         /* caption, owned by the caller */
    uint32_t mode;             /* 0 integer, 1 float */
    int32_t intValue;
    int32_t intMin, intMax;    /* UI range, integer mode */
    float floatValue;
    float floatMin, floatMax;  /* UI range, float mode */
    int16_t busy;              /* set while the slider writes its own edit text */
    float *floatTarget;        /* receives the bound value, or null */
    int32_t *intTarget;        /* receives the bound value without fraction, or null */
    SliderChangeFn changeCallback;
    SliderTrackFn trackCallback;
    float absMin, absMax;      /* what may be typed */
    int16_t precision;         /* decimals shown in float mode */
    int16_t percent;           /* value is a fraction shown as a percentage */
    HFONT font;                /* created with the window, deleted on WM_NCDESTROY */
    HBRUSH background;
    int16_t ownsBackground;    /* background was created here (not the dialog's) */
};

#define SLIDER_MODE_INTEGER 0
#define SLIDER_MODE_FLOAT   1

/* What a slider bound to one number is given: its caption, the ranges of
 * the track and of what may be typed, and the field it writes. */
struct TinySliderSetup {
    const char *label;
    int16_t floatMode;
    float uiMin, uiMax;
    float absMin, absMax;
    float *target;
    int16_t precision;
    int16_t percent;
    SliderTrackFn trackCallback;
};

void RegisterTinySliderClass(HINSTANCE instance);
/* A record in host memory with its window (hidden, on the parent's
 * background), set up and showing the target's value; null on failure.
 * FreeTinySlider destroys the window, frees the record and clears *slider. */
TinySlider *NewTinySlider(HWND parent, HINSTANCE instance, uint16_t id, SliderChangeFn change,
                          const TinySliderSetup &setup);
void SetUpTinySlider(TinySlider *slider, const TinySliderSetup &setup);
void FreeTinySlider(TinySlider **slider);
HWND CreateTinySlider(HWND parent, HINSTANCE instance, TinySlider *slider, uint32_t id,
                      SliderChangeFn changeCallback);
void SetTinySliderBackground(HWND parent, TinySlider *slider);
void SetTinySliderValue(TinySlider *slider, float value, int16_t updateText, int16_t notify);
/* Sets the slider from its float target and shows that number itself, as
 * typed text would stand: beyond the UI range the thumb rests at the
 * track's end and the box keeps the number, so reading the box back gives
 * the target's value to the slider's precision. */
void ShowTinySliderTarget(TinySlider *slider);
void RefreshTinySliderThumb(TinySlider *slider);
void DestroyTinySlider(HWND *window);
LRESULT CALLBACK TinySliderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* ---- Section tab strip --------------------------------------------------- */

#define TABSTRIP_CLASS "TABBEDLF"
#define TAB_SELECTED 2

struct TabItem {
    int16_t left;              /* x of the left edge, set at creation */
    int16_t width;             /* title width + 13, set at creation */
    uint16_t flags;            /* TAB_SELECTED */
    const char *title;         /* a tab without a title takes no room */
    int16_t id;                /* reported on a click, used to select */
};

struct TabStrip {
    HWND window;
    int16_t width;
    int16_t height;            /* strip font height + 14 */
    int16_t tabCount;
    int16_t totalWidth;
    int16_t shortRightEdges;   /* right edges stop one pixel above the bottom */
    HWND parent;
    HBRUSH background;
    HBRUSH selection;          /* COLOR_BTNFACE, under the selected tab */
    TabItem *tabs;             /* not owned */
    int16_t ownsBackground;    /* background was created here (not the dialog's) */
};

void RegisterTabStripClass(void);
HWND CreateTabStrip(HWND parent, TabStrip *strip, TabItem *tabs, int16_t tabCount, int16_t width);
void SetTabStripBackground(HWND parent, TabStrip *strip);
void DeleteTabStripFonts(void);
LRESULT CALLBACK TabStripProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif

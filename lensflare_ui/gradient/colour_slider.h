/*
 * colour_slider.h - the gradient control: a dialog button taken over to
 * show and edit a colour map as pivots (whole positions 0..99, packed
 * colours), and the mapping between a model gradient (float offsets and
 * colours in host memory) and those pivots.
 */
#ifndef COLOUR_SLIDER_H
#define COLOUR_SLIDER_H

#include <windows.h>
#include "host/kalvos_core.h"

#define GRADIENT_MAX_PIVOTS   100
#define GRADIENT_LAST_POSITION 99
#define GRADIENT_ROW_MARGIN   15     /* end caps and band height of panel rows */

typedef void (*GradientChangeFn)(int16_t controlId);

/* The value part of a gradient control. */
struct GradientPivots {
    uint32_t colours[GRADIENT_MAX_PIVOTS];   /* 0x00BBGGRR */
    int32_t positions[GRADIENT_MAX_PIVOTS];  /* 0..99, ascending */
    uint8_t selected[GRADIENT_MAX_PIVOTS];   /* at most one set */
    int32_t count;                           /* pivots in use, 1..100 */
    KaToken interpolation;                   /* "linear" or "cardinal"; files only */
};

/* The model's gradient a panel's control was filled from (zero for other
 * controls). */
struct GradientOrigin {
    int32_t count;            /* entries, up to the host's limit */
    float *colors;            /* count RGB triples, process heap; null for none */
    float *offsets;           /* count offsets */
    GradientPivots filled;    /* the pivots as that gradient gave them */
    int32_t unshown;          /* entries the pivots could not show one for one */
    int16_t known;            /* filled from a gradient */
    int16_t corrected;        /* its ends were put right, with a box */
    int16_t taken;            /* the model holds the pivots' gradient */
    int16_t toldMerged;       /* the user was told an edit merged stops */
};

class CColourSlider {
public:
    CColourSlider(HWND dialog, HINSTANCE instance, const char *label, int16_t greyMode,
                  uint16_t controlId, int32_t width, int32_t margin,
                  GradientChangeFn changeCallback);
    virtual ~CColourSlider();

    void SetBackground();   /* the dialog's background brush, else COLOR_BTNFACE */
    void Refresh();         /* invalidates the control's area on the dialog */
    /* Back to how a new control starts: one white pivot at 0, selected,
     * linear, nothing grabbed, no origin; for a panel that keeps it. */
    void StartAfresh();

    GradientPivots pivots;
    WNDPROC previousProc;           /* the button's own procedure */
    GradientChangeFn changeCallback;   /* may be null */
    HWND control;                   /* the button drawn on */
    HWND dialog;
    uint16_t controlId;
    HINSTANCE instance;             /* cursors, menu and templates */
    const char *label;              /* caption above the band; the caller's */
    int16_t greyMode;               /* colours shown and picked as intensities */
    int16_t hasMenuButton;
    HBRUSH background;
    int16_t ownsBackground;         /* background was made here, not the dialog's */
    int16_t detached;               /* set by the destructor: no more markers */
    int32_t lastMouseX, lastMouseY;
    int32_t grabbed;                /* 1-based pivot of the last press, 0 none */
    uint8_t armed;                  /* a left press is in progress */
    int32_t left;                   /* band's left end; equals margin */
    int32_t top;                    /* band's top; 0 */
    int32_t barWidth;               /* band width in pixels */
    int32_t margin;                 /* end cap width and band height */
    GradientOrigin origin;
};

/* Height of a gradient row for this margin and the (negative) offset of
 * the label line above it, from the height of "M" in ANSI_VAR_FONT. */
void MeasureGradientRow(int32_t margin, int32_t *rowHeight, int32_t *labelOffset);

/* The position an offset stands for: trunc(offset x 99), lowered to 99,
 * except that an offset written for position k, (float)(k / 99.0), is k
 * again; -1 below the start and for NaN. */
int32_t PositionOfOffset(float offset);

/* Model gradient to pivots: fills colours, positions and count only (the
 * control keeps its selection and interpolation).  Host definition errors
 * (first entry not at 0.0, last not at 1.0) are corrected and reported in
 * a "Programming Error" box owned by owner.  Returns how many entries the
 * pivots could not show one for one (merged at a position, or beyond the
 * control's 100). */
int32_t GradientToPivots(HWND owner, int32_t count, const float *colors, const float *offsets,
                         GradientPivots *pivots);

/* Fills a panel's control from the model's gradient and keeps a copy of
 * it as the control's origin; Forget releases that copy. */
void FillGradientControl(CColourSlider *slider, HWND owner, int32_t count, const float *colors,
                         const float *offsets);
void ForgetGradientOrigin(CColourSlider *slider);
/* The two draw alike: the same pivots, colours and selection. */
bool SamePivotsShown(const GradientPivots &a, const GradientPivots &b);
/* The pivots are no longer the origin's as filled (or there is none). */
bool GradientEdited(const CColourSlider *slider);
/* The control's gradient for the model: *colors and *offsets (host memory,
 * may be null) are released and replaced by new arrays.  Unedited, it is
 * the origin exactly; edited, one entry a pivot, each at the exact offset
 * and colour of the origin's entry where the pivot's position and colour
 * bytes still match. */
void StoreGradient(const CColourSlider *slider, int32_t *count, float **colors, float **offsets);

/* The menu button's popup menu, tracked at the cursor while a mouse button
 * is down, or at a screen point for the keyboard (button TPM_LEFTBUTTON);
 * the chosen command reaches the control as WM_COMMAND. */
void ShowPopupMenu(CColourSlider *slider);
void ShowPopupMenuAt(CColourSlider *slider, POINT screen, UINT button);

/* Carries out a control command (1000..1009, others do nothing) and says
 * whether the owner should hear of a change: 0 only for a cancelled load
 * and a cancelled large dialog. */
int CarryOutGradientCommand(CColourSlider *slider, int command);

int LoadGradientFromFile(CColourSlider *slider);
int SaveGradientToFile(CColourSlider *slider);

/* The open requestor for ".grd" and ".cmp" files with a preview of the
 * file under selection; outName gets FILE_NAME_SIZE characters at most. */
int RequestGradientFile(HWND owner, const char *folder, const char *title,
                        const char *initialName, char *outName, HINSTANCE instance);
UINT_PTR CALLBACK GradientRequestorHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

/* Paints a gradient in the host's form across a dialog item. */
void DrawGradientPreview(HWND dialog, int itemId, int32_t count, const float *offsets,
                         const float *colors);

/* The large edit dialog on a copy of the slider's pivots; the dialog's
 * result (1 after Ok, 0 after Cancel, -1 when it could not open). */
INT_PTR EditGradientOnLargeDialog(CColourSlider *slider);
INT_PTR CALLBACK LargeGradientDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif

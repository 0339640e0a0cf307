/*
 * light_sweep.h - playback in the editor's preview: the light swept across
 * the image, optionally behind a test occluder, with the frames' overall
 * luminance watched for flashing.  Off unless the user starts it; nothing
 * of it reaches the host's flare.
 */
#ifndef LIGHT_SWEEP_H
#define LIGHT_SWEEP_H

#include <stdint.h>
#include <windows.h>

/* Ini key of the occluder option, in the editor's section. */
#define SWEEP_OCCLUDER_KEY  "Sweep-Behind-Occluder"
/* Starts and stops a sweep; no control of the editor uses it. */
#define SWEEP_SHORTCUT_KEY  VK_F5

/* How long one sweep takes; tests shorten it. */
extern int sweepDurationMs;

/* Flashes seen in the frames of one sweep, as a person sees them: a
 * flash is a rise of the whole image's relative luminance by at least
 * kFlashStep and then a fall by as much, from the frame that shows the
 * rise to the frame that shows the fall; a second holds the flashes that
 * begin and end within it. */
struct FlashCounter {
    double low, high;        /* extremes since the last change counted */
    int direction;           /* +1 after a rise, -1 after a fall, 0 at first */
    double riseMs;           /* when the rise under way showed */
    int count;               /* flashes so far */
    int busiestSecond;       /* most whole flashes in any one second so far */
    double starts[1024];     /* ms since the sweep began of the latest flashes' rises,
                                a ring by count; a second holds far fewer */
};

void ResetFlashCounter(FlashCounter *counter);
void AddLuminanceSample(FlashCounter *counter, double timeMs, double luminance);
/* The busiest second of a whole series of frames: their times (ms,
 * ascending) and luminances. */
int BusiestSecondOfFlashes(const double *timesMs, const double *luminances, size_t count);
/* Mean relative luminance (0..1) of a buffer's pixels as the preview
 * shows them. */
double ImageLuminance(const float *red, const float *green, const float *blue, size_t count);

/* The editor's hooks: start-up (after its system menu) and destruction,
 * the frame timer, commands, keys and the overlay drawn over the preview. */
void SetUpLightSweep(HWND dialog);
void TearDownLightSweep();
/* A message of the editor's modal loop, offered by its key filter before
 * any other key handling; true when the sweep used the key. */
bool HandleLightSweepKey(const MSG *msg);
/* The system menu's items: start or stop a sweep, the occluder option. */
void ToggleLightSweep(HWND dialog);
void ToggleSweepOccluder(HWND dialog);
void LightSweepFrame();
/* The frame a fraction (0..1) of the way along the sweep's path. */
void ShowSweepAt(double progress);
void DrawLightSweepOverlay(HDC dc);
/* The dialog's WM_PAINT: while a flash warning stands, the strip under the
 * preview in the warning's colour; false when there is nothing to add. */
bool PaintLightSweepStrip(HWND dialog);

void StartLightSweep();
/* Puts the light back where it was and shows it there. */
void StopLightSweep();
bool LightSweepRunning();
bool SweepBehindOccluder();
/* Flashes in the busiest second of the sweep under way or the last one. */
int SweepFlashRate();
/* The flash warning stands in the preview's bottom line. */
bool FlashWarningStands();

#endif

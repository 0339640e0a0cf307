/*
 * color.h - colour swatches and the colour selector dialogs.
 */
#ifndef COLOR_H
#define COLOR_H

#include <stdint.h>
#include <windows.h>

int16_t DrawColorSwatch(const DRAWITEMSTRUCT *item, const float color[3]);
void RedrawControl(HWND dialog, int id);
/* Edits color in place; 1 after OK, 0 after Cancel, -1 when the dialog failed. */
INT_PTR SelectColor(HWND parent, const char *title, float color[3]);

/* The one rule between float components and bytes (color_bytes.cpp).
 * ScaleComponent: a component as a whole number of 1/255ths, trunc(c x
 * 255.0), 0 for a NaN and kept within the int range; the selector's bars
 * and numbers show it.  WrappedByte keeps its low 8 bits, as the host
 * turns colours into bytes: swatches, gradient files and the Windows
 * colour dialog show a colour as it renders (1.2 wraps to a dark 50).
 * ClampedByte first holds the component to 0..1: the gradient control's
 * pivots, where a bright stop must stay bright (1.2 gives 255).
 * ByteComponent is the way back, byte / 255.  ShownByte is the byte the
 * preview's 24-bit image holds and so what the screen shows: trunc(c x
 * 255.0) as the processor converts it, its low 8 bits, so 1.2 wraps to 50
 * as in a swatch, and a NaN or a value beyond 32 bits gives 0 (where
 * WrappedByte's saturation gives 255); the flash meter measures it. */
int32_t ScaleComponent(float component);
uint8_t WrappedByte(float component);
uint8_t ClampedByte(float component);
uint8_t ShownByte(float component);
float ByteComponent(uint32_t byte);

/* Packed colours, red in bits 0-7, green 8-15, blue 16-23 (COLORREF);
 * the bits above are not colour and are ignored.  PackBytes keeps the low
 * 8 bits of each number, so a value past 255 wraps as a host byte does.
 * WrappedColor and ClampedColor pack three components by the rules above;
 * UnpackColor is the way back, each byte / 255. */
int RedByte(uint32_t packed);
int GreenByte(uint32_t packed);
int BlueByte(uint32_t packed);
uint32_t PackBytes(int red, int green, int blue);
uint32_t WrappedColor(const float color[3]);
uint32_t ClampedColor(const float color[3]);
void UnpackColor(uint32_t packed, float color[3]);

/* Hue in degrees (HUE_UNDEFINED for greys), saturation, and the third
 * component, which is the largest of red, green and blue. */
#define HUE_UNDEFINED (-9999.0f)
void RgbToHsl(const float color[3], float *hue, float *saturation, float *largest);
void HslToRgb(float hue, float saturation, float largest, float color[3]);

/* The Windows colour dialog, its 16 custom colours kept in the ini file;
 * 1 when a colour was chosen, 0 after Cancel. */
int16_t ChooseSystemColor(HWND owner, float color[3]);

/* The named colour dialog on color: the dialog's result; after Cancel the
 * colour is as it was. */
INT_PTR SelectNamedColor(HWND owner, float color[3]);

#endif

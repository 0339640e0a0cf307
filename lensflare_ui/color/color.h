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

#endif

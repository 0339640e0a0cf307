/*
 * editor.h - the lens flare editor dialog and the module state it shares
 * with the parameter panel, the preview and the element list.
 */
#ifndef EDITOR_H
#define EDITOR_H

#include <stdint.h>
#include <windows.h>

struct PluginInstance;
struct FlareElement;
struct TinySlider;

INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

/* Module state of the one editor of the process. */
extern int16_t dialogBusy;        /* initialising, loading a library, closing */
extern int16_t currentSection;    /* section shown, 0 before the first */
extern char *lastLibraryFile;     /* host copy of the last library path, or null */

/* The five labelled sliders of the global sections (panel/global_controls.cpp). */
extern TinySlider *intensitySlider, *scaleSlider, *angleSlider, *stretchSlider,
    *occlusionSlider;

/* Ini section of the editor's settings. */
extern const char editorIniSection[];

/* Element list (private message WM_REFRESH_ELEMENT_LIST) and its commands. */
void RefreshElementList(HWND dialog);
bool HandleElementListCommand(HWND dialog, int id, int code);   /* true when it was one */
void ReloadAfterLibraryLoad(HWND dialog);
void ShowElementEnabledSwitch(HWND dialog);

/* Add element dialog: its results outlive one run. */
extern const char *addElementType;
extern int16_t addElementPlacement;
INT_PTR CALLBACK AddElementDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif

/*
 * effect_browser.h - the "Effect Browser": every lens effect file of the
 * library as a picture in a grid, narrowed by a filter, with a larger
 * picture of the selected one; Apply loads it into the edited flare as
 * "Library &Load" does.  The grid is a control of its own ("EFFECTGRID").
 */
#ifndef EFFECT_BROWSER_H
#define EFFECT_BROWSER_H

#include <stdint.h>
#include <windows.h>

#include "library/effect_library.h"

/* Opens the browser modally over the editor (the system menu's
 * "Browse Effects..." and Ctrl+B); returns when it closes. */
void OpenEffectBrowser(HWND editor);
INT_PTR CALLBACK EffectBrowserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
/* The key filter's part: Ctrl+B anywhere in the editor opens the browser,
 * and undo's keys in the browser go to the editor's history; true when the
 * key was used. */
bool HandleBrowserKey(const MSG *msg);
/* Loads the file into the edited flare through the Library Load steps as
 * one undo step "Apply <file name>"; 1 when the host loaded it. */
int ApplyLensEffectFile(HWND editor, const char *path, const char *fileName);

/* The grid control: one record per window, the tiles are the browser's. */
#define EFFECT_GRID_CLASS "EFFECTGRID"
void RegisterEffectGridClass(HINSTANCE module);

/* Grid cell: the picture with a margin, its file name below. */
#define GRID_MARGIN       6
#define GRID_NAME_HEIGHT  16
#define GRID_CELL_WIDTH   (THUMBNAIL_WIDTH + 2 * GRID_MARGIN)
#define GRID_CELL_HEIGHT  (THUMBNAIL_HEIGHT + 2 * GRID_MARGIN + GRID_NAME_HEIGHT)

/* Messages to the grid. */
#define GM_SETTILES       (WM_USER + 50)   /* wParam count, lParam EffectThumbnail ** kept by the caller */
#define GM_SETSELECTION   (WM_USER + 51)   /* wParam tile, scrolled into view; no notification */
#define GM_GETSELECTION   (WM_USER + 52)   /* the selected tile, or -1 */
#define GM_MOVESELECTION  (WM_USER + 53)   /* wParam an arrow or page key; notifies */
#define GM_GETVISIBLE     (WM_USER + 54)   /* lParam int32_t[2]: first and last tile in view */
#define GM_REDRAWTILE     (WM_USER + 55)   /* wParam tile */
#define GM_GETTILERECT    (WM_USER + 56)   /* wParam tile, lParam RECT *: its picture, client pixels */

/* Notifications to the parent, as WM_COMMAND codes. */
#define GRIDN_SELCHANGE   1
#define GRIDN_DBLCLK      2

#endif

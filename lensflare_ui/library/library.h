/*
 * library.h - lens effect library files (.lnz) and the file requestors
 * every file choice of the plug-in goes through.  The file contents are
 * the host's; the plug-in only picks names, keeps a backup while saving
 * and previews the selected file in the open requestor.
 */
#ifndef LIBRARY_H
#define LIBRARY_H

#include <stdint.h>
#include <windows.h>
#include <commdlg.h>

#include "preview/preview.h"

#define FILE_NAME_SIZE 300   /* name buffers of the requestors */

/* Module state of the lens effect requestor; owned by its hook. */
extern PreviewImage requestorPreview;   /* lives while the requestor's template lives */
extern int16_t requestorPreviewOn;      /* the "&Preview" switch, kept between requestors */

/* name: in the start name, out the chosen full path (FILE_NAME_SIZE).
 * filter: "description|pattern|..." changed in place.  1 when chosen. */
int RunFileRequestor(HWND owner, int16_t openMode, const char *folder, char *filter,
                     const char *title, char *name, DWORD extraFlags, LPOFNHOOKPROC hook,
                     const char *templateName, HINSTANCE moduleInstance);
/* out: FILE_NAME_SIZE characters. */
void DefaultRequestorFolder(const char *folder, char *out);

/* An open requestor whose template previews the selection. */
struct PreviewRequestor {
    const char *folder;           /* default folder below the working directory */
    const char *filter;           /* "description|pattern|..." */
    const char *extensions[2];    /* the endings accepted, unused ones null */
    const char *wrongExtension;   /* the "Filename Error" text for any other ending */
    LPOFNHOOKPROC hook;
    const char *templateName;
};

/* folder: null for the kind's own; start: null for none.  Drops the
 * folder's prefix from start, makes the working directory current, and
 * returns 1 with the chosen path in lower case in result (FILE_NAME_SIZE)
 * when it has one of the extensions. */
int RunPreviewRequestor(HWND owner, const PreviewRequestor &kind, const char *folder,
                        const char *title, const char *start, char *result,
                        HINSTANCE moduleInstance);
int RequestLensEffectFile(HWND owner, const char *folder, const char *title, const char *start,
                          char *result, HINSTANCE moduleInstance);
UINT_PTR CALLBACK LensEffectRequestorHook(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);
void PreviewLensEffectFile(HWND hook, PreviewImage *image, int16_t previewOn);
void GetSelectedLensEffectFile(HWND hook, char *out);
/* A preview item without a picture: black, with the item's window text
 * (the reason, if any) centred in it. */
void DrawEmptyPreview(const DRAWITEMSTRUCT *item);

/* Both work on the flare of currentInstance; 1 when a file was written
 * or loaded, and lastLibraryFile then names it. */
int SaveLensEffectFile(HWND window, HINSTANCE moduleInstance);
int LoadLensEffectFile(const char *name);
/* The open requestor, started at lastLibraryFile; 1 with the chosen path
 * in name (FILE_NAME_SIZE).  What becomes of the flare before the load is
 * the caller's. */
int ChooseLensEffectFileToLoad(HWND window, HINSTANCE moduleInstance, char *name);

#endif

/*
 * editor_state.h - the module state of the one editor of the process that
 * the parts it calls read as well: the panel, the preview and the library.
 * The editor sets it; they only look.  It sits here, beside currentInstance,
 * so that nothing below the editor includes the editor's own header.
 */
#ifndef EDITOR_STATE_H
#define EDITOR_STATE_H

#include <stdint.h>

extern int16_t dialogBusy;        /* initialising, loading a library, closing */
extern int16_t currentSection;    /* section shown, 0 before the first */
extern char *lastLibraryFile;     /* host copy of the last library path, or null */

/* Ini section of the editor's settings. */
extern const char editorIniSection[];

#endif

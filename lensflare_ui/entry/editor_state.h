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

/* Sets a busy flag for as long as it lives and then puts back the value
 * it found, so scopes nest and no path forgets to clear the flag:
 *
 *     {
 *         BusyScope busy(dialogBusy);
 *         ...re-read and refill: edits reported meanwhile are not written...
 *     }
 *     RefreshPreview(-1, -1);
 */
class BusyScope {
public:
    explicit BusyScope(int16_t &flag) : flag_(flag), saved_(flag) { flag_ = 1; }
    ~BusyScope() { flag_ = saved_; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    int16_t &flag_;
    int16_t saved_;
};

#endif

/*
 * undo.h - the editor's undo history: one step per user action, kept
 * until the dialog closes.  Each step holds the whole flare as the editor
 * sent it to the host (globals, element order, types, switches, every
 * value with its gradient and data), so going back or forth is one
 * restore, whatever the steps in between did.
 */
#ifndef UNDO_H
#define UNDO_H

#include <stdint.h>
#include <windows.h>

/* Steps the history keeps; the oldest goes when one more is recorded. */
#define UNDO_MAX_STEPS 100

/* Opened once the editor runs (the flare as it opened is the first state),
 * closed when it is destroyed. */
void OpenUndoHistory(HWND dialog);
void CloseUndoHistory();

/* After a user action: records a step of that name when the flare changed. */
void RecordUndoStep(const char *name);
/* The same for an edit reported to the change entry by a control. */
void RecordParameterStep(int16_t controlId);

/* Undo and redo; each does nothing when there is no step to go to. */
void UndoLastStep(HWND dialog);
void RedoNextStep(HWND dialog);

#endif

/*
 * undo.h - the editor's undo history: one step per user action, kept
 * until the dialog closes.  Each step holds the whole flare as the editor
 * sent it to the host (globals, element order, types, switches, every
 * value with its gradient and data), so going back or forth is one
 * restore, whatever the steps in between did.
 *
 * How a command makes its step: it opens an UndoStep first thing, named
 * as the system menu shows it after "Undo "/"Redo ", and then changes the
 * flare as it likes:
 *
 *     void RemoveCurrentElement(HWND dialog)
 *     {
 *         UndoStep step("Remove Element");
 *         if (!currentInstance->currentElement)
 *             return;              // nothing changed: no step
 *         ...host commands, re-read...
 *     }                            // recorded here, on every path
 *
 * The step is recorded when the object leaves its scope, whichever way it
 * leaves, and only when the flare differs from the step before, so a
 * command that ends early or changes nothing leaves no step.  A command
 * that applies a file or pastes elements is one step the same way
 * ("Apply glow.lnz"); its name is copied, so it may be built on the stack.
 * Edits through the panel's change entry are recorded by the history
 * itself, named after their control.  A key of the editor goes through
 * its one key filter (key_filter.cpp), after the sweep's and undo's own.
 */
#ifndef UNDO_H
#define UNDO_H

#include <stdint.h>
#include <windows.h>

struct FlareState;

/* Steps the history keeps; the oldest goes when one more is recorded. */
#define UNDO_MAX_STEPS 100
/* Room for a step's name, with its terminator. */
#define UNDO_NAME_SIZE 64

/* Opened once the editor runs (the flare as it opened is the first state),
 * closed when it is destroyed. */
void OpenUndoHistory(HWND dialog);
void CloseUndoHistory();

class UndoStep {
public:
    explicit UndoStep(const char *name);
    ~UndoStep();                        /* records the step when the flare changed */
    UndoStep(const UndoStep &) = delete;
    UndoStep &operator=(const UndoStep &) = delete;

private:
    char name_[UNDO_NAME_SIZE];
};

/* The step of an edit reported to the change entry by a control. */
void RecordParameterStep(int16_t controlId);

/* Undo and redo; each does nothing when there is no step to go to. */
void UndoLastStep(HWND dialog);
void RedoNextStep(HWND dialog);

/* The snapshot's part.  The flare as a step would keep it now (the
 * caller's, freed with FreeFlareState), or null; a state kept outside the
 * steps, whose elements the history then goes on knowing (null: none);
 * and such a state made the flare as one step of that name. */
FlareState *CaptureCurrentFlare();
void HoldOutsideState(const FlareState *state);
void RestoreHeldState(const FlareState *state, const char *name);

/* The key filter's part: Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z in the editor;
 * true when the key was used.  Every message of the modal loop comes
 * here, so that typing in a box ends once the focus has left it. */
bool HandleUndoKeyMessage(const MSG *msg);

#endif

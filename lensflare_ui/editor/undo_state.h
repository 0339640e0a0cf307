/*
 * undo_state.h - the flare as the undo history keeps it: one packed block
 * per state, captured from the model, compared with another and put back
 * into the model.  Nothing here touches a window or the host; the history
 * (undo.h) decides when to capture and how the host follows a restore.
 *
 * Elements are known by an identity rather than by guid: an element
 * deleted and inserted again by an undo gets a new guid from the host, and
 * its identity then names the new guid for every state.
 */
#ifndef UNDO_STATE_H
#define UNDO_STATE_H

#include <stddef.h>
#include <stdint.h>
#include <vector>

#include "model/lens_flare_model.h"

class CColourSlider;

/* Header of a state block; the elements, the parameters and then the
 * gradient floats and data bytes follow it. */
struct FlareState {
    size_t bytes;             /* the whole block */
    LensFlareModel globals;   /* without elements */
    int32_t elementCount;
    int32_t parameterCount;
};

/* Gradient controls the user changed since the panel was built: their
 * stops are the flare's, not the model's, until the panel goes. */
typedef std::vector<const CColourSlider *> EditedGradients;

/* hint: the state the flare was in, whose identities are tried first;
 * may be null.  Null when memory runs out.  The block is the caller's,
 * released with FreeFlareState. */
FlareState *CaptureFlareState(const LensFlareModel &model, const FlareState *hint,
                              const EditedGradients &edited);
void FreeFlareState(FlareState *state);
bool SameFlareState(const FlareState *a, const FlareState *b);

int32_t StateIdentityAt(const FlareState *state, int32_t index);
/* The identity the state gives the element at index i of a flare, looked
 * for at i and beside it only (where it mostly is), or -1. */
int32_t NearbyIdentity(const FlareState *state, const FlareElement *element, int32_t index);
bool StateHasIdentity(const FlareState *state, int32_t identity);
/* True when the element of that identity holds other values in b than in a. */
bool ElementValuesDiffer(const FlareState *a, const FlareState *b, int32_t identity);
/* True when the model has the state's elements in the state's order. */
bool SameElements(const FlareState *state, const LensFlareModel &model);
/* The state's globals, switches and values into a model that has its
 * elements (SameElements); the model's element list stays. */
void RestoreFlareValues(const FlareState *state, LensFlareModel *model);
/* The same values into a model of another owner whose elements have the
 * state's types in the state's order; identities stay as they are. */
void CopyStateValues(const FlareState *state, LensFlareModel *model);

bool IsIdentityOf(int32_t identity, const FlareElement *element);
/* The host gave the element of that identity a new guid. */
void RenameIdentity(int32_t identity, const char *guid);
const char *IdentityTypeName(int32_t identity);
/* Releases the identities that none of these states names. */
void KeepIdentitiesOf(const FlareState *const *states, int32_t count);
void ForgetIdentities();

#endif

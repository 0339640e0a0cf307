/*
 * undo.cpp - the editor's undo history.
 *
 * A state is the flare as the editor holds it after an action: the model,
 * which is the host's flare read through the lens-flare protocol plus the
 * edits sent back (or, with realtime updates off, still to be sent).  It
 * is packed into one block: the globals, one record per element (its
 * identity and switch) and per parameter (value, gradient stops, data).
 * The history lives in the process's own memory, apart from the host's
 * blocks, so that what the editor borrows from the host still comes back
 * after every action.
 * Definitions and texts are not kept: they are the host's and come back
 * with a re-read.
 *
 * Elements are known by an identity of the history rather than by guid:
 * an element deleted and inserted again by an undo gets a new guid from
 * the host, and its identity then names the new guid for every state.
 *
 * Restoring a state with the same elements in the same order only sets
 * values; otherwise the host's flare is brought to the state's elements
 * with the editor's own commands (delete, move, insert) and read again.
 * Typing in a number box changes the flare on every key; while the focus
 * stays in that box those changes are one step, and Ctrl+Z belongs to the
 * box itself, as in any edit control.
 */
#include <cstdlib>
#include <cstring>

#include "color/color.h"
#include "controls/controls.h"
#include "editor/editor.h"
#include "editor/undo.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "host/host_helpers.h"
#include "host/kalvos_io.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

namespace {

struct UndoParameter {
    float value[4];
    int32_t gradientCount;
    int32_t dataSize;
    uint32_t gradientAt;   /* byte offset of colours then offsets in the state, 0 for none */
    uint32_t dataAt;       /* byte offset of the data, 0 for none */
};

struct UndoElement {
    KaToken enabled;
    int32_t identity;
    int32_t parameterCount;
};

/* Header of a state block; elements, parameters and then the gradient
 * floats and data bytes follow it. */
struct UndoState {
    size_t bytes;
    LensFlareModel globals;   /* without elements */
    int32_t elementCount;
    int32_t parameterCount;
};

struct Identity {
    char *guid;       /* the guid the element has now or had last */
    char *typeName;
    int16_t marked;   /* still named by a state */
};

struct UndoStepRecord {
    UndoState *state;       /* the flare after the step */
    int32_t subject;        /* identity selected after the step, or -1 */
    HWND typingBox;         /* edit box whose typing this step still takes in, or null */
    char name[64];
};

/* Gradient controls the user changed since the panel was built. */
const int kEditedGradients = 32;

const char kUndoKey = 'Z';
const char kRedoKey = 'Y';

/* The history of the one editor; open while history.dialog is set. */
struct History {
    HWND dialog;
    HHOOK keyHook;
    UndoStepRecord steps[UNDO_MAX_STEPS + 1];   /* steps[0] holds the opening state */
    int32_t count;                              /* states held */
    int32_t cursor;                             /* index of the state the flare is in */
    Identity *identities;
    int32_t identityCount, identityCapacity;
    const CColourSlider *editedGradients[kEditedGradients];
    int32_t editedGradientCount;
    int16_t restoring;
} history;

size_t Align(size_t bytes)
{
    return (bytes + 7) & ~(size_t)7;
}

UndoElement *Elements(UndoState *s)
{
    return reinterpret_cast<UndoElement *>(s + 1);
}

UndoParameter *Parameters(UndoState *s)
{
    return reinterpret_cast<UndoParameter *>(Elements(s) + s->elementCount);
}

unsigned char *At(UndoState *s, uint32_t offset)
{
    return reinterpret_cast<unsigned char *>(s) + offset;
}

/* ---- identities ----------------------------------------------------- */

/* A copy in the process's own memory, "" for none. */
char *CopyText(const char *text)
{
    if (!text)
        text = "";
    size_t n = std::strlen(text) + 1;
    char *copy = static_cast<char *>(std::malloc(n));
    if (copy)
        std::memcpy(copy, text, n);
    return copy;
}

bool SameText(const char *a, const char *b)
{
    return a && b && std::strcmp(a, b) == 0;
}

int32_t NewIdentity(const FlareElement *e)
{
    int32_t slot = -1;
    /* Freed slots are looked for only once the array is full, so that a
     * flare's first capture does not scan it for every element. */
    for (int32_t i = 0; history.identityCount == history.identityCapacity &&
                        i < history.identityCount && slot < 0; i++)
        if (!history.identities[i].guid && !history.identities[i].typeName)
            slot = i;
    if (slot < 0) {
        if (history.identityCount == history.identityCapacity) {
            int32_t capacity = history.identityCapacity ? history.identityCapacity * 2 : 64;
            Identity *grown = static_cast<Identity *>(
                std::calloc((size_t)capacity, sizeof(Identity)));
            if (!grown)
                return -1;
            if (history.identities) {
                std::memcpy(grown, history.identities,
                            sizeof(Identity) * (size_t)history.identityCount);
                std::free(history.identities);
            }
            history.identities = grown;
            history.identityCapacity = capacity;
        }
        slot = history.identityCount++;
    }
    Identity &id = history.identities[slot];
    id.guid = nullptr;
    id.typeName = nullptr;
    id.marked = 0;
    id.guid = CopyText(e->guid);
    id.typeName = CopyText(e->name);
    return slot;
}

bool IsIdentityOf(int32_t identity, const FlareElement *e)
{
    if (identity < 0 || identity >= history.identityCount)
        return false;
    const Identity &id = history.identities[identity];
    return SameText(id.guid, e->guid) && SameText(id.typeName, e->name ? e->name : "");
}

/* The element at index i of the flare most often is the one the current
 * state has there, or next to it after one element was added or removed,
 * so those are tried first: a scan for every element grew with the square
 * of the flare's size. */
int32_t IdentityOf(const FlareElement *e, int32_t index, UndoState *hint)
{
    const int32_t nearby[] = {index, index + 1, index - 1};
    for (int32_t at : nearby)
        if (hint && at >= 0 && at < hint->elementCount &&
            IsIdentityOf(Elements(hint)[at].identity, e))
            return Elements(hint)[at].identity;
    for (int32_t i = 0; i < history.identityCount; i++)
        if (IsIdentityOf(i, e))
            return i;
    return NewIdentity(e);
}

void ReplaceGuid(int32_t identity, const char *guid)
{
    Identity &id = history.identities[identity];
    if (SameText(id.guid, guid))
        return;
    if (id.guid)
        std::free(id.guid);
    id.guid = nullptr;
    id.guid = CopyText(guid);
}

void FreeIdentity(Identity *id)
{
    if (id->guid)
        std::free(id->guid);
    if (id->typeName)
        std::free(id->typeName);
    id->guid = nullptr;
    id->typeName = nullptr;
}

/* Identities that no state names any more are released. */
void SweepIdentities()
{
    for (int32_t i = 0; i < history.identityCount; i++)
        history.identities[i].marked = 0;
    for (int32_t s = 0; s < history.count; s++) {
        UndoState *state = history.steps[s].state;
        for (int32_t e = 0; e < state->elementCount; e++)
            history.identities[Elements(state)[e].identity].marked = 1;
    }
    for (int32_t i = 0; i < history.identityCount; i++)
        if (!history.identities[i].marked)
            FreeIdentity(&history.identities[i]);
}

/* ---- states ------------------------------------------------------------ */

bool HasGradient(const ElementParameter *p)
{
    return p->gradientCount > 0 && p->gradientColors && p->gradientOffsets;
}

bool HasData(const ElementParameter *p)
{
    return p->arbitraryDataSize > 0 && p->arbitraryData;
}

bool WasEdited(const CColourSlider *control)
{
    for (int32_t i = 0; i < history.editedGradientCount; i++)
        if (history.editedGradients[i] == control)
            return true;
    return false;
}

/* A parameter's gradient as the flare has it: the model's, or the
 * control's for one the user changed while it shows (without realtime
 * updates the model takes it in only when the panel goes).  Taking the
 * model's otherwise keeps the host's values exact. */
struct GradientView {
    int32_t count;
    float *colors, *offsets;
    bool owned;
};

GradientView ViewGradient(const ElementParameter *p)
{
    GradientView v = {p->gradientCount, p->gradientColors, p->gradientOffsets, false};
    if (p->gradientControl && WasEdited(p->gradientControl)) {
        v = {0, nullptr, nullptr, true};
        PivotsToGradient(&p->gradientControl->pivots, &v.count, &v.colors, &v.offsets);
    }
    if (!v.colors || !v.offsets)
        v.count = 0;
    return v;
}

void ReleaseView(GradientView *v)
{
    if (!v->owned)
        return;
    if (v->colors)
        Ki_Free_Memory(v->colors);
    if (v->offsets)
        Ki_Free_Memory(v->offsets);
}

UndoState *CaptureState(const LensFlareModel *m, UndoState *hint)
{
    size_t elements = 0, parameters = 0, extra = 0;
    for (const FlareElement *e = m->firstElement; e; e = e->next) {
        elements++;
        for (const ElementParameter *p = e->firstParameter; p; p = p->next) {
            parameters++;
            GradientView gradient = ViewGradient(p);
            if (gradient.count > 0)
                extra += Align((size_t)gradient.count * 16);
            ReleaseView(&gradient);
            if (HasData(p))
                extra += Align((size_t)p->arbitraryDataSize);
        }
    }
    size_t bytes = Align(sizeof(UndoState) + elements * sizeof(UndoElement) +
                         parameters * sizeof(UndoParameter)) + extra;
    UndoState *s = static_cast<UndoState *>(std::calloc(1, bytes));
    if (!s)
        return nullptr;
    s->bytes = bytes;
    std::memcpy(&s->globals, m, sizeof *m);
    s->globals.firstElement = nullptr;
    s->elementCount = (int32_t)elements;
    s->parameterCount = (int32_t)parameters;
    UndoElement *se = Elements(s);
    UndoParameter *sp = Parameters(s);
    size_t at = Align(sizeof(UndoState) + elements * sizeof(UndoElement) +
                      parameters * sizeof(UndoParameter));
    int32_t index = 0;
    bool identified = true;
    for (const FlareElement *e = m->firstElement; e; e = e->next, index++, se++) {
        se->enabled = e->enabled;
        se->identity = IdentityOf(e, index, hint);
        identified = identified && se->identity >= 0;
        for (const ElementParameter *p = e->firstParameter; p; p = p->next, sp++) {
            se->parameterCount++;
            std::memcpy(sp->value, p->Kv_Current_Value, sizeof sp->value);
            GradientView gradient = ViewGradient(p);
            sp->gradientCount = gradient.owned ? gradient.count : p->gradientCount;
            sp->dataSize = p->arbitraryDataSize;
            if (gradient.count > 0) {
                size_t n = (size_t)gradient.count;
                sp->gradientAt = (uint32_t)at;
                std::memcpy(At(s, (uint32_t)at), gradient.colors, n * 12);
                std::memcpy(At(s, (uint32_t)(at + n * 12)), gradient.offsets, n * 4);
                at += Align(n * 16);
            }
            ReleaseView(&gradient);
            if (HasData(p)) {
                sp->dataAt = (uint32_t)at;
                std::memcpy(At(s, (uint32_t)at), p->arbitraryData, (size_t)p->arbitraryDataSize);
                at += Align((size_t)p->arbitraryDataSize);
            }
        }
    }
    if (!identified) {
        std::free(s);
        return nullptr;
    }
    return s;
}

bool SameState(const UndoState *a, const UndoState *b)
{
    return a->bytes == b->bytes && std::memcmp(a, b, a->bytes) == 0;
}

/* Index of the first parameter of element index e. */
int32_t FirstParameterOf(UndoState *s, int32_t e)
{
    int32_t first = 0;
    for (int32_t i = 0; i < e; i++)
        first += Elements(s)[i].parameterCount;
    return first;
}

bool SameParameter(UndoState *a, const UndoParameter &pa, UndoState *b, const UndoParameter &pb)
{
    if (std::memcmp(pa.value, pb.value, sizeof pa.value) != 0 ||
        pa.gradientCount != pb.gradientCount || pa.dataSize != pb.dataSize ||
        !pa.gradientAt != !pb.gradientAt || !pa.dataAt != !pb.dataAt)
        return false;
    if (pa.gradientAt &&
        std::memcmp(At(a, pa.gradientAt), At(b, pb.gradientAt), (size_t)pa.gradientCount * 16) != 0)
        return false;
    return !pa.dataAt || std::memcmp(At(a, pa.dataAt), At(b, pb.dataAt), (size_t)pa.dataSize) == 0;
}

/* True when the element of identity id has other values in b than in a. */
bool ValuesDiffer(UndoState *a, UndoState *b, int32_t identity)
{
    int32_t ea = -1, eb = -1;
    for (int32_t i = 0; i < a->elementCount; i++)
        if (Elements(a)[i].identity == identity)
            ea = i;
    for (int32_t i = 0; i < b->elementCount; i++)
        if (Elements(b)[i].identity == identity)
            eb = i;
    if (ea < 0 || eb < 0 || Elements(a)[ea].parameterCount != Elements(b)[eb].parameterCount)
        return false;
    const UndoParameter *pa = Parameters(a) + FirstParameterOf(a, ea);
    const UndoParameter *pb = Parameters(b) + FirstParameterOf(b, eb);
    for (int32_t i = 0; i < Elements(a)[ea].parameterCount; i++)
        if (!SameParameter(a, pa[i], b, pb[i]))
            return true;
    return false;
}

/* ---- the steps ---------------------------------------------------------- */

void FreeStep(UndoStepRecord *step)
{
    if (step->state)
        std::free(step->state);
    step->state = nullptr;
    step->typingBox = nullptr;
}

void SetMenuItem(HMENU menu, UINT command, const char *verb, const char *name, const char *keys,
                 bool enabled)
{
    char text[128];
    if (enabled)
        wsprintfA(text, "%s %s\t%s", verb, name, keys);
    else
        wsprintfA(text, "%s\t%s", verb, keys);
    ModifyMenuA(menu, command, MF_BYCOMMAND | MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED),
                command, text);
}

void UpdateMenu()
{
    HMENU menu = GetSystemMenu(history.dialog, FALSE);
    if (!menu)
        return;
    bool canUndo = history.cursor > 0;
    bool canRedo = history.cursor + 1 < history.count;
    SetMenuItem(menu, IDM_SYSTEM_UNDO, "Undo",
                canUndo ? history.steps[history.cursor].name : "", "Ctrl+Z", canUndo);
    SetMenuItem(menu, IDM_SYSTEM_REDO, "Redo",
                canRedo ? history.steps[history.cursor + 1].name : "", "Ctrl+Y", canRedo);
}

int32_t IndexOfElement(const LensFlareModel *m, const FlareElement *element)
{
    int32_t i = 0;
    for (const FlareElement *e = m->firstElement; e; e = e->next, i++)
        if (e == element)
            return i;
    return -1;
}

const FlareElement *SelectedElement()
{
    PluginInstance *instance = currentInstance;
    if (instance->currentElement)
        return instance->currentElement;
    HWND list = GetDlgItem(history.dialog, IDC_ELEMENT_LIST);
    LRESULT line = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (line == LB_ERR)
        return nullptr;
    return reinterpret_cast<const FlareElement *>(SendMessageA(list, LB_GETITEMDATA, line, 0));
}

bool IsEditBox(HWND window)
{
    char cls[16] = "";
    return window && GetClassNameA(window, cls, sizeof cls) && lstrcmpiA(cls, "Edit") == 0;
}

/* The edit box with the focus inside the editor, or null. */
HWND FocusedEditBox()
{
    HWND focus = GetFocus();
    return IsEditBox(focus) && IsChild(history.dialog, focus) ? focus : nullptr;
}

void PushStep(UndoState *state, const char *name, int32_t subject, HWND typingBox)
{
    for (int32_t i = history.cursor + 1; i < history.count; i++)
        FreeStep(&history.steps[i]);
    history.count = history.cursor + 1;
    if (history.count == UNDO_MAX_STEPS + 1) {
        FreeStep(&history.steps[0]);
        std::memmove(&history.steps[0], &history.steps[1],
                     sizeof(UndoStepRecord) * UNDO_MAX_STEPS);
        history.count--;
    }
    UndoStepRecord &step = history.steps[history.count];
    step.state = state;
    step.subject = subject;
    step.typingBox = typingBox;
    lstrcpynA(step.name, name, sizeof step.name);
    history.cursor = history.count++;
    SweepIdentities();
}

/* ---- restoring ---------------------------------------------------------- */

struct LiveElement {
    const char *guid;       /* the host's text, valid while the element lives */
    int32_t identity;       /* wanted by the target state, or -1 */
};

/* The identity the target gives the element at index n of the flare, or
 * -1; the target mostly has it at n or next to it. */
int32_t TargetIdentityOf(UndoState *target, const FlareElement *e, int32_t n)
{
    const int32_t nearby[] = {n, n + 1, n - 1};
    for (int32_t t : nearby)
        if (t >= 0 && t < target->elementCount && IsIdentityOf(Elements(target)[t].identity, e))
            return Elements(target)[t].identity;
    for (int32_t t = 0; t < target->elementCount; t++)
        if (IsIdentityOf(Elements(target)[t].identity, e))
            return Elements(target)[t].identity;
    return -1;
}

/* Brings the host's flare to the target's elements, in its order, with
 * the editor's own structural commands; values follow separately. */
void RebuildHostElements(UndoState *target, int32_t *reinserted)
{
    PluginInstance *instance = currentInstance;
    LensFlareModel *m = instance->model;
    int32_t liveCount = 0;
    for (const FlareElement *e = m->firstElement; e; e = e->next)
        liveCount++;
    LiveElement *live =
        static_cast<LiveElement *>(std::calloc((size_t)(liveCount + 1), sizeof(LiveElement)));
    if (!live)
        return;
    int32_t n = 0;
    for (const FlareElement *e = m->firstElement; e; e = e->next, n++) {
        live[n].guid = e->guid;
        live[n].identity = TargetIdentityOf(target, e, n);
    }
    int32_t kept = 0;
    for (int32_t i = 0; i < n; i++) {
        if (live[i].identity < 0)
            DeleteFlareElement(instance->handleType, instance->handleName, live[i].guid);
        else
            live[kept++] = live[i];
    }
    /* The survivors into the target's order, one step up at a time. */
    int32_t placed = 0;
    for (int32_t t = 0; t < target->elementCount; t++) {
        int32_t identity = Elements(target)[t].identity;
        int32_t j = placed;
        while (j < kept && live[j].identity != identity)
            j++;
        if (j == kept)
            continue;
        for (; j > placed; j--) {
            MoveFlareElement(instance->handleType, instance->handleName, false, live[j].guid);
            LiveElement moved = live[j];
            live[j] = live[j - 1];
            live[j - 1] = moved;
        }
        placed++;
    }
    /* The missing ones are inserted where they belong, with new guids. */
    const char *previous = nullptr;
    int32_t next = 0;
    *reinserted = -1;
    for (int32_t t = 0; t < target->elementCount; t++) {
        int32_t identity = Elements(target)[t].identity;
        if (next < kept && live[next].identity == identity) {
            previous = live[next++].guid;
            continue;
        }
        const char *guid = nullptr;
        InsertFlareElement(instance->handleType, instance->handleName,
                           previous ? INSERT_AFTER : INSERT_AT_START,
                           history.identities[identity].typeName, previous, &guid);
        if (!guid)
            continue;
        ReplaceGuid(identity, guid);
        previous = guid;
        if (*reinserted < 0)
            *reinserted = identity;
    }
    std::free(live);
}

/* Element pointers do not survive this; the root does, since the global
 * sliders write into it. */
void RereadElements()
{
    PluginInstance *instance = currentInstance;
    LensFlareModel *m = instance->model;
    while (m->firstElement)
        RemoveElement(m, m->firstElement);
    ReadLensFlare(&instance->model, instance->handleType, instance->handleName);
}

void ReplaceBlock(void **block, int32_t *count, int32_t newCount, const void *source, size_t bytes)
{
    *count = newCount;
    if (*block)
        Ki_Free_Memory(*block);
    *block = nullptr;
    if (!source)
        return;
    *block = Ki_Alloc_Memory(0, 1, bytes);
    if (*block)
        std::memcpy(*block, source, bytes);
}

void RestoreParameter(UndoState *s, const UndoParameter &sp, ElementParameter *p)
{
    std::memcpy(p->Kv_Current_Value, sp.value, sizeof sp.value);
    size_t n = (size_t)sp.gradientCount;
    const unsigned char *stops = sp.gradientAt ? At(s, sp.gradientAt) : nullptr;
    bool sameGradient = p->gradientCount == sp.gradientCount &&
                        HasGradient(p) == (stops != nullptr) &&
                        (!stops || (std::memcmp(p->gradientColors, stops, n * 12) == 0 &&
                                    std::memcmp(p->gradientOffsets, stops + n * 12, n * 4) == 0));
    if (!sameGradient) {
        int32_t ignored = 0;
        ReplaceBlock(reinterpret_cast<void **>(&p->gradientColors), &p->gradientCount,
                     sp.gradientCount, stops, n * 12);
        ReplaceBlock(reinterpret_cast<void **>(&p->gradientOffsets), &ignored, 0,
                     stops ? stops + n * 12 : nullptr, n * 4);
    }
    bool sameData = p->arbitraryDataSize == sp.dataSize && HasData(p) == (sp.dataAt != 0) &&
                    (!sp.dataAt ||
                     std::memcmp(p->arbitraryData, At(s, sp.dataAt), (size_t)sp.dataSize) == 0);
    if (!sameData)
        ReplaceBlock(reinterpret_cast<void **>(&p->arbitraryData), &p->arbitraryDataSize,
                     sp.dataSize, sp.dataAt ? At(s, sp.dataAt) : nullptr, (size_t)sp.dataSize);
}

void RestoreValues(UndoState *s)
{
    LensFlareModel *m = currentInstance->model;
    int32_t numElements = m->numElements;
    FlareElement *first = m->firstElement;
    std::memcpy(m, &s->globals, sizeof *m);
    m->numElements = numElements;
    m->firstElement = first;
    const UndoElement *se = Elements(s);
    const UndoParameter *sp = Parameters(s);
    int32_t index = 0;
    for (FlareElement *e = m->firstElement; e && index < s->elementCount; e = e->next, index++) {
        if (!IsIdentityOf(se[index].identity, e))
            ReplaceGuid(se[index].identity, e->guid);
        e->enabled = se[index].enabled;
        int32_t i = 0;
        for (ElementParameter *p = e->firstParameter; p && i < se[index].parameterCount;
             p = p->next, i++)
            RestoreParameter(s, sp[i], p);
        sp += se[index].parameterCount;
    }
}

bool SameElements(UndoState *s)
{
    int32_t index = 0;
    for (const FlareElement *e = currentInstance->model->firstElement; e; e = e->next, index++)
        if (index >= s->elementCount || !IsIdentityOf(Elements(s)[index].identity, e))
            return false;
    return index == s->elementCount;
}

bool ShownInFadingSection(const LensFlareModel &a, const LensFlareModel &b)
{
    return !SameFadingSwitches(a, b) ||
           std::memcmp(&a.refDistance, &b.refDistance, sizeof a.refDistance) != 0 ||
           std::memcmp(&a.occlusionRadius, &b.occlusionRadius, sizeof a.occlusionRadius) != 0;
}

bool ShownInGlobalSection(LensFlareModel a, LensFlareModel b)
{
    /* Everything but the fading items, the faster updates switch (a
     * button of its own) and the element list. */
    CopyFadingSwitches(a, &b);
    b.refDistance = a.refDistance;
    b.occlusionRadius = a.occlusionRadius;
    b.fastDrag = a.fastDrag;
    b.numElements = a.numElements;
    b.firstElement = a.firstElement;
    return std::memcmp(&a, &b, sizeof a) != 0;
}

/* The section where the difference between two states shows. */
int16_t SectionOfChange(UndoState *from, UndoState *to, int32_t chosen)
{
    if (chosen >= 0 && ValuesDiffer(from, to, chosen))
        return SECTION_ELEMENT;
    if (ShownInFadingSection(from->globals, to->globals))
        return SECTION_GLOBAL_FADING;
    if (ShownInGlobalSection(from->globals, to->globals))
        return SECTION_GLOBAL;
    return currentSection;
}

FlareElement *ElementOfIdentity(int32_t identity, int16_t *line)
{
    int16_t i = 0;
    for (FlareElement *e = currentInstance->model->firstElement; e; e = e->next, i++) {
        if (IsIdentityOf(identity, e)) {
            *line = i;
            return e;
        }
    }
    return nullptr;
}

bool InState(UndoState *s, int32_t identity)
{
    for (int32_t i = 0; i < s->elementCount; i++)
        if (Elements(s)[i].identity == identity)
            return true;
    return false;
}

/* The list, the selection, the section with its panel, the global
 * controls and the sliders, all from the restored model.  With the same
 * elements the list's lines still hold them and stay as they are. */
void ShowRestoredFlare(UndoState *from, UndoState *to, int32_t chosen, bool structural)
{
    PluginInstance *instance = currentInstance;
    HWND dialog = history.dialog;
    int16_t section = SectionOfChange(from, to, chosen);
    if (structural)
        RefreshElementList(dialog);
    else
        instance->currentElement = const_cast<FlareElement *>(SelectedElement());
    int16_t line = 0;
    if (FlareElement *e = ElementOfIdentity(chosen, &line)) {
        instance->currentElement = e;
        SendDlgItemMessageA(dialog, IDC_ELEMENT_LIST, LB_SETCURSEL, line, 0);
    }
    if (section != currentSection)
        SendMessageA(dialog, WM_TABSTRIP_CLICKED, (WPARAM)section, 0);
    else if (instance->currentElement && currentSection == SECTION_ELEMENT)
        BuildParameterPanel(instance, dialog, instance->currentElement);
    ShowElementEnabledSwitch(dialog);
    RefreshGlobalControls(dialog);
}

void RestoreState(int32_t index, int32_t subject)
{
    PluginInstance *instance = currentInstance;
    UndoState *from = history.steps[history.cursor].state;
    UndoState *to = history.steps[index].state;
    int32_t previous = -1;
    if (const FlareElement *e = SelectedElement()) {
        int32_t at = IndexOfElement(instance->model, e);
        if (at >= 0 && at < from->elementCount)
            previous = Elements(from)[at].identity;
    }
    int16_t wasBusy = dialogBusy;
    dialogBusy = 1;
    history.restoring = 1;
    if (instance->currentElement && currentSection == SECTION_ELEMENT)
        DestroyParameterPanel(instance, instance->currentElement);
    instance->currentElement = nullptr;
    bool structural = !SameElements(to);
    int32_t reinserted = -1;
    if (structural) {
        RebuildHostElements(to, &reinserted);
        RereadElements();
    }
    RestoreValues(to);
    bool write = structural || instance->realtimeUpdates != 0;
    if (write)
        WriteLensFlare(&instance->model, instance->handleType, instance->handleName);
    else if (from->globals.fastDrag != to->globals.fastDrag)
        /* The switch reaches the host at once when clicked, so also when undone. */
        SendFastDragSwitch(instance->handleType, instance->handleName, to->globals.fastDrag);
    int32_t chosen = reinserted;
    if (chosen < 0 && InState(to, subject))
        chosen = subject;
    if (chosen < 0 && InState(to, previous))
        chosen = previous;
    /* Typing and gradient edits after this start afresh, on the panel of
     * the restored model. */
    history.cursor = index;
    history.steps[index].typingBox = nullptr;
    history.editedGradientCount = 0;
    ShowRestoredFlare(from, to, chosen, structural);
    history.restoring = 0;
    dialogBusy = wasBusy;
    UpdateMenu();
    if (write)
        RefreshPreview(-1, -1);
}

bool CanChangeNow()
{
    return history.dialog && !history.restoring && !dialogBusy && !renderBusy && !GetCapture() &&
           currentInstance && currentInstance->model;
}

/* ---- keys ------------------------------------------------------------- */

/* Typing goes on while the focus stays in its box; once it moves to
 * another window, the typed value is a step like any other.  No focus at
 * all means another program is active: coming back gives the focus to the
 * box again, so the typing goes on. */
void EndTypingWhenFocusLeft()
{
    UndoStepRecord &step = history.steps[history.cursor];
    HWND focus = GetFocus();
    if (step.typingBox && focus && focus != step.typingBox)
        step.typingBox = nullptr;
}

bool TypingUnderWay(HWND window)
{
    return window && history.steps[history.cursor].typingBox == window;
}

bool HandleUndoKey(const MSG *msg)
{
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0)
        return false;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    if (msg->wParam == (WPARAM)kUndoKey && !shift) {
        if (TypingUnderWay(msg->hwnd))
            return false;
        UndoLastStep(history.dialog);
        return true;
    }
    if (msg->wParam == (WPARAM)kRedoKey || (msg->wParam == (WPARAM)kUndoKey && shift)) {
        RedoNextStep(history.dialog);
        return true;
    }
    return false;
}

/* Sees every message of the editor's modal loop (and of the dialogs it
 * opens, whose keys are left alone) before the dialog manager does. */
LRESULT CALLBACK UndoKeyFilter(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == MSGF_DIALOGBOX && history.dialog) {
        const MSG *msg = reinterpret_cast<const MSG *>(lParam);
        EndTypingWhenFocusLeft();
        if (msg->message == WM_KEYDOWN &&
            (msg->hwnd == history.dialog || IsChild(history.dialog, msg->hwnd)) &&
            HandleUndoKey(msg))
            return 1;
    }
    return CallNextHookEx(history.keyHook, code, wParam, lParam);
}

/* ---- step names -------------------------------------------------------- */

struct ControlName {
    int16_t id;
    const char *name;
};

/* Controls whose window text is not the name of what they change. */
const ControlName kControlNames[] = {
    {IDC_RANDOM_SEED, "Random Seed"},
    {IDC_REF_DISTANCE, "Reference Distance"},
    {IDC_BASE_COLOR, "Base Color"},
    {IDC_USE_LIGHT_PARAMS, "Multiply by Light Color"},
};

const char *ParameterName(int16_t controlId)
{
    const FlareElement *e = currentInstance->currentElement;
    if (!e || currentSection != SECTION_ELEMENT)
        return nullptr;
    /* A parameter without controls carries the next one's id. */
    const KaToken point = Token("point"), data = Token("arbitrarydata");
    for (const ElementParameter *p = e->firstParameter; p; p = p->next) {
        if (p->controlId != controlId || p->type == point || p->type == data)
            continue;
        if (p->description && p->description[0])
            return p->description;
        return p->name;
    }
    return nullptr;
}

void NameOfControl(int16_t controlId, char *name, int size)
{
    name[0] = 0;
    const char *known = ParameterName(controlId);
    for (const ControlName &c : kControlNames)
        if (!known && c.id == controlId)
            known = c.name;
    TinySlider *sliders[] = {intensitySlider, scaleSlider, angleSlider, stretchSlider,
                             occlusionSlider};
    for (TinySlider *s : sliders)
        if (!known && s && (int16_t)s->id == controlId)
            known = s->label;
    if (known) {
        lstrcpynA(name, known, size);
        return;
    }
    char text[64] = "";
    GetDlgItemTextA(history.dialog, controlId, text, sizeof text);
    int n = 0;
    for (const char *c = text; *c && n < size - 1; c++)
        if (*c != '&')
            name[n++] = *c;
    name[n] = 0;
    if (!n)
        lstrcpynA(name, "Change", size);
}

/* Remembers the gradient control of that id as changed; controls of
 * panels gone since are forgotten first. */
void MarkEditedGradient(int16_t controlId)
{
    const FlareElement *e = currentInstance->currentElement;
    if (!e)
        return;
    const CColourSlider *edited = nullptr;
    int32_t kept = 0;
    for (int32_t i = 0; i < history.editedGradientCount; i++) {
        for (const ElementParameter *p = e->firstParameter; p; p = p->next) {
            if (p->gradientControl && p->gradientControl == history.editedGradients[i]) {
                history.editedGradients[kept++] = p->gradientControl;
                break;
            }
        }
    }
    history.editedGradientCount = kept;
    for (const ElementParameter *p = e->firstParameter; p; p = p->next)
        if (p->gradientControl && p->controlId == controlId)
            edited = p->gradientControl;
    if (edited && !WasEdited(edited) && kept < kEditedGradients)
        history.editedGradients[history.editedGradientCount++] = edited;
}

} // namespace

void OpenUndoHistory(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    CloseUndoHistory();
    history.dialog = dialog;
    UndoState *first = CaptureState(instance->model, nullptr);
    if (!first) {
        history.dialog = nullptr;
        return;
    }
    history.steps[0].state = first;
    history.steps[0].subject = -1;
    history.count = 1;
    history.cursor = 0;
    history.keyHook = SetWindowsHookExA(WH_MSGFILTER, UndoKeyFilter, nullptr, GetCurrentThreadId());
    UpdateMenu();
}

void CloseUndoHistory()
{
    if (history.keyHook)
        UnhookWindowsHookEx(history.keyHook);
    for (int32_t i = 0; i < history.count; i++)
        FreeStep(&history.steps[i]);
    for (int32_t i = 0; i < history.identityCount; i++)
        FreeIdentity(&history.identities[i]);
    if (history.identities)
        std::free(history.identities);
    history = History();
}

void RecordUndoStep(const char *name)
{
    if (!history.dialog || history.restoring || !currentInstance || !currentInstance->model)
        return;
    PluginInstance *instance = currentInstance;
    UndoStepRecord &last = history.steps[history.cursor];
    UndoState *state = CaptureState(instance->model, last.state);
    if (!state)
        return;
    if (SameState(state, last.state)) {
        std::free(state);
        return;
    }
    int32_t subject = -1;
    int32_t at = IndexOfElement(instance->model, SelectedElement());
    if (at >= 0)
        subject = Elements(state)[at].identity;
    HWND box = FocusedEditBox();
    if (box && box == last.typingBox && history.cursor > 0) {
        std::free(last.state);
        last.state = state;
        SweepIdentities();
        return;
    }
    PushStep(state, name, subject, box);
    UpdateMenu();
}

void RecordParameterStep(int16_t controlId)
{
    if (!history.dialog)
        return;
    MarkEditedGradient(controlId);
    char name[64];
    NameOfControl(controlId, name, sizeof name);
    RecordUndoStep(name);
}

void UndoLastStep(HWND)
{
    if (!CanChangeNow() || history.cursor == 0)
        return;
    RestoreState(history.cursor - 1, history.steps[history.cursor].subject);
}

void RedoNextStep(HWND)
{
    if (!CanChangeNow() || history.cursor + 1 >= history.count)
        return;
    RestoreState(history.cursor + 1, history.steps[history.cursor + 1].subject);
}

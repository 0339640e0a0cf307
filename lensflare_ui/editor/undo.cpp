/*
 * undo.cpp - the editor's undo history: its steps with their names, the
 * system menu items and keys, and how the host and the dialog follow a
 * restore.  The states themselves (capture, compare, restore over the
 * model) are undo_state.cpp's.
 *
 * Restoring a state with the same elements in the same order only sets
 * values; otherwise the host's flare is brought to the state's elements
 * with the editor's own commands (delete, move, insert) and read again.
 * Typing in a number box changes the flare on every key; while the focus
 * stays in that box those changes are one step, and Ctrl+Z belongs to the
 * box itself, as in any edit control.
 */
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "editor/editor.h"
#include "editor/undo.h"
#include "editor/undo_state.h"
#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

namespace {

struct UndoStepRecord {
    FlareState *state;      /* the flare after the step */
    int32_t subject;        /* identity selected after the step, or -1 */
    HWND typingBox;         /* edit box whose typing this step still takes in, or null */
    char name[UNDO_NAME_SIZE];
};

const char kUndoKey = 'Z';
const char kRedoKey = 'Y';

/* The history of the one editor; open while history.dialog is set. */
struct History {
    HWND dialog;
    UndoStepRecord steps[UNDO_MAX_STEPS + 1];   /* steps[0] holds the opening state */
    int32_t count;                              /* states held */
    int32_t cursor;                             /* index of the state the flare is in */
    EditedGradients editedGradients;
    int16_t restoring;
    const FlareState *held;    /* kept outside the steps (the snapshot); its elements stay known */
} history;

/* ---- the steps ---------------------------------------------------------- */

void FreeStep(UndoStepRecord *step)
{
    FreeFlareState(step->state);
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
    return CurrentOrSelectedElement(history.dialog);
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

/* Identities that no step's state names any more are released. */
void SweepIdentities()
{
    const FlareState *states[UNDO_MAX_STEPS + 2];
    for (int32_t s = 0; s < history.count; s++)
        states[s] = history.steps[s].state;
    int32_t count = history.count;
    if (history.held)
        states[count++] = history.held;
    KeepIdentitiesOf(states, count);
}

void PushStep(FlareState *state, const char *name, int32_t subject, HWND typingBox)
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

/* The target's elements that the host lacks are inserted where they
 * belong, with new guids; live holds the others, in the target's order.
 * reinserted: the first identity inserted, or -1. */
void InsertMissingElements(const FlareState *target, const LiveElement *live, int32_t kept,
                           int32_t *reinserted)
{
    PluginInstance *instance = currentInstance;
    const char *previous = nullptr;
    int32_t next = 0;
    *reinserted = -1;
    for (int32_t t = 0; t < target->elementCount; t++) {
        int32_t identity = StateIdentityAt(target, t);
        if (next < kept && live[next].identity == identity) {
            previous = live[next++].guid;
            continue;
        }
        const char *guid = nullptr;
        InsertFlareElement(instance->handleType, instance->handleName,
                           previous ? INSERT_AFTER : INSERT_AT_START,
                           IdentityTypeName(identity), previous, &guid);
        if (!guid)
            continue;
        RenameIdentity(identity, guid);
        previous = guid;
        if (*reinserted < 0)
            *reinserted = identity;
    }
}

/* Brings the host's flare to the target's elements, in its order, with
 * the editor's own structural commands; values follow separately. */
void RebuildHostElements(FlareState *target, int32_t *reinserted)
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
        live[n].identity = NearbyIdentity(target, e, n);
        for (int32_t t = 0; live[n].identity < 0 && t < target->elementCount; t++)
            if (IsIdentityOf(StateIdentityAt(target, t), e))
                live[n].identity = StateIdentityAt(target, t);
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
        int32_t identity = StateIdentityAt(target, t);
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
    InsertMissingElements(target, live, kept, reinserted);
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
int16_t SectionOfChange(FlareState *from, FlareState *to, int32_t chosen)
{
    if (chosen >= 0 && ElementValuesDiffer(from, to, chosen))
        return SECTION_ELEMENT;
    if (ShownInFadingSection(from->globals, to->globals))
        return SECTION_GLOBAL_FADING;
    if (ShownInGlobalSection(from->globals, to->globals))
        return SECTION_GLOBAL;
    return currentSection;
}

/* The element of that identity, if any, current and selected in the list. */
void SelectElementOfIdentity(HWND dialog, int32_t identity)
{
    int16_t line = 0;
    for (FlareElement *e = currentInstance->model->firstElement; e; e = e->next, line++) {
        if (IsIdentityOf(identity, e)) {
            currentInstance->currentElement = e;
            SendDlgItemMessageA(dialog, IDC_ELEMENT_LIST, LB_SETCURSEL, line, 0);
            return;
        }
    }
}

/* The list, the selection, the section with its panel, the global
 * controls and the sliders, all from the restored model.  With the same
 * elements the list's lines still hold them and stay as they are. */
void ShowRestoredFlare(FlareState *from, FlareState *to, int32_t chosen, bool structural)
{
    PluginInstance *instance = currentInstance;
    HWND dialog = history.dialog;
    int16_t section = SectionOfChange(from, to, chosen);
    if (structural) {
        ElementListDrawnOnce drawn(dialog);
        RefreshElementList(dialog);
        SelectElementOfIdentity(dialog, chosen);
    } else {
        /* Drawn at once: a selection alone draws only the lines it changes. */
        instance->currentElement = const_cast<FlareElement *>(SelectedElement());
        SelectElementOfIdentity(dialog, chosen);
    }
    if (section != currentSection)
        SendMessageA(dialog, WM_TABSTRIP_CLICKED, (WPARAM)section, 0);
    else if (instance->currentElement && currentSection == SECTION_ELEMENT)
        BuildParameterPanel(instance, dialog, instance->currentElement);
    ShowElementEnabledSwitch(dialog);
    RefreshGlobalControls(dialog);
}

/* The flare, the host and the dialog brought to the state at index; true
 * when the flare was written and wants a new preview. */
bool BringFlareTo(int32_t index, int32_t subject)
{
    PluginInstance *instance = currentInstance;
    FlareState *from = history.steps[history.cursor].state;
    FlareState *to = history.steps[index].state;
    int32_t previous = -1;
    if (const FlareElement *e = SelectedElement())
        previous = StateIdentityAt(from, IndexOfElement(instance->model, e));
    /* The restored element most often has the same rows: its panel takes
     * these windows back instead of making new ones. */
    if (instance->currentElement && currentSection == SECTION_ELEMENT)
        KeepParameterPanel(instance, instance->currentElement);
    instance->currentElement = nullptr;
    bool structural = !SameElements(to, *instance->model);
    int32_t reinserted = -1;
    if (structural) {
        RebuildHostElements(to, &reinserted);
        RereadElements();
    }
    RestoreFlareValues(to, instance->model);
    bool write = structural || instance->realtimeUpdates != 0;
    if (write)
        WriteLensFlare(&instance->model, instance->handleType, instance->handleName);
    else if (from->globals.fastDrag != to->globals.fastDrag)
        /* The switch reaches the host at once when clicked, so also when undone. */
        SendFastDragSwitch(instance->handleType, instance->handleName, to->globals.fastDrag);
    int32_t chosen = reinserted;
    if (chosen < 0 && StateHasIdentity(to, subject))
        chosen = subject;
    if (chosen < 0 && StateHasIdentity(to, previous))
        chosen = previous;
    /* Typing and gradient edits after this start afresh, on the panel of
     * the restored model. */
    history.cursor = index;
    history.steps[index].typingBox = nullptr;
    history.editedGradients.clear();
    ShowRestoredFlare(from, to, chosen, structural);
    ReleaseKeptPanel(instance);
    return write;
}

void RestoreState(int32_t index, int32_t subject)
{
    bool write;
    {
        BusyScope busy(dialogBusy);
        BusyScope restoring(history.restoring);
        write = BringFlareTo(index, subject);
    }
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
    if (!known)
        known = GlobalSliderLabel(controlId);
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

bool ShownFor(const FlareElement *e, const CColourSlider *control)
{
    for (const ElementParameter *p = e->firstParameter; p; p = p->next)
        if (p->gradientControl == control)
            return true;
    return false;
}

/* Remembers the gradient control of that id as changed; controls of
 * panels gone since are forgotten first. */
void MarkEditedGradient(int16_t controlId)
{
    const FlareElement *e = currentInstance->currentElement;
    if (!e)
        return;
    EditedGradients &marked = history.editedGradients;
    marked.erase(std::remove_if(marked.begin(), marked.end(),
                                [e](const CColourSlider *c) { return !ShownFor(e, c); }),
                 marked.end());
    const CColourSlider *edited = nullptr;
    for (const ElementParameter *p = e->firstParameter; p; p = p->next)
        if (p->gradientControl && p->controlId == controlId)
            edited = p->gradientControl;
    if (!edited || std::find(marked.begin(), marked.end(), edited) != marked.end())
        return;
    try {
        marked.push_back(edited);
    } catch (const std::bad_alloc &) {
        /* Unmarked, the step takes the model's stops: the edit shows in
         * the next step after the panel hands them over. */
    }
}

void RecordUndoStep(const char *name)
{
    if (!history.dialog || history.restoring || !currentInstance || !currentInstance->model)
        return;
    PluginInstance *instance = currentInstance;
    UndoStepRecord &last = history.steps[history.cursor];
    FlareState *state = CaptureFlareState(*instance->model, last.state, history.editedGradients);
    if (!state)
        return;
    if (SameFlareState(state, last.state)) {
        FreeFlareState(state);
        return;
    }
    int32_t subject = -1;
    int32_t at = IndexOfElement(instance->model, SelectedElement());
    if (at >= 0)
        subject = StateIdentityAt(state, at);
    HWND box = FocusedEditBox();
    if (box && box == last.typingBox && history.cursor > 0) {
        FreeFlareState(last.state);
        last.state = state;
        SweepIdentities();
        return;
    }
    PushStep(state, name, subject, box);
    UpdateMenu();
}

/* Said before the restore, so that its render shows the notice with the
 * flare it is about. */
void TellStepTaken(const char *verb, const char *name)
{
    char text[UNDO_NAME_SIZE + 16];
    wsprintfA(text, "%s: %s", verb, name);
    ShowPreviewNotice(history.dialog, text);
}

} // namespace

void OpenUndoHistory(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    CloseUndoHistory();
    history.dialog = dialog;
    FlareState *first = CaptureFlareState(*instance->model, nullptr, history.editedGradients);
    if (!first) {
        history.dialog = nullptr;
        return;
    }
    history.steps[0].state = first;
    history.steps[0].subject = -1;
    history.count = 1;
    history.cursor = 0;
    parameterChangeListener = RecordParameterStep;
    UpdateMenu();
}

void CloseUndoHistory()
{
    parameterChangeListener = nullptr;
    for (int32_t i = 0; i < history.count; i++)
        FreeStep(&history.steps[i]);
    ForgetIdentities();
    history = History();
}


UndoStep::UndoStep(const char *name)
{
    lstrcpynA(name_, name ? name : "", sizeof name_);
}

UndoStep::~UndoStep()
{
    RecordUndoStep(name_);
}

FlareState *CaptureCurrentFlare()
{
    if (!history.dialog || !currentInstance || !currentInstance->model)
        return nullptr;
    return CaptureFlareState(*currentInstance->model, history.steps[history.cursor].state,
                             history.editedGradients);
}

void HoldOutsideState(const FlareState *state)
{
    history.held = state;
    if (history.dialog)
        SweepIdentities();
}

/* The held state becomes the step after the one the flare is in, and the
 * flare is brought there like a redo. */
void RestoreHeldState(const FlareState *state, const char *name)
{
    if (!CanChangeNow() || !state)
        return;
    if (SameFlareState(state, history.steps[history.cursor].state))
        return;
    FlareState *copy = static_cast<FlareState *>(std::malloc(state->bytes));
    if (!copy)
        return;
    std::memcpy(copy, state, state->bytes);
    PushStep(copy, name, -1, nullptr);
    int32_t target = history.cursor;
    history.cursor = target - 1;
    RestoreState(target, -1);
}

void RecordParameterStep(int16_t controlId)
{
    if (!history.dialog)
        return;
    MarkEditedGradient(controlId);
    char name[UNDO_NAME_SIZE];
    NameOfControl(controlId, name, sizeof name);
    RecordUndoStep(name);
}

void UndoLastStep(HWND)
{
    if (!CanChangeNow() || history.cursor == 0)
        return;
    const UndoStepRecord &undone = history.steps[history.cursor];
    TellStepTaken("Undone", undone.name);
    RestoreState(history.cursor - 1, undone.subject);
}

void RedoNextStep(HWND)
{
    if (!CanChangeNow() || history.cursor + 1 >= history.count)
        return;
    const UndoStepRecord &redone = history.steps[history.cursor + 1];
    TellStepTaken("Redone", redone.name);
    RestoreState(history.cursor + 1, redone.subject);
}

/* Sees the messages of the editor's modal loop and of the dialogs it
 * opens, whose keys are left alone. */
bool HandleUndoKeyMessage(const MSG *msg)
{
    if (!history.dialog || !msg)
        return false;
    EndTypingWhenFocusLeft();
    return msg->message == WM_KEYDOWN &&
           (msg->hwnd == history.dialog || IsChild(history.dialog, msg->hwnd)) &&
           HandleUndoKey(msg);
}

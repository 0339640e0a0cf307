/*
 * undo_state.cpp - capturing, comparing and restoring the states of the
 * undo history.
 *
 * A state is the flare as the editor holds it after an action: the model,
 * which is the host's flare read through the lens-flare protocol plus the
 * edits sent back (or, with realtime updates off, still to be sent).  It
 * is packed into one block: the globals, one record per element (its
 * identity and switch) and per parameter (value, gradient stops, data), so
 * two states are equal exactly when their blocks are.  The blocks live in
 * the process's own memory, apart from the host's, so that what the editor
 * borrows from the host still comes back after every action.  Definitions
 * and texts are not kept: they are the host's and come back with a re-read.
 */
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>

#include "editor/undo_state.h"
#include "gradient/colour_slider.h"
#include "host/kalvos_core.h"

namespace {

/* A gradient stop as a state packs it: the colours of all stops, then
 * their offsets. */
const size_t kStopColorBytes = 3 * sizeof(float);
const size_t kStopOffsetBytes = sizeof(float);
const size_t kStopBytes = kStopColorBytes + kStopOffsetBytes;

struct StateParameter {
    float value[4];
    int32_t gradientCount;
    int32_t dataSize;
    uint32_t gradientAt;   /* byte offset of colours then offsets in the state, 0 for none */
    uint32_t dataAt;       /* byte offset of the data, 0 for none */
};

struct StateElement {
    KaToken enabled;
    int32_t identity;
    int32_t parameterCount;
};

struct Identity {
    std::string guid;       /* the guid the element has now or had last */
    std::string typeName;
    bool used;              /* false: a free slot */
    bool marked;            /* still named by a state */
};

/* Every identity a state of the history names; slots of released ones are
 * used again.  Emptied when the history closes. */
std::vector<Identity> identities;
/* The released slots of identities, so that a new one takes a slot
 * without a scan: a first capture makes one for every element. */
std::vector<int32_t> freeIdentities;
/* The identity that has each guid, so that an element the previous state
 * does not hold where it is (every element of a first capture) is found
 * without a scan of every identity. */
std::unordered_map<std::string, int32_t> identityOfGuid;

size_t Align(size_t bytes)
{
    return (bytes + 7) & ~(size_t)7;
}

const StateElement *Elements(const FlareState *s)
{
    return reinterpret_cast<const StateElement *>(s + 1);
}

StateElement *Elements(FlareState *s)
{
    return reinterpret_cast<StateElement *>(s + 1);
}

const StateParameter *Parameters(const FlareState *s)
{
    return reinterpret_cast<const StateParameter *>(Elements(s) + s->elementCount);
}

StateParameter *Parameters(FlareState *s)
{
    return reinterpret_cast<StateParameter *>(Elements(s) + s->elementCount);
}

const unsigned char *At(const FlareState *s, uint32_t offset)
{
    return reinterpret_cast<const unsigned char *>(s) + offset;
}

unsigned char *At(FlareState *s, size_t offset)
{
    return reinterpret_cast<unsigned char *>(s) + offset;
}

/* ---- identities ----------------------------------------------------- */

bool SameText(const std::string &kept, const char *text)
{
    return kept == (text ? text : "");
}

int32_t NewIdentity(const FlareElement *e)
{
    size_t slot = identities.size();
    if (!freeIdentities.empty()) {
        slot = (size_t)freeIdentities.back();
        freeIdentities.pop_back();
    } else {
        identities.emplace_back();
    }
    identities[slot] = {e->guid ? e->guid : "", e->name ? e->name : "", true, false};
    identityOfGuid[identities[slot].guid] = (int32_t)slot;
    return (int32_t)slot;
}

void ForgetGuidOf(int32_t identity)
{
    auto found = identityOfGuid.find(identities[identity].guid);
    if (found != identityOfGuid.end() && found->second == identity)
        identityOfGuid.erase(found);
}

/* The element at index i of the flare most often is the one the previous
 * state has there, or next to it after one element was added or removed,
 * so those are tried first: a scan for every element grew with the square
 * of the flare's size. */
int32_t IdentityOf(const FlareElement *e, int32_t index, const FlareState *hint)
{
    int32_t nearby = NearbyIdentity(hint, e, index);
    if (nearby >= 0)
        return nearby;
    auto known = identityOfGuid.find(e->guid ? e->guid : "");
    if (known != identityOfGuid.end() && IsIdentityOf(known->second, e))
        return known->second;
    return NewIdentity(e);
}

/* ---- capture ------------------------------------------------------------ */

bool HasGradient(const ElementParameter *p)
{
    return p->gradientCount > 0 && p->gradientColors && p->gradientOffsets;
}

bool HasData(const ElementParameter *p)
{
    return p->arbitraryDataSize > 0 && p->arbitraryData;
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

bool WasEdited(const CColourSlider *control, const EditedGradients &edited)
{
    for (const CColourSlider *e : edited)
        if (e == control)
            return true;
    return false;
}

GradientView ViewGradient(const ElementParameter *p, const EditedGradients &edited)
{
    GradientView v = {p->gradientCount, p->gradientColors, p->gradientOffsets, false};
    if (p->gradientControl && WasEdited(p->gradientControl, edited)) {
        v = {0, nullptr, nullptr, true};
        StoreGradient(p->gradientControl, &v.count, &v.colors, &v.offsets);
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

/* Bytes of the gradients and data that follow the records. */
size_t ExtraBytes(const LensFlareModel &m, const EditedGradients &edited, size_t *elements,
                  size_t *parameters)
{
    size_t extra = 0;
    *elements = *parameters = 0;
    for (const FlareElement *e = m.firstElement; e; e = e->next) {
        ++*elements;
        for (const ElementParameter *p = e->firstParameter; p; p = p->next) {
            ++*parameters;
            GradientView gradient = ViewGradient(p, edited);
            if (gradient.count > 0)
                extra += Align((size_t)gradient.count * kStopBytes);
            ReleaseView(&gradient);
            if (HasData(p))
                extra += Align((size_t)p->arbitraryDataSize);
        }
    }
    return extra;
}

/* One parameter's record, its stops and data at *at, which moves on. */
void PackParameter(FlareState *s, const ElementParameter *p, const EditedGradients &edited,
                   StateParameter *sp, size_t *at)
{
    std::memcpy(sp->value, p->Kv_Current_Value, sizeof sp->value);
    GradientView gradient = ViewGradient(p, edited);
    sp->gradientCount = gradient.owned ? gradient.count : p->gradientCount;
    sp->dataSize = p->arbitraryDataSize;
    if (gradient.count > 0) {
        size_t n = (size_t)gradient.count;
        sp->gradientAt = (uint32_t)*at;
        std::memcpy(At(s, *at), gradient.colors, n * kStopColorBytes);
        std::memcpy(At(s, *at + n * kStopColorBytes), gradient.offsets, n * kStopOffsetBytes);
        *at += Align(n * kStopBytes);
    }
    ReleaseView(&gradient);
    if (HasData(p)) {
        sp->dataAt = (uint32_t)*at;
        std::memcpy(At(s, *at), p->arbitraryData, (size_t)p->arbitraryDataSize);
        *at += Align((size_t)p->arbitraryDataSize);
    }
}

/* ---- compare and restore ------------------------------------------------ */

/* Index of the first parameter of element index e. */
int32_t FirstParameterOf(const FlareState *s, int32_t e)
{
    int32_t first = 0;
    for (int32_t i = 0; i < e; i++)
        first += Elements(s)[i].parameterCount;
    return first;
}

int32_t IndexOfIdentity(const FlareState *s, int32_t identity)
{
    int32_t at = -1;
    for (int32_t i = 0; i < s->elementCount; i++)
        if (Elements(s)[i].identity == identity)
            at = i;
    return at;
}

bool SameParameter(const FlareState *a, const StateParameter &pa, const FlareState *b,
                   const StateParameter &pb)
{
    if (std::memcmp(pa.value, pb.value, sizeof pa.value) != 0 ||
        pa.gradientCount != pb.gradientCount || pa.dataSize != pb.dataSize ||
        !pa.gradientAt != !pb.gradientAt || !pa.dataAt != !pb.dataAt)
        return false;
    if (pa.gradientAt && std::memcmp(At(a, pa.gradientAt), At(b, pb.gradientAt),
                                     (size_t)pa.gradientCount * kStopBytes) != 0)
        return false;
    return !pa.dataAt || std::memcmp(At(a, pa.dataAt), At(b, pb.dataAt), (size_t)pa.dataSize) == 0;
}

/* A block of the host's memory with a copy of source, or none. */
void ReplaceBlock(void **block, const void *source, size_t bytes)
{
    if (*block)
        Ki_Free_Memory(*block);
    *block = source ? Ki_Alloc_Memory(0, 1, bytes) : nullptr;
    if (*block)
        std::memcpy(*block, source, bytes);
}

void RestoreParameter(const FlareState *s, const StateParameter &sp, ElementParameter *p)
{
    std::memcpy(p->Kv_Current_Value, sp.value, sizeof sp.value);
    size_t n = (size_t)sp.gradientCount;
    const unsigned char *stops = sp.gradientAt ? At(s, sp.gradientAt) : nullptr;
    bool sameGradient =
        p->gradientCount == sp.gradientCount && HasGradient(p) == (stops != nullptr) &&
        (!stops || (std::memcmp(p->gradientColors, stops, n * kStopColorBytes) == 0 &&
                    std::memcmp(p->gradientOffsets, stops + n * kStopColorBytes,
                                n * kStopOffsetBytes) == 0));
    if (!sameGradient) {
        p->gradientCount = sp.gradientCount;
        ReplaceBlock(reinterpret_cast<void **>(&p->gradientColors), stops, n * kStopColorBytes);
        ReplaceBlock(reinterpret_cast<void **>(&p->gradientOffsets),
                     stops ? stops + n * kStopColorBytes : nullptr, n * kStopOffsetBytes);
    }
    const unsigned char *data = sp.dataAt ? At(s, sp.dataAt) : nullptr;
    bool sameData = p->arbitraryDataSize == sp.dataSize && HasData(p) == (data != nullptr) &&
                    (!data || std::memcmp(p->arbitraryData, data, (size_t)sp.dataSize) == 0);
    if (!sameData) {
        p->arbitraryDataSize = sp.dataSize;
        ReplaceBlock(reinterpret_cast<void **>(&p->arbitraryData), data, (size_t)sp.dataSize);
    }
}

/* The state's values into a model with its element types in its order;
 * rename: the model's elements are the state's own, whose identities
 * follow their guids. */
void PutStateValues(const FlareState *s, LensFlareModel *m, bool rename)
{
    int32_t numElements = m->numElements;
    FlareElement *first = m->firstElement;
    std::memcpy(m, &s->globals, sizeof *m);
    m->numElements = numElements;
    m->firstElement = first;
    const StateElement *se = Elements(s);
    const StateParameter *sp = Parameters(s);
    int32_t index = 0;
    for (FlareElement *e = m->firstElement; e && index < s->elementCount; e = e->next, index++) {
        if (rename && !IsIdentityOf(se[index].identity, e))
            RenameIdentity(se[index].identity, e->guid);
        e->enabled = se[index].enabled;
        int32_t i = 0;
        for (ElementParameter *p = e->firstParameter; p && i < se[index].parameterCount;
             p = p->next, i++)
            RestoreParameter(s, sp[i], p);
        sp += se[index].parameterCount;
    }
}

} // namespace

FlareState *CaptureFlareState(const LensFlareModel &m, const FlareState *hint,
                              const EditedGradients &edited)
{
    size_t elements = 0, parameters = 0;
    size_t extra = ExtraBytes(m, edited, &elements, &parameters);
    size_t records = Align(sizeof(FlareState) + elements * sizeof(StateElement) +
                           parameters * sizeof(StateParameter));
    FlareState *s = static_cast<FlareState *>(std::calloc(1, records + extra));
    if (!s)
        return nullptr;
    s->bytes = records + extra;
    std::memcpy(&s->globals, &m, sizeof m);
    s->globals.firstElement = nullptr;
    s->elementCount = (int32_t)elements;
    s->parameterCount = (int32_t)parameters;
    StateElement *se = Elements(s);
    StateParameter *sp = Parameters(s);
    size_t at = records;
    int32_t index = 0;
    try {
        for (const FlareElement *e = m.firstElement; e; e = e->next, index++, se++) {
            se->enabled = e->enabled;
            se->identity = IdentityOf(e, index, hint);
            for (const ElementParameter *p = e->firstParameter; p; p = p->next, sp++) {
                se->parameterCount++;
                PackParameter(s, p, edited, sp, &at);
            }
        }
    } catch (const std::bad_alloc &) {   /* no room for a new identity */
        std::free(s);
        return nullptr;
    }
    return s;
}

void FreeFlareState(FlareState *state)
{
    std::free(state);
}

bool SameFlareState(const FlareState *a, const FlareState *b)
{
    return a->bytes == b->bytes && std::memcmp(a, b, a->bytes) == 0;
}

int32_t StateIdentityAt(const FlareState *state, int32_t index)
{
    return index >= 0 && index < state->elementCount ? Elements(state)[index].identity : -1;
}

int32_t NearbyIdentity(const FlareState *state, const FlareElement *element, int32_t index)
{
    if (!state)
        return -1;
    for (int32_t at : {index, index + 1, index - 1})
        if (IsIdentityOf(StateIdentityAt(state, at), element))
            return StateIdentityAt(state, at);
    return -1;
}

bool StateHasIdentity(const FlareState *state, int32_t identity)
{
    return identity >= 0 && IndexOfIdentity(state, identity) >= 0;
}

bool ElementValuesDiffer(const FlareState *a, const FlareState *b, int32_t identity)
{
    int32_t ea = IndexOfIdentity(a, identity), eb = IndexOfIdentity(b, identity);
    if (ea < 0 || eb < 0 || Elements(a)[ea].parameterCount != Elements(b)[eb].parameterCount)
        return false;
    const StateParameter *pa = Parameters(a) + FirstParameterOf(a, ea);
    const StateParameter *pb = Parameters(b) + FirstParameterOf(b, eb);
    for (int32_t i = 0; i < Elements(a)[ea].parameterCount; i++)
        if (!SameParameter(a, pa[i], b, pb[i]))
            return true;
    return false;
}

bool SameElements(const FlareState *state, const LensFlareModel &model)
{
    int32_t index = 0;
    for (const FlareElement *e = model.firstElement; e; e = e->next, index++)
        if (index >= state->elementCount || !IsIdentityOf(Elements(state)[index].identity, e))
            return false;
    return index == state->elementCount;
}

void RestoreFlareValues(const FlareState *s, LensFlareModel *m)
{
    PutStateValues(s, m, true);
}

void CopyStateValues(const FlareState *s, LensFlareModel *m)
{
    PutStateValues(s, m, false);
}

bool IsIdentityOf(int32_t identity, const FlareElement *e)
{
    if (identity < 0 || (size_t)identity >= identities.size() || !identities[identity].used)
        return false;
    const Identity &id = identities[identity];
    return e->guid && SameText(id.guid, e->guid) && SameText(id.typeName, e->name);
}

void RenameIdentity(int32_t identity, const char *guid)
{
    try {
        ForgetGuidOf(identity);
        identities[identity].guid = guid ? guid : "";
        identityOfGuid[identities[identity].guid] = identity;
    } catch (const std::bad_alloc &) {
        /* The element keeps its old guid here and is a new identity to the
         * next state: only its undo across the rename is lost. */
    }
}

const char *IdentityTypeName(int32_t identity)
{
    return identities[identity].typeName.c_str();
}

void KeepIdentitiesOf(const FlareState *const *states, int32_t count)
{
    for (Identity &id : identities)
        id.marked = false;
    for (int32_t s = 0; s < count; s++)
        for (int32_t e = 0; e < states[s]->elementCount; e++)
            identities[Elements(states[s])[e].identity].marked = true;
    for (size_t i = 0; i < identities.size(); i++)
        if (identities[i].used && !identities[i].marked) {
            ForgetGuidOf((int32_t)i);
            identities[i] = Identity();
            freeIdentities.push_back((int32_t)i);
        }
}

void ForgetIdentities()
{
    identities.clear();
    identities.shrink_to_fit();
    freeIdentities.clear();
    freeIdentities.shrink_to_fit();
    identityOfGuid = std::unordered_map<std::string, int32_t>();
}

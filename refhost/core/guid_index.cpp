/*
 * guid_index.cpp - a flare's elements by guid.  Every keyword call that
 * names an element by its guid looks here instead of walking the list, so
 * a write-back of the whole flare stays linear in its size.
 *
 * Linear probing over a table of positions, kept at most half full; a
 * removed element leaves a freed slot that probes pass over, and the table
 * is built again once freed and used slots fill half of it.  A position is
 * trusted only after the element standing there has that guid.
 */
#include <cstring>

#include "flare.h"

namespace ka {

namespace {

const int32_t kEmptySlot = -1;
const int32_t kFreedSlot = -2;
const size_t kSmallestTable = 16;

/* A position the probe found to lie outside the list: the index is stale. */
const int kStale = -2;

uint32_t GuidHash(const char *guid)
{
    uint32_t hash = 2166136261u;   /* FNV-1a */
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(guid); *c; c++)
        hash = (hash ^ *c) * 16777619u;
    return hash;
}

bool InStep(const Flare &flare)
{
    const GuidIndex &g = flare.guidIndex;
    return !g.slots.empty() && g.builtFor == flare.elements.size() &&
           g.builtOn == static_cast<const void *>(flare.elements.data());
}

void Stamp(Flare *flare)
{
    flare->guidIndex.builtFor = flare->elements.size();
    flare->guidIndex.builtOn = flare->elements.data();
}

/* The slot holding that guid's position, or the empty slot ending its run;
 * *position is the element's position, -1 for none, kStale. */
size_t Probe(const Flare &flare, const char *guid, uint32_t hash, int *position)
{
    const std::vector<GuidSlot> &slots = flare.guidIndex.slots;
    size_t mask = slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const GuidSlot &s = slots[i];
        if (s.position == kEmptySlot) {
            *position = -1;
            return i;
        }
        if (s.position < 0 || s.hash != hash)
            continue;
        if ((size_t)s.position >= flare.elements.size()) {
            *position = kStale;
            return i;
        }
        if (std::strcmp(flare.elements[(size_t)s.position]->guid.c_str(), guid) == 0) {
            *position = s.position;
            return i;
        }
    }
}

/* The slot whose position is that one, found through the guid's hash. */
GuidSlot *SlotOf(Flare *flare, size_t position)
{
    std::vector<GuidSlot> &slots = flare->guidIndex.slots;
    size_t mask = slots.size() - 1;
    uint32_t hash = GuidHash(flare->elements[position]->guid.c_str());
    for (size_t i = hash & mask; slots[i].position != kEmptySlot; i = (i + 1) & mask)
        if (slots[i].position == (int32_t)position)
            return &slots[i];
    return nullptr;
}

/* Enters the element at that position; a guid already entered keeps the
 * first of its elements. */
void Enter(Flare *flare, size_t position)
{
    GuidIndex &g = flare->guidIndex;
    const char *guid = flare->elements[position]->guid.c_str();
    uint32_t hash = GuidHash(guid);
    int found = -1;
    size_t slot = Probe(*flare, guid, hash, &found);
    if (found >= 0) {
        g.duplicates = true;
        if ((size_t)found > position)
            g.slots[slot].position = (int32_t)position;
        return;
    }
    g.slots[slot] = {hash, (int32_t)position};
    g.used++;
}

void Build(Flare *flare)
{
    GuidIndex &g = flare->guidIndex;
    size_t size = kSmallestTable;
    while (size < 4 * (flare->elements.size() + 1))
        size *= 2;
    g.slots.assign(size, GuidSlot{0, kEmptySlot});
    g.used = 0;
    g.duplicates = false;
    for (size_t i = 0; i < flare->elements.size(); i++)
        Enter(flare, i);
    Stamp(flare);
}

void Sync(Flare *flare)
{
    if (!InStep(*flare))
        Build(flare);
}

/* Every position from `from` on moves by `by`. */
void Shift(Flare *flare, size_t from, int32_t by)
{
    for (GuidSlot &s : flare->guidIndex.slots)
        if (s.position >= (int32_t)from)
            s.position += by;
}

} // namespace

int FindElement(Flare *flare, const char *guid)
{
    if (!guid)
        return -1;
    Sync(flare);
    uint32_t hash = GuidHash(guid);
    int position = -1;
    Probe(*flare, guid, hash, &position);
    if (position >= 0)
        return position;
    /* Not found: only a list changed in place behind the index can hide
     * an element, and building again settles it. */
    Build(flare);
    Probe(*flare, guid, hash, &position);
    return position;
}

void InsertElementAt(Flare *flare, size_t at, std::unique_ptr<Element> element)
{
    Sync(flare);
    flare->elements.insert(flare->elements.begin() + (std::ptrdiff_t)at, std::move(element));
    GuidIndex &g = flare->guidIndex;
    if (2 * (g.used + 1) > g.slots.size()) {
        Build(flare);
        return;
    }
    if (at + 1 < flare->elements.size())
        Shift(flare, at, 1);
    Enter(flare, at);
    Stamp(flare);
}

void EraseElementAt(Flare *flare, size_t at)
{
    Sync(flare);
    GuidSlot *slot = flare->guidIndex.duplicates ? nullptr : SlotOf(flare, at);
    flare->elements.erase(flare->elements.begin() + (std::ptrdiff_t)at);
    if (!slot) {   /* another element may carry the same guid: start afresh */
        ElementsReplaced(flare);
        return;
    }
    slot->position = kFreedSlot;
    Shift(flare, at + 1, -1);
    Stamp(flare);
}

void SwapElements(Flare *flare, size_t a, size_t b)
{
    Sync(flare);
    GuidSlot *first = flare->guidIndex.duplicates ? nullptr : SlotOf(flare, a);
    GuidSlot *second = first ? SlotOf(flare, b) : nullptr;
    std::swap(flare->elements[a], flare->elements[b]);
    if (!first || !second) {
        ElementsReplaced(flare);
        return;
    }
    std::swap(first->position, second->position);
}

void ElementsReplaced(Flare *flare)
{
    flare->guidIndex.builtOn = nullptr;
    flare->guidIndex.slots.clear();
}

} // namespace ka

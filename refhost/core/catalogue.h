/*
 * catalogue.h - the element types the reference host offers, in the order
 * the add-element list shows them.  The default flare and the demo
 * effects are in demo_flares.h.
 */
#ifndef REFHOST_CATALOGUE_H
#define REFHOST_CATALOGUE_H

#include <memory>
#include <string>
#include <vector>

#include "flare.h"

namespace ka {

/* Every type, built-in ones first, then those registered later (tests and
 * hosts may add types; types are never removed, so pointers stay valid). */
const std::vector<const ElementType *> &ElementTypes();
const ElementType *FindElementType(const std::string &name);
/* Adds a type and returns it; null (and an error report) for a type
 * without a name, with a name already taken, or with an unknown renderer.
 * Parameters without a guid or parameterId get fresh ones. */
const ElementType *RegisterElementType(std::unique_ptr<ElementType> type);

/* A new element of the type with every parameter at its default and a
 * fresh guid. */
std::unique_ptr<Element> NewElement(const ElementType *type);

} // namespace ka

#endif

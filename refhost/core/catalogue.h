/*
 * catalogue.h - the element types the reference host offers, in the order
 * the add-element list shows them, and the default flare of a new light.
 */
#ifndef REFHOST_CATALOGUE_H
#define REFHOST_CATALOGUE_H

#include <memory>
#include <vector>

#include "flare.h"

namespace ka {

/* Every type, built-in ones first, then those registered later (tests and
 * hosts may add types; types are never removed, so pointers stay valid). */
const std::vector<const ElementType *> &ElementTypes();
const ElementType *FindElementType(const std::string &name);
void RegisterElementType(std::unique_ptr<ElementType> type);

/* A new element of the type with every parameter at its default and a
 * fresh guid. */
std::unique_ptr<Element> NewElement(const ElementType *type);

/* The flare every new light starts with. */
void DefaultFlare(Flare *flare);

} // namespace ka

#endif

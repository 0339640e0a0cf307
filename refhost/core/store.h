/*
 * store.h - the reference host's lights and their lens flares, as the rest
 * of the core (renderer, file formats) reaches them.
 */
#ifndef REFHOST_STORE_H
#define REFHOST_STORE_H

#include "flare.h"
#include "host/kalvos_core.h"

namespace ka {

/* The light of that name, or null.  Only "light" owners carry flares. */
Light *FindLight(const char *name);
/* The flare of an owner given as (type token, name), or null. */
Flare *FindFlare(KaToken ownerType, const char *ownerName);

} // namespace ka

#endif

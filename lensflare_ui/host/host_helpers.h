/*
 * host_helpers.h - small helpers for values that cross to and from the
 * host: keyword tokens, and the two ways a host float becomes an integer.
 */
#ifndef HOST_HELPERS_H
#define HOST_HELPERS_H

#include <cstdint>

#include "host/kalvos_core.h"

/* The host's token of a keyword. */
inline KaToken Token(const char *keyword) { return Ki_Inquire_Token(keyword); }

/* trunc() for values the user sees or edits (slider values, list
 * indices, hues): NaN gives 0 and values beyond 32 bits stick to its ends,
 * so an untrusted host value never yields undefined behaviour. */
int32_t TruncSaturated(double value);

/* trunc() as the processor's conversion does it: NaN and values beyond 32
 * bits give INT32_MIN, which is 0 once taken as 8 or 16 bits.  For pixel
 * bytes and coordinates, where the low bits are what counts. */
int32_t TruncOrIntMin(double value);

#endif

/*
 * tokens.h - the host core's keyword tokens and memory accounting, as the
 * rest of the core uses them.
 */
#ifndef REFHOST_TOKENS_H
#define REFHOST_TOKENS_H

#include <stdint.h>
#include "host/kalvos_core.h"

namespace ka {

KaToken TokenFor(const char *text);
const char *TokenText(KaToken token);   /* null for a value that is no token */
bool IsToken(KaToken token, const char *text);

struct MemoryStats {
    int64_t liveBlocks = 0;
    int64_t liveBytes = 0;
    int64_t totalAllocations = 0;
};
MemoryStats Memory();

} // namespace ka

#endif

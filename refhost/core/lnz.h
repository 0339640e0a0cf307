/*
 * lnz.h - lens effect files (.lnz), the host's own text format; the
 * format itself is described in docs/host.md.  The parser works on memory
 * and builds a complete flare before anything is handed back, so a bad
 * file never changes the flare it was meant for.
 */
#ifndef REFHOST_LNZ_H
#define REFHOST_LNZ_H

#include <stddef.h>
#include <string>

#include "flare.h"

namespace ka {

/* Status of "savetofile" and "loadfromfile"; 0 is success. */
enum LnzStatus {
    LNZ_OK = 0,
    LNZ_CANNOT_READ = 1,    /* missing or unreadable file */
    LNZ_MALFORMED = 2,      /* not a lens effect file, truncated, or a bad line */
    LNZ_UNKNOWN_TYPE = 3,   /* an element type this host does not offer */
    LNZ_CANNOT_WRITE = 4,
    LNZ_BAD_CALL = 5,       /* the call itself was faulty */
};

const size_t kLnzMaxLine = 1024;        /* bytes, newline included */
const size_t kLnzMaxFile = 64u << 20;
const int kLnzMaxElements = 10000;

std::string FormatLnz(const Flare &flare);

/* Parses a whole file: on success *out holds the file's globals and its
 * elements (fresh guids) and the result is LNZ_OK; otherwise *out is left
 * alone and *why says what and on which line. */
int ParseLnz(const char *text, size_t size, Flare *out, std::string *why);

int SaveLnzFile(const char *path, const Flare &flare, std::string *why);
/* Takes the file's globals and appends its elements to *flare; on failure
 * *flare is unchanged. */
int LoadLnzFile(const char *path, Flare *flare, std::string *why);

} // namespace ka

#endif

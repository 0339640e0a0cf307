/*
 * args.h - reading the variable argument lists of the keyword calls.
 *
 * The exported function owns va_start/va_end and hands its va_list to a
 * worker, which copies it into an Args record; the readers below take the
 * next argument as the keyword just read says, log it, and report a fault
 * (Ki_Report_Error severity 4, routine = the function) the first time one
 * is found.  After a fault the call stops: nothing more is read.
 */
#ifndef REFHOST_ARGS_H
#define REFHOST_ARGS_H

#include <cstdarg>
#include <string>

#include "calllog.h"
#include "host/kalvos_core.h"

namespace ka {

struct Args {
    va_list ap;                 /* a va_copy the worker ends with ArgsEnd */
    const char *function;       /* "Ki_LensFlare": log line and error routine */
    int count = 0;              /* arguments read; a list without its 0 runs into the cap */
    bool failed = false;
    LogLine log;
};

/* What stands at a keyword position: the low 32 bits decide between the
 * two terminators and a token, so 0 and 1 may be passed as 32-bit ints. */
enum class WordKind { End, GroupEnd, Keyword, Bad };
struct Word {
    WordKind kind;
    KaToken token;
    const char *text;   /* keyword text for WordKind::Keyword */
};

void ArgsBegin(Args *a, const char *function, va_list ap, bool bookkeeping = false);
/* Writes the log line; returns 0, or -1 after a fault. */
int ArgsEnd(Args *a);

/* Reports a fault once and marks the call failed; returns false. */
bool Fail(Args *a, const char *errorName, const std::string &detail);

Word NextWord(Args *a);                 /* a Bad word has already been reported */
Word WordOf(Args *a, uint64_t raw);     /* classifies (and logs) a value already read */
bool NextRaw(Args *a, uint64_t *raw);   /* the next argument as 64 bits, unlogged */
bool ExpectKeyword(Args *a, const char *keyword);
bool ReadSwitch(Args *a, bool *on);     /* token of "on" or "off", by value */
bool ReadFloatsAt(Args *a, float *out, int count, const char *what);
bool ReadIntAt(Args *a, int32_t *out, const char *what);
/* "color" takes three floats by address, optionally after the token "rgb". */
bool ReadColorAt(Args *a, float out[3]);
bool ReadText(Args *a, const char **out, const char *what);
bool ReadOut(Args *a, void **out, const char *what);
/* The next argument must be the 0 that ends the list. */
bool ExpectEnd(Args *a, const char *after);

KaToken OnOff(bool on);

} // namespace ka

#endif

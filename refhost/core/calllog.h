/*
 * calllog.h - the host's call log (Kh_Set_Call_Log): one line per API call,
 * "Function arg arg ...", built argument by argument while the call reads
 * its arguments and appended to the log file (flushed) when it finishes.
 * docs/host.md describes the line format.
 *
 *   ka::LogLine line;
 *   ka::LogStart(&line, "Ki_Alloc_Global_GBuffer");
 *   ka::LogInt(&line, width); ...
 *   ka::LogFinish(&line);
 *
 * A call whose arguments are all known as it starts logs its line in one
 * go: ka::LogCall("Ki_Free_Memory", ka::OutArg{block}).
 *
 * While the log is off LogStart leaves the line inactive and every other
 * call on it does nothing, so callers never test whether logging is on.
 */
#ifndef REFHOST_CALLLOG_H
#define REFHOST_CALLLOG_H

#include <stddef.h>
#include <stdint.h>
#include <string>
#include <type_traits>

#include "host/kalvos_core.h"

namespace ka {

struct LogLine {
    bool active = false;   /* false: the log is off (or this call is not logged) */
    std::string text;
};

/* bookkeeping: the call is logged only with KH_LOG_BOOKKEEPING (tokens, memory). */
void LogStart(LogLine *line, const char *function, bool bookkeeping = false);
void LogToken(LogLine *line, KaToken token);              /* keyword text; a non-token in decimal */
void LogInt(LogLine *line, long long value);              /* decimal */
void LogFloat(LogLine *line, float value);                /* %g */
void LogText(LogLine *line, const char *text);            /* "text" with C escapes, or null */
/* A value the host reads through an address: &v or &a,b,c; null for no address. */
void LogFloatsAt(LogLine *line, const float *values, int count);
void LogIntAt(LogLine *line, const int32_t *value);
void LogDataAt(LogLine *line, const void *data, size_t size);   /* &"escaped bytes" */
void LogOut(LogLine *line, const void *address);          /* &out, or null */
void LogFunction(LogLine *line, const void *function);    /* fn, or null */
void LogWord(LogLine *line, const char *word);            /* anything else, verbatim */
void LogFinish(LogLine *line);

/* Arguments whose C type does not say how they are logged (a token is an
 * integer, an output a bare address).  Integers, floats and texts need no
 * wrapper. */
struct OutArg { const void *address; };
struct TokenArg { KaToken token; };
struct FunctionArg { const void *address; };
struct FloatsArg { const float *values; int count; };

inline void LogArg(LogLine *line, const char *text) { LogText(line, text); }
inline void LogArg(LogLine *line, float value) { LogFloat(line, value); }
inline void LogArg(LogLine *line, OutArg a) { LogOut(line, a.address); }
inline void LogArg(LogLine *line, TokenArg a) { LogToken(line, a.token); }
inline void LogArg(LogLine *line, FunctionArg a) { LogFunction(line, a.address); }
inline void LogArg(LogLine *line, FloatsArg a) { LogFloatsAt(line, a.values, a.count); }
template <typename Integer, typename = std::enable_if_t<std::is_integral<Integer>::value>>
void LogArg(LogLine *line, Integer value)
{
    LogInt(line, (long long)value);
}

/* The whole line of a call, its arguments in order; the bookkeeping form
 * is logged only with KH_LOG_BOOKKEEPING, as LogStart's flag says. */
template <typename... Args>
void LogCallLine(bool bookkeeping, const char *function, const Args &...args)
{
    LogLine line;
    LogStart(&line, function, bookkeeping);
    (LogArg(&line, args), ...);
    LogFinish(&line);
}

template <typename... Args>
void LogCall(const char *function, const Args &...args)
{
    LogCallLine(false, function, args...);
}

template <typename... Args>
void LogBookkeepingCall(const char *function, const Args &...args)
{
    LogCallLine(true, function, args...);
}

/* C escapes of bytes (\", \\, \n, \t, \r, \xHH for other non-printables);
 * shared with the file formats. */
std::string EscapeBytes(const void *data, size_t size);

} // namespace ka

#endif

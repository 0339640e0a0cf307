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
 * While the log is off LogStart leaves the line inactive and every other
 * call on it does nothing, so callers never test whether logging is on.
 */
#ifndef REFHOST_CALLLOG_H
#define REFHOST_CALLLOG_H

#include <stddef.h>
#include <stdint.h>
#include <string>

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

/* C escapes of bytes (\", \\, \n, \t, \r, \xHH for other non-printables);
 * shared with the file formats. */
std::string EscapeBytes(const void *data, size_t size);

} // namespace ka

#endif

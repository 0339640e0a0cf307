/*
 * calllog.cpp - the call log file.  Lines are assembled per call and
 * written whole under a lock, so the log stays line-oriented even if two
 * threads call the host at once.
 */
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "calllog.h"
#include "refhost_api.h"
#include "tokens.h"

namespace ka {

namespace {
std::mutex g_logLock;
std::FILE *g_logFile = nullptr;   /* owned by Kh_Set_Call_Log; null while the log is off */
int g_logFlags = 0;               /* KH_LOG_* of the open log */
bool g_logBroken = false;         /* a line could not be written since the log was opened */

void Append(LogLine *line, const std::string &word)
{
    if (!line->active)
        return;
    line->text += ' ';
    line->text += word;
}

std::string FloatText(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", (double)value);
    return text;
}

} // namespace

std::string EscapeBytes(const void *data, size_t size)
{
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    std::string out;
    out.reserve(size);
    for (size_t i = 0; i < size; i++) {
        unsigned char c = bytes[i];
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            } else {
                out += (char)c;
            }
        }
    }
    return out;
}

void LogStart(LogLine *line, const char *function, bool bookkeeping)
{
    std::lock_guard<std::mutex> hold(g_logLock);
    line->active = g_logFile && (!bookkeeping || (g_logFlags & KH_LOG_BOOKKEEPING));
    line->text.clear();
    if (line->active)
        line->text = function;
}

void LogToken(LogLine *line, KaToken token)
{
    if (!line->active)
        return;
    const char *text = TokenText(token);
    if (text) {
        Append(line, text);
        return;
    }
    /* Terminators arrive as 32-bit ints: only the low half means anything. */
    uint32_t low = (uint32_t)token;
    Append(line, std::to_string(low <= 1 ? (long long)low : (long long)token));
}

void LogInt(LogLine *line, long long value)
{
    Append(line, std::to_string(value));
}

void LogFloat(LogLine *line, float value)
{
    Append(line, FloatText(value));
}

void LogText(LogLine *line, const char *text)
{
    if (!line->active)
        return;
    if (!text) {
        Append(line, "null");
        return;
    }
    Append(line, "\"" + EscapeBytes(text, std::char_traits<char>::length(text)) + "\"");
}

void LogFloatsAt(LogLine *line, const float *values, int count)
{
    if (!line->active)
        return;
    if (!values) {
        Append(line, "null");
        return;
    }
    std::string word = "&";
    for (int i = 0; i < count; i++) {
        if (i)
            word += ',';
        word += FloatText(values[i]);
    }
    Append(line, word);
}

void LogIntAt(LogLine *line, const int32_t *value)
{
    if (!line->active)
        return;
    Append(line, value ? "&" + std::to_string(*value) : std::string("null"));
}

void LogDataAt(LogLine *line, const void *data, size_t size)
{
    if (!line->active)
        return;
    Append(line, data ? "&\"" + EscapeBytes(data, size) + "\"" : std::string("null"));
}

void LogOut(LogLine *line, const void *address)
{
    Append(line, address ? "&out" : "null");
}

void LogFunction(LogLine *line, const void *function)
{
    Append(line, function ? "fn" : "null");
}

void LogWord(LogLine *line, const char *word)
{
    Append(line, word);
}

void LogFinish(LogLine *line)
{
    if (!line->active)
        return;
    line->active = false;
    std::lock_guard<std::mutex> hold(g_logLock);
    if (!g_logFile)
        return;
    line->text += '\n';
    bool written = std::fwrite(line->text.data(), 1, line->text.size(), g_logFile) == line->text.size();
    if (std::fflush(g_logFile) != 0 || std::ferror(g_logFile))
        written = false;
    if (written)
        return;
    /* A log with a hole in it would mislead whoever reads it, so it stops
     * here, says so at once, and its closing call reports the failure. */
    std::fprintf(stderr, "call log: a line could not be written (%s); the log stops here\n",
                 std::strerror(errno));
    std::fclose(g_logFile);
    g_logFile = nullptr;
    g_logBroken = true;
}

} // namespace ka

extern "C" int Kh_Set_Call_Log(const char *path, int flags)
{
    std::lock_guard<std::mutex> hold(ka::g_logLock);
    bool complete = !ka::g_logBroken;
    if (ka::g_logFile) {
        if (std::fclose(ka::g_logFile) != 0)
            complete = false;
        ka::g_logFile = nullptr;
    }
    ka::g_logFlags = 0;
    ka::g_logBroken = false;
    if (!path)
        return complete ? 0 : -1;
    ka::g_logFile = std::fopen(path, "ab");
    if (!ka::g_logFile)
        return -1;
    ka::g_logFlags = flags;
    return 0;
}

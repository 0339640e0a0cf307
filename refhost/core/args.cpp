/*
 * args.cpp - argument readers shared by the keyword calls.
 */
#include <cmath>
#include <cstring>

#include "args.h"
#include "errors.h"
#include "tokens.h"

namespace ka {

namespace {
/* No call of the protocol comes near this; a list without its 0 does. */
const int kMaxArguments = 4096;

/* Whether one more argument may be read: none after a fault, and a list
 * without its closing 0 is cut off rather than read past its end. */
bool MayTake(Args *a)
{
    if (a->failed)
        return false;
    if (++a->count > kMaxArguments)
        return Fail(a, "ERR_TOO_MANY_ARGUMENTS",
                    "no 0 after " + std::to_string(kMaxArguments) + " arguments");
    return true;
}

bool Take(Args *a, uint64_t *value)
{
    if (!MayTake(a))
        return false;
    *value = va_arg(a->ap, uint64_t);
    return true;
}

bool TakePointer(Args *a, void **value)
{
    if (!MayTake(a))
        return false;
    *value = va_arg(a->ap, void *);
    return true;
}

/* The count floats at p, an address the caller has just read: logged,
 * then copied when p is not null and every one is finite. */
bool CopyFloatsAt(Args *a, const float *p, float *out, int count, const char *what)
{
    LogFloatsAt(&a->log, p, count);
    if (!p)
        return Fail(a, "ERR_NULL_ADDRESS", std::string("null address for ") + what);
    std::memcpy(out, p, sizeof(float) * (size_t)count);
    for (int i = 0; i < count; i++)
        if (!std::isfinite(out[i]))
            return Fail(a, "ERR_BAD_VALUE", std::string(what) + " is not a finite number");
    return true;
}
} // namespace

KaToken OnOff(bool on)
{
    static const KaToken kOn = TokenFor("on"), kOff = TokenFor("off");
    return on ? kOn : kOff;
}

void ArgsBegin(Args *a, const char *function, va_list ap, bool bookkeeping)
{
    va_copy(a->ap, ap);
    a->function = function;
    a->count = 0;
    a->failed = false;
    LogStart(&a->log, function, bookkeeping);
}

int ArgsEnd(Args *a)
{
    va_end(a->ap);
    LogFinish(&a->log);
    return a->failed ? -1 : 0;
}

bool Fail(Args *a, const char *errorName, const std::string &detail)
{
    if (a->failed)
        return false;
    a->failed = true;
    LogWord(&a->log, (std::string("!") + errorName).c_str());
    ReportError(4, errorName, std::string(a->function) + "()", detail);
    return false;
}

bool NextRaw(Args *a, uint64_t *raw)
{
    return Take(a, raw);
}

Word NextWord(Args *a)
{
    uint64_t raw = 0;
    if (!Take(a, &raw))
        return {WordKind::Bad, 0, nullptr};
    return WordOf(a, raw);
}

Word WordOf(Args *a, uint64_t raw)
{
    uint32_t low = (uint32_t)raw;
    if (low == 0) {
        LogInt(&a->log, 0);
        return {WordKind::End, 0, nullptr};
    }
    if (low == 1) {
        LogInt(&a->log, 1);
        return {WordKind::GroupEnd, 0, nullptr};
    }
    const char *text = TokenText(raw);
    LogToken(&a->log, raw);
    if (!text) {
        Fail(a, "ERR_BAD_TOKEN",
             "argument " + std::to_string(a->count) + " is no token: " + std::to_string(raw));
        return {WordKind::Bad, raw, nullptr};
    }
    return {WordKind::Keyword, raw, text};
}

bool ExpectKeyword(Args *a, const char *keyword)
{
    Word w = NextWord(a);
    if (w.kind == WordKind::Bad)
        return false;
    if (w.kind != WordKind::Keyword || std::strcmp(w.text, keyword) != 0)
        return Fail(a, "ERR_UNKNOWN_KEYWORD",
                    std::string("expected \"") + keyword + "\", found " +
                        (w.kind == WordKind::Keyword ? "\"" + std::string(w.text) + "\""
                                                     : std::string(w.kind == WordKind::End ? "0" : "1")));
    return true;
}

bool ReadSwitch(Args *a, bool *on)
{
    uint64_t raw = 0;
    if (!Take(a, &raw))
        return false;
    LogToken(&a->log, raw);
    if (raw == OnOff(true))
        *on = true;
    else if (raw == OnOff(false))
        *on = false;
    else {
        const char *text = TokenText(raw);
        return Fail(a, "ERR_BAD_SWITCH",
                    text ? "switch is \"" + std::string(text) + "\", not \"on\" or \"off\""
                         : "switch is no token: " + std::to_string(raw));
    }
    return true;
}

bool ReadFloatsAt(Args *a, float *out, int count, const char *what)
{
    void *p = nullptr;
    if (!TakePointer(a, &p))
        return false;
    return CopyFloatsAt(a, static_cast<const float *>(p), out, count, what);
}

bool ReadIntAt(Args *a, int32_t *out, const char *what)
{
    void *p = nullptr;
    if (!TakePointer(a, &p))
        return false;
    LogIntAt(&a->log, static_cast<const int32_t *>(p));
    if (!p)
        return Fail(a, "ERR_NULL_ADDRESS", std::string("null address for ") + what);
    std::memcpy(out, p, sizeof *out);
    return true;
}

bool ReadColorAt(Args *a, float out[3])
{
    uint64_t raw = 0;
    if (!Take(a, &raw))
        return false;
    if (IsToken(raw, "rgb")) {
        LogToken(&a->log, raw);
        return ReadFloatsAt(a, out, 3, "color");
    }
    return CopyFloatsAt(a, reinterpret_cast<const float *>(raw), out, 3, "color");
}

bool ReadText(Args *a, const char **out, const char *what)
{
    void *p = nullptr;
    if (!TakePointer(a, &p))
        return false;
    LogText(&a->log, static_cast<const char *>(p));
    if (!p)
        return Fail(a, "ERR_NULL_ADDRESS", std::string("null text for ") + what);
    *out = static_cast<const char *>(p);
    return true;
}

bool ReadOut(Args *a, void **out, const char *what)
{
    void *p = nullptr;
    if (!TakePointer(a, &p))
        return false;
    LogOut(&a->log, p);
    if (!p)
        return Fail(a, "ERR_NULL_ADDRESS", std::string("null address to store ") + what);
    *out = p;
    return true;
}

bool ExpectEnd(Args *a, const char *after)
{
    Word w = NextWord(a);
    if (w.kind == WordKind::Bad)
        return false;
    if (w.kind != WordKind::End)
        return Fail(a, "ERR_EXTRA_ARGUMENTS", std::string("nothing but 0 may follow ") + after);
    return true;
}

} // namespace ka

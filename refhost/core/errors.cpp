/*
 * errors.cpp - the host's error record.  The most recent reports are kept
 * (tests and the demo host read them back), older ones only counted, so a
 * host that runs for long does not grow; every report is echoed to the
 * console as the host shows errors: "ERROR <name> in <routine>: <detail>".
 */
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "calllog.h"
#include "errors.h"
#include "host/kalvos_core.h"
#include "refhost_api.h"

namespace ka {

namespace {
std::mutex g_errorLock;
std::deque<ErrorReport> g_errors;   /* the newest KH_ERRORS_KEPT since start or the last clear */
long long g_dropped = 0;            /* reports let go to make room since then */
bool g_echo = true;
} // namespace

void ReportError(int severity, const std::string &name, const std::string &routine,
                 const std::string &detail)
{
    std::lock_guard<std::mutex> hold(g_errorLock);
    if (g_errors.size() == KH_ERRORS_KEPT) {
        g_errors.pop_front();
        g_dropped++;
    }
    g_errors.push_back({severity, name, routine, detail});
    if (g_echo)
        std::fprintf(stderr, "ERROR %s in %s: %s\n", name.c_str(), routine.c_str(), detail.c_str());
}

std::vector<ErrorReport> Errors()
{
    std::lock_guard<std::mutex> hold(g_errorLock);
    return std::vector<ErrorReport>(g_errors.begin(), g_errors.end());
}

long long DroppedErrors()
{
    std::lock_guard<std::mutex> hold(g_errorLock);
    return g_dropped;
}

void ClearErrors()
{
    std::lock_guard<std::mutex> hold(g_errorLock);
    g_errors.clear();
    g_dropped = 0;
}

void SetErrorEcho(bool on)
{
    std::lock_guard<std::mutex> hold(g_errorLock);
    g_echo = on;
}

} // namespace ka

extern "C" void Ki_Report_Error(int16_t severity, const char *errorName, const char *routine,
                                const char *detail)
{
    ka::LogCall("Ki_Report_Error", severity, errorName, routine, detail);
    ka::ReportError(severity, errorName ? errorName : "", routine ? routine : "",
                    detail ? detail : "");
}

extern "C" int Kh_Error_Count(void)
{
    std::lock_guard<std::mutex> hold(ka::g_errorLock);
    return (int)ka::g_errors.size();
}

extern "C" long long Kh_Errors_Dropped(void)
{
    return ka::DroppedErrors();
}

extern "C" int Kh_Get_Error(int index, char *out, int outSize)
{
    ka::ErrorReport e;
    {
        std::lock_guard<std::mutex> hold(ka::g_errorLock);
        if (index < 0 || index >= (int)ka::g_errors.size())
            return -1;
        e = ka::g_errors[(size_t)index];
    }
    std::string text = e.name + "|" + e.routine + "|" + e.detail;
    if (out && outSize > 0)
        std::snprintf(out, (size_t)outSize, "%s", text.c_str());
    return (int)text.size();
}

extern "C" void Kh_Clear_Errors(void)
{
    ka::ClearErrors();
}

extern "C" void Kh_Set_Error_Echo(int on)
{
    ka::SetErrorEcho(on != 0);
}

/*
 * errors.cpp - the host's error record.  Every report is kept (tests and
 * the demo host read them back) and echoed to the console as the host
 * shows errors: "ERROR <name> in <routine>: <detail>".
 */
#include <cstdio>
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
std::vector<ErrorReport> g_errors;   /* every report since start or the last clear */
bool g_echo = true;
} // namespace

void ReportError(int severity, const std::string &name, const std::string &routine,
                 const std::string &detail)
{
    std::lock_guard<std::mutex> hold(g_errorLock);
    g_errors.push_back({severity, name, routine, detail});
    if (g_echo)
        std::fprintf(stderr, "ERROR %s in %s: %s\n", name.c_str(), routine.c_str(), detail.c_str());
}

std::vector<ErrorReport> Errors()
{
    std::lock_guard<std::mutex> hold(g_errorLock);
    return g_errors;
}

void ClearErrors()
{
    std::lock_guard<std::mutex> hold(g_errorLock);
    g_errors.clear();
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
    ka::LogLine line;
    ka::LogStart(&line, "Ki_Report_Error");
    ka::LogInt(&line, severity);
    ka::LogText(&line, errorName);
    ka::LogText(&line, routine);
    ka::LogText(&line, detail);
    ka::LogFinish(&line);
    ka::ReportError(severity, errorName ? errorName : "", routine ? routine : "",
                    detail ? detail : "");
}

extern "C" int Kh_Error_Count(void)
{
    return (int)ka::Errors().size();
}

extern "C" int Kh_Get_Error(int index, char *out, int outSize)
{
    std::vector<ka::ErrorReport> errors = ka::Errors();
    if (index < 0 || index >= (int)errors.size())
        return -1;
    const ka::ErrorReport &e = errors[index];
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

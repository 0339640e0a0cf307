/*
 * bench_support.h - what the plug-in's benchmarks share: a millisecond
 * clock, the median and the quietest round's median of a run of samples,
 * an owner window for the editor, and a plug-in instance on a light of
 * the reference host.  Each benchmark is one program; this header is all
 * of the code they share.
 */
#ifndef BENCH_SUPPORT_H
#define BENCH_SUPPORT_H

#include <algorithm>
#include <cstring>
#include <vector>

#include <windows.h>

#include "entry/plugin.h"

namespace bench {

inline double NowMs()
{
    LARGE_INTEGER t, frequency;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&frequency);
    return (double)t.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

inline double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times.empty() ? 0.0 : times[times.size() / 2];
}

/* The machine is shared: a build next door stretches whole stretches of
 * samples.  The quietest round's median says what one step costs. */
const int kRounds = 5;

inline double QuietestRound(const std::vector<double> &times)
{
    size_t perRound = times.size() / kRounds;
    double best = 1e30;
    for (int r = 0; r < kRounds; r++)
        best = std::min(best, Median(std::vector<double>(times.begin() + r * perRound,
                                                         times.begin() + (r + 1) * perRound)));
    return best;
}

/* A plain top-level window standing in for the host's main window. */
inline HWND CreateOwnerWindow(const char *className, WNDPROC proc)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowA(className, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                         nullptr, wc.hInstance, nullptr);
}

/* A point light of the reference host and an instance on it, made the
 * current one, with the program's own module standing in for the DLL's. */
inline void OpenInstanceOnLight(PluginInstance *instance, const char *light)
{
    moduleHandle = GetModuleHandleA(nullptr);
    Ki_Light(light, Ki_Inquire_Token("model"), Ki_Inquire_Token("point"), 1, 0);
    *instance = {};
    instance->handleType = Ki_Inquire_Token("light");
    std::strcpy(instance->handleName, light);
    instance->moduleInstance = moduleHandle;
    currentInstance = instance;
}

} // namespace bench

#endif

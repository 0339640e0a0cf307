/*
 * bench_support.h - what the plug-in's benchmarks share: a millisecond
 * clock, the median and the quietest round's median of a run of samples,
 * an owner window for the editor, the editor run modally with a script,
 * and a plug-in instance on a light of the reference host.  Each
 * benchmark is one program; this header is all of the code they share.
 */
#ifndef BENCH_SUPPORT_H
#define BENCH_SUPPORT_H

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include <windows.h>

#include "entry/plugin.h"
#include "host_app.h"
#include "refhost_api.h"

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

/* What the editor run by RunEditorScript does once it first idles; OK
 * closes it after.  Set and cleared by RunEditorScript's run. */
inline std::function<void(HWND)> editorScript;

/* The owner window's procedure for editors run by RunEditorScript. */
inline LRESULT CALLBACK ScriptOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && editorScript) {
        HWND dialog = reinterpret_cast<HWND>(lParam);
        std::function<void(HWND)> run = editorScript;
        editorScript = nullptr;
        RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        run(dialog);
        HWND ok = GetDlgItem(dialog, IDOK);
        SetFocus(ok);
        PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(ok));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

/* The editor on the light, owned by a window of ScriptOwnerProc. */
inline void RunEditorScript(HWND owner, PluginInstance *instance, const char *light,
                            std::function<void(HWND)> steps)
{
    editorScript = steps;
    const char *keywords[] = {"handle_type", "execute_lens_flare_dialog_box", nullptr};
    void *values[] = {reinterpret_cast<void *>((uintptr_t)Ki_Inquire_Token("light")),
                      const_cast<char *>(light), nullptr};
    ExecuteLensFlareCommand(instance, owner, keywords, values);
}

/* The host of a benchmark run by script: the temporary folder (temp, of
 * MAX_PATH characters) as its working directory, errors kept quiet, the
 * program's module standing in for the DLL's, and a point light. */
inline void PrepareScriptHost(const char *light, char *temp)
{
    GetTempPathA(MAX_PATH, temp);
    Kh_Set_Environment("KA_WORKING_DIR", temp);
    Kh_Set_Error_Echo(0);
    moduleHandle = GetModuleHandleA(nullptr);
    Ki_Light(light, Ki_Inquire_Token("model"), Ki_Inquire_Token("point"), 1, 0);
}

/* A plug-in instance made through the plug-in entry with the demo host's
 * services over owner, as the host makes one; null when none was made. */
inline PluginInstance *NewScriptInstance(DemoHostServices *services, HWND owner)
{
    services->mainWindow = owner;
    services->showHelpWindow = false;
    const char *keywords[] = {"parent_hInstance", "new_instance", nullptr};
    void *values[] = {static_cast<HostServices *>(services), nullptr, nullptr};
    int32_t status = -1;
    PluginEntryPoint(keywords, values, &status, nullptr);
    return static_cast<PluginInstance *>(values[1]);
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

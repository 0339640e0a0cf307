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
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
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

/* Marks around a sample for Wine's server trace, where an atom look-up is
 * one request shown with its name: tools/server-requests counts the
 * requests between the marks, which the machine's load does not change
 * as it does times.  Put outside the timed stretch. */
inline void MarkSampleStart(const char *what)
{
    char mark[64];
    std::snprintf(mark, sizeof mark, "bench-sample %s", what);
    GlobalFindAtomA(mark);
}

inline void MarkSampleEnd()
{
    GlobalFindAtomA("bench-sample-end");
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

/* The temporary folder as the host's working directory (into temp), and
 * the host's error reports kept from the console. */
inline void UseTempFolder(char temp[MAX_PATH])
{
    GetTempPathA(MAX_PATH, temp);
    Kh_Set_Environment("KA_WORKING_DIR", temp);
    Kh_Set_Error_Echo(0);
}

/* The host of a bench that runs the editor: the temporary folder as its
 * working directory, the program's module standing in for the DLL's (the
 * resources are linked in), and a point light of that name (none for a
 * null name). */
inline void PrepareEditorHost(char temp[MAX_PATH], const char *light)
{
    UseTempFolder(temp);
    moduleHandle = GetModuleHandleA(nullptr);
    if (light)
        Ki_Light(light, Ki_Inquire_Token("model"), Ki_Inquire_Token("point"), 1, 0);
}

/* A plug-in instance made through the entry as a host makes it, with the
 * caller's services object standing for the host's; null on failure. */
inline PluginInstance *NewPluginInstance(DemoHostServices *services, HWND owner)
{
    services->mainWindow = owner;
    services->showHelpWindow = false;
    const char *keywords[] = {"parent_hInstance", "new_instance", nullptr};
    void *values[] = {static_cast<HostServices *>(services), nullptr, nullptr};
    int32_t status = -1;
    PluginEntryPoint(keywords, values, &status, nullptr);
    return static_cast<PluginInstance *>(values[1]);
}

inline void DestroyPluginInstance(PluginInstance *instance)
{
    const char *destroy[] = {"destroy_instance", nullptr};
    void *none[] = {nullptr, nullptr};
    int32_t status = -1;
    PluginEntryPoint(destroy, none, &status, instance);
}

/* The editor run modally through the plug-in's command entry on a light:
 * the script runs once the dialog first idles with everything drawn, then
 * OK is clicked.  RunEditor sets the script; the owner window's procedure
 * (ScriptOwnerProc) runs it and notes the times. */
inline std::function<void(HWND)> editorScript;
inline double editorIdleAt, editorOkAt;

inline LRESULT CALLBACK ScriptOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && editorScript) {
        HWND dialog = reinterpret_cast<HWND>(lParam);
        std::function<void(HWND)> run = editorScript;
        editorScript = nullptr;
        RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        editorIdleAt = NowMs();
        run(dialog);
        HWND ok = GetDlgItem(dialog, IDOK);
        SetFocus(ok);
        editorOkAt = NowMs();
        PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(ok));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct EditorTimes {
    double open;   /* the host's call to the dialog idle, first preview drawn */
    double ok;     /* the click on OK to the host's call returning */
};

inline EditorTimes RunEditor(PluginInstance *instance, HWND owner, const char *light,
                             std::function<void(HWND)> script)
{
    editorScript = script;
    const char *keywords[] = {"handle_type", "execute_lens_flare_dialog_box", nullptr};
    void *values[] = {reinterpret_cast<void *>((uintptr_t)Ki_Inquire_Token("light")),
                      const_cast<char *>(light), nullptr};
    double start = NowMs();
    ExecuteLensFlareCommand(instance, owner, keywords, values);
    return {editorIdleAt - start, NowMs() - editorOkAt};
}

/* The type names of a light's elements, in order. */
inline std::vector<std::string> ElementTypeNames(const char *light)
{
    const KaToken owner = Ki_Inquire_Token("light");
    std::vector<std::string> names;
    int32_t count = 0;
    Ki_Inquire_LensFlare(owner, light, Ki_Inquire_Token("numelements"), &count, 1, 0);
    for (int32_t e = 0; e < count; e++) {
        const char *name = nullptr;
        Ki_Inquire_LensFlare(owner, light, Ki_Inquire_Token("element"), &e,
                             Ki_Inquire_Token("name"), &name, 1, 0);
        names.push_back(name ? name : "");
    }
    return names;
}

/* Elements of those types, repeated in order, appended up to count. */
inline void RepeatElements(const char *light, const std::vector<std::string> &types, int count)
{
    int32_t have = 0;
    Ki_Inquire_LensFlare(Ki_Inquire_Token("light"), light, Ki_Inquire_Token("numelements"), &have,
                         1, 0);
    for (int i = have; i < count && !types.empty(); i++) {
        const char *guid = nullptr;
        Ki_LensFlare(Ki_Inquire_Token("light"), light, Ki_Inquire_Token("insert"),
                     Ki_Inquire_Token("end"), types[(size_t)i % types.size()].c_str(), &guid, 0);
    }
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

/* What a bench that runs the editor stands on: the host prepared
 * (PrepareEditorHost), an owner window of ScriptOwnerProc and a plug-in
 * instance over the demo host's services, all let go at the end of its
 * scope.  instance is null, and said on stderr, when none could be made. */
class EditorHost {
public:
    EditorHost(const char *bench, const char *light) : services(Prepared(temp, light))
    {
        owner = CreateOwnerWindow(bench, ScriptOwnerProc);
        instance = NewPluginInstance(&services, owner);
        if (!instance)
            std::fprintf(stderr, "%s: no plug-in instance\n", bench);
    }
    ~EditorHost()
    {
        if (instance)
            DestroyPluginInstance(instance);
        DestroyWindow(owner);
    }
    EditorHost(const EditorHost &) = delete;
    EditorHost &operator=(const EditorHost &) = delete;

    char temp[MAX_PATH];        /* the host's working directory */
    DemoHostServices services;
    HWND owner;
    PluginInstance *instance;

private:
    static std::string Prepared(char *temp, const char *light)
    {
        PrepareEditorHost(temp, light);
        return temp;
    }
};

} // namespace bench

#endif

/*
 * startup_bench.cpp - how long a user waits for the editor: from the host's
 * DLL_ExecuteLensFlareASCIICommand to the dialog on screen with its first
 * preview drawn, through the real plug-in DLL loaded as a host loads it,
 * for the demo light's default flare.  Prints the median of several runs.
 *
 *   tools/wine-run build/win/bin/startup_bench.exe [runs]
 */
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench_support.h"
#include "host_app.h"
#include "refhost_api.h"

namespace {

const char kLight[] = "Light01";
const double kTargetMs = 200.0;

/* Set by the owner window when the editor first goes idle. */
LARGE_INTEGER shownAt;
bool shown;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && !shown) {
        HWND dialog = reinterpret_cast<HWND>(lParam);
        /* The loop shows the dialog at its first idle moment; paint it all,
         * the preview included, before taking the time. */
        RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        QueryPerformanceCounter(&shownAt);
        shown = true;
        HWND ok = GetDlgItem(dialog, IDOK);
        SetFocus(ok);
        PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(ok));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int main(int argc, char **argv)
{
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    char temp[MAX_PATH];
    bench::UseTempFolder(temp);
    Ki_Light(kLight, Ki_Inquire_Token("model"), Ki_Inquire_Token("point"), 1, 0);

    HWND owner = bench::CreateOwnerWindow("StartupBenchOwner", OwnerProc);
    DemoHostServices services(temp);
    services.mainWindow = owner;

    LoadedPlugin plugin;
    std::string error;
    if (!LoadPlugin("lensflare_ui.dll", &plugin, &error)) {
        std::fprintf(stderr, "startup_bench: %s\n", error.c_str());
        return 1;
    }
    void *instance = CreatePluginInstance(&plugin, &services, "bench");
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < runs; i++) {
        shown = false;
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        RunLensFlareEditor(&plugin, instance, owner, "light", kLight);
        if (shown)
            times.push_back(1000.0 * (double)(shownAt.QuadPart - start.QuadPart) /
                            (double)frequency.QuadPart);
    }
    DestroyPluginInstance(&plugin, instance);
    UnloadPlugin(&plugin);
    Ki_Remove(Ki_Inquire_Token("light"), kLight, 0);
    DestroyWindow(owner);
    if (times.empty()) {
        std::fprintf(stderr, "startup_bench: the editor never showed\n");
        return 1;
    }
    std::sort(times.begin(), times.end());
    std::printf("editor start-up, command to first preview drawn (%d runs):\n", (int)times.size());
    std::printf("  median %.1f ms, fastest %.1f ms, slowest %.1f ms (target %.0f ms)\n",
                times[times.size() / 2], times.front(), times.back(), kTargetMs);
    return 0;
}

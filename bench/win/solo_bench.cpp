/*
 * solo_bench.cpp - what a preview refresh costs in the solo and split
 * views, in the real editor dialog run modally on a light of the
 * reference host, for the demo light's default flare and for its elements
 * repeated to 40.  Beside them the plain refresh of the same flare and one
 * render of the whole flare at the preview size, the two whose sum a solo
 * or split refresh should stay within.  Each refresh moves the light, so
 * the split view renders A again every time (its dearest case).
 *
 *   tools/wine-run build/win/bin/solo_bench.exe
 *
 * Prints figures; it fails nothing.
 */
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "bench_support.h"
#include "editor/solo_compare.h"
#include "entry/plugin.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

namespace {

const char kLight[] = "Light01";
const int kSamples = 60;

void Print(const char *what, const std::vector<double> &times)
{
    std::printf("  %-34s median %7.3f ms  quietest round %7.3f ms\n", what, bench::Median(times),
                bench::QuietestRound(times));
}

/* kSamples refreshes with the light moving, each with its repaint. */
std::vector<double> TimeRefreshes(HWND dialog)
{
    std::vector<double> times;
    for (int i = 0; i < kSamples; i++) {
        double start = bench::NowMs();
        RefreshPreview((int16_t)(60 + i % 40), (int16_t)(50 + i % 30));
        UpdateWindow(previewControl);
        times.push_back(bench::NowMs() - start);
    }
    return times;
}

/* The host's render alone of the user's flare at the preview size. */
std::vector<double> TimeRenders()
{
    std::vector<double> times;
    KaGBuffer *buffer = PreviewGBuffer();
    for (int i = 0; i < kSamples; i++) {
        double start = bench::NowMs();
        ClearGBuffer(buffer);
        Ki_LensFlareApplyToGBuffer(buffer, currentInstance->handleType,
                                   currentInstance->handleName, 60 + i % 40, 50 + i % 30,
                                   nullptr);
        times.push_back(bench::NowMs() - start);
    }
    return times;
}

void Measure(HWND dialog)
{
    Print("plain refresh", TimeRefreshes(dialog));
    Print("one render at the preview size", TimeRenders());
    SendMessageA(dialog, WM_SYSCOMMAND, IDM_SOLO_ELEMENT, 0);
    Print("solo refresh", TimeRefreshes(dialog));
    SendMessageA(dialog, WM_SYSCOMMAND, IDM_SOLO_ELEMENT, 0);
    SendMessageA(dialog, WM_SYSCOMMAND, IDM_HOLD_SNAPSHOT, 0);
    SendMessageA(dialog, WM_SYSCOMMAND, IDM_SPLIT_VIEW, 0);
    Print("split refresh, the light moving", TimeRefreshes(dialog));
    std::vector<double> still;
    for (int i = 0; i < kSamples; i++) {
        double start = bench::NowMs();
        RefreshPreview(-1, -1);
        UpdateWindow(previewControl);
        still.push_back(bench::NowMs() - start);
    }
    Print("split refresh, the light still", still);
    SendMessageA(dialog, WM_SYSCOMMAND, IDM_SPLIT_VIEW, 0);
}

} // namespace

int main()
{
    bench::EditorHost host("solo_bench", kLight);
    if (!host.instance)
        return 1;
    std::vector<std::string> types = bench::ElementTypeNames(kLight);
    for (int elements : {(int)types.size(), 40}) {
        bench::RepeatElements(kLight, types, elements);
        std::printf("%d elements (%s):\n", elements,
                    elements == (int)types.size() ? "default flare" : "default repeated");
        bench::RunEditor(host.instance, host.owner, kLight, Measure);
    }
    return 0;
}

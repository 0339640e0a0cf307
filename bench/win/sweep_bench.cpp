/*
 * sweep_bench.cpp - what one frame of the preview's light sweep costs at
 * the editor's preview size: the G-buffer cleared (and the occluder put
 * in), the host's render, the conversion, the luminance sample and the
 * bitmap drawn with the sweep's overlay, for the demo light's default
 * flare along the default path, without and with the occluder.  Frame 0
 * is the sweep's start, set-up included.
 *
 *   tools/wine-run build/win/bin/sweep_bench.exe [frames]
 *
 * Prints frames a second, the worst frame and the five slowest with their
 * numbers; it fails nothing.
 */
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <windows.h>

#include "bench_support.h"
#include "entry/plugin.h"
#include "model/lens_flare_model.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "preview_dialog.h"

namespace {

const char kLight[] = "Light01";   /* the demo host's light */
const double kTargetMs = 5.0;

double Now(const LARGE_INTEGER &frequency)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

void Print(const char *what, const std::vector<double> &times)
{
    std::vector<int> order(times.size());
    for (size_t i = 0; i < order.size(); i++)
        order[i] = (int)i;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return times[a] < times[b]; });
    double sum = 0.0;
    for (double t : times)
        sum += t;
    double mean = sum / (double)times.size();
    double worst = times[order.back()], p99 = times[order[order.size() * 99 / 100]];
    std::printf("  %-16s %6.1f frames a second  mean %6.3f ms  median %6.3f ms  p99 %6.3f ms"
                "  worst %6.3f ms  target %.0f ms: %s\n",
                what, 1000.0 / mean, mean, times[order[order.size() / 2]], p99, worst, kTargetMs,
                worst <= kTargetMs ? "met" : "MISSED by the worst frame");
    std::printf("  %-16s slowest (frame: ms):", "");
    for (size_t i = 0; i < order.size() && i < 5; i++)
        std::printf("  %d: %.3f", order[order.size() - 1 - i], times[order[order.size() - 1 - i]]);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    if (frames < 10)
        frames = 10;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    PluginInstance instance;
    bench::OpenInstanceOnLight(&instance, kLight);
    ReadLensFlare(&instance.model, instance.handleType, instance.handleName);

    /* The editor's preview and sweep, and nothing else. */
    ui::previewDrawn = DrawLightSweepOverlay;
    HWND dialog = ui::OpenPreviewDialog();
    if (!dialog || !editorPreview.valid || !PreviewGBuffer() || !instance.model) {
        std::fprintf(stderr, "sweep_bench: the preview could not be set up\n");
        return 1;
    }
    SetUpLightSweep(dialog);
    RefreshPreview(-1, -1);
    const int width = editorPreview.header->biWidth, height = editorPreview.header->biHeight;
    std::printf("light sweep frames (default flare of \"%s\"), preview %d x %d, "
                "%d frames\n",
                kLight, width, height, frames);

    for (int occluder = 0; occluder < 2; occluder++) {
        if (SweepBehindOccluder() != (occluder != 0))
            ToggleSweepOccluder(dialog);
        std::vector<double> times;
        double begun = Now(frequency);
        StartLightSweep();   /* frame 0, with the sweep's set-up */
        times.push_back(Now(frequency) - begun);
        for (int i = 1; i < frames && LightSweepRunning(); i++) {
            double start = Now(frequency);
            ShowSweepAt((double)i / (frames - 1));
            times.push_back(Now(frequency) - start);
        }
        StopLightSweep();
        if (times.empty()) {
            std::fprintf(stderr, "sweep_bench: the sweep did not start\n");
            return 1;
        }
        Print(occluder ? "behind occluder" : "plain", times);
    }
    ToggleSweepOccluder(dialog); /* the option back off */

    TearDownLightSweep();
    DestroyWindow(dialog);
    currentInstance = nullptr;
    return 0;
}

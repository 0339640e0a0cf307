/*
 * preview_bench.cpp - what one preview refresh costs while the user drags
 * the light: from the WM_MOUSEMOVE message to the bitmap drawn through
 * WM_DRAWITEM (clear, host render, conversion, invalidate and UpdateWindow),
 * for the demo light's default flare at the editor's preview size.  Beside
 * it the host renderer's own time for the same flare, size and positions,
 * and the plug-in's share split into conversion and drawing.
 *
 *   tools/wine-run build/win/bin/preview_bench.exe [--paletted] [drags]
 *   tools/server-requests build/win/bin/preview_bench.exe
 *
 * --paletted measures the 8-bit form a 256-colour display gets.
 * Prints figures; it fails nothing.
 */
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <windows.h>

#include "bench_support.h"
#include "entry/plugin.h"
#include "preview/preview.h"
#include "preview_dialog.h"
#include "resources/resource_ids.h"

namespace {

const char kLight[] = "Light01";   /* the demo host's light */
const double kTargetMs = 2.5;

/* Bitmaps drawn by WM_DRAWITEM, so that a refresh is only timed as
 * complete once the picture is on screen. */
int drawnBitmaps;

struct Figures {
    double median, p10, p90;
};

Figures Summarise(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    size_t n = times.size();
    return {times[n / 2], times[n / 10], times[n * 9 / 10]};
}

void Print(const char *what, const std::vector<double> &times)
{
    Figures f = Summarise(times);
    std::printf("  %-30s median %6.3f ms  quietest round %6.3f ms  (p10 %6.3f, p90 %6.3f)\n",
                what, f.median, bench::QuietestRound(times), f.p10, f.p90);
}

/* Mouse points of a drag that circles the preview's centre. */
std::vector<POINT> DragPath(int width, int height, int count)
{
    std::vector<POINT> path;
    for (int i = 0; i < count; i++) {
        double angle = 2.0 * 3.14159265358979 * i / 97.0;
        double reach = 0.15 + 0.3 * (double)(i % 50) / 50.0;
        path.push_back({(LONG)(width / 2 + std::cos(angle) * reach * width),
                        (LONG)(height / 2 + std::sin(angle) * reach * height)});
    }
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    int drags = 500;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--paletted") == 0)
            forcePaletteDisplay = true;
        else
            drags = std::atoi(argv[i]);
    }
    if (drags < 10 * bench::kRounds)
        drags = 10 * bench::kRounds;
    PluginInstance instance;
    bench::OpenInstanceOnLight(&instance, kLight);

    ui::previewDrawn = [](HDC) { drawnBitmaps++; };
    HWND dialog = ui::OpenPreviewDialog();
    if (!dialog || !editorPreview.valid || !PreviewGBuffer()) {
        std::fprintf(stderr, "preview_bench: the preview could not be set up\n");
        return 1;
    }
    HWND preview = GetDlgItem(dialog, IDC_PREVIEW);
    RECT client;
    GetClientRect(preview, &client);
    const int width = editorPreview.header->biWidth, height = editorPreview.header->biHeight;
    std::vector<POINT> path = DragPath(client.right, client.bottom, drags);

    /* Warm up: first render, first paint. */
    RefreshPreview(-1, -1);
    UpdateWindow(preview);

    std::vector<double> refresh, hostOnly, conversion, drawing;
    int missing = 0;
    SendMessageA(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(path[0].x, path[0].y));
    UpdateWindow(preview);
    for (const POINT &p : path) {
        int before = drawnBitmaps;
        bench::MarkSampleStart("drag step");
        double start = bench::NowMs();
        SendMessageA(preview, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        UpdateWindow(preview);
        refresh.push_back(bench::NowMs() - start);
        bench::MarkSampleEnd();
        missing += drawnBitmaps == before;
    }
    SendMessageA(preview, WM_LBUTTONUP, 0, MAKELPARAM(path.back().x, path.back().y));

    /* The same positions rendered by the host alone into a buffer of the
     * same size, with no progress callback. */
    KaGBuffer *buffer = Ki_Alloc_Global_GBuffer(width, height, height, 0);
    for (const POINT &p : path) {
        ClearGBuffer(buffer);
        double start = bench::NowMs();
        Ki_LensFlareApplyToGBuffer(buffer, instance.handleType, kLight, p.x,
                                   height - p.y - 1, nullptr);
        hostOnly.push_back(bench::NowMs() - start);
    }
    Ki_Free_Global_GBuffer(buffer);

    for (size_t i = 0; i < path.size(); i++) {
        double start = bench::NowMs();
        ConvertGBufferToImage(PreviewGBuffer(), &editorPreview);
        double converted = bench::NowMs();
        InvalidateRect(preview, nullptr, FALSE);
        UpdateWindow(preview);
        conversion.push_back(converted - start);
        drawing.push_back(bench::NowMs() - converted);
    }

    /* In the paletted form the host's dither is part of the conversion. */
    std::vector<double> dither;
    if (editorPreview.paletted) {
        static KaColor map[256];
        Ki_Compute_Colormap(0, 5, 9, 5, map);
        std::vector<unsigned char> indices((size_t)editorPreview.rowLength * height);
        for (size_t i = 0; i < path.size(); i++) {
            for (size_t k = 0; k < indices.size(); k++)
                indices[k] = (unsigned char)(editorPreview.pixels[k] - PALETTE_MAP_FIRST);
            int32_t flag = 0;
            double start = bench::NowMs();
            Ki_Dither_Image(indices.data(), map, (int16_t)width, (int16_t)height, 5, 9, 5, &flag);
            dither.push_back(bench::NowMs() - start);
        }
    }

    std::printf("preview refresh while dragging the light (default flare of \"%s\")\n", kLight);
    std::printf("  preview %d x %d pixels, %s, %d drags in %d rounds\n", width, height,
                editorPreview.paletted ? "8-bit paletted" : "24-bit", drags, bench::kRounds);
    Print("refresh (move to drawn)", refresh);
    Print("host renderer alone", hostOnly);
    Print("plug-in: conversion", conversion);
    Print("plug-in: invalidate + draw", drawing);
    if (!dither.empty())
        Print("  of the conversion: host dither", dither);
    double total = bench::QuietestRound(refresh), host = bench::QuietestRound(hostOnly);
    std::printf("  quietest rounds: refresh %.3f ms, of which the host renderer %.3f ms; "
                "target %.1f ms: %s\n",
                total, host, kTargetMs, total <= kTargetMs ? "met" : "MISSED");
    double convert = bench::QuietestRound(conversion);
    std::printf("  quietest rounds: conversion %.3f ms, %.2f of the host renderer; "
                "target at most a third: %s\n",
                convert, convert / host, 3.0 * convert <= host ? "met" : "MISSED");
    if (missing)
        std::printf("  warning: %d refreshes drew no bitmap\n", missing);

    DestroyWindow(dialog);
    currentInstance = nullptr;
    return 0;
}

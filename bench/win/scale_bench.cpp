/*
 * scale_bench.cpp - how the editor's costs grow with the flare: at 10, 100,
 * 1,000 and 10,000 elements of the default mix (the demo light's default
 * flare's elements repeated, built through keyword calls), in the real
 * editor dialog run modally on a light of the reference host:
 *   - the model read (ReadLensFlare) and one write-back (WriteLensFlare);
 *   - an undo and a redo of a value and of a removal, with their repaint;
 *   - open to first preview (the host's call to the editor idle with its
 *     first preview drawn) and OK (the click to the host's call returning);
 *   - the host blocks left once OK has closed the editor;
 *   - the ratio of 10,000 to 1,000 elements for every figure (linear is 10);
 *   - undo's memory for 100 steps at 1,000 elements.
 * It also writes each flare as a library file, for the demo host:
 *   tools/wine-run build/win/bin/flarehost.exe --effect FILE --screenshot X.png
 *
 *   tools/wine-run build/win/bin/scale_bench.exe [largest]
 *
 * Prints figures; it fails nothing.
 */
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <psapi.h>

#include "bench_support.h"
#include "controls/controls.h"
#include "editor/editor.h"
#include "editor/undo.h"
#include "entry/plugin.h"
#include "host_app.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "preview/preview.h"
#include "refhost_api.h"
#include "resources/resource_ids.h"

namespace {

KaToken T(const char *keyword)
{
    return Ki_Inquire_Token(keyword);
}

const int kFigures = 10;
const char *const kFigureNames[kFigures] = {
    "model read", "one write-back", "undo a value", "redo a value",
    "undo a removal", "redo a removal", "open to first preview", "OK",
    "  of these: host render", "  of these: list refill"};

struct Row {
    int elements;
    double ms[kFigures];
    long long blocksAfterOk;
};

struct Bench {
    HWND owner;
    PluginInstance *instance;
};

/* The default flare's elements repeated in order up to count. */
void BuildFlare(const char *light, int count)
{
    Ki_Light(light, T("model"), T("point"), 1, 0);
    std::vector<std::string> types = bench::ElementTypeNames(light);
    int have = (int)types.size();
    bench::RepeatElements(light, types, count);
    for (int i = count; i < have; i++) {
        const char *guid = nullptr;
        int32_t last = have - 1 - (i - count);
        Ki_Inquire_LensFlare(T("light"), light, T("element"), &last, T("guid"), &guid, 1, 0);
        Ki_LensFlare(T("light"), light, T("delete"), guid, 0);
    }
}

int SamplesFor(int elements)
{
    return std::max(3, std::min(25, 3000 / elements));
}

double TimeModel(const char *light, int samples, bool write)
{
    std::vector<double> times;
    LensFlareModel *model = nullptr;
    KaToken type = T("light");
    ReadLensFlare(&model, type, light);
    for (int i = 0; i < samples; i++) {
        double start = bench::NowMs();
        if (write) {
            WriteLensFlare(&model, type, light);
        } else {
            LensFlareModel *fresh = nullptr;
            ReadLensFlare(&fresh, type, light);
            times.push_back(bench::NowMs() - start);
            FreeLensFlareModel(&fresh);
            continue;
        }
        times.push_back(bench::NowMs() - start);
    }
    FreeLensFlareModel(&model);
    return bench::Median(times);
}

void Settle(HWND dialog)
{
    UpdateWindow(dialog);
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

double TimeCommand(HWND dialog, UINT command)
{
    double start = bench::NowMs();
    SendMessageA(dialog, WM_SYSCOMMAND, command, 0);
    Settle(dialog);
    return bench::NowMs() - start;
}

void TypeValue(TinySlider *slider, int i)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", 1 + i % 3, i % 100);
    SetWindowTextA(slider->edit, text);
}

/* What a refresh and a structural command cost besides the plug-in's own
 * work: the host's render of the flare at the preview's size, and the
 * element list filled again. */
void MeasureParts(HWND dialog, int samples, Row *row)
{
    std::vector<double> render, refill;
    KaGBuffer *buffer = PreviewGBuffer();
    for (int i = 0; buffer && i < samples; i++) {
        ClearGBuffer(buffer);
        double start = bench::NowMs();
        Ki_LensFlareApplyToGBuffer(buffer, T("light"), currentInstance->handleName,
                                   buffer->width / 4, buffer->height / 4, nullptr);
        render.push_back(bench::NowMs() - start);
    }
    for (int i = 0; i < samples; i++) {
        double start = bench::NowMs();
        SendMessageA(dialog, WM_REFRESH_ELEMENT_LIST, 0, 0);
        refill.push_back(bench::NowMs() - start);
    }
    row->ms[8] = bench::Median(render);
    row->ms[9] = bench::Median(refill);
}

/* Undo and redo of a typed value, then of a removal in the middle. */
void MeasureUndo(HWND dialog, int elements, int samples, Row *row)
{
    MeasureParts(dialog, samples, row);
    std::vector<double> times[4];
    TypeValue(intensitySlider, 1);
    Settle(dialog);
    for (int i = 0; i < samples; i++) {
        times[0].push_back(TimeCommand(dialog, IDM_SYSTEM_UNDO));
        times[1].push_back(TimeCommand(dialog, IDM_SYSTEM_REDO));
    }
    HWND list = GetDlgItem(dialog, IDC_ELEMENT_LIST);
    SendMessageA(list, LB_SETCURSEL, elements / 2, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ELEMENT_LIST, LBN_SELCHANGE), (LPARAM)list);
    SendDlgItemMessageA(dialog, IDC_REMOVE_ELEMENT, BM_CLICK, 0, 0);
    Settle(dialog);
    for (int i = 0; i < samples; i++) {
        times[2].push_back(TimeCommand(dialog, IDM_SYSTEM_UNDO));
        times[3].push_back(TimeCommand(dialog, IDM_SYSTEM_REDO));
    }
    for (int f = 0; f < 4; f++)
        row->ms[2 + f] = bench::Median(times[f]);
}

/* Committed private memory; Wine leaves PrivateUsage at 0. */
SIZE_T CommittedBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

void MeasureUndoMemory(HWND dialog)
{
    int64_t bytes = 0, bytesAfter = 0;
    Kh_Memory_Stats(nullptr, &bytes);
    SIZE_T process = CommittedBytes();
    double start = bench::NowMs();
    for (int i = 0; i < UNDO_MAX_STEPS; i++)
        TypeValue(intensitySlider, i);
    Settle(dialog);
    double ms = bench::NowMs() - start;
    Kh_Memory_Stats(nullptr, &bytesAfter);
    double own = (double)((int64_t)CommittedBytes() - (int64_t)process) / 1048576.0;
    std::printf("undo memory, %d typed values at 1,000 elements: process %+.2f MiB, host %+.3f MiB,"
                " %.0f ms for the %d (write, preview and record each)\n",
                UNDO_MAX_STEPS, own, (double)(bytesAfter - bytes) / 1048576.0, ms, UNDO_MAX_STEPS);
}

/* The flare as a library file; the demo host empties its light's flare
 * before it loads one. */
void SaveLibrary(const char *light, int elements, const char *folder)
{
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%sscale_%d.lnz", folder, elements);
    int32_t status = -1;
    Ki_LensFlare(T("light"), light, T("savetofile"), path, &status, 0);
    std::printf("  library file %s (status %d)\n", path, status);
}

Row MeasureSize(const Bench &bench, int elements, const char *folder)
{
    Row row = {elements, {}, 0};
    char light[32];
    std::snprintf(light, sizeof light, "Scale%d", elements);
    BuildFlare(light, elements);
    int samples = SamplesFor(elements);
    row.ms[0] = TimeModel(light, samples, false);
    row.ms[1] = TimeModel(light, samples, true);
    int64_t before = 0, after = 0;
    Kh_Memory_Stats(&before, nullptr);
    std::vector<double> open, ok;
    for (int i = 0; i < std::max(3, samples / 5); i++) {
        bench::EditorTimes times = bench::RunEditor(bench.instance, bench.owner, light, [](HWND) {});
        open.push_back(times.open);
        ok.push_back(times.ok);
    }
    Kh_Memory_Stats(&after, nullptr);
    row.blocksAfterOk = (long long)(after - before);
    row.ms[6] = bench::Median(open);
    row.ms[7] = bench::Median(ok);
    bench::RunEditor(bench.instance, bench.owner, light,
                     [&](HWND dialog) { MeasureUndo(dialog, elements, samples, &row); });
    if (elements == 1000)
        bench::RunEditor(bench.instance, bench.owner, light, MeasureUndoMemory);
    SaveLibrary(light, elements, folder);
    Ki_Remove(T("light"), light, 0);
    return row;
}

void PrintTable(const std::vector<Row> &rows)
{
    std::printf("\n%-24s", "median ms");
    for (const Row &r : rows)
        std::printf(" %10d", r.elements);
    std::printf("   10,000 / 1,000\n");
    const Row *thousand = nullptr, *most = nullptr;
    for (const Row &r : rows) {
        if (r.elements == 1000)
            thousand = &r;
        if (r.elements == 10000)
            most = &r;
    }
    for (int f = 0; f < kFigures; f++) {
        std::printf("%-24s", kFigureNames[f]);
        for (const Row &r : rows)
            std::printf(" %10.3f", r.ms[f]);
        if (thousand && most && thousand->ms[f] > 0)
            std::printf("   %6.1f", most->ms[f] / thousand->ms[f]);
        std::printf("\n");
    }
    std::printf("%-24s", "host blocks after OK");
    for (const Row &r : rows)
        std::printf(" %10lld", r.blocksAfterOk);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    int largest = argc > 1 ? std::max(10, std::atoi(argv[1])) : 10000;
    bench::EditorHost host("scale_bench", nullptr);
    if (!host.instance)
        return 1;
    Bench bench = {host.owner, host.instance};
    std::vector<Row> rows;
    for (int elements = 10; elements <= largest; elements *= 10) {
        std::printf("%d elements\n", elements);
        std::fflush(stdout);
        rows.push_back(MeasureSize(bench, elements, host.temp));
    }
    PrintTable(rows);
    return 0;
}

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

/* The script run once the editor first idles; it ends with OK. */
std::function<void(HWND)> script;
double openedAt, okAt;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && script) {
        openedAt = bench::NowMs();
        HWND dialog = reinterpret_cast<HWND>(lParam);
        std::function<void(HWND)> run = script;
        script = nullptr;
        run(dialog);
        HWND ok = GetDlgItem(dialog, IDOK);
        SetFocus(ok);
        okAt = bench::NowMs();
        PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(ok));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Bench {
    HWND owner;
    PluginInstance *instance;
};

/* Runs the editor on the light; *open and *ok get the two timings. */
void RunEditor(const Bench &bench, const char *light, std::function<void(HWND)> steps,
               double *open, double *ok)
{
    script = steps;
    const char *keywords[] = {"handle_type", "execute_lens_flare_dialog_box", nullptr};
    void *values[] = {reinterpret_cast<void *>((uintptr_t)T("light")), const_cast<char *>(light),
                      nullptr};
    double start = bench::NowMs();
    ExecuteLensFlareCommand(bench.instance, bench.owner, keywords, values);
    double end = bench::NowMs();
    if (open)
        *open = openedAt - start;
    if (ok)
        *ok = end - okAt;
}

/* The default flare's elements repeated in order up to count. */
void BuildFlare(const char *light, int count)
{
    Ki_Light(light, T("model"), T("point"), 1, 0);
    std::vector<std::string> types;
    int32_t have = 0;
    Ki_Inquire_LensFlare(T("light"), light, T("numelements"), &have, 1, 0);
    for (int32_t e = 0; e < have; e++) {
        const char *name = nullptr;
        Ki_Inquire_LensFlare(T("light"), light, T("element"), &e, T("name"), &name, 1, 0);
        types.push_back(name ? name : "");
    }
    for (int i = have; i < count; i++) {
        const char *guid = nullptr;
        Ki_LensFlare(T("light"), light, T("insert"), T("end"), types[i % types.size()].c_str(),
                     &guid, 0);
    }
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
        double o = 0, k = 0;
        RunEditor(bench, light, [](HWND) {}, &o, &k);
        open.push_back(o);
        ok.push_back(k);
    }
    Kh_Memory_Stats(&after, nullptr);
    row.blocksAfterOk = (long long)(after - before);
    row.ms[6] = bench::Median(open);
    row.ms[7] = bench::Median(ok);
    RunEditor(bench, light, [&](HWND dialog) { MeasureUndo(dialog, elements, samples, &row); },
              nullptr, nullptr);
    if (elements == 1000)
        RunEditor(bench, light, MeasureUndoMemory, nullptr, nullptr);
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
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    Kh_Set_Environment("KA_WORKING_DIR", temp);
    Kh_Set_Error_Echo(0);
    moduleHandle = GetModuleHandleA(nullptr);

    HWND owner = bench::CreateOwnerWindow("ScaleBenchOwner", OwnerProc);
    DemoHostServices services(temp);
    services.mainWindow = owner;
    services.showHelpWindow = false;
    const char *keywords[] = {"parent_hInstance", "new_instance", nullptr};
    void *values[] = {static_cast<HostServices *>(&services), nullptr, nullptr};
    int32_t status = -1;
    PluginEntryPoint(keywords, values, &status, nullptr);
    Bench bench = {owner, static_cast<PluginInstance *>(values[1])};
    if (!bench.instance) {
        std::fprintf(stderr, "scale_bench: no plug-in instance\n");
        return 1;
    }
    std::vector<Row> rows;
    for (int elements = 10; elements <= largest; elements *= 10) {
        std::printf("%d elements\n", elements);
        std::fflush(stdout);
        rows.push_back(MeasureSize(bench, elements, temp));
    }
    PrintTable(rows);
    const char *destroy[] = {"destroy_instance", nullptr};
    void *none[] = {nullptr, nullptr};
    PluginEntryPoint(destroy, none, &status, bench.instance);
    DestroyWindow(owner);
    return 0;
}

/*
 * undo_bench.cpp - what the editor's undo history costs, in the real editor
 * dialog run modally on a light of the reference host, for the demo
 * light's default flare and for its elements repeated to 40:
 *   - recording one step (the capture after an edit), beside the whole
 *     edit it belongs to (a typed global value with its write and preview);
 *   - one undo and one redo through the system menu, the preview refresh
 *     and repaint included, for a value step and for a removal;
 *   - host memory and process memory after 100 steps.
 * With --soak N it instead runs N editor sessions with edits, undos and
 * redos and prints the GDI objects and host blocks left over.
 *
 *   tools/wine-run build/win/bin/undo_bench.exe [--soak sessions]
 *   tools/server-requests build/win/bin/undo_bench.exe
 *
 * GDI objects are counted as the tests count them (Wine has no
 * GetGuiResources).  Prints figures; it fails nothing.
 */
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
#include "refhost_api.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

const char kLight[] = "Light01";
const int kSamples = 60;

void Print(const char *what, const std::vector<double> &times, const char *note)
{
    std::printf("  %-28s median %7.3f ms  quietest round %7.3f ms  %s\n", what,
                bench::Median(times), bench::QuietestRound(times), note);
}

struct Bench {
    HWND owner;
    PluginInstance *instance;
};

void RunEditor(const Bench &bench, std::function<void(HWND)> steps)
{
    bench::RunEditor(bench.instance, bench.owner, kLight, steps);
}

void Settle(HWND dialog)
{
    UpdateWindow(dialog);
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TypeValue(TinySlider *slider, int i)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", 1 + i % 3, i % 100);
    SetWindowTextA(slider->edit, text);
}

/* kSamples undo and redo pairs of the last step, each timed with its repaint. */
void TimeUndoRedo(HWND dialog, const char *what, std::vector<double> *undo,
                  std::vector<double> *redo)
{
    std::string undoMark = std::string("undo ") + what, redoMark = std::string("redo ") + what;
    for (int i = 0; i < kSamples; i++) {
        bench::MarkSampleStart(undoMark.c_str());
        double start = bench::NowMs();
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_UNDO, 0);
        Settle(dialog);
        undo->push_back(bench::NowMs() - start);
        bench::MarkSampleEnd();
        bench::MarkSampleStart(redoMark.c_str());
        start = bench::NowMs();
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_REDO, 0);
        Settle(dialog);
        redo->push_back(bench::NowMs() - start);
        bench::MarkSampleEnd();
    }
}

TinySlider *FirstPanelSlider()
{
    const FlareElement *e = currentInstance->currentElement;
    for (const ElementParameter *p = e ? e->firstParameter : nullptr; p; p = p->next)
        if (p->slider)
            return p->slider;
    return nullptr;
}

void Measure(HWND dialog, int elements)
{
    LensFlareModel *m = currentInstance->model;
    std::vector<double> record, edit, undoValue, redoValue, undoRemove, redoRemove;
    std::vector<double> undoElementValue, redoElementValue;
    for (int i = 0; i < kSamples; i++) {
        m->scale = 1.0f + 0.001f * (float)(i + 1);
        double start = bench::NowMs();
        {
            UndoStep step("Bench");   /* recorded as it closes */
        }
        record.push_back(bench::NowMs() - start);
    }
    for (int i = 0; i < kSamples; i++) {
        double start = bench::NowMs();
        TypeValue(intensitySlider, i);
        Settle(dialog);
        edit.push_back(bench::NowMs() - start);
    }
    std::string size = " of " + std::to_string(elements);
    TimeUndoRedo(dialog, ("a value" + size).c_str(), &undoValue, &redoValue);
    HWND list = GetDlgItem(dialog, IDC_ELEMENT_LIST);
    SendMessageA(dialog, WM_TABSTRIP_CLICKED, SECTION_ELEMENT, 0);
    SendMessageA(list, LB_SETCURSEL, elements / 2, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ELEMENT_LIST, LBN_SELCHANGE), (LPARAM)list);
    if (TinySlider *slider = FirstPanelSlider()) {
        TypeValue(slider, 7);
        Settle(dialog);
        TimeUndoRedo(dialog, ("an element value" + size).c_str(), &undoElementValue,
                     &redoElementValue);
    }
    SendDlgItemMessageA(dialog, IDC_REMOVE_ELEMENT, BM_CLICK, 0, 0);
    Settle(dialog);
    TimeUndoRedo(dialog, ("a removal" + size).c_str(), &undoRemove, &redoRemove);
    Print("record one step", record, "(target < 1 ms)");
    Print("typed global value, whole", edit, "(write, preview and record)");
    Print("undo a value", undoValue, "(target < 30 ms)");
    Print("redo a value", redoValue, "(target < 30 ms)");
    Print("undo an element's value", undoElementValue, "(target < 30 ms)");
    Print("redo an element's value", redoElementValue, "(target < 30 ms)");
    Print("undo a removal", undoRemove, "(target < 30 ms)");
    Print("redo a removal", redoRemove, "(target < 30 ms)");
}

/* Committed private memory; Wine leaves PrivateUsage at 0, so the page
 * file figure, which Windows keeps equal to it. */
SIZE_T CommittedBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

/* 100 typed values on top of the opening state: a full history.  The
 * history is the process's own memory; the host's blocks live in the
 * process too, so the sum may count them twice. */
void MeasureMemory(HWND)
{
    int64_t blocks = 0, bytes = 0, blocksAfter = 0, bytesAfter = 0;
    Kh_Memory_Stats(&blocks, &bytes);
    SIZE_T process = CommittedBytes();
    for (int i = 0; i < UNDO_MAX_STEPS; i++)
        TypeValue(intensitySlider, i);
    Kh_Memory_Stats(&blocksAfter, &bytesAfter);
    double host = (double)(bytesAfter - bytes) / 1048576.0;
    double own = (double)((int64_t)CommittedBytes() - (int64_t)process) / 1048576.0;
    std::printf("  %d steps: host %+.3f MiB in %+lld blocks, process %+.3f MiB, together %.3f MiB"
                " (target < 8 MiB)\n",
                UNDO_MAX_STEPS, host, (long long)(blocksAfter - blocks), own, host + own);
}

void Soak(const Bench &bench, int sessions)
{
    int gdiBefore = -1;
    int64_t blocksBefore = 0;
    for (int s = 0; s < sessions; s++) {
        if (s == 5) {
            gdiBefore = ui::CountGdiObjects();
            Kh_Memory_Stats(&blocksBefore, nullptr);
        }
        if (s % 100 == 0)
            std::fprintf(stderr, "soak: session %d\n", s);
        RunEditor(bench, [](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_ELEMENT_LIST);
            SendMessageA(list, LB_SETCURSEL, 0, 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ELEMENT_LIST, LBN_SELCHANGE),
                         (LPARAM)list);
            SendDlgItemMessageA(dialog, IDC_REMOVE_ELEMENT, BM_CLICK, 0, 0);
            SendDlgItemMessageA(dialog, IDC_MOVE_DOWN, BM_CLICK, 0, 0);
            TypeValue(intensitySlider, 7);
            SendDlgItemMessageA(dialog, IDC_FADE_BEHIND, BM_CLICK, 0, 0);
            for (UINT command : {IDM_SYSTEM_UNDO, IDM_SYSTEM_UNDO, IDM_SYSTEM_REDO, IDM_SYSTEM_UNDO,
                                 IDM_SYSTEM_UNDO, IDM_SYSTEM_UNDO})
                SendMessageA(dialog, WM_SYSCOMMAND, command, 0);
            Settle(dialog);
        });
    }
    int gdiAfter = ui::CountGdiObjects();
    int64_t blocksAfter = 0;
    Kh_Memory_Stats(&blocksAfter, nullptr);
    std::printf("soak: %d editor sessions with edits, undos and redos\n", sessions);
    std::printf("  GDI objects after session 5: %d, at the end: %d (%+d)\n", gdiBefore, gdiAfter,
                gdiAfter - gdiBefore);
    std::printf("  host blocks after session 5: %lld, at the end: %lld (%+lld)\n",
                (long long)blocksBefore, (long long)blocksAfter,
                (long long)(blocksAfter - blocksBefore));
}

} // namespace

int main(int argc, char **argv)
{
    int soak = 0;
    if (argc > 2 && std::strcmp(argv[1], "--soak") == 0)
        soak = std::max(1, std::atoi(argv[2]));
    bench::EditorHost host("undo_bench", kLight);
    if (!host.instance)
        return 1;
    Bench bench = {host.owner, host.instance};

    if (soak) {
        Soak(bench, soak);
    } else {
        std::vector<std::string> types = bench::ElementTypeNames(kLight);
        for (int elements : {(int)types.size(), 40}) {
            bench::RepeatElements(kLight, types, elements);
            std::printf("%d elements (%s):\n", elements,
                        elements == (int)types.size() ? "default flare" : "default repeated");
            RunEditor(bench, [=](HWND dialog) { Measure(dialog, elements); });
            RunEditor(bench, MeasureMemory);
        }
    }
    bench::DestroyPluginInstance(host.instance);
    host.instance = nullptr;
    if (soak) {
        int64_t blocks = 0;
        Kh_Memory_Stats(&blocks, nullptr);
        std::printf("  host blocks once the instance is destroyed: %lld\n", (long long)blocks);
    }
    return 0;
}

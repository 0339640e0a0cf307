/*
 * clipboard_bench.cpp - what copy, paste and duplicate of one element cost
 * in the real editor dialog run modally on a light of the reference host,
 * for the demo light's default flare repeated to 40 elements.  Each paste
 * and duplicate is timed whole: the insert, the re-read, the write-back,
 * the panel, the undo step and the preview render with its repaint; an
 * undo (not timed) brings the flare back to 40 elements between samples.
 *
 *   tools/wine-run build/win/bin/clipboard_bench.exe
 *   tools/server-requests build/win/bin/clipboard_bench.exe
 *
 * Prints figures; it fails nothing.
 */
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "bench_support.h"
#include "editor/element_clipboard.h"
#include "entry/plugin.h"
#include "host_app.h"
#include "preview/preview.h"
#include "refhost_api.h"
#include "resources/resource_ids.h"

namespace {

const char kLight[] = "Light01";
const int kElements = 40;
const int kSamples = 60;

KaToken T(const char *keyword)
{
    return Ki_Inquire_Token(keyword);
}

/* The default flare's elements repeated in order up to kElements. */
void RepeatDefaultElements()
{
    int32_t count = 0;
    Ki_Inquire_LensFlare(T("light"), kLight, T("numelements"), &count, 1, 0);
    std::vector<std::string> types;
    for (int32_t e = 0; e < count; e++) {
        const char *name = nullptr;
        Ki_Inquire_LensFlare(T("light"), kLight, T("element"), &e, T("name"), &name, 1, 0);
        types.push_back(name ? name : "");
    }
    for (int i = count; i < kElements && !types.empty(); i++) {
        const char *guid = nullptr;
        Ki_LensFlare(T("light"), kLight, T("insert"), T("end"), types[i % types.size()].c_str(),
                     &guid, 0);
    }
}

void Settle(HWND dialog)
{
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Print(const char *what, const std::vector<double> &times)
{
    std::printf("  %-34s median %7.3f ms  quietest round %7.3f ms  (target < 20 ms)\n", what,
                bench::Median(times), bench::QuietestRound(times));
}

/* kSamples runs of the command, each undone afterwards. */
std::vector<double> TimeInsertions(HWND dialog, const char *what, void (*command)(HWND))
{
    std::vector<double> times;
    for (int i = 0; i < kSamples; i++) {
        SetFocus(GetDlgItem(dialog, IDC_ELEMENT_LIST));   /* where the keys are pressed */
        bench::MarkSampleStart(what);
        double start = bench::NowMs();
        command(dialog);
        Settle(dialog);
        times.push_back(bench::NowMs() - start);
        bench::MarkSampleEnd();
        SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYSTEM_UNDO, 0);
        Settle(dialog);
    }
    return times;
}

void Measure(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_ELEMENT_LIST);
    SendMessageA(list, LB_SETCURSEL, kElements / 2, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ELEMENT_LIST, LBN_SELCHANGE), (LPARAM)list);
    Settle(dialog);
    std::vector<double> copy;
    for (int i = 0; i < kSamples; i++) {
        double start = bench::NowMs();
        CopySelectedElement(dialog);
        copy.push_back(bench::NowMs() - start);
    }
    std::vector<double> refresh;
    for (int i = 0; i < kSamples; i++) {
        double start = bench::NowMs();
        RefreshPreview(-1, -1);
        Settle(dialog);
        refresh.push_back(bench::NowMs() - start);
    }
    std::vector<double> paste = TimeInsertions(dialog, "paste", PasteElement);
    std::vector<double> duplicate = TimeInsertions(dialog, "duplicate", DuplicateSelectedElement);
    std::printf("%d elements (default flare repeated), element %d selected:\n", kElements,
                kElements / 2);
    Print("copy", copy);
    Print("paste, with render and repaint", paste);
    Print("duplicate, with render and repaint", duplicate);
    std::printf("  %-34s median %7.3f ms  (the render every edit costs)\n", "preview refresh alone",
                bench::Median(refresh));
}

} // namespace

int main()
{
    bench::EditorHost host("clipboard_bench", kLight);
    if (!host.instance)
        return 1;
    RepeatDefaultElements();
    bench::RunEditor(host.instance, host.owner, kLight, Measure);
    return 0;
}

/*
 * browser_bench.cpp - what the effect browser costs, in the real editor
 * run modally on a light of the reference host, with a library of 100 and
 * then 1,000 lens effect files (the demo light's flare saved by the host):
 *   - from the system menu command to the browser up and idle (usable);
 *   - to the first screen of tiles drawn (no tile in view still grey);
 *   - to every tile drawn;
 *   - a second opening: up, and whether every picture was kept;
 *   - with 1,000 files, the kept pictures' bytes and the process's growth.
 *
 *   tools/wine-run build/win/bin/browser_bench.exe
 *
 * A thread timer looks every 5 ms; like the browser's own slices it runs
 * only when the queue is empty, so the figures include the paints.
 * Prints figures; it fails nothing.
 */
#include <cstdio>
#include <cstring>
#include <string>

#include <windows.h>
#include <psapi.h>

#include "bench_support.h"
#include "editor/editor.h"
#include "editor/effect_browser.h"
#include "entry/plugin.h"
#include "host_app.h"
#include "refhost_api.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

const char kLight[] = "Light01";
const COLORREF kPendingTile = RGB(48, 48, 56);
const int kPollMs = 5;

KaToken T(const char *keyword)
{
    return Ki_Inquire_Token(keyword);
}

struct Opening {
    double start = 0, usable = -1, firstScreen = -1, all = -1;
    std::string statusAtOpen;
};
Opening opening;
int openingsLeft;

std::string StatusOf(HWND browser)
{
    char text[512] = "";
    GetDlgItemTextA(browser, IDC_BROWSER_STATUS, text, sizeof text);
    return text;
}

void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD)
{
    HWND browser = FindWindowA(nullptr, "Effect Browser");
    if (!browser)
        return;
    double t = bench::NowMs() - opening.start;
    std::string status = StatusOf(browser);
    if (opening.usable < 0) {
        opening.usable = t;
        opening.statusAtOpen = status;
    }
    bool done = status.find("to draw") == std::string::npos;
    if (opening.firstScreen < 0 &&
        ui::CountColour(ui::PrintClient(GetDlgItem(browser, IDC_BROWSER_GRID)), kPendingTile) == 0)
        opening.firstScreen = t;
    if (done && opening.firstScreen >= 0 && opening.all < 0) {
        opening.all = t;
        PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
    }
}

void Report(const char *what)
{
    std::printf("  %-16s usable %7.1f ms  first screen %7.1f ms  all %8.1f ms  status at first look: %s\n",
                what, opening.usable, opening.firstScreen, opening.all,
                opening.statusAtOpen.c_str());
}

/* Committed private memory; Wine leaves PrivateUsage at 0. */
SIZE_T CommittedBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

void OpenAndMeasure(HWND editor, const char *what)
{
    opening = Opening();
    opening.start = bench::NowMs();
    SendMessageA(editor, WM_SYSCOMMAND, IDM_BROWSE_EFFECTS, 0);
    Report(what);
}

void Measure(HWND editor, int files)
{
    SIZE_T before = CommittedBytes();
    UINT_PTR poll = SetTimer(nullptr, 0, kPollMs, Poll);
    OpenAndMeasure(editor, "first opening");
    OpenAndMeasure(editor, "second opening");
    KillTimer(nullptr, poll);
    std::printf("  %d files: kept pictures %.2f MiB, process grew %.2f MiB\n", files,
                (double)EffectThumbnailBytes() / 1048576.0,
                (double)((int64_t)CommittedBytes() - (int64_t)before) / 1048576.0);
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && openingsLeft > 0) {
        HWND dialog = reinterpret_cast<HWND>(lParam);
        int files = openingsLeft;
        openingsLeft = 0;
        Measure(dialog, files);
        HWND ok = GetDlgItem(dialog, IDOK);
        SetFocus(ok);
        PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(ok));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

/* The files a run before left count too, so every round starts empty. */
void EmptyLibrary(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.lnz").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
        DeleteFileA((folder + "\\" + found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
}

void MakeLibrary(const std::string &folder, int files)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    EmptyLibrary(folder);
    for (int i = 0; i < files; i++) {
        char path[MAX_PATH];
        std::snprintf(path, sizeof path, "%s\\effect%04d.lnz", folder.c_str(), i);
        int32_t status = -1;
        Ki_LensFlare(T("light"), kLight, T("savetofile"), path, &status, 0);
    }
}

} // namespace

int main()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string work = std::string(temp) + "browser_bench";
    CreateDirectoryA(work.c_str(), nullptr);
    Kh_Set_Environment("KA_WORKING_DIR", work.c_str());
    Kh_Set_Error_Echo(0);
    moduleHandle = GetModuleHandleA(nullptr);
    Ki_Light(kLight, T("model"), T("point"), 1, 0);

    HWND owner = bench::CreateOwnerWindow("BrowserBenchOwner", OwnerProc);
    DemoHostServices services(work.c_str());
    services.mainWindow = owner;
    services.showHelpWindow = false;
    const char *keywords[] = {"parent_hInstance", "new_instance", nullptr};
    void *values[] = {static_cast<HostServices *>(&services), nullptr, nullptr};
    int32_t status = -1;
    PluginEntryPoint(keywords, values, &status, nullptr);
    PluginInstance *instance = static_cast<PluginInstance *>(values[1]);
    if (!instance) {
        std::fprintf(stderr, "browser_bench: no plug-in instance\n");
        return 1;
    }
    for (int files : {100, 1000}) {
        std::string folder = work + "\\lensfx";
        MakeLibrary(folder, files);
        std::printf("%d files (targets: usable < 100 ms, first screen < 500 ms, all of 100 < 3 s):\n",
                    files);
        openingsLeft = files;
        const char *open[] = {"handle_type", "execute_lens_flare_dialog_box", nullptr};
        void *openValues[] = {reinterpret_cast<void *>((uintptr_t)T("light")),
                              const_cast<char *>(kLight), nullptr};
        ExecuteLensFlareCommand(instance, owner, open, openValues);
    }
    EmptyLibrary(work + "\\lensfx");
    RemoveDirectoryA((work + "\\lensfx").c_str());
    const char *destroy[] = {"destroy_instance", nullptr};
    void *none[] = {nullptr, nullptr};
    PluginEntryPoint(destroy, none, &status, instance);
    DestroyWindow(owner);
    return 0;
}

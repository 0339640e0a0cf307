/*
 * editor_dialog.cpp - the modal "Lens Flare Editor".  It reads the flare
 * when it opens, routes every message to the part that owns it, and writes
 * the flare back when it closes.  There is no cancel: every change has
 * already gone to the host, so OK and the close box both commit.
 */
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "color/color.h"
#include "controls/controls.h"
#include "editor/editor.h"
#include "editor/effect_browser.h"
#include "editor/solo_compare.h"
#include "editor/undo.h"
#include "entry/plugin.h"
#include "host/host_services.h"
#include "host/kalvos_io.h"
#include "library/library.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

int16_t dialogBusy;        /* see entry/editor_state.h */
int16_t currentSection;
char *lastLibraryFile;
const char editorIniSection[] = "Lens-Flare-UI";

namespace {

const char kRealtimeKey[] = "Realtime-Updates";
const char kLastLibraryKey[] = "Last-Library-SaveTo-Filename";
const char kHelpTopic[] = "lens flare effects";
const int kPathSize = 300;
const int kEditTextSize = 256;
const int32_t kMinimumSeed = 1;
const float kMinimumDistance = 0.001f;
const float kDistanceChange = 0.0001f;   /* smaller edits are not worth a render */

/* The tab strip above the parameter area; owned by the editor while it runs. */
TabStrip *tabStrip;
TabItem *tabItems;
const int kTabCount = 3;

/* Items the editor adds to the caption's system menu; the undo history
 * keeps the texts of its own up to date. */
struct SystemMenuItem {
    UINT command;
    const char *text;
    UINT state;              /* as appended: undo's wait for a step */
    void (*run)(HWND dialog);
};

const SystemMenuItem kSystemMenuItems[] = {
    {IDM_SYSTEM_UNDO, "Undo\tCtrl+Z", MF_GRAYED, UndoLastStep},
    {IDM_SYSTEM_REDO, "Redo\tCtrl+Y", MF_GRAYED, RedoNextStep},
    {IDM_PLAY_LIGHT_SWEEP, "Play Light Sweep\tF5", 0, ToggleLightSweep},
    {IDM_SWEEP_OCCLUDER, "Sweep Behind Occluder", 0, ToggleSweepOccluder},
    {IDM_SOLO_ELEMENT, "Solo Element\tF6", 0, ToggleSolo},
    {IDM_HOLD_SNAPSHOT, "Hold Snapshot", 0, HoldSnapshot},
    {IDM_COMPARE_SNAPSHOT, "Compare with Snapshot\tF7", MF_GRAYED, ToggleCompareWithSnapshot},
    {IDM_SPLIT_VIEW, "Split View", MF_GRAYED, ToggleSplitView},
    {IDM_RESTORE_SNAPSHOT, "Restore Snapshot", MF_GRAYED, RestoreSnapshot},
    {IDM_BROWSE_EFFECTS, "Browse Effects...\tCtrl+B", 0, OpenEffectBrowser},
};

void AddSystemMenuItems(HWND dialog)
{
    HMENU menu = GetSystemMenu(dialog, FALSE);
    if (!menu)
        return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    for (const SystemMenuItem &item : kSystemMenuItems)
        AppendMenuA(menu, MF_STRING | item.state, item.command, item.text);
}

bool RunSystemMenuItem(HWND dialog, WPARAM command)
{
    for (const SystemMenuItem &item : kSystemMenuItems) {
        if ((command & 0xFFF0) == item.command) {
            if (renderBusy)
                return true;
            if (item.command != IDM_PLAY_LIGHT_SWEEP)
                StopLightSweep();
            item.run(dialog);
            return true;
        }
    }
    return false;
}

bool PanelShowsElement()
{
    return currentInstance->currentElement && currentSection == SECTION_ELEMENT;
}

void WriteModel()
{
    WriteLensFlare(&currentInstance->model, currentInstance->handleType,
                   currentInstance->handleName);
}

void ReadSettings(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    instance->realtimeUpdates =
        (int16_t)GetPrivateProfileIntA(editorIniSection, kRealtimeKey, -1, SettingsIniFile());
    CheckDlgButton(dialog, IDC_REALTIME_UPDATES,
                   instance->realtimeUpdates ? BST_CHECKED : BST_UNCHECKED);
    Import_IO_Set_Control_Enable(dialog, IDC_REDRAW_NOW, instance->realtimeUpdates == 0);

    if (lastLibraryFile) {
        Ki_Free_Memory(lastLibraryFile);
        lastLibraryFile = nullptr;
    }
    char path[kPathSize] = "";
    GetPrivateProfileStringA(editorIniSection, kLastLibraryKey, "", path, sizeof path, SettingsIniFile());
    if (path[0])
        Import_IO_Copy_String(&lastLibraryFile, path);
}

bool CreateSectionTabs(HWND dialog)
{
    tabStrip = static_cast<TabStrip *>(Ki_Alloc_Memory(1, 0, sizeof(TabStrip)));
    tabItems = static_cast<TabItem *>(Ki_Alloc_Memory(1, 0, sizeof(TabItem) * kTabCount));
    if (!tabStrip || !tabItems)
        return false;
    tabItems[0].title = "Element Parameters";
    tabItems[0].id = SECTION_ELEMENT;
    tabItems[1].title = "Global Parameters";
    tabItems[1].id = SECTION_GLOBAL;
    tabItems[2].title = "Global Fading Parameters";
    tabItems[2].id = SECTION_GLOBAL_FADING;
    tabStrip->shortRightEdges = 1;
    RECT area;
    GetControlRectInDialog(dialog, IDC_PARAM_AREA, &area);
    if (!CreateTabStrip(dialog, tabStrip, tabItems, kTabCount,
                        (int16_t)(area.right - area.left - 2)))
        return false;
    MoveWindow(tabStrip->window, area.left + 1, area.top - tabStrip->height, tabStrip->width,
               tabStrip->height, TRUE);
    ShowParameterSection(dialog, SECTION_ELEMENT, false);
    SendMessageA(tabStrip->window, WM_TABSTRIP_SELECT, (WPARAM)currentSection, 0);
    SetTabStripBackground(dialog, tabStrip);
    ShowWindow(tabStrip->window, SW_SHOW);
    return true;
}

/* The model exists from here on; a flare the host cannot find reads as
 * zeros, which the controls show as such. */
void OnInitDialog(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    dialogBusy = 1;
    ResetRenderFeedback();
    RegisterTabStripClass();
    Import_IO_Center_Window(GetParent(dialog), dialog);

    currentSection = 0;
    ShowParameterSection(dialog, 0, true);

    instance->dialog = dialog;
    instance->currentElement = nullptr;
    ReadLensFlare(&instance->model, instance->handleType, instance->handleName);
    FillGlobalControls(dialog);
    ReadSettings(dialog);
    SetUpEditorPreview(dialog);
    SendMessageA(dialog, WM_REFRESH_ELEMENT_LIST, 0, 0);

    /* Without the strip there is no way to reach the sections: the dialog
     * stays busy, so nothing but Redraw Now and OK writes to the host. */
    if (!CreateSectionTabs(dialog))
        return;
    CreateGlobalSliders(dialog);
    RedrawControl(dialog, IDC_BASE_COLOR);
    RefreshPreview(-1, -1);
    dialogBusy = 0;
    EnableWindow(GetDlgItem(dialog, IDC_COPY_ELEMENT), FALSE);
    AddSystemMenuItems(dialog);
    OpenUndoHistory(dialog);
    SetUpLightSweep(dialog);
    SetUpSoloCompare(dialog);
    InstallEditorKeyFilter();
}

void OnDestroy(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    dialogBusy = 1;
    renderBusy = 0;
    RemoveEditorKeyFilter();
    TearDownSoloCompare();
    CloseUndoHistory();
    ForgetEffectThumbnails();
    if (instance->currentElement)
        DestroyParameterPanel(instance, instance->currentElement);
    FreeLensFlareModel(&instance->model);
    instance->currentElement = nullptr;
    FreeGlobalSliders();
    if (tabStrip) {
        if (tabStrip->window)
            DestroyWindow(tabStrip->window);
        Ki_Free_Memory(tabStrip);
        tabStrip = nullptr;
    }
    Ki_Free_Memory(tabItems);
    tabItems = nullptr;
    DeleteTabStripFonts();
    TearDownLightSweep();
    TearDownEditorPreview(dialog);
    instance->dialog = nullptr;
}

void CloseAndCommit(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    dialogBusy = 1;
    if (PanelShowsElement())
        CollectGradientParameters(instance, dialog, instance->currentElement);
    FinishGlobalSliders();
    WriteModel();
    if (lastLibraryFile) {
        WritePrivateProfileStringA(editorIniSection, kLastLibraryKey, lastLibraryFile, SettingsIniFile());
        Ki_Free_Memory(lastLibraryFile);
        lastLibraryFile = nullptr;
    }
    EndDialog(dialog, 1);
}

void ToggleRealtimeUpdates(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    instance->realtimeUpdates = instance->realtimeUpdates == 0 ? 1 : 0;
    char text[16];
    std::snprintf(text, sizeof text, "%d", instance->realtimeUpdates);
    WritePrivateProfileStringA(editorIniSection, kRealtimeKey, text, SettingsIniFile());
    Import_IO_Set_Control_Enable(dialog, IDC_REDRAW_NOW, instance->realtimeUpdates == 0);
}

void ToggleFasterUpdates(HWND dialog)
{
    UndoStep step("Faster Updates");
    PluginInstance *instance = currentInstance;
    Import_IO_Flip_Kalvos_Toggle(dialog, IDC_FASTER_UPDATES, &instance->model->fastDrag);
    SendFastDragSwitch(instance->handleType, instance->handleName, instance->model->fastDrag);
    RefreshPreview(-1, -1);
}

void RedrawNow(HWND dialog)
{
    if (PanelShowsElement())
        CollectGradientParameters(currentInstance, dialog, currentInstance->currentElement);
    WriteModel();
    RefreshPreview(-1, -1);
}

/* The flare's own switch writes back whatever the realtime setting says. */
void ToggleFlareEnabled(HWND dialog)
{
    UndoStep step("Lens Flare Enabled");
    Import_IO_Flip_Kalvos_Toggle(dialog, IDC_FLARE_ENABLED, &currentInstance->model->enabled);
    if (dialogBusy || renderBusy)
        return;
    RedrawNow(dialog);
}

void FlipSwitch(HWND dialog, int id, KaToken *field)
{
    Import_IO_Flip_Kalvos_Toggle(dialog, (int16_t)id, field);
    ApplyParameterChange((int16_t)id);
}

void RandomSeedEdited(HWND dialog)
{
    char text[kEditTextSize] = "";
    GetDlgItemTextA(dialog, IDC_RANDOM_SEED, text, sizeof text);
    int32_t seed = (int32_t)std::strtol(text, nullptr, 10);
    if (seed < kMinimumSeed) {
        seed = kMinimumSeed;
        SetDlgItemTextA(dialog, IDC_RANDOM_SEED, "1");
    }
    LensFlareModel *m = currentInstance->model;
    if (seed != m->randomSeed) {
        m->randomSeed = seed;
        ApplyParameterChange(IDC_RANDOM_SEED);
    }
}

void RefDistanceEdited(HWND dialog)
{
    char text[kEditTextSize] = "";
    GetDlgItemTextA(dialog, IDC_REF_DISTANCE, text, sizeof text);
    float distance = (float)std::strtod(text, nullptr);
    if (!(distance >= kMinimumDistance)) {
        distance = kMinimumDistance;
        SetDlgItemTextA(dialog, IDC_REF_DISTANCE, "0.001");
    }
    LensFlareModel *m = currentInstance->model;
    float previous = m->refDistance;
    m->refDistance = distance;
    if (std::fabs(distance - previous) > kDistanceChange)
        ApplyParameterChange(IDC_REF_DISTANCE);
}

void PickBaseColor(HWND dialog)
{
    float *color = currentInstance->model->color;
    const float before[3] = {color[0], color[1], color[2]};
    SelectColor(dialog, "Base Color", color);
    if (color[0] != before[0] || color[1] != before[1] || color[2] != before[2]) {
        RedrawControl(dialog, IDC_BASE_COLOR);
        ApplyParameterChange(IDC_BASE_COLOR);
    }
}

void OnCommand(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    PluginInstance *instance = currentInstance;
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    switch (id) {
    case IDOK:
        if (GetFocus() == GetDlgItem(dialog, IDOK))
            CloseAndCommit(dialog);
        return;
    case IDC_REALTIME_UPDATES:
        ToggleRealtimeUpdates(dialog);
        return;
    case IDC_FASTER_UPDATES:
        ToggleFasterUpdates(dialog);
        return;
    case IDC_REDRAW_NOW:
        RedrawNow(dialog);
        return;
    case IDC_HELP_BUTTON:
        if (instance->hostServices)
            instance->hostServices->ShowHelp(dialog, kHelpTopic);
        return;
    case IDC_COPY_ELEMENT:
        return;
    case IDC_LIBRARY_LOAD:
        LoadLibraryIntoFlare(dialog);
        return;
    case IDC_LIBRARY_SAVE:
        SaveLensEffectFile(dialog, instance->moduleInstance);
        return;
    case IDC_FLARE_ENABLED:
        ToggleFlareEnabled(dialog);
        return;
    case IDC_USE_LIGHT_PARAMS:
        FlipSwitch(dialog, id, &instance->model->useLightParams);
        return;
    case IDC_BASE_COLOR:
        PickBaseColor(dialog);
        return;
    case IDC_RANDOM_SEED:
        if (code == EN_UPDATE && !dialogBusy)
            RandomSeedEdited(dialog);
        return;
    case IDC_REF_DISTANCE:
        if (code == EN_UPDATE && !dialogBusy)
            RefDistanceEdited(dialog);
        return;
    }
    if (KaToken *field = FadingSwitchField(id)) {
        FlipSwitch(dialog, id, field);
        return;
    }
    if (HandleElementListCommand(dialog, id, code))
        return;
    if (instance->model && instance->model->numElements >= 1)
        HandleParameterCommand(instance, dialog, WM_COMMAND, wParam, lParam);
}

INT_PTR OnDrawItem(const DRAWITEMSTRUCT *item)
{
    if (item->CtlID == IDC_PREVIEW) {
        DrawLightSweepOverlay(item->hDC);
        DrawSoloCompareMarks(item->hDC);
        DrawPreviewFocus(item);
    }
    if (item->CtlID == IDC_BASE_COLOR)
        return currentInstance->model ? DrawColorSwatch(item, currentInstance->model->color) : 0;
    return DrawColorParameterButton((int16_t)item->CtlID, item);
}

void OnTabClicked(HWND dialog, int16_t section)
{
    if (tabStrip && tabStrip->window)
        SendMessageA(tabStrip->window, WM_TABSTRIP_SELECT, (WPARAM)section, 0);
    if (section != currentSection)
        ShowParameterSection(dialog, section, false);
}

} // namespace

INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    int16_t handled = 0;
    LRESULT filtered = EditorPreviewMessage(dialog, message, wParam, lParam, &handled);
    if (handled)
        return filtered;
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return 0;
    case WM_DESTROY:
        OnDestroy(dialog);
        return 0;
    case WM_SETCURSOR:
        if (renderBusy)
            SetCursor(CurrentCursor());
        else
            SetArrowCursor();
        return 0;
    case WM_DRAWITEM:
        return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
    case WM_PAINT:
        return PaintLightSweepStrip(dialog) ? 1 : 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SetFocus(GetDlgItem(dialog, IDOK));
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            return 1;
        }
        return RunSystemMenuItem(dialog, wParam) ? 1 : 0;
    case WM_TIMER:
        if (wParam == IDT_LIGHT_SWEEP)
            LightSweepFrame();
        return 0;
    case WM_REFRESH_ELEMENT_LIST:
        RefreshElementList(dialog);
        return 0;
    case WM_TABSTRIP_CLICKED:
        OnTabClicked(dialog, (int16_t)wParam);
        return 1;
    case WM_COMMAND:
        if (renderBusy)
            return 0;
        StopLightSweep();
        OnCommand(dialog, wParam, lParam);
        SoloFollowsSelection();
        return 1;
    }
    return 0;
}

void OpenEditorDialog(PluginInstance *instance, HWND parent)
{
    DialogBoxParamA(instance->moduleInstance, "LensFlareDialogBox", parent, EditorDialogProc, 0);
}

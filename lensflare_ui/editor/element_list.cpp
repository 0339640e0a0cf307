/*
 * element_list.cpp - the editor's element list and its structural
 * commands: select, enable, add, remove, move up and down, and the library
 * load, which empties the flare before the host reads the file into it.
 * Structural commands are single host commands; afterwards the model is
 * freed and read again, so no element pointer survives one of them:
 * elements are found again by their guid.
 */
#include <cstring>

#include "editor/editor.h"
#include "editor/undo.h"
#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "host/kalvos_io.h"
#include "library/library.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

namespace {

/* The open holders of the element list's drawing, and the list the
 * outermost one holds (looked up once: under Wine each look-up of a
 * dialog item is a round trip to the server). */
int listHolders;
HWND heldList;

bool ElementSectionShown()
{
    return currentSection == SECTION_ELEMENT;
}

LensFlareModel *Model()
{
    return currentInstance->model;
}

/* With realtime updates off the model holds edits the host has not seen
 * yet; a command that changes the flare reads it back from the host, so
 * they go there first or the read would drop them. */
void WriteHeldBackEdits()
{
    PluginInstance *instance = currentInstance;
    if (!instance->realtimeUpdates)
        WriteLensFlare(&instance->model, instance->handleType, instance->handleName);
}

/* Edits in the panel reach the host before a command changes the flare,
 * and so do those held back on another section; the panel's windows wait
 * for the panel shown next (KeepParameterPanel). */
void SaveElementPanel(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    if (!instance->currentElement || !ElementSectionShown()) {
        WriteHeldBackEdits();
        return;
    }
    CollectGradientParameters(instance, dialog, instance->currentElement);
    KeepParameterPanel(instance, instance->currentElement);
    WriteLensFlare(&instance->model, instance->handleType, instance->handleName);
}

void RereadModel(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    FreeLensFlareModel(&instance->model);
    instance->currentElement = nullptr;
    ReadLensFlare(&instance->model, instance->handleType, instance->handleName);
    RefreshElementList(dialog);
    RefreshGlobalControls(dialog);
}

void SelectElement(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    FlareElement *element = SelectedListElement(dialog);
    if (!element)
        return;
    if (instance->currentElement && ElementSectionShown()) {
        SaveElementPanel(dialog);
        BuildParameterPanel(instance, dialog, element);
    } else if (ElementSectionShown()) {
        BuildParameterPanel(instance, dialog, element);
    } else {
        instance->currentElement = element;
    }
    ShowElementEnabledSwitch(dialog);
}

/* The list, the global controls, the current element's panel and its
 * switch, from a model just read. */
void ShowReadModel(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    RefreshElementList(dialog);
    RefreshGlobalControls(dialog);
    if (instance->currentElement && ElementSectionShown())
        BuildParameterPanel(instance, dialog, instance->currentElement);
    ShowElementEnabledSwitch(dialog);
}

void FlipElementEnabled(HWND dialog)
{
    UndoStep step("Element Enabled");
    PluginInstance *instance = currentInstance;
    if (!instance->currentElement)
        return;
    Import_IO_Flip_Kalvos_Toggle(dialog, IDC_ELEMENT_ENABLED, &instance->currentElement->enabled);
    if (dialogBusy || renderBusy)
        return;
    WriteLensFlare(&instance->model, instance->handleType, instance->handleName);
    RefreshPreview(-1, -1);
}

void RemoveCurrentElement(HWND dialog)
{
    UndoStep step("Remove Element");
    PluginInstance *instance = currentInstance;
    FlareElement *element = instance->currentElement;
    if (!element)
        return;
    /* The element goes away: its panel edits are not worth a write, but
     * those held back elsewhere are. */
    WriteHeldBackEdits();
    if (ElementSectionShown()) {
        CollectGradientParameters(instance, dialog, element);
        DestroyParameterPanel(instance, element);
    }
    DeleteFlareElement(instance->handleType, instance->handleName, element->guid);
    FreeLensFlareModel(&instance->model);
    ReadLensFlare(&instance->model, instance->handleType, instance->handleName);
    instance->currentElement = Model() ? Model()->firstElement : nullptr;
    ShowReadModel(dialog);
    RefreshPreview(-1, -1);
}

/* After a change of the flare's elements: the model read again, the
 * element of guid (a host copy, freed here) current, the preview redrawn. */
void ShowChangedFlare(HWND dialog, char *guid)
{
    {
        ElementListDrawnOnce drawn(dialog);
        RereadModel(dialog);
        SelectElementByGuid(dialog, guid);
    }
    RefreshPreview(-1, -1);
    if (guid)
        Ki_Free_Memory(guid);
}

void MoveCurrentElement(HWND dialog, bool down)
{
    UndoStep step(down ? "Move Down" : "Move Up");
    PluginInstance *instance = currentInstance;
    if (!instance->currentElement)
        return;
    char *guid = nullptr;   /* host copy: the model is freed below */
    Import_IO_Copy_String(&guid, instance->currentElement->guid);
    SaveElementPanel(dialog);
    MoveFlareElement(instance->handleType, instance->handleName, down, guid);
    ShowChangedFlare(dialog, guid);
}

InsertPlacement PlacementOfChoice(int16_t choice)
{
    switch (choice) {
    case IDC_ADD_BEFORE:
        return INSERT_BEFORE;
    case IDC_ADD_AFTER:
        return INSERT_AFTER;
    case IDC_ADD_AT_START:
        return INSERT_AT_START;
    default:
        return INSERT_AT_END;
    }
}

/* "Before" and "after" need an element to place the new one next to: the
 * current one, else the one selected in the list (an element without
 * parameters is selected but not current in the element section).  With
 * neither - an empty flare - the user's intent is the nearest end: the new
 * element goes first for "before" and last for "after". */
InsertPlacement ResolvePlacement(HWND dialog, InsertPlacement placement,
                                 const FlareElement **reference)
{
    *reference = nullptr;
    if (placement != INSERT_BEFORE && placement != INSERT_AFTER)
        return placement;
    const FlareElement *element = currentInstance->currentElement;
    if (!element)
        element = SelectedListElement(dialog);
    if (element && element->guid) {
        *reference = element;
        return placement;
    }
    return placement == INSERT_BEFORE ? INSERT_AT_START : INSERT_AT_END;
}

void AddNewElement(HWND dialog)
{
    UndoStep step("Add Element");
    addElementType = nullptr;
    INT_PTR answer = DialogBoxParamA(currentInstance->moduleInstance, "AddElementDialog", dialog,
                                     AddElementDialogProc, 0);
    /* No type chosen (the host offers none): there is nothing to insert. */
    if (answer != 1 || !addElementType)
        return;
    InsertPlacement placement = PlacementOfChoice(addElementPlacement);
    {
        ElementListDrawnOnce drawn(dialog);
        FlareElement *added = InsertElementNextToSelection(dialog, placement, addElementType);
        SelectElementByGuid(dialog, added ? added->guid : nullptr);
    }
    RefreshPreview(-1, -1);
}

/* Before a library load the host's flare loses every element, so the file
 * is read into an empty flare; the model and the list follow at once and
 * the preview shows the bare flare while the host reads. */
void EmptyFlare(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    {
        BusyScope busy(dialogBusy);
        if (Model()) {
            for (FlareElement *e = Model()->firstElement; e; e = e->next) {
                if (e == instance->currentElement)
                    DestroyParameterPanel(instance, e);
                DeleteFlareElement(instance->handleType, instance->handleName, e->guid);
            }
            FreeLensFlareModel(&instance->model);
        }
        instance->currentElement = nullptr;
        ReadLensFlare(&instance->model, instance->handleType, instance->handleName);
        RefreshElementList(dialog);
    }
    RefreshPreview(-1, -1);
}

void ReloadAfterLibraryLoad(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    {
        BusyScope busy(dialogBusy);
        if (instance->currentElement && ElementSectionShown())
            DestroyParameterPanel(instance, instance->currentElement);
        instance->currentElement = nullptr;
        ReadLensFlare(&instance->model, instance->handleType, instance->handleName);
        ShowReadModel(dialog);
    }
    RefreshPreview(-1, -1);
}

/* The host gave no reason and the flare went before the load: say so
 * where the user looks, and how to get it back. */
void TellLoadFailed(HWND dialog, const char *path)
{
    const char *file = path;
    for (const char *c = path; *c; c++)
        if (*c == '\\' || *c == '/' || *c == ':')
            file = c + 1;
    char text[FILE_NAME_SIZE + 64];
    wsprintfA(text, "%s could not be loaded - Ctrl+Z brings your flare back", file);
    ShowPreviewNotice(dialog, text);
}

} // namespace

ElementListDrawnOnce::ElementListDrawnOnce(HWND dialog)
{
    if (listHolders++ > 0)
        return;
    heldList = GetDlgItem(dialog, IDC_ELEMENT_LIST);
    SendMessageA(heldList, WM_SETREDRAW, FALSE, 0);
}

ElementListDrawnOnce::~ElementListDrawnOnce()
{
    if (--listHolders > 0)
        return;
    SendMessageA(heldList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(heldList, nullptr, TRUE);
}

void SelectElementByGuid(HWND dialog, const char *guid)
{
    PluginInstance *instance = currentInstance;
    HWND list = GetDlgItem(dialog, IDC_ELEMENT_LIST);
    int16_t index = 0;
    FlareElement *match = nullptr;
    if (guid && Model()) {
        for (FlareElement *e = Model()->firstElement; e; e = e->next, index++) {
            if (e->guid && std::strcmp(e->guid, guid) == 0) {
                match = e;
                break;
            }
        }
    }
    if (match) {
        {
            ElementListDrawnOnce drawn(dialog);
            SendMessageA(list, LB_SETCURSEL, index, 0);
            SendMessageA(list, LB_SETTOPINDEX, index, 0);
        }
        if (ElementSectionShown())
            BuildParameterPanel(instance, dialog, match);
        else
            instance->currentElement = match;
    }
    ReleaseKeptPanel(instance);
    ShowElementEnabledSwitch(dialog);
}

FlareElement *SelectedListElement(HWND dialog)
{
    LRESULT line = SendDlgItemMessageA(dialog, IDC_ELEMENT_LIST, LB_GETCURSEL, 0, 0);
    if (line == LB_ERR)
        return nullptr;
    LRESULT data = SendDlgItemMessageA(dialog, IDC_ELEMENT_LIST, LB_GETITEMDATA, line, 0);
    if (data == LB_ERR)
        return nullptr;
    return reinterpret_cast<FlareElement *>(data);
}

FlareElement *CurrentOrSelectedElement(HWND dialog)
{
    FlareElement *current = currentInstance->currentElement;
    return current ? current : SelectedListElement(dialog);
}

FlareElement *InsertElementNextToSelection(HWND dialog, InsertPlacement placement,
                                           const char *typeName)
{
    PluginInstance *instance = currentInstance;
    const FlareElement *reference = nullptr;
    placement = ResolvePlacement(dialog, placement, &reference);
    /* Resolved before the panel is saved: saving leaves the model intact,
     * so the reference's guid stays valid until the re-read. */
    SaveElementPanel(dialog);
    const char *newGuid = nullptr;
    InsertFlareElement(instance->handleType, instance->handleName, placement, typeName,
                       reference ? reference->guid : nullptr, &newGuid);
    char *kept = nullptr;   /* host copy of the new guid across the re-read */
    Import_IO_Copy_String(&kept, newGuid);
    RereadModel(dialog);
    FlareElement *added = nullptr;
    for (FlareElement *e = Model() ? Model()->firstElement : nullptr; e && kept; e = e->next)
        if (!added && e->guid && std::strcmp(e->guid, kept) == 0)
            added = e;
    if (kept)
        Ki_Free_Memory(kept);
    return added;
}

void ShowElementEnabledSwitch(HWND dialog)
{
    FlareElement *element = currentInstance->currentElement;
    Import_IO_Set_Kalvos_Toggle(dialog, IDC_ELEMENT_ENABLED,
                                element ? element->enabled : Token("off"));
}

void RefreshElementList(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    LensFlareModel *model = instance->model;
    HWND list = GetDlgItem(dialog, IDC_ELEMENT_LIST);
    ElementListDrawnOnce drawn(dialog);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    int32_t count = model ? model->numElements : 0;
    Import_IO_Set_Control_Enable(dialog, IDC_LIBRARY_SAVE, count != 0 ? 1 : 0);
    if (count == 0 || !model->firstElement)
        return;
    instance->currentElement = model->firstElement;
    int16_t index = 0;
    for (FlareElement *e = model->firstElement; e; e = e->next, index++) {
        LRESULT line = SendMessageA(list, LB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(e->description ? e->description : ""));
        if (line == LB_ERR || line == LB_ERRSPACE)
            continue;
        SendMessageA(list, LB_SETITEMDATA, line, reinterpret_cast<LPARAM>(e));
        if (e == instance->currentElement)
            SendMessageA(list, LB_SETCURSEL, line, 0);
    }
}

bool HandleElementListCommand(HWND dialog, int id, int code)
{
    switch (id) {
    case IDC_ELEMENT_LIST:
        if (code == LBN_SELCHANGE)
            SelectElement(dialog);
        return true;
    case IDC_ELEMENT_ENABLED:
        FlipElementEnabled(dialog);
        return true;
    case IDC_REMOVE_ELEMENT:
        RemoveCurrentElement(dialog);
        return true;
    case IDC_MOVE_DOWN:
        MoveCurrentElement(dialog, true);
        return true;
    case IDC_MOVE_UP:
        MoveCurrentElement(dialog, false);
        return true;
    case IDC_ADD_ELEMENT:
        AddNewElement(dialog);
        return true;
    }
    return false;
}

void LoadLibraryIntoFlare(HWND dialog)
{
    UndoStep step("Library Load");
    char name[FILE_NAME_SIZE];
    if (ChooseLensEffectFileToLoad(dialog, currentInstance->moduleInstance, name))
        LoadChosenLibraryFile(dialog, name);
    else
        RefreshGlobalControls(dialog);
}

bool LoadChosenLibraryFile(HWND dialog, const char *name)
{
    EmptyFlare(dialog);
    bool loaded = LoadLensEffectFile(name) == 1;
    /* A load that fails after the old flare went has re-read the model
     * as well. */
    if (loaded) {
        ReloadAfterLibraryLoad(dialog);
        return true;
    }
    RefreshGlobalControls(dialog);
    TellLoadFailed(dialog, name);
    return false;
}

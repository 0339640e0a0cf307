/*
 * editor.h - the lens flare editor dialog, its element list and the add
 * element dialog.  The state it shares with the parts below it is in
 * entry/editor_state.h.
 */
#ifndef EDITOR_H
#define EDITOR_H

#include <stdint.h>
#include <windows.h>

#include "entry/editor_state.h"
#include "model/lens_flare_model.h"

INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

/* The one message filter of the editor's modal loop (key_filter.cpp):
 * installed last at start-up, removed first at destruction. */
void InstallEditorKeyFilter();
void RemoveEditorKeyFilter();
/* The key filter's part for moving about (keyboard_navigation.cpp):
 * Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown and Ctrl+PageUp switch sections,
 * Tab and Shift+Tab walk the controls; true when the key was used. */
bool HandleNavigationKey(const MSG *msg);

/* Element list (private message WM_REFRESH_ELEMENT_LIST) and its commands. */
void RefreshElementList(HWND dialog);
bool HandleElementListCommand(HWND dialog, int id, int code);   /* true when it was one */
/* "Library &Load": the user picks a file, the editor empties the flare,
 * the host loads the file and the editor shows what it now holds. */
void LoadLibraryIntoFlare(HWND dialog);
/* The same once the file is chosen (name as the requestor gives it, in
 * lower case); true when the host loaded it. */
bool LoadChosenLibraryFile(HWND dialog, const char *name);
void ShowElementEnabledSwitch(HWND dialog);
/* The element selected in the list, current or not, or null. */
FlareElement *SelectedListElement(HWND dialog);
/* The current element, or else the one selected in the list. */
FlareElement *CurrentOrSelectedElement(HWND dialog);
/* Saves the panel, inserts an element of that type next to the selected
 * one (before and after fall back to the ends of an empty flare) and
 * reads the flare again; the new element, not yet selected, or null when
 * the host made none. */
FlareElement *InsertElementNextToSelection(HWND dialog, InsertPlacement placement,
                                           const char *typeName);
/* Selects, shows at the top of the list and makes current (with its panel
 * in the element section) the element of that guid; without one the
 * first element stays selected and current, without a panel. */
void SelectElementByGuid(HWND dialog, const char *guid);

/* Holds the element list undrawn until the outermost holder goes, so a
 * command that empties, refills, selects and scrolls it draws it and its
 * scroll bar once: under Wine every update of a scroll bar costs dozens of
 * round trips to the server. */
class ElementListDrawnOnce {
public:
    explicit ElementListDrawnOnce(HWND dialog);
    ~ElementListDrawnOnce();
    ElementListDrawnOnce(const ElementListDrawnOnce &) = delete;
    ElementListDrawnOnce &operator=(const ElementListDrawnOnce &) = delete;
};

/* Add element dialog: its results outlive one run. */
extern const char *addElementType;
extern int16_t addElementPlacement;
INT_PTR CALLBACK AddElementDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif

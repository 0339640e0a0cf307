/*
 * key_filter.cpp - the one message filter of the editor's modal loop.  It
 * sees every message of the loop (and of the dialogs the editor opens)
 * before the dialog manager does, and offers it to the parts with keys of
 * their own in a fixed order: the light sweep first, since while it plays
 * any key only stops it, then the undo history, the keys of the focused
 * preview (its Ctrl+C before the element clipboard's), the element
 * clipboard, solo and compare, the keys that move between sections and controls,
 * and the effect browser's Ctrl+B.  A new shortcut of the editor is one
 * more line in EditorKey.
 */
#include "editor/editor.h"
#include "editor/effect_browser.h"
#include "editor/element_clipboard.h"
#include "editor/solo_compare.h"
#include "editor/undo.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"

namespace {

/* Owned by InstallEditorKeyFilter / RemoveEditorKeyFilter. */
HHOOK keyFilter;

/* True when a part used the message, which then goes no further. */
bool EditorKey(const MSG *msg)
{
    return HandleLightSweepKey(msg) || HandleUndoKeyMessage(msg) || HandlePreviewKey(msg) ||
           HandleElementClipboardKey(msg) || HandleSoloCompareKey(msg) ||
           HandleNavigationKey(msg) || HandleBrowserKey(msg);
}

LRESULT CALLBACK EditorKeyFilter(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == MSGF_DIALOGBOX && EditorKey(reinterpret_cast<const MSG *>(lParam)))
        return 1;
    return CallNextHookEx(keyFilter, code, wParam, lParam);
}

} // namespace

void InstallEditorKeyFilter()
{
    RemoveEditorKeyFilter();
    keyFilter = SetWindowsHookExA(WH_MSGFILTER, EditorKeyFilter, nullptr, GetCurrentThreadId());
}

void RemoveEditorKeyFilter()
{
    if (keyFilter)
        UnhookWindowsHookEx(keyFilter);
    keyFilter = nullptr;
}

/*
 * editor.h - the lens flare editor dialog and the module state it shares
 * with the panel, the preview and the element list.
 */
#ifndef EDITOR_H
#define EDITOR_H

#include <windows.h>

INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif

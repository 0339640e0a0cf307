/*
 * file_dialogs.cpp - the common open and save dialogs as a test drives them.
 */
#include <algorithm>
#include <cctype>
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include "ui_driver.h"

namespace ui {

std::string FolderShown(HWND fileDialog)
{
    char path[MAX_PATH] = "";
    SendMessageA(fileDialog, CDM_GETFOLDERPATH, sizeof path, reinterpret_cast<LPARAM>(path));
    return path;
}

std::string FileNameShown(HWND fileDialog)
{
    char name[MAX_PATH] = "";
    SendMessageA(fileDialog, CDM_GETSPEC, sizeof name, reinterpret_cast<LPARAM>(name));
    return name;
}

void TypeFileName(HWND fileDialog, const std::string &name)
{
    /* the Explorer-style dialog names its field cmb13, the old one edt1 */
    int field = GetDlgItem(fileDialog, cmb13) ? cmb13 : edt1;
    SendMessageA(fileDialog, CDM_SETCONTROLTEXT, field, reinterpret_cast<LPARAM>(name.c_str()));
}

void ChooseFile(HWND fileDialog, const std::string &name)
{
    TypeFileName(fileDialog, name);
    PostMessageA(fileDialog, WM_COMMAND, IDOK, 0);
}

HWND HookDialog(HWND fileDialog, int itemId)
{
    HWND hook = GetWindow(fileDialog, GW_CHILD);
    while (hook && !GetDlgItem(hook, itemId))
        hook = GetWindow(hook, GW_HWNDNEXT);
    return hook;
}

void NotifySelectionChange(HWND hook)
{
    OFNOTIFYA notice = {};
    notice.hdr.hwndFrom = GetParent(hook);
    notice.hdr.code = CDN_SELCHANGE;
    SendMessageA(hook, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return (char)std::tolower(c); });
    return text;
}

} // namespace ui

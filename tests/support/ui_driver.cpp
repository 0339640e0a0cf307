/*
 * ui_driver.cpp - steps run when modal loops go idle, message boxes
 * answered and recorded, and small helpers that act like a user.
 */
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

#include "entry/plugin.h"
#include "preview/preview.h"
#include "ui_driver.h"

namespace ui {

namespace {

Driver *g_driver;   /* the one driver of this thread; timer procedures have no context */
const UINT kTickMs = 15;

bool IsDialogWindow(HWND window)
{
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    return std::strcmp(cls, "#32770") == 0;
}

const int kBoxTextId = 0xFFFF;   /* a message box's text */
const int kBoxIconId = 0x0440;   /* and its icon */

BOOL CALLBACK CheckBoxChild(HWND child, LPARAM foreign)
{
    int id = GetDlgCtrlID(child);
    bool boxItem = id == kBoxTextId || id == kBoxIconId || (id >= IDOK && id <= IDCONTINUE);
    if (!boxItem)
        *reinterpret_cast<bool *>(foreign) = true;
    return TRUE;
}

/* A message box holds its text, an icon and answer buttons, nothing else
 * (other dialogs may also have statics whose id reads as 0xFFFF). */
bool IsMessageBox(HWND dialog)
{
    if (!IsDialogWindow(dialog) || !GetDlgItem(dialog, kBoxTextId))
        return false;
    bool foreign = false;
    EnumChildWindows(dialog, CheckBoxChild, reinterpret_cast<LPARAM>(&foreign));
    return !foreign;
}

int OwnerDepth(HWND window)
{
    int depth = 0;
    while ((window = GetWindow(window, GW_OWNER)) != nullptr)
        depth++;
    return depth;
}

struct Innermost {
    HWND dialog = nullptr;
    int depth = -1;
};

BOOL CALLBACK ConsiderWindow(HWND window, LPARAM context)
{
    Innermost *found = reinterpret_cast<Innermost *>(context);
    if (IsWindowVisible(window) && IsWindowEnabled(window) && IsDialogWindow(window)) {
        int depth = OwnerDepth(window);
        if (depth > found->depth) {
            found->dialog = window;
            found->depth = depth;
        }
    }
    return TRUE;
}

/* Innermost enabled modal dialog of this thread, or null. */
HWND InnermostDialog()
{
    Innermost found;
    EnumThreadWindows(GetCurrentThreadId(), ConsiderWindow, reinterpret_cast<LPARAM>(&found));
    return found.dialog;
}

} // namespace

Driver::Driver()
{
    g_driver = this;
    timer_ = SetTimer(nullptr, 0, kTickMs, Tick);
}

Driver::~Driver()
{
    if (timer_)
        KillTimer(nullptr, timer_);
    g_driver = nullptr;
    if (!steps_.empty())
        ADD_FAILURE() << steps_.size() << " UI step(s) never ran"
                      << (steps_[0].caption.empty() ? "" : ", first waiting for \"" +
                                                               steps_[0].caption + "\"");
}

void Driver::Then(std::function<void(HWND)> step)
{
    steps_.push_back({"", std::move(step)});
}

void Driver::When(const std::string &caption, std::function<void(HWND)> step)
{
    steps_.push_back({caption, std::move(step)});
}

void Driver::AnswerBoxesWith(std::vector<int> answers)
{
    if (!answers.empty())
        answers_ = std::move(answers);
}

std::vector<std::string> Driver::Seen() const
{
    std::vector<std::string> seen;
    for (const MessageBoxSeen &box : boxes_)
        seen.push_back(box.caption + "|" + box.text);
    return seen;
}

void CALLBACK Driver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    /* The flag means something only while an editor is open: it is set
     * from module load until the first editor starts. */
    bool rendering = renderBusy && currentInstance && currentInstance->dialog;
    if (!g_driver || rendering)
        return;
    HWND dialog = InnermostDialog();
    /* Inside a step only a dialog that the step itself opened may go on. */
    if (!dialog || (!g_driver->running_.empty() && g_driver->running_.back() == dialog))
        return;
    g_driver->OnIdle(dialog);
}

bool Driver::AnswerIfMessageBox(HWND dialog)
{
    if (!IsMessageBox(dialog))
        return false;
    if (GetPropA(dialog, "ui.answered"))
        return true;
    SetPropA(dialog, "ui.answered", reinterpret_cast<HANDLE>(1));
    int answer = answers_.front();
    if (answers_.size() > 1)
        answers_.erase(answers_.begin());
    boxes_.push_back({Text(dialog), ItemText(dialog, 0xFFFF)});
    PostMessageA(dialog, WM_COMMAND, answer, reinterpret_cast<LPARAM>(GetDlgItem(dialog, answer)));
    return true;
}

void Driver::OnIdle(HWND dialog)
{
    if (AnswerIfMessageBox(dialog))
        return;
    const std::string caption = Text(dialog);
    if (std::find(refused_.begin(), refused_.end(), caption) != refused_.end()) {
        if (!GetPropA(dialog, "ui.refused")) {
            SetPropA(dialog, "ui.refused", reinterpret_cast<HANDLE>(1));
            ADD_FAILURE() << "\"" << caption << "\" opened";
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        return;
    }
    if (steps_.empty())
        return;
    if (!steps_.front().caption.empty() && steps_.front().caption != caption)
        return;
    Step step = std::move(steps_.front());
    steps_.erase(steps_.begin());
    running_.push_back(dialog);
    step.run(dialog);
    running_.pop_back();
}

HWND TestOwnerWindow()
{
    static HWND owner;
    if (!owner)
        owner = CreateWindowA("STATIC", "test owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return owner;
}

HBRUSH parentBrush;

LRESULT CALLBACK BrushParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CTLCOLORDLG)
        return (LRESULT)parentBrush;
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND TestParentWindow(const char *className, WNDPROC procedure, int width, int height,
                      DWORD style)
{
    WNDCLASSA cls = {};
    cls.lpfnWndProc = procedure;
    cls.hInstance = moduleHandle;
    cls.lpszClassName = className;
    RegisterClassA(&cls);
    return CreateWindowA(className, className, style, 0, 0, width, height, nullptr, nullptr,
                         moduleHandle, nullptr);
}

std::vector<std::string> FileNames(const std::string &folder, const char *pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

HBRUSH DialogBrush()
{
    static HBRUSH brush = CreateSolidBrush(kDialogColour);
    return brush;
}

std::string Text(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ItemText(HWND dialog, int id)
{
    return Text(GetDlgItem(dialog, id));
}

void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PostClick(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool IsChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void LeftDown(HWND window, int x, int y)
{
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

void LeftUp(HWND window, int x, int y)
{
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void MouseMove(HWND window, int x, int y, bool leftHeld)
{
    SendMessageA(window, WM_MOUSEMOVE, leftHeld ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

void RightDown(HWND window, int x, int y)
{
    SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
}

void RightUp(HWND window, int x, int y)
{
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
}

void Key(HWND window, UINT virtualKey)
{
    /* Posted, so the modal loop's dialog manager sees the key as it sees a
     * user's (Enter and Escape become commands there). */
    PostMessageA(window, WM_KEYDOWN, virtualKey, 1);
    PostMessageA(window, WM_KEYUP, virtualKey, 0xC0000001);
}

bool OpenClipboardSoon(HWND window)
{
    for (int tries = 0; tries < 200; tries++) {
        if (OpenClipboard(window))
            return true;
        Sleep(25);
    }
    return false;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

Capture Pixels(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Capture capture;
    CaptureWindow(window, true, &capture);
    return capture;
}

} // namespace ui

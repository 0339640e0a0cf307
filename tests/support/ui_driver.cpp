/*
 * ui_driver.cpp - steps run when modal loops go idle, message boxes
 * answered and recorded, and small helpers that act like a user.
 */
#include <cstring>
#include <gtest/gtest.h>

#include "ui_driver.h"

namespace ui {

namespace {

Driver *g_driver;   /* the one driver of this thread; hooks have no context */
const UINT_PTR kSweepMs = 50;

bool IsMessageBox(HWND dialog)
{
    char cls[16] = "";
    GetClassNameA(dialog, cls, sizeof cls);
    /* A message box is a dialog with a static text of id 0xFFFF. */
    return std::strcmp(cls, "#32770") == 0 && GetDlgItem(dialog, 0xFFFF) != nullptr;
}

BOOL CALLBACK FindOwnerlessBox(HWND window, LPARAM found)
{
    if (IsWindowVisible(window) && !GetWindow(window, GW_OWNER) && IsMessageBox(window)) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

Driver::Driver()
{
    g_driver = this;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROC, CallWndHook, nullptr, GetCurrentThreadId());
    /* Boxes without an owner never send WM_ENTERIDLE; a timer finds them. */
    timer_ = SetTimer(nullptr, 0, kSweepMs, Sweep);
}

Driver::~Driver()
{
    if (hook_)
        UnhookWindowsHookEx(hook_);
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

LRESULT CALLBACK Driver::CallWndHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *call = reinterpret_cast<const CWPSTRUCT *>(lParam);
    if (code == HC_ACTION && g_driver && call->message == WM_ENTERIDLE &&
        call->wParam == MSGF_DIALOGBOX)
        g_driver->OnIdle(reinterpret_cast<HWND>(call->lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK Driver::Sweep(HWND, UINT, UINT_PTR, DWORD)
{
    if (!g_driver)
        return;
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOwnerlessBox, reinterpret_cast<LPARAM>(&box));
    if (box)
        g_driver->AnswerIfMessageBox(box);
}

bool Driver::AnswerIfMessageBox(HWND dialog)
{
    if (!IsMessageBox(dialog) || GetPropA(dialog, "ui.answered"))
        return false;
    SetPropA(dialog, "ui.answered", reinterpret_cast<HANDLE>(1));
    int answer = answers_.front();
    if (answers_.size() > 1)
        answers_.erase(answers_.begin());
    boxes_.push_back({Text(dialog), ItemText(dialog, 0xFFFF), answer});
    PostMessageA(dialog, WM_COMMAND, answer, reinterpret_cast<LPARAM>(GetDlgItem(dialog, answer)));
    return true;
}

void Driver::OnIdle(HWND dialog)
{
    if (AnswerIfMessageBox(dialog) || steps_.empty())
        return;
    if (!steps_.front().caption.empty() && steps_.front().caption != Text(dialog))
        return;
    Step step = std::move(steps_.front());
    steps_.erase(steps_.begin());
    step.run(dialog);
}

HWND TestOwnerWindow()
{
    static HWND owner;
    if (!owner)
        owner = CreateWindowA("STATIC", "test owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return owner;
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

void SetItemText(HWND dialog, int id, const char *text)
{
    /* WM_SETTEXT on an edit box sends EN_UPDATE and EN_CHANGE like typing. */
    SetDlgItemTextA(dialog, id, text);
}

void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
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
    Capture capture;
    CaptureWindow(window, true, &capture);
    return capture;
}

} // namespace ui

/*
 * ui_driver.h - driving modal dialogs from a test, deterministically.
 *
 * A test queues steps, then calls the code that runs a modal loop.  Each
 * step runs from a thread timer: WM_TIMER is only delivered once a loop
 * has no other message left, paints included, so a step sees the dialog
 * idle and fully drawn.  Steps never run while the preview renders (the
 * render pumps timer messages), nor inside a step unless that step opened
 * a modal dialog whose loop now idles.  Message boxes are answered by the
 * driver and recorded with caption and text.
 */
#ifndef UI_DRIVER_H
#define UI_DRIVER_H

#include <functional>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

#include "host_app.h"

namespace ui {

struct MessageBoxSeen {
    std::string caption;
    std::string text;
};

/* Starts the idle timer on this thread; the destructor stops it and
 * fails the test (ADD_FAILURE) for steps that never ran. */
class Driver {
public:
    Driver();
    ~Driver();
    Driver(const Driver &) = delete;
    Driver &operator=(const Driver &) = delete;

    /* Runs at the next idle moment of a modal loop.  The dialog argument is
     * the innermost modal dialog of the thread. */
    void Then(std::function<void(HWND dialog)> step);
    /* Runs at the first idle moment whose dialog has this caption. */
    void When(const std::string &caption, std::function<void(HWND dialog)> step);
    /* A dialog of this caption fails the test and is cancelled, whenever
     * it comes: a test that must not open it ends instead of waiting. */
    void Refuse(const std::string &caption) { refused_.push_back(caption); }

    /* Answer for the next message boxes (IDOK, IDYES, IDNO ...); one entry
     * is used per box, the last one repeats. */
    void AnswerBoxesWith(std::vector<int> answers);
    const std::vector<MessageBoxSeen> &Boxes() const { return boxes_; }
    /* The same boxes, each as "caption|text". */
    std::vector<std::string> Seen() const;
    int PendingSteps() const { return (int)steps_.size(); }

private:
    struct Step {
        std::string caption;   /* empty: any dialog */
        std::function<void(HWND)> run;
    };
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnIdle(HWND dialog);
    bool AnswerIfMessageBox(HWND dialog);

    UINT_PTR timer_ = 0;
    std::vector<Step> steps_;
    std::vector<int> answers_ = {IDOK};
    std::vector<MessageBoxSeen> boxes_;
    std::vector<std::string> refused_;
    std::vector<HWND> running_;   /* dialogs of the steps under way, innermost last */
};

/* A hidden top-level window to own dialogs under test. */
HWND TestOwnerWindow();
/* A top-level window of a class of its own with this procedure, at the
 * screen's corner, to parent controls under test. */
HWND TestParentWindow(const char *className, WNDPROC procedure, int width, int height,
                      DWORD style = WS_OVERLAPPEDWINDOW);
/* The dialog colour parents of controls under test answer with, and one
 * brush of it for the whole run. */
const COLORREF kDialogColour = RGB(200, 220, 240);
HBRUSH DialogBrush();
/* A test parent's procedure that answers WM_CTLCOLORDLG with parentBrush
 * (nothing while it is null), as a dialog gives its controls its brush. */
extern HBRUSH parentBrush;
LRESULT CALLBACK BrushParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* The names of the files in a folder that match a pattern ("*.lnz"). */
std::vector<std::string> FileNames(const std::string &folder, const char *pattern);

std::string Text(HWND window);
std::string ItemText(HWND dialog, int id);
void Click(HWND dialog, int id);                           /* BM_CLICK */
void PostClick(HWND dialog, int id);                       /* for buttons that open dialogs */
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
void LeftDown(HWND window, int x, int y);
void LeftUp(HWND window, int x, int y);
void MouseMove(HWND window, int x, int y, bool leftHeld);
void RightDown(HWND window, int x, int y);
void RightUp(HWND window, int x, int y);
void Key(HWND window, UINT virtualKey);                    /* posted, seen by the dialog manager */
/* The clipboard is shared by every program of the Wine session; another
 * test program may hold it for a moment.  False after about 5 s. */
bool OpenClipboardSoon(HWND window);
/* Pumps this thread's messages until none is left (outside modal loops). */
void Pump();

/* What a control paints into a memory DC through WM_PRINTCLIENT. */
Capture PrintClient(HWND window);
/* Live GDI objects of this process, or -1 when they cannot be counted. */
int CountGdiObjects();
/* How many more GDI objects live after the rounds than after round
 * `settled` (the first rounds fill the system's DC caches); nothing when
 * they cannot be counted. */
std::optional<int> GdiObjectsGained(int rounds, int settled, const std::function<void(int)> &round);

/* Reads a window's client pixels (after painting what is pending). */
Capture Pixels(HWND window);
/* How many pixels of the image are exactly that colour. */
int CountColour(const Capture &image, COLORREF colour);

/* The common file dialogs, driven as a user does: what they show, a name
 * typed into the file name field, and that name chosen with OK. */
std::string FolderShown(HWND fileDialog);
std::string FileNameShown(HWND fileDialog);
void TypeFileName(HWND fileDialog, const std::string &name);
void ChooseFile(HWND fileDialog, const std::string &name);
/* The template dialog of a hooked file dialog, the one holding the item. */
HWND HookDialog(HWND fileDialog, int itemId);
/* What the file dialog tells its hook when another file is selected. */
void NotifySelectionChange(HWND hook);

/* Windows file names compare without case. */
std::string Lower(std::string text);

} // namespace ui

#endif

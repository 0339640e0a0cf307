/*
 * control_parent_test.h - the fixture of a custom control's tests: the
 * control sits on a top-level parent of its own that answers
 * WM_CTLCOLORDLG with the dialog brush, as a dialog gives its controls its
 * brush, until the test ends.
 */
#ifndef CONTROL_PARENT_TEST_H
#define CONTROL_PARENT_TEST_H

#include <gtest/gtest.h>
#include <windows.h>

#include "ui_driver.h"

namespace ui {

class ControlParentTest : public testing::Test {
protected:
    /* The parent, or null when it could not be made; procedure answers
     * WM_CTLCOLORDLG with parentBrush (BrushParentProc or one that
     * calls it). */
    HWND OpenParent(const char *className, WNDPROC procedure, int width, int height,
                    DWORD style = WS_OVERLAPPEDWINDOW)
    {
        dialogBrush = DialogBrush();
        parentBrush = dialogBrush;
        parent = TestParentWindow(className, procedure, width, height, style);
        return parent;
    }

    /* After the control is gone. */
    void CloseParent()
    {
        DestroyWindow(parent);
        parentBrush = nullptr;
    }

    HWND parent = nullptr;
    HBRUSH dialogBrush = nullptr;   /* what the parent hands its controls */
};

} // namespace ui

#endif

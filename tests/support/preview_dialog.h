/*
 * preview_dialog.h - the editor template holding the editor's preview and
 * nothing else, for the preview's tests and benches: its procedure does for
 * the preview what the editor does (asks it first, sets it up for the
 * current instance, tears it down), so a test sees the preview without the
 * rest of the editor's work.
 */
#ifndef PREVIEW_DIALOG_H
#define PREVIEW_DIALOG_H

#include <functional>
#include <windows.h>

namespace ui {

/* Made modelessly for currentInstance, which it becomes the dialog of, and
 * shown; the preview gets width x height client pixels, or keeps the
 * template's size when they are 0.  Null when the dialog was not made. */
HWND OpenPreviewDialog(int width = 0, int height = 0);

/* Called with the preview's DC after each picture of it is drawn (a bench
 * counts them; the sweep's bench adds its overlay); null for nothing. */
extern std::function<void(HDC)> previewDrawn;

} // namespace ui

#endif

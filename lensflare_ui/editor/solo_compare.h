/*
 * solo_compare.h - other views of the flare in the editor's preview: the
 * selected element alone ("Solo"), and a snapshot A of the whole flare
 * held for comparing, whole or beside the current flare in a split view,
 * and restored as one undo step.  The views render through the host's
 * temporary light; only the restore changes the user's flare.
 */
#ifndef SOLO_COMPARE_H
#define SOLO_COMPARE_H

#include <stdint.h>
#include <windows.h>

/* Solo on and off; no control of the editor uses it. */
#define SOLO_SHORTCUT_KEY     VK_F6
/* Shows the snapshot for as long as it is held down. */
#define COMPARE_SHORTCUT_KEY  VK_F7

/* The editor's hooks: start-up (after its system menu) and destruction. */
void SetUpSoloCompare(HWND dialog);
void TearDownSoloCompare();
/* A message of the editor's modal loop, from its key filter. */
bool HandleSoloCompareKey(const MSG *msg);
/* After each command: a solo preview follows the selection. */
void SoloFollowsSelection();
/* The corner marks and the divider over the preview's picture. */
void DrawSoloCompareMarks(HDC dc);

/* The system menu's items. */
void ToggleSolo(HWND dialog);
void HoldSnapshot(HWND dialog);
void ToggleCompareWithSnapshot(HWND dialog);
void ToggleSplitView(HWND dialog);
void RestoreSnapshot(HWND dialog);

bool SoloShown();
bool SnapshotHeld();
bool SnapshotShown();        /* A whole, by key or menu */
bool SplitViewShown();
int SplitDividerX();         /* preview pixels from the left: A left of it */

#endif

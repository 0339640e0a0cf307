// Keys as the editor's modal loop sees a user's: the modifier keys held
// in the thread's keyboard state, the key itself posted to a window.
#ifndef KEY_STEPS_H
#define KEY_STEPS_H

#include <windows.h>

inline void HoldKeys(bool control, bool shift)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
}

#endif

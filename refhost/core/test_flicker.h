/*
 * test_flicker.h - a flare that flickers, for tests of the editor's flash
 * warning (Kh_Set_Render_Flicker): renders that leave the image dark.
 */
#ifndef TEST_FLICKER_H
#define TEST_FLICKER_H

/* Whether this render call is one to leave dark; counts the call. */
bool FlickerSkipsRender();

#endif

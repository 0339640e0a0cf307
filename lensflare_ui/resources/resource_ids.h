/*
 * resource_ids.h - ids of the plug-in's dialog templates, controls, private
 * messages and timers, named once.  Included by the .rc file and by C++.
 */
#ifndef RESOURCE_IDS_H
#define RESOURCE_IDS_H

/* Private window messages (WM_USER + n). */
#define WM_REFRESH_ELEMENT_LIST  1044  /* editor: refill the element list */
#define WM_TABSTRIP_CLICKED      1063  /* tab strip to parent: wParam section id */
#define WM_TABSTRIP_SELECT       1064  /* to the tab strip: select wParam's tab */

/* Parameter sections (tab ids). */
#define SECTION_GLOBAL           1500
#define SECTION_GLOBAL_FADING    1501
#define SECTION_ELEMENT          1502

/* Editor dialog "LensFlareDialogBox". */
#define IDC_PREVIEW              1000
#define IDC_LIBRARY_LOAD         1003
#define IDC_LIBRARY_SAVE         1004
#define IDC_ELEMENT_LIST         1005
#define IDC_PARAM_AREA           1006
#define IDC_PREVIEW_GROUP        1009
#define IDC_ELEMENT_ENABLED      1010
#define IDC_REMOVE_ELEMENT       1011
#define IDC_MOVE_DOWN            1012
#define IDC_MOVE_UP              1013
#define IDC_REALTIME_UPDATES     1014
#define IDC_FASTER_UPDATES       1015
#define IDC_REDRAW_NOW           1016
#define IDC_GLOBAL_AREA          1017
#define IDC_FADING_AREA          1018
#define IDC_HELP_BUTTON                 1019
#define IDC_ADD_ELEMENT          1020
#define IDC_COPY_ELEMENT         1021
#define IDC_FLARE_ENABLED        1800
#define IDC_INTENSITY_SLIDER     1801
#define IDC_SCALE_SLIDER         1802
#define IDC_ANGLE_SLIDER         1803
#define IDC_STRETCH_SLIDER       1804
#define IDC_USE_LIGHT_PARAMS     1805
#define IDC_SEED_LABEL           1806
#define IDC_RANDOM_SEED          1807
#define IDC_BASE_COLOR_LABEL     1808
#define IDC_BASE_COLOR           1809
#define IDC_FADE_NEAR_BORDER     1900
#define IDC_FADE_BEHIND          1901
#define IDC_FADE_APPROACHING     1902
#define IDC_FADE_WITH_DISTANCE   1903
#define IDC_GLOW_BEHIND          1904
#define IDC_SCALE_REFLEXES       1905
#define IDC_SCALE_GLOW           1906
#define IDC_REF_DISTANCE_LABEL   1907
#define IDC_REF_DISTANCE         1908
#define IDC_OCCLUSION_SLIDER     1909

/* Items the editor adds to its system menu: below 0xF000, low four bits
 * clear, since the system uses those bits of WM_SYSCOMMAND. */
#define IDM_SYSTEM_UNDO          0x0010
#define IDM_SYSTEM_REDO          0x0020

/* Timer of the preview render (wait cursor after 400 ms). */
#define IDT_RENDER_WAIT          10
#define RENDER_WAIT_MS           400

/* Light sweep of the preview: its frame timer and its system menu items
 * (system menu ids keep their low four bits clear). */
#define IDT_LIGHT_SWEEP          11
#define LIGHT_SWEEP_FRAME_MS     15
#define IDM_PLAY_LIGHT_SWEEP     0x0110
#define IDM_SWEEP_OCCLUDER       0x0120

/* A notice in a band at the preview's foot: its timer and how long it stands. */
#define IDT_PREVIEW_NOTICE       12
#define PREVIEW_NOTICE_MS        6000

/* Solo and snapshot views of the preview: their system menu items. */
#define IDM_SOLO_ELEMENT         0x0310
#define IDM_HOLD_SNAPSHOT        0x0320
#define IDM_COMPARE_SNAPSHOT     0x0330
#define IDM_SPLIT_VIEW           0x0340
#define IDM_RESTORE_SNAPSHOT     0x0350

/* The effect browser "EffectBrowser": its system menu item in the
 * editor, its drawing timer (slices between messages) and its items. */
#define IDM_BROWSE_EFFECTS       0x0360
#define IDT_BROWSER_SLICE        13
#define BROWSER_SLICE_MS         1     /* as soon as the queue is empty */
#define IDC_BROWSER_FILTER_LABEL 4000
#define IDC_BROWSER_FILTER       4001
#define IDC_BROWSER_GRID         4002
#define IDC_BROWSER_PICTURE      4003
#define IDC_BROWSER_NAME         4004
#define IDC_BROWSER_APPLY        4005
#define IDC_BROWSER_STATUS       4006

/* First id of the parameter panel's controls. */
#define IDC_PANEL_FIRST          10000

/* Add element dialog "AddElementDialog". */
#define IDC_ELEMENT_TYPES        2000
#define IDC_ADD_BEFORE           2001
#define IDC_ADD_AFTER            2002
#define IDC_ADD_AT_START         2003
#define IDC_ADD_AT_END           2004

/* ---- Colour selection: "ColorSelectorDialog" and "NamedColorSelector" ---- */

/* Interactive selector; the bars are 2000 + k and the values 2003 + k for
 * the component k = 0, 1, 2. */
#define IDC_COLOR_BAR_FIRST      2000
#define IDC_COLOR_BAR_SECOND     2001
#define IDC_COLOR_BAR_THIRD      2002
#define IDC_COLOR_VALUE_FIRST    2003
#define IDC_COLOR_VALUE_SECOND   2004
#define IDC_COLOR_VALUE_THIRD    2005
#define IDC_COLOR_PALETTE        2006  /* "Color Palette >>": the Windows dialog */
#define IDC_COLOR_SWATCH         2007
#define IDC_COLOR_LETTER_FIRST   2008  /* "R" / "H" */
#define IDC_COLOR_LETTER_SECOND  2009
#define IDC_COLOR_LETTER_THIRD   2010
#define IDC_COLOR_MODE_LABEL     2011  /* "Color Mode:"; a static of id -1 means a message box */
#define IDC_COLOR_NAMES          2012  /* "Color Names >>" */
#define IDC_COLOR_MODE_RGB       2013
#define IDC_COLOR_MODE_HSL       2014
#define IDC_COLOR_GROUP          2015  /* its text is the caller's title */
#define IDC_COLOR_UNDO           1008

/* Named colour selector. */
#define IDC_NAMED_LIST           3000
#define IDC_NAMED_SWATCH         3001
#define IDC_NAMED_RED            3002
#define IDC_NAMED_GREEN          3003
#define IDC_NAMED_BLUE           3004
#define IDC_NAMED_SHOW_SELECTED  1044  /* command: show the selected name's colour */

/* Lens effect file requestor (child template inside the open dialog). */
#define IDC_LIBRARY_PREVIEW_SWITCH  10001  /* "&Preview" */
#define IDC_LIBRARY_PREVIEW         10003  /* owner-drawn preview area */

/* Gradient control: commands of its popup menu (and three the menu does not
 * offer), the large edit dialog's control, the gradient requestor's preview. */
#define IDM_GRADIENT_LOAD            1000
#define IDM_GRADIENT_SAVE            1001
#define IDM_GRADIENT_LINEAR          1002
#define IDM_GRADIENT_CARDINAL        1003
#define IDM_GRADIENT_SINGLE_WHITE    1004
#define IDM_GRADIENT_WHITE_TO_BLACK  1005
#define IDM_GRADIENT_REFLEX          1006
#define IDM_GRADIENT_RING            1007
#define IDM_GRADIENT_SINGLE_BLUE     1008
#define IDM_GRADIENT_LARGE_DIALOG    1009
#define IDC_LARGE_GRADIENT           1000
#define IDC_GRADIENT_FILE_PREVIEW    10003

#endif

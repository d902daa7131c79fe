// Identifiers of the viewer's menu commands and dialog controls. The menu,
// icon and dialog resources themselves are named by text: "KWENAPMENU",
// "KWENICON" and "DIALOG_1".
#pragma once

#define IDM_OPEN 256
#define IDM_EXPORT 257
#define IDM_EXIT 259
#define IDM_ABOUT 512
#define IDM_CONTROLS 513

#define IDI_SECOND_ICON 500
#define IDC_PAGE_NUMBER 101

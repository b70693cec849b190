// Resource ids shared by numpl.rc and the frame's window procedure.
#ifndef NUMPL_UI_RESOURCE_H
#define NUMPL_UI_RESOURCE_H

#define IDR_MAIN_MENU 101  // the frame class's menu
#define IDM_EXIT 40001     // "終了"

#endif

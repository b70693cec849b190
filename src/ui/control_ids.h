// The ids by which the window's menu commands, controls and timer are known:
// one list for the window, its resource script, its tests and the
// remote-control program that the run scripts drive it with. Scripts and
// other programs address the window through these numbers, so they never
// change.
#ifndef NUMPL_UI_CONTROL_IDS_H
#define NUMPL_UI_CONTROL_IDS_H

// The resource compiler reads this part too, so it stays plain macros.
#define IDR_MAIN_MENU 101             // the frame class's menu
#define IDR_SHORTCUTS 102             // Ctrl+O, Ctrl+S, Ctrl+Z and Ctrl+Y, translated by the message loop
#define IDR_MANIFEST 1                // the application manifest (the id Windows looks for)
#define IDM_EXIT 40001                // "ファイル" -> "終了"
#define IDM_OPEN 40002                // "ファイル" -> "開く..."
#define IDM_SAVE_AS 40003             // "ファイル" -> "名前を付けて保存..."
#define IDM_SAVE_PICTURE 40004        // "ファイル" -> "画像として保存..."
#define IDM_COPY_PUZZLE 40011         // "編集" -> "問題をコピー"
#define IDM_COPY_SOLUTION 40012       // "編集" -> "解をコピー"
#define IDM_PASTE 40013               // "編集" -> "貼り付け"
#define IDM_CLEAR_ALL 40014           // "編集" -> "すべて消去"
#define IDM_UNDO 40015                // "編集" -> "元に戻す"
#define IDM_REDO 40016                // "編集" -> "やり直し"
#define IDM_REMOVE_REDUNDANT 40017    // "編集" -> "不要なヒントを除く"
#define IDM_SHOW_DIFFERENCES 40021    // "表示" -> "別解との違い"
#define IDM_SHOW_REDUNDANT 40022      // "表示" -> "不要なヒント"
#define IDM_DIFFICULTY_MAP 40023      // "表示" -> "難易度マップ"
#define IDM_ZOOM_100 40031            // "表示" -> "拡大率" -> "100 %"
#define IDM_ZOOM_150 40032            // "表示" -> "拡大率" -> "150 %"
#define IDM_ZOOM_200 40033            // "表示" -> "拡大率" -> "200 %"
#define IDM_ZOOM_FIT 40034            // "表示" -> "拡大率" -> "ウィンドウに合わせる"
#define IDM_GUIDE 40041               // "ヘルプ" -> "使い方"
#define IDM_ABOUT 40042               // "ヘルプ" -> "バージョン情報"
#define IDI_NUMPL 103                 // the program's icon
#define IDD_ABOUT 104                 // the "バージョン情報" dialog
#define IDC_ABOUT_NAME 1041           // its texts, filled when it opens: the program's name,
#define IDC_ABOUT_VERSION 1042        // the version,
#define IDC_ABOUT_BUILD_DATE 1043     // the day of the build,
#define IDC_ABOUT_LICENCE 1044        // the licence
#define IDC_ABOUT_DESCRIPTION 1045    // and what the program does

#ifndef RC_INVOKED

namespace numpl {

constexpr int CELL_ID_BASE = 0x2001;      // the cell in row r, column c is CELL_ID_BASE + r*N + c
constexpr int SIZE_BUTTON_9 = 0x3001;     // "9x9"
constexpr int SIZE_BUTTON_16 = 0x3002;    // "16x16"
constexpr int SIZE_BUTTON_25 = 0x3003;    // "25x25"
constexpr int TICK_TIMER_ID = 0x4001;     // the 100 ms timer of the left pane
constexpr int COUNT_BOX_ID = 0x5001;      // solution count and analysis state
constexpr int THREAD_BOX_ID = 0x5002;     // thread count
constexpr int SHOW_BUTTON_ID = 0x6001;    // "解を表示"
constexpr int HIDE_BUTTON_ID = 0x6002;    // "解を非表示"
constexpr int DIFFICULTY_BOX_ID = 0x7001; // the difficulty text

} // namespace numpl

#endif

#endif

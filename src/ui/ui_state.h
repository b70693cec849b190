// The records that every part of the window shares on the UI thread: the
// window handles (WindowLayout), the editor and analysis state, and the one
// process-wide Puzzle. A few items are also touched by the analysis worker;
// those are atomics and say so.
#ifndef NUMPL_UI_UI_STATE_H
#define NUMPL_UI_UI_STATE_H

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "analysis/puzzle.h"
#include "history/undo_history.h"
#include "ui/control_ids.h"

namespace numpl {

constexpr UINT TICK_INTERVAL_MS = 100;

constexpr int TEXT_BUFFER = 4096;               // characters read from a field, terminator included

// The frame's client area at start and the splitter limits.
constexpr int CLIENT_WIDTH = 1024;
constexpr int CLIENT_HEIGHT = 768;
constexpr int MIN_LEFT_WIDTH = 700;
constexpr int MIN_RIGHT_WIDTH = 300;

constexpr COLORREF GIVEN_COLOUR = 0xE0CC9D;     // light blue behind a given
constexpr COLORREF CONFLICT_COLOUR = 0x0000FF;  // red behind the marked cell
constexpr COLORREF DIFFERENCE_COLOUR = 0x99FFFF; // light yellow: the second solution differs here

struct WindowLayout {
    int32_t layoutBusy;          // 1 while layoutPanes runs, so its own moves start no nested pass
    int32_t boxOrder;            // n of the grid on screen; 0 before the first build
    HWND frame;                  // top-level window "ナンプレ"
    HWND rightPane;              // "RightWindow"
    HWND leftPane;               // "LeftWindow"; its right sizing border is the splitter
    HWND sizeButtons[3];         // "9x9", "16x16", "25x25"
    HWND cells[MAX_CELLS];       // cell r*N + c; slots from N*N on are null
    HWND countBox;               // solution count and analysis state
    HWND threadBox;              // thread count typed by the user
    HWND showButton;             // "解を表示"; null while hideButton exists
    HWND hideButton;             // "解を非表示"; null while showButton exists
    HWND difficultyBox;          // the five-line difficulty text
};

struct UiState {
    Puzzle* puzzle;                       // the current Puzzle; null before the first grid or after a failed create
    HANDLE workerThread;                  // the analysis worker, ended or not; null when none
    WNDPROC savedCellProc[MAX_CELLS];     // each cell's EDIT procedure, called for what the subclass passes on
    int32_t currentCell;                  // cell that most recently received any message
    std::atomic<int32_t> markedCell{-1};    // last cell given a digit outside the conflict state; -1 none. Read by the worker
    std::atomic<int32_t> conflictShown;   // duplicate or no-solution state. Also written by the worker
    int32_t gridFresh;                    // a new grid waits for its first analysis
    int32_t stopPending;                  // a size change waits for the worker to end
    int32_t solutionShown;                // the cells show the solution
    int32_t shownMarks[MAX_SIDE][MAX_SIDE];  // 1 where showSolution wrote into an empty cell
    int32_t restartPending;               // start an analysis once the worker has ended
    int32_t difficultyPending;            // the current analysis's difficulty text is not shown yet
    std::atomic<int32_t> finalTextWritten;  // the worker is writing or has written its final count text
    int32_t differencesShown;             // empty cells where the second solution differs are marked
    int32_t mapShown;                     // "難易度マップ" is checked: empty cells show their stage
    int32_t pendingBoxOrder;              // a pasted or opened puzzle waits for its grid size; 0 none
    int32_t pendingCells[MAX_CELLS];      // its givens, cell r*N + c
    UndoHistory history;                  // the steps that 元に戻す and やり直し move through
    int32_t focusCell;                    // the cell that last got the focus; -1 none since the grid was built
};

extern WindowLayout windowLayout;
extern UiState uiState;

// How the grid editor obtains a Puzzle. Points at createPuzzle; tests swap it
// to make the allocation fail.
extern Puzzle* (*puzzleFactory)(int32_t boxOrder);

// How an analysis worker is started. Calls CreateThread; tests swap it to
// make the start fail.
extern HANDLE (*workerStarter)(LPTHREAD_START_ROUTINE routine, LPVOID parameter);

// Asks the running analysis to stop and takes back its count: the field and
// the solution button must not show a count of givens that no longer stand.
void requestCancel(Puzzle* puzzle);

// The count of the current analysis as the window may use it: 0 once this
// thread has cancelled the analysis (its results belong to givens that no
// longer stand, and a publication racing the cancel may show for a moment),
// else the published count, read with acquire so that the solution, the
// counters and the second solution it covers are visible too.
int32_t visibleCount(const Puzzle* puzzle);

// Writes a number into a field or cell as the user would type it.
void setNumber(HWND window, int32_t value);

// Sets every field of both records to its start value (zero, none,
// markedCell and focusCell -1, an empty history).
// Only for a moment when no worker exists.
void resetUiState();

// True while the worker thread exists and has not ended.
bool workerRunning();

// Side N of the grid on screen, 0 before the first build.
int32_t gridSide();

} // namespace numpl

#endif

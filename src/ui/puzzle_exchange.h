// Puzzles in and out of the window: paste, copy, open, save, drop, emptying
// the grid, and the marking of the cells where a second solution differs.
// Everything here runs on the UI thread.
#ifndef NUMPL_UI_PUZZLE_EXCHANGE_H
#define NUMPL_UI_PUZZLE_EXCHANGE_H

#include <windows.h>

#include <cstdint>

namespace numpl {

// The frame's menu commands other than "終了"; false for an id that is not one.
bool runExchangeCommand(int id);

// Greys what cannot be done now and checks "別解との違い" while it is shown
// (WM_INITMENUPOPUP of the frame).
void updateExchangeMenu(HMENU menu);

// A cell's WM_PASTE: a whole puzzle on the clipboard replaces the grid, a
// text that is no puzzle is refused with a message; false when the text is
// one number, which the cell pastes itself as always.
bool pasteFromClipboard();

// Puts text in the one-line form on the clipboard (a cell's WM_COPY with
// nothing selected, and the menu items). False when there is nothing to copy
// or the clipboard cannot be opened.
bool copyPuzzle();
bool copySolution();

// Reads the first puzzle of a file into the grid; a message says why not
// when it cannot. Used by "開く...", a dropped file and the command line.
bool openPuzzleFile(const wchar_t* path);

// Writes the givens as one line (CR LF, UTF-8) through a temporary file in
// the same folder that replaces `path` only once it is completely written.
bool savePuzzleFile(const wchar_t* path);

// WM_DROPFILES: opens the first file dropped, then releases the drop.
void openDroppedFile(HDROP drop);

// Empties every cell; one analysis of the empty grid follows.
void clearAllCells();

// Turns the marking of the cells where the second solution differs on or
// off; does nothing with fewer than two solutions.
void toggleDifferences();

// Whether cell k is marked now (for the cell colours).
bool cellMarkedAsDifferent(int32_t k);

// The marking belongs to the givens it was made for: a change ends it.
void forgetDifferences();

// Replaces the whole grid by a puzzle of box order n (N*N cells, 0 empty),
// switching the size when needed, as one step that 元に戻す takes back.
// Paste, open, drop, the command line and すべて消去 go through here; exactly
// one analysis follows. A repeated digit is shown as a typed one is.
void replaceGivensAsStep(int32_t boxOrder, const int32_t* cells);

// The same for the grid that undo or redo puts back: no step is recorded.
void restoreGivens(int32_t boxOrder, const int32_t* cells);

// After a size change: puts in the puzzle that waited for this grid size.
void fillPendingPuzzle();

// The file named on the command line, opened once the first grid exists.
void openAtStart(const wchar_t* path);

// The frame's WM_APP_OPEN_AT_START.
void openStartFile();

constexpr UINT WM_APP_OPEN_AT_START = WM_APP + 1;

} // namespace numpl

#endif

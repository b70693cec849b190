// Undo and redo in the window: which changes of the givens become steps of
// the history, and how a step taken back or made again reaches the grid.
// Everything here runs on the UI thread.
#ifndef NUMPL_UI_EDIT_HISTORY_H
#define NUMPL_UI_EDIT_HISTORY_H

#include <windows.h>

#include <cstdint>

namespace numpl {

// Cell k got the keyboard focus: the edit of the cell before it is complete.
void noteCellFocus(int32_t k);

// scanGrid took a change of cell k's given from `before` to `after`. The
// changes of the cell that has the focus join into one step until another
// cell gets it; a change of any other cell is a step of its own.
void noteCellEdit(int32_t k, int32_t before, int32_t after);

// The givens are about to be replaced by a whole grid of box order n: one
// step from the grid of now (or the one that waits for its size) to this.
void noteGridReplacement(int32_t boxOrder, const int32_t* cells);

// rebuildGrid is about to put an empty grid of box order n on screen. A
// rebuild that brings in a puzzle waiting for that size belongs to the step
// of that puzzle; any other one (a click on a size button) is a step itself.
void noteGridRebuild(int32_t boxOrder);

// "元に戻す" and "やり直し": put back the grid before the last step, or after
// the step last undone; nothing when there is none. Exactly one analysis of
// the grid put back follows, as after a paste.
void undoEdit();
void redoEdit();

// The two menu commands; false for another id.
bool runHistoryCommand(int id);

// Greys "元に戻す" and "やり直し" when there is nothing to undo or redo
// (WM_INITMENUPOPUP of the frame, which an accelerator sends too).
void updateHistoryMenu(HMENU menu);

} // namespace numpl

#endif

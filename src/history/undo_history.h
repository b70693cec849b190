// The history behind 元に戻す and やり直し: every change of the givens that
// the user made, as the cells it changed, so that each can be taken back and
// made again. Plain data, no windows: the window records its changes here and
// puts back the grids that undo and redo hand it.
#ifndef NUMPL_HISTORY_UNDO_HISTORY_H
#define NUMPL_HISTORY_UNDO_HISTORY_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace numpl {

// Steps beyond this many are dropped, oldest first.
constexpr size_t HISTORY_LIMIT = 10000;

struct CellChange {
    int32_t index;  // cell r*N + c
    int32_t before; // its given before the step, 0 = empty
    int32_t after;  // and after it
};

// One step. Within one grid size only the cells that changed are listed.
// A step that changes the size lists every cell that is filled in either
// grid, `before` read in the old grid and `after` in the new one, since the
// two grids have nothing in common to leave out.
struct HistoryStep {
    int32_t boxOrderBefore;          // n of the grid before the step
    int32_t boxOrderAfter;           // n after it; differs only for a size change
    std::vector<CellChange> changes; // in index order, except the one cell of an edit
};

struct UndoHistory {
    std::deque<HistoryStep> steps; // oldest first
    size_t position = 0;           // steps[0, position) can be undone, the rest redone
    int32_t openCell = -1;         // the cell whose edit the last step still collects; -1 none
};

// Forgets every step: nothing to undo or redo.
void clearHistory(UndoHistory* history);

// One change of one cell. While the last step is the open edit of the same
// cell, the change joins it (typing "12" is one step), and a step that comes
// back to where it began is dropped; otherwise it starts a new step, which
// stays open for that cell. A change from a value to itself records nothing.
void recordCellEdit(UndoHistory* history, int32_t boxOrder, int32_t index, int32_t before, int32_t after);

// Ends the open edit, so that the next change of any cell is a step of its own.
void closeCellEdit(UndoHistory* history);

// A whole grid replaced, its size perhaps too: one step, unless nothing
// changed. `before` holds N*N cells of the old order, `after` of the new.
// Like every new step, it drops the steps that an undo left to redo.
void recordGridChange(UndoHistory* history, int32_t boxOrderBefore, const int32_t* before, int32_t boxOrderAfter,
                      const int32_t* after);

// Takes back the last step: *boxOrder and cells (the grid now shown, with
// room for the larger grid of the step) become the grid before it. False,
// and nothing changed, when there is nothing to undo.
bool undoStep(UndoHistory* history, int32_t* boxOrder, int32_t* cells);

// Makes the step after the last undo again, the same way. False when there
// is nothing to redo.
bool redoStep(UndoHistory* history, int32_t* boxOrder, int32_t* cells);

bool canUndo(const UndoHistory* history);
bool canRedo(const UndoHistory* history);

} // namespace numpl

#endif

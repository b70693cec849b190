// The window's undo history. The history itself holds grids as numbers; this
// part decides what a step is (an edit of one cell, a grid replaced, a size
// chosen) and hands the grid of an undo or redo to the same path that a
// pasted puzzle takes, so that a size change, the hidden solution, the
// cancelled analysis and the one analysis after it come out as for a paste.
#include "ui/edit_history.h"

#include "history/undo_history.h"
#include "ui/grid_editor.h"
#include "ui/puzzle_exchange.h"
#include "ui/ui_state.h"

namespace numpl {

namespace {

// Text typed within the last 100 ms is not in the givens yet. It is read in
// now, as the next tick would read it, so that an undo right after typing
// takes back that typing and the menu knows there is something to undo. The
// tick's own analysis start is kept through gridFresh.
void readTypedCells() {
    if (uiState.puzzle == nullptr || uiState.solutionShown == 1 || uiState.stopPending == 1) return;
    if (scanGrid() == 1) uiState.gridFresh = 1;
}

// The grid as the history knows it: a puzzle that waits for its grid size
// has been recorded already and counts as shown.
void currentGrid(int32_t* boxOrder, int32_t* cells) {
    if (uiState.pendingBoxOrder != 0) {
        *boxOrder = uiState.pendingBoxOrder;
        for (int32_t k = 0; k < MAX_CELLS; ++k) cells[k] = uiState.pendingCells[k];
        return;
    }
    *boxOrder = windowLayout.boxOrder;
    int32_t side = gridSide();
    for (int32_t k = 0; k < MAX_CELLS; ++k) {
        bool inGrid = uiState.puzzle != nullptr && k < side * side;
        cells[k] = inGrid ? readGiven(uiState.puzzle, k / side, k % side) : 0;
    }
}

void moveInHistory(bool (*move)(UndoHistory*, int32_t*, int32_t*)) {
    readTypedCells();
    int32_t boxOrder = 0;
    int32_t cells[MAX_CELLS];
    currentGrid(&boxOrder, cells);
    if (boxOrder == 0 || !move(&uiState.history, &boxOrder, cells)) return;
    restoreGivens(boxOrder, cells);
}

} // namespace

void noteCellFocus(int32_t k) {
    if (k == uiState.focusCell) return;
    uiState.focusCell = k;
    closeCellEdit(&uiState.history);
}

void noteCellEdit(int32_t k, int32_t before, int32_t after) {
    recordCellEdit(&uiState.history, windowLayout.boxOrder, k, before, after);
    if (k != uiState.focusCell) closeCellEdit(&uiState.history);
}

void noteGridReplacement(int32_t boxOrder, const int32_t* cells) {
    readTypedCells();
    int32_t oldOrder = 0;
    int32_t old[MAX_CELLS];
    currentGrid(&oldOrder, old);
    if (oldOrder != 0) recordGridChange(&uiState.history, oldOrder, old, boxOrder, cells);
}

void noteGridRebuild(int32_t boxOrder) {
    static const int32_t EMPTY[MAX_CELLS] = {};
    // The cells are made anew, so no cell of the new grid has the focus yet.
    uiState.focusCell = -1;
    if (windowLayout.boxOrder == 0 || uiState.pendingBoxOrder == boxOrder) return;
    int32_t oldOrder = 0;
    int32_t old[MAX_CELLS];
    currentGrid(&oldOrder, old);
    recordGridChange(&uiState.history, oldOrder, old, boxOrder, EMPTY);
}

void undoEdit() { moveInHistory(undoStep); }

void redoEdit() { moveInHistory(redoStep); }

bool runHistoryCommand(int id) {
    switch (id) {
    case IDM_UNDO: undoEdit(); return true;
    case IDM_REDO: redoEdit(); return true;
    default: return false;
    }
}

void updateHistoryMenu(HMENU menu) {
    readTypedCells();
    EnableMenuItem(menu, IDM_UNDO, MF_BYCOMMAND | (canUndo(&uiState.history) ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, IDM_REDO, MF_BYCOMMAND | (canRedo(&uiState.history) ? MF_ENABLED : MF_GRAYED));
}

} // namespace numpl

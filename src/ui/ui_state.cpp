// The single instances of the window records and the worker test.
#include "ui/ui_state.h"

#include <cstring>

namespace numpl {

WindowLayout windowLayout;
UiState uiState;
Puzzle* (*puzzleFactory)(int32_t boxOrder) = createPuzzle;

void resetUiState() {
    std::memset(&windowLayout, 0, sizeof windowLayout);
    uiState.puzzle = nullptr;
    uiState.workerThread = nullptr;
    std::memset(uiState.savedCellProc, 0, sizeof uiState.savedCellProc);
    uiState.currentCell = 0;
    uiState.markedCell.store(-1, std::memory_order_relaxed);
    uiState.conflictShown.store(0, std::memory_order_relaxed);
    uiState.gridFresh = 0;
    uiState.stopPending = 0;
    uiState.solutionShown = 0;
    std::memset(uiState.shownMarks, 0, sizeof uiState.shownMarks);
    uiState.restartPending = 0;
    uiState.difficultyPending = 0;
    uiState.finalTextWritten.store(0, std::memory_order_relaxed);
}

bool workerRunning() {
    DWORD code = 0;
    return uiState.workerThread != nullptr && GetExitCodeThread(uiState.workerThread, &code) &&
           code == STILL_ACTIVE;
}

int32_t gridSide() {
    return windowLayout.boxOrder * windowLayout.boxOrder;
}

} // namespace numpl

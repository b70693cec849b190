// The single instances of the window records, and the small operations that
// several parts of the window share.
#include "ui/ui_state.h"

#include <cstring>
#include <cwchar>

namespace numpl {

WindowLayout windowLayout;
UiState uiState;
Puzzle* (*puzzleFactory)(int32_t boxOrder) = createPuzzle;

namespace {

HANDLE createWorkerThread(LPTHREAD_START_ROUTINE routine, LPVOID parameter) {
    return CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
}

} // namespace

HANDLE (*workerStarter)(LPTHREAD_START_ROUTINE routine, LPVOID parameter) = createWorkerThread;

// Sequentially consistent, as the worker's publications are: a publication
// that slipped past its look at the flag sees it afterwards and takes itself
// back (withdrawIfCancelled).
void requestCancel(Puzzle* puzzle) {
    puzzle->cancelRequested.store(1, std::memory_order_seq_cst);
    puzzle->solutionCount.store(0, std::memory_order_seq_cst);
}

int32_t visibleCount(const Puzzle* puzzle) {
    if (puzzle == nullptr || puzzle->cancelRequested.load(std::memory_order_relaxed) != 0) return 0;
    return puzzle->solutionCount.load(std::memory_order_acquire);
}

void setNumber(HWND window, int32_t value) {
    wchar_t text[16];
    swprintf(text, 16, L"%d", value);
    SetWindowTextW(window, text);
}

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
    uiState.differencesShown = 0;
    uiState.mapShown = 0;
    uiState.pendingBoxOrder = 0;
    clearHistory(&uiState.history);
    uiState.focusCell = -1;
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

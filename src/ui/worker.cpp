// The worker thread that runs one analysis and reports its final count.
//
// What it shares: from the Puzzle it reads givens, threadCount and
// cancelRequested and writes solutionCount, solution and the five counters
// (all through analysePuzzle); from the UI state it writes conflictShown and
// finalTextWritten and reads markedCell, the cells and countBox. Its window
// calls are carried out on the UI thread.
#include "ui/worker.h"

#include <cwchar>

#include "analysis/search.h"
#include "ui/ui_state.h"

namespace numpl {

DWORD WINAPI analysisWorker(LPVOID) {
    // The Puzzle is replaced only after this thread has ended.
    Puzzle* puzzle = uiState.puzzle;
    int32_t count = analysePuzzle(puzzle);
    wchar_t text[1024];
    if (puzzle->cancelRequested.load(std::memory_order_relaxed) == 1) {
        swprintf(text, 1024, L"%ls", L"解析中断");
    } else if (count == SOLUTION_LIMIT) {
        swprintf(text, 1024, L"%d以上", count);
    } else {
        swprintf(text, 1024, L"%d", count);
        if (count == 0) {
            uiState.conflictShown.store(1, std::memory_order_relaxed);
            int32_t marked = uiState.markedCell.load(std::memory_order_relaxed);
            if (marked != -1) {
                InvalidateRect(windowLayout.cells[marked], nullptr, TRUE);
                UpdateWindow(windowLayout.cells[marked]);
            }
        }
    }
    // Set before the text is sent; analysisTick explains why this keeps a
    // late progress text from replacing the final one.
    uiState.finalTextWritten.store(1, std::memory_order_release);
    SetWindowTextW(windowLayout.countBox, text);
    return 1;
}

void finishWorkerForShutdown() {
    HANDLE thread = uiState.workerThread;
    if (thread == nullptr) return;
    if (uiState.puzzle != nullptr) requestCancel(uiState.puzzle);
    // The worker's SetWindowTextW and UpdateWindow complete only when this
    // thread handles the messages they send, so wait for those as well.
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(thread);
    uiState.workerThread = nullptr;
}

} // namespace numpl

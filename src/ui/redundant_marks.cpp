// The redundant-givens marks and the minimal puzzle in the window.
//
// One background thread at a time runs either check on a copy of the givens
// it was started for, with the scratch record and the cancel flag of this
// unit; it touches no window and nothing of the Puzzle. The tick compares
// that copy with the givens on screen: any difference raises the cancel flag
// and drops whatever the thread brings back, so a result never outlives its
// grid, even when the givens change and change back. The marks are shown
// only while the analysis of the same givens has ended with one solution.
#include "ui/redundant_marks.h"

#include <atomic>
#include <cstring>
#include <cwchar>
#include <string>

#include "composing/redundant_givens.h"
#include "ui/grid_editor.h"
#include "ui/puzzle_exchange.h"
#include "ui/ui_state.h"

namespace numpl {

namespace {

// The line under the difficulty text starts with this, whichever it is.
const wchar_t LINE_START[] = L"\r\n不要なヒント";

enum JobKind : int32_t {
    JOB_MARKS,    // findRedundantGivens for the marks
    JOB_MINIMISE, // minimisePuzzle for "不要なヒントを除く"
};

struct GivenGrid {
    int32_t boxOrder;         // 0: no grid
    int32_t cells[MAX_CELLS]; // cell r*N + c, 0 empty
};

// Written by the UI thread before the thread starts and read by it after the
// thread has ended; in between only the thread writes, and only the cancel
// flag is shared.
struct ComposeJob {
    int32_t kind;                   // a JobKind
    GivenGrid grid;                 // the givens the job was started for
    std::atomic<int32_t> cancel{0}; // raised by the UI thread when the givens change
    ComposeStatus status;           // the thread's answer
    uint8_t redundant[MAX_CELLS];   // JOB_MARKS: 1 for each given that could go
    int32_t redundantCount;         // JOB_MARKS: how many
    int32_t minimal[MAX_CELLS];     // JOB_MINIMISE: the givens left
};

struct RedundantState {
    int32_t shown;            // "不要なヒント" is checked
    HANDLE thread;            // the thread of job, ended or not; null when none
    ComposeJob job;           // see ComposeJob
    ComposeScratch* scratch;  // the threads' scratch, one thread at a time; made on first use
    int32_t marksReady;       // marks and markCount belong to markedFor
    GivenGrid markedFor;      // the givens the marks were found for
    uint8_t marks[MAX_CELLS]; // 1 for each given that could go
    int32_t markCount;        // how many; -1 when the check could not say
    int32_t minimiseWanted;   // "不要なヒントを除く" waits for the thread
    GivenGrid wanted;         // the givens it was chosen for
    int32_t marksOnScreen;    // the cells were last invalidated with the marks shown
};

RedundantState state;

void readScreen(GivenGrid* grid) {
    Puzzle* puzzle = uiState.puzzle;
    int32_t side = gridSide();
    grid->boxOrder = puzzle == nullptr ? 0 : windowLayout.boxOrder;
    if (grid->boxOrder == 0) return;
    for (int32_t k = 0; k < side * side; ++k) grid->cells[k] = readGiven(puzzle, k / side, k % side);
}

bool sameGrid(const GivenGrid& a, const GivenGrid& b) {
    int32_t side = a.boxOrder * a.boxOrder;
    return a.boxOrder == b.boxOrder &&
           std::memcmp(a.cells, b.cells, sizeof(int32_t) * static_cast<size_t>(side * side)) == 0;
}

void copyGrid(GivenGrid* to, const GivenGrid& from) {
    to->boxOrder = from.boxOrder;
    std::memcpy(to->cells, from.cells, sizeof from.cells);
}

// The analysis of the givens on screen has ended with exactly one solution,
// and nothing waits to start another: no change, restart, size change or
// conflict is pending. The final count text marks the end: the worker
// writes it after the analysis, a moment before its thread is gone, and a
// script that waits for the count and then chooses a command must find the
// command possible.
bool analysisEndedUnique() {
    if (uiState.puzzle == nullptr || windowLayout.boxOrder == 0) return false;
    if (uiState.workerThread == nullptr || uiState.finalTextWritten.load(std::memory_order_acquire) == 0) return false;
    if (uiState.gridFresh != 0 || uiState.restartPending != 0 || uiState.stopPending != 0 ||
        uiState.pendingBoxOrder != 0)
        return false;
    if (uiState.conflictShown.load(std::memory_order_relaxed) != 0) return false;
    return visibleCount(uiState.puzzle) == 1;
}

bool minimiseBusy() { return state.minimiseWanted != 0 || (state.thread != nullptr && state.job.kind == JOB_MINIMISE); }

bool marksVisible() {
    return state.shown != 0 && state.marksReady != 0 && state.markCount >= 0 && analysisEndedUnique();
}

DWORD WINAPI composeThread(LPVOID parameter) {
    ComposeJob* job = static_cast<ComposeJob*>(parameter);
    int32_t n = job->grid.boxOrder;
    if (job->kind == JOB_MARKS) {
        job->status =
            findRedundantGivens(state.scratch, n, job->grid.cells, &job->cancel, job->redundant, &job->redundantCount);
    } else {
        job->status = minimisePuzzle(state.scratch, n, job->grid.cells, &job->cancel, job->minimal);
    }
    return 0;
}

void startJob(int32_t kind, const GivenGrid& grid) {
    if (state.scratch == nullptr) state.scratch = createComposeScratch();
    ComposeJob& job = state.job;
    job.kind = kind;
    copyGrid(&job.grid, grid);
    job.cancel.store(0, std::memory_order_relaxed);
    job.status = COMPOSE_CANCELLED;
    job.redundantCount = 0;
    if (state.scratch != nullptr) state.thread = CreateThread(nullptr, 0, composeThread, &job, 0, nullptr);
    if (state.thread != nullptr || kind != JOB_MARKS) return;
    // No thread: the marks stay off for these givens rather than being
    // tried again at every tick.
    copyGrid(&state.markedFor, grid);
    state.marksReady = 1;
    state.markCount = -1;
}

// The minimal puzzle replaces the givens as one step; givens that are
// already minimal are left alone, so that no empty step is recorded.
void applyMinimal(const ComposeJob& job) {
    int32_t side = job.grid.boxOrder * job.grid.boxOrder;
    if (std::memcmp(job.minimal, job.grid.cells, sizeof(int32_t) * static_cast<size_t>(side * side)) == 0) return;
    replaceGivensAsStep(job.grid.boxOrder, job.minimal);
}

void takeMarks(const ComposeJob& job) {
    copyGrid(&state.markedFor, job.grid);
    state.marksReady = 1;
    int32_t side = job.grid.boxOrder * job.grid.boxOrder;
    // A grid the check calls not unique is left unmarked, not checked again.
    bool done = job.status == COMPOSE_DONE;
    for (int32_t k = 0; k < side * side; ++k) state.marks[k] = done ? job.redundant[k] : 0;
    state.markCount = done ? job.redundantCount : -1;
}

// A job whose givens are gone, or whose reason is gone, is cancelled; once
// its thread has ended, what it found is taken only if it still applies.
void settleThread(const GivenGrid& screen) {
    ComposeJob& job = state.job;
    bool unwanted = job.kind == JOB_MARKS && (state.shown == 0 || state.minimiseWanted != 0);
    bool stale = !sameGrid(job.grid, screen) || unwanted;
    if (stale) job.cancel.store(1, std::memory_order_relaxed);
    if (WaitForSingleObject(state.thread, 0) != WAIT_OBJECT_0) return;
    CloseHandle(state.thread);
    state.thread = nullptr;
    if (stale || job.status == COMPOSE_CANCELLED) return;
    if (job.kind == JOB_MARKS) {
        takeMarks(job);
    } else if (job.status == COMPOSE_DONE) {
        applyMinimal(job);
    }
}

void startDueWork(const GivenGrid& screen) {
    if (state.thread != nullptr || !analysisEndedUnique()) return;
    if (state.minimiseWanted != 0) {
        state.minimiseWanted = 0;
        startJob(JOB_MINIMISE, screen);
        return;
    }
    if (state.shown != 0 && state.marksReady == 0) startJob(JOB_MARKS, screen);
}

// The line goes under the difficulty lines in their own field, so it takes
// the field's font and scale; the difficulty text itself is kept as the
// analysis wrote it.
void showLine(const wchar_t* line) {
    HWND box = windowLayout.difficultyBox;
    if (box == nullptr) return;
    wchar_t text[TEXT_BUFFER];
    text[0] = L'\0';
    GetWindowTextW(box, text, TEXT_BUFFER);
    std::wstring wanted = text;
    size_t at = wanted.find(LINE_START);
    if (at != std::wstring::npos) wanted.resize(at);
    if (line[0] != L'\0') wanted = wanted + L"\r\n" + line;
    if (wanted != text) SetWindowTextW(box, wanted.c_str());
}

void showMarks() {
    int32_t visible = marksVisible() ? 1 : 0;
    if (visible != state.marksOnScreen) {
        state.marksOnScreen = visible;
        invalidateAllCells();
    }
    wchar_t line[64] = L"";
    if (minimiseBusy()) {
        swprintf(line, 64, L"%ls", L"不要なヒントを除いています…");
    } else if (visible != 0) {
        swprintf(line, 64, L"不要なヒント：%d個", state.markCount);
    }
    showLine(line);
}

void toggleMarks() {
    state.shown = state.shown != 0 ? 0 : 1;
    // Unchecking forgets the marks; checking again finds them anew.
    if (state.shown == 0) state.marksReady = 0;
    if (state.shown == 0 && state.thread != nullptr && state.job.kind == JOB_MARKS)
        state.job.cancel.store(1, std::memory_order_relaxed);
    if (windowLayout.frame != nullptr)
        CheckMenuItem(GetMenu(windowLayout.frame), IDM_SHOW_REDUNDANT,
                      MF_BYCOMMAND | (state.shown != 0 ? MF_CHECKED : MF_UNCHECKED));
    redundantTick();
}

void removeRedundantGivens() {
    if (!analysisEndedUnique() || minimiseBusy()) return;
    readScreen(&state.wanted);
    state.minimiseWanted = 1;
    redundantTick();
}

} // namespace

bool runRedundantCommand(int id) {
    switch (id) {
    case IDM_SHOW_REDUNDANT: toggleMarks(); return true;
    case IDM_REMOVE_REDUNDANT: removeRedundantGivens(); return true;
    default: return false;
    }
}

void updateRedundantMenu(HMENU menu) {
    CheckMenuItem(menu, IDM_SHOW_REDUNDANT, MF_BYCOMMAND | (state.shown != 0 ? MF_CHECKED : MF_UNCHECKED));
    bool possible = analysisEndedUnique() && !minimiseBusy();
    EnableMenuItem(menu, IDM_REMOVE_REDUNDANT, MF_BYCOMMAND | (possible ? MF_ENABLED : MF_GRAYED));
}

bool cellMarkedAsRedundant(int32_t k) {
    int32_t side = gridSide();
    if (k < 0 || k >= side * side || state.marks[k] == 0 || !marksVisible()) return false;
    // The tick drops marks of other givens; until it runs, a cell that no
    // longer holds its given is not marked either.
    return state.markedFor.boxOrder == windowLayout.boxOrder &&
           readGiven(uiState.puzzle, k / side, k % side) == state.markedFor.cells[k];
}

void redundantTick() {
    GivenGrid screen;
    readScreen(&screen);
    if (state.thread != nullptr) settleThread(screen);
    if (state.marksReady != 0 && !sameGrid(state.markedFor, screen)) state.marksReady = 0;
    if (state.minimiseWanted != 0 && !sameGrid(state.wanted, screen)) state.minimiseWanted = 0;
    startDueWork(screen);
    showMarks();
}

void finishRedundantWork() {
    if (state.thread != nullptr) {
        state.job.cancel.store(1, std::memory_order_relaxed);
        WaitForSingleObject(state.thread, INFINITE);
        CloseHandle(state.thread);
    }
    destroyComposeScratch(state.scratch);
    state.thread = nullptr;
    state.scratch = nullptr;
    state.shown = 0;
    state.marksReady = 0;
    state.minimiseWanted = 0;
    state.marksOnScreen = 0;
}

} // namespace numpl

// The right pane and the analysis controller driven by the 100 ms tick.
#include "ui/analysis_controls.h"

#include <cstdlib>
#include <cwchar>

#include "ui/difficulty_map.h"
#include "ui/display_scale.h"
#include "ui/grid_editor.h"
#include "ui/ui_state.h"
#include "ui/worker.h"

namespace numpl {

namespace {

constexpr DWORD FIELD_STYLE = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD DIFFICULTY_STYLE = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
constexpr DWORD BUTTON_STYLE = WS_CHILD | WS_VISIBLE;  // a plain push button

const wchar_t ANALYSING[] = L"解析中";

// Places at 96 DPI; the show and hide buttons share theirs.
struct ControlPlace {
    int id;
    int x;
    int y;
    int width;
    int height;
};

const ControlPlace CONTROL_PLACES[] = {
    {THREAD_BOX_ID, 85, 0, 40, 25},
    {COUNT_BOX_ID, 70, 30, 200, 25},
    {SHOW_BUTTON_ID, 0, 60, 100, 25},
    {HIDE_BUTTON_ID, 0, 60, 100, 25},
    {DIFFICULTY_BOX_ID, 0, 120, 300, 600},
};

struct Label {
    int x;
    int y;
    const wchar_t* text;
};

const Label LABELS[] = {
    {0, 3, L"スレッド数"},
    {0, 33, L"解の個数"},
    {0, 101, L"難易度"},
};

const ControlPlace& placeOf(int id) {
    for (const ControlPlace& place : CONTROL_PLACES)
        if (place.id == id) return place;
    return CONTROL_PLACES[0];
}

// A right pane narrower than its controls (a small screen at a large scale
// leaves it 30 % of the frame) cuts the wide fields at its edge rather than
// hiding their ends.
void placeControl(HWND control, int id) {
    if (control == nullptr) return;
    const ControlPlace& place = placeOf(id);
    int x = scaled(place.x);
    int width = scaled(place.width);
    int height = scaled(id == DIFFICULTY_BOX_ID ? difficultyBoxHeight(place.height) : place.height);
    RECT pane;
    if (GetClientRect(GetParent(control), &pane) && pane.right > x && x + width > pane.right)
        width = pane.right - x;
    MoveWindow(control, x, scaled(place.y), width, height, TRUE);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(displayScale.uiFont), TRUE);
}

HWND createControl(HWND pane, const wchar_t* className, const wchar_t* text, DWORD style, int id) {
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(pane, GWLP_HINSTANCE));
    HWND control = CreateWindowExW(0, className, text, style, 0, 0, 1, 1, pane,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    placeControl(control, id);
    return control;
}

LRESULT onRightCreate(HWND pane) {
    WindowLayout& layout = windowLayout;
    layout.threadBox = createControl(pane, L"EDIT", L"", FIELD_STYLE, THREAD_BOX_ID);
    layout.countBox = createControl(pane, L"EDIT", L"", FIELD_STYLE, COUNT_BOX_ID);
    layout.showButton = createControl(pane, L"BUTTON", L"解を表示", BUTTON_STYLE, SHOW_BUTTON_ID);
    layout.difficultyBox = createControl(pane, L"EDIT", nullptr, DIFFICULTY_STYLE, DIFFICULTY_BOX_ID);
    setNumber(layout.threadBox, defaultThreadCount());
    return 0;
}

LRESULT paintLabels(HWND pane) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(pane, &paint);
    HGDIOBJ oldFont = SelectObject(dc, displayScale.uiFont);
    for (const Label& label : LABELS)
        TextOutW(dc, scaled(label.x), scaled(label.y), label.text, static_cast<int>(wcslen(label.text)));
    paintMapLegend(dc);
    SelectObject(dc, oldFont);
    EndPaint(pane, &paint);
    return 0;
}

// The show and hide buttons replace each other at the same place.
void onShowButton(HWND pane) {
    if (!showSolution()) return;
    DestroyWindow(windowLayout.showButton);
    windowLayout.showButton = nullptr;
    windowLayout.hideButton = createControl(pane, L"BUTTON", L"解を非表示", BUTTON_STYLE, HIDE_BUTTON_ID);
}

void onHideButton(HWND pane) {
    hideSolution();
    DestroyWindow(windowLayout.hideButton);
    windowLayout.hideButton = nullptr;
    windowLayout.showButton = createControl(pane, L"BUTTON", L"解を表示", BUTTON_STYLE, SHOW_BUTTON_ID);
}

LRESULT onRightCommand(HWND pane, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case SHOW_BUTTON_ID: onShowButton(pane); break;
    case HIDE_BUTTON_ID: onHideButton(pane); break;
    default: break;
    }
    return 0;
}

// Once per analysis, after the worker has published its first solution.
void showDifficulty(const Puzzle* puzzle) {
    wchar_t text[2048];
    formatDifficulty(text, 2048, puzzle->singleCount.load(std::memory_order_relaxed),
                     puzzle->basicCount.load(std::memory_order_relaxed),
                     puzzle->pairTripleCount.load(std::memory_order_relaxed),
                     puzzle->assumptionCount.load(std::memory_order_relaxed),
                     puzzle->branchCount.load(std::memory_order_relaxed));
    SetWindowTextW(windowLayout.difficultyBox, text);
}

// Progress is written only while the worker has not begun its final text.
// That text is sent with SetWindowTextW from the worker thread, so it is
// applied on this thread, between two ticks and never inside one, and the
// worker raises finalTextWritten (release) before it sends. A tick that runs
// before the text is applied may still write progress, but the final text
// then overwrites it; a tick that runs after it has been applied sees the
// flag (acquire, ordered by the message hand-over) and writes nothing.
void showProgress(const Puzzle* puzzle) {
    if (uiState.conflictShown.load(std::memory_order_relaxed) != 0 || !workerRunning()) return;
    if (uiState.finalTextWritten.load(std::memory_order_acquire) != 0) return;
    wchar_t text[64];
    swprintf(text, 64, L"%d %ls", visibleCount(puzzle), ANALYSING);
    SetWindowTextW(windowLayout.countBox, text);
}

// A worker still runs: ask it to end; the first tick after it has ended
// starts the new analysis.
void cancelForRestart(Puzzle* puzzle) {
    SetWindowTextW(windowLayout.countBox, ANALYSING);
    uiState.restartPending = 1;
    uiState.gridFresh = 0;
    requestCancel(puzzle);
}

// A new analysis is due: the givens changed, or a new grid waits for its
// first analysis, and no conflict stands; or a cancelled analysis waits to be
// followed by the one for the givens of now.
bool analysisDue(int32_t changed, bool conflict) {
    bool givensWaiting = changed == 1 || uiState.gridFresh == 1;
    return (givensWaiting && !conflict) || uiState.restartPending == 1;
}

} // namespace

LRESULT CALLBACK rightPaneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: return onRightCreate(hwnd);
    case WM_PAINT: return paintLabels(hwnd);
    case WM_COMMAND: return onRightCommand(hwnd, wParam);
    case WM_SIZE: layoutRightPane(); return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

void layoutRightPane() {
    placeControl(windowLayout.threadBox, THREAD_BOX_ID);
    placeControl(windowLayout.countBox, COUNT_BOX_ID);
    placeControl(windowLayout.showButton, SHOW_BUTTON_ID);
    placeControl(windowLayout.hideButton, HIDE_BUTTON_ID);
    placeControl(windowLayout.difficultyBox, DIFFICULTY_BOX_ID);
    if (windowLayout.rightPane != nullptr) InvalidateRect(windowLayout.rightPane, nullptr, TRUE);
}

void formatDifficulty(wchar_t* text, size_t size, int32_t singleCount, int32_t basicCount,
                      int32_t pairTripleCount, int32_t assumptionCount, int32_t branchCount) {
    double sum = static_cast<double>(basicCount) + singleCount + pairTripleCount + assumptionCount;
    // Every cell given: nothing was deduced, and each share is shown as 0 %.
    auto share = [sum](int32_t count) { return sum == 0.0 ? 0.0 : count / sum * 100.0; };
    swprintf(text, size,
             L"単独候補マス：%.0f%%\r\n基本的な消去法による確定：%.0f%%\r\n2国同盟，3国同盟による確定：%.0f%%\r\n"
             L"仮定法による確定：%.0f%%\r\nしらみつぶしによる探索：%d個の分岐",
             share(singleCount), share(basicCount), share(pairTripleCount), share(assumptionCount), branchCount);
}

void analysisTick() {
    Puzzle* puzzle = uiState.puzzle;
    if (puzzle == nullptr) return;  // a failed createPuzzle: nothing to read into or analyse
    if (uiState.difficultyPending == 1 && visibleCount(puzzle) > 0) {
        showDifficulty(puzzle);
        uiState.difficultyPending = 0;
        // The map came with the first solution; the cells show it now.
        if (uiState.mapShown == 1) invalidateAllCells();
    }
    if (uiState.stopPending == 1) return;
    int32_t changed = 0;
    if (uiState.solutionShown == 1)
        enforceSolution();
    else
        changed = scanGrid();
    showProgress(puzzle);
    if (uiState.solutionShown == 1) return;
    bool conflict = uiState.conflictShown.load(std::memory_order_relaxed) != 0;
    if (!analysisDue(changed, conflict)) return;
    if (workerRunning()) {
        cancelForRestart(puzzle);
        return;
    }
    startAnalysis();
}

void startAnalysis() {
    Puzzle* puzzle = uiState.puzzle;
    if (puzzle == nullptr) return;
    if (uiState.workerThread != nullptr) {
        CloseHandle(uiState.workerThread);
        uiState.workerThread = nullptr;
    }
    wchar_t text[TEXT_BUFFER];
    text[0] = L'\0';
    GetWindowTextW(windowLayout.threadBox, text, TEXT_BUFFER);
    int32_t threads = clampThreadCount(_wtoi(text));
    setNumber(windowLayout.threadBox, threads);
    puzzle->threadCount.store(threads, std::memory_order_relaxed);
    puzzle->cancelRequested.store(0, std::memory_order_relaxed);
    puzzle->solutionCount.store(0, std::memory_order_relaxed);
    uiState.finalTextWritten.store(0, std::memory_order_relaxed);
    uiState.workerThread = workerStarter(analysisWorker, windowLayout.leftPane);
    uiState.restartPending = 0;
    uiState.gridFresh = 0;
    if (uiState.workerThread == nullptr) {
        // No worker: nothing will end or report, so the field says so and the
        // next change of the givens tries again.
        uiState.difficultyPending = 0;
        SetWindowTextW(windowLayout.countBox, L"解析を開始できません");
        return;
    }
    uiState.difficultyPending = 1;
    SetWindowTextW(windowLayout.countBox, ANALYSING);
}

} // namespace numpl

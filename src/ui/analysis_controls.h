// The right pane (thread count, solution count, solution button, difficulty
// text) and the 100 ms tick that starts, cancels, restarts and reports the
// analyses.
#ifndef NUMPL_UI_ANALYSIS_CONTROLS_H
#define NUMPL_UI_ANALYSIS_CONTROLS_H

#include <windows.h>

#include <cstdint>

namespace numpl {

LRESULT CALLBACK rightPaneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Places and letters the right pane's controls for the display's DPI and
// has its labels drawn again.
void layoutRightPane();

// One timer tick: shows the difficulty once the first solution exists, scans
// or enforces the cells, shows progress, and starts or cancels a worker.
void analysisTick();

// Starts a worker on the current givens with the thread count of the field
// (clamped to 1..128 and written back). Only when no worker is running.
void startAnalysis();

// The five-line difficulty text for the given counters; each of the first
// four is its share of their sum, 0 % each when the sum is 0.
void formatDifficulty(wchar_t* text, size_t size, int32_t singleCount, int32_t basicCount,
                      int32_t pairTripleCount, int32_t assumptionCount, int32_t branchCount);

} // namespace numpl

#endif

// The analysis worker thread and its end at shutdown.
#ifndef NUMPL_UI_WORKER_H
#define NUMPL_UI_WORKER_H

#include <windows.h>

namespace numpl {

// Thread procedure: analyses the current Puzzle and writes the final count
// text. The parameter (the left pane) is not used. Exit code 1.
DWORD WINAPI analysisWorker(LPVOID parameter);

// Cancels a running worker and waits for its end while still handling the
// messages it sends to the UI thread's windows; then closes its handle.
// Only for shutdown: everywhere else the UI thread never waits for it.
void finishWorkerForShutdown();

} // namespace numpl

#endif

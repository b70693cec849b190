// The scratch state of an analysis, in a record that its caller owns: the
// trial scratch of the assumption method, the counters and grids of the
// counts, and the helper threads. Two handles share nothing, so two analyses
// can run side by side in one process, each on its own handle; one handle
// serves one analysis at a time.
#ifndef NUMPL_ANALYSIS_ANALYSIS_HANDLE_H
#define NUMPL_ANALYSIS_ANALYSIS_HANDLE_H

#include "analysis/assumption.h"
#include "analysis/thread_team.h"
#include "candidates/clause_counter.h"
#include "candidates/solution_counter.h"

namespace numpl {

// What the counts on candidate masks reuse from one analysis to the next.
struct CountScratch {
    SolutionCounter* counter;
    CandidateGrid* grid;        // a board to count, loaded
    CandidateGrid* loadedGrid;  // the givens, for the count beside the search
    ClauseCounter* learning;    // for the counts that the depth-first counter does not end soon
};

struct AnalysisHandle {
    ThreadTeam* team;                            // helpers for trial batches and long counts
    AssumptionScratch assumption;
    CountScratch count;                          // made on first use
    SolutionCounter* teamCounters[MAX_THREADS];  // the helpers' counters, made on first use; slot 0 unused
};

// An empty handle; its parts are made when an analysis first needs them.
AnalysisHandle* createAnalysisHandle();

// Ends its helper threads and frees everything. No analysis may be running
// on it. Does nothing when handed none.
void destroyAnalysisHandle(AnalysisHandle* handle);

// The handle of callers that bring none (the window, which runs one
// analysis at a time): made on first use and kept for the process.
AnalysisHandle* processHandle();

// The handle that boards of this context work with.
inline AnalysisHandle* handleOf(const SolveContext* context) {
    return context->handle != nullptr ? context->handle : processHandle();
}

// The count scratch of a handle, made on first use.
CountScratch* countScratchOf(AnalysisHandle* handle);

// A helper's counter of a handle, made on first use (worker 1 and up).
SolutionCounter* helperCounterOf(AnalysisHandle* handle, int32_t worker);

} // namespace numpl

#endif

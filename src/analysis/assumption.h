// The assumption method: try the lowest candidate of each of the most
// constrained constraints with singles propagation, and eliminate from the
// board every candidate whose trial contradicts.
#ifndef NUMPL_ANALYSIS_ASSUMPTION_H
#define NUMPL_ANALYSIS_ASSUMPTION_H

#include <cstdint>

#include "candidates/candidate_grid.h"
#include "model/board.h"

namespace numpl {

constexpr int32_t TRIAL_LIST_SIZE = 120;

// Trial entry: column * 1024 + row * 32 + digit; bit 31 marks a failed trial.
constexpr int32_t TRIAL_FAILED = INT32_MIN;

// Scratch state of an analysis handle, built on the first call; the scratch
// heap is rebuilt when the heap capacity changes, the candidate grids fit
// every box order. Released with the handle.
struct AssumptionScratch {
    int32_t* trialList;                      // TRIAL_LIST_SIZE entries; only the first trialCount are current
    int32_t trialCount;                      // entries collected by the last call
    ConstraintHeap* scratchHeap;             // each board heap is copied here and drained in key order
    CandidateGrid* baseGrid;                 // the board of the current call as candidate masks
    CandidateGrid* trialGrids[MAX_THREADS];  // one per worker of a batch, made on first use
    uint32_t* stampTables[MAX_THREADS];      // per worker: the stamp of each (cell, digit) a trial placed
    uint32_t currentStamp;                   // stamps equal to it belong to the current base grid
    bool baseKept;                           // baseGrid holds the base that the current stamps belong to
};

// Frees what the scratch holds and empties it.
void releaseAssumptionScratch(AssumptionScratch* scratch);

// STATUS_PROGRESS when a trial contradicted and its candidate was eliminated,
// else STATUS_NO_CHANGE. Changes the board only by eliminations, no counter.
// Works on the scratch of the board's analysis handle; only one call may run
// on a handle at a time.
//
// A trial asks only whether singles propagation after the placement ends in a
// contradiction, and that does not depend on the order in which the singles
// are placed; so each trial runs on the candidate-mask view of the board and
// gives the same answer as propagateSingles on a copy of the board would.
int32_t assumptionMethod(Board* board);

// The parallel variant's trials: each entry of the list against the base
// grid of the current call, marking the entry on contradiction. Helper
// threads (up to the thread count and the machine's processors) share the
// batch only when it is large enough to pay for them; the marks are the same
// either way.
void runTrials(int32_t count, const Board* board);

// The trial entry's candidate as (column, row, digit).
void trialCandidate(int32_t entry, int32_t* column, int32_t* row, int32_t* digit);

// The scratch state of the process's handle, for tests and diagnostics;
// nullptr before its first call.
const AssumptionScratch* assumptionScratch();

} // namespace numpl

#endif

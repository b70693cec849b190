// The assumption method: try the lowest candidate of each of the most
// constrained constraints on a scratch copy with singles propagation, and
// eliminate from the real board every candidate whose trial contradicts.
#ifndef NUMPL_ANALYSIS_ASSUMPTION_H
#define NUMPL_ANALYSIS_ASSUMPTION_H

#include <cstdint>

#include "model/board.h"

namespace numpl {

constexpr int32_t TRIAL_LIST_SIZE = 120;
constexpr int32_t SCRATCH_BOARD_COUNT = 128;

// Trial entry: column * 1024 + row * 32 + digit; bit 31 marks a failed trial.
constexpr int32_t TRIAL_FAILED = INT32_MIN;

// Process-wide scratch state, built on the first call and rebuilt when the box
// order (boards) or heap capacity (scratch heap) changes; never released.
struct AssumptionScratch {
    int32_t* trialList;          // TRIAL_LIST_SIZE entries; only the first trialCount are current
    int32_t trialCount;          // entries collected by the last call
    ConstraintHeap* scratchHeap; // each board heap is copied here and drained in key order
    SolveContext* scratchContext;// records the box order the scratch boards were built for
    Board* scratchBoards[SCRATCH_BOARD_COUNT]; // one per OpenMP thread number
};

// STATUS_PROGRESS when a trial contradicted and its candidate was eliminated,
// else STATUS_NO_CHANGE. Changes the board only by eliminations, no counter.
// Only one call may run in the process at a time.
int32_t assumptionMethod(Board* board);

// The parallel loop body: trial i of the list on scratch board
// omp_get_thread_num(), marking entry i on contradiction.
void runTrials(int32_t count, const Board* board);

// The scratch state, for tests and diagnostics; nullptr before the first call.
const AssumptionScratch* assumptionScratch();

} // namespace numpl

#endif

// The process-wide Puzzle through which the window and the worker thread
// meet: its creation, the duplicate check on the givens, and the way givens
// go onto a board and the first solution comes back.
#ifndef NUMPL_ANALYSIS_PUZZLE_H
#define NUMPL_ANALYSIS_PUZZLE_H

#include <atomic>
#include <cstdint>

#include "core/solve_context.h"

namespace numpl {

// The fields that the worker and the window thread both touch are lock-free
// 32-bit atomics. The worker writes `solution`, `stageMap` and the five counters and then
// publishes them with a release store of the first nonzero solutionCount; the
// window thread reads them only after an acquire load has seen it above 0.
// The flags themselves need no ordering and use relaxed accesses.
struct Puzzle {
    int32_t boxOrder;                        // n; the grid is N x N with N = n*n
    std::atomic<int32_t> solutionCount;      // solutions found so far, 0..1000
    int32_t** givens;                        // N row pointers into one N*N block; 0 = empty
    int32_t** solution;                      // same shape; the first solution found
    int32_t** stageMap;                      // same shape; the STAGE_* that placed each cell of the
                                             // first solution, written with it
    std::atomic<int32_t> cancelRequested;    // 1 asks the running analysis to stop
    std::atomic<int32_t> threadCount;        // assumption-method threads, 1..128
    std::atomic<int32_t> singleCount;        // counters copied at the first solution
    std::atomic<int32_t> basicCount;
    std::atomic<int32_t> pairTripleCount;
    std::atomic<int32_t> assumptionCount;
    std::atomic<int32_t> branchCount;
    int32_t** secondSolution;                // same shape; the second solution found, written before
                                             // solutionCount first reaches 2 (release, as for the first)
};

static_assert(std::atomic<int32_t>::is_always_lock_free, "the shared flags must be lock-free words");

// A Puzzle of box order n with all four grids zero, solutionCount and
// cancelRequested 0, threadCount 1 and the counters 0. When memory runs out it
// prints "Failed to allocate memory\n" on standard error, releases what it
// obtained and returns nullptr.
Puzzle* createPuzzle(int32_t boxOrder);

// Releases a Puzzle and its grids. Does nothing when handed none.
void destroyPuzzle(Puzzle* puzzle);

struct Board;

// Places the puzzle's givens on a fresh board (placeGivens). 1 on success; 0
// when a given is outside 1..N or repeats an earlier one, and then the
// puzzle's solutionCount becomes 0.
int32_t loadGivens(Board* board, Puzzle* puzzle);

// Writes the board's placed digits into the puzzle's solution grid.
void storeSolution(const Board* board, Puzzle* puzzle);

// Writes the stage of each of the board's cells into the puzzle's stage map.
void storeStageMap(const Board* board, Puzzle* puzzle);

// The thread count an analysis starts with when nobody chose one: the OpenMP
// runtime's maximum (which OMP_NUM_THREADS sets), within 1..128.
int32_t defaultThreadCount();

// A thread count as the analysis takes it: below 1 is 1, above 128 is 128.
int32_t clampThreadCount(int64_t requested);

// -1 when some row, column or box holds the same nonzero digit twice, else 0.
// Values are not range-checked here. Cannot fail.
int32_t checkGivens(const Puzzle* puzzle);

// The window thread changes givens while a worker may still be loading them
// for an analysis that is about to be cancelled; both sides go through these
// relaxed atomic accesses so that the overlap is defined. Whatever the worker
// read is discarded with the cancelled analysis.
inline int32_t readGiven(const Puzzle* puzzle, int32_t row, int32_t column) {
    return std::atomic_ref<int32_t>(puzzle->givens[row][column]).load(std::memory_order_relaxed);
}
inline void writeGiven(Puzzle* puzzle, int32_t row, int32_t column, int32_t value) {
    std::atomic_ref<int32_t>(puzzle->givens[row][column]).store(value, std::memory_order_relaxed);
}

} // namespace numpl

#endif

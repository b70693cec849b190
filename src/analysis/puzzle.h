// The two records an analysis runs on: the process-wide Puzzle through which
// the window and the worker thread meet, and the per-analysis SolveContext
// shared by every board of one analysis. Also the status codes that every
// solver stage returns and the duplicate check on the givens.
#ifndef NUMPL_ANALYSIS_PUZZLE_H
#define NUMPL_ANALYSIS_PUZZLE_H

#include <atomic>
#include <cstdint>

namespace numpl {

// Results of finders, techniques and solver stages. -97 is not used.
constexpr int32_t STATUS_NO_CHANGE = -94;
constexpr int32_t STATUS_SOLVED = -95;
constexpr int32_t STATUS_STALLED = -96;
constexpr int32_t STATUS_CONTRADICTION = -98;
constexpr int32_t STATUS_PROGRESS = -99;
constexpr int32_t STATUS_SINGLE = -100;

constexpr int32_t MIN_BOX_ORDER = 2;
constexpr int32_t MAX_BOX_ORDER = 5;
constexpr int32_t MAX_SIDE = MAX_BOX_ORDER * MAX_BOX_ORDER;
constexpr int32_t SOLUTION_LIMIT = 1000;
constexpr int32_t MAX_THREADS = 128;

// The fields that the worker and the window thread both touch are lock-free
// 32-bit atomics. The worker writes `solution` and the five counters and then
// publishes them with a release store of the first nonzero solutionCount; the
// window thread reads them only after an acquire load has seen it above 0.
// The flags themselves need no ordering and use relaxed accesses.
struct Puzzle {
    int32_t boxOrder;                        // n; the grid is N x N with N = n*n
    std::atomic<int32_t> solutionCount;      // solutions found so far, 0..1000
    int32_t** givens;                        // N row pointers into one N*N block; 0 = empty
    int32_t** solution;                      // same shape; the first solution found
    std::atomic<int32_t> cancelRequested;    // 1 asks the running analysis to stop
    std::atomic<int32_t> threadCount;        // assumption-method threads, 1..128
    std::atomic<int32_t> singleCount;        // counters copied at the first solution
    std::atomic<int32_t> basicCount;
    std::atomic<int32_t> pairTripleCount;
    std::atomic<int32_t> assumptionCount;
    std::atomic<int32_t> branchCount;
};

static_assert(std::atomic<int32_t>::is_always_lock_free, "the shared flags must be lock-free words");

struct SolveContext {
    int32_t boxOrder;           // n; every board operation takes N = n*n from here
    int32_t modeFlag1;          // 1; consulted by nothing
    int32_t copyCellKeys;       // copyBoard copies cellKeys when 1 (or primaryTechniques is 0)
    int32_t primaryTechniques;  // nonzero: heap-scanning locked candidates; 0: the key-array half
    int32_t modeFlag4;          // 1; consulted by nothing
    int32_t trialBudget;        // heap pops the assumption method may spend per call (120)
    int32_t trialMaxCandidates; // largest candidate count it tries (3)
    int32_t threadCount;        // 1 = sequential assumption method
    int32_t singleCount;        // singles placed before any technique ran
    int32_t basicCount;         // singles placed after locked candidates
    int32_t pairTripleCount;    // singles placed after pairs and triples
    int32_t assumptionCount;    // singles placed after the assumption method
    int32_t branchCount;        // branches taken by the search
};

// A Puzzle of box order n with both grids zero, solutionCount and
// cancelRequested 0, threadCount 1 and the counters 0. When memory runs out it
// prints "Failed to allocate memory\n" on standard error, releases what it
// obtained and returns nullptr.
Puzzle* createPuzzle(int32_t boxOrder);

// Releases a Puzzle and its grids. Does nothing when handed none.
void destroyPuzzle(Puzzle* puzzle);

// A context with the initial values (flags 1, budget 120, at most 3
// candidates, counters 0); threadCount is 1 until the caller sets it. Running
// out of memory prints "Failed to allocate memory\n" on standard error and
// aborts.
SolveContext* createSolveContext(int32_t boxOrder);
void destroySolveContext(SolveContext* context);

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

// Prints the allocation message on standard error and aborts; for the places
// where an analysis cannot go on without the memory.
[[noreturn]] void failAllocation();

} // namespace numpl

#endif

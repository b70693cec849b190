// What every layer of the engine shares: the status codes that finders,
// techniques and solver stages return, the size limits, the per-analysis
// SolveContext that all boards of one analysis point to, and the reaction to
// running out of memory. It sits below the model so that nothing in the model
// or the candidate engine has to reach up into the analysis.
#ifndef NUMPL_CORE_SOLVE_CONTEXT_H
#define NUMPL_CORE_SOLVE_CONTEXT_H

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
constexpr int32_t MAX_CELLS = MAX_SIDE * MAX_SIDE;
constexpr int32_t SOLUTION_LIMIT = 1000;
constexpr int32_t MAX_THREADS = 128;

// The scratch of the analysis a context belongs to; only the analysis knows
// what is inside.
struct AnalysisHandle;

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
    AnalysisHandle* handle;     // whose scratch the boards of this context use; null: the process's
};

// A context with the initial values (flags 1, budget 120, at most 3
// candidates, counters 0); threadCount is 1 until the caller sets it. Running
// out of memory prints "Failed to allocate memory\n" on standard error and
// aborts.
SolveContext* createSolveContext(int32_t boxOrder);
void destroySolveContext(SolveContext* context);

// Prints the allocation message on standard error and aborts; for the places
// where an analysis cannot go on without the memory.
[[noreturn]] void failAllocation();

} // namespace numpl

#endif

// Exact solution counting over candidate grids: depth-first search that
// branches on the cell or unit-digit pair with the fewest options, propagates
// singles after every placement and probes for failed literals where
// solutions are sparse. Several counts (of disjoint parts of one search
// space, possibly on several threads) add into one shared tally and stop
// together at its limit or at a cancel request.
#ifndef NUMPL_CANDIDATES_SOLUTION_COUNTER_H
#define NUMPL_CANDIDATES_SOLUTION_COUNTER_H

#include <atomic>
#include <cstdint>

#include "candidates/candidate_grid.h"

namespace numpl {

enum CountOutcome : int32_t {
    COUNT_EXHAUSTED = 0, // every solution of the grid is in the tally
    COUNT_LIMITED,       // the tally reached its limit
    COUNT_CANCELLED,     // the cancel flag was raised
    COUNT_OUT_OF_BUDGET, // the node budget ran out; the count can go on or hand parts over
};

// Where the counts keep the solution that takes the shared tally to two. Its
// digits go into `rows` (N rows of N) and `written` is raised (release) before
// a tally above one is published, so whoever sees a published count of two or
// more also sees the grid.
struct SecondSolution {
    int32_t* const* rows;
    std::atomic<int32_t> written{0};
};

struct CountControl {
    std::atomic<int32_t>* tally;             // solutions counted so far by every count that shares it
    int32_t limit;                           // no count goes on once the tally has reached this
    const std::atomic<int32_t>* cancel;      // nonzero stops every count at its next node
    std::atomic<int32_t>* published;         // when set, raised to the tally after each solution (release)
    SecondSolution* second = nullptr;        // when set, receives the solution that makes the tally two
    std::atomic<int32_t>* gaveWay = nullptr; // when set, raised once a count stops or holds back a result for a cancel
};

// True when the cancel flag is up; then also raises gaveWay, so that the
// caller learns that some work was left undone or unpublished.
inline bool cancelSeen(const CountControl* control) {
    if (control->cancel == nullptr || control->cancel->load(std::memory_order_relaxed) == 0) return false;
    if (control->gaveWay != nullptr) control->gaveWay->store(1, std::memory_order_relaxed);
    return true;
}

// The search stack of one count: a grid per depth, made when first reached
// and kept for later counts, of any box order.
struct SolutionCounter;

SolutionCounter* createSolutionCounter();
void destroySolutionCounter(SolutionCounter* counter);

// Counts the solutions of `start` (left unchanged) into the tally. At most
// nodeBudget placements are tried when it is positive. `firstSolution`, when
// given, receives the first solved grid this call meets and *foundOne says
// whether there was one.
CountOutcome countSolutions(SolutionCounter* counter, const CandidateGrid* start, const CountControl* control,
                            int64_t nodeBudget, CandidateGrid* firstSolution, bool* foundOne);

// After COUNT_OUT_OF_BUDGET: goes on with the same count for up to nodeBudget
// more placements, with the same first-solution grid.
CountOutcome continueCount(SolutionCounter* counter, const CountControl* control, int64_t nodeBudget,
                           bool* foundOne);

// Placements the count started by the last countSolutions has tried so far.
int64_t countedNodes(const SolutionCounter* counter);

// After COUNT_OUT_OF_BUDGET: hands the untried options of the shallowest
// frame that has any over as a subgrid, which the count will not visit any
// more; the count goes on with the rest (continueCount). False when nothing
// is left to hand over. The shallowest part is the largest, and the count
// keeps its place deep in the search.
bool takeShallowestSubgrid(SolutionCounter* counter, CandidateGrid* subgrid);

} // namespace numpl

#endif

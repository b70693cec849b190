// Exact solution counting over candidate grids: depth-first search that
// branches on the cell or unit-digit pair with the fewest options, propagates
// singles after every placement and probes for failed literals where
// solutions are sparse. Several counts (of disjoint parts of one search
// space, possibly on several threads) add into one shared tally and stop
// together at its limit or at a cancel request.
#ifndef NUMPL_CANDIDATES_SOLUTION_COUNTER_H
#define NUMPL_CANDIDATES_SOLUTION_COUNTER_H

#include <cstdint>

#include "candidates/candidate_grid.h"
#include "candidates/tally.h"

namespace numpl {

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

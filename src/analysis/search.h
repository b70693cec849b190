// The whole analysis of a Puzzle: a stack of N*N+2 boards, depth-first search
// with two-way branching, solutions counted up to SOLUTION_LIMIT, the first
// one stored with the difficulty counters of that moment.
#ifndef NUMPL_ANALYSIS_SEARCH_H
#define NUMPL_ANALYSIS_SEARCH_H

#include <cstdint>

#include "analysis/puzzle.h"
#include "model/board.h"

namespace numpl {

// Counts solutions on a stack whose board 0 is loaded. Publishes solution and
// counters before the first nonzero solutionCount, secondSolution before
// solutionCount first reaches two, and solutionCount after every solution;
// returns early with the count so far on cancelRequested.
int32_t searchSolutions(Board** stack, Puzzle* puzzle);

// Builds the stack and a context (threadCount from the puzzle), loads the
// givens and searches. 0..1000; 0 also when the givens do not load.
// *cutShort, when asked for, tells whether a cancel request stopped the
// analysis before its end or held back one of its results: a cancel that
// comes only after the analysis has done its work leaves it false.
int32_t analysePuzzle(Puzzle* puzzle, bool* cutShort = nullptr);

struct AnalysisHandle;

// The same on a handle of the caller's, so that several analyses can run at
// once, each on a handle of its own; analysePuzzle uses the process's.
int32_t analysePuzzleWith(AnalysisHandle* handle, Puzzle* puzzle, bool* cutShort = nullptr);

} // namespace numpl

#endif

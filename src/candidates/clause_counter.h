// Exact solution counting that learns from its failures: conflict-driven
// clause learning over the four "exactly one" constraint families of a
// candidate grid (cell, row-digit, column-digit, box-digit). Each solution it
// meets goes into the shared tally and is then blocked by a clause, so the
// search goes on to the next one; an exact count below the limit means that
// the whole space was refuted. Where the depth-first counter spends minutes
// exhausting barren subtrees of a large, half-filled grid over and over, the
// clauses learnt in one of them cut the others short.
#ifndef NUMPL_CANDIDATES_CLAUSE_COUNTER_H
#define NUMPL_CANDIDATES_CLAUSE_COUNTER_H

#include <cstddef>
#include <cstdint>

#include "candidates/candidate_grid.h"
#include "candidates/tally.h"

namespace numpl {

// The variables, clauses, watch lists and scratch grids of one count, kept
// between counts so that a warmed-up counter allocates only when a count
// needs a larger clause database than any before it.
struct ClauseCounter;

ClauseCounter* createClauseCounter();
void destroyClauseCounter(ClauseCounter* counter);

// Counts the solutions of `start` (left unchanged) that are not among the
// `excludedCount` complete grids of `excluded` into the control's tally, with
// the same limit, cancel and publication rules as countSolutions; an excluded
// grid that is no solution of `start` changes nothing. Returns
// COUNT_EXHAUSTED, COUNT_LIMITED or COUNT_CANCELLED. The same grid gives the
// same count and meets its solutions in the same order on every run.
CountOutcome countWithLearning(ClauseCounter* counter, const CandidateGrid* start, const CountControl* control,
                               const CandidateGrid* const* excluded, int32_t excludedCount);

// What the last count did, for tests and measurements.
struct ClauseCountStats {
    int32_t variables;     // candidates left open after singles propagation
    int64_t decisions;
    int64_t conflicts;
    int64_t propagations;  // literals taken off the propagation queue
    int64_t learned;       // clauses learnt, units included
    int64_t restarts;
    int64_t reductions;    // clean-ups of the learnt clauses
    int32_t learnedKept;   // learnt clauses in the database at the end
};

ClauseCountStats clauseCountStats(const ClauseCounter* counter);

// Bytes the counter holds, everything it allocated included.
size_t clauseCounterBytes(const ClauseCounter* counter);

// Called with every solution the learning counter adds to a tally, before it
// is added; null in the program. Tests set it (only while no count runs).
extern void (*clauseSolutionHook)(const CandidateGrid* solution);

} // namespace numpl

#endif

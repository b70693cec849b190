// Counting disjoint parts of one search space on a team of threads. The parts
// wait in a shared pool; each thread counts one for a slice of nodes at a
// time and, when another thread has run out of work, hands the rest of its
// part back to the pool as subgrids. The tally, its limit and the cancel
// request are shared, so the total does not depend on who counted what.
#ifndef NUMPL_ANALYSIS_TEAM_COUNT_H
#define NUMPL_ANALYSIS_TEAM_COUNT_H

#include <cstdint>

#include "analysis/analysis_handle.h"
#include "candidates/solution_counter.h"

namespace numpl {

// The work for a team: grids to count, copied in as they are added.
struct CountPool;

CountPool* createCountPool();
void destroyCountPool(CountPool* pool);
void addToPool(CountPool* pool, const CandidateGrid* grid);

// A board's digits and cell keys (N^2 each, as loadCandidateGrid takes them),
// read only when a thread takes the part; they must stay unchanged until the
// team count has ended.
void addBoardToPool(CountPool* pool, int32_t boxOrder, const int32_t* values, const int32_t* cellKeys);

// Counts every grid of the pool into the control's tally on `threads` threads
// (at least 2), until the pool is empty, the tally reaches its limit or a
// cancel request comes. With callerCountOpen, callerCounter holds a count
// that ran out of its budget (countSolutions with the same control): one
// worker goes on with it and hands parts of it to the others as they run out
// of work. The pool is empty afterwards. The helpers and their counters are
// the handle's; only one team count may run on a handle at a time.
void countOnTeam(AnalysisHandle* handle, CountPool* pool, const CountControl* control, int32_t threads,
                 SolutionCounter* callerCounter, bool callerCountOpen);

// The same on the calling thread alone: two workers take turns slice by
// slice, and one hands the other the shallowest part of its count when the
// pool runs dry. Counting one part to its end before the next goes deep into
// one corner of the search; taking turns keeps a second place in it alive,
// which on grids whose solutions are few and far between finds them many
// times sooner.
void countInterleaved(AnalysisHandle* handle, CountPool* pool, const CountControl* control,
                      SolutionCounter* callerCounter, bool callerCountOpen);

} // namespace numpl

#endif

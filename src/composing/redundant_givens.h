// The questions a maker asks of a puzzle that has one solution: which givens
// could go without a second solution appearing, and what is left when they go
// one by one. Both judge a given by one exact count on candidate masks, so
// they sit above the counters and need nothing of the analysis; the window
// runs them after an analysis, numpl-analyse on request. Several may run at
// once, each on a scratch record of its own.
#ifndef NUMPL_COMPOSING_REDUNDANT_GIVENS_H
#define NUMPL_COMPOSING_REDUNDANT_GIVENS_H

#include <atomic>
#include <cstdint>

namespace numpl {

enum ComposeStatus : int32_t {
    COMPOSE_DONE = 0,   // the result is complete
    COMPOSE_NOT_UNIQUE, // the givens have no solution or more than one (or repeat a digit)
    COMPOSE_CANCELLED,  // the cancel flag was raised first; the result is not to be used
};

// The counters, grids and buffers of one caller, kept from one call to the
// next; a warmed-up scratch allocates nothing more for grids up to the size it
// has seen.
struct ComposeScratch;

ComposeScratch* createComposeScratch();

// Does nothing when handed none. No call may be running on it.
void destroyComposeScratch(ComposeScratch* scratch);

// Givens (N*N values row by row, 0 = empty, as setGivens takes them) that
// are not 0. Values are not checked.
int32_t countGivens(int32_t boxOrder, const int32_t* givens);

// For givens with exactly one solution: redundant[k] (N*N entries) becomes 1
// for each given whose removal alone leaves exactly one solution, 0 for every
// other cell, and *redundantCount the number of those givens. The cancel
// flag, when given, is read between and inside the counts: a raise ends the
// call within milliseconds with COMPOSE_CANCELLED. With any status but
// COMPOSE_DONE the outputs hold nothing of use.
ComposeStatus findRedundantGivens(ComposeScratch* scratch, int32_t boxOrder, const int32_t* givens,
                                  const std::atomic<int32_t>* cancel, uint8_t* redundant, int32_t* redundantCount);

// For givens with exactly one solution: minimal (N*N entries) receives the
// givens with redundant ones removed one at a time, in row-major order, each
// judged against the givens left at that moment. The result has the same
// single solution and every given it keeps is needed; the same givens always
// give the same result. Status and cancel as for findRedundantGivens; minimal
// may be the givens array itself.
ComposeStatus minimisePuzzle(ComposeScratch* scratch, int32_t boxOrder, const int32_t* givens,
                             const std::atomic<int32_t>* cancel, int32_t* minimal);

} // namespace numpl

#endif
